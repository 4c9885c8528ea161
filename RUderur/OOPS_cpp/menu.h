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

// Hit tests, in window coordinates; a rectangle holds its lower and left
// edges but not its upper and right ones, so stacked items never share a
// point and an empty rectangle holds nothing.
int  MACIBM_menu_rect_holds(short l, short b, short r, short t, float x, float y);
// The first menu of 0..1518 whose title holds the point: a menu on the bar,
// or a submenu hanging from an item of the open menu; -1 for none.
int  MACIBM_menu_title_at(float x, float y, int open);
// The item of menu `index` under the point that may be chosen (not empty,
// not a separator "-", not disabled "="); -1 for none.
int  MACIBM_menu_item_at(int index, float x, float y);
// Chooses the item of the open menu under the point: the pop-up slot hands
// its index to the list that opened it, any other menu its id to the
// application. 1 when an item was chosen, else 0.
int  MACIBM_menu_choose(int open, float x, float y);

#endif
