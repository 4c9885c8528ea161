// Clicks and releases on the framework menus: which title or item a point
// hits, and what the click, the release and the frame's tracking then do.
#include "MACIBM_mnw.h"
#include "MACIBM_shell.h"
#include "UTL_clock.h"
#include "menu.h"
#include <gtest/gtest.h>

class Menus : public ::testing::Test {
protected:
	void SetUp() override
	{
		mnw.screen_w = 800;
		mnw.screen_h = 600;
		mnw.pix_scale = 1;
		MACIBM_clear_menus(1);
		MACIBM_startwind(0, 0);
		xtim.elapsed = 100;
		mnw.menu_click_time = 0;
		popup_menu_select = select_popup_code = active_popup_code = 0;
	}
	static void at(float x, float y)
	{
		mnw.mouse_x = x;
		mnw.mouse_y = y;
	}
	// A click as the event loop delivers it, the event at the frame's time.
	static void click(float x, float y)
	{
		at(x, y);
		mnw.event_time = xtim.elapsed;
		mnw.click_down = 1;
		MACIBM_handleclick(0);
	}
	static void release(float x, float y, float event_time = -1)
	{
		at(x, y);
		mnw.event_time = event_time >= 0 ? event_time : xtim.elapsed;
		mnw.click_up = 1;
		MACIBM_handlerelease();
	}
	// The pop-up slot laid out as a list does it: rows of 12 from the top down.
	static void popup(float l, float r, float top, std::initializer_list<const char*> texts, int code)
	{
		menu_struct& m = menu[menu_popup_slot];
		m.items.clear();
		for (const char* t : texts) {
			item_struct it{t, 0, (short)l, (short)(top - 12), (short)r, (short)top};
			m.items.push_back(it);
			top -= 12;
		}
		active_popup_code = code;
		mnw.open_menu = menu_popup_slot;
	}
	// Two menus on the bar, "File" and "Edit", with a separator and a disabled item.
	static void bar()
	{
		MACIBM_create_menu(0, -1, "File");
		MACIBM_append_menu(0, 0, 101, "Open");
		MACIBM_append_menu(0, 1, 102, "-");
		MACIBM_append_menu(0, 2, 103, "=Locked");
		MACIBM_append_menu(0, 3, 104, "Quit");
		MACIBM_create_menu(1, -1, "Edit");
		MACIBM_append_menu(1, 0, 201, "Copy");
	}
};

TEST_F(Menus, AnEmptyTableHoldsNoTitleAnywhere)
{
	// cleared menus have 0,0,0,0 and the pop-up slot -1,-1,-1,-1
	EXPECT_EQ(menu[menu_popup_slot].r, -1);
	for (float x : {-1.0f, 0.0f, 0.5f, 400.0f})
		for (float y : {-1.0f, 0.0f, 599.0f}) EXPECT_EQ(MACIBM_menu_title_at(x, y, -1), -1) << x << "," << y;
	click(0, 0);
	EXPECT_EQ(mnw.open_menu, -1);
	EXPECT_EQ(mnw.click_down, 1);	// the click stays for the widgets
}

TEST_F(Menus, AClickOnATitleOpensAndASecondClosesIt)
{
	bar();
	const menu_struct& file = menu[0];
	const menu_struct& edit = menu[1];
	EXPECT_EQ(edit.l, file.r);	// side by side on the bar
	click(file.l + 5, 590);
	EXPECT_EQ(mnw.open_menu, 0);
	EXPECT_EQ(mnw.click_down, 0);
	EXPECT_EQ(mnw.menu_click_time, 100);
	xtim.elapsed = 103;
	click(edit.l + 1, 590);	// another title moves the open menu
	EXPECT_EQ(mnw.open_menu, 1);
	click(edit.l + 1, 590);
	EXPECT_EQ(mnw.open_menu, -1);
	// the right and upper edges belong to the neighbour and the screen
	EXPECT_EQ(MACIBM_menu_title_at(file.r, 590, -1), 1);
	EXPECT_EQ(MACIBM_menu_title_at(file.l, file.t, -1), -1);
	EXPECT_EQ(MACIBM_menu_title_at(file.l, file.b, -1), 0);
}

TEST_F(Menus, OnlyChoosableItemsAreHitAndStackedItemsNeverShareAPoint)
{
	bar();
	const std::vector<item_struct>& it = menu[0].items;
	const float x = it[0].l + 10;
	EXPECT_EQ(MACIBM_menu_item_at(0, x, it[0].b + 1), 0);
	EXPECT_EQ(MACIBM_menu_item_at(0, x, it[1].b + 1), -1);	// separator
	EXPECT_EQ(MACIBM_menu_item_at(0, x, it[2].b + 1), -1);	// disabled
	EXPECT_EQ(MACIBM_menu_item_at(0, x, it[3].b + 1), 3);
	// the edge between Locked and Quit belongs to Locked, so Quit keeps its top
	// edge unchosen and Open's lower edge is Open's
	EXPECT_EQ(MACIBM_menu_item_at(0, x, it[3].t), -1);
	EXPECT_EQ(MACIBM_menu_item_at(0, x, it[0].b), 0);
	EXPECT_EQ(MACIBM_menu_item_at(0, it[0].r, it[0].b + 1), -1);
	EXPECT_EQ(MACIBM_menu_item_at(-1, x, it[0].b + 1), -1);
	EXPECT_EQ(MACIBM_menu_item_at(menu_count, x, it[0].b + 1), -1);

	MACIBM_append_menu(5, 3, 9, "Late");	// items 0-2 empty: never chosen
	EXPECT_EQ(MACIBM_menu_item_at(5, menu[5].items[0].l + 1, menu[5].items[0].b + 1), -1);
}

TEST_F(Menus, AClickOnAnItemClosesTheMenuAndTakesTheClick)
{
	bar();
	click(menu[0].l + 5, 590);
	const item_struct& quit = menu[0].items[3];
	click(quit.l + 5, quit.b + 5);
	EXPECT_EQ(mnw.open_menu, -1);
	EXPECT_EQ(mnw.click_down, 0);

	click(menu[0].l + 5, 590);
	const item_struct& sep = menu[0].items[1];
	click(sep.l + 5, sep.b + 1);	// a separator closes without a choice
	EXPECT_EQ(mnw.open_menu, -1);
	EXPECT_EQ(mnw.click_down, 1);
}

TEST_F(Menus, ReleasesChooseOnlyAfterASecond)
{
	bar();
	click(menu[0].l + 5, 590);
	const item_struct& open = menu[0].items[0];
	xtim.elapsed = 100.5f;
	release(open.l + 5, open.b + 5);	// the press that opened the menu
	EXPECT_EQ(mnw.open_menu, 0);
	xtim.elapsed = 102;
	release(menu[1].l + 5, 590);	// over another title: nothing
	EXPECT_EQ(mnw.open_menu, 0);
	release(400, 300);	// over nothing: stays open
	EXPECT_EQ(mnw.open_menu, 0);
	release(open.l + 5, open.b + 5);
	EXPECT_EQ(mnw.open_menu, -1);
	EXPECT_EQ(mnw.click_down, 0);

	click(menu[0].l + 5, 590);
	xtim.elapsed = 104;
	release(menu[0].l + 5, 590);	// over its own title: closed
	EXPECT_EQ(mnw.open_menu, -1);

	// a quick click whose release a slow frame takes seconds later still only opens
	click(menu[0].l + 5, 590);
	xtim.elapsed = 108;
	release(menu[0].l + 5, 590, 104.05f);
	EXPECT_EQ(mnw.open_menu, 0);
}

TEST_F(Menus, TheOpenMenuFollowsTheMouseAlongTheBar)
{
	bar();
	click(menu[0].l + 5, 590);
	at(menu[1].l + 5, 590);
	MACIBM_menu_track();
	EXPECT_EQ(mnw.open_menu, 1);
	at(400, 300);
	MACIBM_menu_track();
	EXPECT_EQ(mnw.open_menu, 1);	// leaving the bar keeps it
	mnw.open_menu = -1;
	at(menu[0].l + 5, 590);
	MACIBM_menu_track();
	EXPECT_EQ(mnw.open_menu, -1);	// nothing opens by passing over
}

TEST_F(Menus, ASubmenuOpensFromItsItemInItsOwnerOnly)
{
	bar();
	MACIBM_create_menu(2, 0 * 300 + 3, "More");	// hangs from File's "Quit"
	const item_struct& quit = menu[0].items[3];
	EXPECT_EQ(menu[2].owner, 0);
	EXPECT_EQ(menu[2].l, quit.l);
	EXPECT_EQ(menu[2].t, quit.t);
	EXPECT_EQ(MACIBM_menu_title_at(quit.l + 5, quit.b + 5, 1), -1);	// Edit is open
	click(menu[0].l + 5, 590);
	click(quit.l + 5, quit.b + 5);
	EXPECT_EQ(mnw.open_menu, 2);
	EXPECT_EQ(mnw.click_down, 0);
}

TEST_F(Menus, APopupDeliversItsIndexToTheListThatOpenedIt)
{
	popup(100, 200, 300, {"Macintosh", "Windows", "Linux"}, 4242);
	click(150, 300 - 24 - 6);	// third row
	EXPECT_EQ(popup_menu_select, 2);
	EXPECT_EQ(select_popup_code, 4242);
	EXPECT_EQ(active_popup_code, 0);
	EXPECT_EQ(mnw.open_menu, -1);
	EXPECT_EQ(mnw.click_down, 0);

	// a click beside it closes it for good: the list does not open it again
	popup(100, 200, 300, {"Macintosh", "Windows"}, 77);
	select_popup_code = 0;
	click(250, 295);
	EXPECT_EQ(mnw.open_menu, -1);
	EXPECT_EQ(active_popup_code, 0);
	EXPECT_EQ(select_popup_code, 0);
	EXPECT_EQ(mnw.click_down, 1);
}

TEST_F(Menus, APopupInADialogIsChosenWhileTheCloseBoxesStillWork)
{
	MACIBM_startwind(2, 0);	// "Prefs" has close boxes
	popup(200, 300, 300, {"Macintosh", "Windows", "Linux"}, 9);
	click(250, 300 - 12 - 6);
	EXPECT_EQ(mnw.current_window, 2);
	EXPECT_EQ(popup_menu_select, 1);
	EXPECT_EQ(select_popup_code, 9);

	popup(200, 300, 300, {"Macintosh"}, 9);
	xtim.elapsed = 200;
	release(250, 295);	// releases choose in the main window only
	EXPECT_EQ(mnw.open_menu, menu_popup_slot);
	click(5, mnw.wind_h - 5);
	EXPECT_EQ(mnw.current_window, 0);
	EXPECT_EQ(mnw.open_menu, -1);
}
