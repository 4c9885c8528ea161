#include "PLAT_platform.h"
#include <SDL.h>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <limits.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

static bool display_present()
{
	const char* x = getenv("DISPLAY");
	const char* w = getenv("WAYLAND_DISPLAY");
	return (x && *x) || (w && *w);
}

void PLAT_standard_alert(const std::string& error_text, const std::string& explanation)
{
	if (display_present()) {
		std::string body = error_text + "\n\n" + explanation;
		if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Vantor Installer", body.c_str(), nullptr) == 0)
			return;
	}
	fprintf(stderr, "%s\n%s\n", error_text.c_str(), explanation.c_str());
	(void)fflush(stderr);	// the last place left to tell it
}

int PLAT_open_url(const std::string& url, std::string* why)
{
	const char* argv[] = {"xdg-open", url.c_str(), nullptr};
	pid_t pid;
	int err = posix_spawnp(&pid, "xdg-open", nullptr, nullptr, (char* const*)argv, environ);
	if (err != 0) {
		if (why) *why = err == ENOENT ? "xdg-open is not installed" : strerror(err);
		return 0;
	}
	// xdg-open may wait for the browser: a thread of its own waits for it, so
	// the frame goes on and no ended child is left unreaped.
	try {
		std::thread([pid] {
			int status;
			while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
		}).detach();
	} catch (const std::system_error&) {
		// no thread to spare: the child is reaped when the program ends
	}
	return 1;
}

// X11 has no system-wide double-click setting; half a second is the usual one.
int PLAT_double_click_ticks() { return 30; }

std::string PLAT_executable_folder()
{
	char buf[PATH_MAX + 1];
	ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
	if (n <= 0) return std::string();
	std::string p(buf, (size_t)n);
	size_t slash = p.rfind('/');
	return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}
