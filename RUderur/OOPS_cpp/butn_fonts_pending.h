#ifndef BUTN_FONTS_PENDING_H
#define BUTN_FONTS_PENDING_H
// The text calls the widgets use, until the fonts' own header is in.
#include <string>
typedef int charset_t;
float OGL_string(int colour, float x, float y, const std::string& s, float width, charset_t cs, int align);
void  OGL_number(int colour, float x, float y, float value, int digits, int decimals, charset_t cs);
float str_dx(const std::string& s);
#endif
