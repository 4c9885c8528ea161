#ifndef MENU_H
#define MENU_H
// The framework's own menu bar, pull-downs, submenus and the one pop-up slot.
#include <string>
#include <vector>

enum { menu_count = 1520, menu_popup_slot = 1519, menu_max_items = 300, menu_title_max = 40 };

struct item_struct {
	std::string text;	// "-..." separator, "=..." shown but not choosable
	int   id;
	short l, b, r, t;
};

struct menu_struct {
	std::string title;
	int   owner;		// -1 on the bar, else the menu holding the parent item
	short l, b, r, t;	// title rectangle, window coordinates, y up
	std::vector<item_struct> items;
};

extern std::vector<menu_struct> menu;
extern int popup_menu_select, select_popup_code, active_popup_code;

void MACIBM_clear_menus(int mode);
void MACIBM_clear_menu(int index);
void MACIBM_clear_items(int index);
void MACIBM_create_menu(int index, int parent_code, std::string title);
void MACIBM_append_menu(int index, int item, int id, std::string text);
void MACIBM_remove_menu_item(int index, int item);
void MACIBM_read_menus(std::string folder, std::string file);
void MACIBM_read_menus_text(const char* b, const char* e);
void get_check_cmnd(int, int, int*, std::string*);
int  accept_item(int);
void standard_gui();

#endif
