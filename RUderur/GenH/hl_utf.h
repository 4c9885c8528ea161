#ifndef HL_UTF_H
#define HL_UTF_H
// UTF-8 <-> UTF-16 conversion and the few UTF-8 boundary helpers the text widgets share.
#include <string>

typedef std::basic_string<unsigned short> utf16_string;

void string_utf_8_to_16(const std::string& in, utf16_string& out);
void string_utf_16_to_8(const utf16_string& in, std::string& out);

// A continuation byte is 0x80..0xBF; every other byte starts a character.
inline bool utf8_is_cont(unsigned char c) { return (c & 0xC0) == 0x80; }

// Appends the UTF-8 form of a code point (1 to 4 bytes); returns the byte count,
// 0 for code points above U+10FFFF, which are dropped.
int utf8_append(unsigned int cp, std::string& out);

// Offset of the start of the character after / before the one at pos, kept inside 0..len.
int utf8_next(const char* text, int len, int pos);
int utf8_prev(const char* text, int len, int pos);

// The longest prefix length not above max_bytes that ends on a character boundary.
int utf8_cut_length(const std::string& s, int max_bytes);

// Decodes one character at pos (malformed bytes give U+FFFD); advances pos past it.
unsigned int utf8_decode(const char* text, int len, int* pos);

#endif
