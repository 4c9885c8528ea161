// Drawing the framework menu bar and the open menu each frame.
#include "menu.h"
#include "colr.h"
#include "butn.h"
#include "OGL_fonts.h"
#include "oglp.h"
#include "MACIBM_mnw.h"

void standard_gui()
{
	const int open = mnw.open_menu;
	if (open < 0 || open >= (int)menu.size()) return;
	const bool popup = open == menu_popup_slot;

	if (!popup) {
		BTN_frame1(btn_style_top_bar, mnw.screen_w / 2.0f, mnw.screen_h - 9.0f, (float)mnw.screen_w, colr_white);
		for (int i = 0; i < menu_popup_slot && i < (int)menu.size(); ++i)
			if (menu[i].owner == -1 && !menu[i].title.empty())
				OGL_string(colr_menu_title, menu[i].l + 10.0f, menu[i].b + 6.0f, menu[i].title, 0, 0, 0);
	}

	const menu_struct& m = menu[open];
	short l = 32767, b = 32767, r = -32768, t = -32768;
	for (const item_struct& it : m.items) {
		if (it.text.empty()) continue;
		if (it.l < l) l = it.l;
		if (it.b < b) b = it.b;
		if (it.r > r) r = it.r;
		if (it.t > t) t = it.t;
	}
	if (l > r) return;
	BTN_frame2(btn_style_menu, l, b - 2.0f, (float)(r - l), (float)(t - b) + 4.0f, "", 1.0f);
	if (m.owner == -1 && !popup) OGL_fillrect(colr_menu_highlight, 0.25f, m.l, m.b, m.r - m.l, m.t - m.b);
	// the item a click would choose is the one lit
	const int under = MACIBM_menu_item_at(open, mnw.mouse_x, mnw.mouse_y);
	const item_struct* prev = nullptr;
	for (const item_struct& it : m.items) {
		if (it.text.empty()) continue;
		if (prev && prev->l != it.l) {
			OGL_line(colr_menu_edge, 1.0f, it.l, it.b, it.l, it.t);
			OGL_line(colr_menu_edge_light, 1.0f, it.l + 1.0f, it.b, it.l + 1.0f, it.t);
		}
		prev = &it;
		if (it.text[0] == '-') {
			const float y = (it.b + it.t) / 2.0f;
			OGL_line(colr_menu_edge, 1.0f, it.l, y, it.r, y);
			OGL_line(colr_menu_edge_light, 1.0f, it.l, y - 1, it.r, y - 1);
			continue;
		}
		if (under >= 0 && &it == &m.items[under])
			OGL_fillrect(colr_menu_highlight, 0.25f, it.l, it.b, it.r - it.l, it.t - it.b);
		const std::string text = it.text[0] == '=' ? it.text.substr(1) : it.text;
		// the bar's titles are light on its dark strip; the rows sit on a light panel
		OGL_string(colr_value, it.l + (popup ? 3.0f : 18.0f), it.b + 3.0f, text, 0, 0, 0);
		// an item opens a submenu where a click on it would: a menu of the
		// open one whose title rectangle is the item's
		for (int k = 0; k < menu_popup_slot && k < (int)menu.size(); k++)
			if (k != open && menu[k].owner == open && menu[k].l == it.l && menu[k].b == it.b &&
			    menu[k].r == it.r && menu[k].t == it.t) {
				BTN_util_element(it.r - 8.0f, (it.b + it.t) / 2.0f, 0, 0, 4, 4, colr_value);
				break;
			}
	}
}
