#include "butn_logic.h"
#include "menu.h"
#include "MACIBM_mnw.h"
#include "UTL_cmdline.h"
#include <climits>
#include <gtest/gtest.h>

// Fatal alerts of a test run only log and exit, so no test waits on a window.
static void test_run_alerts()
{
	const char* argv[] = {"t", "--fps_test"};
	UTL_cmdline::init_unix(2, argv);
}

TEST(WidgetLabels, ExpandAndBreak)
{
	std::string t, h, p;
	BTN_expand_label("x-resolution of movie|(pix) { The y-resolution is auto-set.", &t, &h, &p);
	EXPECT_EQ(t, "x-resolution of movie");
	EXPECT_EQ(h, "(pix) ");
	EXPECT_EQ(p, "The y-resolution is auto-set.");
	BTN_expand_label("plain", &t, &h, &p);
	EXPECT_EQ(t, "plain");
	EXPECT_EQ(h, "");
	EXPECT_EQ(p, "");
	BTN_expand_label("name|hint{", &t, &h, &p);	// ends in the brace: no help, no overrun
	EXPECT_EQ(t, "name");
	EXPECT_EQ(h, "hint");
	EXPECT_EQ(p, "");
	BTN_expand_label("a{ b|c", &t, &h, &p);	// the brace before the bar: no hint
	EXPECT_EQ(t, "a{ b");
	EXPECT_EQ(h, "");

	EXPECT_EQ(BTN_label_break("Install the copy now"), 11);	// the blank nearest 10
	EXPECT_EQ(BTN_label_break("abcdefghijklmnop"), -1);
	EXPECT_EQ(BTN_label_break(" abcdefghijklm-"), -1);	// ends never split
}

TEST(WidgetNumbers, DigitsKeysAndLimits)
{
	float v = 123;
	int hot = 1;
	EXPECT_EQ(BTN_numeric_key(&v, &hot, 3, 0, 0, 999, '7', 55), 1);
	EXPECT_FLOAT_EQ(v, 173);
	EXPECT_EQ(hot, 2);
	BTN_numeric_key(&v, &hot, 3, 0, 0, 999, '9', 57);
	EXPECT_FLOAT_EQ(v, 179);
	EXPECT_EQ(hot, 0);
	BTN_numeric_key(&v, &hot, 3, 0, 0, 999, 28, 37);	// Left wraps to the last digit
	EXPECT_EQ(hot, 2);
	BTN_numeric_key(&v, &hot, 3, 0, 0, 999, 30, 38);	// Up adds its place value
	EXPECT_FLOAT_EQ(v, 180);
	// a field without negatives keeps its value on '-' and '+'; one with them flips the sign
	EXPECT_EQ(BTN_numeric_key(&v, &hot, 3, 0, 0, 999, '-', 177), 0);
	EXPECT_FLOAT_EQ(v, 180);
	EXPECT_EQ(BTN_numeric_key(&v, &hot, 3, 0, 0, 999, '+', 176), 0);
	EXPECT_EQ(BTN_numeric_key(&v, &hot, 3, 0, -999, 999, '-', 177), 1);
	EXPECT_FLOAT_EQ(v, -180);
	EXPECT_EQ(BTN_numeric_key(&v, &hot, 3, 0, -999, 999, '+', 176), 1);
	EXPECT_FLOAT_EQ(v, 180);

	EXPECT_FLOAT_EQ(BTN_flt_max(3, 1), 99.9f);
	EXPECT_FLOAT_EQ(BTN_numeric_settle(1234.0f, 1, 0, BTN_flt_max(3, 1)), 99.9f);
	EXPECT_FLOAT_EQ(BTN_numeric_settle(2.25f, 1, 0, 99), 2.3f);
	EXPECT_FLOAT_EQ(BTN_numeric_settle(-2.25f, 1, -99, 99), -2.3f);

	// ten digits show more than an int holds: the int field clamps
	EXPECT_EQ(BTN_float_to_int(BTN_flt_max(10, 0)), INT_MAX);
	EXPECT_EQ(BTN_float_to_int(-BTN_flt_max(10, 0)), INT_MIN);
	EXPECT_EQ(BTN_float_to_int(-17.9f), -17);
}

TEST(WidgetText, FieldKeysListsAndAlphabet)
{
	EXPECT_TRUE(BTN_text_key_ok('a', 65));
	EXPECT_TRUE(BTN_text_key_ok(0xE9, 0));
	EXPECT_TRUE(BTN_text_key_ok(8, 8));
	EXPECT_TRUE(BTN_text_key_ok(28, 37));
	EXPECT_FALSE(BTN_text_key_ok(0, 46));	// Delete
	EXPECT_FALSE(BTN_text_key_ok(127, 46));
	EXPECT_FALSE(BTN_text_key_ok(1, 36));	// Home
	EXPECT_FALSE(BTN_text_key_ok(4, 35));	// End
	EXPECT_FALSE(BTN_text_key_ok(11, 33));
	EXPECT_FALSE(BTN_text_key_ok(0, 34));
	EXPECT_FALSE(BTN_text_key_ok(0, 0));
	EXPECT_FALSE(BTN_text_key_ok(127, 0));
	EXPECT_FALSE(BTN_text_key_ok(13, 13));

	std::vector<std::string> items;
	BTN_split_items("red-green-blue", items);
	EXPECT_EQ(items, std::vector<std::string>({"red", "green", "blue"}));
	BTN_split_items("", items);
	EXPECT_EQ(items, std::vector<std::string>({""}));
	test_run_alerts();
	EXPECT_EXIT(BTN_split_items("a|b", items), ::testing::ExitedWithCode(1), "");
	EXPECT_EXIT(BTN_split_items(std::string(300, '-'), items), ::testing::ExitedWithCode(1), "");

	EXPECT_EQ(BTN_chars_at(BTN_chars_index(' ') - 1), '-');	// Up on a blank gives '-'
	EXPECT_EQ(BTN_chars_at(BTN_chars_index('-') + 1), ' ');
	EXPECT_EQ(BTN_chars_index('?'), 1);
}

TEST(Menus, TableItemsAndFile)
{
	test_run_alerts();
	mnw.screen_h = 600;
	MACIBM_clear_menus(1);
	ASSERT_EQ(menu.size(), 1520u);
	EXPECT_EQ(menu[7].owner, -1);
	EXPECT_EQ(menu[7].r, 0);
	MACIBM_clear_menus(0);
	MACIBM_clear_menus(2);
	EXPECT_EQ(menu.size(), 1520u);

	MACIBM_create_menu(0, -1, std::string(60, 'T'));
	EXPECT_EQ(menu[0].title.size(), 40u);
	EXPECT_EQ(menu[0].b, 582);
	MACIBM_append_menu(0, 5, 77, "Quit");
	ASSERT_EQ(menu[0].items.size(), 6u);
	EXPECT_EQ(menu[0].items[0].text, "");
	EXPECT_EQ(menu[0].items[0].t, 580);
	EXPECT_EQ(menu[0].items[0].b, 568);
	EXPECT_EQ(menu[0].items[5].id, 77);
	MACIBM_append_menu(0, 1, 3, "-");	// a separator is 2 tall
	EXPECT_EQ(menu[0].items[1].t - menu[0].items[1].b, 2);
	short b5 = menu[0].items[5].b;
	MACIBM_remove_menu_item(0, 1);
	EXPECT_EQ(menu[0].items.size(), 5u);
	EXPECT_EQ(menu[0].items[4].b, b5 + 2);
	MACIBM_remove_menu_item(0, 50);	// no such item: refused
	MACIBM_append_menu(-1, 0, 0, "x");
	EXPECT_EQ(menu[0].items.size(), 5u);

	const char body[] = "  -1 File\n10 Open\n\t11 Save As\n-\n-1 Edit\n20 Copy\n\nignored\n";
	MACIBM_clear_menus(1);
	MACIBM_read_menus_text(body, body + sizeof(body) - 1);
	EXPECT_EQ(menu[0].title, "File");
	ASSERT_EQ(menu[0].items.size(), 2u);
	EXPECT_EQ(menu[0].items[1].text, "Save As");
	EXPECT_EQ(menu[0].items[1].id, 11);
	EXPECT_EQ(menu[1].title, "Edit");
	EXPECT_GE(menu[1].l, menu[0].r);
	EXPECT_EQ(menu[2].title, "");
	EXPECT_EXIT(MACIBM_create_menu(1520, -1, "x"), ::testing::ExitedWithCode(1), "");
}
