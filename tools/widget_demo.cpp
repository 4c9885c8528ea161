// A panel of drawn widgets in a window of its own, for trying them by hand and
// for the tests that click them. Writes the values to the file named on the
// command line after every frame; quits on the close box.
#include "butn.h"
#include "colr.h"
#include "keys.h"
#include "menu.h"
#include "oglp.h"
#include "tman.h"
#include "MACIBM_mnw.h"
#include "MACIBM_shell.h"
#include "OGL_extensions.h"
#include "OGL_setstate.h"
#include "PLAT_events.h"
#include "PLAT_gl.h"
#include "UTL_clock.h"
#include "UTL_alert.h"
#include <cstdio>
#include <string>

enum { demo_w = 400, demo_h = 300 };

struct demo_values {
	int   clicks = 0, toggled = 0, number = 42, choice = 1;
	bool  check = false;
	float slider = 0.25f;
	int   colour = 0, scroll = 0;
	long  frames = 0;
	std::string name, note;
};

// True when the whole line reached the file.
static bool write_values(const char* path, const demo_values& v)
{
	FILE* f = fopen(path, "w");
	if (!f) return false;
	fprintf(f, "clicks=%d toggled=%d check=%d number=%d choice=%d slider=%.3f colour=%d scroll=%d name=[%s] note=[%s] frames=%ld\n",
	        v.clicks, v.toggled, v.check ? 1 : 0, v.number, v.choice, v.slider, v.colour, v.scroll, v.name.c_str(),
	        v.note.c_str(), v.frames);
	return fclose(f) == 0;
}

static void draw_panel(demo_values& v)
{
	glClearColor(0.15f, 0.15f, 0.2f, 1);
	glClear(GL_COLOR_BUFFER_BIT);
	BTN_begin_focus_ring();
	// the button holds its pressed look while toggled on
	if (BTN_action(200, 250, 120, v.toggled, 1, "Press", "-")) {
		v.clicks++;
		v.toggled ^= 1;
	}
	BTN_xbol(120, 200, &v.check, "Check");
	BTN_is_int(220, 200, &v.choice, 1, "One");
	BTN_is_int(300, 200, &v.choice, 2, "Two");
	BTN_int(150, 140, &v.number, 4, 0, "Number");
	BTN_horz_slider(100, 80, 200, 9, 0, 1, &v.slider, 1, "Level", "");
	BTN_textlist(320, 140, &v.colour, "", "Red-Green-Blue");
	BTN_enterstring(60, 40, &v.name, 24, "Name", 110, 0);
	BTN_enterstring(240, 40, &v.note, 255, "Note", 120, 0);
	BTN_vert_slider(0, 380, 60, 230, 0, 100, &v.scroll);
	standard_gui();	// the open pop-up, over everything
}

int main(int argc, char** argv)
{
	const char* out = argc > 1 ? argv[1] : "widget_demo_values.txt";
	if (!PLAT_window_open(0, "widget demo", 0, 0, demo_w, demo_h, 0, 24, 0)) return 1;
	void* ctx = PLAT_gl_create_context(0, nullptr);
	if (!ctx || !PLAT_gl_make_current(0, ctx)) return 1;
	mnw.screen_w = demo_w;
	mnw.screen_h = demo_h;
	mnw.wind_w = demo_w;
	mnw.wind_h = demo_h;
	mnw.current_window = 0;
	mnw.open_menu = -1;
	mnw.origin_x = mnw.origin_y = 0;
	ren.alpha_mult = 1;
	ren.tex_units = 2;
	ogl_inited = 1;
	OGL_pix_specs(0);
	glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
	// without its art the demo's controls still work
	(void)tman.load_texture(tex_fail_silent, tman_ref_interface, tman_art_interface, tex_load_2, "RESOURCE:interface.png");
	MACIBM_clear_menus(1);

	demo_values v;
	const std::string tmp = std::string(out) + ".new";
	for (;;) {
		return_hit = escape_hit = delete_hit = 0;
		mnw.click_down = mnw.click_up = mnw.key_event = 0;
		MACIBM_take_events();	// the shell's own event step
		if (app_done) return 0;
		xtim.xtim_update();
		draw_panel(v);
		OGL_sbuff();
		// every frame, so that a test sees frames come; renamed, so never half written
		v.frames++;
		if (write_values(tmp.c_str(), v)) (void)rename(tmp.c_str(), out);	// a failure: the next frame writes again
	}
}
