// Where text goes relative to the y a caller passes, and numbers in either face.
#include "OGL_fonts.h"
#include "colr.h"
#include "OGL_setstate.h"
#include "oglp.h"
#include "MACIBM_mnw.h"
#include "UTL_alert.h"
#include "tman.h"
#include "butn.h"
#include "butn_logic.h"
#include <algorithm>
#include <cmath>

float str_dx(const std::string& s) { return OGL_measure_string(s, 0); }

float OGL_string(int colour, float x, float y, const std::string& s, float width, charset_t cs, int align)
{
	return OGL_font_string(colour, x, y - 1, s, width, cs, align, 0);
}

void OGL_gray_string(int colour, float x, float y, std::string s)
{
	float h = str_dx(s) * 0.5f;
	OGL_grayrect(x - h - 2, y - 2, x + h + 2, y + 8, 0.5f);
	OGL_font_string(colour, x - h, y - 1, s, 9999, 0, 0, 0);
}

void OGL_boxed_string(float x, float y, const std::string& label, const std::string& value, charset_t cs, int colour)
{
	std::string left, right, help;
	BTN_expand_label(label, &left, &right, &help);
	float w = cs == 1 ? value.size() * 10.0f + 7 : cs == 0 ? OGL_measure_string(value, 0) + 7 : 100;
	BTN_frame1(btn_style_field, x, y + 3, w, colr_white);
	BTN_util_draw_label(x - w / 2 - 8, y, 0, left, 0);
	BTN_util_draw_label(x + w / 2 + 8, y, 2, right, 0);
	OGL_font_string(colour, x - w / 2 + 4, y - 1, value, 9999, cs, 0, 0);
}

int OGL_strtex(charset_t cs, int colour, float* s1, float* t1, float* s2, float* t2)
{
	OGL_setstate(fog_fals, 1, lit_fals, al_blend, deR_fals, deW_fals);
	OGL_set_color(colour, 1.0f);
	if (cs != 0 && cs != 1) {
		APL_alert("String proc with bad charset!", "", "", "", t_exit);
		return 0;
	}
	tman.bind_ref(tman_ref_interface, 0, 0);
	*s1 = 0; *t1 = 0; *s2 = 14; *t2 = 15;
	return cs == 1 ? 10 : 0;
}

void OGL_char(int colour, float x, float y, float, float, float, float, int code, charset_t cs)
{
	std::string one(1, (char)code);
	OGL_font_string(colour, x - mnw.origin_x, y - mnw.origin_y + 1, one, 0, cs, 0, cs == 1 ? 10 : 0);
}

// halves away from zero
static float nearest(float v) { return v < 0 ? -floorf(-v + 0.5f) : floorf(v + 0.5f); }

struct number_parts {
	bool   negative;
	double v;		// digit source: scaled + 0.5
	float  scaled;
	int    integer_digits;
};

static number_parts number_split(float value, int digits, int decimals)
{
	number_parts n;
	float a = fabsf(value);
	n.scaled = a * (float)pow(10.0, decimals);
	n.negative = value < 0 && n.scaled > 0.1f;
	n.v = (double)n.scaled + 0.5;
	n.integer_digits = digits - decimals;
	return n;
}

static int digit_at(double v, int k) { return (int)fmod(floor(v / pow(10.0, k)), 10.0); }

std::string OGL_number_text(float value, int digits, int decimals)
{
	// no figures for an infinity or a NaN: a dash in every place
	if (!std::isfinite(value)) return std::string((size_t)std::max(1, std::min(digits, 11)), '-');
	number_parts n = number_split(value, digits, decimals);
	std::string t = n.negative ? "-" : "";
	float s = n.scaled;
	int needed = s > 1e9f ? 10 : s > 1e8f ? 9 : s > 9999999 ? 8 : s > 999999 ? 7 : s > 99999 ? 6 : s > 9999 ? 5
	           : s > 999 ? 4 : s > 99 ? 3 : s > 9 ? 2 : 1;
	if (digits < std::max(needed, decimals + 1)) {
		// Too wide for its field: three figures and a power of ten.
		float g = fabsf(value);
		int e = 2;
		while (g >= 999) {
			g /= 10;
			++e;
		}
		int m = (int)nearest(g);
		t += (char)('0' + m / 100 % 10);
		t += '.';
		t += (char)('0' + m / 10 % 10);
		t += (char)('0' + m % 10);
		t += 'x';
		t += (char)('0' + e % 10);
		return t;
	}
	for (int k = digits - 1; k >= 0; --k) {
		if (decimals > 0 && k == decimals - 1) t += '.';
		int left = k - decimals + 1;	// integer places from this digit on
		if ((left == 3 || left == 6 || left == 9) && n.integer_digits > left) t += ',';
		t += (char)('0' + digit_at(n.v, k));
	}
	return t;
}

void OGL_number(int colour, float x, float y, float value, int digits, int decimals, charset_t cs)
{
	if (cs != 1) {
		OGL_font_string(colour, x, y - 1, OGL_number_text(value, digits, decimals), 9999, 0, 0, 0);
		return;
	}
	float s1, t1, s2, t2;
	float c = (float)OGL_strtex(1, colour, &s1, &t1, &s2, &t2);
	number_parts n = number_split(value, digits, decimals);
	float x0 = nearest(x + mnw.origin_x) - c, y0 = nearest(y + mnw.origin_y) - 2;
	if (!std::isfinite(value)) {
		for (int i = 1; i <= std::min(std::max(digits, 1), 11); ++i) OGL_char(colour, x0 + i * c, y0, s1, t1, s2, t2, '-', 1);
		return;
	}
	if (n.negative) OGL_char(colour, x0 + 1, y0, s1, t1, s2, t2, '-', 1);
	if (decimals > 0) OGL_char(colour, x0 + (n.integer_digits + 0.5f) * c, y0, s1, t1, s2, t2, '.', 1);
	for (int sep = 3; sep <= 9; sep += 3)
		if (n.integer_digits > sep) OGL_char(colour, x0 + (n.integer_digits - sep + 0.5f) * c, y0, s1, t1, s2, t2, ',', 1);
	int count = std::min(digits, 11);
	for (int i = 1; i <= count; ++i)
		OGL_char(colour, x0 + i * c, y0, s1, t1, s2, t2, '0' + digit_at(n.v, count - i), 1);
}
