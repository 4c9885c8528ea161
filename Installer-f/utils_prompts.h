#ifndef UTILS_PROMPTS_H
#define UTILS_PROMPTS_H
// The two modal prompts through which the engine asks the user. The wizard
// draws them and fills UTIL_prompt_hooks at start-up; the engine only calls.
#include <string>

// Answers of select_alert.
enum {
	select_act      = 1,	// delete or overwrite this file
	select_keep     = 2,
	select_cancel   = 3,	// cancel the whole installation (also: window closed)
	select_act_dir  = 4,	// act on every changed file of this folder
	select_keep_dir = 5
};

enum { abort_closed = 3 };	// abort_alert's answer when its window closed

struct UTIL_prompt_hooks_t {
	// is_delete 1 asks about a file the release dropped, 0 about one it would overwrite.
	int (*select_alert)(std::string path, int is_delete);
	// 1 first button, 0 second, abort_closed when the window closed.
	int (*abort_alert)(std::string message, std::string label1, std::string line1, std::string label2,
	                   std::string line2);
};
extern UTIL_prompt_hooks_t UTIL_prompt_hooks;

// select_alert as the engine calls it: with no hook set the answer is
// select_cancel, so nothing the user changed is touched unasked.
int UTIL_ask_select(const std::string& path, int is_delete);

#endif
