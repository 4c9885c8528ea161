#include "hl_utf.h"
#include <gtest/gtest.h>

static utf16_string u16(std::initializer_list<unsigned short> l) { return utf16_string(l); }

TEST(Utf, EightToSixteenAndBack)
{
	utf16_string w;
	std::string s;
	string_utf_8_to_16("\xF0\x9F\x98\x80", w);
	EXPECT_EQ(w, u16({0xD83D, 0xDE00}));
	string_utf_16_to_8(w, s);
	EXPECT_EQ(s, "\xF0\x9F\x98\x80");

	string_utf_8_to_16("\xC3\x84", w);
	EXPECT_EQ(w, u16({0x00C4}));
	string_utf_16_to_8(u16({0x00C4}), s);
	EXPECT_EQ(s, "\xC3\x84");

	string_utf_8_to_16("\x80\x80" "A", w);	// a leading run of continuation bytes is one U+0000
	EXPECT_EQ(w, u16({0x0000, 0x0041}));
	string_utf_8_to_16("\xF8" "A", w);
	EXPECT_EQ(w, u16({0x0000, 0x0041}));
	string_utf_8_to_16("\xE2\x82", w);	// cut short: the missing byte counts as 0
	EXPECT_EQ(w, u16({(unsigned short)(((0x2 * 64) + 0x02) * 64)}));
	string_utf_8_to_16("\xC3\x84\x80\x80" "B", w);	// surplus continuation bytes give nothing
	EXPECT_EQ(w, u16({0x00C4, 0x0042}));

	string_utf_16_to_8(u16({0xDC00}), s);	// a lone low surrogate stands for itself
	EXPECT_EQ(s, "\xED\xB0\x80");
	string_utf_16_to_8(u16({0xD800}), s);	// a high one at the end pairs with 0
	EXPECT_EQ(s, "\xF0\x90\x80\x80");

	w = u16({1, 2});
	string_utf_8_to_16("", w);
	EXPECT_TRUE(w.empty());
	s = "x";
	string_utf_16_to_8(utf16_string(), s);
	EXPECT_TRUE(s.empty());
}

TEST(Utf, BoundaryHelpersNeverSplitASequence)
{
	std::string s = "a\xC3\xA9\xE2\x82\xAC";	// 1 + 2 + 3 bytes
	EXPECT_EQ(utf8_cut_length(s, 6), 6);
	EXPECT_EQ(utf8_cut_length(s, 5), 3);
	EXPECT_EQ(utf8_cut_length(s, 4), 3);
	EXPECT_EQ(utf8_cut_length(s, 2), 1);
	EXPECT_EQ(utf8_cut_length(s, 0), 0);
	EXPECT_EQ(utf8_cut_length(s, 99), 6);
	EXPECT_EQ(utf8_prev(s.data(), 6, 6), 3);
	EXPECT_EQ(utf8_prev(s.data(), 6, 0), 0);
	EXPECT_EQ(utf8_next(s.data(), 6, 1), 3);
	EXPECT_EQ(utf8_next(s.data(), 6, 6), 6);

	std::string o;
	EXPECT_EQ(utf8_append(0x10FFFF, o), 4);
	EXPECT_EQ(utf8_append(0x110000, o), 0);
	EXPECT_EQ(o.size(), 4u);

	int p = 0;
	EXPECT_EQ(utf8_decode(s.data(), 6, &p), 'a');
	EXPECT_EQ(utf8_decode(s.data(), 6, &p), 0xE9u);
	EXPECT_EQ(utf8_decode(s.data(), 6, &p), 0x20ACu);
	EXPECT_EQ(p, 6);
	p = 0;
	EXPECT_EQ(utf8_decode("\xE2\x82", 2, &p), 0xFFFDu);	// truncated
	EXPECT_EQ(p, 2);
}
