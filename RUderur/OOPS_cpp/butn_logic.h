#ifndef BUTN_LOGIC_H
#define BUTN_LOGIC_H
// The widgets' decisions that need no drawing: label syntax, number fields, item lists,
// which keys a text field takes.
#include <string>
#include <vector>

// text|hint{ help  ->  "text", "hint", "help"
void BTN_expand_label(const std::string& label, std::string* text, std::string* part2, std::string* part3);
// Where a long label breaks in two lines (a blank, '-' or '/' nearest its middle); -1: none.
int  BTN_label_break(const std::string& s);

// Numeric fields: the largest value the digits show, a queued key applied to the value
// and hot digit (1 when the value changed), and the clamp-and-round after every call.
float BTN_flt_max(int digits, int decimals);
int   BTN_numeric_key(float* value, int* hot, int digits, int decimals, float min, float max, int ch, int vkey);
float BTN_numeric_settle(float value, int decimals, float min, float max);
int   BTN_float_to_int(float v);

// Pop-up list items split at '-'; a '|' or more than 300 items is a fatal alert.
void BTN_split_items(const std::string& items, std::vector<std::string>& out);

// A text field takes printable characters, Backspace and the arrows; nothing else
// (Delete, Home, End, the page keys, control bytes) may reach its text.
int  BTN_text_key_ok(int ch, int vkey);

// The character field's alphabet: space, 0-9, A-Z, '-'.
int  BTN_chars_index(char c);
char BTN_chars_at(int index);

#endif
