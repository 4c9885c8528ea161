#ifndef BUTN_FOCUS_H
#define BUTN_FOCUS_H
// The keyboard focus ring, rebuilt every frame by the widgets as they draw, and the
// text clipboard of the text fields.
#include <string>
#include <vector>

struct focus_info_t {
	int  id;	// the widget's focus id, 0 none
	int* chars;	// queued character codes (code points)
	int* vkeys;	// queued virtual keys
	int* flags;	// queued key flags: 1 shift, 2 alt, 4 ctrl, 8 down, 16 up
	int* ids;	// the focus id each key was delivered to
	int* count;	// number of queued keys
	int  capacity;
	int  accept;	// mask of accepted key classes
};

// Key classes of the accept mask.
enum {
	focus_tab = 0x001, focus_return = 0x002, focus_delete = 0x004, focus_escape = 0x008,
	focus_nav = 0x010, focus_letters = 0x020, focus_digits = 0x040, focus_plusminus = 0x080,
	focus_printable = 0x100, focus_control = 0x200
};
enum { focus_mask_numeric = 208, focus_mask_text = 500, focus_mask_list = 496 };

// One widget's key queue, as the widgets keep it.
struct focus_queue_t {
	int chars[64], vkeys[64], flags[64], ids[64];
	int count;
};

extern std::vector<focus_info_t> focus_ring;
extern int focus_id;
extern int wind_focus;

void BTN_begin_focus_ring();
int  BTN_register_focus(int id, int* chars, int* vkeys, int* flags, int* ids, int* count,
                        int capacity, int accept, int take);
int  BTN_register_queue(int id, focus_queue_t* q, int accept, int take);
int  BTN_dispatch_to_focus(int character, int vkey, int flags);
int  BTN_key_class(int character, int vkey);
void BTN_focus_any();
void BTN_unfocus_any();
void BTN_window_has_focus();
int  BTN_no_focus_yet();

int         BTN_type_from_vector(int index, void* ref);
std::string BTN_name_from_vector(int index, void* ref);

int  BTN_is_text_on_clipboard();
void BTN_text_to_clipboard(const std::string& text);
int  BTN_text_from_clipboard(std::string& out);

#endif
