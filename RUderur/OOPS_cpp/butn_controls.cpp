#include "butn.h"
#include "colr.h"
#include "butn_layout.h"
#include "OGL_fonts.h"
#include "oglp.h"
#include "MACIBM_mnw.h"
#include "UTL_alert.h"
#include "UTL_clock.h"
#include <cmath>

static int no_menu() { return mnw.open_menu == -1; }
static int in_box(float x0, float x1, float y0, float y1)
{
	return mnw.mouse_x >= x0 && mnw.mouse_x <= x1 && mnw.mouse_y >= y0 && mnw.mouse_y <= y1;
}

int BTN_action(float x, float y, float width, int lit, int mode, std::string label, std::string hint)
{
	std::string text;
	BTN_expand_label(label, &text, nullptr, nullptr);
	if (width <= 0) width = str_dx(label) + 21;
	BTN_frame1(btn_style_button, x, y, width, colr_white);
	if (lit) BTN_frame1(btn_style_button_lit, x, y, width, colr_white);
	const int box = BTN_layout_control("button", x - width / 2, y - 12, x + width / 2, y + 12);
	{
		BTN_layout_owner caption(box, layout_inside);
		BTN_util_draw_label(x, y - 3, 1, text, mode == 2 && lit);
	}
	BTN_layout_owner beside(box, layout_beside);
	if (hint != "-") OGL_string(colr_value, x + width / 2 + 10, y + 7, hint, 500, 0, 0);
	if (!(no_menu() && mnw.click_down && in_box(x - width / 2, x + width / 2, y - 10, y + 10))) return 0;
	if (!lit && mode != 0) {
		// the pressed look is on screen before the caller acts on the click
		BTN_frame1(btn_style_button_lit, x, y, width, colr_white);
		BTN_util_draw_label(x, y - 3, 1, text, mode == 2);
		OGL_sbuff();
	}
	return 1;
}

int BTN_bool(float x, float y, int* value, std::string label, int radio_look)
{
	std::string text, hint, help;
	BTN_expand_label(label, &text, &hint, &help);
	float u = radio_look ? 92.0f : 148.0f, v = radio_look ? 132.0f : 187.0f, tick = radio_look ? 151.0f : 206.0f;
	BTN_util_element(x, y + 3, u, v, 9, 9, colr_white);
	if (*value) BTN_util_element(x, y + 3, u, tick, 9, 9, colr_white);
	{
		BTN_layout_owner beside(BTN_layout_control("check box", x - 9, y - 6, x + 9, y + 12), layout_beside);
		BTN_util_draw_label(x - 12, y, 0, text, 0);
		BTN_util_draw_label(x + 12, y, 2, hint, 0);
	}
	if (no_menu() && in_box(x - 8, x + 8, y - 4, y + 12)) {
		stls.mouse_help = help;
		if (mnw.click_down) {
			*value = *value ? 0 : 1;
			return 1;
		}
	}
	return 0;
}

int BTN_xbol(float x, float y, bool* value, std::string label)
{
	int v = *value ? 1 : 0;
	int r = BTN_bool(x, y, &v, label, 0);
	*value = v != 0;
	return r;
}

int BTN_xchr(float x, float y, char* value, std::string label)
{
	int v = *value ? 1 : 0;
	int r = BTN_bool(x, y, &v, label, 0);
	*value = (char)(v != 0);
	return r;
}

int BTN_xbyt(float x, float y, unsigned char* value, std::string label)
{
	int v = *value ? 1 : 0;
	int r = BTN_bool(x, y, &v, label, 0);
	*value = (unsigned char)(v != 0);
	return r;
}

int BTN_is_int(float x, float y, int* value, int this_value, std::string label)
{
	int set = (*value == this_value);
	int r = BTN_bool(x, y, &set, label, 1);
	if (r) *value = this_value;	// a click on the set one leaves it set
	return r;
}

static focus_queue_t num_queue;
static int num_hot = 0;

int BTN_flt_range(float x, float y, float* value, int digits, int decimals, float min, float max, std::string label)
{
	std::string text, hint, help;
	BTN_expand_label(label, &text, &hint, &help);
	if (digits < 1) digits = 1;
	if (digits > 10) digits = 10;
	int id = (int)y + (int)x * 8192, changed = 0, take = 0;
	float w = 10.0f * digits;
	if (in_box(x, x + w, y - 2, y + 8)) {
		stls.mouse_help = help;
		if (no_menu() && mnw.click_down) {
			take = 1;
			num_hot = (int)((mnw.mouse_x - 2 - x) / 10);
		}
	}
	int focused = BTN_register_queue(id, &num_queue, focus_mask_numeric, take);
	if (focused) num_hot = std::max(0, std::min(num_hot, digits - 1));
	int left = 0;
	for (int i = 0; i < num_queue.count; ++i) {
		if (num_queue.ids[i] != id) { if (num_queue.ids[i]) left = 1; continue; }
		if (!(num_queue.flags[i] & 0x10))
			changed |= BTN_numeric_key(value, &num_hot, digits, decimals, min, max, num_queue.chars[i], num_queue.vkeys[i]);
		num_queue.ids[i] = 0;
	}
	if (!left) num_queue.count = 0;
	if (no_menu() && !in_box(x, x + w, y - 2, y + 8) && in_box(x, x + w, y - 18, y + 24)) {
		int up = mnw.mouse_y > y + 3;
		mnw.cursor_kind = up ? 20 : 21;
		if (mnw.click_down) {
			for (int k = 0; k < digits && k < 10; ++k) {
				if (mnw.mouse_x >= x + 10 * k && mnw.mouse_x <= x + 10 * (k + 1)) {
					float place = (float)std::pow(10.0, digits - decimals - k - 1);
					*value += up ? place : -place;
					changed = 1;
				}
			}
		}
	}
	*value = BTN_numeric_settle(*value, decimals, min, max);

	BTN_frame1(btn_style_field, x + 5 * digits - 1, y + 3, w + 15, colr_white);
	for (int k = 0; k < digits; ++k) {
		BTN_util_element(x + 10 * k + 6, y - 10, 90, 187, 7, 9, colr_white);
		BTN_util_element(x + 10 * k + 6, y + 18, 90, 206, 7, 9, colr_white);
	}
	// the box and its rows of arrows
	const int box = BTN_layout_control("number field", x - 10, y - 19, x + w + 8, y + 27);
	{
		BTN_layout_owner beside(box, layout_beside);
		BTN_util_draw_label(x - 12, y, 0, text, 0);
		BTN_util_draw_label(x + w + 12, y, 2, hint, 0);
	}
	if (focused) OGL_fillrect(colr_cursor, 1, x + 2 + 10 * num_hot, y - 2, 9, 11);
	{
		BTN_layout_owner shown(box, layout_inside);
		OGL_number(colr_value, x + 3, y, *value, digits, decimals, 1);
	}
	return changed;
}

int BTN_flt(float x, float y, float* value, int digits, int decimals, int allow_negative, std::string label)
{
	float mx = BTN_flt_max(digits, decimals);
	return BTN_flt_range(x, y, value, digits, decimals, allow_negative ? -mx : 0, mx, label);
}

int BTN_int_range(float x, float y, int* value, int digits, float min, float max, std::string label)
{
	float f = (float)*value;
	int r = BTN_flt_range(x, y, &f, digits, 0, min, max, label);
	*value = BTN_float_to_int(f);
	return r;
}

int BTN_int(float x, float y, int* value, int digits, int allow_negative, std::string label)
{
	float f = (float)*value;
	int r = BTN_flt(x, y, &f, digits, 0, allow_negative, label);
	*value = BTN_float_to_int(f);
	return r;
}

int BTN_dob_range(float x, float y, double* value, int digits, int decimals, float min, float max, std::string label)
{
	float f = (float)*value;
	int r = BTN_flt_range(x, y, &f, digits, decimals, min, max, label);
	if (r) *value = f;	// an untouched field keeps the double's own precision
	return r;
}

static float grid_x(float column, int digits) { return column * 75 + 75 - 10.0f * digits; }
static float grid_y(float row) { return row * 50 + 25; }

int BTN_fltij(float column, float row, float* value, int digits, int decimals, int allow_negative, std::string label)
{
	return BTN_flt(grid_x(column, digits), grid_y(row), value, digits, decimals, allow_negative, label);
}

int BTN_flt_rangeij(float column, float row, float* value, int digits, int decimals, float min, float max,
                    std::string label)
{
	return BTN_flt_range(grid_x(column, digits), grid_y(row), value, digits, decimals, min, max, label);
}

void BTN_display_number(float x, float y, float value, int digits, int decimals, const std::string& label)
{
	std::string text, hint;
	BTN_expand_label(label, &text, &hint, nullptr);
	if (digits < 1) digits = 1;
	if (digits > 10) digits = 10;
	const float w = 10.0f * digits;
	BTN_frame1(btn_style_field, x + 5 * digits - 1, y + 3, w + 15, colr_white);
	BTN_util_draw_label(x - 12, y, 0, text, 0);
	BTN_util_draw_label(x + w + 12, y, 2, hint, 0);
	OGL_number(colr_value, x + 4, y, value, digits, decimals, 1);
}

static int slider_grab[4];

int BTN_vert_slider(int slot, float x, float y_bottom, float y_top, int min, int max, int* value)
{
	BTN_frame0(btn_style_vertical_bar, x, (float)(int)((y_bottom + y_top) / 2), y_top - y_bottom);
	if (min >= max) return 0;
	if (slot < 0 || slot > 3) {
		__MACIBM_alert(0, "Too many sliders!", "", "", "", t_exit, "butn", __LINE__);
		return 0;	// refused: never written past the grab table
	}
	float hi = y_top - 10, lo = y_bottom + 9;
	float thumb = hi + (lo - hi) * (float)(*value - min) / (float)(max - min);
	thumb = std::max(std::min(thumb, hi), lo);
	if (!mnw.mouse_held) slider_grab[slot] = 0;
	else if (in_box(x - 11, x + 11, thumb - 11, thumb + 11)) slider_grab[slot] = 1;
	if (slider_grab[slot]) {
		float v = min + (max - min) * (mnw.mouse_y - (y_top - 11)) / ((y_bottom + 11) - (y_top - 11));
		*value = (int)std::max((float)min, std::min((float)max, v));
	} else if ((mnw.click_down || (mnw.held_quarter && xtim.act_tick5)) && no_menu() && mnw.mouse_x >= x - 11 &&
	           mnw.mouse_x <= x + 11) {
		// a held button repeats the step every 0.2 s once held a quarter second
		if (mnw.mouse_y >= y_top && mnw.mouse_y <= y_top + 20) *value -= 1;
		else if (mnw.mouse_y >= y_bottom - 20 && mnw.mouse_y <= y_bottom) *value += 1;
		else if (mnw.mouse_y > y_bottom && mnw.mouse_y < y_top) *value += (mnw.mouse_y < thumb) ? 10 : -10;
	}
	*value = std::max(min, std::min(max, *value));
	int col = slider_grab[slot] ? colr_panel_text : colr_white;
	BTN_util_element(x, y_top + 8, 92, 277, 9, 11, col);
	BTN_util_element(x, thumb, 92, 252, 9, 12, col);
	BTN_util_element(x, y_bottom - 10, 92, 227, 9, 11, col);
	return slider_grab[slot];
}

int BTN_horz_slider(float x, float y, float width, int colour, float lo, float hi, float* value,
                    int interactive, std::string label, std::string caption)
{
	static int grab = 0;
	std::string text, hint, help;
	BTN_expand_label(label, &text, &hint, &help);
	if (lo < hi) hi = std::max(hi, lo + 0.01f);
	else lo = std::max(lo, hi + 0.01f);
	BTN_frame1(btn_style_slider_track, x + width / 2, y, width, colr_white);
	BTN_util_draw_label(x - 8, y, 0, text, 0);
	BTN_util_draw_label(x + width + 8, y, 2, hint, 0);
	if (in_box(x, x + width, y - 7, y + 7)) stls.mouse_help = help;
	if (!caption.empty()) OGL_string(colr_label, x + width / 2, y + 10, caption, 9999, 0, 1);
	if (colour != 12) {
		float len = width * (*value - lo) / (hi - lo);
		len = std::max(0.0f, std::min(width, len));
		if (len > 0) {
			len = 2 * std::floor((float)(int)len / 2 + 0.5f);
			BTN_frame1(btn_style_slider_fill, x + len / 2, y + 4, len, colour);
		}
	}
	if (!interactive) return 0;
	float l = std::min(lo, hi), h = std::max(lo, hi);
	if (!mnw.mouse_held) grab = 0;
	else if (in_box(x - 20, x + width + 20, y - 20, y + 20)) {
		*value = std::max(l, std::min(h, l + (h - l) * (mnw.mouse_x - x) / width));
		grab = 1;
	}
	float kx = x + width * (*value - l) / (h - l);
	BTN_util_element(kx, y + 2, 272, 278, 10, 11, colr_white);
	return grab;
}
