// One frame: mouse, events, pending alerts, clock, the application's
// drawing, the framework layer on top, the buffer swap.
#include "MACIBM_shell.h"
#include "colr.h"
#include "MACIBM_mnw.h"
#include "butn.h"
#include "menu.h"
#include "butn_focus.h"
#include "keys.h"
#include "oglp.h"
#include "qtim.h"
#include "OGL_fonts.h"
#include "OGL_setstate.h"
#include "PLAT_events.h"
#include "PLAT_gl.h"
#include "THREAD_service.h"
#include "UTL_alert.h"
#include "UTL_clock.h"
#include "UTL_cmnd.h"
#include "UTL_translate.h"
#include "tman.h"
#include <algorithm>
#include <cmath>

MACIBM_app_hooks_t MACIBM_app_hooks = {};

// Mouse position in window pixels, from the latest motion or button event:
// the polled state lags behind synthetic input.
static int last_h = 0, last_v = 0, last_window = 0;

int MACIBM_load_mxy(int window_index, int h, int v)
{
	float s = mnw.pix_scale != 0 ? mnw.pix_scale : 1.0f;
	mnw.mouse_x = h / s;
	mnw.mouse_y = (mnw.screen_h - v) / s;
	if (window_index == 1 && mnw.second_window) {
		mnw.mouse_window = 0;
		mnw.mouse_x += mnw.screen_w / s;
	} else {
		mnw.mouse_window = mnw.start_window;
		mnw.mouse_x -= mnw.origin_x;
		mnw.mouse_y -= mnw.origin_y;
	}
	return mnw.start_window;
}

// Key events one frame takes at most: half a field's key queue, so that a burst
// of typing never overflows it; the rest waits in the platform's queue.
static const int keys_per_frame = 32;
// A quit came (close box, quit event, terminating signal): every modal window
// closes as soon as it runs a frame, so its loop ends with its cancel answer.
static int quit_asked = 0;

void MACIBM_take_events()
{
	// Wait at most one tick for the first event, then take only what is already
	// queued: a steady stream of pointer motion must not keep the frame from drawing.
	PLAT_event ev;
	int keys_left = keys_per_frame;
	// where the last frame saw the mouse
	const int seen_h = last_h, seen_v = last_v, seen_window = last_window;
	for (int wait = 17; PLAT_peek_event(&ev, wait); wait = -1) {
		const bool is_key = ev.what == PLAT_ev_key_down || ev.what == PLAT_ev_key_up || ev.what == PLAT_ev_auto_key ||
		                    ev.what == PLAT_ev_text;
		if (is_key && keys_left <= 0) break;	// stays for the next frame
		if (ev.what == PLAT_ev_motion || ev.what == PLAT_ev_mouse_down || ev.what == PLAT_ev_mouse_up) {
			last_h = ev.h;
			last_v = ev.v;
			last_window = ev.window;
			MACIBM_load_mxy(last_window, last_h, last_v);
		}
		// A release where no frame has seen the held mouse yet (a slow frame took
		// the moves of a drag and its end at once) waits a frame: this one shows
		// the mouse held there, so a drag reaches the place it was let go.
		static int release_waited = 0;
		if (ev.what == PLAT_ev_mouse_up && !release_waited &&
		    (ev.h != seen_h || ev.v != seen_v || ev.window != seen_window)) {
			release_waited = 1;
			break;
		}
		release_waited = 0;
		PLAT_take_event();
		if (ev.what == PLAT_ev_motion) continue;	// only the latest position counts
		if (ev.what == PLAT_ev_quit) {
			quit_asked = 1;
			cmnd.press_one(cmnd_quit);
			continue;
		}
		if (is_key) --keys_left;
		if (APL_HandlePlatformEvent(&ev) == 0) continue;
		APL_handlewin(&ev);
		if (ev.what == PLAT_ev_os) break;
		// a press is drawn held before its release comes, and a release is drawn
		// let go before the next press: each has a frame of its own
		if (ev.what == PLAT_ev_mouse_down || ev.what == PLAT_ev_mouse_up) break;
	}
	if (quit_asked && app_done && mnw.current_window != WIND_main && mnw.current_window != -1)
		MACIBM_startwind(WIND_main, 1);
}

void MACIBM_event_proc()
{
	static int win_started = 0;
	xtim.profile_chart("init", 0);
	return_hit = escape_hit = delete_hit = 0;
	mnw.click_down = mnw.click_up = mnw.key_event = 0;

	if (mnw.current_window == -1) mnw.current_window = WIND_main;
	if (!win_started) {
		win_started = 1;
		MACIBM_startwind(mnw.current_window, 0);
	}
	xtim.profile_chart("startwin", 0);

	MACIBM_load_mxy(last_window, last_h, last_v);

	MACIBM_take_events();
	xtim.profile_chart("event", 0);
	xtim.profile_chart("netlist", 0);

	if (mnw.current_window == WIND_main) {
		THREAD_check_exception(1);
		const char* see_log = "Please see the log.txt file for a detailed list of missing files.";
		if (tman.has_scene_load_fail()) {
			__MACIBM_alert(0, "Some scenery textures could not be loaded.",
			               "This may be an installation problem or you may have a damaged add-on scenery package.",
			               see_log, "", t_alert, "RUderur/GenC/hl_mnw", 1916);
			tman.mute_scene_load_fail();
		}
		if (tman.has_plane_load_fail()) {
			__MACIBM_alert(0, "Some textures for the aircraft you selected could not be loaded.",
			               "This may be an installation problem or you may have a damaged add-on aircraft package.",
			               see_log, "", t_alert, "RUderur/GenC/hl_mnw", 1917);
			tman.mute_plane_load_fail();
		}
		if (tman.has_instl_load_fail()) {
			__MACIBM_alert(0, "Some textures could not be loaded.",
			               "This may be an installation problem.  Run the installer/updater again to get these missing textures.",
			               see_log, "", t_alert, "RUderur/GenC/hl_mnw", 1918);
			tman.mute_instl_load_fail();
		}
	}

	xtim.xtim_update();
	keys.run_repeat_keys();
	mnw.cursor_kind = 0;
	MACIBM_menu_track();
	xtim.profile_chart("menu", 0);

	BTN_begin_focus_ring();
	// after a quit the application draws no more: a modal window the quit
	// closed returns to code that is inside the application's frame already
	if (mnw.dialog == 0 && !(quit_asked && app_done)) {
		if (MACIBM_app_hooks.update) MACIBM_app_hooks.update();
		xtim.first_frame = 0;
	}
	mouse_help_per_wind(mnw.current_window);
	standard_gui();

	// a frame the movie recorder grabbed is swapped by the recorder
	if (qtim.mov_per_frame() == 0) OGL_sbuff();
	xtim.profile_chart("sbuff", 0);
	xtim.frame_count += 1;
	xtim.profile_chart("oglwork", 0);
	xtim.profile_chart("finish", 1);
}

void APL_handlewin(PLAT_event* ev)
{
	switch (ev->what) {
	case PLAT_ev_high_level:
		break;
	case PLAT_ev_key_down:
		if (ev->raw) keys_platform_event(ev->raw);
		mnw.key_event = 1;
		mnw.key_held = 1;
		break;
	case PLAT_ev_key_up:
		if (ev->raw) keys_platform_event(ev->raw);
		mnw.key_held = 0;
		break;
	case PLAT_ev_auto_key:
		if (ev->raw) keys_platform_event(ev->raw);
		mnw.key_event = 1;
		break;
	case PLAT_ev_text:
		if (ev->raw) keys_platform_event(ev->raw);
		break;
	case PLAT_ev_mouse_down:
		mnw.click_down = 1;
		mnw.event_time = ev->time_ms / 1000.0f;
		MACIBM_handleclick(0);
		break;
	case PLAT_ev_mouse_up:
		mnw.click_up = 1;
		mnw.event_time = ev->time_ms / 1000.0f;
		MACIBM_handlerelease();
		break;
	case PLAT_ev_update:
		MACIBM_startwind(mnw.current_window, 0);
		break;
	case PLAT_ev_activate:
		// the window is current again; there is no menu bar to hide
		break;
	}
}

int APL_HandlePlatformEvent(PLAT_event* ev)
{
	static int remainder = 0;
	switch (ev->what) {
	case PLAT_ev_wheel:
		mnw.wheel += (int)ev->message;
		return 0;
	case PLAT_ev_scroll: {
		int r = remainder + (int)ev->message;
		remainder = r % 4;
		if (r / 4) mnw.wheel += r / 4;
		return 0;
	}
	case PLAT_ev_mouse_down:
		mnw.right_button = ev->button == 2;
		return -9874;	// on to the dispatcher
	}
	return -9874;
}

void MACIBM_startwind(int id, int)
{
	BTN_begin_focus_ring();
	plot_init_lights = 1;
	mouse_help_per_wind(id);
	OGL_viewport(2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0);

	mnw.dialog = 0;
	mnw.wind_w = (float)mnw.screen_w;
	mnw.wind_h = (float)mnw.screen_h;
	if (const MACIBM_wind_spec* w = MACIBM_find_wind(id)) {
		stls.window_title = UTL_translate_string(w->title, 0);
		mnw.wind_w = (float)w->w;
		mnw.wind_h = (float)w->h;
		mnw.dialog = 1;
	}

	BTN_unfocus_any();
	BTN_forget_text_focus();
	mnw.open_menu = -1;
	mnw.start_window = mnw.current_window = id;

	float sw = (float)mnw.screen_w, sh = (float)mnw.screen_h;
	if (sh * 3 > sw && sw > sh * 2) sw *= 0.5f;	// a display pair side by side
	mnw.origin_x = MACIBM_centre(sw, mnw.wind_w, mnw.pix_scale);
	mnw.origin_y = MACIBM_centre(sh, mnw.wind_h, mnw.pix_scale);

	mnw.mouse_held = 0;
	mnw.click_down = 0;
	mnw.wheel = 0;

	if ((int)menu.size() >= menu_count) {
		menu_struct& p = menu[menu_popup_slot];
		p.l = p.b = p.r = p.t = -1;
	}
}

void MACIBM_menu_track()
{
	// the title clicks of window 0 are the only ones that move a menu
	if (mnw.current_window != WIND_main) return;
	for (int i = 0; mnw.open_menu >= 0 && i < (int)menu.size() && i < menu_popup_slot; ++i) {
		const menu_struct& m = menu[i];
		if (m.owner == -1 && i != mnw.open_menu &&
		    MACIBM_menu_rect_holds(m.l, m.b, m.r, m.t, mnw.mouse_x, mnw.mouse_y))
			MACIBM_handleclick(0);
	}
}

void MACIBM_handleclick(int force_close)
{
	const int id = mnw.current_window;
	const float x = mnw.mouse_x, y = mnw.mouse_y;
	if (id != WIND_main && id != WIND_advise && id != WIND_intentions_small && id != WIND_select_alert && id != WIND_open &&
	    id != WIND_save) {
		const bool in_bar = y >= mnw.wind_h - 20 && y <= mnw.wind_h;
		const bool in_box = in_bar && ((x >= 0 && x <= 25) || (x >= mnw.wind_w - 25 && x <= mnw.wind_w));
		if (in_box || force_close) {
			BTN_zap_boxes(1);
			OGL_sbuff();
			return_hit = 0;
			MACIBM_startwind(WIND_main, force_close);
			return;
		}
	}
	if (id == WIND_main) {
		const int hit = MACIBM_menu_title_at(x, y, mnw.open_menu);
		if (hit >= 0) {
			mnw.click_down = 0;
			mnw.open_menu = hit == mnw.open_menu ? -1 : hit;
			mnw.menu_click_time = mnw.event_time;
			return;
		}
	}
	if (mnw.open_menu < 0) return;
	if (MACIBM_menu_choose(mnw.open_menu, x, y)) {
		mnw.click_down = 0;
	} else if (mnw.open_menu == menu_popup_slot) {
		// the list would open its pop-up again next frame: a click beside it
		// closes it without a choice
		active_popup_code = 0;
	}
	mnw.open_menu = -1;
}

void MACIBM_handlerelease()
{
	// the release of a click that opened a menu, measured between the two
	// events: a slow frame between them is no held button
	if (mnw.event_time < mnw.menu_click_time + 1.0f) return;
	if (mnw.current_window != WIND_main || mnw.open_menu < 0) return;
	const float x = mnw.mouse_x, y = mnw.mouse_y;
	const int hit = MACIBM_menu_title_at(x, y, mnw.open_menu);
	if (hit >= 0) {
		if (hit == mnw.open_menu) mnw.open_menu = -1;
		return;
	}
	if (MACIBM_menu_choose(mnw.open_menu, x, y)) {
		mnw.click_down = 0;
		mnw.open_menu = -1;
	}
}

void MACIBM_help_box(size_t length, float* x, float* y, float* h)
{
	int height = (int)(length / 50) * 10 + 20;
	height = std::min(300, std::max(60, height));
	// low edges win on a screen too small for the box
	*x = std::max(10 - mnw.origin_x, std::min(mnw.mouse_x - 415, mnw.screen_w - 10 - mnw.origin_x - 400));
	*y = std::max(10 - mnw.origin_y, std::min(mnw.mouse_y + 15, mnw.screen_h - 20 - mnw.origin_y - height));
	*h = (float)height;
}

void mouse_help_per_wind(int id)
{
	if (!stls.mouse_help.empty() && xtim.elapsed > mnw.last_move_time + 1.0f) {
		float x, y, h;
		MACIBM_help_box(stls.mouse_help.size(), &x, &y, &h);
		BTN_frame2(btn_style_help, x - 10, y - 10, 420, h + 20, "", 1);
		OGL_string(colr_panel_text, x + 3, y + h - 10, stls.mouse_help, 394, 0, 0);
	}
	stls.mouse_help.clear();
	xtim.profile_chart("help", 0);

	if (id == WIND_main && xtim.elapsed > mnw.last_move_time + 10.0f) mnw.cursor_kind = 2;
	if (id >= WIND_livery && id <= WIND_save) mnw.cursor_kind = 0;
	static int hidden = 0, last_kind = 0;
	if (mnw.cursor_kind >= 2 && !hidden) {
		PLAT_cursor_show(0);
		hidden = 1;
	} else if (mnw.cursor_kind < 2 && hidden) {
		PLAT_cursor_show(1);
		hidden = 0;
	}
	if (last_kind == 1 && mnw.cursor_kind != 1) PLAT_cursor_arrow();
	last_kind = mnw.cursor_kind;

	if (mnw.cursor_kind < 3 || mnw.cursor_kind > 24) return;
	struct shape { int kind, x1, x2, y1, y2, hx, hy; };
	static const shape shapes[] = {
		{3, 199, 261, 328, 357, 0, 0}, {4, 199, 230, 328, 357, 6, 1}, {5, 230, 261, 328, 357, -4, 1},
		{6, 199, 261, 291, 327, 0, 0}, {7, 199, 230, 291, 327, 1, 1}, {8, 230, 261, 291, 327, 0, 1},
		{9, 262, 326, 310, 357, 0, 0}, {10, 262, 294, 310, 357, -3, 1}, {11, 294, 326, 310, 357, 5, 1},
		{15, 262, 326, 291, 309, 0, 0}, {16, 262, 294, 291, 309, 0, 0},
		// the art's own places for the fixed shapes
		{12, 327, 346, 338, 357, 0, 0}, {13, 327, 359, 325, 357, 0, 0}, {14, 327, 367, 317, 357, 0, 0},
		{17, 368, 400, 325, 357, 0, 0}, {22, 401, 441, 317, 357, 0, 0}};
	int x1 = 0, x2 = 0, y1 = 0, y2 = 0, hx = 0, hy = 0, found = 0;
	for (const auto& s : shapes)
		if (s.kind == mnw.cursor_kind) {
			x1 = s.x1; x2 = s.x2; y1 = s.y1; y2 = s.y2; hx = s.hx; hy = s.hy;
			found = 1;
		}
	if (!found) {
		int col = -1, row = 1;
		switch (mnw.cursor_kind) {
		case 18: col = mnw.mouse_held ? 5 : 4; row = 1; break;
		case 19: col = mnw.mouse_held ? 5 : 4; row = 0; break;
		case 21: col = -1; row = 0; break;
		case 23: col = 8; row = 1; break;
		case 24: col = 7; row = 1; break;
		}
		x1 = 200 + 32 * col; x2 = x1 + 30;
		y1 = 293 + 32 * row; y2 = y1 + 30;
	}
	const float w = (float)(x2 - x1), h = (float)(y2 - y1);
	const float cx = mnw.mouse_x - w * 0.5f - hx, cy = mnw.mouse_y - h * 0.5f - hy;
	const float s1 = x1 / 512.0f, s2 = x2 / 512.0f, t1 = y1 / 512.0f, t2 = y2 / 512.0f;
	OGL_2dquad(tman_ref_interface, colr_plain, 1, cx, cy, s1, t1, cx, cy + h, s1, t2, cx + w, cy + h, s2, t2, cx + w, cy,
	           s2, t1, 1, al_blend);
}

void MACIBM_movemouse(int x, int y, int window_index)
{
	float s = mnw.pix_scale != 0 ? mnw.pix_scale : 1.0f;
	int h = (int)((x + mnw.origin_x) * s), v = (int)(mnw.screen_h - (y + mnw.origin_y) * s);
	PLAT_warp_mouse(window_index, h, v);
	mnw.mouse_x = (float)x;
	mnw.mouse_y = (float)y;
	if (mnw.second_window) mnw.mouse_x += mnw.screen_w;
	last_h = h;
	last_v = v;
}

int has_optionkey() { return (PLAT_modifiers() & PLAT_mod_option) != 0; }
int has_shiftkey() { return (PLAT_modifiers() & PLAT_mod_shift) != 0; }
int has_controlkey() { return (PLAT_modifiers() & (PLAT_mod_cmd | PLAT_mod_control)) != 0; }
int has_capslock() { return (PLAT_modifiers() & PLAT_mod_caps) != 0; }
