// The widget demo in a real window: xdotool clicks it and types into it; the values
// it writes and screenshots show what each click and key did.
#include <gtest/gtest.h>
#include "../support/program_env.h"
#include "../support/x_window.h"
#include <X11/Xlib.h>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

static std::string run(const std::string& cmd)
{
	std::string out;
	if (FILE* p = popen(cmd.c_str(), "r")) {
		char buf[256];
		while (fgets(buf, sizeof buf, p)) out += buf;
		pclose(p);
	}
	while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
	return out;
}

struct WidgetDemo : ::testing::Test {
	pid_t       pid = -1;
	std::string values, shot, win;
	Display*    xdisplay = nullptr;
	bool        repeated = false;	// the display repeated held keys before the test

	void SetUp() override
	{
		const char* d = getenv("DISPLAY");
		if (!d || !*d) GTEST_SKIP() << "no display";
		// xdotool presses and releases each key; on a busy machine it can be held
		// up between the two past the repeat delay, and the server then types the
		// key again. No test here holds a key.
		xdisplay = XOpenDisplay(nullptr);
		ASSERT_NE(xdisplay, nullptr);
		XKeyboardState ks;
		XGetKeyboardControl(xdisplay, &ks);
		repeated = ks.global_auto_repeat == AutoRepeatModeOn;
		XAutoRepeatOff(xdisplay);
		XSync(xdisplay, False);
		const std::string base = std::string(VANTOR_BINARY_DIR) + "/widget_demo_test_" + std::to_string(getpid());
		values = base + ".txt";
		shot = base + ".rgb";
		unlink(values.c_str());
		const std::string bin = std::string(VANTOR_BINARY_DIR) + "/widget_demo";
		pid = fork();
		if (pid == 0) {
			prctl(PR_SET_PDEATHSIG, SIGKILL);	// never outlive a test that died
			TS_program_env();
			execl(bin.c_str(), bin.c_str(), values.c_str(), (char*)nullptr);
			_exit(127);
		}
		ASSERT_GT(pid, 0);
		std::string why;
		win = x_window_of(pid, "^widget demo$", x_window_wait, &why);
		ASSERT_FALSE(win.empty()) << "no window came: " << why;
		ASSERT_TRUE(wait_for("clicks=0 "));
	}
	void TearDown() override
	{
		if (pid > 0) {
			kill(pid, SIGTERM);
			int st;
			for (int i = 0; i < 50 && waitpid(pid, &st, WNOHANG) == 0; ++i)
				std::this_thread::sleep_for(std::chrono::milliseconds(40));
			kill(pid, SIGKILL);
			waitpid(pid, &st, WNOHANG);
		}
		unlink(values.c_str());
		unlink(shot.c_str());
		if (xdisplay) {
			if (repeated) XAutoRepeatOn(xdisplay);
			XCloseDisplay(xdisplay);	// flushes the request
		}
	}
	std::string current()
	{
		std::ifstream f(values);
		std::string s;
		std::getline(f, s);
		return s;
	}
	// Waits until the values line holds the text.
	bool wait_for(const std::string& part)
	{
		const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(x_window_wait);
		while (std::chrono::steady_clock::now() < until) {
			if (current().find(part) != std::string::npos) return true;
			std::this_thread::sleep_for(std::chrono::milliseconds(30));
		}
		ADD_FAILURE() << "waiting for \"" << part << "\", have \"" << current() << "\"";
		return false;
	}
	// Clicks at window pixels (top-left origin).
	void click(int x, int y)
	{
		// other tests' windows may share the display: bring ours to the top first
		run("xdotool windowraise " + win + " mousemove --window " + win + " " + std::to_string(x) + " " + std::to_string(y) +
		    " click 1");
	}
	// Keys and text go to the window holding the X input focus.
	void keys(const std::string& names)
	{
		run("timeout 5 xdotool windowfocus --sync " + win + " key --delay 30 " + names);
	}
	void type(const std::string& text)
	{
		run("timeout 5 xdotool windowfocus --sync " + win + " type --delay 60 '" + text + "'");
	}
	// RGB bytes of a box of the window, top-left origin.
	std::vector<unsigned char> grab(int x, int y, int w, int h)
	{
		std::this_thread::sleep_for(std::chrono::milliseconds(150));	// a frame or two
		char geo[64];
		snprintf(geo, sizeof geo, "%dx%d+%d+%d", w, h, x, y);
		run("import -window " + win + " -crop " + geo + " -depth 8 rgb:" + shot);
		std::ifstream f(shot, std::ios::binary);
		return std::vector<unsigned char>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
	}
	// The frames the demo has drawn, from its values line.
	long frames()
	{
		for (int i = 0; i < 50; ++i) {
			const std::string s = current();
			size_t at = s.find(" frames=");
			if (at != std::string::npos) return atol(s.c_str() + at + 8);
			std::this_thread::sleep_for(std::chrono::milliseconds(20));
		}
		return -1;
	}
	// Puts text on the clipboard (xclip serves it for at most 20 s).
	void clipboard(const std::string& text)
	{
		const std::string f = values + ".clip";
		std::ofstream(f, std::ios::binary) << text;
		run("(timeout 20 xclip -quiet -selection clipboard -i '" + f + "' >/dev/null 2>&1 &) ; sleep 0.3");
	}
	// Dark pixels (text strokes) in each column of a box; how many columns hold any.
	static int inked_columns(const std::vector<unsigned char>& px, int w, int h)
	{
		int n = 0;
		for (int x = 0; x < w; ++x) {
			bool ink = false;
			for (int y = 0; y < h && !ink; ++y) {
				const unsigned char* p = &px[3 * (y * w + x)];
				ink = p[0] + p[1] + p[2] < 200;
			}
			n += ink;
		}
		return n;
	}
	static int differing(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b)
	{
		int n = 0;
		for (size_t i = 0; i + 2 < a.size() && i + 2 < b.size(); i += 3)
			n += (abs(a[i] - b[i]) + abs(a[i + 1] - b[i + 1]) + abs(a[i + 2] - b[i + 2])) > 30;
		return n;
	}
};

TEST_F(WidgetDemo, ClicksChangeTheValuesAndTheButtonShowsPressed)
{
	// the button at (200, 50): the click is counted and it holds its pressed look
	const auto up = grab(150, 42, 100, 16);
	ASSERT_EQ(up.size(), 100u * 16 * 3);
	const auto panel = grab(10, 280, 30, 10);
	click(200, 50);
	ASSERT_TRUE(wait_for("clicks=1 toggled=1 "));
	const auto down = grab(150, 42, 100, 16);
	EXPECT_GT(differing(up, down), 100 * 16 / 4) << "the pressed look does not show";
	EXPECT_EQ(differing(panel, grab(10, 280, 30, 10)), 0);
	click(200, 50);
	ASSERT_TRUE(wait_for("clicks=2 toggled=0 "));
	EXPECT_LT(differing(up, grab(150, 42, 100, 16)), 10) << "released look differs from the first";

	// the check box flips on and off
	click(120, 100);
	ASSERT_TRUE(wait_for("check=1 "));
	click(120, 100);
	ASSERT_TRUE(wait_for("check=0 "));

	// the radio buttons: a click on the set one leaves it set
	click(300, 100);
	ASSERT_TRUE(wait_for("choice=2 "));
	click(300, 100);
	std::this_thread::sleep_for(std::chrono::milliseconds(100));
	EXPECT_NE(current().find("choice=2 "), std::string::npos);
	click(220, 100);
	ASSERT_TRUE(wait_for("choice=1 "));

	// the number field: the arrow above the last digit adds one, below takes one
	click(185, 145);
	ASSERT_TRUE(wait_for("number=43 "));
	click(185, 175);
	click(185, 175);
	ASSERT_TRUE(wait_for("number=41 "));

	// the slider takes the mouse's place along it
	click(250, 220);
	ASSERT_TRUE(wait_for("slider=0.750"));
	click(100, 220);
	ASSERT_TRUE(wait_for("slider=0.000"));
}

TEST_F(WidgetDemo, TextFieldsTakeTypingAndTabAndThePopupListChooses)
{
	// a click in the name field gives it the keyboard, the caret at the click
	click(70, 256);
	std::this_thread::sleep_for(std::chrono::milliseconds(150));	// the field registers in a frame
	type("abc");
	ASSERT_TRUE(wait_for("name=[abc]"));
	keys("BackSpace");
	ASSERT_TRUE(wait_for("name=[ab]"));
	// a letter outside the layout: give the keymap switch a moment first
	std::this_thread::sleep_for(std::chrono::milliseconds(100));
	// xdotool maps the letter to a spare key only while it types it: slowly, so
	// that the program reads the key before the map is put back
	run("timeout 5 xdotool windowfocus --sync " + win + " type --delay 600 '\xC3\xA9'");
	ASSERT_TRUE(wait_for("name=[ab\xC3\xA9]"));
	// Home and Delete leave the text alone; Left steps over whole characters
	keys("Home Delete Left Left");
	type("X");
	ASSERT_TRUE(wait_for("name=[aXb\xC3\xA9]"));

	// Tab moves the keyboard to the next field, and back into one selects its text
	keys("Tab");
	type("zz");
	ASSERT_TRUE(wait_for("name=[aXb\xC3\xA9] note=[zz]"));
	keys("shift+Tab");
	type("Q");
	ASSERT_TRUE(wait_for("name=[Q] note=[zz]"));
	// cut from one field, paste over the other's text
	keys("shift+Left ctrl+x");
	ASSERT_TRUE(wait_for("name=[] note=[zz]"));
	keys("Tab ctrl+v");
	ASSERT_TRUE(wait_for("name=[] note=[Q]"));

	// the pop-up list opens under its field and a click on a row chooses it
	const auto closed = grab(300, 150, 50, 40);
	click(320, 156);
	EXPECT_GT(differing(closed, grab(300, 150, 50, 40)), 50) << "the pop-up does not show";
	click(320, 181);	// "Blue", two rows below the current one
	ASSERT_TRUE(wait_for("colour=2 "));
	click(320, 156);
	click(320, 145);	// "Green": the rows now sit with "Blue" level with the field
	ASSERT_TRUE(wait_for("colour=1 "));
	// a click beside an open pop-up closes it and leaves the choice
	const auto green = grab(300, 130, 50, 60);
	click(320, 156);
	EXPECT_GT(differing(green, grab(300, 130, 50, 60)), 50);
	click(30, 290);
	EXPECT_LT(differing(green, grab(300, 130, 50, 60)), 10) << "the pop-up stays open";
	EXPECT_NE(current().find("colour=1 "), std::string::npos);
}

TEST_F(WidgetDemo, FramesKeepComingWhileThePointerMovesEvery5ms)
{
	// a pointer moving every 5 ms over the panel for 8 s, as a fast mouse does
	const pid_t mouse = fork();
	ASSERT_GE(mouse, 0);
	if (mouse == 0) {
		prctl(PR_SET_PDEATHSIG, SIGKILL);
		const std::string script = VANTOR_SOURCE_DIR "/tests/support/pointer_stream.py";
		execlp("python3", "python3", script.c_str(), win.c_str(), "30", "150", "5", "8", (char*)nullptr);
		_exit(127);
	}
	std::this_thread::sleep_for(std::chrono::milliseconds(1000));	// the stream is running
	const long before = frames();
	std::this_thread::sleep_for(std::chrono::milliseconds(2000));
	const long during = frames();
	int st = 0;
	const bool still_moving = waitpid(mouse, &st, WNOHANG) == 0;
	waitpid(mouse, &st, 0);
	ASSERT_GE(before, 0);
	if (!still_moving) GTEST_SKIP() << "the pointer stream ended early (a very slow machine)";
	EXPECT_GE(during - before, 3) << "no frames were drawn while the pointer moved";
}

TEST_F(WidgetDemo, TwoHundredCharactersTyped5msApartAllArrive)
{
	std::string text;
	for (int i = 0; i < 200; ++i) text += "abcdefghijklmnopqrstuvwxyz0123456789"[i % 36];
	click(300, 256);	// the note field
	std::this_thread::sleep_for(std::chrono::milliseconds(200));
	run("timeout 60 xdotool windowfocus --sync " + win + " type --delay 5 '" + text + "'");
	EXPECT_TRUE(wait_for("note=[" + text + "]"));
}

TEST_F(WidgetDemo, FullFieldsRefuseWhatDoesNotFitAndOneLineFieldsStayOneLine)
{
	// "Hello Wörld ñ Ж 中" is 22 bytes in the 24-byte name field: X and Y fit,
	// Z is refused and nothing is cut off the end
	const std::string hello = "Hello W\xC3\xB6rld \xC3\xB1 \xD0\x96 \xE4\xB8\xAD";
	clipboard(hello);
	click(70, 256);
	std::this_thread::sleep_for(std::chrono::milliseconds(200));
	keys("ctrl+v");
	ASSERT_TRUE(wait_for("name=[" + hello + "]"));
	std::string lefts;
	for (int i = 0; i < 17; ++i) lefts += "Left ";	// to the start, a character at a time
	keys(lefts);
	type("XYZ");
	EXPECT_TRUE(wait_for("name=[XY" + hello + "]"));
	std::this_thread::sleep_for(std::chrono::milliseconds(200));
	EXPECT_NE(current().find("name=[XY" + hello + "]"), std::string::npos);

	// pasted lines and tabs keep a blank between their words
	clipboard("line1\nline2\tend");
	click(300, 256);	// the note field
	std::this_thread::sleep_for(std::chrono::milliseconds(200));
	keys("ctrl+v");
	ASSERT_TRUE(wait_for("note=[line1 line2 end]"));

	// a word far wider than the field stays on the field's one line, scrolled so
	// that its end and the caret show: the field is full of its letters
	clipboard(std::string(240, 'W'));
	keys("BackSpace BackSpace BackSpace ctrl+v");
	ASSERT_TRUE(wait_for("note=[line1 line2 " + std::string(240, 'W') + "]"));
	const auto field = grab(242, 250, 110, 10);
	ASSERT_EQ(field.size(), 110u * 10 * 3);
	EXPECT_GT(inked_columns(field, 110, 10), 55) << "the long word does not show on the field's line";
}

TEST_F(WidgetDemo, HoldingAScrollArrowKeepsStepping)
{
	// the down arrow of the scroll bar at (380, 60 .. 230), 10 units below its bottom
	run("xdotool windowraise " + win + " mousemove --window " + win + " 380 250 mousedown 1 sleep 1.5 mouseup 1");
	ASSERT_TRUE(wait_for("scroll="));
	const std::string s = current();
	const int scroll = atoi(s.c_str() + s.find("scroll=") + 7);
	EXPECT_GT(scroll, 2) << "holding the arrow stepped only once";
	EXPECT_LE(scroll, 100);
}
