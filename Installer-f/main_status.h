#ifndef MAIN_STATUS_H
#define MAIN_STATUS_H
// Sizes, counts, durations and rates in the user's language, and the
// disk-space panel. Sizes are kilobytes of 1000 bytes.
#include <cstdint>
#include <string>

std::string size_string(float kb);
std::string int_str(int n);
std::string flt_str(const char* format, float value);
// A duration; `genitive` when the sentence puts it after a preposition that
// governs the genitive (the Russian "about ... left").
std::string time_str(float seconds, int genitive = 0);
std::string rate_str(float kb_per_second);

// A name or path as a screen's text shows it: on one line of `width` units
// (the text's wrap width), its end kept behind "..." when it is longer, so a
// long name keeps a sentence to a line or two more and inside its panel.
std::string wizard_shown_name(const std::string& name, float width);

// The nearest folder of a path that exists (the path itself when it does),
// so a destination not created yet is asked about on its volume.
std::string wizard_existing_folder(const std::string& path);
// The disk-space text for dest_dir_path; returns -1 when the volume cannot be
// asked (no text), 1 when the install fits (free space equal to the need is
// enough), 0 when it does not.
int wizard_disk_space_text(const std::string& enough_text, const std::string& short_text, std::string& text);
// Draws that text; 1 when the install fits or the volume cannot be asked.
int UTIL_disk_space(const std::string& enough_text, const std::string& short_text);

// One frame of a web install's bar, 0..1: the share done of the whole (the
// run's working seconds behind it of those behind and ahead), eased in over
// a fifth of a second, never below the bar of the frame before; safe for a zero total.
float wizard_install_bar(float bar, float done, float whole, float frame_seconds);

#endif
