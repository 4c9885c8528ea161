#ifndef MAIN_PROMPTS_H
#define MAIN_PROMPTS_H
// The install engine's two questions, each a modal window of its own.
#include <string>

enum { select_act = 1, select_keep = 2, select_cancel = 3, select_act_dir = 4, select_keep_dir = 5 };

// What to do with a file the user changed: is_delete 1 when the release no
// longer has it, 0 when a newer version would overwrite it.
int select_alert(std::string path, int is_delete);
// A message and two buttons with a line beside each: 1 first, 0 second, 3 closed.
int abort_alert(std::string message, std::string label1, std::string line1, std::string label2, std::string line2);

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
extern const select_alert_button select_alert_buttons[5];

#endif
