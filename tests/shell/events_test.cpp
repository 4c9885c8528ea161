// Platform events as event records, and the shell's reaction to them.
#include "MACIBM_mnw.h"
#include "MACIBM_shell.h"
#include "PLAT_events.h"
#include <SDL.h>
#include <gtest/gtest.h>

TEST(Events, KeysBecomeDownUpAndAuto)
{
	SDL_Event e = {};
	PLAT_event r;
	e.type = SDL_KEYDOWN;
	e.key.keysym.sym = 'a';
	e.key.keysym.scancode = SDL_SCANCODE_A;
	e.key.keysym.mod = KMOD_LSHIFT;
	EXPECT_EQ(PLAT_convert_event(e, &r), PLAT_ev_key_down);
	EXPECT_EQ(r.message, (unsigned)'a' | ((unsigned)SDL_SCANCODE_A << 8));
	EXPECT_EQ(r.modifiers, (unsigned)PLAT_mod_shift);
	e.key.repeat = 1;
	EXPECT_EQ(PLAT_convert_event(e, &r), PLAT_ev_auto_key);
	e.type = SDL_KEYUP;
	EXPECT_EQ(PLAT_convert_event(e, &r), PLAT_ev_key_up);
	// a key without a character keeps only its code
	e.type = SDL_KEYDOWN;
	e.key.repeat = 0;
	e.key.keysym.sym = SDLK_F5;
	e.key.keysym.scancode = SDL_SCANCODE_F5;
	e.key.keysym.mod = KMOD_LCTRL | KMOD_LALT;
	PLAT_convert_event(e, &r);
	EXPECT_EQ(r.message, (unsigned)SDL_SCANCODE_F5 << 8);
	EXPECT_EQ(r.modifiers, (unsigned)(PLAT_mod_control | PLAT_mod_option));
}

TEST(Events, MouseWindowAndQuit)
{
	SDL_Event e = {};
	PLAT_event r;
	e.type = SDL_MOUSEBUTTONDOWN;
	e.button.button = SDL_BUTTON_RIGHT;
	e.button.x = 12;
	e.button.y = 34;
	EXPECT_EQ(PLAT_convert_event(e, &r), PLAT_ev_mouse_down);
	EXPECT_EQ(r.button, 2);
	EXPECT_EQ(r.h, 12);
	EXPECT_EQ(r.v, 34);
	e.type = SDL_MOUSEBUTTONUP;
	e.button.button = SDL_BUTTON_LEFT;
	EXPECT_EQ(PLAT_convert_event(e, &r), PLAT_ev_mouse_up);
	EXPECT_EQ(r.button, 1);

	PLAT_events_reset();
	e = {};
	e.type = SDL_WINDOWEVENT;
	e.window.event = SDL_WINDOWEVENT_EXPOSED;
	EXPECT_EQ(PLAT_convert_event(e, &r), PLAT_ev_update);
	EXPECT_EQ(PLAT_convert_event(e, &r), PLAT_ev_null);	// only the first
	e.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
	EXPECT_EQ(PLAT_convert_event(e, &r), PLAT_ev_activate);
	EXPECT_EQ(r.modifiers & PLAT_mod_active, (unsigned)PLAT_mod_active);
	e.window.event = SDL_WINDOWEVENT_CLOSE;
	EXPECT_EQ(PLAT_convert_event(e, &r), PLAT_ev_quit);
	e = {};
	e.type = SDL_QUIT;
	EXPECT_EQ(PLAT_convert_event(e, &r), PLAT_ev_quit);
}

TEST(Events, WheelStepsAndSmoothFractions)
{
	SDL_Event e = {};
	PLAT_event r;
	e.type = SDL_MOUSEWHEEL;
	e.wheel.y = -2;
	EXPECT_EQ(PLAT_convert_event(e, &r), PLAT_ev_wheel);
	EXPECT_EQ((int)r.message, -2);
	e.wheel.y = 0;
	e.wheel.preciseY = 0.25f;
	EXPECT_EQ(PLAT_convert_event(e, &r), PLAT_ev_scroll);
	EXPECT_EQ((int)r.message, 1);

	mnw.wheel = 0;
	PLAT_event w = {};
	w.what = PLAT_ev_wheel;
	w.message = (unsigned)-2;
	EXPECT_EQ(APL_HandlePlatformEvent(&w), 0);
	EXPECT_EQ(mnw.wheel, -2);

	// four quarter steps make one step; 3 then -3 leave nothing behind
	mnw.wheel = 0;
	PLAT_event s = {};
	s.what = PLAT_ev_scroll;
	s.message = 1;
	for (int i = 0; i < 3; ++i) APL_HandlePlatformEvent(&s);
	EXPECT_EQ(mnw.wheel, 0);
	APL_HandlePlatformEvent(&s);
	EXPECT_EQ(mnw.wheel, 1);
	s.message = 3;
	APL_HandlePlatformEvent(&s);
	s.message = (unsigned)-3;
	APL_HandlePlatformEvent(&s);
	EXPECT_EQ(mnw.wheel, 1);
	s.message = 4;
	APL_HandlePlatformEvent(&s);
	EXPECT_EQ(mnw.wheel, 2);	// the remainder was 0
}

TEST(Events, DispatchFlags)
{
	PLAT_event k = {};
	mnw.key_held = 1;
	k.what = PLAT_ev_key_up;
	APL_handlewin(&k);	// no key-down before it
	EXPECT_EQ(mnw.key_held, 0);
	k.what = PLAT_ev_key_down;
	APL_handlewin(&k);
	EXPECT_EQ(mnw.key_held, 1);
	EXPECT_EQ(mnw.key_event, 1);
	mnw.key_event = 0;
	k.what = PLAT_ev_auto_key;
	APL_handlewin(&k);
	EXPECT_EQ(mnw.key_event, 1);

	PLAT_event m = {};
	m.what = PLAT_ev_mouse_down;
	m.button = 2;
	EXPECT_NE(APL_HandlePlatformEvent(&m), 0);
	EXPECT_EQ(mnw.right_button, 1);
	m.button = 1;
	APL_HandlePlatformEvent(&m);
	EXPECT_EQ(mnw.right_button, 0);
}
