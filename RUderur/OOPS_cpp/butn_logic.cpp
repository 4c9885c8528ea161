#include "butn_logic.h"
#include "UTL_alert.h"
#include "hl_utf.h"
#include <climits>
#include <cmath>
#include <cstdlib>

void BTN_expand_label(const std::string& label, std::string* text, std::string* part2, std::string* part3)
{
	size_t p = label.rfind('|');
	size_t q = label.rfind('{');
	if (q == std::string::npos) q = label.size();
	std::string t, h, help;
	if (p != std::string::npos) {
		t = label.substr(0, p);
		if (q > p) h = label.substr(p + 1, q - p - 1);
	} else {
		t = label.substr(0, q);
	}
	// the brace is followed by one blank; a label ending in the brace has no help
	if (q + 2 <= label.size()) help = label.substr(q + 2);
	if (text) *text = t;
	if (part2) *part2 = h;
	if (part3) *part3 = help;
}

int BTN_label_break(const std::string& s)
{
	int len = (int)s.size(), mid = len / 2, best = -1;
	for (int i = 1; i < len - 1; ++i) {
		if (s[i] != ' ' && s[i] != '-' && s[i] != '/') continue;
		if (best < 0 || std::abs(i - mid) < std::abs(best - mid)) best = i;
	}
	return best;
}

float BTN_flt_max(int digits, int decimals)
{
	if (digits < 1) digits = 1;
	if (digits > 10) digits = 10;
	double nines = 0;
	for (int i = 0; i < digits; ++i) nines = nines * 10 + 9;
	return (float)(nines / std::pow(10.0, decimals));
}

static double place_of(int k, int digits, int decimals) { return std::pow(10.0, digits - decimals - k - 1); }

int BTN_numeric_key(float* value, int* hot, int digits, int decimals, float min, float max, int ch, int vkey)
{
	if (digits < 1) return 0;
	if (*hot < 0 || *hot >= digits) *hot = 0;
	double place = place_of(*hot, digits, decimals);
	double v = *value;
	if (vkey == 37) { *hot = (*hot + digits - 1) % digits; return 0; }
	if (vkey == 39) { *hot = (*hot + 1) % digits; return 0; }
	if (vkey == 40) { *value = (float)(v - place); return 1; }
	if (vkey == 38) { *value = (float)(v + place); return 1; }
	if (ch >= '0' && ch <= '9') {
		double mag = std::fabs(v);
		int old = (int)std::fmod(std::floor(mag / place + 1e-6), 10.0);
		mag += ((ch - '0') - old) * place;
		*value = (float)(v < 0 ? -mag : mag);
		*hot = (*hot + 1) % digits;
		return 1;
	}
	if (ch == '+' && min < 0) { *value = (float)std::fabs(v); return 1; }
	// a field that holds no negative value takes no '-' (it would only clamp to 0)
	if (ch == '-' && min < 0 && max >= 0) { *value = (float)-std::fabs(v); return 1; }
	return 0;
}

float BTN_numeric_settle(float value, int decimals, float min, float max)
{
	if (value < min) value = min;
	if (value > max) value = max;
	double m = std::pow(10.0, decimals);
	double s = value * m;
	return (float)((double)(long long)(s + (s < 0 ? -0.5 : 0.5)) / m);
}

int BTN_float_to_int(float v)
{
	if (!(v == v)) return 0;
	if (v >= 2147483647.0f) return INT_MAX;
	if (v <= -2147483648.0f) return INT_MIN;
	return (int)v;
}

void BTN_split_items(const std::string& items, std::vector<std::string>& out)
{
	out.clear();
	if (items.find('|') != std::string::npos)
		__MACIBM_alert(0, "Found | char in text string!", items, "", "", t_exit, "butn", __LINE__);
	std::string cur;
	for (char c : items) {
		if (c != '-') { cur += c; continue; }
		out.push_back(cur);
		cur.clear();
		if (out.size() >= 300) {
			__MACIBM_alert(0, "BTN_text_list overflow!", items, "", "", t_exit, "butn", __LINE__);
			return;
		}
	}
	out.push_back(cur);
}

int BTN_text_key_ok(int ch, int vkey)
{
	if (vkey == 8) return ch == 8;
	if (vkey >= 37 && vkey <= 40) return ch >= 28 && ch <= 31;
	if (vkey == 46 || (vkey >= 33 && vkey <= 36)) return 0;
	if (ch >= 0xD800 && ch <= 0xDFFF) return 0;
	return ch >= 32 && ch != 127 && ch <= 0x10FFFF;
}

int BTN_text_clip_key(int vkey, int flags)
{
	if (!(flags & 4)) return 0;
	if (vkey == 'C') return 'c';
	if (vkey == 'X') return 'x';
	if (vkey == 'V') return 'v';
	return 0;
}

std::string BTN_text_key_bytes(int ch, int vkey, int flags)
{
	std::string b;
	if ((flags & 4) || !BTN_text_key_ok(ch, vkey)) return b;	// Control combinations type nothing
	if (ch < 32) b += (char)ch;
	else utf8_append((unsigned int)ch, b);
	return b;
}

std::string BTN_text_paste_filter(const std::string& s)
{
	std::string out;
	int pos = 0, len = (int)s.size();
	unsigned int prev = 0;
	while (pos < len) {
		unsigned int cp = utf8_decode(s.data(), len, &pos);
		// a line break or tab of a one-line field becomes a blank, so that the
		// words it separated stay apart; CR LF is one break
		if (cp == '\r' || cp == '\n' || cp == '\t') {
			if (!(cp == '\n' && prev == '\r')) out += ' ';
		} else if (BTN_text_key_ok((int)cp, 0)) {
			utf8_append(cp, out);
		}
		prev = cp;
	}
	return out;
}

int BTN_text_cut(std::string* text, int max_bytes)
{
	if (max_bytes < 0) max_bytes = 0;
	if ((int)text->size() <= max_bytes) return 0;
	text->resize(utf8_cut_length(*text, max_bytes));
	return 1;
}

int BTN_clamp_index(int index, int count)
{
	if (index >= count) index = count - 1;
	return index < 0 ? 0 : index;
}

void BTN_type_ahead_add(std::string* ahead, float* last_time, float now, unsigned int cp)
{
	if (now - *last_time > 1.0f) ahead->clear();
	*last_time = now;
	utf8_append(cp, *ahead);
}

static char lower_ascii(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

int BTN_type_ahead_find(const std::string& prefix, int first, int last, std::string (*name)(int, void*), void* ref)
{
	if (!name) return -1;
	for (int k = first; k <= last; ++k) {
		std::string n = name(k, ref);
		if (n.size() < prefix.size()) continue;
		size_t i = 0;
		while (i < prefix.size() && lower_ascii(n[i]) == lower_ascii(prefix[i])) ++i;
		if (i == prefix.size()) return k;
	}
	return -1;
}

void BTN_list_follow(int selected, int* centre_row, int rows)
{
	if (rows < 0) rows = 0;
	if (selected > *centre_row + rows) *centre_row = selected - rows;
	if (selected < *centre_row - rows) *centre_row = selected + rows;
}

int BTN_popup_anchor(int anchor, int count, float y, float screen_h)
{
	if (count < 1) return 0;
	anchor = BTN_clamp_index(anchor, count);
	float bottom = y - 3 - 12.0f * (count - 1 - anchor);
	float top = y - 3 + 12.0f * anchor + 12;
	if (bottom < 0 && anchor < count - 1) return anchor + 1;
	if (top > screen_h && anchor > 0) return anchor - 1;
	return anchor;
}

static const char kAlphabet[] = " 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-";

int BTN_chars_index(char c)
{
	for (int i = 0; i < 38; ++i)
		if (kAlphabet[i] == c) return i;
	return 1;
}

char BTN_chars_at(int index)
{
	return kAlphabet[((index % 38) + 38) % 38];
}
