#include "keys.h"
#include "butn_focus.h"
#include "hl_utf.h"
#include "MACIBM_mnw.h"
#include "UTL_cmnd.h"
#include <cctype>
#include <cstdio>
#include <cstring>

void MACIBM_handleclick(int force_close);

keys_class keys;
int return_hit = 0, escape_hit = 0, delete_hit = 0;

struct key_name_row { int vkey; const char* code; const char* name; };

static const key_name_row kKeyNameTable[] = {
	{8, "ZENK_VK_BACK", "Backspace"}, {9, "ZENK_VK_TAB", "Tab"}, {12, "ZENK_VK_CLEAR", "Clear"},
	{13, "ZENK_VK_RETURN", "Return"}, {27, "ZENK_VK_ESCAPE", "Escape"}, {32, "ZENK_VK_SPACE", "Space"},
	{33, "ZENK_VK_PRIOR", "PageUp"}, {34, "ZENK_VK_NEXT", "PageDown"}, {35, "ZENK_VK_END", "End"},
	{36, "ZENK_VK_HOME", "Home"}, {37, "ZENK_VK_LEFT", "Left"}, {38, "ZENK_VK_UP", "Up"},
	{39, "ZENK_VK_RIGHT", "Right"}, {40, "ZENK_VK_DOWN", "Down"}, {41, "ZENK_VK_SELECT", "Select"},
	{42, "ZENK_VK_PRINT", "Print"}, {43, "ZENK_VK_EXECUTE", "Execute"}, {44, "ZENK_VK_SNAPSHOT", "Snapshot"},
	{45, "ZENK_VK_INSERT", "Insert"}, {46, "ZENK_VK_DELETE", "Delete"}, {47, "ZENK_VK_HELP", "Help"},
	{48, "ZENK_VK_0", "0"}, {49, "ZENK_VK_1", "1"}, {50, "ZENK_VK_2", "2"}, {51, "ZENK_VK_3", "3"},
	{52, "ZENK_VK_4", "4"}, {53, "ZENK_VK_5", "5"}, {54, "ZENK_VK_6", "6"}, {55, "ZENK_VK_7", "7"},
	{56, "ZENK_VK_8", "8"}, {57, "ZENK_VK_9", "9"},
	{65, "ZENK_VK_A", "A"}, {66, "ZENK_VK_B", "B"}, {67, "ZENK_VK_C", "C"}, {68, "ZENK_VK_D", "D"},
	{69, "ZENK_VK_E", "E"}, {70, "ZENK_VK_F", "F"}, {71, "ZENK_VK_G", "G"}, {72, "ZENK_VK_H", "H"},
	{73, "ZENK_VK_I", "I"}, {74, "ZENK_VK_J", "J"}, {75, "ZENK_VK_K", "K"}, {76, "ZENK_VK_L", "L"},
	{77, "ZENK_VK_M", "M"}, {78, "ZENK_VK_N", "N"}, {79, "ZENK_VK_O", "O"}, {80, "ZENK_VK_P", "P"},
	{81, "ZENK_VK_Q", "Q"}, {82, "ZENK_VK_R", "R"}, {83, "ZENK_VK_S", "S"}, {84, "ZENK_VK_T", "T"},
	{85, "ZENK_VK_U", "U"}, {86, "ZENK_VK_V", "V"}, {87, "ZENK_VK_W", "W"}, {88, "ZENK_VK_X", "X"},
	{89, "ZENK_VK_Y", "Y"}, {90, "ZENK_VK_Z", "Z"},
	{96, "ZENK_VK_NUMPAD0", "Numpad-0"}, {97, "ZENK_VK_NUMPAD1", "Numpad-1"}, {98, "ZENK_VK_NUMPAD2", "Numpad-2"},
	{99, "ZENK_VK_NUMPAD3", "Numpad-3"}, {100, "ZENK_VK_NUMPAD4", "Numpad-4"}, {101, "ZENK_VK_NUMPAD5", "Numpad-5"},
	{102, "ZENK_VK_NUMPAD6", "Numpad-6"}, {103, "ZENK_VK_NUMPAD7", "Numpad-7"}, {104, "ZENK_VK_NUMPAD8", "Numpad-8"},
	{105, "ZENK_VK_NUMPAD9", "Numpad-9"}, {106, "ZENK_VK_MULTIPLY", "Numpad-*"}, {107, "ZENK_VK_ADD", "Numpad-+"},
	{109, "ZENK_VK_SUBTRACT", "Numpad--"}, {110, "ZENK_VK_DECIMAL", "Numpad-."}, {111, "ZENK_VK_DIVIDE", "Numpad-/"},
	{112, "ZENK_VK_F1", "F1"}, {113, "ZENK_VK_F2", "F2"}, {114, "ZENK_VK_F3", "F3"}, {115, "ZENK_VK_F4", "F4"},
	{116, "ZENK_VK_F5", "F5"}, {117, "ZENK_VK_F6", "F6"}, {118, "ZENK_VK_F7", "F7"}, {119, "ZENK_VK_F8", "F8"},
	{120, "ZENK_VK_F9", "F9"}, {121, "ZENK_VK_F10", "F10"}, {122, "ZENK_VK_F11", "F11"}, {123, "ZENK_VK_F12", "F12"},
	{124, "ZENK_VK_F13", "F13"}, {125, "ZENK_VK_F14", "F14"}, {126, "ZENK_VK_F15", "F15"}, {127, "ZENK_VK_F16", "F16"},
	{128, "ZENK_VK_F17", "F17"}, {129, "ZENK_VK_F18", "F18"}, {130, "ZENK_VK_F19", "F19"}, {131, "ZENK_VK_F20", "F20"},
	{132, "ZENK_VK_F21", "F21"}, {133, "ZENK_VK_F22", "F22"}, {134, "ZENK_VK_F23", "F23"}, {135, "ZENK_VK_F24", "F24"},
	{176, "ZENK_VK_EQUAL", "="}, {177, "ZENK_VK_MINUS", "-"}, {178, "ZENK_VK_RBRACE", "]"},
	{179, "ZENK_VK_LBRACE", "["}, {180, "ZENK_VK_QUOTE", "'"}, {181, "ZENK_VK_SEMICOLON", ";"},
	{182, "ZENK_VK_BACKSLASH", "\\"}, {183, "ZENK_VK_COMMA", ","}, {184, "ZENK_VK_SLASH", "/"},
	{185, "ZENK_VK_PERIOD", "."}, {186, "ZENK_VK_BACKQUOTE", "`"}, {187, "ZENK_VK_ENTER", "Enter"},
	{188, "ZENK_VK_NUMPAD_ENT", "Numpad-Enter"}, {189, "ZENK_VK_NUMPAD_EQ", "Numpad-="},
	{0, nullptr, nullptr}
};

// Hardware key code -> virtual key, for keys whose character says nothing about them.
static const int kKeyTranslations[][2] = {
	{18, 49}, {19, 50}, {20, 51}, {21, 52}, {22, 54}, {23, 53}, {25, 57}, {26, 55}, {28, 56}, {29, 48},
	{65, 110}, {67, 106}, {69, 107}, {71, 12}, {75, 111}, {76, 188}, {78, 109}, {81, 189},
	{82, 96}, {83, 97}, {84, 98}, {85, 99}, {86, 100}, {87, 101}, {88, 102}, {89, 103}, {91, 104}, {92, 105},
	{36, 13}, {48, 9}, {49, 32}, {51, 8}, {53, 27}, {64, 128}, {79, 129}, {80, 130}, {90, 131},
	{96, 116}, {97, 117}, {98, 118}, {99, 114}, {100, 119}, {101, 120}, {103, 122}, {105, 124}, {106, 127},
	{107, 125}, {109, 121}, {111, 123}, {113, 126}, {114, 47}, {115, 36}, {116, 33}, {117, 46}, {118, 115},
	{119, 35}, {120, 113}, {121, 34}, {122, 112}, {123, 37}, {124, 39}, {125, 40}, {126, 38},
	{0, 0}
};

static const unsigned char kAsciiMappings[][2] = {
	{'.', 185}, {' ', 32},
	{'a', 65}, {'b', 66}, {'c', 67}, {'d', 68}, {'e', 69}, {'f', 70}, {'g', 71}, {'h', 72}, {'i', 73},
	{'j', 74}, {'k', 75}, {'l', 76}, {'m', 77}, {'n', 78}, {'o', 79}, {'p', 80}, {'q', 81}, {'r', 82},
	{'s', 83}, {'t', 84}, {'u', 85}, {'v', 86}, {'w', 87}, {'x', 88}, {'y', 89}, {'z', 90},
	{'=', 176}, {'-', 177}, {']', 178}, {'[', 179}, {'\'', 180}, {';', 181}, {'\\', 182}, {',', 183},
	{'/', 184}, {'.', 185}, {'`', 186},
	{'0', 48}, {'1', 49}, {'2', 50}, {'3', 51}, {'4', 52}, {'5', 53}, {'6', 54}, {'7', 55}, {'8', 56}, {'9', 57},
	{0, 0}
};

// Character -> the key and shift state that type it on a US layout.
static const unsigned char kCharTranslations[][3] = {
	{13, 13, 0}, {27, 27, 0}, {9, 9, 0}, {8, 8, 0}, {28, 37, 0}, {29, 39, 0}, {30, 38, 0}, {31, 40, 0},
	{' ', 32, 0},
	{'0', 48, 0}, {'1', 49, 0}, {'2', 50, 0}, {'3', 51, 0}, {'4', 52, 0}, {'5', 53, 0}, {'6', 54, 0},
	{'7', 55, 0}, {'8', 56, 0}, {'9', 57, 0},
	{'a', 65, 0}, {'b', 66, 0}, {'c', 67, 0}, {'d', 68, 0}, {'e', 69, 0}, {'f', 70, 0}, {'g', 71, 0},
	{'h', 72, 0}, {'i', 73, 0}, {'j', 74, 0}, {'k', 75, 0}, {'l', 76, 0}, {'m', 77, 0}, {'n', 78, 0},
	{'o', 79, 0}, {'p', 80, 0}, {'q', 81, 0}, {'r', 82, 0}, {'s', 83, 0}, {'t', 84, 0}, {'u', 85, 0},
	{'v', 86, 0}, {'w', 87, 0}, {'x', 88, 0}, {'y', 89, 0}, {'z', 90, 0},
	{'A', 65, 1}, {'B', 66, 1}, {'C', 67, 1}, {'D', 68, 1}, {'E', 69, 1}, {'F', 70, 1}, {'G', 71, 1},
	{'H', 72, 1}, {'I', 73, 1}, {'J', 74, 1}, {'K', 75, 1}, {'L', 76, 1}, {'M', 77, 1}, {'N', 78, 1},
	{'O', 79, 1}, {'P', 80, 1}, {'Q', 81, 1}, {'R', 82, 1}, {'S', 83, 1}, {'T', 84, 1}, {'U', 85, 1},
	{'V', 86, 1}, {'W', 87, 1}, {'X', 88, 1}, {'Y', 89, 1}, {'Z', 90, 1},
	{'!', 49, 1}, {'"', 180, 1}, {'#', 51, 1}, {'$', 52, 1}, {'%', 53, 1}, {'&', 54, 1}, {'(', 57, 1},
	{')', 48, 1}, {'*', 56, 1}, {'+', 176, 1}, {':', 181, 1}, {'<', 183, 1}, {'>', 185, 1}, {'?', 184, 1},
	{'@', 50, 1}, {'^', 54, 1}, {'_', 177, 1}, {'{', 179, 1}, {'|', 182, 1}, {'}', 178, 1}, {'~', 186, 1},
	{'\'', 180, 0}, {',', 183, 0}, {'-', 177, 0}, {'.', 185, 0}, {'/', 184, 0}, {';', 181, 0},
	{'=', 176, 0}, {'[', 179, 0}, {'\\', 182, 0}, {']', 178, 0}, {'`', 186, 0},
	{0, 0, 0}
};

static const key_name_row* named(int vkey)
{
	for (const key_name_row* r = kKeyNameTable; r->code; ++r)
		if (r->vkey == vkey) return r;
	return nullptr;
}

keys_class::keys_class() : last_vkey(0), last_flags(0), last_char(0), max_code(0)
{
	for (const key_name_row* r = kKeyNameTable; r->code; ++r)
		if (r->vkey > max_code) max_code = r->vkey;
	for (int c = 1; c <= max_code; ++c)
		if (!named(c)) free_codes.push_back(c);
}

int keys_class::vkey_for_code(int key_code, unsigned int unshifted, unsigned int shifted,
                              const std::vector<int>& free_codes, int max_code)
{
	for (int i = 0; kKeyTranslations[i][0]; ++i)
		if (kKeyTranslations[i][0] == key_code) return kKeyTranslations[i][1];
	for (int i = 0; kAsciiMappings[i][0]; ++i)
		if ((unshifted && kAsciiMappings[i][0] == unshifted) || (shifted && kAsciiMappings[i][0] == shifted))
			return kAsciiMappings[i][1];
	if (key_code < 0) return 0;	// text that came without a key
	int nfree = (int)free_codes.size();
	if (key_code < nfree) return free_codes[key_code];
	return max_code + (key_code - nfree) + 1;
}

void keys_class::handle_key_raw(const keys_raw_event* ev)
{
	static int down_vkey = 0, down_flags = 0;
	static unsigned int down_char = 0;

	int flags = ev->modifiers & 7;
	if (ev->kind == key_kind_down) flags |= zenk_DownFlag;
	if (ev->kind == key_kind_up) flags |= zenk_UpFlag;
	unsigned int ch = ev->typed;
	int vkey = vkey_for_code(ev->key_code, ev->unshifted, ev->shifted, free_codes, max_code);

	switch (vkey) {
	case ZENK_VK_BACK: ch = 8; break;
	case ZENK_VK_TAB: ch = 9; break;
	case ZENK_VK_RETURN: ch = 13; break;
	case ZENK_VK_ESCAPE: ch = 27; break;
	case ZENK_VK_LEFT: ch = 28; break;
	case ZENK_VK_UP: ch = 30; break;
	case ZENK_VK_RIGHT: ch = 29; break;
	case ZENK_VK_DOWN: ch = 31; break;
	case ZENK_VK_DECIMAL: ch = '.'; break;
	default:
		if (vkey >= ZENK_VK_NUMPAD0 && vkey <= ZENK_VK_NUMPAD9) ch = '0' + (vkey - ZENK_VK_NUMPAD0);
	}

	// A release reports what its press typed.
	if (ev->kind == key_kind_down) {
		down_vkey = vkey;
		down_char = ch;
		down_flags = flags & 7;
	} else if (ev->kind == key_kind_up && vkey == down_vkey && (flags & 7) == down_flags) {
		ch = down_char;
	}

	if (vkey == 0 && flags == 0 && ch == 0) return;
	if (BTN_dispatch_to_focus((int)ch, vkey, flags)) return;

	if (!(flags & zenk_UpFlag)) {
		if (vkey == ZENK_VK_RETURN || vkey == ZENK_VK_ENTER) return_hit = 1;
		if (vkey == ZENK_VK_ESCAPE) escape_hit = 1;
		if (vkey == ZENK_VK_DELETE || vkey == ZENK_VK_BACK) delete_hit = 1;
		if (mnw.current_window != WIND_main && return_hit) {
			MACIBM_handleclick(1);
			return;
		}
		if (ch > 0) last_char = (int)(ch & 0x7F);
	}
	last_vkey = vkey;
	last_flags = flags & 7;
	if (ev->kind == key_kind_down) {
		last_press_vkey = vkey;
		last_press_flags = flags & 7;
	}
	if (mnw.current_window == WIND_save) return;
	if (vkey == ZENK_VK_RETURN || vkey == ZENK_VK_ENTER || vkey != 0)
		execute_key_cmnd(vkey, flags);
}

void keys_class::handle_key(int vkey, int flags)
{
	if (vkey == ZENK_VK_RETURN || vkey == ZENK_VK_ENTER || vkey != 0)
		execute_key_cmnd(vkey, flags);
}

void keys_class::execute_key_cmnd(int vkey, int flags)
{
	for (size_t i = 0; i < bindings.size(); ++i) {
		if (bindings[i].vkey != vkey) continue;
		if ((flags & 7) == bindings[i].flags && (flags & zenk_DownFlag)) {
			cmnd.press_one(bindings[i].cmnd);
			if (i < bindings.size()) bindings[i].down = 1;
		}
		if (i < bindings.size() && bindings[i].down && (flags & zenk_UpFlag)) {
			cmnd.release_one(bindings[i].cmnd);
			if (i < bindings.size()) bindings[i].down = 0;
		}
	}
}

void keys_class::run_repeat_keys()
{
	for (size_t i = 0; i < bindings.size(); ++i)
		if (bindings[i].down) cmnd.press_always(bindings[i].cmnd);
}

int keys_class::key_bound_to(int vkey, int flags)
{
	for (const key_binding& b : bindings)
		if (b.vkey == vkey && b.flags == (flags & 7)) return b.cmnd;
	return 0;
}

std::string keys_class::get_key_for_cmnd(int command)
{
	for (const key_binding& b : bindings) {
		if (b.cmnd != command || b.vkey == 0) continue;
		std::string name = vkey_to_str(b.vkey);
		if (!name.empty() && name[0] >= 'A' && name[0] <= 'Z') name[0] = (char)(name[0] - 'A' + 'a');
		if (b.flags & 7) return flag_to_str(b.flags) + "-" + name;
		return name;
	}
	return "";
}

void keys_class::keys_io(int io)
{
	if (io != 0) return;	// bindings are not stored anywhere
	bindings.clear();
	static const char* const names[2] = {"sim/none/none", "sim/operation/quit"};
	for (int i = 0; i < 2; ++i) {
		key_binding b = {default_commands[i].key, default_commands[i].modifiers & 7,
		                 cmnd.get_cmnd_by_name(names[i]), 0};
		bindings.push_back(b);
	}
	for (size_t i = bindings.size(); i-- > 0;)
		if (bindings[i].vkey == 0) bindings.erase(bindings.begin() + i);
}

void keys_io_wrap(keys_class* k, int io) { if (k) k->keys_io(io); }

int keys_class::ascii_to_vkey(int ch, int& vkey, int& flags)
{
	for (int i = 0; kCharTranslations[i][0]; ++i) {
		if (kCharTranslations[i][0] == ch) {
			vkey = kCharTranslations[i][1];
			flags = kCharTranslations[i][2];
			return 1;
		}
	}
	vkey = flags = 0;
	return 0;
}

static bool same_nocase(const std::string& a, const char* b)
{
	size_t n = strlen(b);
	if (a.size() != n) return false;
	for (size_t i = 0; i < n; ++i)
		if (tolower((unsigned char)a[i]) != tolower((unsigned char)b[i])) return false;
	return true;
}

int keys_class::str_to_vkey(const std::string& s)
{
	for (const key_name_row* r = kKeyNameTable; r->code; ++r)
		if (same_nocase(s, r->name)) return r->vkey;
	if (s.size() > 3 && same_nocase(s.substr(0, 3), "KEY")) {
		// digits only, and a number a key code can be; anything else names no key
		std::string d = s.substr(3);
		if (d.size() > 5) return 0;
		for (char c : d)
			if (c < '0' || c > '9') return 0;
		int v = atoi(d.c_str());
		return (v > 0 && v <= 65535) ? v : 0;
	}
	return 0;
}

int keys_class::str_to_flag(const std::string& s)
{
	int f = 0;
	if (s.find("SHIFT") != std::string::npos) f |= 1;
	if (s.find("ALT") != std::string::npos) f |= 2;
	if (s.find("CTRL") != std::string::npos) f |= 4;
	return f;
}

std::string keys_class::vkey_to_str(int vkey)
{
	if (vkey == 0) return "<NONE>";
	if (const key_name_row* r = named(vkey)) return r->name;
	char buf[32];
	snprintf(buf, sizeof(buf), "KEY%d", vkey);
	return buf;
}

std::string keys_class::vkey_to_code(int vkey)
{
	if (const key_name_row* r = named(vkey)) return r->code;
	return std::to_string(vkey);
}

std::string keys_class::flag_to_str(int flags)
{
	std::string s;
	if (flags & 1) s += "SHIFT";
	if (flags & 2) s += "ALT";
	if (flags & 4) s += "CTRL";
	return s.empty() ? "<none>" : s;
}

std::string keys_class::flag_to_code(int flags)
{
	std::string s;
	if (flags & 1) s += "zenk_ShiftFlag";
	if (flags & 2) s += "zenk_OptionAltFlag";
	if (flags & 4) s += "zenk_ControlFlag";
	return s.empty() ? "0" : s;
}

// ---- the platform side ----

static unsigned int shifted_of(unsigned int c)
{
	return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
}

static void raw(int kind, int code, unsigned int unshifted, int mods, unsigned int typed)
{
	keys_raw_event ev = {kind, code, mods & 7, typed, unshifted, shifted_of(unshifted)};
	keys.handle_key_raw(&ev);
}

void keys_platform_down(int key_code, unsigned int unshifted, int modifiers, int repeat, const char* text)
{
	mnw.key_event = 1;
	if (!repeat) mnw.key_held = 1;
	int len = text ? (int)strlen(text) : 0, pos = 0;
	unsigned int typed = len ? utf8_decode(text, len, &pos) : 0;
	raw(repeat ? key_kind_repeat : key_kind_down, key_code, unshifted, modifiers, typed);
	if (pos < len) keys_platform_text(text + pos);	// more characters than one key types
}

void keys_platform_up(int key_code, unsigned int unshifted, int modifiers)
{
	mnw.key_held = 0;
	raw(key_kind_up, key_code, unshifted, modifiers, 0);
}

void keys_platform_text(const char* text)
{
	int len = text ? (int)strlen(text) : 0, pos = 0;
	while (pos < len) {
		unsigned int cp = utf8_decode(text, len, &pos);
		unsigned int lower = (cp >= 'A' && cp <= 'Z') ? cp - 'A' + 'a' : cp;
		int mods = (cp >= 'A' && cp <= 'Z') ? zenk_ShiftFlag : 0;
		mnw.key_event = 1;
		raw(key_kind_down, -1, lower, mods, cp);
		raw(key_kind_up, -1, lower, mods, 0);
	}
}
