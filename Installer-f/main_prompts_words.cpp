#include "main_prompts.h"
#include <algorithm>

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

// Room a caption leaves at each end of its button, and between buttons.
static const float caption_pad = 21, button_gap = 8, row_pitch = 25;

void select_alert_layout(const float caption_w[5], float left, float right, select_alert_button out[5])
{
	// columns: this file (act, keep), the directory (both), cancel
	float col[3] = {std::max(caption_w[0], caption_w[1]) + caption_pad,
	                std::max(caption_w[2], caption_w[3]) + caption_pad, caption_w[4] + caption_pad};
	const bool one_band = col[0] + col[1] + col[2] + 2 * button_gap <= right - left;
	const float low = 28, high = one_band ? low + row_pitch : low + 2 * row_pitch;
	const float x0 = left + col[0] / 2, x1 = left + col[0] + button_gap + col[1] / 2;
	out[0] = {x0, high, col[0], select_act};
	out[1] = {x0, high - row_pitch, col[0], select_keep};
	out[2] = {x1, high, col[1], select_act_dir};
	out[3] = {x1, high - row_pitch, col[1], select_keep_dir};
	// a cancel that does not fit beside them gets a row of its own
	out[4] = {one_band ? left + col[0] + col[1] + 2 * button_gap + col[2] / 2 : right - col[2] / 2, low, col[2],
	          select_cancel};
}
