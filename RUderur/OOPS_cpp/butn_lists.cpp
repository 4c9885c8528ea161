// The pop-up choice list (on the framework's pop-up menu slot), the scrolling list
// with type-ahead, and the tab row.
#include "butn.h"
#include "colr.h"
#include "tman.h"
#include "butn_files.h"
#include "butn_layout.h"
#include "menu.h"
#include "OGL_fonts.h"
#include "oglp.h"
#include "OGL_setstate.h"
#include "MACIBM_mnw.h"
#include "UTL_clock.h"
#include <algorithm>
#include <cmath>
#include <vector>

static int no_menu() { return mnw.open_menu == -1; }
static int in_box(float x0, float x1, float y0, float y1)
{
	return mnw.mouse_x >= x0 && mnw.mouse_x <= x1 && mnw.mouse_y >= y0 && mnw.mouse_y <= y1;
}
static float nearest(float v) { return v < 0 ? -std::floor(-v + 0.5f) : std::floor(v + 0.5f); }

// The row the open pop-up keeps level with its field; moves only to keep the rows on
// screen, so opening the list never changes the caller's choice.
static int popup_anchor = 0;

int BTN_textlist(float x, float y, int* index, std::string label, std::string items)
{
	std::vector<std::string> list;
	BTN_split_items(items, list);
	if (list.empty()) return 0;
	const int n = (int)list.size();
	std::string t, hint, help;
	BTN_expand_label(label, &t, &hint, &help);
	*index = BTN_clamp_index(*index, n);

	float h = 20;
	for (const std::string& s : list) h = std::max(h, str_dx(s));
	const int lang = mnw.language;
	if (lang == 1 || lang == 4 || lang == 5) h *= 0.95f;
	else if (lang == 2 || lang == 3) h *= 0.9f;
	h = std::max(h, 20.0f);
	BTN_frame1(btn_style_popup, x + 10, y + 5, h + 28, colr_white);
	const float half = (h + 32) / 2;	// the frame's width and the style's extra 4
	const int box = BTN_layout_control("pop-up list", x + 10 - half, y - 7, x + 10 + half, y + 17);
	{
		BTN_layout_owner beside(box, layout_beside);
		// clear of the frame, which spans x - h/2 - 6 .. x + h/2 + 26
		BTN_util_draw_label(x - h / 2 - 10, y, 0, t, 0);
		BTN_util_draw_label(x + h / 2 + 30, y, 2, hint, 0);
	}

	const int code = (int)(y * 1024 + x);
	int opened = 0;
	if (no_menu() && mnw.click_down && active_popup_code != code &&
	    in_box(x + 10 - h / 2 - 15, x + 10 + h / 2 + 15, y - 2, y + 8)) {
		active_popup_code = code;
		popup_anchor = *index;
		opened = 1;
		// like a click on a menu title: the release of this click chooses nothing
		mnw.menu_click_time = mnw.event_time;
	}
	int chosen = 0;
	if (select_popup_code == code && code != 0) {
		select_popup_code = 0;
		if (popup_menu_select >= 0 && popup_menu_select < n) {	// a choice outside the list is refused
			*index = popup_menu_select;
			chosen = 1;
		}
	}
	// The menu was closed without a choice (a window change, a click beside it).
	if (active_popup_code == code && !opened && mnw.open_menu != menu_popup_slot) active_popup_code = 0;

	if (active_popup_code == code) {
		popup_anchor = BTN_popup_anchor(popup_anchor, n, y, (float)mnw.screen_h);
		mnw.open_menu = menu_popup_slot;
		MACIBM_clear_items(menu_popup_slot);
		MACIBM_append_menu(menu_popup_slot, n - 1, n - 1, list[n - 1]);
		std::vector<item_struct>& rows = menu[menu_popup_slot].items;
		for (int i = 0; i < n && i < (int)rows.size(); ++i) {
			item_struct& it = rows[i];
			it.text = list[i];
			it.id = i;
			it.l = (short)((int)(x - h / 2) - 2);
			it.r = (short)((int)(x + h / 2) + 4);
			it.b = (short)(y - 3 - 12 * (i - popup_anchor));
			it.t = (short)(it.b + 12);
		}
	} else {
		BTN_layout_owner value(box, layout_inside);
		OGL_string(colr_value, x, y, list[*index], 9999, 0, 1);
		if (in_box(x + 10 - h / 2 - 15, x + 10 + h / 2 + 15, y - 2, y + 8)) stls.mouse_help = help;
	}
	return chosen;
}

static std::string type_ahead;
static float last_type_ahead = -100;
static int current_list_id = 0;
static focus_queue_t list_queue;

int BTN_list_and_search(int slider_slot, float x, float y, float width, float height, int* centre_row,
                        int* selected, int first, int last, std::string* search_text, const std::string& search_label,
                        std::string (*name)(int, void*), void* name_ref, std::string (*second)(int, void*),
                        void* second_ref, int (*icon)(int, void*), void* icon_ref)
{
	x = nearest(x);
	y = nearest(y);
	if (width <= 0) width = 290;
	if (height <= 0) height = io_dy;
	const float bottom = y - height / 2, top = y + height / 2;
	const int rows = (int)(height / 20) - 1;
	const int id = (int)x * 8192 + (int)y;
	const int in_list = in_box(x, x + width, bottom, top);
	const int clicked = no_menu() && mnw.click_down && in_list;
	const int focused = BTN_register_queue(id, &list_queue, focus_mask_list, clicked);
	if (focused && current_list_id != id) type_ahead.clear();
	if (focused) current_list_id = id;

	int left = 0;
	for (int i = 0; i < list_queue.count; ++i) {
		int to = list_queue.ids[i];
		if (to != id) {
			if (to && to == focus_id) left = 1;
			else list_queue.ids[i] = 0;
			continue;
		}
		list_queue.ids[i] = 0;
		if ((list_queue.flags[i] & 0x10) || !focused || last < first) continue;
		int vk = list_queue.vkeys[i], ch = list_queue.chars[i];
		if (vk == 40 || vk == 38) {
			*selected = std::max(first, std::min(last, *selected + (vk == 40 ? 1 : -1)));
			BTN_list_follow(*selected, centre_row, rows);
		} else if (BTN_text_key_ok(ch, 0) && !(list_queue.flags[i] & 4)) {
			BTN_type_ahead_add(&type_ahead, &last_type_ahead, xtim.elapsed, (unsigned int)ch);
			int k = BTN_type_ahead_find(type_ahead, first, last, name, name_ref);
			if (k >= 0) {
				*selected = k;
				BTN_list_follow(*selected, centre_row, rows);
			}
		}
	}
	if (!left) list_queue.count = 0;

	if (search_text) BTN_enterstring(x + 35, y - 131, search_text, 36, search_label, 252, 1);
	if (last < first) return 0;

	BTN_frame2(btn_style_list, x, bottom, width, height, "", 1);
	// the arrows sit beyond the bar's ends (the up one reaches 19 above it, the
	// down one 21 below): the bar is shortened so that both stay beside the list
	if (first < last) BTN_vert_slider(slider_slot, x + width + 16, bottom + 21, top - 19, first, last, centre_row);
	if (in_list && mnw.wheel) {
		*centre_row -= mnw.wheel;
		mnw.wheel = 0;
	}
	*centre_row = std::max(first, std::min(last, *centre_row));
	int result = 0;
	if (clicked) {
		*selected = *centre_row - (int)nearest((mnw.mouse_y - y) / 10);
		result = 1;
	}
	*selected = std::max(first, std::min(last, *selected));

	for (int k = std::max(first, *centre_row - rows); k <= std::min(last, *centre_row + rows); ++k) {
		const float ry = y - 10.0f * (k - *centre_row);
		if (name) OGL_string(colr_value, x + 20, ry - 3, name(k, name_ref), 9999, 0, 0);
		if (second) OGL_string(colr_value, x + 242, ry - 3, second(k, second_ref), 9999, 0, 0);
		int col = -1;
		switch (icon ? icon(k, icon_ref) : 0) {
		case 1: col = 34; break;
		case 3: col = 48; break;
		case 4: col = 62; break;
		case 5: col = 90; break;
		case 9: col = 104; break;
		case 10: col = 118; break;
		case 11: col = 132; break;
		case 7: col = 146; break;
		}
		if (col >= 0) BTN_util_element(x + 10, ry, col + 6.0f, 88, 6, 6, colr_white);
		if (k == *selected) OGL_fillrect(colr_black, 0.25f, x + 18, ry - 5, width - 22, 10);
	}
	if (focused) OGL_framerect(colr_value, 1, x, bottom, width, height);
	return result;
}

int BTN_tab(int column, int row, int* selected, int this_tab, std::string label)
{
	const float cx = column * 88.0f + 53, cy = mnw.wind_h - 38 - row * 32.0f;
	int hit = 0;
	if (no_menu() && mnw.click_down && in_box(cx - 50, cx + 40, cy - 13, cy + 13)) {
		*selected = this_tab;
		hit = 1;
	}
	const int on = *selected == this_tab;
	BTN_util_element(cx, cy, 253, on ? 499.0f : 472.0f, 49, 13, colr_white);
	OGL_string(on ? colr_tab_on : colr_tab_off, cx - 40, cy - 4, label, 9999, 0, 0);
	return hit;
}

void plot_dir(float x, float y, float* heading, int look)
{
	if (mnw.mouse_held && std::fabs(mnw.mouse_x - x) <= 30 && std::fabs(mnw.mouse_y - y) <= 30) {
		float h = std::atan2(mnw.mouse_x - x, mnw.mouse_y - y) * 57.29578f;
		*heading = h < 0 ? h + 360 : h;
	}
	// the dial first, so that the needle shows on it
	BTN_util_element(x, y, 206, 189, 28, 29, colr_white);
	const float a = *heading * 0.017453293f, c = std::cos(a), s = std::sin(a);
	// a corner (dx, dy) of the upright needle, turned clockwise by the heading
	auto px = [&](float dx, float dy) { return x + dx * c + dy * s; };
	auto py = [&](float dx, float dy) { return y - dx * s + dy * c; };
	const float u1 = 156 / 512.0f, u2 = 166 / 512.0f;
	const float v1 = (look ? 272 : 315) / 512.0f, v2 = (look ? 314 : 357) / 512.0f;
	OGL_2dquad(tman_ref_interface, colr_white, 1, px(-5, -21), py(-5, -21), u1, v1, px(-5, 21), py(-5, 21), u1, v2, px(5, 21), py(5, 21), u2,
	           v2, px(5, -21), py(5, -21), u2, v1, 1, al_blend);
	OGL_number(colr_value, x - 14, y - 2, *heading, 3, 0, 1);
}
