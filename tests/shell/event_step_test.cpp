// The event step of a frame against the platform's real event queue: a stream of
// pointer motion never holds the frame, a burst of typing is spread over frames
// without losing a key, and a quit closes whatever modal window is up.
#include "MACIBM_mnw.h"
#include "MACIBM_shell.h"
#include "butn.h"
#include "PLAT_gl.h"
#include "UTL_alert.h"
#include "../support/x_window.h"
#include <SDL.h>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

struct EventStep : ::testing::Test {
	void SetUp() override
	{
		const char* d = getenv("DISPLAY");
		if (!d || !*d) GTEST_SKIP() << "needs a display (run under xvfb-run)";
		ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
		SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
		mnw.screen_w = 800;
		mnw.screen_h = 600;
		mnw.pix_scale = 1;
		mnw.current_window = 0;
		app_done = 0;
	}
	void TearDown() override
	{
		if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_Quit();
		app_done = 0;
	}
	static void push_key(SDL_EventType type, char c)
	{
		SDL_Event e = {};
		e.type = type;
		e.key.keysym.sym = c;
		e.key.keysym.scancode = (SDL_Scancode)(SDL_SCANCODE_A + (c - 'a'));
		SDL_PushEvent(&e);
		if (type == SDL_KEYDOWN) {	// the text a key-down typed comes right behind it
			SDL_Event t = {};
			t.type = SDL_TEXTINPUT;
			t.text.text[0] = c;
			SDL_PushEvent(&t);
		}
	}
};

TEST_F(EventStep, AStreamOfMotionNeverHoldsTheFrame)
{
	// motion every 2 ms, for at most 10 s: the step must come back while it still flows
	std::atomic<bool> stop{false}, ran_out{false};
	std::atomic<int> last_x{0};
	std::thread mouse([&] {
		auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
		for (int k = 0; !stop; ++k) {
			if (std::chrono::steady_clock::now() > until) {
				ran_out = true;
				return;
			}
			SDL_Event e = {};
			e.type = SDL_MOUSEMOTION;
			e.motion.x = 100 + k % 50;
			e.motion.y = 200;
			last_x = e.motion.x;
			SDL_PushEvent(&e);
			std::this_thread::sleep_for(std::chrono::milliseconds(2));
		}
	});
	for (int frame = 0; frame < 5; ++frame) MACIBM_take_events();
	stop = true;
	mouse.join();
	EXPECT_FALSE(ran_out) << "the event step kept taking motion and drew no frame";
	EXPECT_GE(mnw.mouse_x, 100);	// the motion moved the mouse
	EXPECT_LT(mnw.mouse_x, 150);
	EXPECT_EQ(mnw.mouse_y, 400);
}

TEST_F(EventStep, ABurstOfTypingReachesTheFieldOverSeveralFramesWithoutLoss)
{
	// one text field's key queue holding the focus, as a frame leaves it
	static focus_queue_t q;
	q.count = 0;
	const int id = 12345;
	BTN_unfocus_any();
	BTN_begin_focus_ring();
	ASSERT_TRUE(BTN_register_queue(id, &q, focus_mask_text, 1));

	std::string sent, got;
	for (int i = 0; i < 100; ++i) {
		char c = (char)('a' + i % 26);
		sent += c;
		push_key(SDL_KEYDOWN, c);
		push_key(SDL_KEYUP, c);
	}
	int frames = 0;
	while (got.size() < sent.size() && frames < 100) {
		MACIBM_take_events();
		++frames;
		EXPECT_LE(q.count, 64);
		for (int i = 0; i < q.count; ++i)
			if (q.ids[i] == id && !(q.flags[i] & 0x10)) got += (char)q.chars[i];
		q.count = 0;	// the field took them, as it does every frame
	}
	EXPECT_EQ(got, sent);
	EXPECT_GT(frames, 1) << "the whole burst went into one frame";
}

TEST_F(EventStep, AQuitClosesAnyModalWindowAndEveryOneOpenedAfterIt)
{
	for (int window : {2, 994, 996, 997, 998}) {
		SCOPED_TRACE(window);
		MACIBM_startwind(window, 0);
		MACIBM_take_events();
		EXPECT_EQ(mnw.current_window, window) << "closed without a quit";
	}
	MACIBM_startwind(2, 0);
	SDL_Event e = {};
	e.type = SDL_QUIT;
	SDL_PushEvent(&e);
	MACIBM_take_events();
	EXPECT_EQ(app_done, 1);
	EXPECT_EQ(mnw.current_window, 0);
	// a prompt that the cancelled work opens afterwards closes at its first frame
	MACIBM_startwind(996, 0);
	MACIBM_take_events();
	EXPECT_EQ(mnw.current_window, 0);
}

// Mouse gestures as the platform queues them, taken frame by frame: no press or
// release is lost or doubled, each has a frame of its own, and the frame before
// each release (the button still held) already shows the mouse where it was let
// go, however many moves and clicks the platform queued between two frames.
TEST_F(EventStep, EveryReleaseComesAfterAHeldFrameAtItsPlace)
{
	struct step { SDL_EventType type; int x, y; };
	const struct {
		const char*       name;
		std::vector<step> steps;
	} cases[] = {
		{"a click in place", {{SDL_MOUSEBUTTONDOWN, 100, 100}, {SDL_MOUSEBUTTONUP, 100, 100}}},
		{"a drag whose moves and release are queued together",
		 {{SDL_MOUSEBUTTONDOWN, 100, 100}, {SDL_MOUSEMOTION, 150, 120}, {SDL_MOUSEMOTION, 200, 140},
		  {SDL_MOUSEBUTTONUP, 200, 140}}},
		{"a release away from the press with no move before it",
		 {{SDL_MOUSEBUTTONDOWN, 100, 100}, {SDL_MOUSEBUTTONUP, 180, 100}}},
		{"two clicks in a row", {{SDL_MOUSEBUTTONDOWN, 60, 60}, {SDL_MOUSEBUTTONUP, 60, 60},
		                         {SDL_MOUSEBUTTONDOWN, 60, 60}, {SDL_MOUSEBUTTONUP, 60, 60}}},
		{"a drag and then a click elsewhere",
		 {{SDL_MOUSEBUTTONDOWN, 10, 10}, {SDL_MOUSEMOTION, 50, 50}, {SDL_MOUSEBUTTONUP, 50, 50},
		  {SDL_MOUSEBUTTONDOWN, 300, 300}, {SDL_MOUSEMOTION, 310, 300}, {SDL_MOUSEBUTTONUP, 310, 300}}},
	};
	for (const auto& c : cases) {
		SCOPED_TRACE(c.name);
		SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
		mnw.origin_x = mnw.origin_y = 0;
		int presses = 0;
		std::vector<std::pair<float, float>> releases;
		for (const step& s : c.steps) {
			SDL_Event e = {};
			e.type = s.type;
			if (s.type == SDL_MOUSEMOTION) {
				e.motion.x = s.x;
				e.motion.y = s.y;
			} else {
				e.button.button = SDL_BUTTON_LEFT;
				e.button.x = s.x;
				e.button.y = s.y;
				if (s.type == SDL_MOUSEBUTTONDOWN) ++presses;
				else releases.push_back({(float)s.x, 600.0f - s.y});
			}
			SDL_PushEvent(&e);
		}
		std::vector<std::pair<float, float>> seen;	// where each frame saw the mouse
		int downs = 0, ups = 0;
		for (int frame = 0; frame < 20 && SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT); ++frame) {
			mnw.click_down = mnw.click_up = 0;
			MACIBM_take_events();
			seen.push_back({mnw.mouse_x, mnw.mouse_y});
			downs += mnw.click_down;
			EXPECT_FALSE(mnw.click_down && mnw.click_up) << "a press and a release in one frame";
			if (mnw.click_up) {
				ASSERT_LT(ups, (int)releases.size());
				EXPECT_EQ(seen.back(), releases[ups]) << "release " << ups;
				ASSERT_GE(seen.size(), 2u);
				EXPECT_EQ(seen[seen.size() - 2], releases[ups]) << "release " << ups << ": no held frame showed its place";
				++ups;
			}
		}
		EXPECT_EQ(downs, presses);
		EXPECT_EQ(ups, (int)releases.size());
	}
}

// A real window on the display, clicked by the X server's own input as soon as
// it is shown: with no window manager it takes the focus as it comes up, and a
// program busy elsewhere takes that focus and the click in one go.
TEST(WindowEvents, AClickTakenWithTheFocusArrives)
{
	const char* d = getenv("DISPLAY");
	if (!d || !*d) GTEST_SKIP() << "needs a display (run under xvfb-run)";
	if (system("command -v xdotool >/dev/null") != 0) GTEST_SKIP() << "needs xdotool";
	ASSERT_TRUE(PLAT_window_open(0, "focus click", 0, 0, 200, 200, 0, 0, 0));
	mnw.screen_w = 200;
	mnw.screen_h = 200;
	mnw.origin_x = mnw.origin_y = 0;
	std::string why;
	const std::string w = x_window_of(getpid(), "^focus click$", x_window_wait, &why);
	ASSERT_FALSE(w.empty()) << why;
	// no frame between the window coming up and the click
	ASSERT_EQ(system(("timeout 30 xdotool mousemove --window " + w + " 50 40 click 1").c_str()), 0);
	int downs = 0, ups = 0;
	for (int frame = 0; frame < 600 && ups == 0; ++frame) {	// 10 s of frames at most
		mnw.click_down = mnw.click_up = 0;
		MACIBM_take_events();
		downs += mnw.click_down;
		ups += mnw.click_up;
	}
	EXPECT_EQ(downs, 1);
	EXPECT_EQ(ups, 1);
	EXPECT_EQ(mnw.mouse_x, 50);
	EXPECT_EQ(mnw.mouse_y, 160);
	PLAT_window_close(0);
	SDL_Quit();
}
