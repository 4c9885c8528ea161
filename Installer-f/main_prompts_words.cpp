#include "main_prompts.h"

static const select_alert_texts delete_words = {
	"I am about to DELETE:",
	"because we no longer use this file, but it appears you have modified it. What to do?",
	{"DELETE THE OLD FILE", "KEEP THE OLD FILE", "DELETE EVERY OLD FILE IN THIS DIRECTORY",
	 "KEEP EVERY OLD FILE IN THIS DIRECTORY", "CANCEL THE WHOLE INSTALLATION!"}};

static const select_alert_texts install_words = {
	"I am about to install:",
	"but it appears you have modified this file. What to do?",
	{"OVERWRITE THE OLD FILE", "KEEP THE OLD FILE", "OVERWRITE EVERY OLD FILE IN THIS DIRECTORY",
	 "KEEP EVERY OLD FILE IN THIS DIRECTORY", "CANCEL THE WHOLE INSTALLATION!"}};

const select_alert_texts& select_alert_words(int is_delete) { return is_delete ? delete_words : install_words; }

const select_alert_button select_alert_buttons[5] = {
	{108, 53, 185, select_act},
	{108, 28, 185, select_keep},
	{345, 53, 285, select_act_dir},
	{345, 28, 285, select_keep_dir},
	{621, 28, 225, select_cancel},
};
