#ifndef PLAT_PLATFORM_H
#define PLAT_PLATFORM_H
// The Linux stand-in for the platform services the framework was written against.
#include <string>

// The platform's standard alert: a message box when a display exists, else stderr.
void PLAT_standard_alert(const std::string& error_text, const std::string& explanation);
// Opens a web address in the user's browser (xdg-open); silent on failure.
void PLAT_open_url(const std::string& url);

#endif
