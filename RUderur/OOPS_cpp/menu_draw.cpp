// Drawing the framework menu bar and the open menu each frame.
#include "menu.h"
#include "butn.h"
#include "OGL_fonts.h"
#include "oglp.h"
#include "MACIBM_mnw.h"

static bool mouse_in(short l, short b, short r, short t)
{
	return mnw.mouse_x >= l && mnw.mouse_x <= r && mnw.mouse_y >= b && mnw.mouse_y <= t;
}

void standard_gui()
{
	const int open = mnw.open_menu;
	if (open < 0 || open >= (int)menu.size() || open == menu_popup_slot) return;

	BTN_frame1(0, mnw.screen_w / 2.0f, mnw.screen_h - 9.0f, (float)mnw.screen_w, 0);
	for (const menu_struct& m : menu)
		if (m.owner == -1 && !m.title.empty())
			OGL_string(41, m.l + 10.0f, m.b + 6.0f, m.title, 0, 0, 0);

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
	BTN_frame2(20, l, b - 2.0f, (float)(r - l), (float)(t - b) + 4.0f, "", 1.0f);
	if (m.owner == -1) OGL_fillrect(39, 0.25f, m.l, m.b, m.r - m.l, m.t - m.b);
	const item_struct* prev = nullptr;
	for (const item_struct& it : m.items) {
		if (it.text.empty()) continue;
		if (prev && prev->l != it.l) {
			OGL_line(38, 1.0f, it.l, it.b, it.l, it.t);
			OGL_line(40, 1.0f, it.l + 1.0f, it.b, it.l + 1.0f, it.t);
		}
		prev = &it;
		if (it.text[0] == '-') {
			const float y = (it.b + it.t) / 2.0f;
			OGL_line(38, 1.0f, it.l, y, it.r, y);
			OGL_line(40, 1.0f, it.l, y - 1, it.r, y - 1);
			continue;
		}
		if (mouse_in(it.l, it.b, it.r, it.t) && it.text[0] != '=')
			OGL_fillrect(39, 0.25f, it.l, it.b, it.r - it.l, it.t - it.b);
		const std::string text = it.text[0] == '=' ? it.text.substr(1) : it.text;
		OGL_string(41, it.l + 18.0f, it.b + 3.0f, text, 0, 0, 0);
		for (size_t k = 0; k < menu.size(); k++)
			if (menu[k].owner == open && menu[k].title == it.text) {
				BTN_util_element(it.r - 8.0f, (it.b + it.t) / 2.0f, 0, 0, 4, 4, 41);
				break;
			}
	}
}
