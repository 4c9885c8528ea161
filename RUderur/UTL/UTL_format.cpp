#include "UTL_format.h"
#include <climits>
#include <cmath>

void int_to_str(int value, char* buf, int min_digits, int show_plus)
{
	char* p = buf;
	unsigned mag;
	if (value < 0) {
		*p++ = '-';
		mag = 0u - (unsigned)value;	// the most negative value too
	} else {
		if (show_plus) *p++ = '+';
		mag = (unsigned)value;
	}
	unsigned place = 1000000000u;
	for (int k = 9; k >= 1; --k, place /= 10)
		if (mag >= place || min_digits > k) *p++ = (char)('0' + (mag / place) % 10);
	*p++ = (char)('0' + mag % 10);
	*p = 0;
}

int str_to_int(const std::string& text)
{
	if (text.empty()) return -1;
	for (char c : text)
		if (c != '+' && c != '-' && (c < '0' || c > '9')) return -1;
	int sign = 1;
	size_t at = 0;
	if (text[0] == '+' || text[0] == '-') {
		sign = text[0] == '-' ? -1 : 1;
		at = 1;
	}
	size_t n = text.size() - at;
	if (n < 1 || n > 9) return -1;
	int v = 0;
	for (size_t i = at; i < text.size(); ++i) {
		// a sign anywhere but first is no number
		if (text[i] < '0' || text[i] > '9') return -1;
		v = v * 10 + (text[i] - '0');
	}
	return sign * v;
}

void flt_to_str(float value, std::string* out, int width, int decimals)
{
	if (decimals < 0) return;
	int scale = (int)powf(10.0f, (float)decimals);
	float scaled_f = value * (float)scale;
	// out-of-range values (and NaN) are held to what an int can carry
	long l = std::isnan(scaled_f) ? 0 : lroundf(fmaxf(fminf(scaled_f, 2147483520.0f), -2147483520.0f));
	int scaled = (int)l;
	int whole = scaled / scale;
	int frac = scaled % scale;

	char buf[16];
	int_to_str(whole < 0 ? -whole : whole, buf, width - decimals, 0);
	std::string lft = buf;
	for (size_t i = 0; i + 1 < lft.size() && lft[i] == '0'; ++i) lft[i] = ' ';
	int_to_str(frac < 0 ? -frac : frac, buf, decimals, 0);
	std::string rgt = buf;

	std::string s = value < 0 ? "-" : "";
	s += lft;
	if (decimals != 0) {
		s += ".";
		s += rgt;
	}
	*out = s;
}
