#ifndef MAIN_PROMPTS_H
#define MAIN_PROMPTS_H
// The install engine's two questions, each a modal window of its own; the
// entry point hands them to the engine through UTIL_prompt_hooks.
#include "utils_prompts.h"
#include <string>

// is_delete 1 asks about a file the release dropped, 0 about one it would overwrite.
int select_alert(std::string path, int is_delete);
// 1 first button, 0 second, abort_closed when the window closed.
int abort_alert(std::string message, std::string label1, std::string line1, std::string label2,
                std::string line2);

// The English texts of select_alert: heading, question, then the buttons act,
// keep, act-for-directory, keep-for-directory, cancel.
struct select_alert_texts {
	const char* heading;
	const char* question;
	const char* buttons[5];
};
const select_alert_texts& select_alert_words(int is_delete);

// The buttons of select_alert in the order they are tested, with their answers.
struct select_alert_button { float x, y, width; int answer; };
// Buttons sized to their captions' widths (caption_w, in the order above)
// between x left and right: two rows in three columns, or, when the three
// columns are too wide, cancel in a third row below the other four.
void select_alert_layout(const float caption_w[5], float left, float right, select_alert_button out[5]);


// One pass of each prompt's window, drawn into the current window: the answer
// of the button clicked, else 0 (select_alert_pass) or -1 (abort_alert_pass).
int select_alert_pass(const std::string& path, int is_delete);
int abort_alert_pass(const std::string& message, const std::string& label1, const std::string& line1,
                     const std::string& label2, const std::string& line2);

#endif
