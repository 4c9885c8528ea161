#ifndef KEYS_H
#define KEYS_H
// Key bindings and keyboard input: every key event becomes a layout-independent virtual
// key, a typed character and modifier flags; it goes to the focused widget first, then
// raises the per-frame Return/Escape/Delete flags and runs the command bound to it.
#include <string>
#include <vector>

enum {
	zenk_ShiftFlag = 1, zenk_OptionAltFlag = 2, zenk_ControlFlag = 4,
	zenk_DownFlag = 8, zenk_UpFlag = 16
};

enum {
	ZENK_VK_BACK = 8, ZENK_VK_TAB = 9, ZENK_VK_CLEAR = 12, ZENK_VK_RETURN = 13, ZENK_VK_ESCAPE = 27,
	ZENK_VK_SPACE = 32, ZENK_VK_PRIOR = 33, ZENK_VK_NEXT = 34, ZENK_VK_END = 35, ZENK_VK_HOME = 36,
	ZENK_VK_LEFT = 37, ZENK_VK_UP = 38, ZENK_VK_RIGHT = 39, ZENK_VK_DOWN = 40, ZENK_VK_DELETE = 46,
	ZENK_VK_NUMPAD0 = 96, ZENK_VK_NUMPAD9 = 105, ZENK_VK_DECIMAL = 110,
	ZENK_VK_ENTER = 187, ZENK_VK_NUMPAD_ENT = 188
};

// Event kinds, as the platform layer reports them.
enum { key_kind_down = 3, key_kind_up = 4, key_kind_repeat = 5 };

// One raw key event: the hardware key code (PLAT_keymap), the modifiers (1, 2, 4) and the
// characters the layout gives: typed (0 when the key typed nothing), and the key's
// unshifted and shifted characters.
struct keys_raw_event {
	int          kind;
	int          key_code;
	int          modifiers;
	unsigned int typed;
	unsigned int unshifted;
	unsigned int shifted;
};

struct key_binding {
	int vkey;
	int flags;	// 1, 2, 4 only
	int cmnd;
	int down;	// 1 while the key is held: the command repeats
};

class keys_class {
public:
	int last_vkey;
	int last_flags;
	// the last press: a release can come after its modifier's (Shift let go first)
	int last_press_vkey = 0;
	int last_press_flags = 0;
	int last_char;		// last typed character, 7 bits
	std::vector<key_binding> bindings;
	std::vector<int> free_codes;
	int max_code;

	keys_class();
	void handle_key_raw(const keys_raw_event* ev);
	void handle_key(int vkey, int flags);
	void execute_key_cmnd(int vkey, int flags);
	void run_repeat_keys();
	int  key_bound_to(int vkey, int flags);
	std::string get_key_for_cmnd(int command);
	void keys_io(int io);
	void keys_wind(int flag);
	// the binding editor's changes: a new binding of no key, and a key given to
	// one binding (taken from any other binding that had it)
	int  add_binding();
	void assign_key(int index, int vkey, int flags);

	// Nothing to report: kept for the callers that ask.
	void debug() {}
	// A character of the system's 8-bit encoding (the locale's character set) as a
	// code point; when it does not convert, ch itself below 128, else 0.
	static int script_to_utf32(int ch);

	static int vkey_for_code(int key_code, unsigned int unshifted, unsigned int shifted,
	                         const std::vector<int>& free_codes, int max_code);
	static int ascii_to_vkey(int ch, int& vkey, int& flags);
	static int str_to_vkey(const std::string& s);
	static int str_to_flag(const std::string& s);
	static std::string vkey_to_str(int vkey);
	static std::string vkey_to_code(int vkey);
	static std::string flag_to_str(int flags);
	static std::string flag_to_code(int flags);
};

extern keys_class keys;

// Return, Escape and Delete pressed this frame; the frame loop clears them.
extern int return_hit, escape_hit, delete_hit;
void keys_io_wrap(keys_class* k, int io);

// The platform side: the event drain hands over key-downs with the text they typed (or
// none), key-ups, and text that came without a key. Modifier and lock keys are dropped.
void keys_platform_down(int key_code, unsigned int unshifted, int modifiers, int repeat, const char* text);
void keys_platform_up(int key_code, unsigned int unshifted, int modifiers);
void keys_platform_text(const char* text);

// The event drain calls this with every SDL key and text event; 1 when it took the event.
union SDL_Event;
int keys_platform_event(const SDL_Event* e);

#endif
