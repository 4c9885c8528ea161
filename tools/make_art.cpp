// Draws the installer's interface art: interface.png, elements_<Language>.png,
// map.png and background.png. Deterministic: the same fonts give the same bytes.
//   make_art <output folder> <regular .ttf> <bold .ttf>
// Canvases are bottom-up (row 0 is the bottom of the picture), the row order of
// the texture coordinates the widgets cut with.
#include "TEX_image.h"
#include "make_art_land.h"
#include <ft2build.h>
#include FT_FREETYPE_H
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

struct col {
	float r, g, b, a;
};
static col hex(unsigned v, float a = 1.0f)
{
	return {((v >> 16) & 255) / 255.0f, ((v >> 8) & 255) / 255.0f, (v & 255) / 255.0f, a};
}
static col mix(col x, col y, float t)
{
	return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

struct canvas {
	int w, h;
	std::vector<col> px;
	canvas(int w_, int h_, col c = {0, 0, 0, 0}) : w(w_), h(h_), px((size_t)w_ * h_, c) {}
	// Source-over with coverage.
	void blend(int x, int y, col c, float cover = 1.0f)
	{
		if (x < 0 || y < 0 || x >= w || y >= h) return;
		float a = c.a * std::min(std::max(cover, 0.0f), 1.0f);
		if (a <= 0) return;
		col& d = px[(size_t)y * w + x];
		float oa = a + d.a * (1 - a);
		if (oa <= 0) return;
		d.r = (c.r * a + d.r * d.a * (1 - a)) / oa;
		d.g = (c.g * a + d.g * d.a * (1 - a)) / oa;
		d.b = (c.b * a + d.b * d.a * (1 - a)) / oa;
		d.a = oa;
	}
	void set(int x, int y, col c)
	{
		if (x >= 0 && y >= 0 && x < w && y < h) px[(size_t)y * w + x] = c;
	}
	bool save(const std::string& path, int channels) const
	{
		std::vector<unsigned char> out((size_t)w * h * channels);
		for (size_t i = 0; i < px.size(); ++i) {
			const col& c = px[i];
			float v[4] = {c.r, c.g, c.b, c.a};
			for (int k = 0; k < channels; ++k)
				out[i * channels + k] = (unsigned char)std::lround(std::min(std::max(v[k], 0.0f), 1.0f) * 255.0f);
		}
		TEX_image_desc d = {channels == 4 ? TEX_RGBA : TEX_RGB, w, h, 0, 0};
		bool ok = TEX_save_png(path, d, out.data());
		if (!ok) fprintf(stderr, "make_art: cannot write %s\n", path.c_str());
		return ok;
	}
};

// ---- shapes -------------------------------------------------------------

// Signed distance from (px, py) to a rounded box [x0, x1] x [y0, y1].
static float rbox_dist(float px, float py, float x0, float y0, float x1, float y1, float r)
{
	float cx = (x0 + x1) * 0.5f, cy = (y0 + y1) * 0.5f;
	float hx = (x1 - x0) * 0.5f - r, hy = (y1 - y0) * 0.5f - r;
	float qx = std::fabs(px - cx) - hx, qy = std::fabs(py - cy) - hy;
	float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
	return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - r;
}

// A rounded box over whole pixels x0..x1-1, y0..y1-1: vertical gradient fill
// (bottom to top) with a border of width bw.
static void rbox(canvas& c, int x0, int y0, int x1, int y1, float r, col bottom, col top, col border, float bw = 1.0f)
{
	for (int y = y0; y < y1; ++y)
		for (int x = x0; x < x1; ++x) {
			float d = rbox_dist(x + 0.5f, y + 0.5f, (float)x0, (float)y0, (float)x1, (float)y1, r);
			float cover = 0.5f - d;
			if (cover <= 0) continue;
			float t = (y1 - y0 > 1) ? (float)(y - y0) / (y1 - y0 - 1) : 0.0f;
			col fill = mix(bottom, top, t);
			float inner = std::min(std::max(-d - bw + 0.5f, 0.0f), 1.0f);
			col pc = mix(border, fill, inner);
			c.blend(x, y, pc, cover);
		}
}

static void fill(canvas& c, int x0, int y0, int x1, int y1, col v)
{
	for (int y = y0; y < y1; ++y)
		for (int x = x0; x < x1; ++x) c.set(x, y, v);
}

static float seg_dist(float px, float py, float ax, float ay, float bx, float by)
{
	float vx = bx - ax, vy = by - ay, wx = px - ax, wy = py - ay;
	float t = std::min(std::max((wx * vx + wy * vy) / (vx * vx + vy * vy + 1e-9f), 0.0f), 1.0f);
	float dx = wx - t * vx, dy = wy - t * vy;
	return std::sqrt(dx * dx + dy * dy);
}

// A stroke through points, half width hw, drawn in the box it lies in.
static void stroke(canvas& c, const std::vector<float>& pts, float hw, col v)
{
	float minx = 1e9, miny = 1e9, maxx = -1e9, maxy = -1e9;
	for (size_t i = 0; i < pts.size(); i += 2) {
		minx = std::min(minx, pts[i]); maxx = std::max(maxx, pts[i]);
		miny = std::min(miny, pts[i + 1]); maxy = std::max(maxy, pts[i + 1]);
	}
	for (int y = (int)floorf(miny - hw - 1); y <= (int)ceilf(maxy + hw + 1); ++y)
		for (int x = (int)floorf(minx - hw - 1); x <= (int)ceilf(maxx + hw + 1); ++x) {
			float d = 1e9;
			for (size_t i = 0; i + 3 < pts.size(); i += 2)
				d = std::min(d, seg_dist(x + 0.5f, y + 0.5f, pts[i], pts[i + 1], pts[i + 2], pts[i + 3]));
			c.blend(x, y, v, hw + 0.5f - d);
		}
}

static bool inside_poly(float x, float y, const float* p, int n)
{
	bool in = false;
	for (int i = 0, j = n - 1; i < n; j = i++) {
		float xi = p[2 * i], yi = p[2 * i + 1], xj = p[2 * j], yj = p[2 * j + 1];
		if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
	}
	return in;
}

// A filled polygon, 4 x 4 samples a pixel.
static void poly(canvas& c, const std::vector<float>& pts, col v)
{
	float minx = 1e9, miny = 1e9, maxx = -1e9, maxy = -1e9;
	for (size_t i = 0; i < pts.size(); i += 2) {
		minx = std::min(minx, pts[i]); maxx = std::max(maxx, pts[i]);
		miny = std::min(miny, pts[i + 1]); maxy = std::max(maxy, pts[i + 1]);
	}
	int n = (int)pts.size() / 2;
	for (int y = (int)floorf(miny); y <= (int)ceilf(maxy); ++y)
		for (int x = (int)floorf(minx); x <= (int)ceilf(maxx); ++x) {
			int hits = 0;
			for (int sy = 0; sy < 4; ++sy)
				for (int sx = 0; sx < 4; ++sx)
					hits += inside_poly(x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4, pts.data(), n);
			if (hits) c.blend(x, y, v, hits / 16.0f);
		}
}

static void disc(canvas& c, float cx, float cy, float r, col v)
{
	for (int y = (int)(cy - r - 1); y <= (int)(cy + r + 1); ++y)
		for (int x = (int)(cx - r - 1); x <= (int)(cx + r + 1); ++x) {
			float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy) - r;
			c.blend(x, y, v, 0.5f - d);
		}
}

static void ring(canvas& c, float cx, float cy, float r, float hw, col v)
{
	for (int y = (int)(cy - r - hw - 1); y <= (int)(cy + r + hw + 1); ++y)
		for (int x = (int)(cx - r - hw - 1); x <= (int)(cx + r + hw + 1); ++x) {
			float d = std::fabs(std::hypot(x + 0.5f - cx, y + 0.5f - cy) - r) - hw;
			c.blend(x, y, v, 0.5f - d);
		}
}

// ---- text ---------------------------------------------------------------

static FT_Library ft;

struct face {
	FT_Face f = nullptr;
	bool open(const char* path)
	{
		if (FT_New_Face(ft, path, 0, &f)) {
			fprintf(stderr, "make_art: cannot open font %s\n", path);
			return false;
		}
		return true;
	}
};

static std::vector<unsigned> utf8(const std::string& s)
{
	std::vector<unsigned> out;
	for (size_t i = 0; i < s.size();) {
		unsigned char b = s[i];
		int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
		unsigned v = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
		for (int k = 1; k < n && i + k < s.size(); ++k) v = (v << 6) | (s[i + k] & 0x3F);
		out.push_back(v);
		i += n;
	}
	return out;
}

static float text_width(face& fc, const std::string& s, float px)
{
	FT_Set_Char_Size(fc.f, 0, (FT_F26Dot6)lroundf(px * 64), 72, 72);
	float w = 0;
	for (unsigned cp : utf8(s))
		if (!FT_Load_Char(fc.f, cp, FT_LOAD_DEFAULT)) w += fc.f->glyph->advance.x / 64.0f;
	return w;
}

// Draws s with its baseline at y (canvas rows grow upwards) from x.
static void text(canvas& c, face& fc, const std::string& s, float px, float x, float y, col v)
{
	FT_Set_Char_Size(fc.f, 0, (FT_F26Dot6)lroundf(px * 64), 72, 72);
	float pen = x;
	for (unsigned cp : utf8(s)) {
		if (FT_Load_Char(fc.f, cp, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT)) continue;
		FT_GlyphSlot g = fc.f->glyph;
		const FT_Bitmap& bm = g->bitmap;
		int left = (int)lroundf(pen) + g->bitmap_left;
		int top = (int)lroundf(y) + g->bitmap_top;	// canvas row of the bitmap's first row, plus one
		for (unsigned r = 0; r < bm.rows; ++r)
			for (unsigned k = 0; k < bm.width; ++k) {
				unsigned char cov = bm.buffer[r * bm.pitch + k];
				if (cov) c.blend(left + (int)k, top - 1 - (int)r, v, cov / 255.0f);
			}
		pen += g->advance.x / 64.0f;
	}
}

// Centred in [x0, x1] with the baseline at y; shrinks to fit the width less a margin.
static void text_centred(canvas& c, face& fc, const std::string& s, float px, float x0, float x1, float y, col v,
                         float margin = 6)
{
	float w = text_width(fc, s, px);
	while (w > (x1 - x0) - 2 * margin && px > 7) {
		px -= 0.5f;
		w = text_width(fc, s, px);
	}
	text(c, fc, s, px, roundf((x0 + x1 - w) * 0.5f), y, v);
}

// ---- palette --------------------------------------------------------------

static const col INK = hex(0x1E2732);	// body text on light panels
static const col LINE = hex(0xA7B3C1);	// panel borders
static const col PANEL = hex(0xF6F8FA);
static const col ACCENT = hex(0x2F6FC6);
static const col ACCENT_HI = hex(0x5C97E0);
static const col BAR_TOP = hex(0x34475C), BAR_BOT = hex(0x223142);

// ---- interface.png ----------------------------------------------------------

// Colour slots start-up samples: column 319 of rows 155 down to 67 (every eighth) and (395, 115).
struct swatch {
	int row;
	unsigned rgb;
};
static const swatch swatches[] = {
	{155, 0x2A3A4D},	// 37 window clear behind dialogs
	{147, 0x98A4B2},	// 38 menu separator
	{139, 0x3D7BD9},	// 39 menu highlight
	{131, 0xFFFFFF},	// 40 separator light edge
	{123, 0xF1F4F8},	// 41 menu bar titles (on the dark bar)
	{115, 0xFFFFFF},	// 43 framework window titles (on the title strip)
	{107, 0x17212C},	// 44 selected tab label
	{99, 0x5E6A78},		// 45 other tab labels
	{91, 0x26313D},		// 46 labels
	{83, 0x1B2430},		// 48 values and list text
	{75, 0xC0392B},		// 49 warnings
	{67, 0x1E2732},		// 50 texts of dialogs and help
};

static void draw_swatches(canvas& c)
{
	for (const swatch& s : swatches) fill(c, 316, s.row - 3, 323, s.row + 4, hex(s.rgb));
	fill(c, 392, 112, 399, 119, hex(0x2F6FC6));	// 47 accent
}

// A square panel of side S at (x, y) for the two-way stretching frames.
static void panel(canvas& c, int x, int y, int s, col fill_c, col border, float r, int title_strip = 0)
{
	rbox(c, x, y, x + s, y + s, r, fill_c, fill_c, border);
	if (title_strip) {
		// The top band holds the window's title and close boxes.
		rbox(c, x + 1, y + s - title_strip - 1, x + s - 1, y + s - 1, r - 1, BAR_BOT, BAR_TOP, BAR_TOP, 0.0f);
		fill(c, x + 1, y + s - title_strip - 1, x + s - 1, y + s - title_strip, hex(0x1A2633));
	}
}

static void arrow_tri(canvas& c, float cx, float cy, float w, float h, bool up, col v)
{
	if (up) poly(c, {cx - w / 2, cy - h / 2, cx + w / 2, cy - h / 2, cx, cy + h / 2}, v);
	else poly(c, {cx - w / 2, cy + h / 2, cx + w / 2, cy + h / 2, cx, cy - h / 2}, v);
}

static void pointer_arrow(canvas& c, float x, float y, float s, col fillc, col edge)
{
	// Tip at (x, y), pointing up-left.
	std::vector<float> p = {x, y, x, y - 16 * s, x + 4 * s, y - 12 * s, x + 7 * s, y - 18 * s, x + 9.5f * s,
	                        y - 17 * s, x + 6.5f * s, y - 11 * s, x + 11 * s, y - 11 * s};
	poly(c, p, edge);
	std::vector<float> q;
	float cx = x + 4 * s, cy = y - 12 * s;
	for (size_t i = 0; i < p.size(); i += 2) {
		q.push_back(cx + (p[i] - cx) * 0.78f);
		q.push_back(cy + (p[i + 1] - cy) * 0.78f);
	}
	poly(c, q, fillc);
}

static void folder(canvas& c, float x0, float y0, float w, float h, col body, col tab)
{
	rbox(c, (int)x0, (int)(y0 + h * 0.62f), (int)(x0 + w * 0.45f), (int)(y0 + h * 0.9f), 1.5f, tab, tab, tab, 0);
	rbox(c, (int)x0, (int)y0, (int)(x0 + w), (int)(y0 + h * 0.8f), 1.5f, body, mix(body, hex(0xFFFFFF), 0.25f),
	     mix(body, hex(0x000000), 0.3f));
}

static void document(canvas& c, float x0, float y0, float w, float h, col band)
{
	rbox(c, (int)x0 + 1, (int)y0, (int)(x0 + w) - 1, (int)(y0 + h), 1.0f, hex(0xFFFFFF), hex(0xFFFFFF), hex(0x7D8896));
	fill(c, (int)x0 + 2, (int)(y0 + h) - 4, (int)(x0 + w) - 2, (int)(y0 + h) - 1, band);
	for (int k = 0; k < 2; ++k) fill(c, (int)x0 + 3, (int)y0 + 3 + 2 * k, (int)(x0 + w) - 3, (int)y0 + 4 + 2 * k, hex(0xB9C2CC));
}

static bool make_interface(const std::string& out)
{
	canvas c(512, 512);

	// One-row frames (left cap, tiled middle, right cap).
	// 0: the shell's top bar.
	rbox(c, 1, 487, 101, 512, 0, BAR_BOT, BAR_TOP, BAR_TOP, 0);
	fill(c, 1, 487, 101, 488, hex(0x121A23));
	// 1: window title bar.
	rbox(c, 102, 487, 202, 512, 0, hex(0xDCE3EA), hex(0xF4F7FA), hex(0xDCE3EA), 0);
	fill(c, 102, 487, 202, 488, LINE);
	// 2: push button, 3: its lit / pressed overlay.
	rbox(c, 305, 488, 355, 510, 6, hex(0xDDE4EC), hex(0xFFFFFF), hex(0x8796A7));
	rbox(c, 305, 461, 355, 483, 6, hex(0x5C97E0, 0.35f), hex(0x8DB8EE, 0.20f), hex(0x2F6FC6));
	// Tabs: selected above, other below.
	rbox(c, 205, 487, 301, 516, 5, hex(0xFFFFFF), hex(0xFFFFFF), LINE);
	rbox(c, 205, 460, 301, 488, 5, hex(0xD3DAE2), hex(0xE6EBF0), LINE);
	fill(c, 205, 459, 301, 460, LINE);
	// 10: pop-up list box with its chevron in the right cap.
	rbox(c, 358, 489, 424, 511, 5, hex(0xE9EEF3), hex(0xFFFFFF), hex(0x8796A7));
	fill(c, 398, 492, 399, 508, hex(0xC4CDD7));
	arrow_tri(c, 411, 503, 8, 5, true, INK);
	arrow_tri(c, 411, 496, 8, 5, false, INK);
	// 4: progress track, 5: progress fill.
	rbox(c, 112, 162, 140, 176, 7, hex(0xE8EDF2), hex(0xC9D2DC), hex(0x93A0AF));
	rbox(c, 83, 162, 111, 176, 7, hex(0x2C64B4), ACCENT_HI, hex(0x24579F));
	fill(c, 90, 172, 104, 173, hex(0xFFFFFF, 0.35f));
	// 7: horizontal slider groove, 8: its fill.
	rbox(c, 241, 251, 305, 258, 3.5f, hex(0xE8EDF2), hex(0xC2CBD5), hex(0x93A0AF));
	rbox(c, 289, 224, 305, 231, 3.5f, hex(0x2C64B4), ACCENT_HI, hex(0x24579F));
	// 9: value and text field.
	rbox(c, 262, 134, 313, 158, 4, hex(0xFFFFFF), hex(0xF4F6F8), hex(0x8796A7));
	fill(c, 265, 156, 310, 157, hex(0xC8D0D9));

	// Vertical slider bar (frame 0, style 6): caps 248..258 and 278..288, middle tiles.
	for (int y = 248; y < 288; ++y)
		for (int x = 102; x < 122; ++x) {
			float d = rbox_dist(x + 0.5f, y + 0.5f, 108, 249, 116, 287, 4);
			float t = (x - 108) / 8.0f;
			col v = mix(mix(hex(0xC2CBD5), hex(0xE8EDF2), t), hex(0x93A0AF), std::min(std::max(d + 1.5f, 0.0f), 1.0f));
			c.blend(x, y, v, 0.5f - d);
		}

	// Two-way panels.
	panel(c, 1, 358, 100, PANEL, LINE, 6, 24);		// 14 framework window, with title strip
	panel(c, 102, 358, 100, hex(0xEDF1F5), LINE, 6);	// 15
	panel(c, 203, 358, 100, hex(0xEEF2F6), hex(0xB9C3CE), 4);	// 16 inner panel
	panel(c, 304, 358, 100, hex(0xFFF9E3), hex(0xCDBB7E), 6);	// 17 help balloon
	panel(c, 405, 358, 100, PANEL, LINE, 8);		// 18 start-up and dialog panel
	panel(c, 1, 289, 68, hex(0xFFFFFF), hex(0x8796A7), 3);	// 19 list box
	// 20 and 21: menus; low band of 26 rows holds the soft shadow.
	for (int k = 0; k < 2; ++k) {
		int x = 70 + 43 * k;
		for (int y = 315; y < 357; ++y)
			for (int xx = x; xx < x + 42; ++xx) {
				float d = rbox_dist(xx + 0.5f, y + 0.5f, x + 2.5f, 315, x + 41.5f, 354, 4);
				c.blend(xx, y, hex(0x000000, 0.18f), std::min(std::max(-d / 3, 0.0f), 1.0f));
			}
		rbox(c, x + 1, 318, x + 40, 357, 3, hex(0xFFFFFF), hex(0xFFFFFF), hex(0x9AA6B4));
	}
	panel(c, 440, 12, 44, hex(0xE9EDF2), LINE, 5);		// 22

	// Check box and its tick; radio button and its dot.
	rbox(c, 140, 179, 156, 195, 3, hex(0xEEF2F6), hex(0xFFFFFF), hex(0x6E7C8C));
	stroke(c, {143.5f, 206.5f, 147, 202.5f, 153.5f, 211}, 1.4f, ACCENT);
	disc(c, 92, 132, 7.5f, hex(0x6E7C8C));
	disc(c, 92, 132, 6.5f, hex(0xFFFFFF));
	disc(c, 92, 151, 3.6f, ACCENT);

	// Digit arrows of the numeric field: down 178..196, up 197..215.
	arrow_tri(c, 90, 187, 8, 5, false, hex(0x4A5563));
	arrow_tri(c, 90, 206, 8, 5, true, hex(0x4A5563));
	// Close boxes: unlit 178..196, lit 197..215.
	for (int k = 0; k < 2; ++k) {
		float cy = k ? 206 : 187;
		disc(c, 129, cy, 7, k ? hex(0xD9483B) : hex(0x8A98A8));
		stroke(c, {126, cy - 3, 132, cy + 3}, 0.9f, hex(0xFFFFFF));
		stroke(c, {126, cy + 3, 132, cy - 3}, 0.9f, hex(0xFFFFFF));
	}
	// Vertical slider: down arrow 216..238, thumb 240..264, up arrow 266..288.
	rbox(c, 84, 217, 100, 238, 4, hex(0xDDE4EC), hex(0xFFFFFF), hex(0x8796A7));
	arrow_tri(c, 92, 227.5f, 8, 5, false, INK);
	rbox(c, 84, 241, 100, 264, 4, hex(0x4F86D4), hex(0x77A5E6), hex(0x24579F));
	for (int k = -1; k <= 1; ++k) fill(c, 88, 252 + 3 * k, 96, 253 + 3 * k, hex(0xFFFFFF, 0.6f));
	rbox(c, 84, 266, 100, 287, 4, hex(0xDDE4EC), hex(0xFFFFFF), hex(0x8796A7));
	arrow_tri(c, 92, 276.5f, 8, 5, true, INK);
	// Horizontal slider knob.
	disc(c, 272, 277.5f, 8.5f, hex(0x000000, 0.2f));
	disc(c, 272, 278.5f, 8, hex(0x6E7C8C));
	disc(c, 272, 278.5f, 7, hex(0xFFFFFF));
	disc(c, 272, 278.5f, 3, ACCENT);

	// File list icons (rows 82..94): 1 folder, 3 text, 4 picture, 5 archive, 9/10/11 data, 7 program.
	folder(c, 34, 83, 12, 11, hex(0xE8B04A), hex(0xD39A34));
	document(c, 48, 82, 12, 12, hex(0x7D8896));
	document(c, 62, 82, 12, 12, hex(0x3FA34D));
	document(c, 90, 82, 12, 12, hex(0xB9772F));
	document(c, 104, 82, 12, 12, hex(0x2F6FC6));
	document(c, 118, 82, 12, 12, hex(0x7A4FC2));
	document(c, 132, 82, 12, 12, hex(0x1F9AA6));
	document(c, 146, 82, 12, 12, hex(0xC0392B));
	// The file dialog's folder icon.
	folder(c, 209, 134, 24, 24, hex(0xE8B04A), hex(0xD39A34));

	// Compass dial and its needles (no screen shows them, kept for completeness).
	disc(c, 206, 189, 26, hex(0x6E7C8C));
	disc(c, 206, 189, 24.5f, hex(0xFFFFFF));
	for (int k = 0; k < 12; ++k) {
		float a = k * 3.14159265f / 6;
		stroke(c, {206 + 20 * sinf(a), 189 + 20 * cosf(a), 206 + 23 * sinf(a), 189 + 23 * cosf(a)}, 0.7f, INK);
	}
	poly(c, {161, 274, 165, 294, 161, 312, 157, 294}, hex(0xC0392B));
	poly(c, {161, 317, 165, 337, 161, 355, 157, 337}, hex(0x4A5563));

	// Cursors: a region of resize and move arrows, and a row of 30 x 30 cells.
	col cur = hex(0xFFFFFF), cur_edge = hex(0x111820);
	auto dbl_arrow = [&](float x0, float x1, float cy, bool horiz) {
		if (horiz) {
			stroke(c, {x0 + 6, cy, x1 - 6, cy}, 2.2f, cur_edge);
			poly(c, {x0, cy, x0 + 9, cy + 7, x0 + 9, cy - 7}, cur_edge);
			poly(c, {x1, cy, x1 - 9, cy + 7, x1 - 9, cy - 7}, cur_edge);
			stroke(c, {x0 + 6, cy, x1 - 6, cy}, 1.0f, cur);
		} else {
			stroke(c, {cy, x0 + 6, cy, x1 - 6}, 2.2f, cur_edge);
			poly(c, {cy, x0, cy + 7, x0 + 9, cy - 7, x0 + 9}, cur_edge);
			poly(c, {cy, x1, cy + 7, x1 - 9, cy - 7, x1 - 9}, cur_edge);
			stroke(c, {cy, x0 + 6, cy, x1 - 6}, 1.0f, cur);
		}
	};
	dbl_arrow(201, 259, 342.5f, true);			// 3, 4, 5: left and right
	dbl_arrow(294, 325, 230, false);			// 6..8 area: up and down (x 230)
	dbl_arrow(264, 324, 333.5f, true);			// 9..11
	stroke(c, {266, 300, 322, 300}, 2.5f, cur_edge);	// 15, 16: a splitter bar
	stroke(c, {266, 300, 322, 300}, 1.2f, cur);
	auto cell = [&](int column, int row) { return std::pair<float, float>(200 + 32 * column, 293 + 32 * row); };
	{
		auto [x, y] = cell(-1, 0);	// crosshair
		stroke(c, {x + 15, y + 2, x + 15, y + 28}, 1.8f, cur_edge);
		stroke(c, {x + 2, y + 15, x + 28, y + 15}, 1.8f, cur_edge);
		stroke(c, {x + 15, y + 3, x + 15, y + 27}, 0.6f, cur);
		stroke(c, {x + 3, y + 15, x + 27, y + 15}, 0.6f, cur);
	}
	{
		auto [x, y] = cell(-1, 1);	// pointer
		pointer_arrow(c, x + 6, y + 27, 1.2f, cur, cur_edge);
	}
	for (int r = 0; r < 2; ++r) {
		auto [x, y] = cell(4, r);	// open hand: grab
		ring(c, x + 15, y + 15, 9, 1.6f, cur_edge);
		disc(c, x + 15, y + 15, 7.6f, cur);
		auto [x2, y2] = cell(5, r);	// held
		disc(c, x2 + 15, y2 + 15, 10, cur_edge);
		disc(c, x2 + 15, y2 + 15, 5, cur);
	}
	for (int k = 0; k < 2; ++k) {
		auto [x, y] = cell(7 + k, 1);	// zoom in / out
		ring(c, x + 13, y + 17, 8, 1.6f, cur_edge);
		disc(c, x + 13, y + 17, 6.5f, cur);
		stroke(c, {x + 19, y + 11, x + 27, y + 3}, 2.0f, cur_edge);
		stroke(c, {x + 9, y + 17, x + 17, y + 17}, 1.0f, cur_edge);
		if (k == 0) stroke(c, {x + 13, y + 13, x + 13, y + 21}, 1.0f, cur_edge);
	}

	draw_swatches(c);
	return c.save(out + "/interface.png", 4);
}

// ---- elements_<Language>.png --------------------------------------------------

struct language {
	const char* name;
	int cuts[8];
	const char* words[7];	// Quit, Back, Next, Select All, Select None, Buy, Prefs
	const char* header;	// the word beside the wordmark above the panels
};
static const language languages[6] = {
	{"English", {0, 56, 145, 246, 357, 489, 605, 691},
	 {"Quit", "\xE2\x97\x80 Back", "Next \xE2\x96\xB6", "Select All", "Select None", "Buy Now", "Prefs"},
	 "Installer"},
	{"French", {0, 91, 172, 284, 477, 695, 874, 958},
	 {"Quitter", "\xE2\x97\x80 Retour", "Suivant \xE2\x96\xB6", "Tout s\xC3\xA9lectionner", "Ne rien s\xC3\xA9lectionner",
	  "Acheter", "Pr\xC3\xA9\x66\xC3\xA9rences"},
	 "Programme d'installation"},
	{"German", {0, 96, 181, 256, 422, 611, 762, 859},
	 {"Beenden", "\xE2\x97\x80 Zur\xC3\xBC\x63k", "Weiter \xE2\x96\xB6", "Alle ausw\xC3\xA4hlen", "Keine ausw\xC3\xA4hlen",
	  "Kaufen", "Optionen"},
	 "Installationsprogramm"},
	{"Russian", {0, 75, 144, 211, 346, 422, 501, 616},
	 {"\xD0\x92\xD1\x8B\xD1\x85\xD0\xBE\xD0\xB4", "\xE2\x97\x80 \xD0\x9D\xD0\xB0\xD0\xB7\xD0\xB0\xD0\xB4",
	  "\xD0\x94\xD0\xB0\xD0\xBB\xD0\xB5\xD0\xB5 \xE2\x96\xB6",
	  "\xD0\x92\xD1\x8B\xD0\xB1\xD1\x80\xD0\xB0\xD1\x82\xD1\x8C \xD0\xB2\xD1\x81\xD1\x91",
	  "\xD0\xA1\xD0\xBD\xD1\x8F\xD1\x82\xD1\x8C \xD0\xB2\xD1\x81\xD1\x91",
	  "\xD0\x9A\xD1\x83\xD0\xBF\xD0\xB8\xD1\x82\xD1\x8C",
	  "\xD0\x9D\xD0\xB0\xD1\x81\xD1\x82\xD1\x80\xD0\xBE\xD0\xB9\xD0\xBA\xD0\xB8"},
	 "\xD0\xA3\xD1\x81\xD1\x82\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2\xD1\x89\xD0\xB8\xD0\xBA"},
	{"Italian", {0, 54, 212, 312, 480, 673, 840, 921},
	 {"Esci", "\xE2\x97\x80 Indietro", "Avanti \xE2\x96\xB6", "Seleziona tutto", "Deseleziona tutto", "Acquista",
	  "Preferenze"},
	 "Programma di installazione"},
	{"Spanish", {0, 60, 156, 269, 421, 606, 789, 892},
	 {"Salir", "\xE2\x97\x80 Atr\xC3\xA1s", "Siguiente \xE2\x96\xB6", "Seleccionar todo", "No seleccionar nada",
	  "Comprar", "Preferencias"},
	 "Instalador"},
};

// Bands of the word pictures (rows, bottom to top): mouse-over, pressed, normal.
static const int band_over = 0, band_pressed = 23, band_normal = 46;
// The header word: 28 rows from 69, its baseline 6 rows up, 2 columns in; the
// wizard draws that band with the baseline at y 552 of the window and its left
// edge at x 172, right of the wordmark of background.png.
static const int header_row = 69, header_baseline = 6, header_left = 2;
static const float header_window_x = 172, header_window_baseline = 552, wordmark_x = 24;
static const float header_px = 22, wordmark_px = 30;

static bool make_elements(const std::string& out, face& bold, face& regular)
{
	bool ok = true;
	for (const language& L : languages) {
		canvas c(1024, 128);
		for (int i = 0; i < 7; ++i) {
			float x0 = (float)L.cuts[i], x1 = (float)L.cuts[i + 1];
			text_centred(c, bold, L.words[i], 13, x0, x1, band_normal + 7, INK, 2);
			text_centred(c, bold, L.words[i], 13, x0, x1, band_over + 7, hex(0x1C5BB5), 2);
			text_centred(c, bold, L.words[i], 13, x0, x1, band_pressed + 7, hex(0xFFFFFF), 2);
		}
		text(c, regular, L.header, header_px, (float)header_left, (float)(header_row + header_baseline),
		     hex(0xD6E4F2, 0.85f));
		// Button bodies (30 rows from 97): look C greyed at 877, A at 926, B pressed at 975.
		rbox(c, 878, 98, 924, 126, 8, hex(0xE3E7EB), hex(0xEEF1F4), hex(0xC3CBD4));
		rbox(c, 927, 98, 973, 126, 8, hex(0xDCE3EB), hex(0xFFFFFF), hex(0x7F8FA1));
		fill(c, 935, 124, 965, 125, hex(0xFFFFFF, 0.8f));
		rbox(c, 976, 98, 1022, 126, 8, hex(0x2A5EA9), hex(0x4B86D6), hex(0x1D4A8A));
		// Wizard panels: 41 x 41 at (982, 2).
		rbox(c, 982, 2, 1023, 43, 6, hex(0xFBFCFD), hex(0xFBFCFD), hex(0xAEB9C6));
		ok = c.save(out + "/elements_" + L.name + ".png", 4) && ok;
	}
	return ok;
}

// ---- map.png -------------------------------------------------------------------

// Land cover of the map cell at (x, y) of the 504 x 252 map, 0..1 from 4 x 4 samples.
static float land_cover(int x, int y)
{
	int hits = 0;
	for (int sy = 0; sy < 4; ++sy)
		for (int sx = 0; sx < 4; ++sx) {
			float lon = -180.0f + (x + (sx + 0.5f) / 4) * (360.0f / 504);
			float lat = -90.0f + (y + (sy + 0.5f) / 4) * (180.0f / 252);
			hits += art_is_land(lon, lat);
		}
	return hits / 16.0f;
}

static bool make_map(const std::string& out)
{
	canvas c(512, 1024, hex(0x000000, 0.0f));
	std::vector<float> land(504 * 252);
	for (int y = 0; y < 252; ++y)
		for (int x = 0; x < 504; ++x) land[y * 504 + x] = land_cover(x, y);
	auto coast = [&](int x, int y) {
		// Near a shore: land here and sea beside (or the other way round).
		float v = land[y * 504 + x];
		for (int dy = -1; dy <= 1; ++dy)
			for (int dx = -1; dx <= 1; ++dx) {
				int xx = (x + dx + 504) % 504, yy = std::min(std::max(y + dy, 0), 251);
				if (std::fabs(land[yy * 504 + xx] - v) > 0.5f) return true;
			}
		return false;
	};
	struct look {
		col sea_deep, sea_shallow, land_low, land_high, shore, grid;
		float grid_a;
	};
	const look looks[3] = {
		// background: every tile
		{hex(0x143A5E), hex(0x1F5482), hex(0x6E8763), hex(0x8FA27A), hex(0x2E4A2E), hex(0xFFFFFF), 0.10f},
		// a tile the discs have
		{hex(0x2A6C9C), hex(0x3B84B6), hex(0xC9B37A), hex(0xE1CF98), hex(0x7A6434), hex(0xFFF3C4), 0.35f},
		// a chosen tile
		{hex(0x2F86C8), hex(0x48A2DE), hex(0x5BBE55), hex(0x8FDB7A), hex(0x21602A), hex(0xFFFFFF), 0.6f},
	};
	for (int b = 0; b < 3; ++b) {
		const look& L = looks[b];
		int base = 252 * b;
		for (int y = 0; y < 252; ++y)
			for (int x = 0; x < 504; ++x) {
				float lat = -90.0f + (y + 0.5f) * (180.0f / 252);
				float t = std::fabs(lat) / 90.0f;
				col sea = mix(L.sea_shallow, L.sea_deep, std::min(t * 1.4f, 1.0f) * 0.6f);
				col ground = mix(L.land_low, L.land_high, 0.5f + 0.5f * std::sin(x * 0.07f + y * 0.11f) * 0.3f);
				if (std::fabs(lat) > 68) ground = mix(ground, hex(0xF2F5F7), std::min((std::fabs(lat) - 68) / 10, 1.0f));
				col p = mix(sea, ground, land[y * 504 + x]);
				if (coast(x, y)) p = mix(p, L.shore, 0.45f);
				p.a = 1;
				// Tile lines every 10 degrees (14 texels).
				int gx = x % 14, gy = y % 14;
				if (gx == 0 || gy == 0) p = mix(p, L.grid, L.grid_a);
				c.set(x, base + y, p);
			}
	}
	return c.save(out + "/map.png", 4);
}

// ---- background.png -----------------------------------------------------------

static unsigned rng_state = 12345u;
static float rnd()
{
	rng_state = rng_state * 1664525u + 1013904223u;
	return (rng_state >> 8) / 16777216.0f;
}

static bool make_background(const std::string& out, face& bold)
{
	canvas c(1024, 1024);
	// Evening sky: deep at the bottom, lighter towards the top of the window (600).
	for (int y = 0; y < 1024; ++y) {
		float t = std::min(y / 600.0f, 1.0f);
		col row = mix(hex(0x16283D), hex(0x4E759C), t * t * 0.85f + t * 0.15f);
		for (int x = 0; x < 1024; ++x) c.set(x, y, row);
	}
	// Soft light from the upper left.
	for (int y = 0; y < 1024; ++y)
		for (int x = 0; x < 1024; ++x) {
			float d = std::hypot((x - 120) / 700.0f, (y - 640) / 420.0f);
			c.blend(x, y, hex(0xBFD8F0), std::max(0.0f, 0.18f * (1 - d)));
		}
	// A few thin contrails.
	for (int k = 0; k < 5; ++k) {
		float y0 = 380 + rnd() * 200, x0 = rnd() * 300, len = 300 + rnd() * 400, slope = 0.08f + rnd() * 0.1f;
		stroke(c, {x0, y0, x0 + len, y0 + len * slope}, 0.6f, hex(0xFFFFFF, 0.10f));
	}
	// Wordmark in the strip above the wizard panels; the word beside it is the
	// language's, from its elements image.
	text(c, bold, "VANTOR", wordmark_px, wordmark_x, header_window_baseline, hex(0xFFFFFF, 0.92f));
	if (wordmark_x + text_width(bold, "VANTOR", wordmark_px) + 8 > header_window_x + header_left) {
		fprintf(stderr, "make_art: the wordmark runs into the header word\n");
		return false;
	}
	return c.save(out + "/background.png", 3);
}

int main(int argc, char** argv)
{
	if (argc != 4) {
		fprintf(stderr, "usage: make_art <output folder> <regular .ttf> <bold .ttf>\n");
		return 2;
	}
	std::string out = argv[1];
	if (FT_Init_FreeType(&ft)) {
		fprintf(stderr, "make_art: FreeType would not start\n");
		return 1;
	}
	face regular, bold;
	if (!regular.open(argv[2]) || !bold.open(argv[3])) return 1;
	bool ok = make_interface(out);
	ok = make_elements(out, bold, regular) && ok;
	ok = make_map(out) && ok;
	ok = make_background(out, bold) && ok;
	FT_Done_Face(regular.f);
	FT_Done_Face(bold.f);
	FT_Done_FreeType(ft);
	return ok ? 0 : 1;
}
