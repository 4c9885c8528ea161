// What the text fields and lists decide without drawing: the bytes a key hands the
// engine, the cut to the byte limit, clipboard text, type-ahead, list bounds.
#include "butn_logic.h"
#include "butn_focus.h"
#include "keys.h"
#include "PLAT_keymap.h"
#include "MACIBM_mnw.h"
#include <SDL2/SDL_scancode.h>
#include <gtest/gtest.h>

// The bytes every key of a real key event would hand the field's engine.
static std::string typed_into_field(int sc, unsigned int ch, int mods, const char* text)
{
	focus_queue_t q = {};
	mnw.current_window = 0;
	BTN_begin_focus_ring();
	BTN_register_queue(77, &q, focus_mask_text, 1);
	keys_platform_down(PLAT_key_code(sc), ch, mods, 0, text);
	keys_platform_up(PLAT_key_code(sc), ch, mods);
	std::string all;
	for (int i = 0; i < q.count; ++i)
		if (!(q.flags[i] & 0x10)) all += BTN_text_key_bytes(q.chars[i], q.vkeys[i], q.flags[i]);
	BTN_unfocus_any();
	return all;
}

TEST(TextFieldKeys, OnlyCharactersBackspaceAndArrowsReachTheText)
{
	EXPECT_EQ(typed_into_field(SDL_SCANCODE_A, 'a', 0, "a"), "a");
	EXPECT_EQ(typed_into_field(SDL_SCANCODE_E, 'e', 0, "\xC3\xA9"), "\xC3\xA9");	// an accented letter
	EXPECT_EQ(typed_into_field(SDL_SCANCODE_BACKSPACE, '\b', 0, nullptr), "\b");
	EXPECT_EQ(typed_into_field(SDL_SCANCODE_LEFT, 0, 0, nullptr), "\x1C");
	EXPECT_EQ(typed_into_field(SDL_SCANCODE_RIGHT, 0, zenk_ShiftFlag, nullptr), "\x1D");
	// these must never put a byte into the text
	EXPECT_EQ(typed_into_field(SDL_SCANCODE_DELETE, 127, 0, nullptr), "");
	EXPECT_EQ(typed_into_field(SDL_SCANCODE_HOME, 0, 0, nullptr), "");
	EXPECT_EQ(typed_into_field(SDL_SCANCODE_END, 0, 0, nullptr), "");
	EXPECT_EQ(typed_into_field(SDL_SCANCODE_PAGEUP, 0, 0, nullptr), "");
	EXPECT_EQ(typed_into_field(SDL_SCANCODE_PAGEDOWN, 0, 0, nullptr), "");
	EXPECT_EQ(typed_into_field(SDL_SCANCODE_Q, 'q', zenk_ControlFlag, "q"), "");	// a shortcut types nothing

	EXPECT_EQ(BTN_text_key_bytes(0x20AC, 0, 0), "\xE2\x82\xAC");
	EXPECT_EQ(BTN_text_key_bytes(0x1F600, 0, 0), "\xF0\x9F\x98\x80");
	EXPECT_EQ(BTN_text_key_bytes(0x110000, 0, 0), "");
	EXPECT_EQ(BTN_text_key_bytes(0xD800, 0, 0), "");	// half a surrogate pair is no character
	EXPECT_EQ(BTN_text_key_bytes(0, 0, 0), "");
	EXPECT_EQ(BTN_text_key_bytes(9, 9, 0), "");
	EXPECT_EQ(BTN_text_key_bytes(31, 0, 0), "");	// a Down byte without the Down key
}

TEST(TextFieldKeys, ClipboardKeysReachTheFocusedFieldOnly)
{
	focus_queue_t text = {}, num = {};
	mnw.current_window = 0;
	BTN_begin_focus_ring();
	BTN_register_queue(5, &num, focus_mask_numeric, 0);
	BTN_register_queue(6, &text, focus_mask_text, 1);
	keys_platform_down(PLAT_key_code(SDL_SCANCODE_V), 'v', zenk_ControlFlag, 0, nullptr);
	ASSERT_EQ(text.count, 1);
	EXPECT_EQ(BTN_text_clip_key(text.vkeys[0], text.flags[0]), 'v');
	EXPECT_EQ(BTN_text_key_bytes(text.chars[0], text.vkeys[0], text.flags[0]), "");
	focus_id = 5;	// a number field does not take it
	EXPECT_EQ(BTN_dispatch_to_focus(0, 'C', zenk_ControlFlag | zenk_DownFlag), 0);
	EXPECT_EQ(BTN_text_clip_key('X', 0), 0);
	EXPECT_EQ(BTN_text_clip_key('A', zenk_ControlFlag), 0);
	BTN_unfocus_any();

	// pasted text becomes one line of characters the field takes; a break or tab
	// leaves a blank, so that the words stay apart
	EXPECT_EQ(BTN_text_paste_filter("a\tb\r\nc\x7F" "d\xC3\xA9"), "a b cd\xC3\xA9");
	EXPECT_EQ(BTN_text_paste_filter("line1\nline2\rline3\n\n"), "line1 line2 line3  ");
	EXPECT_EQ(BTN_text_paste_filter(std::string("x\0y", 3)), "xy");
	EXPECT_EQ(BTN_text_paste_filter("\xE2\x82"), "\xEF\xBF\xBD");	// a cut sequence is replaced, not kept
}

TEST(TextFieldKeys, CutToTheLimitKeepsWholeCharacters)
{
	std::string s = "ab\xC3\xA9\xE2\x82\xAC";	// 2 + 2 + 3 bytes
	EXPECT_EQ(BTN_text_cut(&s, 7), 0);
	EXPECT_EQ(BTN_text_cut(&s, 6), 1);
	EXPECT_EQ(s, "ab\xC3\xA9");
	EXPECT_EQ(BTN_text_cut(&s, 3), 1);
	EXPECT_EQ(s, "ab");
	EXPECT_EQ(BTN_text_cut(&s, -4), 1);
	EXPECT_EQ(s, "");
}

static std::string name_of(int k, void* ref) { return (*(std::vector<std::string>*)ref)[k]; }

TEST(Lists, TypeAheadFollowAndBounds)
{
	std::vector<std::string> names = {"Apple", "apricot", "Banana", "blue", "Cherry", "\xC3\x89t\xC3\xA9"};
	EXPECT_EQ(BTN_type_ahead_find("b", 0, 5, name_of, &names), 2);
	EXPECT_EQ(BTN_type_ahead_find("BL", 0, 5, name_of, &names), 3);
	EXPECT_EQ(BTN_type_ahead_find("ap", 1, 5, name_of, &names), 1);	// from `first` on
	EXPECT_EQ(BTN_type_ahead_find("ap", 2, 5, name_of, &names), -1);
	EXPECT_EQ(BTN_type_ahead_find("\xC3\x89t", 0, 5, name_of, &names), 5);
	EXPECT_EQ(BTN_type_ahead_find("cherry pie", 0, 5, name_of, &names), -1);
	EXPECT_EQ(BTN_type_ahead_find("a", 0, 5, nullptr, nullptr), -1);

	std::string ahead;
	float last = -100;
	BTN_type_ahead_add(&ahead, &last, 10.0f, 'b');
	BTN_type_ahead_add(&ahead, &last, 10.8f, 'l');	// within a second: the prefix grows
	EXPECT_EQ(ahead, "bl");
	BTN_type_ahead_add(&ahead, &last, 11.9f, 'c');	// a longer pause starts over
	EXPECT_EQ(ahead, "c");
	BTN_type_ahead_add(&ahead, &last, 12.0f, 0xE9);
	EXPECT_EQ(ahead, "c\xC3\xA9");

	int centre = 10;
	BTN_list_follow(14, &centre, 4);
	EXPECT_EQ(centre, 10);
	BTN_list_follow(15, &centre, 4);	// one past the shown rows going down
	EXPECT_EQ(centre, 11);
	BTN_list_follow(2, &centre, 4);	// far above: the selection becomes the lowest shown row
	EXPECT_EQ(centre, 6);

	EXPECT_EQ(BTN_clamp_index(-3, 3), 0);
	EXPECT_EQ(BTN_clamp_index(3, 3), 2);
	EXPECT_EQ(BTN_clamp_index(1, 3), 1);
	EXPECT_EQ(BTN_clamp_index(5, 0), 0);
}

TEST(Lists, PopupRowsStayOnScreen)
{
	// three rows at y 300 fit: the current row stays level with the field
	EXPECT_EQ(BTN_popup_anchor(0, 3, 300, 600), 0);
	EXPECT_EQ(BTN_popup_anchor(2, 3, 300, 600), 2);
	// near the bottom the rows move up one a frame until the lowest is on screen
	int a = 0;
	for (int i = 0; i < 10; ++i) a = BTN_popup_anchor(a, 5, 20, 600);
	EXPECT_EQ(a, 3);	// lowest row at 20 - 3 - 12 = 5
	// near the top they move down
	a = 4;
	for (int i = 0; i < 10; ++i) a = BTN_popup_anchor(a, 5, 580, 600);
	EXPECT_EQ(a, 0);	// the top, 589 + 12 x anchor, stays under 600 only at 0
	EXPECT_EQ(BTN_popup_anchor(9, 3, 300, 600), 2);	// an anchor outside the list is brought in
	EXPECT_EQ(BTN_popup_anchor(0, 0, 300, 600), 0);
}
