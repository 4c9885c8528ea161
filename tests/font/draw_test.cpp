// Text drawn in a real GL window (run under Xvfb) and read back.
#include <gtest/gtest.h>
#include "../support/gl_context.h"
#include "OGL_fonts.h"
#include "MACIBM_mnw.h"
#include "TEX_obj.h"
#include "TEX_image.h"
#include "UTL_cmdline.h"
#include "tman.h"
#include "colr.h"
#include "oglp.h"
#include "OGL_extensions.h"
#include "butn.h"
#include "butn_layout.h"
#include "UTL_alert.h"
#include <cstring>
#include <SDL2/SDL.h>
#include <GL/gl.h>
#include <random>
#include <vector>

enum { W = 512, H = 256, ink = 50 };

struct extent {
	int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1, lit = 0;
	bool empty() const { return lit == 0; }
};

class FontGL : public ::testing::Test {
protected:
	static TG_context    gl;
	static void SetUpTestSuite()
	{
		UTL_cmdline::add_one("--fps_test", "");
		ASSERT_TRUE(gl.open("font", W, H, false)) << gl.error;
		ren.alpha_mult = 1;
		ren.tex_units = 2;	// what detection finds on this GL
		colr.assign(ink, 1, 1, 1);
		OGL_nrml_colors();	// the blend the program starts with
	}
	static void TearDownTestSuite()
	{
		gl.close();
	}
	void SetUp() override
	{
		mnw.origin_x = mnw.origin_y = 0;
		TG_context::pixel_ortho(W, H);
		clear();
	}
	static void clear()
	{
		glClearColor(0, 0, 0, 1);
		glClear(GL_COLOR_BUFFER_BIT);
	}
	// The lit pixels inside a box (window pixels, y up).
	static extent lit(int bx = 0, int by = 0, int bw = W, int bh = H)
	{
		glFinish();
		std::vector<unsigned char> px((size_t)bw * bh * 3);
		glPixelStorei(GL_PACK_ALIGNMENT, 1);
		glReadPixels(bx, by, bw, bh, GL_RGB, GL_UNSIGNED_BYTE, px.data());
		extent e;
		for (int y = 0; y < bh; ++y)
			for (int x = 0; x < bw; ++x) {
				const unsigned char* p = &px[((size_t)y * bw + x) * 3];
				if (p[0] + p[1] + p[2] < 3 * 60) continue;
				++e.lit;
				e.x0 = std::min(e.x0, bx + x);
				e.x1 = std::max(e.x1, bx + x);
				e.y0 = std::min(e.y0, by + y);
				e.y1 = std::max(e.y1, by + y);
			}
		return e;
	}
};
TG_context FontGL::gl;

TEST_F(FontGL, BothFacesDrawWhereTheyMeasure)
{
	const std::string s = "Install Vantor";
	for (charset_t cs : {0, 1}) {
		clear();
		float w = OGL_measure_string(s, cs);
		float next = OGL_string(ink, 40, 100, s, 9999, cs, 0);
		EXPECT_EQ(next, 99);
		extent e = lit();
		ASSERT_FALSE(e.empty()) << "face " << cs;
		// 'I' starts within a pixel or two of x; the last stroke ends inside the advance
		EXPECT_NEAR(e.x0, 40, 2) << "face " << cs;
		EXPECT_NEAR(e.x1 + 1, 40 + w, 3) << "face " << cs;
		// capitals sit on the baseline y - 1 and are about 7.5 units tall at this size
		EXPECT_NEAR(e.y0, 99, 1) << "face " << cs;
		EXPECT_NEAR(e.y1 - e.y0 + 1, 8, 1) << "face " << cs;
		// glyph shapes, not their boxes: most of the extent stays dark
		EXPECT_LT(e.lit, (e.x1 - e.x0 + 1) * (e.y1 - e.y0 + 1) * 0.8) << "face " << cs;
	}
	EXPECT_GT(OGL_measure_string(s, 1), OGL_measure_string(s, 0));
	EXPECT_EQ(tman.tex_dx_tot(font_tex_regular), 1024);
	EXPECT_EQ(tman.tex_mode(font_tex_bold), TEX_ALPHA);
}

TEST_F(FontGL, WindowOriginMovesTheText)
{
	OGL_string(ink, 20, 50, "Next", 9999, 0, 0);
	extent a = lit();
	clear();
	mnw.origin_x = 100;
	mnw.origin_y = 30;
	float next = OGL_string(ink, 20, 50, "Next", 9999, 0, 0);
	EXPECT_EQ(next, 49);	// window coordinates, origin taken off again
	extent b = lit();
	EXPECT_EQ(b.x0, a.x0 + 100);
	EXPECT_EQ(b.y0, a.y0 + 30);
}

TEST_F(FontGL, AlignmentPutsXAtTheLeftCentreOrRight)
{
	const std::string s = "Back";
	float w = str_dx(s);
	OGL_string(ink, 200, 100, s, 9999, 0, 0);
	extent left = lit();
	clear();
	OGL_string(ink, 200, 100, s, 9999, 0, 1);
	extent mid = lit();
	clear();
	OGL_string(ink, 200, 100, s, 9999, 0, 2);
	extent right = lit();
	clear();
	OGL_string(ink, 200, 100, s, 9999, 0, 7);	// unknown: left
	extent other = lit();
	// whole-pixel snapping moves an edge by at most a pixel
	EXPECT_NEAR(mid.x0, left.x0 - w * 0.5f, 1.01f);
	EXPECT_NEAR(right.x0, left.x0 - w, 1.01f);
	EXPECT_NEAR(right.x1 + 1, 200, 3);
	EXPECT_NEAR((mid.x0 + mid.x1 + 1) * 0.5f, 200, 2);
	EXPECT_EQ(other.x0, left.x0);
}

TEST_F(FontGL, WrapsAtBlanksTenUnitsApartAndReturnsTheNextLine)
{
	const std::string s = "one two three four five six seven eight nine ten eleven twelve";
	float next = OGL_string(ink, 10, 200, s, 100, 0, 0);
	// count the lines by their baselines 10 units apart
	int lines = 0;
	for (int base = 199; base > 0; base -= 10) {
		extent e = lit(0, base - 2, W, 10);
		if (e.empty()) break;
		++lines;
		// each line stays within the width: it broke at the last blank
		EXPECT_LE(e.x1 + 1, 10 + 100 + 1) << "line " << lines;
		EXPECT_NEAR(e.x0, 10, 2) << "line " << lines;
	}
	EXPECT_GE(lines, 3);
	EXPECT_EQ(next, 199 - 10 * lines);
	// what was drawn is every word: lit pixels over all lines match the one-line drawing of
	// the words without their blanks
	extent all = lit();
	clear();
	OGL_string(ink, 10, 200, "onetwothreefourfivesixseveneightnineteneleventwelve", 9999, 0, 0);
	EXPECT_NEAR(lit().lit, all.lit, all.lit / 50 + 2);
}

TEST_F(FontGL, AWordLongerThanTheWidthBreaksAfterTheWidthIsReached)
{
	const std::string s = "abcdefghijklmnopqrstuvwxyz";
	float next = OGL_string(ink, 10, 200, s, 100, 0, 0);
	extent first = lit(0, 197, W, 10);
	// the line runs past 100 by at most one character
	EXPECT_GT(first.x1 + 1, 10 + 100 - 8);
	EXPECT_LE(first.x1 + 1, 10 + 100 + 12);
	EXPECT_LT(next, 190);
	// wrapped lines are aligned by their own width
	clear();
	OGL_string(ink, 300, 200, "aaaa bb", 30, 0, 2);
	extent l1 = lit(0, 197, W, 10), l2 = lit(0, 187, W, 10);
	EXPECT_NEAR(l1.x1 + 1, 300, 2);
	EXPECT_NEAR(l2.x1 + 1, 300, 2);
}

TEST_F(FontGL, LineEndsWithoutWrappingShareTheBaseline)
{
	float next = OGL_string(ink, 10, 100, "abc\ndef", 9999, 0, 0);
	EXPECT_EQ(next, 99);
	extent e = lit();
	EXPECT_LE(e.y1 - e.y0, 12);	// one line high
	// a line ended by LF is aligned by its full width
	clear();
	next = OGL_string(ink, 300, 100, "abc\nxyz", 50, 0, 2);
	EXPECT_EQ(next, 99 - 20);
	extent top = lit(0, 96, W, 10), bottom = lit(0, 86, W, 10);
	EXPECT_NEAR(top.x1 + 1, 300, 2);
	EXPECT_NEAR(bottom.x1 + 1, 300, 2);
	// blanks alone draw nothing and do not fail
	clear();
	EXPECT_EQ(OGL_string(ink, 10, 100, "   ", 9999, 0, 0), 99);
	EXPECT_EQ(OGL_string(ink, 10, 100, "", 9999, 0, 0), 99);
	EXPECT_EQ(OGL_font_string(ink, 10, 100, "", 50, 0, 0, 0), 100);
	EXPECT_TRUE(lit().empty());
}

TEST_F(FontGL, GlyphsAddedByMeasuringAreUploadedBeforeTheNextDraw)
{
	OGL_font_reset(2);
	OGL_string(ink, 10, 100, "A", 9999, 0, 0);
	str_dx("B");
	EXPECT_EQ(sFont[0]->dirty, 1);
	clear();
	OGL_string(ink, 10, 100, "B", 9999, 0, 0);
	EXPECT_EQ(sFont[0]->dirty, 0);
	extent b = lit();
	EXPECT_FALSE(b.empty());
	// An atlas that starts over while a line is measured still draws the whole line.
	const std::string line = "abcdefghijklmnopqrst";
	OGL_font_reset(2);
	clear();
	OGL_string(ink, 10, 100, line, 9999, 0, 0);
	extent whole = lit();
	OGL_font_reset(2);
	maxtexdim = 16;	// room for one shelf only
	for (unsigned c = 0x410; sFont[0]->pen_x < 960; ++c) OGL_measure_char(c, 0);
	int restarts = sFont[0]->restarts;
	clear();
	OGL_string(ink, 10, 100, line, 9999, 0, 0);
	EXPECT_EQ(sFont[0]->restarts, restarts + 1);
	extent e = lit();
	EXPECT_EQ(e.lit, whole.lit);
	EXPECT_EQ(e.x0, whole.x0);
	EXPECT_EQ(e.x1, whole.x1);
	maxtexdim = 0;
	OGL_font_reset(2);
}

TEST_F(FontGL, WrappedLinesKeepTheirInkApart)
{
	// Lines a pitch apart, with every descender, low line and bar above every
	// accent, in both faces, narrowed for Russian too: no two lines share a
	// pixel of ink, and the accents still stand above the capitals.
	const std::string deep = "pgqyj_|{}(),;çÇ‗ąęфдц", tall = "ÉÀÖÂÊÎÔÛÙÑéèêàâôûçЙЁйёÅ1lIT";
	std::string block;
	for (int shift = 0; shift < 6; ++shift) {
		std::string d, t;
		for (int k = 0; k < 3; ++k) d += std::string(shift, '.') + deep, t += std::string(5 - shift, '.') + tall;
		block += d + "\n" + t + "\n" + t + "\n" + d + "\n";
	}
	for (int lang : {0, 3})
		for (charset_t cs : {0, 1}) {
			mnw.language = lang;
			OGL_font_reset(2);
			BTN_layout_clear();
			BTN_layout_on = 1;
			float next = OGL_string(ink, 5, 250, block, 1900, cs, 0);	// one line each
			BTN_layout_on = 0;
			EXPECT_EQ(next, 249 - 10 * 24);
			for (const std::string& f : BTN_layout_faults(BTN_layout_items(), 2000, 2000))
				ADD_FAILURE() << "language " << lang << " face " << cs << ": " << f;
			// each line of capitals keeps accents above them (line i's baseline is 249 - 10 i)
			int accented = 0;
			const auto& items = BTN_layout_items();
			for (size_t i = 0; i < items.size(); ++i)
				if (items[i].what.find("É") != std::string::npos)
					accented += items[i].box.y1 >= 249 - 10.0f * i + sFont[cs]->cap_row + 2;
			EXPECT_EQ(accented, 12) << "language " << lang << " face " << cs;
		}
	mnw.language = 0;
	OGL_font_reset(2);
	// the low line sits in the row right under the baseline, not in the next line's letters
	clear();
	OGL_string(ink, 10, 100, "_", 9999, 0, 0);
	extent e = lit();
	EXPECT_EQ(e.y0, 98);
	EXPECT_EQ(e.y1, 98);
}

TEST_F(FontGL, NumbersInBothFaces)
{
	ASSERT_EQ(tman.load_texture(tex_fail_alert, 410, 0x30092, tex_load_2, "RESOURCE:interface.png"), 410);
	// bold: one 10-unit cell a digit, the first starting at x
	OGL_number(ink, 100, 100, 7, 3, 0, 1);
	for (int i = 0; i < 3; ++i) EXPECT_FALSE(lit(100 + 10 * i, 90, 10, 20).empty()) << "cell " << i;
	EXPECT_TRUE(lit(130, 90, 20, 20).empty());
	EXPECT_TRUE(lit(80, 90, 20, 20).empty());
	// regular: the text of the number, left at x, baseline y - 1
	clear();
	OGL_number(ink, 100, 100, 1234567, 7, 0, 0);
	extent n = lit();
	clear();
	OGL_string(ink, 100, 100, "1,234,567", 9999, 0, 0);
	extent t = lit();
	EXPECT_EQ(n.x0, t.x0);
	EXPECT_EQ(n.x1, t.x1);
	EXPECT_EQ(n.y1, t.y1);
}

TEST_F(FontGL, BadCharsetEndsTheProgram)
{
	float s1, t1, s2, t2;
	EXPECT_EXIT(OGL_strtex(2, ink, &s1, &t1, &s2, &t2), ::testing::ExitedWithCode(1), "");
}

TEST_F(FontGL, MalformedUtf8NeverCrashesDrawing)
{
	std::mt19937 rng(3);
	for (int round = 0; round < 400; ++round) {
		std::string s(rng() % 40, ' ');
		for (auto& c : s) c = (char)(rng() % 3 == 0 ? 0x80 + rng() % 0x80 : rng() % 256);
		float w = (round % 3 == 0) ? 9999 : (float)(rng() % 120);
		float next = OGL_string(ink, 10, 200, s, w, round & 1, round % 3);
		ASSERT_LE(next, 200);
		ASSERT_GT(next, 200 - 10.0f * (s.size() + 2));
	}
	EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(FontGL, GrayLabelSitsOnItsBox)
{
	glClearColor(0.5f, 0.5f, 0.5f, 1);
	glClear(GL_COLOR_BUFFER_BIT);
	float h = str_dx("Map") * 0.5f;
	OGL_gray_string(ink, 200, 100, "Map");
	glFinish();
	auto red = [](int x, int y) {
		unsigned char p[3];
		glPixelStorei(GL_PACK_ALIGNMENT, 1);
		glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
		return (int)p[0];
	};
	// the box spans x - h - 2 .. x + h + 2 and y - 2 .. y + 8, half covering what is under it
	int left = (int)(200 - h - 2), right = (int)(200 + h + 2);
	EXPECT_NEAR(red(left, 98), 64, 3);
	EXPECT_NEAR(red(right - 1, 107), 64, 3);
	EXPECT_NEAR(red(left - 1, 100), 128, 2);
	EXPECT_NEAR(red(right + 1, 100), 128, 2);
	EXPECT_NEAR(red(200, 97), 128, 2);
	// the label is drawn over it
	EXPECT_GT(lit(left, 98, right - left, 10).lit, 10);
}

TEST_F(FontGL, BoxedValueSitsBetweenTheLabelsParts)
{
	ASSERT_EQ(tman.load_texture(tex_fail_alert, 410, 0x30092, tex_load_2, "RESOURCE:interface.png"), 410);
	colr.assign(46, 1, 1, 1);	// the labels' colour
	ogl_inited = 1;	// the widget frames draw only with a context
	const float x = 256, y = 120;
	const float w = OGL_measure_string("1234", 0) + 7;
	OGL_boxed_string(x, y, "alt|ft", "1234", 0, ink);
	// the left part ends before the box, the right part starts after it
	// (the frame is 4 units wider than the value's box)
	extent l = lit(0, (int)y - 10, (int)(x - w / 2 - 4), 25);
	ASSERT_FALSE(l.empty());
	EXPECT_NEAR(l.x1 + 1, x - w / 2 - 8, 3);
	extent r = lit((int)(x + w / 2 + 4), (int)y - 10, W - (int)(x + w / 2 + 4), 25);
	ASSERT_FALSE(r.empty());
	EXPECT_NEAR(r.x0, x + w / 2 + 8, 3);
	// the box is drawn (not the cleared black) and holds the value from its left edge
	glFinish();
	unsigned char p[3];
	glReadPixels((int)(x - w / 2 + 1), (int)(y + 3), 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
	EXPECT_GT(p[0] + p[1] + p[2], 0);
	clear();
	BTN_frame1(9, x, y + 3, w, 0);
	glFinish();
	std::vector<unsigned char> box((size_t)W * 30 * 3), both((size_t)W * 30 * 3);
	glReadPixels(0, (int)y - 10, W, 30, GL_RGB, GL_UNSIGNED_BYTE, box.data());
	OGL_font_string(ink, x - w / 2 + 4, y - 1, "1234", 9999, 0, 0, 0);
	glFinish();
	glReadPixels(0, (int)y - 10, W, 30, GL_RGB, GL_UNSIGNED_BYTE, both.data());
	int first = W;
	for (int row = 0; row < 30; ++row)
		for (int c = 0; c < W; ++c)
			if (memcmp(&box[((size_t)row * W + c) * 3], &both[((size_t)row * W + c) * 3], 3)) first = std::min(first, c);
	EXPECT_NEAR(first, x - w / 2 + 4, 2);
	EXPECT_LT(first + OGL_measure_string("1234", 0), x + w / 2 + 1);
	ogl_inited = 0;
}

TEST_F(FontGL, BoxedValueWidthFollowsTheFace)
{
	// in the bold face the box is 10 units per byte plus 7
	ASSERT_EQ(tman.load_texture(tex_fail_alert, 410, 0x30092, tex_load_2, "RESOURCE:interface.png"), 410);
	colr.assign(46, 1, 1, 1);
	OGL_boxed_string(256, 120, "a|b", "123", 1, ink);
	const int after_box = 256 + (3 * 10 + 7) / 2 + 4;
	extent r = lit(after_box, 110, W - after_box, 25);
	ASSERT_FALSE(r.empty());
	EXPECT_NEAR(r.x0, 256 + (3 * 10 + 7) / 2.0 + 8, 3);
}
