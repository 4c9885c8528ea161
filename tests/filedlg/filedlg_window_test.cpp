// The file window in a real window: a host program opens it, xdotool answers it,
// and the log shows the path that came back.
#include "../files/files_support.h"
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

static void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The host's window is 800 by 600; dialogs are centred in it.
struct dialog_box {
	int w, h;
	int left() const { return (800 - w) / 2; }
	int bottom() const { return (600 - h) / 2; }
};
static const dialog_box kMain = {800, 600}, kOpen = {561, 474}, kSave = {330, 474};

struct FileWindow : ::testing::Test {
	std::string root, app, window;
	pid_t pid = -1;

	void SetUp() override
	{
		const char* d = getenv("DISPLAY");
		if (!d || !*d) GTEST_SKIP() << "needs a display (run under xvfb-run)";
		if (sh("command -v xdotool >/dev/null && command -v import >/dev/null") != 0)
			GTEST_SKIP() << "needs xdotool and ImageMagick";
		root = std::string(VANTOR_BINARY_DIR) + "/filedlg_test_tmp/" +
		       ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" + std::to_string(getpid()) + "/";
		app = root + "app/";
		ASSERT_EQ(sh("rm -rf '" + root + "' && mkdir -p '" + app + "' '" + root + "home' '" + root + "config' && ln -s '" +
		             VANTOR_BINARY_DIR "/Resources' '" + app + "Resources'"),
		          0);
	}
	void TearDown() override
	{
		if (pid > 0) {
			kill(pid, SIGKILL);
			waitpid(pid, nullptr, 0);
		}
		if (!root.empty() && !HasFailure()) sh("rm -rf '" + root + "'");
	}

	void start(const std::string& step)
	{
		ASSERT_EQ(sh("cp '" VANTOR_BINARY_DIR "/filedlg_host' '" + app + "'"), 0);
		const std::string exe = app + "filedlg_host", out = root + "stdout.txt";
		pid = fork();
		ASSERT_GE(pid, 0);
		if (pid == 0) {
			prctl(PR_SET_PDEATHSIG, SIGKILL);
			setenv("HOME", (root + "home").c_str(), 1);
			setenv("XDG_CONFIG_HOME", (root + "config").c_str(), 1);
			setenv("LANG", "C", 1);
			int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
			if (fd >= 0) {
				dup2(fd, 1);
				dup2(fd, 2);
			}
			execl(exe.c_str(), exe.c_str(), step.c_str(), "--lang=en", (char*)nullptr);
			_exit(127);
		}
		char buf[128] = {0};
		FILE* p = popen(("timeout 20 xdotool search --sync --pid " + std::to_string(pid) + " 2>/dev/null").c_str(), "r");
		if (p) {
			if (fscanf(p, "%127s", buf) != 1) buf[0] = 0;
			pclose(p);
		}
		window = buf;
		ASSERT_FALSE(window.empty()) << "no window came";
	}
	bool wait_exit(int seconds, int* status)
	{
		for (int i = 0; i < seconds * 20; ++i) {
			int st = 0;
			if (waitpid(pid, &st, WNOHANG) == pid) {
				pid = -1;
				*status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
				return true;
			}
			pause_ms(50);
		}
		return false;
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
		for (int i = 0; i < seconds * 20; ++i, pause_ms(50))
			if (log().find(text) != std::string::npos) return true;
		return false;
	}
	// Waits until a box of a dialog (its own units, y up) holds more than `ink`
	// pixels unlike its first one.
	bool wait_drawn(const dialog_box& d, int x, int y, int w, int h, int ink)
	{
		const std::string shot = root + "shot.rgb";
		char geo[64];
		snprintf(geo, sizeof geo, "%dx%d+%d+%d", w, h, d.left() + x, 600 - d.bottom() - y - h);
		for (int i = 0; i < 100; ++i, pause_ms(100)) {
			unlink(shot.c_str());
			sh("timeout 10 import -window " + window + " -crop " + geo + " -depth 8 rgb:'" + shot + "' 2>/dev/null");
			std::ifstream f(shot, std::ios::binary);
			std::vector<unsigned char> p((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
			int n = 0;
			for (size_t k = 3; k + 2 < p.size(); k += 3)
				n += abs(p[k] - p[0]) + abs(p[k + 1] - p[1]) + abs(p[k + 2] - p[2]) > 30;
			if (p.size() == (size_t)w * h * 3 && n > ink) return true;
		}
		return false;
	}
	void click(const dialog_box& d, int x, int y)
	{
		sh("timeout 10 xdotool windowraise " + window + " mousemove --window " + window + " " +
		   std::to_string(d.left() + x) + " " + std::to_string(600 - d.bottom() - y) + " click 1");
		pause_ms(300);
	}
	// Keys go in with the pointer resting outside every dialog.
	void keys(const std::string& what)
	{
		sh("timeout 10 xdotool windowraise " + window + " mousemove --window " + window + " 30 30 " + what);
		pause_ms(400);
	}
};

TEST_F(FileWindow, SaveGivesTheTypedNameTheKindsExtensionInTheDefaultFolder)
{
	ASSERT_EQ(sh("mkdir -p '" + app + "Output/FMS plans/old-plans' && touch '" + app + "Output/FMS plans/a.FMS'"), 0);
	start("save");
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_drawn(kSave, 10, 300, 290, 120, 20)) << "no Save window";
	keys("type --window " + window + " --delay 60 plann");
	keys("key --window " + window + " BackSpace");
	keys("type --window " + window + " --delay 60 .txt");
	keys("key --window " + window + " Return");
	ASSERT_TRUE(wait_log("host: save ", 30)) << log();
	EXPECT_NE(log().find("host: save 1 [Output/FMS plans/plan.FMS] window 0\n"), std::string::npos) << log();
	int status = -1;
	ASSERT_TRUE(wait_exit(20, &status));
	EXPECT_EQ(status, 0);
}

TEST_F(FileWindow, PickerOpensTheWindowWhichWalksFoldersNamedWithTheListsSeparators)
{
	// docs/ lists a.txt, b|x-y/, c.txt and starts on the middle one; in b|x-y/ the
	// middle one is m.txt
	ASSERT_EQ(sh("cd '" + app + "' && mkdir -p 'docs/b|x-y/deep' && touch docs/a.txt docs/c.txt 'docs/b|x-y/m.txt' "
	             "'docs/b|x-y/z.txt' 'docs/b|x-y/deep/f.txt'"),
	          0);
	start("picker");
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_drawn(kMain, 60, 290, 250, 26, 20)) << "no picker";
	click(kMain, 83, 303);	// the folder icon
	ASSERT_TRUE(wait_drawn(kOpen, 10, 300, 290, 120, 20)) << "no Open window";
	// from deep/ two levels up, then into b|x-y/ and its middle file
	keys("key --window " + window + " Delete");
	keys("key --window " + window + " Delete");
	keys("key --window " + window + " Return");
	keys("key --window " + window + " Return");
	ASSERT_TRUE(wait_log("host: picked ", 30)) << log();
	EXPECT_NE(log().find("host: picked [docs/b|x-y/m.txt] window 0\n"), std::string::npos) << log();
	// Escape leaves the path as it was
	ASSERT_TRUE(wait_drawn(kOpen, 10, 300, 290, 120, 20));
	keys("key --window " + window + " Escape");
	ASSERT_TRUE(wait_log("host: open ", 30)) << log();
	EXPECT_NE(log().find("host: open 0 [docs/b|x-y/m.txt]\n"), std::string::npos) << log();
	int status = -1;
	ASSERT_TRUE(wait_exit(20, &status));
	EXPECT_EQ(status, 0);
}
