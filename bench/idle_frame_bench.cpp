// CPU share of the installer while it sits idle on its first screen: the
// frame loop waits on events, so an idle window should cost little.
// Usage: idle_frame_bench [seconds=60] [program=<build>/vantor-installer]
// (needs a display, e.g. under xvfb-run).
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

static double cpu_seconds(pid_t pid)
{
	std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
	std::string line;
	std::getline(f, line);
	size_t close = line.rfind(')');
	if (close == std::string::npos) return -1;
	std::istringstream s(line.substr(close + 2));
	std::string field;
	unsigned long long utime = 0, stime = 0;
	for (int i = 3; i <= 15 && s >> field; ++i) {
		if (i == 14) utime = std::stoull(field);
		if (i == 15) stime = std::stoull(field);
	}
	return (double)(utime + stime) / (double)sysconf(_SC_CLK_TCK);
}

int main(int argc, char** argv)
{
	const int seconds = argc > 1 ? atoi(argv[1]) : 60;
	std::string exe = argc > 2 ? argv[2] : std::string(VANTOR_BINARY_DIR_BENCH) + "/vantor-installer";
	pid_t pid = fork();
	if (pid == 0) {
		execl(exe.c_str(), exe.c_str(), "--fps_test", "--lang=en", (char*)nullptr);
		_exit(127);
	}
	std::this_thread::sleep_for(std::chrono::seconds(3));	// past start-up
	const double c0 = cpu_seconds(pid);
	const auto t0 = std::chrono::steady_clock::now();
	std::this_thread::sleep_for(std::chrono::seconds(seconds));
	const double c1 = cpu_seconds(pid);
	const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
	kill(pid, SIGTERM);
	int st = 0;
	waitpid(pid, &st, 0);
	if (c0 < 0 || c1 < 0) {
		fprintf(stderr, "the program did not run\n");
		return 1;
	}
	printf("idle for %.1f s: %.2f s of CPU, %.2f%% of one core; exit status %d\n", wall, c1 - c0,
	       100.0 * (c1 - c0) / wall, WIFEXITED(st) ? WEXITSTATUS(st) : -1);
	return 0;
}
