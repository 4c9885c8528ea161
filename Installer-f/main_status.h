#ifndef MAIN_STATUS_H
#define MAIN_STATUS_H
// Sizes, counts, durations and rates in the user's language, and the
// disk-space panel. Sizes are kilobytes of 1000 bytes.
#include <cstdint>
#include <string>

std::string size_string(float kb);
std::string int_str(int n);
std::string flt_str(const char* format, float value);
std::string time_str(float seconds);
std::string rate_str(float kb_per_second);

// The nearest folder of a path that exists (the path itself when it does),
// so a destination not created yet is asked about on its volume.
std::string UTIL_existing_folder(const std::string& path);
// The disk-space text for dest_dir_path; returns -1 when the volume cannot be
// asked (no text), 1 when the install fits (free space equal to the need is
// enough), 0 when it does not.
int UTIL_disk_space_text(const std::string& enough_text, const std::string& short_text, std::string& text);
// Draws that text; 1 when the install fits or the volume cannot be asked.
int UTIL_disk_space(const std::string& enough_text, const std::string& short_text);

// The time-left estimate of a web install, safe for a zero rate.
float UTIL_seconds_left(float kb_total, float kb_done, float seconds_running);
// The share of the install done, 0..1, safe for a zero total.
float UTIL_install_ratio(float kb_installed, float kb_total);

#endif
