#include "butn_focus.h"
#include "butn_logic.h"
#include "MACIBM_mnw.h"
#include "UTL_alert.h"
#include <SDL2/SDL_clipboard.h>
#include <SDL2/SDL_stdinc.h>
#include <cctype>

std::vector<focus_info_t> focus_ring;
int focus_id = 0;
int wind_focus = 0;

void BTN_begin_focus_ring()
{
	focus_ring.clear();
	wind_focus = 0;
}

int BTN_register_focus(int id, int* chars, int* vkeys, int* flags, int* ids, int* count,
                       int capacity, int accept, int take)
{
	focus_info_t f = {id, chars, vkeys, flags, ids, count, capacity, accept};
	focus_ring.push_back(f);
	if (take) focus_id = id;
	return focus_id == id && id != 0;
}

int BTN_register_queue(int id, focus_queue_t* q, int accept, int take)
{
	return BTN_register_focus(id, q->chars, q->vkeys, q->flags, q->ids, &q->count, 64, accept, take);
}

int BTN_key_class(int c, int vkey)
{
	if (vkey == 9) return focus_tab;
	if (vkey == 13 || vkey == 187) return focus_return;
	if (vkey == 8 || vkey == 46) return focus_delete;
	if (vkey == 27) return focus_escape;
	if (vkey >= 33 && vkey <= 40) return focus_nav;
	if (c == '+' || c == '-') return focus_plusminus;
	if (c >= '0' && c <= '9') return focus_digits;
	if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return focus_letters;
	if (c >= 128 || (c >= 0 && isprint(c))) return focus_printable;
	return focus_control;
}

static int tab_with_empty_focus(int vkey, int flags)
{
	if (vkey == 9 && !(flags & 0x10) && !focus_ring.empty()) {
		focus_id = focus_ring[0].id;
		return 1;
	}
	return 0;
}

int BTN_dispatch_to_focus(int character, int vkey, int flags)
{
	if (mnw.current_window == WIND_advise) return 0;
	if (focus_id == 0) return tab_with_empty_focus(vkey, flags);
	int n = (int)focus_ring.size(), at = -1;
	for (int i = 0; i < n; ++i)
		if (focus_ring[i].id == focus_id) { at = i; break; }
	if (at < 0) {
		focus_id = 0;
		return tab_with_empty_focus(vkey, flags);
	}
	focus_info_t& f = focus_ring[at];
	if (vkey == 9 && !(flags & 0x10) && !(f.accept & focus_tab)) {
		int to = (flags & 1) ? (at + n - 1) % n : (at + 1) % n;
		focus_id = focus_ring[to].id;
		return 1;
	}
	int cls = BTN_key_class(character, vkey);
	if (BTN_text_clip_key(vkey, flags)) cls = focus_letters;	// cut, copy and paste type no character
	if (!(f.accept & cls)) return 0;
	if (!f.count || *f.count < 0) return 0;
	int k = *f.count;
	if (k < f.capacity) {	// a full queue drops the key
		f.chars[k] = character;
		f.vkeys[k] = vkey;
		f.flags[k] = flags;
		f.ids[k] = focus_id;
		*f.count = k + 1;
	}
	return 1;
}

void BTN_focus_any() { focus_id = focus_ring.empty() ? 0 : focus_ring[0].id; }
void BTN_unfocus_any() { focus_id = 0; }
void BTN_window_has_focus() { wind_focus = 1; }
int  BTN_no_focus_yet() { return !wind_focus && !focus_id; }

int BTN_type_from_vector(int index, void* ref)
{
	const std::vector<int>* v = (const std::vector<int>*)ref;
	if (!v || index < 0 || index >= (int)v->size()) return 0;
	return (*v)[index];
}

std::string BTN_name_from_vector(int index, void* ref)
{
	const std::vector<std::string>* v = (const std::vector<std::string>*)ref;
	if (!v || index < 0 || index >= (int)v->size()) return std::string();
	return (*v)[index];
}

// The clipboard holds plain text bytes; SDL answers once its video part runs.
int BTN_is_text_on_clipboard() { return SDL_HasClipboardText() == SDL_TRUE; }

void BTN_text_to_clipboard(const std::string& text) { SDL_SetClipboardText(text.c_str()); }

int BTN_text_from_clipboard(std::string& out)
{
	if (SDL_HasClipboardText() != SDL_TRUE) return 0;
	char* t = SDL_GetClipboardText();
	if (!t) return 0;
	out = t;
	SDL_free(t);
	return 1;
}

// A click anywhere takes the focus away (the frame timer calls this).
static struct focus_hooks_installer {
	focus_hooks_installer() { MACIBM_shell_hooks.unfocus_any = BTN_unfocus_any; }
} focus_hooks_installer_;
