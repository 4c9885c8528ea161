// The glyph cache, UTF-8 walks, measuring and fitting; no window needed.
#include <gtest/gtest.h>
#include "OGL_fonts.h"
#include "MACIBM_mnw.h"
#include "TEX_obj.h"
#include "UTL_stat.h"
#include "UTL_debug.h"
#include <ft2build.h>
#include FT_FREETYPE_H
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

static const unsigned char* U(const char* s) { return (const unsigned char*)s; }

// Decodes a whole buffer held in a block of exactly its size, so a read past
// the end shows in the sanitizer build.
static std::vector<unsigned> decode_all(const std::vector<unsigned char>& bytes)
{
	std::vector<unsigned char> exact(bytes);
	std::vector<unsigned> out;
	const unsigned char* p = exact.data();
	const unsigned char* end = p + exact.size();
	while (p < end) {
		const unsigned char* n;
		out.push_back(OGL_utf8_decode(p, end, &n));
		EXPECT_GT(n, p);
		EXPECT_LE(n, end);
		p = n;
	}
	return out;
}

TEST(FontUtf8, DecodesWellFormedAndMarksEveryFaultAsCodePointZero)
{
	EXPECT_EQ(decode_all({'A', 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80}),
	          (std::vector<unsigned>{'A', 0xE9, 0x20AC, 0x1F600}));
	// stray continuation; lead beyond 0xF7
	EXPECT_EQ(decode_all({0x80, 'a', 0xBF, 0xFF, 'b'}), (std::vector<unsigned>{0, 'a', 0, 0, 'b'}));
	// sequences cut short by the end of the range: nothing past it is read
	EXPECT_EQ(decode_all({'x', 0xE2, 0x82}), (std::vector<unsigned>{'x', 0}));
	EXPECT_EQ(decode_all({0xF0}), (std::vector<unsigned>{0}));
	EXPECT_EQ(decode_all({0xC3}), (std::vector<unsigned>{0}));
	// cut short by a byte that cannot continue: that byte starts the next character
	EXPECT_EQ(decode_all({0xE2, 'A', 'B'}), (std::vector<unsigned>{0, 'A', 'B'}));
	// continuation bytes beyond what the lead asks for are strays of their own
	EXPECT_EQ(decode_all({0xC3, 0xA9, 0xA9}), (std::vector<unsigned>{0xE9, 0}));
	// overlong forms of a blank and a line end are not a blank or a line end
	EXPECT_EQ(decode_all({0xC0, 0xA0, 0xE0, 0x80, 0x8A}), (std::vector<unsigned>{0, 0}));
	// beyond the Unicode range
	EXPECT_EQ(decode_all({0xF7, 0xBF, 0xBF, 0xBF}), (std::vector<unsigned>{0}));
}

TEST(FontUtf8, StepsBackToTheStartsAForwardWalkSees)
{
	std::mt19937 rng(7);
	const unsigned char pick[] = {'a', ' ', 0x80, 0xBF, 0xC3, 0xA9, 0xE2, 0x82, 0xF0, 0x9F, 0xF8};
	for (int round = 0; round < 2000; ++round) {
		std::vector<unsigned char> b(1 + rng() % 12);
		for (auto& c : b) c = pick[rng() % sizeof pick];
		const unsigned char* begin = b.data();
		const unsigned char* end = begin + b.size();
		std::vector<const unsigned char*> starts;
		for (const unsigned char* p = begin; p < end;) {
			starts.push_back(p);
			OGL_utf8_decode(p, end, &p);
		}
		const unsigned char* p = end;
		for (size_t i = starts.size(); i-- > 0;) {
			p = OGL_utf8_prev(begin, p);
			ASSERT_EQ(p, starts[i]) << "round " << round;
		}
	}
}

class FontCache : public ::testing::Test {
protected:
	void SetUp() override
	{
		maxtexdim = 0;
		mnw.language = 0;
		OGL_font_get(0);
		OGL_font_get(1);
		OGL_font_reset(2);
	}
	void TearDown() override
	{
		maxtexdim = 0;
		mnw.language = 0;
		OGL_font_reset(2);
	}
};

static float tex_mem()
{
	for (auto* s : UTL_stat_all()[stat_memory])
		if (!strcmp(s->name, "font/tex_mem")) return *s->value_ptr;
	for (UTL_stat* s = UTL_stat_waiting(); s; s = s->next)
		if (!strcmp(s->name, "font/tex_mem")) return *s->value_ptr;
	return -1;
}

TEST_F(FontCache, AtlasHoldsFreeTypesBitmapRowByRowWhateverItsPitch)
{
	// An independent rendering of the same glyphs to compare with.
	FT_Library lib;
	FT_Face face;
	ASSERT_EQ(FT_Init_FreeType(&lib), 0);
	std::string file = UTL_resource_get_file("DejaVuSans.ttf");
	ASSERT_FALSE(file.empty());
	ASSERT_EQ(FT_New_Face(lib, file.c_str(), 0, &face), 0);
	FT_Set_Char_Size(face, 0, (FT_F26Dot6)(10.5 * 64), 72, 72);
	OGL_font_info* f = sFont[0];
	for (unsigned code : {0x57u, 0x67u, 0x69u, 0x4Du, 0x416u /* Cyrillic Zhe */, 0x40u}) {
		float adv = f->require_char(code);
		ASSERT_EQ(FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT), 0);
		const FT_Bitmap& bm = face->glyph->bitmap;
		const OGL_glyph& g = f->glyphs.at(code);
		EXPECT_FLOAT_EQ(adv, face->glyph->metrics.horiAdvance / 64.0f);
		ASSERT_EQ(g.right - g.left, (int)bm.width);
		ASSERT_EQ(g.bottom - g.top, (int)bm.rows);
		for (int r = 0; r < (int)bm.rows; ++r)
			for (int c = 0; c < (int)bm.width; ++c) {
				int src = bm.buffer[r * bm.pitch + c];
				int want = (int)(pow(src / 255.0, 0.6) * 255.0);
				ASSERT_EQ(f->atlas[(g.top + r) * font_atlas_w + g.left + c], want)
				    << "code " << code << " row " << r << " col " << c;
			}
	}
	FT_Done_Face(face);
	FT_Done_FreeType(lib);
}

TEST(FontBitmap, RowsAreTakenAtTheirPitchEitherWay)
{
	// 3 x 2 coverage in rows padded to 8 bytes; the padding must not show.
	const unsigned char padded[16] = {255, 0, 64, 9, 9, 9, 9, 9, 0, 128, 255, 9, 9, 9, 9, 9};
	unsigned char out[2 * 4];
	memset(out, 7, sizeof out);
	OGL_font_copy_bitmap(out, 4, padded, 8, 3, 2, 0);
	auto lift = [](int v) { return (int)(pow(v / 255.0, 0.6) * 255.0); };
	const int want[8] = {255, 0, lift(64), 7, 0, lift(128), 255, 7};
	for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], want[i]) << i;
	// negative pitch: the same picture stored bottom row first
	const unsigned char flipped[16] = {0, 128, 255, 9, 9, 9, 9, 9, 255, 0, 64, 9, 9, 9, 9, 9};
	memset(out, 7, sizeof out);
	OGL_font_copy_bitmap(out, 4, flipped, -8, 3, 2, 0);
	for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], want[i]) << i;
	// one bit a pixel
	const unsigned char mono[4] = {0xA0, 0, 0x40, 0};
	OGL_font_copy_bitmap(out, 4, mono, 2, 3, 2, 1);
	EXPECT_EQ(std::vector<int>(out, out + 3), (std::vector<int>{255, 0, 255}));
	EXPECT_EQ(std::vector<int>(out + 4, out + 7), (std::vector<int>{0, 255, 0}));
}

TEST_F(FontCache, ShelvesWrapAtTheAtlasEdgeAndTheAtlasDoublesWithTheMemoryStat)
{
	OGL_font_info* f = sFont[1];
	EXPECT_EQ(f->rows, 0);
	EXPECT_EQ(tex_mem(), 0);
	int tallest = 0;
	unsigned code = 0x21;
	const OGL_glyph* crossed = nullptr;
	int prev_shelf = 0;
	while (!crossed && code < 0x500) {
		int shelf = f->shelf_y;
		tallest = f->shelf_h;
		f->require_char(code);
		const OGL_glyph& g = f->glyphs.at(code);
		if (g.right > g.left && g.top != shelf) {
			crossed = &g;
			prev_shelf = shelf;
		}
		++code;
	}
	ASSERT_NE(crossed, nullptr);
	EXPECT_EQ(crossed->left, 0);
	EXPECT_EQ(crossed->top, prev_shelf + tallest);
	// rows: a power of two that covers the shelves
	EXPECT_GE(f->rows, f->shelf_y + f->shelf_h);
	EXPECT_EQ(f->rows & (f->rows - 1), 0);
	EXPECT_EQ(tex_mem(), (float)f->rows);
	float before = f->require_char('Q');
	EXPECT_EQ(f->require_char('Q'), before);	// cached: no second glyph
	OGL_font_reset(1);
	EXPECT_EQ(f->rows, 0);
	EXPECT_EQ(tex_mem(), 0);
	EXPECT_TRUE(f->glyphs.empty());
}

TEST_F(FontCache, FullAtlasStartsOverInsteadOfGrowingPastTheLargestTexture)
{
	maxtexdim = 32;	// what a small GL would report
	OGL_font_info* f = sFont[0];
	std::vector<float> adv;
	for (unsigned code = 0x21; code < 0x21 + 1500; ++code) {
		adv.push_back(f->require_char(code));
		ASSERT_LE(f->rows, 32);
		ASSERT_LE(f->shelf_y + f->shelf_h, 32);
	}
	EXPECT_GT(f->restarts, 0);
	EXPECT_EQ(tex_mem(), 32);
	// what is cached after the last start lies inside the atlas and is measured as before
	for (auto& kv : f->glyphs) {
		EXPECT_LE(kv.second.bottom, f->rows);
		EXPECT_LE(kv.second.right, font_atlas_w);
	}
	for (unsigned code = 0x21; code < 0x21 + 1500; code += 97) EXPECT_EQ(f->require_char(code), adv[code - 0x21]);
}

TEST_F(FontCache, MeasuringTabsStraysAndTheRussianInterface)
{
	EXPECT_EQ(OGL_measure_char(9, 0), 0);
	EXPECT_EQ(OGL_measure_string("", 0), 0);
	float a = OGL_measure_char('a', 0), b = OGL_measure_char('b', 0);
	EXPECT_GT(a, 0);
	EXPECT_FLOAT_EQ(OGL_measure_string("ab", 0), a + b);
	EXPECT_FLOAT_EQ(OGL_measure_string(std::string("ab\0zzz", 6), 0), a + b);	// stops at NUL
	EXPECT_FLOAT_EQ(str_dx("ab"), a + b);
	EXPECT_GT(OGL_measure_string("ab", 1), a + b);	// bold is wider
	float zero = OGL_measure_char(0, 0);
	EXPECT_FLOAT_EQ(OGL_measure_string("a\x80", 0), a + zero);
	EXPECT_FLOAT_EQ(OGL_measure_string("\xE2" "a", 0), zero + a);
	EXPECT_EQ(OGL_measure_range(U("ab"), U("ab"), 0), 0);

	std::string word = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 world";
	float normal = str_dx(word);
	mnw.language = 3;
	OGL_font_reset(2);
	EXPECT_NEAR(str_dx(word), normal * 0.9f, 0.01f);
	mnw.language = 0;
}

TEST_F(FontCache, FittingForwardAndBackward)
{
	const char* s = "abc de";
	const unsigned char *b = U(s), *e = b + strlen(s);
	float ab = OGL_measure_range(b, b + 2, 0);
	EXPECT_EQ(OGL_fit_forward(b, e, ab, 0), b + 2);	// a sum equal to the width still fits
	EXPECT_EQ(OGL_fit_forward(b, e, ab - 0.01f, 0), b + 1);
	EXPECT_EQ(OGL_fit_forward(b, e, 1000, 0), e);
	EXPECT_EQ(OGL_fit_forward(b, b, 1000, 0), b);
	float de = OGL_measure_range(e - 2, e, 0);
	EXPECT_EQ(OGL_fit_reverse(b, e, de, 0), e - 2);
	EXPECT_EQ(OGL_fit_reverse(b, e, 1000, 0), b);
	EXPECT_EQ(OGL_fit_reverse(b, b, 1000, 0), b);
	// a last character wider than the width: nothing fits either way
	EXPECT_EQ(OGL_fit_reverse(b, e, 1, 0), e);
	EXPECT_EQ(OGL_fit_forward(b, e, 1, 0), b);
	// multi-byte characters are taken whole
	const char* m = "\xC3\xA9\xE2\x82\xAC";
	const unsigned char *mb = U(m), *me = mb + 5;
	float eacute = OGL_measure_range(mb, mb + 2, 0);
	EXPECT_EQ(OGL_fit_forward(mb, me, eacute, 0), mb + 2);
	EXPECT_EQ(OGL_fit_reverse(mb, me, OGL_measure_range(mb + 2, me, 0), 0), mb + 2);
}

TEST_F(FontCache, MalformedBytesNeverCrashMeasuringOrFitting)
{
	std::mt19937 rng(11);
	for (int round = 0; round < 3000; ++round) {
		std::vector<unsigned char> b(rng() % 24);
		for (auto& c : b) c = (unsigned char)(rng() % 4 == 0 ? 0x80 + rng() % 0x80 : rng());
		const unsigned char* begin = b.data();
		const unsigned char* end = begin + b.size();
		float w = OGL_measure_range(begin, end, round & 1);
		EXPECT_GE(w, 0);
		const unsigned char* f = OGL_fit_forward(begin, end, w * 0.5f, round & 1);
		const unsigned char* r = OGL_fit_reverse(begin, end, w * 0.5f, round & 1);
		ASSERT_TRUE(f >= begin && f <= end);
		ASSERT_TRUE(r >= begin && r <= end);
	}
}

TEST(FontNumber, RegularFaceText)
{
	EXPECT_EQ(OGL_number_text(0.004f, 3, 2), "0.00");
	EXPECT_EQ(OGL_number_text(-0.004f, 3, 2), "-0.00");
	EXPECT_EQ(OGL_number_text(-0.0004f, 3, 2), "0.00");
	// an infinity or a NaN shows dashes (it once never came back)
	EXPECT_EQ(OGL_number_text(INFINITY, 3, 0), "---");
	EXPECT_EQ(OGL_number_text(-INFINITY, 5, 2), "-----");
	EXPECT_EQ(OGL_number_text(NAN, 4, 1), "----");
	EXPECT_EQ(OGL_number_text(3.0e38f, 3, 0), "3.00x8");
	EXPECT_EQ(OGL_number_text(5, 0, 0), "0.05x2");
	EXPECT_EQ(OGL_number_text(123456, 3, 0), "1.23x5");
	EXPECT_EQ(OGL_number_text(1234567, 7, 0), "1,234,567");
	EXPECT_EQ(OGL_number_text(3.14159f, 4, 2), "03.14");
	EXPECT_EQ(OGL_number_text(7, 3, 0), "007");
	EXPECT_EQ(OGL_number_text(-1234.5f, 6, 1), "-01,234.5");
}

TEST_F(FontCache, NarrowedRussianGlyphsLandWhereFreeTypeDrewThem)
{
	// The Russian interface narrows every glyph with a transform: the bitmap then
	// starts at the transformed outline's left edge, which the unscaled metric
	// bearing times 0.9 misses by up to a pixel, glyph by glyph. Each capital's
	// inked left must sit at the pen plus FreeType's own bitmap offset, or
	// capitals in a row stand unevenly apart.
	FT_Library lib;
	FT_Face face;
	ASSERT_EQ(FT_Init_FreeType(&lib), 0);
	std::string file = UTL_resource_get_file("DejaVuSans.ttf");
	ASSERT_EQ(FT_New_Face(lib, file.c_str(), 0, &face), 0);
	FT_Set_Char_Size(face, 0, (FT_F26Dot6)(10.5 * 64), 72, 72);
	for (int lang : {3, 0}) {
		mnw.language = lang;
		OGL_font_reset(2);
		FT_Matrix m = {lang == 3 ? 58982 : 0x10000, 0, 0, 0x10000};
		FT_Set_Transform(face, &m, nullptr);
		OGL_font_info* f = sFont[0];
		float pen = 100;
		for (unsigned code = 0x410; code <= 0x42F; ++code) {
			float adv = f->require_char(code);
			ASSERT_EQ(FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT), 0);
			float x0, y0, w, h;
			OGL_glyph_place(f->glyphs.at(code), pen, 50, &x0, &y0, &w, &h);
			EXPECT_EQ(x0, floorf(pen) + face->glyph->bitmap_left) << "language " << lang << " code " << code;
			EXPECT_EQ(w, (float)face->glyph->bitmap.width);
			pen += adv;
		}
	}
	mnw.language = 0;
	OGL_font_reset(2);
	FT_Done_Face(face);
	FT_Done_FreeType(lib);
}
