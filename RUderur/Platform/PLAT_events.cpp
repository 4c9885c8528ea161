// SDL events become the shell's event records.
#include "PLAT_events.h"
#include "PLAT_gl.h"
#include <SDL.h>
#include <cmath>

static int s_exposed = 0;

void PLAT_events_reset() { s_exposed = 0; }

static unsigned mods_from(Uint16 m)
{
	unsigned r = 0;
	if (m & KMOD_GUI) r |= PLAT_mod_cmd;
	if (m & KMOD_SHIFT) r |= PLAT_mod_shift;
	if (m & KMOD_CAPS) r |= PLAT_mod_caps;
	if (m & KMOD_ALT) r |= PLAT_mod_option;
	if (m & KMOD_CTRL) r |= PLAT_mod_control;
	return r;
}

unsigned PLAT_modifiers()
{
	return SDL_WasInit(SDL_INIT_VIDEO) ? mods_from((Uint16)SDL_GetModState()) : 0;
}

static int window_index(Uint32 id)
{
	SDL_Window* w = SDL_GetWindowFromID(id);
	return (w && w == (SDL_Window*)PLAT_window_handle(1)) ? 1 : 0;
}

int PLAT_convert_event(const SDL_Event& e, PLAT_event* out)
{
	*out = PLAT_event();
	out->time_ms = e.common.timestamp;
	switch (e.type) {
	case SDL_QUIT:
		out->what = PLAT_ev_quit;
		break;
	case SDL_WINDOWEVENT:
		out->window = window_index(e.window.windowID);
		switch (e.window.event) {
		case SDL_WINDOWEVENT_CLOSE:
			out->what = PLAT_ev_quit;
			break;
		case SDL_WINDOWEVENT_EXPOSED:
			// Only the first: every later one would reset the window and its focus.
			if (!s_exposed) out->what = PLAT_ev_update;
			s_exposed = 1;
			break;
		case SDL_WINDOWEVENT_FOCUS_GAINED:
			out->what = PLAT_ev_activate;
			out->modifiers = PLAT_mod_active;
			break;
		case SDL_WINDOWEVENT_FOCUS_LOST:
			out->what = PLAT_ev_activate;
			break;
		}
		break;
	case SDL_MOUSEMOTION:
		out->what = PLAT_ev_motion;
		out->h = e.motion.x;
		out->v = e.motion.y;
		out->window = window_index(e.motion.windowID);
		break;
	case SDL_MOUSEBUTTONDOWN:
	case SDL_MOUSEBUTTONUP:
		out->what = e.type == SDL_MOUSEBUTTONDOWN ? PLAT_ev_mouse_down : PLAT_ev_mouse_up;
		out->h = e.button.x;
		out->v = e.button.y;
		out->button = e.button.button == SDL_BUTTON_RIGHT ? 2 : e.button.button == SDL_BUTTON_MIDDLE ? 3 : 1;
		out->window = window_index(e.button.windowID);
		out->modifiers = PLAT_modifiers();
		break;
	case SDL_MOUSEWHEEL: {
		out->window = window_index(e.wheel.windowID);
		int steps = e.wheel.y ? e.wheel.y : e.wheel.x;
		if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
		if (steps) {
			out->what = PLAT_ev_wheel;
			out->message = (unsigned)steps;
		} else {
			// a fraction of a step from a smooth device
			float p = e.wheel.preciseY != 0 ? e.wheel.preciseY : e.wheel.preciseX;
			int q = (int)lroundf(p * 4.0f);
			if (q) {
				out->what = PLAT_ev_scroll;
				out->message = (unsigned)q;
			}
		}
		break;
	}
	case SDL_TEXTINPUT:
		out->what = PLAT_ev_text;
		break;
	case SDL_KEYDOWN:
	case SDL_KEYUP: {
		out->what = e.type == SDL_KEYUP ? PLAT_ev_key_up : e.key.repeat ? PLAT_ev_auto_key : PLAT_ev_key_down;
		int sym = e.key.keysym.sym;
		unsigned ch = (sym > 0 && sym < 128) ? (unsigned)sym : 0;
		out->message = ch | (((unsigned)e.key.keysym.scancode & 0xFF) << 8);
		out->modifiers = mods_from(e.key.keysym.mod);
		out->scancode = e.key.keysym.scancode;
		out->sym = sym;
		out->window = window_index(e.key.windowID);
		break;
	}
	}
	return out->what;
}

static SDL_Event s_peeked;

int PLAT_peek_event(PLAT_event* out, int timeout_ms)
{
	if (!SDL_WasInit(SDL_INIT_VIDEO)) return 0;
	if (timeout_ms >= 0 && !SDL_WaitEventTimeout(nullptr, timeout_ms)) return 0;
	while (SDL_PeepEvents(&s_peeked, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
		if (PLAT_convert_event(s_peeked, out) != PLAT_ev_null) {
			out->raw = &s_peeked;
			return 1;
		}
		PLAT_take_event();	// what the shell does not take
	}
	return 0;
}

void PLAT_take_event()
{
	SDL_Event gone;
	SDL_PeepEvents(&gone, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
}

void PLAT_flush_events()
{
	if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
	SDL_PumpEvents();
	SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}
