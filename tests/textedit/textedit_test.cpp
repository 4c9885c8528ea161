#include "te_host.h"
#include <gtest/gtest.h>

typedef std::vector<int> L;

TEST(TextEditLayout, TypingBreaksAndWrapping)
{
	te_host h;
	h.type("abc");
	EXPECT_EQ(h.text, "abc");
	EXPECT_EQ(h.sel_s(), 3);
	EXPECT_EQ(h.sel_e(), 3);
	EXPECT_EQ(h.lines(), L({0}));

	te_host b("ab\ncd");
	EXPECT_EQ(b.lines(), L({0, 3}));
	OGLE_SetSelection(b.ed, 3, 3);
	OGLE_Draw(b.ed, 1);
	ASSERT_EQ(b.boxes.size(), 1u);
	EXPECT_FLOAT_EQ(b.boxes[0][0], 0);	// start of line 2
	EXPECT_FLOAT_EQ(b.boxes[0][3], 20);	// its box hangs 10 below the top
	EXPECT_EQ(b.drawn, std::vector<std::string>({"ab", "cd"}));

	// wraps at blanks; the blank stays on the line it ends
	te_host w("aaaa bbbb cc", 48);	// 8 characters a line
	EXPECT_EQ(w.lines(), L({0, 5}));
	te_host w2("aaaa bbbb cc", 60);	// "aaaa bbbb " fills 10 exactly
	EXPECT_EQ(w2.lines(), L({0, 10}));

	// a final break adds no line; a caret after it sits at the end of the last line
	te_host f("ab\n");
	EXPECT_EQ(f.lines(), L({0}));

	// an edit that shortens the text drops the lines beyond it
	te_host s("ab\ncd\nef");
	EXPECT_EQ(s.lines(), L({0, 3, 6}));
	OGLE_ReplaceText(s.ed, 2, 8, nullptr, nullptr);
	EXPECT_EQ(s.text, "ab");
	EXPECT_EQ(s.lines(), L({0}));
	EXPECT_FLOAT_EQ(s.logical_h, 10);
}

TEST(TextEditLayout, OverWideWordSplitsByWholeCharacters)
{
	te_host a("abcdefgh", 18);	// 3 characters a line
	EXPECT_EQ(a.lines(), L({0, 1, 2, 3, 4, 5}));	// one per line until "fgh" fits

	// two-byte letters: no line ever starts inside a sequence
	std::string u;
	for (int i = 0; i < 6; ++i) u += "\xC3\xA9";
	te_host b(u, 12);
	for (int s : b.lines()) EXPECT_FALSE(utf8_is_cont((unsigned char)b.text[s])) << s;
	EXPECT_EQ(b.lines(), L({0, 2, 4, 6, 8}));
}

TEST(TextEditMoves, ShiftArrowsExtendTheActiveEnd)
{
	te_host h("0123456789\n0123456789", 120);
	OGLE_SetSelection(h.ed, 5, 5);
	h.key(29, 1);
	h.key(29, 1);
	EXPECT_EQ(h.sel_s(), 5);
	EXPECT_EQ(h.sel_e(), 7);
	h.key(31, 1);	// the end moves a line down, same column
	EXPECT_EQ(h.sel_s(), 5);
	EXPECT_EQ(h.sel_e(), 18);
	h.key(28, 1);
	EXPECT_EQ(h.sel_e(), 17);

	// plain arrows collapse a selection to its start / end
	h.key(28);
	EXPECT_EQ(h.sel_s(), 5);
	EXPECT_EQ(h.sel_e(), 5);
	OGLE_SetSelection(h.ed, 2, 4);
	h.key(29);
	EXPECT_EQ(h.sel_s(), 4);
	EXPECT_EQ(h.sel_e(), 4);

	// shift-left past the anchor flips the active end
	OGLE_SetSelection(h.ed, 3, 3);
	h.key(29, 1);
	h.key(28, 1);
	h.key(28, 1);
	EXPECT_EQ(h.sel_s(), 2);
	EXPECT_EQ(h.sel_e(), 3);
	EXPECT_EQ(h.ed->end_active, 0);

	// up on the first line goes to 0, down on the last to the text length
	OGLE_SetSelection(h.ed, 4, 4);
	h.key(30);
	EXPECT_EQ(h.sel_s(), 0);
	OGLE_SetSelection(h.ed, 15, 15);
	h.key(31);
	EXPECT_EQ(h.sel_s(), 21);

	// left at 0 and right at the end stay inside the text
	OGLE_SetSelection(h.ed, 0, 0);
	h.key(28);
	EXPECT_EQ(h.sel_s(), 0);
	OGLE_SetSelection(h.ed, 21, 21);
	h.key(29);
	EXPECT_EQ(h.sel_s(), 21);
}

TEST(TextEditMoves, GoalColumnSurvivesShortLines)
{
	te_host h("abcdef\nab\nabcdef\n", 120);
	OGLE_SetSelection(h.ed, 5, 5);
	h.key(31);
	EXPECT_EQ(h.sel_s(), 9);	// end of "ab", before its break
	h.key(31);
	EXPECT_EQ(h.sel_s(), 15);	// back in column 5
	h.key(29);			// a sideways move forgets the goal
	EXPECT_FLOAT_EQ(h.ed->goal_x, -1.0f);
}

TEST(TextEditMoves, MultiByteSteps)
{
	te_host h("a\xC3\xA9\xE2\x82\xAC" "b");	// a, e-acute (2 bytes), euro (3 bytes), b
	OGLE_SetSelection(h.ed, 7, 7);
	h.key(28);
	EXPECT_EQ(h.sel_s(), 6);
	h.key(28);
	EXPECT_EQ(h.sel_s(), 3);
	h.key(28);
	EXPECT_EQ(h.sel_s(), 1);
	h.key(29);
	EXPECT_EQ(h.sel_s(), 3);
	h.key(29);
	h.key(8);	// backspace takes the whole euro sign
	EXPECT_EQ(h.text, "a\xC3\xA9" "b");
	EXPECT_EQ(h.sel_s(), 3);
	h.key(8);
	EXPECT_EQ(h.text, "ab");
	EXPECT_EQ(h.sel_s(), 1);
}

TEST(TextEditMouse, ClicksAndDrags)
{
	te_host h("abcdef\nab\nabcdef", 120);
	OGLE_Click(h.ed, h.col_x(3), h.row_y(0), 0);
	EXPECT_EQ(h.sel_s(), 3);
	EXPECT_EQ(h.sel_e(), 3);
	OGLE_Drag(h.ed, h.col_x(2), h.row_y(2));
	EXPECT_EQ(h.sel_s(), 3);
	EXPECT_EQ(h.sel_e(), 12);
	OGLE_Drag(h.ed, h.col_x(1), h.row_y(0));	// back above the anchor: the start moves
	EXPECT_EQ(h.sel_s(), 1);
	EXPECT_EQ(h.sel_e(), 3);
	EXPECT_EQ(h.ed->end_active, 0);

	OGLE_Click(h.ed, h.col_x(1), h.row_y(0) + 100, 0);	// above the text
	EXPECT_EQ(h.sel_s(), 0);
	OGLE_Click(h.ed, h.col_x(1), h.row_y(5), 0);	// below the last line
	EXPECT_EQ(h.sel_s(), (int)h.text.size());
	OGLE_Click(h.ed, h.col_x(9), h.row_y(1), 0);	// right of a short line: its end
	EXPECT_EQ(h.sel_s(), 9);

	OGLE_SetSelection(h.ed, 4, 6);
	OGLE_Click(h.ed, h.col_x(1), h.row_y(0), 1);	// extend before the start
	EXPECT_EQ(h.sel_s(), 1);
	EXPECT_EQ(h.sel_e(), 6);
	EXPECT_EQ(h.ed->end_active, 0);
	OGLE_Click(h.ed, h.col_x(1), h.row_y(2), 1);	// extend past it
	EXPECT_EQ(h.sel_s(), 1);
	EXPECT_EQ(h.sel_e(), 11);
	EXPECT_EQ(h.ed->end_active, 1);
}

TEST(TextEditInput, BackspaceSelectionAndUtf8)
{
	te_host h("hello");
	h.ed->end_active = 0;
	OGLE_SetSelection(h.ed, 0, 0);
	h.key(8);
	EXPECT_EQ(h.text, "hello");
	EXPECT_EQ(h.ed->end_active, 1);

	OGLE_SetSelection(h.ed, 1, 4);
	h.key('X');
	EXPECT_EQ(h.text, "hXo");
	EXPECT_EQ(h.sel_s(), 2);
	OGLE_SetSelection(h.ed, 0, 2);
	h.key(8);
	EXPECT_EQ(h.text, "o");
	EXPECT_EQ(h.sel_s(), 0);

	h.utf8("\xC3\xA9");
	EXPECT_EQ(h.text, "\xC3\xA9o");
	EXPECT_EQ(h.sel_s(), 2);
	h.utf8("\xF0\x9F\x98\x80");
	EXPECT_EQ(h.sel_s(), 6);
	OGLE_Key_MBCS(h.ed, 1, "\x1C", 0);	// one byte keeps its key meaning: Left
	EXPECT_EQ(h.sel_s(), 2);
	OGLE_Key_MBCS(h.ed, 0, nullptr, 0);
	EXPECT_EQ(h.text, "\xC3\xA9\xF0\x9F\x98\x80o");
}

TEST(TextEditDraw, SelectionBoxesAndScrolling)
{
	te_host h("abcdef\nabcdef\nabcdef", 120);
	OGLE_SetSelection(h.ed, 2, 16);
	OGLE_Draw(h.ed, 1);
	ASSERT_EQ(h.boxes.size(), 3u);	// no caret with a selection
	EXPECT_EQ(h.boxes[0], std::vector<float>({12, 20, 120, 30}));
	EXPECT_EQ(h.boxes[1], std::vector<float>({0, 10, 120, 20}));
	EXPECT_EQ(h.boxes[2], std::vector<float>({0, 0, 12, 10}));

	// typing beyond the right edge scrolls the caret into view
	te_host s("", 30);
	s.extra_w = 1024;	// one long line, as a one-line field lays it out
	s.type("abcdefgh");
	EXPECT_GT(s.scrolls, 0);
	EXPECT_FLOAT_EQ(s.sx, 48 - 30);
	s.boxes.clear();
	OGLE_Draw(s.ed, 1);
	ASSERT_EQ(s.boxes.size(), 1u);
	EXPECT_FLOAT_EQ(s.boxes[0][0], 30);	// caret at the visible right edge
}

TEST(TextEditRobust, NonsenseFromTheHostStaysInsideTheText)
{
	te_host h("abc\ndef");
	h.bad_fit = 1;
	for (int i = 0; i < 6; ++i) {
		OGLE_Click(h.ed, 3, h.row_y(i % 2), 0);
		EXPECT_LE(0, h.sel_s());
		EXPECT_LE(h.sel_e(), 7);
		h.key(31);
		h.key(30);
		EXPECT_LE(h.sel_e(), 7);
	}
	OGLE_SetSelection(h.ed, -5, 99);
	EXPECT_EQ(h.sel_s(), 0);
	EXPECT_EQ(h.sel_e(), 7);
	OGLE_ReplaceText(h.ed, 5, 99, nullptr, nullptr);	// a range past the end is cut to it
	EXPECT_EQ(h.text, "abc\nd");

	// an engine that was never laid out still answers with real lines
	te_host n("xy");
	n.ed->line_starts.clear();
	EXPECT_EQ(OGLE_CharPosToLine(n.ed, 1), 0);
	n.key(31);
	EXPECT_EQ(n.sel_s(), 2);
	n.ed->line_starts.clear();
	OGLE_Draw(n.ed, 1);
	EXPECT_EQ(n.lines(), L({0}));
}

struct obj_host : OGLE {
	std::string t;
	void  GetVisibleBounds(float b[4]) override { b[0] = 0; b[1] = 0; b[2] = 100; b[3] = 10; }
	void  GetLogicalBounds(float b[4]) override { GetVisibleBounds(b); }
	void  SetLogicalHeight(float) override {}
	void  ScrollTo(float[2]) override {}
	void  GetText(const char** b, const char** e) override { *b = t.data(); *e = t.data() + t.size(); }
	void  ReplaceText(int s, int e, const char* nb, const char* ne) override { t.replace(s, e - s, nb ? std::string(nb, ne) : ""); }
	float GetLineHeight() override { return 10; }
	float MeasureString(const char* b, const char* e) override { return 5.0f * (e - b); }
	int   FitStringFwd(const char* b, const char* e, float w) override { return std::min((int)(e - b), (int)(w / 5)); }
	int   FitStringRev(const char*, const char*, float) override { return 0; }
	void  DrawString(const char*, const char*, float, float) override {}
	void  DrawSelection(float[4]) override {}
	const char* WordBreak(const char*, const char* e) override { return e; }
	const char* MBCS_Next(const char* p) override { return p + 1; }
	int   MBCS_NextPos(int p) override { return p + 1; }
	int   MBCS_PrevPos(int p) override { return p - 1; }
};

TEST(TextEditObject, TheWrapperForwardsToItsOperations)
{
	obj_host o;
	o.Repaginate();
	o.Key('h', 0);
	o.Key('i', 0);
	o.Key(28, 0);
	o.Key('-', 0);
	EXPECT_EQ(o.t, "h-i");
	o.Click(12, 5, 0);
	int s, e;
	o.GetSelection(&s, &e);
	EXPECT_EQ(s, 2);
	EXPECT_EQ(e, 2);
}
