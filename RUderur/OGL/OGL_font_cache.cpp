// The glyph cache: faces, shelf packing into the coverage atlas, UTF-8 walks,
// measuring and fitting. Nothing here draws, so it runs without a window.
#include "OGL_fonts.h"
#include "MACIBM_mnw.h"
#include "TEX_image.h"
#include "TEX_obj.h"
#include "UTL_alert.h"
#include "UTL_debug.h"
#include "UTL_stat.h"
#include "tman.h"
#include <ft2build.h>
#include FT_FREETYPE_H
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

OGL_font_info* sFont[2] = {nullptr, nullptr};
const char* const fnames[2] = {"RESOURCE:DejaVuSans.ttf", "RESOURCE:DejaVuSansBold.ttf"};
const float fsizes[2] = {10.5f, 10.5f};

static UTL_stat font_tex_mem("font/tex_mem", stat_memory, 0.0f);
static FT_Library ft_lib = nullptr;

// Thin strokes come out too faint at this size; lift the coverage.
static const unsigned char* coverage_curve()
{
	static unsigned char table[256];
	static bool made = false;
	if (!made) {
		for (int i = 0; i < 256; ++i) table[i] = (unsigned char)(int)(pow(i / 255.0, 0.6) * 255.0);
		made = true;
	}
	return table;
}

// The atlas is uploaded whole through the scratch image, which the texture
// manager takes up to 2048 a side, and GL may allow less.
static int atlas_row_limit()
{
	int lim = 2048;
	if (maxtexdim > 0 && maxtexdim < lim) lim = maxtexdim;
	return lim;
}

static float lang_k() { return mnw.language == 3 ? 0.9f : 1.0f; }

unsigned OGL_utf8_decode(const unsigned char* p, const unsigned char* end, const unsigned char** next)
{
	unsigned c = *p;
	int need;
	unsigned code;
	if (c < 0x80) {
		*next = p + 1;
		return c;
	} else if (c >= 0xC0 && c <= 0xDF) {
		need = 1; code = c & 0x1F;
	} else if (c >= 0xE0 && c <= 0xEF) {
		need = 2; code = c & 0x0F;
	} else if (c >= 0xF0 && c <= 0xF7) {
		need = 3; code = c & 0x07;
	} else {
		*next = p + 1;
		return 0;
	}
	const unsigned char* q = p + 1;
	int got = 0;
	while (got < need && q < end && (*q & 0xC0) == 0x80) {
		code = (code << 6) | (*q & 0x3F);
		++q;
		++got;
	}
	*next = q;
	// Overlong forms are refused too: they would hide a blank or a line end.
	static const unsigned least[4] = {0, 0x80, 0x800, 0x10000};
	if (got < need || code > 0x10FFFF || code < least[need]) return 0;
	return code;
}

const unsigned char* OGL_utf8_prev(const unsigned char* begin, const unsigned char* p)
{
	// Back to a byte that can only start a character, then forward to p.
	const unsigned char* q = p - 1;
	for (int i = 0; i < 3 && q > begin && (*q & 0xC0) == 0x80; ++i) --q;
	const unsigned char* start = q;
	while (q < p) {
		start = q;
		OGL_utf8_decode(q, p, &q);
	}
	return start;
}

void OGL_font_copy_bitmap(unsigned char* dst, int dst_pitch, const unsigned char* src, int pitch, int w, int h,
                          int mono)
{
	// Rows are `pitch` bytes apart: padded, and bottom-up when negative.
	const unsigned char* curve = coverage_curve();
	for (int r = 0; r < h; ++r) {
		const unsigned char* row = pitch >= 0 ? src + (size_t)r * pitch : src + (size_t)(h - 1 - r) * -pitch;
		unsigned char* out = dst + (size_t)r * dst_pitch;
		for (int c = 0; c < w; ++c) {
			unsigned v = mono ? ((row[c >> 3] >> (7 - (c & 7))) & 1) * 255 : row[c];
			out[c] = curve[v];
		}
	}
}

OGL_font_info::OGL_font_info(int ref)
    : tex_ref(ref), rows(0), dirty(0), pen_x(0), shelf_y(0), shelf_h(0), line_height(0), descent(0), ascent(0),
      glyphs(193), atlas(nullptr), face(nullptr), file(""), restarts(0), cap_row(7)
{
}

OGL_font_info::~OGL_font_info()
{
	font_tex_mem.value -= (float)rows;
	free(atlas);
	if (face) FT_Done_Face(face);
}

void OGL_font_info::clear(const std::string& path, float size)
{
	if (!ft_lib && FT_Init_FreeType(&ft_lib) != 0) {
		ft_lib = nullptr;
		APL_alert("Unable to initialize freetype.", "", "", "", t_exit);
		return;
	}
	font_tex_mem.value -= (float)rows;
	rows = 0;
	dirty = 0;
	glyphs.clear();
	free(atlas);
	atlas = nullptr;
	if (face) FT_Done_Face(face);
	face = nullptr;
	pen_x = shelf_y = shelf_h = 0;

	std::string p = path;
	FT_Error err;
	if (UTL_path_is_resource(p)) {
		std::string f = UTL_resource_get_file(p);
		if (f.empty()) {
			APL_alert("Error: unable to make font from file", path, "(We could not open the file and read its contents.)",
			          "", t_exit);
			return;
		}
		err = FT_New_Face(ft_lib, f.c_str(), 0, &face);
	} else {
		const char* mem = file.retry(path);
		if (!mem) {
			APL_alert("Error: unable to make font from file", path, "(We could not open the file and read its contents.)",
			          "", t_exit);
			return;
		}
		err = FT_New_Memory_Face(ft_lib, (const FT_Byte*)mem, (FT_Long)(file.end - file.begin), 0, &face);
	}
	if (err != 0) {
		face = nullptr;
		APL_alert("Error: unable to make font from file", path, "(Free-type could not process the .ttf file.)", "", t_exit);
		return;
	}
	if (FT_Set_Char_Size(face, 0, (FT_F26Dot6)(size * 64), 72, 72) != 0) {
		APL_alert("Error: unable to set char size for font", path, "", "", t_exit);
		return;
	}
	FT_Matrix m;
	m.xx = mnw.language == 3 ? 58982 : 0x10000;
	m.xy = 0;
	m.yx = 0;
	m.yy = 0x10000;
	FT_Set_Transform(face, &m, nullptr);
	// the capitals' top row as the hinter puts it: a wrapped line's own rows
	// reach a pitch down from there
	if (FT_Load_Char(face, 'H', FT_LOAD_TARGET_LIGHT) == 0)
		cap_row = (int)ceilf(face->glyph->metrics.horiBearingY / 64.0f) - 1;
	float em = (float)face->units_per_EM;
	if (em > 0) {
		line_height = face->height * size / em;
		descent = -face->descender * size / em;
		ascent = face->ascender * size / em;
	}
}

float OGL_font_info::require_char(unsigned code)
{
	if (code == 9) return 0;
	auto it = glyphs.find(code);
	if (it != glyphs.end()) return it->second.advance;

	OGL_glyph g = {};
	g.code = code;
	if (!face) {
		g.error = -1;
		glyphs[code] = g;
		return 0;
	}
	FT_Error err = FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT);
	if (err != 0) {
		g.error = err;
		glyphs[code] = g;
		return 0;
	}
	FT_GlyphSlot slot = face->glyph;
	const FT_Bitmap& bm = slot->bitmap;
	int w = (int)bm.width, h = (int)bm.rows;
	int limit = atlas_row_limit();
	bool gray = bm.pixel_mode == FT_PIXEL_MODE_GRAY, mono = bm.pixel_mode == FT_PIXEL_MODE_MONO;
	if (w > font_atlas_w || h > limit || ((w > 0 && h > 0) && !gray && !mono)) {
		g.error = -1;	// no room for it even in an empty atlas, or a bitmap we cannot read
		glyphs[code] = g;
		return 0;
	}

	if (pen_x + w > font_atlas_w) {
		shelf_y += shelf_h;
		pen_x = 0;
		shelf_h = 0;
	}
	shelf_h = std::max(shelf_h, h);
	if (shelf_y + shelf_h > limit) {
		// Full at the largest size: start over rather than grow past it.
		// Callers that hold glyphs of a line check `restarts`.
		glyphs.clear();
		if (rows) memset(atlas, 0, (size_t)rows * font_atlas_w);
		pen_x = 0;
		shelf_y = 0;
		shelf_h = h;
		++restarts;
	}
	if (rows < shelf_y + shelf_h) {
		int r = 1;
		while (r < rows + shelf_h) r *= 2;
		r = std::min(r, limit);
		unsigned char* n = (unsigned char*)malloc((size_t)r * font_atlas_w);
		if (rows) memcpy(n, atlas, (size_t)rows * font_atlas_w);
		memset(n + (size_t)rows * font_atlas_w, 0, (size_t)(r - rows) * font_atlas_w);
		free(atlas);
		atlas = n;
		font_tex_mem.value += (float)(r - rows);
		rows = r;
	}

	float k = lang_k();
	g.left = pen_x;
	g.top = shelf_y;
	g.right = pen_x + w;
	g.bottom = shelf_y + h;
	// The bitmap's own left offset: under the Russian narrowing it is the
	// transformed outline's edge, which k times the unscaled bearing misses.
	g.x_bearing = (float)slot->bitmap_left;
	g.y_offset = (slot->metrics.horiBearingY - slot->metrics.height) / 64.0f;
	// What hangs below a line's own rows would sit in the letters of the next
	// wrapped line: a low line (the underscore) goes right under the
	// baseline, a bar or a brace up to the descenders' depth.
	const float lowest = (float)(cap_row + 1 - font_line_pitch);
	if (h > 0 && g.y_offset + h <= 0) g.y_offset = std::max((float)-h, lowest);
	if (h > 0 && g.y_offset < lowest) g.y_offset = lowest;
	g.advance = k * slot->metrics.horiAdvance / 64.0f;
	g.error = 0;
	glyphs[code] = g;

	OGL_font_copy_bitmap(atlas + (size_t)shelf_y * font_atlas_w + pen_x, font_atlas_w, bm.buffer, bm.pitch, w, h, mono);
	dirty = 1;
	pen_x += w;
	return g.advance;
}

void OGL_font_info::sync_tex()
{
	if (!dirty) return;
	dirty = 0;
	if (rows == 0) return;	// only blanks so far: nothing to show
	scratch_dx = font_atlas_w;
	scratch_dy = rows;
	memcpy(scratch_array, atlas, (size_t)rows * font_atlas_w);
	(void)tman.load_texture(tex_fail_alert, tex_ref, tman_font_atlas, tex_load_2, "scratch_array-fonts");
}

OGL_font_info* OGL_font_get(charset_t cs)
{
	if (cs != 0 && cs != 1) {
		APL_alert("String proc with bad charset!", "", "", "", t_exit);
		return nullptr;
	}
	if (!sFont[cs]) {
		sFont[cs] = new OGL_font_info(font_tex_regular + cs);
		OGL_font_reset(cs);
	}
	return sFont[cs];
}

void OGL_font_reset(charset_t cs)
{
	if (cs == 2) {
		OGL_font_reset(0);
		OGL_font_reset(1);
		return;
	}
	if ((cs == 0 || cs == 1) && sFont[cs]) sFont[cs]->clear(fnames[cs], fsizes[cs]);
}

float OGL_measure_char(unsigned code, charset_t cs) { return OGL_font_get(cs)->require_char(code); }

float OGL_measure_range(const unsigned char* begin, const unsigned char* end, charset_t cs)
{
	OGL_font_info* f = OGL_font_get(cs);
	float sum = 0;
	for (const unsigned char* p = begin; p < end;) sum += f->require_char(OGL_utf8_decode(p, end, &p));
	return sum;
}

float OGL_measure_string(const std::string& s, charset_t cs)
{
	const unsigned char* b = (const unsigned char*)s.c_str();
	return OGL_measure_range(b, b + strlen(s.c_str()), cs);
}

const unsigned char* OGL_fit_forward(const unsigned char* begin, const unsigned char* end, float width, charset_t cs)
{
	OGL_font_info* f = OGL_font_get(cs);
	float sum = 0;
	const unsigned char* p = begin;
	while (p < end) {
		const unsigned char* n;
		sum += f->require_char(OGL_utf8_decode(p, end, &n));
		if (sum > width) return p;
		p = n;
	}
	return p;
}

std::string OGL_fit_tail(const std::string& s, float width, charset_t cs)
{
	if (OGL_measure_string(s, cs) <= width) return s;
	const std::string dots = "...";
	const unsigned char* b = (const unsigned char*)s.data();
	const unsigned char* e = b + s.size();
	const unsigned char* from = OGL_fit_reverse(b, e, width - OGL_measure_string(dots, cs), cs);
	return dots + std::string((const char*)from, (size_t)(e - from));
}

const unsigned char* OGL_fit_reverse(const unsigned char* begin, const unsigned char* end, float width, charset_t cs)
{
	OGL_font_info* f = OGL_font_get(cs);
	float sum = 0;
	const unsigned char* p = end;
	while (p > begin) {
		const unsigned char* q = OGL_utf8_prev(begin, p);
		const unsigned char* n;
		sum += f->require_char(OGL_utf8_decode(q, p, &n));
		if (sum > width) return p;
		p = q;
	}
	return begin;
}
