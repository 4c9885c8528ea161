#include "keys.h"
#include "butn_focus.h"
#include "PLAT_keymap.h"
#include "MACIBM_mnw.h"
#include "UTL_alert.h"
#include "UTL_cmnd.h"
#include <SDL2/SDL_scancode.h>
#include <gtest/gtest.h>
#include <clocale>

// A widget's queue on the ring, as a text field registers it.
struct ring_fixture : ::testing::Test {
	focus_queue_t q = {};
	void SetUp() override
	{
		mnw.current_window = 0;
		return_hit = escape_hit = delete_hit = 0;
		BTN_begin_focus_ring();
		BTN_unfocus_any();
		keys.bindings.clear();
	}
	void reg(int id, int mask, int take = 0) { BTN_register_queue(id, &q, mask, take); }
	void press(int sc, unsigned int ch, int mods = 0, const char* text = nullptr)
	{
		keys_platform_down(PLAT_key_code(sc), ch, mods, 0, text);
	}
	void release(int sc, unsigned int ch, int mods = 0) { keys_platform_up(PLAT_key_code(sc), ch, mods); }
};

TEST_F(ring_fixture, VirtualKeysAndTypedCharacters)
{
	reg(5, 0x3FF, 1);
	press(SDL_SCANCODE_KP_PERIOD, '.', 0, ".");
	press(SDL_SCANCODE_PERIOD, '.', 0, ".");
	press(SDL_SCANCODE_LEFT, 0);
	press(SDL_SCANCODE_A, 'a', zenk_ShiftFlag, "A");
	press(SDL_SCANCODE_KP_3, 0);	// keypad digits type their digit even with Num Lock off
	ASSERT_EQ(q.count, 5);
	EXPECT_EQ(q.vkeys[0], ZENK_VK_DECIMAL);
	EXPECT_EQ(q.chars[0], '.');
	EXPECT_EQ(q.vkeys[1], 185);
	EXPECT_EQ(q.vkeys[2], ZENK_VK_LEFT);
	EXPECT_EQ(q.chars[2], 28);
	EXPECT_EQ(q.vkeys[3], 65);
	EXPECT_EQ(q.chars[3], 'A');
	EXPECT_EQ(q.flags[3], zenk_ShiftFlag | zenk_DownFlag);
	EXPECT_EQ(q.vkeys[4], 99);
	EXPECT_EQ(q.chars[4], '3');
	EXPECT_EQ(q.ids[4], 5);
}

TEST_F(ring_fixture, ComposedAndKeylessTextPairsPressAndRelease)
{
	reg(5, 0x3FF, 1);
	press(SDL_SCANCODE_APOSTROPHE, 0);	// a dead key types nothing yet
	press(SDL_SCANCODE_E, 'e', 0, "\xC3\xA9");
	release(SDL_SCANCODE_E, 'e');
	ASSERT_EQ(q.count, 3);
	EXPECT_EQ(q.chars[0], 0);
	EXPECT_EQ(q.chars[1], 0xE9);
	EXPECT_EQ(q.chars[2], 0xE9);	// the release reports what the press typed
	EXPECT_EQ(q.flags[2], zenk_UpFlag);

	q.count = 0;
	keys_platform_text("\xC3\xBC" "B");	// an input method: no key at all
	ASSERT_EQ(q.count, 4);
	EXPECT_EQ(q.chars[0], 0xFC);
	EXPECT_EQ(q.flags[0], zenk_DownFlag);
	EXPECT_EQ(q.chars[1], 0xFC);
	EXPECT_EQ(q.flags[1], zenk_UpFlag);
	EXPECT_EQ(q.vkeys[2], 66);
	EXPECT_EQ(q.chars[2], 'B');
}

TEST_F(ring_fixture, TabMovesAroundTheRingAndMasksFilter)
{
	focus_queue_t a = {}, b = {}, c = {};
	EXPECT_EQ(BTN_dispatch_to_focus(9, 9, zenk_DownFlag), 0);	// empty ring
	EXPECT_EQ(focus_id, 0);
	BTN_register_queue(10, &a, focus_mask_numeric, 0);
	BTN_register_queue(20, &b, focus_mask_text, 0);
	BTN_register_queue(30, &c, focus_mask_list, 0);
	press(SDL_SCANCODE_TAB, '\t');
	EXPECT_EQ(focus_id, 10);
	press(SDL_SCANCODE_TAB, '\t');
	EXPECT_EQ(focus_id, 20);
	press(SDL_SCANCODE_TAB, '\t', zenk_ShiftFlag);
	press(SDL_SCANCODE_TAB, '\t', zenk_ShiftFlag);	// from the first back to the last
	EXPECT_EQ(focus_id, 30);

	focus_id = 10;
	press(SDL_SCANCODE_Q, 'q', 0, "q");	// a letter is not the numeric field's
	EXPECT_EQ(a.count, 0);
	press(SDL_SCANCODE_7, '7', 0, "7");
	EXPECT_EQ(a.count, 1);
	focus_id = 30;
	press(SDL_SCANCODE_BACKSPACE, '\b');	// the list takes no Backspace
	EXPECT_EQ(c.count, 0);
	EXPECT_EQ(delete_hit, 1);
	press(SDL_SCANCODE_RETURN, '\r');	// Return goes on to the window
	EXPECT_EQ(return_hit, 1);

	// a focus that no longer registers is dropped; Tab then starts at the first entry
	BTN_begin_focus_ring();
	BTN_register_queue(40, &a, focus_mask_text, 0);
	focus_id = 99;
	press(SDL_SCANCODE_TAB, '\t');
	EXPECT_EQ(focus_id, 40);

	// a full queue drops the key instead of writing past it
	a.count = 64;
	EXPECT_EQ(BTN_dispatch_to_focus('x', 88, zenk_DownFlag), 1);
	EXPECT_EQ(a.count, 64);

	// the alert window gets no widget keys
	mnw.current_window = WIND_advise;
	a.count = 0;
	EXPECT_EQ(BTN_dispatch_to_focus('x', 88, zenk_DownFlag), 0);
	mnw.current_window = 0;
}

TEST_F(ring_fixture, ModifierAndLockKeysAreNoKeys)
{
	EXPECT_TRUE(PLAT_key_is_modifier(SDL_SCANCODE_LSHIFT));
	EXPECT_TRUE(PLAT_key_is_modifier(SDL_SCANCODE_CAPSLOCK));
	EXPECT_TRUE(PLAT_key_is_modifier(SDL_SCANCODE_NUMLOCKCLEAR));
	EXPECT_FALSE(PLAT_key_is_modifier(SDL_SCANCODE_A));
	EXPECT_EQ(PLAT_key_code(SDL_SCANCODE_RETURN), 36);
	EXPECT_EQ(PLAT_key_code(SDL_SCANCODE_DELETE), 117);
	EXPECT_GE(PLAT_key_code(SDL_SCANCODE_AUDIOPLAY), 128);	// no such key: a run-time code
	// every unknown scancode still becomes some virtual key
	int v = keys_class::vkey_for_code(PLAT_key_code(SDL_SCANCODE_AUDIOPLAY), 0, 0, keys.free_codes, keys.max_code);
	EXPECT_GT(v, 189);
	EXPECT_EQ(keys.max_code, 189);
	EXPECT_EQ(keys.free_codes.size(), 189u - 110u);
}

TEST_F(ring_fixture, BindingsPressRepeatAndRelease)
{
	keys.keys_io(0);
	EXPECT_TRUE(keys.bindings.empty());	// neither default command has a key

	int quit = cmnd.get_cmnd_by_name("sim/operation/quit");
	keys.bindings.push_back({81, zenk_ControlFlag, quit, 0});
	int before = cmnd.press_counts[quit];
	press(SDL_SCANCODE_Q, 'q', 0, "q");	// without the modifier: nothing
	EXPECT_EQ(cmnd.press_counts[quit], before);
	press(SDL_SCANCODE_Q, 'q', zenk_ControlFlag);
	EXPECT_EQ(cmnd.press_counts[quit], before + 1);
	EXPECT_EQ(keys.bindings[0].down, 1);
	EXPECT_EQ(app_done, 1);
	app_done = 0;
	keys.run_repeat_keys();
	release(SDL_SCANCODE_Q, 'q', 0);	// a release matches whatever the modifiers
	EXPECT_EQ(keys.bindings[0].down, 0);
	EXPECT_EQ(keys.key_bound_to(81, zenk_ControlFlag), quit);
	EXPECT_EQ(keys.get_key_for_cmnd(quit), "CTRL-q");
	keys.bindings.clear();

	// Shift let go before the letter: the binding editor still gets Shift-K.
	press(SDL_SCANCODE_K, 'K', zenk_ShiftFlag, "K");
	const int k = keys.last_vkey;
	release(SDL_SCANCODE_K, 'k', 0);
	EXPECT_EQ(keys.last_flags, 0);
	EXPECT_EQ(keys.last_press_vkey, k);
	EXPECT_EQ(keys.last_press_flags, zenk_ShiftFlag);
}

TEST(Keys, Names)
{
	EXPECT_EQ(keys_class::vkey_to_str(0), "<NONE>");
	EXPECT_EQ(keys_class::vkey_to_str(200), "KEY200");
	EXPECT_EQ(keys_class::vkey_to_str(33), "PageUp");
	EXPECT_EQ(keys_class::vkey_to_code(33), "ZENK_VK_PRIOR");
	EXPECT_EQ(keys_class::vkey_to_code(300), "300");
	EXPECT_EQ(keys_class::str_to_vkey("pageup"), 33);
	EXPECT_EQ(keys_class::str_to_vkey("KEY12x"), 0);
	EXPECT_EQ(keys_class::str_to_vkey("KEY200"), 200);
	EXPECT_EQ(keys_class::str_to_vkey("KEY99999999999999"), 0);	// no such key, not an overflow
	EXPECT_EQ(keys_class::str_to_vkey("KEY"), 0);
	EXPECT_EQ(keys_class::str_to_vkey("numpad-enter"), 188);
	EXPECT_EQ(keys_class::flag_to_str(5), "SHIFTCTRL");
	EXPECT_EQ(keys_class::flag_to_str(0), "<none>");
	EXPECT_EQ(keys_class::flag_to_code(0), "0");
	EXPECT_EQ(keys_class::str_to_flag("CTRL+SHIFT"), 5);
	int v, f;
	EXPECT_EQ(keys_class::ascii_to_vkey('?', v, f), 1);
	EXPECT_EQ(v, 184);
	EXPECT_EQ(f, 1);
	EXPECT_EQ(keys_class::ascii_to_vkey(0xE9, v, f), 0);
	EXPECT_EQ(v, 0);
}

TEST(Keys, SystemEncodingCharactersAsCodePoints)
{
	// the C locale's encoding is ASCII: its characters stand for themselves, a byte
	// above it converts to nothing
	setlocale(LC_CTYPE, "C");
	EXPECT_EQ(keys_class::script_to_utf32('A'), 'A');
	EXPECT_EQ(keys_class::script_to_utf32('~'), '~');
	EXPECT_EQ(keys_class::script_to_utf32(0xE9), 0);
	EXPECT_EQ(keys_class::script_to_utf32(300), 0);
	EXPECT_EQ(keys_class::script_to_utf32(-1), 0);
	// in UTF-8 a lone byte above 127 is no character either
	if (setlocale(LC_CTYPE, "C.UTF-8") || setlocale(LC_CTYPE, "C.utf8")) {
		EXPECT_EQ(keys_class::script_to_utf32('z'), 'z');
		EXPECT_EQ(keys_class::script_to_utf32(0xC3), 0);
		setlocale(LC_CTYPE, "C");
	}
	keys.debug();
}
