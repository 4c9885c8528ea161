// Drawing text from the glyph atlas: one quad per glyph, one bind and one
// glBegin per line, word wrap at blanks and alignment.
#include "OGL_fonts.h"
#include "OGL_setstate.h"
#include "butn_layout.h"
#include "oglp.h"
#include "MACIBM_mnw.h"
#include "tman.h"
#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

float OGL_font_info::draw_char(unsigned code, float x, float y, int cut_top, int cut_bottom)
{
	if (code == 9) return 0;
	auto it = glyphs.find(code);
	if (it == glyphs.end() || it->second.error || rows == 0) return 0;
	const OGL_glyph& g = it->second;
	float x0, y0, w, h;
	OGL_glyph_place(g, x, y, &x0, &y0, &w, &h);
	if (cut_top + cut_bottom >= h) return g.advance;
	float n = (float)rows, l = g.left / (float)font_atlas_w, r = g.right / (float)font_atlas_w;
	float t = (float)(g.top + cut_top) / n, b = (float)(g.bottom - cut_bottom) / n;
	float lo = y0 + cut_bottom, hi = y0 + h - cut_top;
	glTexCoord2f(l, b); glVertex2f(x0, lo);
	glTexCoord2f(l, t); glVertex2f(x0, hi);
	glTexCoord2f(r, t); glVertex2f(x0 + w, hi);
	glTexCoord2f(r, b); glVertex2f(x0 + w, lo);
	return g.advance;
}

void OGL_glyph_place(const OGL_glyph& g, float x, float y, float* x0, float* y0, float* w, float* h)
{
	*x0 = floorf(x + g.x_bearing);
	*y0 = floorf(y + g.y_offset);
	*w = (float)(g.right - g.left);
	*h = (float)(g.bottom - g.top);
}

// Coverage (after the brightening curve) a reader sees as ink.
static const unsigned char ink_seen = 64;

namespace {
// One line of a drawn text: its bytes, its width, and each glyph's pen and
// the rows it leaves out to keep off the lines above and below.
struct font_line {
	const unsigned char *p, *brk;
	float width, base;	// base: the baseline, window units with the origin
	struct glyph {
		unsigned code;
		float    pen;
		int      cut_top, cut_bottom;
	};
	std::vector<glyph> glyphs;
};
}

// The inked rows of column c of a glyph drawn at (pen, base), its cuts left
// out: false when the column has none. Rows are window rows with the origin.
static bool column_ink(const OGL_font_info* f, const OGL_glyph& g, float pen, float base, int cut_top, int cut_bottom,
                       int c, int* lo, int* hi)
{
	float x0, y0, w, h;
	OGL_glyph_place(g, pen, base, &x0, &y0, &w, &h);
	*lo = 1 << 30;
	*hi = -(1 << 30);
	for (int r = cut_top; r < (int)h - cut_bottom; ++r)
		if (f->atlas[(size_t)(g.top + r) * font_atlas_w + g.left + c] >= ink_seen) {
			const int y = (int)y0 + (int)h - 1 - r;
			*lo = std::min(*lo, y);
			*hi = std::max(*hi, y);
		}
	return *lo <= *hi;
}

// The glyph record of a code that has a bitmap, or null.
static const OGL_glyph* inked_glyph(const OGL_font_info* f, unsigned code)
{
	auto it = f->glyphs.find(code);
	if (code == 9 || it == f->glyphs.end() || it->second.error || it->second.right <= it->second.left || !f->atlas)
		return nullptr;
	return &it->second;
}

// The lowest (bottom) or highest (top) ink of a line's glyphs in each window
// column, for those glyphs that `wanted` picks.
template <class Pick>
static std::map<int, int> line_edge(const OGL_font_info* f, const font_line& l, bool bottom, Pick wanted)
{
	std::map<int, int> edge;
	for (const font_line::glyph& q : l.glyphs) {
		const OGL_glyph* g = inked_glyph(f, q.code);
		if (!g || !wanted(*g, q)) continue;
		float x0, y0, w, h;
		OGL_glyph_place(*g, q.pen, l.base, &x0, &y0, &w, &h);
		for (int c = 0; c < (int)w; ++c) {
			int lo, hi;
			if (!column_ink(f, *g, q.pen, l.base, q.cut_top, q.cut_bottom, c, &lo, &hi)) continue;
			auto at = edge.emplace((int)x0 + c, bottom ? lo : hi).first;
			at->second = bottom ? std::min(at->second, lo) : std::max(at->second, hi);
		}
	}
	return edge;
}

// Whether a glyph's ink meets the other line's edge: at or above its bottom
// edge (the line above), at or below its top edge (the line below).
static bool meets(const OGL_font_info* f, const OGL_glyph& g, const font_line& l, const font_line::glyph& q,
                  const std::map<int, int>& edge, bool edge_is_bottom)
{
	float x0, y0, w, h;
	OGL_glyph_place(g, q.pen, l.base, &x0, &y0, &w, &h);
	for (int c = 0; c < (int)w; ++c) {
		auto e = edge.find((int)x0 + c);
		int lo, hi;
		if (e == edge.end() || !column_ink(f, g, q.pen, l.base, q.cut_top, q.cut_bottom, c, &lo, &hi)) continue;
		if (edge_is_bottom ? hi >= e->second : lo <= e->second) return true;
	}
	return false;
}

// The lowest and highest inked rows of a glyph, counted from the baseline's
// row 0, its cuts left out; false when it has no ink.
static bool glyph_ink(const OGL_font_info* f, const OGL_glyph& g, const font_line& l, const font_line::glyph& q,
                      int* lo, int* hi)
{
	float x0, y0, w, h;
	OGL_glyph_place(g, q.pen, l.base, &x0, &y0, &w, &h);
	*lo = 1 << 30;
	*hi = -(1 << 30);
	for (int c = 0; c < (int)w; ++c) {
		int a, b;
		if (!column_ink(f, g, q.pen, l.base, q.cut_top, q.cut_bottom, c, &a, &b)) continue;
		*lo = std::min(*lo, a);
		*hi = std::max(*hi, b);
	}
	const int base = (int)floorf(l.base);
	*lo -= base;
	*hi -= base;
	return *lo <= *hi;
}

// Wrapped lines are a pitch apart, less than a line's tallest accent and
// deepest descender need: where an accent of the lower line meets a
// descender or an underscore of the upper one, the accent gives up its top
// row of ink, and where they still meet, the descender its last. Each keeps a
// row of its own, so an accent and a descender stay legible, apart.
static void keep_apart(OGL_font_info* f, font_line& up, font_line& down)
{
	// only what stands above the capitals below, and what hangs below the baseline above
	auto tall = [&](const OGL_glyph& g, const font_line::glyph& q) {
		int lo, hi;
		return glyph_ink(f, g, down, q, &lo, &hi) && hi > f->cap_row;
	};
	auto deep = [&](const OGL_glyph& g, const font_line::glyph& q) {
		int lo, hi;
		return glyph_ink(f, g, up, q, &lo, &hi) && lo < 0;
	};
	const std::map<int, int> below_up = line_edge(f, up, true, deep);
	if (below_up.empty()) return;
	for (font_line::glyph& q : down.glyphs) {
		const OGL_glyph* g = inked_glyph(f, q.code);
		int lo, hi;
		if (!g || !glyph_ink(f, *g, down, q, &lo, &hi) || hi <= f->cap_row || !meets(f, *g, down, q, below_up, true))
			continue;
		float x0, y0, w, h;
		OGL_glyph_place(*g, q.pen, down.base, &x0, &y0, &w, &h);
		q.cut_top = (int)(y0 + h) - 1 - (int)floorf(down.base) - (hi - 1);	// its bitmap ends a row under its ink
	}
	const std::map<int, int> above_down = line_edge(f, down, false, tall);
	for (font_line::glyph& q : up.glyphs) {
		const OGL_glyph* g = inked_glyph(f, q.code);
		int lo, hi;
		if (!g || !glyph_ink(f, *g, up, q, &lo, &hi) || lo >= -1 || !meets(f, *g, up, q, above_down, false)) continue;
		float x0, y0, w, h;
		OGL_glyph_place(*g, q.pen, up.base, &x0, &y0, &w, &h);
		q.cut_bottom = (lo + 1) - ((int)y0 - (int)floorf(up.base));
	}
}

// The inked box and columns of a drawn line, for the layout record.
static void note_line(const OGL_font_info* f, const font_line& l, int call)
{
	float lo_x = 1e9f, lo_y = 1e9f, hi_x = -1e9f, hi_y = -1e9f;
	std::map<int, BTN_layout_ink> cols;
	for (const font_line::glyph& q : l.glyphs) {
		const OGL_glyph* g = inked_glyph(f, q.code);
		if (!g) continue;
		float x0, y0, w, h;
		OGL_glyph_place(*g, q.pen, l.base, &x0, &y0, &w, &h);
		lo_x = std::min(lo_x, x0);
		lo_y = std::min(lo_y, y0 + q.cut_bottom);
		hi_x = std::max(hi_x, x0 + w);
		hi_y = std::max(hi_y, y0 + h - q.cut_top);
		for (int c = 0; c < (int)w; ++c) {
			int lo, hi;
			if (!column_ink(f, *g, q.pen, l.base, q.cut_top, q.cut_bottom, c, &lo, &hi)) continue;
			const int x = (int)(x0 - mnw.origin_x) + c;
			lo -= (int)mnw.origin_y;
			hi -= (int)mnw.origin_y;
			auto at = cols.emplace(x, BTN_layout_ink{x, lo, hi}).first;
			at->second.lo = std::min(at->second.lo, lo);
			at->second.hi = std::max(at->second.hi, hi);
		}
	}
	std::vector<BTN_layout_ink> ink;
	for (const auto& c : cols) ink.push_back(c.second);
	BTN_layout_text(std::string((const char*)l.p, (size_t)(l.brk - l.p)), call, lo_x - mnw.origin_x, lo_y - mnw.origin_y,
	                hi_x - mnw.origin_x, hi_y - mnw.origin_y, std::move(ink));
}

// Where the lines of s break: up to a line end, or at the last blank before
// the width is used up, or inside a word longer than the width.
static std::vector<font_line> break_lines(OGL_font_info* f, const unsigned char* p, const unsigned char* end, bool wrap,
                                          float width, int fixed_advance)
{
	std::vector<font_line> lines;
	while (p < end) {
		float sum = 0, at_blank = 0, line_w = 0;
		const unsigned char* brk = p;
		const unsigned char* blank = nullptr;
		const unsigned char* c = p;
		bool hard_end = false;
		while (c < end) {
			if (wrap && sum >= width) break;
			const unsigned char* n;
			unsigned code = OGL_utf8_decode(c, end, &n);
			if (code == 13 || code == 10) {
				brk = c;
				line_w = sum;
				hard_end = true;
				break;
			}
			if (code == 32) {
				at_blank = sum;
				blank = c;
			}
			sum += fixed_advance ? (float)fixed_advance : f->require_char(code);
			c = n;
		}
		if (!hard_end) {
			if (c == end || !blank) {
				brk = c;
				line_w = sum;
			} else {
				brk = blank;
				line_w = at_blank;
			}
		}
		lines.push_back({p, brk, line_w, 0, {}});
		// the next line: past one line end, then past blanks
		const unsigned char* line_start = p;
		p = brk;
		if (p < end && (*p == 13 || *p == 10)) ++p;
		while (p < end && *p == 32) ++p;
		if (p == line_start) OGL_utf8_decode(p, end, &p);	// never stand still
	}
	return lines;
}

// Every glyph of a line in the atlas at once: a full atlas that started over
// while measuring drops earlier ones. True when none was dropped since `mark`.
static bool hold_line(OGL_font_info* f, const font_line& l, int mark)
{
	for (int tries = 0; tries < 3; ++tries) {
		int before = f->restarts;
		for (const unsigned char* q = l.p; q < l.brk;) f->require_char(OGL_utf8_decode(q, l.brk, &q));
		if (f->restarts == before) break;
	}
	return f->restarts == mark;
}

// The pens of a line's glyphs, from its aligned start.
static void place_line(OGL_font_info* f, font_line& l, float X, int align, int fixed_advance)
{
	float pen = align == 1 ? X - l.width * 0.5f : align == 2 ? X - l.width : X;
	l.glyphs.clear();
	for (const unsigned char* q = l.p; q < l.brk;) {
		unsigned code = OGL_utf8_decode(q, l.brk, &q);
		l.glyphs.push_back({code, pen, 0, 0});
		pen += fixed_advance ? (float)fixed_advance : f->require_char(code);
	}
}

float OGL_font_string(int colour, float x, float y, const std::string& s, float width, charset_t cs, int align,
                      int fixed_advance)
{
	OGL_font_info* f = OGL_font_get(cs);
	const unsigned char* p = (const unsigned char*)s.c_str();
	const unsigned char* end = p + strlen(s.c_str());
	if (p == end) return y;
	float X = x + mnw.origin_x, Y = y + mnw.origin_y;
	bool wrap = width > 0 && width < 9999;
	const int call = BTN_layout_on ? BTN_layout_next_call() : 0;

	std::vector<font_line> lines = break_lines(f, p, end, wrap, width, fixed_advance);
	for (size_t i = 0; i < lines.size(); ++i) {
		lines[i].base = wrap ? Y - (float)(font_line_pitch * i) : Y;
		place_line(f, lines[i], X, align, fixed_advance);
	}
	for (size_t i = 0; i < lines.size(); ++i) {
		font_line& l = lines[i];
		// the next line first: this one's descenders give way to its accents
		if (wrap && i + 1 < lines.size()) {
			const int mark = f->restarts;
			if (hold_line(f, lines[i + 1], mark) && hold_line(f, l, mark)) {
				keep_apart(f, l, lines[i + 1]);
			} else {
				for (font_line::glyph& q : lines[i + 1].glyphs) q.cut_top = 0;	// no room to compare: drawn whole
				for (font_line::glyph& q : l.glyphs) q.cut_bottom = 0;
			}
		}
		hold_line(f, l, f->restarts);
		f->sync_tex();
		if (f->rows > 0 && l.brk > l.p) {
			OGL_setstate(fog_fals, 1, lit_fals, al_blend, deR_fals, deW_fals);
			OGL_set_color(colour, 1.0f);
			tman.bind_ref(f->tex_ref, 0, 0);
			glBegin(GL_QUADS);
			if (BTN_layout_on) note_line(f, l, call);
			for (const font_line::glyph& q : l.glyphs) f->draw_char(q.code, q.pen, l.base, q.cut_top, q.cut_bottom);
			glEnd();
		}
	}
	if (wrap) Y -= (float)(font_line_pitch * lines.size());
	return Y - mnw.origin_y;
}
