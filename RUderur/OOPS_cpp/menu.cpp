#include "menu.h"
#include "MACIBM_mnw.h"
#include "UTL_alert.h"
#include "UTL_translate.h"
#include "xmap.h"
#include "MACIBM_shell.h"
#include <algorithm>
#include <cstdlib>

float str_dx(const std::string& s);

std::vector<menu_struct> menu;
int popup_menu_select = 0, select_popup_code = 0, active_popup_code = 0;

void MACIBM_clear_menu(int index)
{
	if (index < 0 || index >= (int)menu.size()) return;
	menu_struct& m = menu[index];
	m.title.clear();
	m.owner = -1;
	m.l = m.b = m.r = m.t = 0;
	m.items.clear();
}

void MACIBM_clear_items(int index)
{
	if (index < 0 || index >= (int)menu.size()) return;
	menu[index].items.clear();
}

void MACIBM_clear_menus(int mode)
{
	if (mode != 1) return;
	menu.clear();
	menu.resize(menu_count);
	for (int i = 0; i < menu_count; ++i) MACIBM_clear_menu(i);
}

static void ensure_table()
{
	if ((int)menu.size() < menu_count) {
		int was = (int)menu.size();
		menu.resize(menu_count);
		for (int i = was; i < menu_count; ++i) MACIBM_clear_menu(i);
	}
}

void MACIBM_create_menu(int index, int parent_code, std::string title)
{
	static float x = 0;
	if (index > menu_popup_slot)
		__MACIBM_alert(0, "Menu index out of range in create_menu!", "", "", "", t_exit, "RUderur/GenC/hl_mnw", 199);
	if (index < 0) return;
	ensure_table();
	menu_struct& m = menu[index];
	m.title = title.substr(0, menu_title_max);
	if (parent_code > 0) {
		int owner = parent_code / menu_max_items, item = parent_code % menu_max_items;
		m.owner = owner;
		if (owner < (int)menu.size() && item < (int)menu[owner].items.size()) {
			const item_struct& it = menu[owner].items[item];
			m.l = it.l; m.b = it.b; m.r = it.r; m.t = it.t;
		}
		return;
	}
	m.owner = -1;
	if (index == 0) x = 0;
	m.l = (short)x;
	m.r = (short)(x + str_dx(m.title) + 30);
	m.b = (short)(mnw.screen_h - 18);
	m.t = (short)mnw.screen_h;
	if (m.title != "Plugins") x = m.r;
}

static void layout(menu_struct& m)
{
	int width = 40;
	for (const item_struct& it : m.items) {
		int w = (int)str_dx(it.text) + 40;
		if (w > width) width = w;
	}
	int top = (m.owner < 0) ? m.b - 2 : m.t - 2;
	for (size_t i = 0; i < m.items.size(); ++i) {
		item_struct& it = m.items[i];
		int h = (!it.text.empty() && it.text[0] == '-') ? 2 : 12;
		if (i == 0 && m.owner >= 0) {
			it.b = (short)(m.b - 2);
			it.t = (short)(m.t - 2);
		} else {
			it.t = (short)top;
			it.b = (short)(top - h);
		}
		top = it.b;
		it.l = m.l;
		it.r = (short)(m.l + width);
	}
}

void MACIBM_append_menu(int index, int item, int id, std::string text)
{
	if (index > menu_popup_slot)
		__MACIBM_alert(0, "Menu index out of range in append_menu!", "", "", text, t_exit, "RUderur/GenC/hl_mnw", 239);
	if (item >= menu_max_items)
		__MACIBM_alert(0, "Item index out of range in append_menu!", "", "", text, t_exit, "RUderur/GenC/hl_mnw", 240);
	if (index < 0 || item < 0) return;
	ensure_table();
	menu_struct& m = menu[index];
	if ((int)m.items.size() < item + 1) m.items.resize(item + 1, item_struct{"", 0, 0, 0, 0, 0});
	m.items[item].text = text;
	m.items[item].id = id;
	layout(m);
}

void MACIBM_remove_menu_item(int index, int item)
{
	if (index > menu_popup_slot)
		__MACIBM_alert(0, "Menu index out of range in append_menu!", "", "", "", t_exit, "RUderur/GenC/hl_mnw", 283);
	if (item >= menu_max_items)
		__MACIBM_alert(0, "Item index out of range in append_menu!", "", "", "", t_exit, "RUderur/GenC/hl_mnw", 284);
	// an item that is not there is refused rather than erased out of bounds
	if (index < 0 || item < 0 || index >= (int)menu.size() || item >= (int)menu[index].items.size()) return;
	menu_struct& m = menu[index];
	short h = (short)(m.items[item].t - m.items[item].b);
	m.items.erase(m.items.begin() + item);
	for (size_t i = item; i < m.items.size(); ++i) {
		m.items[i].t = (short)(m.items[i].t + h);
		m.items[i].b = (short)(m.items[i].b + h);
	}
}

// One line: leading blanks and tabs skipped, ends at CR, LF or NUL.
static const char* next_line(const char* p, const char* e, std::string& line)
{
	while (p < e && (*p == ' ' || *p == '\t')) ++p;
	const char* s = p;
	while (p < e && *p != '\r' && *p != '\n' && *p != 0) ++p;
	line.assign(s, p);
	if (p < e && *p == '\r') ++p;
	if (p < e && (*p == '\n' || *p == 0)) ++p;
	return p;
}

static void split_code(const std::string& line, int* code, std::string* text)
{
	size_t sp = line.find(' ');
	*code = atoi(line.substr(0, sp).c_str());
	size_t t = (sp == std::string::npos) ? line.size() : line.find_first_not_of(' ', sp);
	*text = (t == std::string::npos) ? "" : line.substr(t);
}

void MACIBM_read_menus_text(const char* p, const char* e)
{
	std::string line, text;
	int code;
	for (int block = 0; p < e; ++block) {
		p = next_line(p, e, line);
		if (line.empty()) return;
		split_code(line, &code, &text);
		MACIBM_create_menu(block, code, text);
		for (int item = 0;; ++item) {
			if (p >= e) return;
			p = next_line(p, e, line);
			if (line.empty()) return;
			if (line == "-") break;
			split_code(line, &code, &text);
			if (item < menu_max_items) MACIBM_append_menu(block, item, code, text);
		}
	}
}

void MACIBM_read_menus(std::string folder, std::string file)
{
	MACIBM_clear_menus(2);
	std::string path = folder + "menus/" + UTL_lang_get_folder(mnw.language) + file;
	xmap_class x(path);
	static const int versions[] = {1, 0};
	if (!x.check_file(file_type_txt, versions, nullptr, nullptr)) {
		__MACIBM_alert(0, "Cannot open file!", path, "Trash this copy and re-install Vantor.", "", t_exit,
		               "RUderur/GenC/hl_mnw", 1152);
		return;
	}
	MACIBM_read_menus_text(x.cursor, x.end);
}

void get_check_cmnd(int, int, int*, std::string*) {}
int  accept_item(int) { return 1; }

int MACIBM_menu_rect_holds(short l, short b, short r, short t, float x, float y)
{
	return x >= l && x < r && y >= b && y < t;
}

int MACIBM_menu_title_at(float x, float y, int open)
{
	const int n = std::min((int)menu.size(), (int)menu_popup_slot);
	for (int i = 0; i < n; ++i) {
		const menu_struct& m = menu[i];
		if (m.owner != -1 && (open < 0 || m.owner != open)) continue;
		if (MACIBM_menu_rect_holds(m.l, m.b, m.r, m.t, x, y)) return i;
	}
	return -1;
}

int MACIBM_menu_item_at(int index, float x, float y)
{
	if (index < 0 || index >= (int)menu.size()) return -1;
	const std::vector<item_struct>& items = menu[index].items;
	for (int i = 0; i < (int)items.size(); ++i) {
		const item_struct& it = items[i];
		if (it.text.empty() || it.text[0] == '-' || it.text[0] == '=') continue;
		if (MACIBM_menu_rect_holds(it.l, it.b, it.r, it.t, x, y)) return i;
	}
	return -1;
}

int MACIBM_menu_choose(int open, float x, float y)
{
	const int item = MACIBM_menu_item_at(open, x, y);
	if (item < 0) return 0;
	if (open == menu_popup_slot) {
		popup_menu_select = item;
		select_popup_code = active_popup_code;
		active_popup_code = 0;
	} else {
		if (MACIBM_app_hooks.handlemenu) MACIBM_app_hooks.handlemenu(menu[open].items[item].id);
	}
	return 1;
}
