// The drawn alert window and the save-changes question in a real window: the
// shell's own host program and the installer raise them, xdotool answers them,
// screenshots show what was drawn and the log shows what came back.
#include <gtest/gtest.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using pixels = std::vector<unsigned char>;

// The first word a command prints.
static std::string first_word(const std::string& cmd)
{
	char buf[128] = {0};
	FILE* p = popen(cmd.c_str(), "r");
	if (!p) return "";
	int got = fscanf(p, "%127s", buf);
	pclose(p);
	return got == 1 ? buf : "";
}

static void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Pixels (of three bytes) that differ clearly between two grabs of one box.
static int differing(const pixels& a, const pixels& b)
{
	int n = 0;
	for (size_t i = 0; i + 2 < a.size() && i + 2 < b.size(); i += 3)
		n += abs(a[i] - b[i]) + abs(a[i + 1] - b[i + 1]) + abs(a[i + 2] - b[i + 2]) > 30;
	return n;
}

// Window placement: the program's window is 800 by 600 and dialogs are centred in it.
struct dialog_box {
	int w, h;
	int left() const { return (800 - w) / 2; }
	int bottom() const { return (600 - h) / 2; }
};
static const dialog_box kAdvise = {420, 250}, kQuestion = {300, 166};

struct AlertWindow : ::testing::Test {
	std::string root, app, window;
	pid_t pid = -1;
	int status = -1;

	void SetUp() override
	{
		const char* d = getenv("DISPLAY");
		if (!d || !*d) GTEST_SKIP() << "needs a display (run under xvfb-run)";
		if (system("command -v xdotool >/dev/null && command -v import >/dev/null") != 0)
			GTEST_SKIP() << "needs xdotool and ImageMagick";
		root = std::string(VANTOR_BINARY_DIR) + "/alert_test_tmp/" +
		       ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" + std::to_string(getpid()) + "/";
		app = root + "app/";
		// the resources one by one, so that a test can leave one out
		ASSERT_EQ(system(("rm -rf '" + root + "' && mkdir -p '" + app + "Resources' '" + root + "home' '" + root +
		                  "config' && for f in '" VANTOR_BINARY_DIR "'/Resources/*; do ln -s \"$f\" '" + app +
		                  "Resources/'; done").c_str()),
		          0);
	}
	void TearDown() override
	{
		if (pid > 0) {
			kill(pid, SIGKILL);
			waitpid(pid, nullptr, 0);
		}
		if (!root.empty() && !HasFailure()) system(("rm -rf '" + root + "'").c_str());
	}

	// Runs a copy of program (in the build folder) from the scratch folder: its
	// log and files land there. LANG=C names no interface language.
	void start(const std::string& program, const std::vector<std::string>& args)
	{
		ASSERT_EQ(system(("cp '" VANTOR_BINARY_DIR "/" + program + "' '" + app + "'").c_str()), 0);
		const std::string exe = app + program, out = root + "stdout.txt";
		pid = fork();
		ASSERT_GE(pid, 0);
		if (pid == 0) {
			prctl(PR_SET_PDEATHSIG, SIGKILL);	// never outlive a test that died
			setenv("HOME", (root + "home").c_str(), 1);
			setenv("XDG_CONFIG_HOME", (root + "config").c_str(), 1);
			for (const char* v : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) unsetenv(v);
			setenv("LANG", "C", 1);
			int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
			if (fd >= 0) {
				dup2(fd, 1);
				dup2(fd, 2);
			}
			std::vector<char*> argv{const_cast<char*>(exe.c_str())};
			for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
			argv.push_back(nullptr);
			execv(exe.c_str(), argv.data());
			_exit(127);
		}
		window = first_word("timeout 20 xdotool search --sync --pid " + std::to_string(pid) + " 2>/dev/null");
		ASSERT_FALSE(window.empty()) << "no window came";
	}

	bool running()
	{
		if (pid <= 0) return false;
		int st = 0;
		if (waitpid(pid, &st, WNOHANG) != pid) return true;
		status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
		pid = -1;
		return false;
	}
	bool wait_exit(int seconds)
	{
		for (int i = 0; i < seconds * 20 && running(); ++i) pause_ms(50);
		return !running();
	}

	std::string log()
	{
		std::ifstream f(app + "Vantor Installer Log.txt");
		std::stringstream s;
		s << f.rdbuf();
		return s.str();
	}
	bool wait_log(const std::string& text, double seconds)
	{
		for (int i = 0; i < seconds * 20; ++i) {
			if (log().find(text) != std::string::npos) return true;
			pause_ms(50);
		}
		return false;
	}

	// A box of the dialog in its own units (origin at its lower-left corner, y up).
	pixels grab(const dialog_box& d, int x, int y, int w, int h)
	{
		const std::string shot = root + "shot.rgb";
		char geo[64];
		snprintf(geo, sizeof geo, "%dx%d+%d+%d", w, h, d.left() + x, 600 - d.bottom() - y - h);
		unlink(shot.c_str());
		system(("timeout 10 import -window " + window + " -crop " + geo + " -depth 8 rgb:'" + shot + "' 2>/dev/null").c_str());
		std::ifstream f(shot, std::ios::binary);
		return pixels((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
	}
	// The text band of an alert line centred on y.
	pixels line_band(int y) { return grab(kAdvise, 20, y - 4, 380, 16); }
	// Waits until the box holds more than `ink` pixels unlike its first one.
	bool wait_drawn(const dialog_box& d, int x, int y, int w, int h, int ink)
	{
		for (int i = 0; i < 100; ++i) {
			pixels p = grab(d, x, y, w, h);
			int n = 0;
			for (size_t k = 3; k + 2 < p.size(); k += 3)
				n += abs(p[k] - p[0]) + abs(p[k + 1] - p[1]) + abs(p[k + 2] - p[2]) > 30;
			if (p.size() == (size_t)w * h * 3 && n > ink) return true;
			pause_ms(100);
		}
		return false;
	}

	void click(const dialog_box& d, int x, int y)
	{
		system(("timeout 10 xdotool windowraise " + window + " mousemove --window " + window + " " +
		        std::to_string(d.left() + x) + " " + std::to_string(600 - d.bottom() - y) + " click 1").c_str());
		pause_ms(200);
	}
	void press_return()
	{
		// the pointer rests outside every dialog while the key goes in
		system(("timeout 10 xdotool windowraise " + window + " mousemove --window " + window + " 30 30 key --window " +
		        window + " Return").c_str());
		pause_ms(200);
	}
	// Both title-bar corners, where other dialogs have their close boxes.
	void click_close_boxes(const dialog_box& d)
	{
		click(d, 8, d.h - 8);
		click(d, d.w - 8, d.h - 8);
	}
};

TEST_F(AlertWindow, ShowsItsLinesUntilReturnOrItsButtonAndTheCallerGoesOn)
{
	start("alert_host", {"alerts", "--lang=en"});
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_drawn(kAdvise, 150, 225, 120, 20, 20)) << "no title on the alert";
	ASSERT_TRUE(wait_drawn(kAdvise, 20, 201, 380, 16, 20)) << "no first line";
	const int ys[4] = {205, 165, 125, 85};
	pixels first[4];
	for (int i = 0; i < 4; ++i) first[i] = line_band(ys[i]);
	const pixels location = line_band(45);
	// the inset panel, between two lines and beside their text, is not the
	// window's background
	const pixels outside = grab(kAdvise, -150, 100, 40, 10), panel = grab(kAdvise, 30, 100, 40, 10);
	ASSERT_EQ(panel.size(), 40u * 10 * 3);
	EXPECT_GT(differing(outside, panel), 40 * 10 * 9 / 10) << "no panel drawn";

	// The corners of the title bar are no close boxes here; the lines are logged
	// only once the alert is answered.
	click_close_boxes(kAdvise);
	pause_ms(300);
	EXPECT_TRUE(running());
	EXPECT_EQ(log().find("Host alert line one"), std::string::npos);
	EXPECT_EQ(differing(first[1], line_band(ys[1])), 0) << "the alert changed without an answer";

	press_return();
	ASSERT_TRUE(wait_log("host: first alert answered, window 0, mouse restored", 30)) << log();
	std::string l = log();
	size_t at = l.find("\nHost alert line one\nHost alert line two\nHost alert line three\nHost alert line four\n(");
	ASSERT_NE(at, std::string::npos) << l;
	EXPECT_NE(l.find("alert_host.cpp line ", at), std::string::npos);
	EXPECT_LT(at, l.find("host: first alert answered"));

	// The second alert has one line: the other bands are empty now, and neither
	// alert drew the location line of a fatal one.
	bool changed = false;
	for (int i = 0; i < 150 && !changed; ++i, pause_ms(100)) changed = differing(first[1], line_band(ys[1])) > 20;
	ASSERT_TRUE(changed) << "the second alert's empty lines still show text";
	EXPECT_GT(differing(first[0], line_band(ys[0])), 20);
	EXPECT_GT(differing(first[2], line_band(ys[2])), 20);
	EXPECT_GT(differing(first[3], line_band(ys[3])), 20);
	EXPECT_EQ(differing(location, line_band(45)), 0);

	click(kAdvise, 210, 18);	// "Understood"
	ASSERT_TRUE(wait_log("host: second alert answered, window 0\n", 30)) << log();
	EXPECT_NE(log().find("\nHost second alert\n\n\n\n("), std::string::npos);
	ASSERT_TRUE(wait_exit(20));
	EXPECT_EQ(status, 0);
}

TEST_F(AlertWindow, QuestionAnswersWithTheButtonClicked)
{
	start("alert_host", {"question", "--lang=en"});
	if (HasFatalFailure()) return;
	const int cancel_x = kQuestion.w - 25, left_x = 25;

	ASSERT_TRUE(wait_drawn(kQuestion, 10, 116, 280, 20, 20)) << "no question text";
	click_close_boxes(kQuestion);
	pause_ms(300);
	EXPECT_EQ(log().find("host: question answer"), std::string::npos) << "a corner click answered the question";
	click(kQuestion, cancel_x, 25);
	ASSERT_TRUE(wait_log("host: question answer 3, window 0\n", 30)) << log();

	// Without Cancel its place is empty; "Don't Save" sits below "Save".
	pause_ms(300);
	click(kQuestion, cancel_x, 25);
	pause_ms(300);
	EXPECT_EQ(log().find("host: question answer 2"), std::string::npos);
	click(kQuestion, left_x, 25);
	ASSERT_TRUE(wait_log("host: question answer 2, window 0\n", 30)) << log();
	ASSERT_TRUE(wait_exit(20));
	EXPECT_EQ(status, 0);
}

TEST_F(AlertWindow, FatalAlertEndsTheProgramOnlyAfterItsButton)
{
	// the interface picture of the language is missing: a fatal alert, drawn
	// because the window is up by then
	ASSERT_EQ(unlink((app + "Resources/elements_English.png").c_str()), 0);
	start("vantor-installer", {"--lang=en"});
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_drawn(kAdvise, 20, 201, 380, 16, 20)) << "no alert";
	ASSERT_TRUE(wait_drawn(kAdvise, 20, 41, 380, 16, 20)) << "no location line";
	click_close_boxes(kAdvise);
	pause_ms(500);
	ASSERT_TRUE(running()) << "ended before the alert was answered";
	EXPECT_EQ(log().find("Trying to load a texture that you do not have!"), std::string::npos);

	click(kAdvise, 210, 18);
	ASSERT_TRUE(wait_exit(20)) << "still running after the fatal alert";
	EXPECT_EQ(status, 1);
	const std::string l = log();
	EXPECT_NE(l.find("\nTrying to load a texture that you do not have!\nThis smacks of a mis-installed copy of Vantor!\n"
	                 "Please get a new download from the Vantor web site. The missing file is:\n"
	                 "RESOURCE:elements_English.png\n("),
	          std::string::npos)
	    << l;
	EXPECT_EQ(access((app + "stack_crawl.txt").c_str(), F_OK), 0);
}

TEST_F(AlertWindow, LanguageChoiceTakesTheClickedLanguage)
{
	// No language named anywhere: start-up asks. French's picture is missing, so
	// the fatal alert that follows names the picture of the language chosen.
	ASSERT_EQ(unlink((app + "Resources/elements_French.png").c_str()), 0);
	start("vantor-installer", {});
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_drawn(kAdvise, 150, 176, 120, 16, 10)) << "no language buttons";
	const pixels english_title = grab(kAdvise, 100, 228, 220, 16);

	click(kAdvise, 185, 163);	// French, the second language
	press_return();	// "Accept"
	bool retitled = false;
	for (int i = 0; i < 150 && !retitled; ++i, pause_ms(100))
		retitled = differing(english_title, grab(kAdvise, 100, 228, 220, 16)) > 10;
	ASSERT_TRUE(retitled) << "the fatal alert did not come";
	EXPECT_TRUE(running());
	EXPECT_EQ(log().find("\n-\n-\n-\n-\n"), std::string::npos) << "the language choice was logged";

	press_return();
	ASSERT_TRUE(wait_exit(20));
	EXPECT_EQ(status, 1);
	EXPECT_NE(log().find("\nRESOURCE:elements_French.png\n("), std::string::npos) << log();
}

// The binding editor in the file window's frame (561 by 474), where the host
// draws it alone every frame.
struct KeyEditorWindow : AlertWindow {};
static const dialog_box kFileWindow = {561, 474};

TEST_F(KeyEditorWindow, ARowTakesTheKeyPressedAndAddAppendsARow)
{
	start("alert_host", {"bindings", "--lang=en"});
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_drawn(kFileWindow, 20, 380, 120, 40, 20)) << "no binding rows";
	const pixels unselected = grab(kFileWindow, 210, 150, 184, 90);

	click(kFileWindow, 78, 409);	// row 14 of 16
	bool shown = false;	// the selected command's name and description appear
	for (int i = 0; i < 30 && !shown; ++i, pause_ms(100))
		shown = differing(unselected, grab(kFileWindow, 210, 150, 184, 90)) > 50;
	EXPECT_TRUE(shown) << "selecting a row showed no command";
	// xdotool lets Shift go before the letter, as hands often do
	system(("timeout 10 xdotool key --window " + window + " shift+k").c_str());
	pause_ms(300);
	click(kFileWindow, 302, 105);	// "Add New Key Assignment"
	pause_ms(300);
	kill(pid, SIGTERM);	// the quit command
	ASSERT_TRUE(wait_exit(20));
	EXPECT_EQ(status, 0);
	const std::string l = log();
	EXPECT_NE(l.find("host: 17 bindings\n"), std::string::npos) << l;
	EXPECT_NE(l.find("host: binding 14 SHIFT K\n"), std::string::npos) << l;
	EXPECT_NE(l.find("host: binding 13 <none> <NONE>\n"), std::string::npos) << l;
	EXPECT_NE(l.find("host: binding 16 <none> <NONE>\n"), std::string::npos) << l;
}
