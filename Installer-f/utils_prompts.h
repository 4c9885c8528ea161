#ifndef UTILS_PROMPTS_H
#define UTILS_PROMPTS_H
// The two modal prompts through which the engine and the wizard ask the user.
// The wizard draws them; the engine only calls them.
#include <string>

// Answers of select_alert.
enum {
	select_act      = 1,	// delete or overwrite this file
	select_keep     = 2,
	select_cancel   = 3,	// cancel the whole installation (also: window closed)
	select_act_dir  = 4,	// act on every changed file of this folder
	select_keep_dir = 5
};

// is_delete 1 asks about a file the release dropped, 0 about one it would overwrite.
int select_alert(std::string path, int is_delete);
// 1 first button, 0 second, 3 window closed.
int abort_alert(std::string message, std::string label1, std::string line1, std::string label2,
                std::string line2);

#endif
