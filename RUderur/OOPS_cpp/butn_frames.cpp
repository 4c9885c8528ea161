#include "butn.h"
#include "butn_layout.h"
#include "colr.h"
#include "OGL_fonts.h"
#include "oglp.h"
#include "tman.h"
#include "OGL_setstate.h"
#include "MACIBM_mnw.h"
#include "UTL_alert.h"
#include <cmath>

float wx, wy;

static float nearest(float v) { return v < 0 ? -std::floor(-v + 0.5f) : std::floor(v + 0.5f); }

// One quad of a texture, screen box (x0,y0)-(x1,y1), source pixels (u0,v0)-(u1,v1).
// Wound clockwise on screen like every 2-D primitive: the context culls the
// other winding as back faces.
static void quad(int tex, int colour, float alpha, float x0, float y0, float x1, float y1,
                 float u0, float v0, float u1, float v1, float su, float sv)
{
	if (!ogl_inited) return;	// no context yet (start-up, GL-free callers)
	OGL_2dquad(tex, colour, alpha, x0, y0, u0 / su, v0 / sv, x0, y1, u0 / su, v1 / sv,
	           x1, y1, u1 / su, v1 / sv, x1, y0, u1 / su, v0 / sv, 1, al_blend);
}

struct frame1_style { int G, K, J, c0, r0, F, extra, tex; };
static const frame1_style kFrame1[14] = {
	{10, 100, 26, 1, 487, 90, 0, tman_ref_interface},
	{20, 100, 26, 102, 487, 80, 0, tman_ref_interface},
	{10, 52, 26, 304, 486, 42, 0, tman_ref_interface},
	{10, 52, 26, 304, 459, 42, 0, tman_ref_interface},
	{10, 28, 16, 112, 161, 18, 0, tman_ref_interface},
	{10, 28, 16, 83, 161, 18, 0, tman_ref_interface},
	{0, 0, 0, 0, 0, 0, 0, 0},
	{10, 65, 24, 240, 242, 55, 0, tman_ref_interface},
	{7, 16, 16, 289, 219, 9, 0, tman_ref_interface},
	{10, 51, 26, 262, 133, 41, 4, tman_ref_interface},
	{26, 68, 24, 357, 488, 42, 4, tman_ref_interface},
	{16, 48, 30, 926, 97, 32, 0, tman_ref_elements},
	{16, 48, 30, 975, 97, 32, 0, tman_ref_elements},
	{16, 48, 30, 877, 97, 32, 0, tman_ref_elements}};

void BTN_frame1(int style, float xc, float yc, float width, int colour)
{
	if (style < btn_style_top_bar || style > btn_style_image_c || style == btn_style_vertical_bar) {
		__MACIBM_alert(0, "Bad BTN_frame1 call!", "", "", "", t_exit, "butn", __LINE__);
		return;
	}
	const frame1_style& s = kFrame1[style];
	xc = nearest(xc);
	width = nearest(width * 0.5f) * 2 + s.extra;
	if (style <= btn_style_title_bar) yc -= 3;
	float su = s.tex == tman_ref_elements ? 1024.0f : 512.0f, sv = s.tex == tman_ref_elements ? 128.0f : 512.0f;
	float l = xc - width / 2, b = yc - s.J / 2.0f, t = b + s.J;
	float G = (float)s.G, period = (float)(s.F - s.G);
	quad(s.tex, colour, 1, l, b, l + G, t, s.c0, s.r0, s.c0 + G, s.r0 + s.J, su, sv);
	int tiles = (int)((width - 2 * G) / period) + 1;
	float cut = width - G;
	for (int i = 0; i < tiles; ++i) {
		float x0 = l + G + i * period, x1 = std::min(x0 + period, l + cut);
		if (x1 <= x0) break;
		float u1 = s.c0 + G + period * ((x1 - x0) / period);
		u1 = std::min(u1, (float)(s.c0 + s.F));
		quad(s.tex, colour, 1, x0, b, x1, t, s.c0 + G, s.r0, u1, s.r0 + s.J, su, sv);
	}
	quad(s.tex, colour, 1, l + width - G, b, l + width, t, s.c0 + s.F, s.r0, s.c0 + s.K, s.r0 + s.J, su, sv);
}

void BTN_frame0(int style, float xc, float yc, float height)
{
	if (style != btn_style_vertical_bar) {
		__MACIBM_alert(0, "Bad BTN_frame0 call!", "", "", "", t_exit, "butn", __LINE__);
		return;
	}
	if (xc != std::floor(xc)) __MACIBM_alert(0, "BTN_frame0 non-int x_center!", "", "", "", t_exit, "butn", __LINE__);
	if (yc != std::floor(yc)) __MACIBM_alert(0, "BTN_frame0 non-int y_center!", "", "", "", t_exit, "butn", __LINE__);
	float H = 2 * nearest(height / 2) + 8, b = yc - H / 2, l = xc - 10, r = xc + 10;
	quad(tman_ref_interface, colr_white, 1, l, b, r, b + 10, 102, 248, 122, 258, 512, 512);
	int tiles = (int)((H - 20) / 20) + 1;
	for (int i = 0; i < tiles; ++i) {
		float y0 = b + 10 + 20 * i, y1 = std::min(y0 + 20, b + H - 10);
		if (y1 <= y0) break;
		float v1 = 248 + std::min(30.0f, std::max(10.0f, 10 + (y1 - y0) * 2.0f / 3.0f));
		quad(tman_ref_interface, colr_white, 1, l, y0, r, y1, 102, 258, 122, v1, 512, 512);
	}
	quad(tman_ref_interface, colr_white, 1, l, b + H - 10, r, b + H, 102, 278, 122, 288, 512, 512);
}

struct frame2_style { int S, c0, r0, D, E, C, tex; };
static const frame2_style kFrame2[10] = {
	{100, 1, 358, 9, 14, 4, tman_ref_interface},
	{100, 102, 358, 9, 14, 4, tman_ref_interface},
	{100, 203, 358, 9, 14, 4, tman_ref_interface},
	{100, 304, 358, 9, 14, 4, tman_ref_interface},
	{100, 405, 358, 9, 14, 4, tman_ref_interface},
	{68, 1, 289, 2, 2, 2, tman_ref_interface},
	{42, 70, 315, 8, 13, 2, tman_ref_interface},
	{42, 113, 315, 8, 13, 2, tman_ref_interface},
	{44, 440, 12, 6, 9, 4, tman_ref_interface},
	{41, 982, 2, 1, 1, 1, tman_ref_elements}};

void BTN_frame2(int style, float x, float y, float w, float h, std::string title, float alpha)
{
	if (style < btn_style_window || style > btn_style_wizard_panel) {
		__MACIBM_alert(0, "Bad BTN_frame2 call!", "", "", title, t_exit, "butn", __LINE__);
		return;
	}
	const frame2_style& s = kFrame2[style - btn_style_window];
	float su = s.tex == tman_ref_elements ? 1024.0f : 512.0f, sv = s.tex == tman_ref_elements ? 128.0f : 512.0f;
	float S = (float)s.S;
	float capL = 0.35f * S, capR = capL, lowB = 0.3f * S, highB = lowB;
	if (style == btn_style_menu) { capL = capR = 20; lowB = 26; highB = 14; }
	float colP = S - capL - capR, rowP = S - lowB - highB;
	float X0 = x - s.D, X1 = x + w + s.D, Y0 = y - s.E, Y1 = y + h + s.C;
	// the window's own frame holds everything, and menus and balloons lie over what they cover
	if (style != btn_style_window && style != btn_style_window_b && style != btn_style_menu && style != btn_style_help)
		BTN_layout_panel(X0, Y0, X1, Y1);
	// column and row spans on screen with their source spans
	float cs[64][4];
	int nc = 0;
	cs[nc][0] = X0; cs[nc][1] = X0 + capL; cs[nc][2] = s.c0; cs[nc][3] = s.c0 + capL; ++nc;
	int cols = std::max(0, (int)((X1 - X0 - capL - capR) / colP) + 1);
	for (int i = 0; i < cols && nc < 62; ++i) {
		float a = X0 + capL + i * colP, b2 = std::min(a + colP, X1 - capR);
		if (b2 <= a) break;
		cs[nc][0] = a; cs[nc][1] = b2; cs[nc][2] = s.c0 + capL; cs[nc][3] = s.c0 + capL + (b2 - a); ++nc;
	}
	cs[nc][0] = X1 - capR; cs[nc][1] = X1; cs[nc][2] = s.c0 + S - capR; cs[nc][3] = s.c0 + S; ++nc;
	float rs[64][4];
	int nr = 0;
	rs[nr][0] = Y0; rs[nr][1] = Y0 + lowB; rs[nr][2] = s.r0; rs[nr][3] = s.r0 + lowB; ++nr;
	int rows = std::max(1, (int)((Y1 - Y0 - lowB - highB) / rowP) + 1);
	for (int i = 0; i < rows && nr < 62; ++i) {
		float a = Y0 + lowB + i * rowP, b2 = std::min(a + rowP, Y1 - highB);
		if (b2 <= a) break;
		rs[nr][0] = a; rs[nr][1] = b2; rs[nr][2] = s.r0 + lowB; rs[nr][3] = s.r0 + lowB + (b2 - a); ++nr;
	}
	rs[nr][0] = Y1 - highB; rs[nr][1] = Y1; rs[nr][2] = s.r0 + S - highB; rs[nr][3] = s.r0 + S; ++nr;
	for (int r = 0; r < nr; ++r)
		for (int c = 0; c < nc; ++c)
			quad(s.tex, colr_white, alpha, cs[c][0], rs[r][0], cs[c][1], rs[r][1], cs[c][2], rs[r][2], cs[c][3], rs[r][3], su, sv);
	if (!title.empty()) {
		float tx = (style == btn_style_wizard_panel) ? x + 10 : x + w / 2 - str_dx(title) / 2;
		float ty = y + h - (style == btn_style_window ? 13 : 16);
		const int colour = style == btn_style_window         ? colr_window_title
		                   : style == btn_style_dialog_panel ? colr_panel_text
		                                                     : colr_label;
		OGL_string(colour, tx, ty, title, 9999, 0, 0);
	}
	const int framework_window = mnw.current_window >= WIND_advise && mnw.current_window <= WIND_save;
	if (style == btn_style_window && mnw.current_window != WIND_main && !framework_window)
		BTN_zap_boxes(0);
}

void BTN_util_element(float x, float y, float u, float v, float hw, float hh, int colour)
{
	quad(tman_ref_interface, colour, 1, x - hw, y - hh, x + hw, y + hh, u - hw, v - hh, u + hw, v + hh, 512, 512);
}

void BTN_util_draw_label(float x, float y, int type, const std::string& label, int lit)
{
	if (label.empty()) return;
	std::string s = label;
	size_t limit = 12;
	if (s[0] == '-') { s.erase(0, 1); limit = 9999; }
	int colour = lit ? colr_pulse_label : colr_label, align = (type == 0) ? 2 : (type == 2) ? 0 : 1;
	int brk = (type != 1 && s.size() > limit) ? BTN_label_break(s) : -1;
	if (brk < 0) { OGL_string(colour, x, y, s, 9999, 0, align); return; }
	OGL_string(colour, x, y + 5, s.substr(0, brk), 9999, 0, align);
	OGL_string(colour, x, y - 5, s.substr(brk + 1), 9999, 0, align);
}

void BTN_fillwin(int background, int content_style)
{
	BTN_frame2(background ? btn_style_window : btn_style_window_b, 0, 0, mnw.wind_w, mnw.wind_h, stls.window_title, 1);
	if (content_style == btn_style_title_bar)
		BTN_frame1(btn_style_title_bar, mnw.wind_w / 2, mnw.wind_h - 50, mnw.wind_w, colr_white);
	else if (content_style != btn_style_none)
		BTN_frame2(content_style, 10, 10, mnw.wind_w - 20, mnw.wind_h - 40, "", 1);
}

void BTN_subwin(float top_reserve, int style, float x, float y, float w, float h, std::string title,
                float* next_x, float* next_y)
{
	if (x < 0) x = 10;
	if (y < 0) y = 10;
	if (w < 0) w = mnw.wind_w - 10 - x;
	if (h < 0) h = mnw.wind_h - 28 - y - top_reserve;
	BTN_frame2(style, x, y, w, h, title, 1);
	if (next_x) *next_x = x + w + 10;
	if (next_y) *next_y = y + h + 10;
}

int BTN_zap_boxes(int lit)
{
	float cy = mnw.wind_h - 10, v0 = lit ? 197.0f : 178.0f;
	auto in = [&](float cx) {
		return mnw.click_down && mnw.mouse_x >= cx - 9 && mnw.mouse_x <= cx + 9 && mnw.mouse_y >= cy - 9 && mnw.mouse_y <= cy + 9;
	};
	quad(tman_ref_interface, colr_white, 1, 16 - 9, cy - 9, 16 + 9, cy + 9, 120, v0, 138, v0 + 18, 512, 512);
	if (in(16)) return 1;
	float rx = mnw.wind_w - 16;
	quad(tman_ref_interface, colr_white, 1, rx - 9, cy - 9, rx + 9, cy + 9, 120, v0, 138, v0 + 18, 512, 512);
	return in(rx) ? 1 : 0;
}
