#ifndef UTL_FORMAT_H
#define UTL_FORMAT_H
// Numbers to text and back, in the program's own formats.
#include <string>

// Decimal text of value into buf (at least 12 bytes), zero-padded to
// min_digits (at most 10), '+' before a non-negative value when show_plus.
void int_to_str(int value, char* buf, int min_digits, int show_plus);
// Value of an optionally signed run of 1 to 9 digits; -1 for anything else.
int  str_to_int(const std::string& text);
// value with decimals fraction digits, integer part blank-padded to width - decimals.
void flt_to_str(float value, std::string* out, int width, int decimals);

#endif
