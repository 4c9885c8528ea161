// The one-line text field and the fixed-width character field. One text-edit engine
// serves every field: only the field holding the keyboard focus is edited by it, the
// others draw their string plainly. Every keystroke lands in the caller's string at once.
#include "butn.h"
#include "colr.h"
#include "butn_layout.h"
#include "butn_text.h"
#include "textedit.h"
#include "hl_utf.h"
#include "OGL_fonts.h"
#include "oglp.h"
#include "MACIBM_mnw.h"
#include <algorithm>
#include <cctype>

int          OGLE_x = 0, OGLE_y = 0, OGLE_entry_dx = 0;
float        OGLE_dx = 0, OGLE_dy = 0;
std::string* OGLE_input = nullptr;
int          OGLE_edit = 0;

static std::string ogle_empty;
// Room to the right of the box for the field's one line: wider than any text the
// fields hold (a few thousand bytes of the widest glyphs), small enough for floats.
static const float one_line_room = 1.0e6f;
static std::string& edited() { return OGLE_input ? *OGLE_input : ogle_empty; }

static void OGLE_GetVisibleBounds(OGLE_Rec*, float b[4])
{
	b[0] = (float)OGLE_x;
	b[1] = (float)OGLE_y - 2;
	b[2] = (float)(OGLE_x + OGLE_entry_dx);
	b[3] = b[1] + 11;
}

static void OGLE_GetLogicalBounds(OGLE_Rec* r, float b[4])
{
	OGLE_GetVisibleBounds(r, b);
	b[0] -= OGLE_dx;
	b[2] -= OGLE_dx;
	b[1] -= OGLE_dy;
	b[3] -= OGLE_dy;
	b[2] += one_line_room;	// a one-line field never wraps: it scrolls to the caret
}

static void OGLE_SetLogicalHeight(OGLE_Rec*, float) {}

static void OGLE_ScrollTo(OGLE_Rec*, float o[2])
{
	OGLE_dx = o[0];
	OGLE_dy = o[1];
}

static void OGLE_GetText(OGLE_Rec*, const char** b, const char** e)
{
	std::string& s = edited();
	*b = s.data();
	*e = s.data() + s.size();
}

static void OGLE_ReplaceTextFunc(OGLE_Rec*, int start, int end, const char* nb, const char* ne)
{
	OGLE_edit = 1;
	std::string& s = edited();
	int len = (int)s.size();
	start = std::max(0, std::min(start, len));
	end = std::max(start, std::min(end, len));
	if (nb && ne > nb) s.replace(start, end - start, nb, ne - nb);
	else s.erase(start, end - start);
}

static float OGLE_GetLineHeight(OGLE_Rec*) { return 11; }

typedef const unsigned char* bytes;

static float OGLE_MeasureString(OGLE_Rec*, const char* b, const char* e)
{
	return OGL_measure_range((bytes)b, (bytes)e, 0);
}

static int OGLE_FitStringFwd(OGLE_Rec*, const char* b, const char* e, float w)
{
	return (int)(OGL_fit_forward((bytes)b, (bytes)e, w, 0) - (bytes)b);
}

static int OGLE_FitStringRev(OGLE_Rec*, const char* b, const char* e, float w)
{
	return (int)((bytes)e - OGL_fit_reverse((bytes)b, (bytes)e, w, 0));
}

static void OGLE_DrawString(OGLE_Rec*, const char* b, const char* e, float, float)
{
	OGL_string(colr_value, OGLE_x - OGLE_dx, OGLE_y - OGLE_dy, std::string(b, e), 9999, 0, 0);
}

static void OGLE_DrawSelection(OGLE_Rec*, float box[4])
{
	if (box[2] > box[0]) OGL_fillrect(colr_cursor, 1, box[0], box[1], box[2] - box[0], box[3] - box[1]);
	else OGL_line(colr_value, 1, box[0], box[1], box[0], box[3]);
}

static const char* OGLE_WordBreak(OGLE_Rec*, const char* b, const char* e)
{
	while (b < e && isspace((unsigned char)*b)) ++b;
	while (b < e && !isspace((unsigned char)*b)) ++b;
	return b;
}

static const char* OGLE_MBCS_Next(OGLE_Rec*, const char* p)
{
	const std::string& s = edited();
	const char *begin = s.data(), *end = begin + s.size();
	if (p < begin || p >= end) return p < begin ? begin : end;
	while (p > begin && utf8_is_cont((unsigned char)*p)) --p;
	++p;
	while (p < end && utf8_is_cont((unsigned char)*p)) ++p;
	return p;
}

static int OGLE_MBCS_NextPos(OGLE_Rec*, int pos)
{
	const std::string& s = edited();
	if (pos >= (int)s.size()) return pos + 1;
	return utf8_next(s.data(), (int)s.size(), pos);
}

static int OGLE_MBCS_PrevPos(OGLE_Rec*, int pos)
{
	const std::string& s = edited();
	if (pos <= 0) return -1;
	return utf8_prev(s.data(), (int)s.size(), std::min(pos, (int)s.size()));
}

const OGLE_Callbacks _OGLE_cbs = {OGLE_GetVisibleBounds, OGLE_GetLogicalBounds, OGLE_SetLogicalHeight, OGLE_ScrollTo, OGLE_GetText, OGLE_ReplaceTextFunc,
                                  OGLE_GetLineHeight, OGLE_MeasureString, OGLE_FitStringFwd, OGLE_FitStringRev, OGLE_DrawString, OGLE_DrawSelection,
                                  OGLE_WordBreak, OGLE_MBCS_Next, OGLE_MBCS_NextPos, OGLE_MBCS_PrevPos};

static OGLE_Rec* ogle = nullptr;
static int focused_field_id = 0;
static int drag_field_id = 0;	// the field a held button went down in
static focus_queue_t enter_queue;

static int no_menu() { return mnw.open_menu == -1; }
static int in_box(float x0, float x1, float y0, float y1)
{
	return mnw.mouse_x >= x0 && mnw.mouse_x <= x1 && mnw.mouse_y >= y0 && mnw.mouse_y <= y1;
}

// Cut, copy and paste on the engine's selection.
static void clip_key(int key)
{
	int s, e;
	OGLE_GetSelection(ogle, &s, &e);
	std::string& t = edited();
	s = std::max(0, std::min(s, (int)t.size()));
	e = std::max(s, std::min(e, (int)t.size()));
	if ((key == 'c' || key == 'x') && e > s) {
		BTN_text_to_clipboard(t.substr(s, e - s));
		if (key == 'x') OGLE_ReplaceText(ogle, s, e, nullptr, nullptr);
	}
	std::string in;
	if (key == 'v' && BTN_text_from_clipboard(in)) {
		in = BTN_text_paste_filter(in);
		if (!in.empty()) OGLE_Key_MBCS(ogle, (int)in.size(), in.data(), 0);
	}
}

// One key or clipboard command on the focused field. What would make the text
// longer than max_length is refused whole: the text and selection stay as they were.
template <class F> static void edit_within(int max_length, F apply)
{
	const std::string before = edited();
	const int edit_before = OGLE_edit;
	int s, e;
	OGLE_GetSelection(ogle, &s, &e);
	apply();
	const std::string& now = edited();
	if ((int)now.size() > max_length && now.size() > before.size()) {
		edited() = before;
		OGLE_edit = edit_before;
		OGLE_Repaginate(ogle);
		OGLE_SetSelection(ogle, s, e);
	}
}

// Takes this field's queued keys; keys meant for a field that no longer holds the
// focus or the engine are dropped, so the shared queue never fills up with them.
static void take_keys(int id, int edit, int max_length)
{
	int left = 0;
	for (int i = 0; i < enter_queue.count; ++i) {
		int to = enter_queue.ids[i];
		if (to == 0) continue;
		if (to != id) {
			if (to == focus_id || to == focused_field_id) left = 1;
			else enter_queue.ids[i] = 0;
			continue;
		}
		enter_queue.ids[i] = 0;
		if (!edit || (enter_queue.flags[i] & 0x10)) continue;
		int ch = enter_queue.chars[i], vk = enter_queue.vkeys[i], fl = enter_queue.flags[i];
		if (int clip = BTN_text_clip_key(vk, fl)) {
			edit_within(max_length, [&] { clip_key(clip); });
			continue;
		}
		std::string b = BTN_text_key_bytes(ch, vk, fl);
		if (!b.empty()) edit_within(max_length, [&] { OGLE_Key_MBCS(ogle, (int)b.size(), b.data(), fl & 1); });
	}
	if (!left) enter_queue.count = 0;
}

int BTN_enterstring(float x, float y, std::string* text, int max_length, std::string label, float width,
                    int auto_focus)
{
	std::string t, hint;
	BTN_expand_label(label, &t, &hint, nullptr);
	const int id = (int)x * 8192 + (int)y;
	const int clicked = no_menu() && mnw.click_down && in_box(x, x + width, y, y + 8);
	const int take = clicked || (auto_focus && BTN_no_focus_yet());
	const int focused = BTN_register_queue(id, &enter_queue, focus_mask_text, take);
	if (!ogle) ogle = OGLE_Create(&_OGLE_cbs, nullptr);

	OGLE_edit = 0;
	// The engine still set up for this field takes its last keys even when a Tab
	// in this frame's events moved the focus on.
	const int edit = focused || id == focused_field_id;
	if (edit) {
		OGLE_x = (int)x;
		OGLE_y = (int)y;
		OGLE_entry_dx = (int)width;
		OGLE_input = text;
	}
	if (focused && id != focused_field_id) {
		OGLE_dx = OGLE_dy = 0;
		if (clicked) OGLE_SetSelection(ogle, 0, 0);
		else OGLE_SetSelection(ogle, 0, (int)text->size());
		OGLE_Repaginate(ogle);
		focused_field_id = id;
	}
	if (focused) {
		int s, e;
		OGLE_GetSelection(ogle, &s, &e);
		OGLE_SetSelection(ogle, s, e);	// clamps into the text, which the caller may have changed
		if (clicked) {
			OGLE_Click(ogle, mnw.mouse_x, mnw.mouse_y, 0);
			drag_field_id = id;
		} else if (mnw.mouse_held && drag_field_id == id) {
			OGLE_Drag(ogle, mnw.mouse_x, mnw.mouse_y);
		}
	}
	if (!mnw.mouse_held && !clicked) drag_field_id = 0;
	take_keys(id, edit, max_length);
	const int changed = OGLE_edit;
	if (changed && BTN_text_cut(text, max_length) && edit) {
		OGLE_Repaginate(ogle);
		int s, e;
		OGLE_GetSelection(ogle, &s, &e);
		OGLE_SetSelection(ogle, s, e);
	}

	BTN_frame1(btn_style_field, x + width / 2 - 2, y + 3, width + 10, colr_white);
	const int box = BTN_layout_control("text field", x - 9, y - 10, x + width + 5, y + 16);
	{
		BTN_layout_owner beside(box, layout_beside);
		BTN_util_draw_label(x - 12, y, 0, t, 0);
		BTN_util_draw_label(x + width + 9, y, 2, hint, 0);	// clear of the frame's end at x + width + 5
	}
	OGL_scissors(x - 1, y - 3, width + 2, 11);
	{
		BTN_layout_owner clipped(box, layout_clipped);
		if (focused) OGLE_Draw(ogle, 1);
		else OGL_string(colr_value, x, y, *text, 9999, 0, 0);
	}
	OGL_scissors_end();
	if (!focused && id == focused_field_id) {
		focused_field_id = 0;	// the next focus sets the engine up afresh
		OGLE_input = nullptr;
	}
	return changed;
}

void BTN_forget_text_focus()
{
	focused_field_id = 0;
	drag_field_id = 0;
	OGLE_input = nullptr;
}

static focus_queue_t chars_queue;
static int chars_hot = 0;

void BTN_chars(float x, float y, char* buffer, int length, std::string label)
{
	if (length < 1) return;
	std::string t, hint, help;
	BTN_expand_label(label, &t, &hint, &help);
	const int id = (int)x * 8192 + (int)y;
	const float w = 10.0f * length;
	const int clicked = no_menu() && mnw.click_down && in_box(x, x + w, y - 2, y + 8);
	if (clicked) chars_hot = (int)((mnw.mouse_x - x) / 10);
	const int focused = BTN_register_queue(id, &chars_queue, focus_mask_list, clicked);
	if (focused) chars_hot = std::max(0, std::min(chars_hot, length - 1));

	int left = 0;
	for (int i = 0; i < chars_queue.count; ++i) {
		if (chars_queue.ids[i] != id) {
			if (chars_queue.ids[i] == focus_id && focus_id) left = 1;
			else chars_queue.ids[i] = 0;
			continue;
		}
		chars_queue.ids[i] = 0;
		if ((chars_queue.flags[i] & 0x10) || !focused) continue;
		int vk = chars_queue.vkeys[i], ch = chars_queue.chars[i];
		char& c = buffer[chars_hot];
		if (vk == 37) chars_hot = (chars_hot + length - 1) % length;
		else if (vk == 39) chars_hot = (chars_hot + 1) % length;
		else if (vk == 38) c = BTN_chars_at(BTN_chars_index(c) - 1);
		else if (vk == 40) c = BTN_chars_at(BTN_chars_index(c) + 1);
		else if (ch < 128 && (isalnum(ch) || ch == ' ' || ch == '-')) {
			c = (char)toupper(ch);
			chars_hot = (chars_hot + 1) % length;
		}
	}
	if (!left) chars_queue.count = 0;

	BTN_frame1(btn_style_field, x + 5 * length + 1, y + 3, w + 11, colr_white);
	for (int k = 0; k < length; ++k) {
		BTN_util_element(x + 10 * k + 6, y - 10, 90, 187, 7, 9, colr_white);
		BTN_util_element(x + 10 * k + 6, y + 18, 90, 206, 7, 9, colr_white);
	}
	BTN_util_draw_label(x - 6, y, 0, t, 0);
	if (focused) OGL_fillrect(colr_cursor, 1, x + 2 + 10 * chars_hot, y - 2, 9, 11);
	for (int k = 0; k < length; ++k) OGL_string(colr_value, x + 10 * k + 2, y, std::string(1, buffer[k]), 9999, 0, 0);

	if (!no_menu() || !in_box(x, x + w, y - 18, y + 24)) return;
	int cell = std::min(length - 1, (int)((mnw.mouse_x - x) / 10));
	if (in_box(x, x + w, y - 2, y + 8)) {
		stls.mouse_help = help;
		return;
	}
	mnw.cursor_kind = mnw.mouse_y > y + 3 ? 20 : 21;
	if (mnw.click_down) {
		char& c = buffer[cell];
		c = BTN_chars_at(BTN_chars_index(c) + (mnw.mouse_y > y + 3 ? -1 : 1));
	}
}
