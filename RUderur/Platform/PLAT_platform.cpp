#include "PLAT_platform.h"
#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

void PLAT_standard_alert(const std::string& error_text, const std::string& explanation)
{
	fprintf(stderr, "%s\n%s\n", error_text.c_str(), explanation.c_str());
	const char* display = getenv("DISPLAY");
	if (display && *display) {
		std::string body = error_text + "\n\n" + explanation;
		SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Vantor Installer", body.c_str(), nullptr);
	}
}

void PLAT_open_url(const std::string& url)
{
	const char* argv[] = {"xdg-open", url.c_str(), nullptr};
	pid_t pid;
	if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, (char* const*)argv, environ) != 0) return;
	int status;
	waitpid(pid, &status, 0);
}
