#ifndef PLAT_EVENTS_H
#define PLAT_EVENTS_H
// Platform events as the shell's event records.
union SDL_Event;

enum {
	PLAT_ev_null = 0,
	PLAT_ev_mouse_down = 1,
	PLAT_ev_mouse_up = 2,
	PLAT_ev_key_down = 3,
	PLAT_ev_key_up = 4,
	PLAT_ev_auto_key = 5,
	PLAT_ev_update = 6,
	PLAT_ev_activate = 8,
	PLAT_ev_os = 15,
	PLAT_ev_high_level = 23,
	// taken by the event handler, never by the dispatcher
	PLAT_ev_motion = 100,
	PLAT_ev_wheel = 101,	// message: whole wheel steps
	PLAT_ev_scroll = 102,	// message: smooth delta, quarter steps
	PLAT_ev_quit = 103,	// the window's close box, or a quit signal
	PLAT_ev_text = 104	// text typed without a key of its own (input methods)
};

// Modifier bits as the key handler reads them.
enum {
	PLAT_mod_active = 0x0001,	// activate: the window became active
	PLAT_mod_cmd = 0x0100,
	PLAT_mod_shift = 0x0200,
	PLAT_mod_caps = 0x0400,
	PLAT_mod_option = 0x0800,
	PLAT_mod_control = 0x1000
};

struct PLAT_event {
	int      what;
	unsigned message;	// keys: character | (key code & 0xFF) << 8
	int      h, v;		// mouse position in window pixels, top-left origin
	unsigned modifiers;
	int      button;	// mouse: 1 primary, 2 secondary, 3 middle
	int      window;	// platform window index
	int      scancode, sym;	// keys: the platform's own codes
	unsigned time_ms;	// when the platform took the event, in ms of its own clock
	const SDL_Event* raw;	// the platform event itself, valid until the next one is taken
};

// Converts one platform event; returns the record's kind (PLAT_ev_null for
// events the shell does not take).
int  PLAT_convert_event(const SDL_Event& e, PLAT_event* out);
// The next event the shell takes, left at the head of the queue until
// PLAT_take_event (events the shell does not take are dropped on the way); 1
// when there is one. With timeout_ms 0 or more, asks the display for its events
// and waits that long at most for one; below 0 only looks at what the last wait
// already fetched.
int  PLAT_peek_event(PLAT_event* out, int timeout_ms);
// Takes the event PLAT_peek_event gave off the queue; its record stays valid
// until the next peek.
void PLAT_take_event();
// Drops everything queued.
void PLAT_flush_events();
// Forgets that the window was exposed once (for a new window).
void PLAT_events_reset();
// Current modifier state as PLAT_mod_* bits.
unsigned PLAT_modifiers();

#endif
