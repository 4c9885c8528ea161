#ifndef WIZARD_PROGRAM_H
#define WIZARD_PROGRAM_H
// The real program in a window of its own, driven with xdotool, and what the
// window tests read back: its log, the files it wrote.
#include "wizard_support.h"
#include "../support/program_env.h"
#include "../support/x_window.h"
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <sstream>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

static const char* const kRelease = "Vantor 9.21rc2";
static const char* const kSite = "www.tarrowfield.example";

// Where the bottom-row buttons of the English pictures are.
static const float kNextX = 720, kQuitNextX = 742, kBackX = 595, kRowY = 23;

struct wz_program {
	pid_t       pid = -1;
	std::string program = "vantor-installer";	// a program of the build folder
	std::string app, log, window;
	int         status = -1;
	long long   file_size_limit = 0;	// when set: the kernel ends the program (SIGXFSZ) on a larger write

	~wz_program()
	{
		if (pid > 0) {
			kill(pid, SIGKILL);
			waitpid(pid, nullptr, 0);
		}
	}

	bool start(const std::string& root, const std::vector<std::string>& args)
	{
		app = root + "app/";
		wz_sh("mkdir -p '" + app + "' '" + root + "home/Desktop' '" + root + "config' '" + root + "tmp' '" + root + "bin'");
		if (wz_sh("cp '" VANTOR_BINARY_DIR "/" + program + "' '" + app + "' && ln -sfn '" VANTOR_BINARY_DIR
		          "/Resources' '" + app + "Resources'") != 0)
			return false;
		// the browser: a stand-in that notes the address it was asked to open
		wz_write(root + "bin/xdg-open", "#!/bin/sh\necho \"$1\" >> '" + root + "opened.txt'\n");
		wz_sh("chmod +x '" + root + "bin/xdg-open'");
		log = app + "Vantor Installer Log.txt";
		pid = fork();
		if (pid == 0) {
			prctl(PR_SET_PDEATHSIG, SIGKILL);	// never outlive a test that died
			if (file_size_limit > 0) {
				struct rlimit fs = {(rlim_t)file_size_limit, (rlim_t)file_size_limit}, core = {0, 0};
				setrlimit(RLIMIT_FSIZE, &fs);
				setrlimit(RLIMIT_CORE, &core);
			}
			setenv("HOME", (root + "home").c_str(), 1);
			setenv("XDG_CONFIG_HOME", (root + "config").c_str(), 1);
			setenv("TMPDIR", (root + "tmp").c_str(), 1);
			std::string path = root + "bin:" + (getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin");
			setenv("PATH", path.c_str(), 1);
			if (chdir(app.c_str()) != 0) _exit(126);
			std::vector<std::string> all = {app + program};
			all.insert(all.end(), args.begin(), args.end());
			std::vector<char*> argv;
			for (auto& a : all) argv.push_back(const_cast<char*>(a.c_str()));
			argv.push_back(nullptr);
			int fd = open((root + "stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
			if (fd >= 0) {
				dup2(fd, 1);
				dup2(fd, 2);
			}
			TS_program_env();
			execv(argv[0], argv.data());
			_exit(127);
		}
		return pid > 0;
	}

	bool running()
	{
		if (pid <= 0) return false;
		int st;
		if (waitpid(pid, &st, WNOHANG) == pid) {
			status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
			pid = -1;
			return false;
		}
		return true;
	}

	std::string log_text() { return wz_read(log); }

	// Waits until the log holds `text` (after `from` bytes); false on time-out or exit.
	bool wait_log(const std::string& text, double seconds, size_t from = 0)
	{
		auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(x_bound(seconds));
		while (std::chrono::steady_clock::now() < until) {
			std::string l = log_text();
			if (l.size() > from && l.find(text, from) != std::string::npos) return true;
			if (!running()) return false;
			std::this_thread::sleep_for(std::chrono::milliseconds(50));
		}
		return false;
	}

	// Next, and `screen` comes (or the program has ended) within `seconds`.
	bool next_until(const std::string& screen, double seconds = 10, size_t from = 0)
	{
		click(kNextX, kRowY);
		return wait_log("Wizard screen: " + screen, seconds, from) || !running();
	}

	bool wait_exit(double seconds)
	{
		auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
		while (std::chrono::steady_clock::now() < until) {
			if (!running()) return true;
			std::this_thread::sleep_for(std::chrono::milliseconds(50));
		}
		return false;
	}

	std::string window_why;	// how the searches ended when no window was found
	bool find_window()
	{
		if (window.empty()) window = x_window_of(pid, "", x_window_wait, &window_why);
		return !window.empty();
	}

	// A click at logical (x, y) of the 800 by 600 window, y upwards.
	void click(float x, float y)
	{
		std::string at = std::to_string((int)x) + " " + std::to_string(600 - (int)y);
		wz_sh("xdotool mousemove --window " + window + " " + at + " sleep 0.15 mousedown 1 sleep 0.1 mouseup 1");
		std::this_thread::sleep_for(std::chrono::milliseconds(150));
	}

	// The window's pixels, RGB rows from the top; empty when the grab failed.
	std::vector<unsigned char> screenshot()
	{
		std::string file = app + "shot.rgb";
		unlink(file.c_str());
		wz_sh("timeout 10 xdotool windowraise " + window + " >/dev/null 2>&1; timeout 10 import -window " + window +
		      " -depth 8 rgb:'" + file + "' 2>/dev/null");
		std::string data = wz_read(file);
		return std::vector<unsigned char>(data.begin(), data.end());
	}
};

// The release made under root + "rel/" as one tree, root + "web/", of the
// site's and the mirrors' files, for the fault server to serve as the one
// proxy the program is told to use; `copy` is registered as the installed copy.
// The tree's folder, or "" when it could not be made.
inline std::string wz_fault_web_files(const std::string& root, const std::string& copy)
{
	const std::string web = root + "web/";
	if (wz_sh("mkdir -p '" + web + "' '" + root + "config' && cp -a '" + root + "rel/site/.' '" + root + "rel/mirror/.' '" + web +
	          "'") != 0)
		return "";
	wz_write(root + "config/vantor_install.txt", copy + "\n");
	return web;
}

// The web updater on `copy`, through the proxy at `proxy` (port 80), at the
// server check.
inline void wz_update_to_check(wz_program& p, const std::string& root, const std::string& copy, const std::string& proxy)
{
	p.program = "vantor-web-updater";
	ASSERT_TRUE(p.start(root, {"-path", copy, "--fps_test", "--lang=en", "--pref:_proxy_host=" + proxy,
	                           "--pref:_proxy_port_int=80", "--pref:_log_actions=1"}));
	ASSERT_TRUE(p.wait_log("Wizard screen: Vantor 9 Web Updater", 30)) << p.log_text();
	ASSERT_TRUE(p.find_window()) << p.window_why;
	ASSERT_TRUE(p.next_until("Search for Updates")) << p.log_text();
}

// The web updater from its first screen to the install, as a user updating
// `copy` with the site and proxy at `proxy` (port 80).
inline void wz_update_to_install(wz_program& p, const std::string& root, const std::string& copy, const std::string& proxy)
{
	wz_update_to_check(p, root, copy, proxy);
	if (::testing::Test::HasFatalFailure()) return;
	ASSERT_TRUE(p.wait_log("Wizard screen: Check Disk Space", 60)) << p.log_text();
	ASSERT_TRUE(p.next_until("Installing")) << p.log_text();
}

inline std::string md5_of(const std::string& path)
{
	std::string got;
	FILE* m = popen(("md5sum '" + path + "' 2>/dev/null").c_str(), "r");
	char buf[64] = {0};
	if (m) {
		if (fgets(buf, 33, m)) got = buf;
		pclose(m);
	}
	return got;
}

// The release's Linux files: local path and MD5.
inline std::map<std::string, std::string> manifest_of(const std::string& path)
{
	std::map<std::string, std::string> out;
	std::istringstream in(wz_read(path));
	std::string line;
	while (std::getline(in, line)) {
		size_t tab = line.find('\t');
		if (tab != std::string::npos) out[line.substr(0, tab)] = line.substr(tab + 1);
	}
	return out;
}

inline std::vector<std::string> screen_titles(const std::string& log)
{
	std::vector<std::string> out;
	std::istringstream in(log);
	std::string line;
	while (std::getline(in, line))
		if (line.compare(0, 15, "Wizard screen: ") == 0) out.push_back(line.substr(15));
	return out;
}

#endif
