#ifndef X_WINDOW_H
#define X_WINDOW_H
// Finds a program's window on the test display. xdotool's search walks every
// window of the display and dies on the first one that vanishes under it (an X
// error ends it at once, printing nothing), and other tests' windows come and go
// all the time: the search is asked again until it answers or the time is up.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

// The window id of process `pid` (any pid when 0) whose name matches `name` (a
// regular expression; any name when empty); empty if none came within `seconds`.
inline std::string x_window_of(int pid, const std::string& name, double seconds)
{
	// --all: by default the search takes a window that meets any one condition,
	// so another program's window of the same name would do
	std::string cmd = "timeout 10 xdotool search --all";
	if (pid > 0) cmd += " --pid " + std::to_string(pid);
	if (!name.empty()) cmd += " --name '" + name + "'";
	cmd += " 2>/dev/null";
	const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
	for (;;) {
		char buf[64] = {0};
		if (FILE* p = popen(cmd.c_str(), "r")) {
			const int got = fscanf(p, "%63s", buf);
			pclose(p);
			if (got == 1) return buf;
		}
		if (std::chrono::steady_clock::now() >= until) return "";
		std::this_thread::sleep_for(std::chrono::milliseconds(100));
	}
}

#endif
