// The SDL side of the keyboard: pairs each key-down with the text it typed.
#include "keys.h"
#include "PLAT_keymap.h"
#include <SDL2/SDL.h>

static int mods_of(Uint16 m)
{
	int f = 0;
	if (m & KMOD_SHIFT) f |= zenk_ShiftFlag;
	if (m & KMOD_ALT) f |= zenk_OptionAltFlag;
	if (m & (KMOD_CTRL | KMOD_GUI)) f |= zenk_ControlFlag;
	return f;
}

static unsigned int char_of(SDL_Keycode sym)
{
	return (sym & SDLK_SCANCODE_MASK) ? 0u : (unsigned int)sym;
}

int keys_platform_event(const SDL_Event* e)
{
	switch (e->type) {
	case SDL_KEYDOWN: {
		if (PLAT_key_is_modifier(e->key.keysym.scancode)) return 1;
		// SDL queues the typed text right behind its key-down.
		SDL_Event next;
		const char* text = nullptr;
		char buf[SDL_TEXTINPUTEVENT_TEXT_SIZE];
		if (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 && next.type == SDL_TEXTINPUT &&
		    SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT) == 1) {
			SDL_strlcpy(buf, next.text.text, sizeof(buf));
			text = buf;
		}
		keys_platform_down(PLAT_key_code(e->key.keysym.scancode), char_of(e->key.keysym.sym),
		                   mods_of(e->key.keysym.mod), e->key.repeat, text);
		return 1;
	}
	case SDL_KEYUP:
		if (PLAT_key_is_modifier(e->key.keysym.scancode)) return 1;
		keys_platform_up(PLAT_key_code(e->key.keysym.scancode), char_of(e->key.keysym.sym), mods_of(e->key.keysym.mod));
		return 1;
	case SDL_TEXTINPUT:
		keys_platform_text(e->text.text);
		return 1;
	}
	return 0;
}
