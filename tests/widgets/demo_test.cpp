// The widget demo in a real window: xdotool clicks it and types into it; the values
// it writes and screenshots show what each click and key did.
#include <gtest/gtest.h>
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

	void SetUp() override
	{
		const char* d = getenv("DISPLAY");
		if (!d || !*d) GTEST_SKIP() << "no display";
		const std::string base = std::string(VANTOR_BINARY_DIR) + "/widget_demo_test_" + std::to_string(getpid());
		values = base + ".txt";
		shot = base + ".rgb";
		unlink(values.c_str());
		const std::string bin = std::string(VANTOR_BINARY_DIR) + "/widget_demo";
		pid = fork();
		if (pid == 0) {
			prctl(PR_SET_PDEATHSIG, SIGKILL);	// never outlive a test that died
			execl(bin.c_str(), bin.c_str(), values.c_str(), (char*)nullptr);
			_exit(127);
		}
		ASSERT_GT(pid, 0);
		win = run("timeout 10 xdotool search --sync --name '^widget demo$' | head -1");
		ASSERT_FALSE(win.empty());
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
		for (int i = 0; i < 100; ++i) {
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
	type("\xC3\xA9");
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
