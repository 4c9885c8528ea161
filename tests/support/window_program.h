#ifndef WINDOW_PROGRAM_H
#define WINDOW_PROGRAM_H
// Runs one of the build's programs in a real window from a scratch folder of its
// own and drives it by hand (xdotool); screenshots (ImageMagick) show what it drew
// and its log shows what came back. Header-only: include "../support/window_program.h".
#include <gtest/gtest.h>
#include "program_env.h"
#include "x_window.h"
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

inline void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The first word a command prints.
inline std::string first_word(const std::string& cmd)
{
	char buf[128] = {0};
	FILE* p = popen(cmd.c_str(), "r");
	if (!p) return "";
	int got = fscanf(p, "%127s", buf);
	pclose(p);
	return got == 1 ? buf : "";
}

// Pixels (of three bytes) that differ clearly between two grabs of one box.
inline int differing(const pixels& a, const pixels& b)
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

struct window_program : ::testing::Test {
	std::string root, app, window;
	pid_t pid = -1;
	int status = -1;

	// `tag` names the scratch folder under the build tree.
	void set_up(const std::string& tag)
	{
		const char* d = getenv("DISPLAY");
		if (!d || !*d) GTEST_SKIP() << "needs a display (run under xvfb-run)";
		if (system("command -v xdotool >/dev/null && command -v import >/dev/null") != 0)
			GTEST_SKIP() << "needs xdotool and ImageMagick";
		root = std::string(VANTOR_BINARY_DIR) + "/" + tag + "/" +
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
		run(app + program, args);
		if (HasFatalFailure()) return;
		std::string why;
		window = x_window_of(pid, "", x_window_wait, &why);
		if (window.empty()) {
			std::ifstream said(root + "stdout.txt");
			std::stringstream text;
			text << said.rdbuf();
			FAIL() << "no window came: " << why << "the program printed: " << text.str();
		}
	}
	// The system's language setting for the program (LANG).
	std::string lang = "C";
	// Runs the program file `exe` where it lies, with the scratch folder's home;
	// start() also waits for its window.
	void run(const std::string& exe, const std::vector<std::string>& args)
	{
		const std::string out = root + "stdout.txt";
		pid = fork();
		ASSERT_GE(pid, 0);
		if (pid == 0) {
			prctl(PR_SET_PDEATHSIG, SIGKILL);	// never outlive a test that died
			setenv("HOME", (root + "home").c_str(), 1);
			setenv("XDG_CONFIG_HOME", (root + "config").c_str(), 1);
			for (const char* v : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) unsetenv(v);
			setenv("LANG", lang.c_str(), 1);
			int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
			if (fd >= 0) {
				dup2(fd, 1);
				dup2(fd, 2);
			}
			std::vector<char*> argv{const_cast<char*>(exe.c_str())};
			for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
			argv.push_back(nullptr);
			TS_program_env();
			execv(exe.c_str(), argv.data());
			_exit(127);
		}
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
		for (int i = 0; i < x_bound(seconds) * 20; ++i) {
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
	// Waits until the box holds more than `ink` pixels unlike its first one.
	bool wait_drawn(const dialog_box& d, int x, int y, int w, int h, int ink)
	{
		// what must come is waited for as long as on a busy machine it may take
		auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(x_window_wait);
		do {
			pixels p = grab(d, x, y, w, h);
			int n = 0;
			for (size_t k = 3; k + 2 < p.size(); k += 3)
				n += abs(p[k] - p[0]) + abs(p[k + 1] - p[1]) + abs(p[k + 2] - p[2]) > 30;
			if (p.size() == (size_t)w * h * 3 && n > ink) return true;
			pause_ms(100);
		} while (std::chrono::steady_clock::now() < end);
		return false;
	}

	void click(const dialog_box& d, int x, int y)
	{
		system(("timeout 10 xdotool windowraise " + window + " mousemove --window " + window + " " +
		        std::to_string(d.left() + x) + " " + std::to_string(600 - d.bottom() - y) + " click 1").c_str());
		pause_ms(200);
	}
	// xdotool commands (key, type) with the pointer resting outside every dialog.
	void keys(const std::string& what)
	{
		system(("timeout 10 xdotool windowraise " + window + " mousemove --window " + window + " 30 30 " + what).c_str());
		pause_ms(200);
	}
};

#endif
