#ifndef PLAT_PLATFORM_H
#define PLAT_PLATFORM_H
// The Linux stand-in for the platform services the framework was written against.
#include <string>

// The platform's standard alert: a message box when a display exists, else the
// two texts on stderr. Blocks until the box is closed.
void PLAT_standard_alert(const std::string& error_text, const std::string& explanation);
// Starts the user's browser (xdg-open) on a web address and returns at once;
// the browser's starter is reaped when it ends. 0 with the reason in *why
// when it could not be started.
int  PLAT_open_url(const std::string& url, std::string* why);
// The double-click interval in 60ths of a second.
int  PLAT_double_click_ticks();
// The folder that holds the running executable, ending in "/"; empty if unknown.
std::string PLAT_executable_folder();

#endif
