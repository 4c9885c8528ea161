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

float OGL_font_info::draw_char(unsigned code, float x, float y)
{
	if (code == 9) return 0;
	auto it = glyphs.find(code);
	if (it == glyphs.end() || it->second.error || rows == 0) return 0;
	const OGL_glyph& g = it->second;
	float x0, y0, w, h;
	OGL_glyph_place(g, x, y, &x0, &y0, &w, &h);
	float n = (float)rows, l = g.left / (float)font_atlas_w, r = g.right / (float)font_atlas_w;
	glTexCoord2f(l, g.bottom / n); glVertex2f(x0, y0);
	glTexCoord2f(l, g.top / n);    glVertex2f(x0, y0 + h);
	glTexCoord2f(r, g.top / n);    glVertex2f(x0 + w, y0 + h);
	glTexCoord2f(r, g.bottom / n); glVertex2f(x0 + w, y0);
	return g.advance;
}

void OGL_glyph_place(const OGL_glyph& g, float x, float y, float* x0, float* y0, float* w, float* h)
{
	*x0 = floorf(x + g.x_bearing);
	*y0 = floorf(y + g.y_offset);
	*w = (float)(g.right - g.left);
	*h = (float)(g.bottom - g.top);
}

// The inked box of a drawn line, for the layout record.
static void note_line(OGL_font_info* f, const unsigned char* p, const unsigned char* brk, float pen, float Y,
                      int fixed_advance, int call)
{
	float lo_x = 1e9f, lo_y = 1e9f, hi_x = -1e9f, hi_y = -1e9f;
	for (const unsigned char* q = p; q < brk;) {
		unsigned code = OGL_utf8_decode(q, brk, &q);
		auto it = f->glyphs.find(code);
		if (code != 9 && it != f->glyphs.end() && !it->second.error && it->second.right > it->second.left) {
			float x0, y0, w, h;
			OGL_glyph_place(it->second, pen, Y, &x0, &y0, &w, &h);
			lo_x = std::min(lo_x, x0);
			lo_y = std::min(lo_y, y0);
			hi_x = std::max(hi_x, x0 + w);
			hi_y = std::max(hi_y, y0 + h);
		}
		pen += fixed_advance ? (float)fixed_advance : (it != f->glyphs.end() ? it->second.advance : 0);
	}
	BTN_layout_text(std::string((const char*)p, (size_t)(brk - p)), call, lo_x - mnw.origin_x, lo_y - mnw.origin_y,
	                hi_x - mnw.origin_x, hi_y - mnw.origin_y);
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

	while (p < end) {
		// Measure up to a line end, or until the width is used up.
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

		// Every glyph of the line must be in the atlas when it is uploaded;
		// a full atlas that started over while measuring drops earlier ones.
		for (int tries = 0; tries < 3; ++tries) {
			int before = f->restarts;
			for (const unsigned char* q = p; q < brk;) f->require_char(OGL_utf8_decode(q, brk, &q));
			if (f->restarts == before) break;
		}
		f->sync_tex();

		// Draw.
		if (f->rows > 0 && brk > p) {
			OGL_setstate(fog_fals, 1, lit_fals, al_blend, deR_fals, deW_fals);
			OGL_set_color(colour, 1.0f);
			tman.bind_ref(f->tex_ref, 0, 0);
			glBegin(GL_QUADS);
			float pen = align == 1 ? X - line_w * 0.5f : align == 2 ? X - line_w : X;
			if (BTN_layout_on) note_line(f, p, brk, pen, Y, fixed_advance, call);
			for (const unsigned char* q = p; q < brk;) {
				float a = f->draw_char(OGL_utf8_decode(q, brk, &q), pen, Y);
				pen += fixed_advance ? (float)fixed_advance : a;
			}
			glEnd();
		}
		if (wrap) Y -= 10;

		// The next line: past one line end, then past blanks.
		const unsigned char* line_start = p;
		p = brk;
		if (p < end && (*p == 13 || *p == 10)) ++p;
		while (p < end && *p == 32) ++p;
		if (p == line_start) OGL_utf8_decode(p, end, &p);	// never stand still
	}
	return Y - mnw.origin_y;
}
