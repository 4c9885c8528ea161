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
// (Delete, Home, End, the page keys, control bytes, surrogate halves) may reach its text.
int  BTN_text_key_ok(int ch, int vkey);

// The clipboard keys of a text field: Control with C, X or V gives 'c', 'x' or 'v'; else 0.
int  BTN_text_clip_key(int vkey, int flags);
// The bytes a text field hands the text-edit engine for a queued key; empty when the
// key is not taken. A code point becomes its UTF-8 form; Backspace and the arrows
// stay the one control byte the engine knows them by.
std::string BTN_text_key_bytes(int ch, int vkey, int flags);
// Clipboard text as one line of the characters a field takes: a line break
// (CR, LF or CR LF) or a tab becomes one blank.
std::string BTN_text_paste_filter(const std::string& s);
// A field over its limit is cut on a character boundary; 1 when it was cut.
int  BTN_text_cut(std::string* text, int max_bytes);

// Lists: an index kept inside 0 .. count - 1 (0 for an empty list).
int  BTN_clamp_index(int index, int count);
// Type-ahead: a character typed at `now` (seconds) joins the search string; a pause of
// more than a second starts a new one.
void BTN_type_ahead_add(std::string* ahead, float* last_time, float now, unsigned int cp);
// The first row first .. last whose name begins with the prefix, letters compared
// without case; -1 when none does.
int  BTN_type_ahead_find(const std::string& prefix, int first, int last,
                         std::string (*name)(int, void*), void* ref);
// Keeps the selected row among the rows shown: the centre row follows a selection
// that left centre +- rows.
void BTN_list_follow(int selected, int* centre_row, int rows);
// The pop-up's rows are placed so that row `anchor` sits level with the field at y;
// the anchor moves one row a frame until no row leaves 0 .. screen_h.
int  BTN_popup_anchor(int anchor, int count, float y, float screen_h);

// The character field's alphabet: space, 0-9, A-Z, '-'.
int  BTN_chars_index(char c);
char BTN_chars_at(int index);

#endif
