#include "hl_utf.h"

void string_utf_8_to_16(const std::string& in, utf16_string& out)
{
	out.clear();
	const unsigned char* p = (const unsigned char*)in.data();
	const unsigned char* e = p + in.size();
	while (p < e) {
		unsigned int cp = 0;
		unsigned char c = *p;
		int follow = 0;
		if (c < 0x80)      { cp = c; }
		else if (c >= 0xC0 && c <= 0xDF) { cp = c & 0x1F; follow = 1; }
		else if (c >= 0xE0 && c <= 0xEF) { cp = c & 0x0F; follow = 2; }
		else if (c >= 0xF0 && c <= 0xF7) { cp = c & 0x07; follow = 3; }
		else               { cp = 0; }	// 0xF8..0xFF, or a stray run of continuation bytes
		++p;
		for (int i = 0; i < follow; ++i) {
			// a sequence cut short by the end takes 0 for the missing bytes
			unsigned char b = (p < e) ? *p : 0;
			if (p < e) ++p;
			cp = cp * 64 + (b & 0x3F);
		}
		while (p < e && utf8_is_cont(*p)) ++p;	// surplus continuation bytes give no output
		if (cp < 0x10000) {
			out.push_back((unsigned short)cp);
		} else {
			unsigned int v = cp - 0x10000;
			out.push_back((unsigned short)(0xD800 | ((v >> 10) & 0x3FF)));
			out.push_back((unsigned short)(0xDC00 | (v & 0x3FF)));
		}
	}
}

static void put_utf8(unsigned int cp, std::string& out)
{
	if (cp < 0x80) {
		out.push_back((char)cp);
	} else if (cp < 0x800) {
		out.push_back((char)(0xC0 | ((cp >> 6) & 0x1F)));
		out.push_back((char)(0x80 | (cp & 0x3F)));
	} else if (cp < 0x10000) {
		out.push_back((char)(0xE0 | ((cp >> 12) & 0x0F)));
		out.push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
		out.push_back((char)(0x80 | (cp & 0x3F)));
	} else {
		out.push_back((char)(0xF0 | ((cp >> 18) & 0x07)));
		out.push_back((char)(0x80 | ((cp >> 12) & 0x3F)));
		out.push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
		out.push_back((char)(0x80 | (cp & 0x3F)));
	}
}

void string_utf_16_to_8(const utf16_string& in, std::string& out)
{
	out.clear();
	for (size_t i = 0; i < in.size(); ++i) {
		unsigned int u = in[i];
		unsigned int cp = u;
		if (u >= 0xD800 && u <= 0xDBFF) {
			unsigned int lo = (i + 1 < in.size()) ? in[++i] : 0;
			cp = 0x10000 + (((u & 0x3FF) << 10) | (lo & 0x3FF));
		}
		put_utf8(cp, out);
	}
}

int utf8_append(unsigned int cp, std::string& out)
{
	if (cp > 0x10FFFF) return 0;
	size_t before = out.size();
	put_utf8(cp, out);
	return (int)(out.size() - before);
}

int utf8_next(const char* text, int len, int pos)
{
	if (pos < 0) return 0;
	if (pos >= len) return len;
	++pos;
	while (pos < len && utf8_is_cont((unsigned char)text[pos])) ++pos;
	return pos;
}

int utf8_prev(const char* text, int len, int pos)
{
	if (pos > len) pos = len;
	if (pos <= 0) return 0;
	--pos;
	while (pos > 0 && utf8_is_cont((unsigned char)text[pos])) --pos;
	return pos;
}

int utf8_cut_length(const std::string& s, int max_bytes)
{
	int len = (int)s.size();
	if (max_bytes < 0) return 0;
	if (len <= max_bytes) return len;
	int n = max_bytes;
	while (n > 0 && utf8_is_cont((unsigned char)s[n])) --n;
	return n;
}

unsigned int utf8_decode(const char* text, int len, int* pos)
{
	int p = *pos;
	if (p < 0 || p >= len) { *pos = len; return 0; }
	unsigned char c = (unsigned char)text[p];
	int follow = 0;
	unsigned int cp;
	if (c < 0x80)                    { *pos = p + 1; return c; }
	else if (c >= 0xC2 && c <= 0xDF) { cp = c & 0x1F; follow = 1; }
	else if (c >= 0xE0 && c <= 0xEF) { cp = c & 0x0F; follow = 2; }
	else if (c >= 0xF0 && c <= 0xF4) { cp = c & 0x07; follow = 3; }
	else { *pos = utf8_next(text, len, p); return 0xFFFD; }
	int q = p + 1;
	for (int i = 0; i < follow; ++i, ++q) {
		if (q >= len || !utf8_is_cont((unsigned char)text[q])) { *pos = q; return 0xFFFD; }
		cp = cp * 64 + ((unsigned char)text[q] & 0x3F);
	}
	*pos = q;
	return cp;
}
