#ifndef X_WINDOW_H
#define X_WINDOW_H
// Finds a program's window on the test display. xdotool's search walks every
// window of the display and dies on the first one that vanishes under it (an X
// error ends it at once, printing nothing), and other tests' windows come and go
// all the time: the search is asked again until it answers or the time is up.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

// How long a window test waits for its program's window: found at once on a
// quiet machine, it took more than 15 s in one run on a machine at load 27.
static const double x_window_wait = 60;

// The time a wait for what must come (a screen, a log line) is given: such a
// wait only bounds a hang and never measures speed, and a loaded machine starves
// a program's frames for many seconds, so it is never shorter than a window's
// own wait. Waits under 5 s look for what must not come and stay as asked.
inline double x_bound(double seconds)
{
	return seconds < 5 || seconds >= x_window_wait ? seconds : x_window_wait;
}

// Whether process `pid` still runs (a child that ended and was not yet waited
// for is no longer running).
inline bool x_process_runs(int pid)
{
	char path[64];
	snprintf(path, sizeof path, "/proc/%d/stat", pid);
	FILE* f = fopen(path, "r");
	if (!f) return false;
	char line[512] = "";
	const bool got = fgets(line, sizeof line, f) != nullptr;
	fclose(f);
	const char* after_name = got ? strrchr(line, ')') : nullptr;
	return after_name && after_name[1] == ' ' && after_name[2] != 'Z' && after_name[2] != 'X';
}

// The window id of process `pid` (any pid when 0) whose name matches `name` (a
// regular expression; any name when empty); empty if none came within `seconds`,
// and then `why` (when given) tells how the searches ended.
inline std::string x_window_of(int pid, const std::string& name, double seconds, std::string* why = nullptr)
{
	// --all: by default the search takes a window that meets any one condition,
	// so another program's window of the same name would do
	std::string cmd = "timeout 30 xdotool search --all";
	if (pid > 0) cmd += " --pid " + std::to_string(pid);
	if (!name.empty()) cmd += " --name '" + name + "'";
	cmd += " 2>&1";
	const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
	int searches = 0, status = 0;
	std::string said;
	for (;;) {
		++searches;
		said.clear();
		if (FILE* p = popen(cmd.c_str(), "r")) {
			char buf[256];
			std::string found;
			while (fgets(buf, sizeof buf, p)) {
				std::string line(buf);
				while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
				// a window id is a line of digits; anything else is what went wrong
				if (found.empty() && !line.empty() && line.find_first_not_of("0123456789") == std::string::npos)
					found = line;
				else if (said.size() < 1024)
					said += line + "\n";
			}
			status = pclose(p);
			if (!found.empty()) return found;
		}
		if (pid > 0 && !x_process_runs(pid)) {
			said = "the program ended before its window came\n";
			break;
		}
		if (std::chrono::steady_clock::now() >= until) break;
		std::this_thread::sleep_for(std::chrono::milliseconds(100));
	}
	if (why)
		*why = std::to_string(searches) + " searches; the last ended with status " + std::to_string(status) +
		       (said.empty() ? std::string(", saying nothing") : ", saying: " + said);
	return "";
}

#endif
