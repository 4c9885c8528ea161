// Start-up: log, command line, threads, language, display, window and GL
// context, capabilities, tables; and the low-level context operations.
#include "MACIBM_shell.h"
#include "MACIBM_mnw.h"
#include "hl_log_header.h"
#include "butn.h"
#include "butn_focus.h"
#include "menu.h"
#include "keys.h"
#include "tman.h"
#include "TEX_image.h"
#include "opensave.h"
#include "path_utils.h"
#include "OGL_extensions.h"
#include "OGL_setstate.h"
#include "oglp.h"
#include "OGL_fonts.h"
#include "colr.h"
#include "PLAT_gl.h"
#include "PLAT_events.h"
#include "PLAT_platform.h"
#include "THREAD_service.h"
#include "UTL_alert.h"
#include "UTL_clock.h"
#include "UTL_cmdline.h"
#include "UTL_debug.h"
#include "UTL_globals.h"
#include "UTL_log.h"
#include "hl_math.h"
#include "UTL_translate.h"
#include <algorithm>
#include <cstdlib>
#include <unistd.h>
#include <vector>

int plot_init_lights = 0;
int g_mon_x_res_now = 0, g_mon_y_res_now = 0;
int is_demo = 0;

static const int  is_build = 0;
static const char* window_title = "Vantor Installer";
static const char* maker_site = "www.tarrowfield.example";

static void shell_down()
{
	tman.unload_all();
	MACIBM_setres(0);
	MACIBM_nuke_context(1);
	MACIBM_nuke_context(0);
	PLAT_flush_events();
}

static void pulse_colours(float level) { colr.set_pulse(level); }
static int  threaded_avail() { return glExt.threaded_avail; }
static void threaded_failed() { glExt.threaded_ogl_failed(); }

// The interface images; the colours of the widget look are taken from the
// interface art while its pixels are still in the scratch buffer.
static void load_interface_images()
{
	// a picture that does not load is counted and told by the texture manager
	(void)tman.load_texture(tex_fail_alert, tman_ref_map, tman_art_rgba, tex_load_2, "RESOURCE:map.png");
	(void)tman.load_texture(tex_fail_alert, tman_ref_background, tman_art_rgb, tex_load_2, "RESOURCE:background.png");
	(void)tman.load_texture(tex_fail_alert, tman_ref_interface, tman_art_interface, tex_load_2, "RESOURCE:interface.png");
	static const struct { int id; int at; } picks[] = {
		{colr_back, 0x4DCFC},        {colr_menu_edge, 0x49CFC},    {colr_menu_highlight, 0x45CFC},
		{colr_menu_edge_light, 0x41CFC}, {colr_menu_title, 0x3DCFC},   {colr_window_title, 0x39CFC},
		{colr_tab_on, 0x35CFC},      {colr_tab_off, 0x31CFC},      {colr_label, 0x2DCFC},
		{colr_value, 0x29CFC},       {colr_warning, 0x25CFC},      {colr_panel_text, 0x21CFC},
		{colr_accent, 0x39E2C}};
	for (const auto& p : picks) {
		const unsigned char* px = scratch_array + p.at;
		colr.assign(p.id, px[0] / 255.0f, px[1] / 255.0f, px[2] / 255.0f);
	}
	for (int c = 0; c < 3; ++c)
		colr.rgb[colr_menu_mid][c] = (colr.rgb[colr_menu_edge][c] + colr.rgb[colr_menu_title][c]) * 0.5f;
}

void MACIBM_init(int argc, const char* const* argv)
{
	// Debug services, an empty event queue, the arrow cursor.
	UTL_debug_init();
	PLAT_flush_events();
	PLAT_cursor_arrow();

	// Paths built on app_path are relative to the current folder.
	MACIBM_set_app_path(&app_path, 0);
	app_path.clear();
	if (is_build) g_case_sensitive = 0;

	// The current folder is the one holding the program.
	const std::string exe_folder = PLAT_executable_folder();
	if (!exe_folder.empty() && chdir(exe_folder.c_str()) != 0) {}

	// The log, rewritten at every start.
	std::string app_folder;
	get_OS_abs_path(os_dir_app_folder, app_folder);
	xer.open(app_folder + "Vantor Installer Log.txt", std::ios::out | std::ios::trunc);
	MACIBM_log_header(g_case_sensitive);

	// The demo ships only a few earth textures.
	std::vector<std::string> names;
	std::vector<int> kinds;
	is_demo = opensave_getitems("Resources/bitmaps/earth orbit textures/", 0, names, kinds) <= 50;

	// The command line, then the thread service.
	UTL_cmdline::init_unix(argc, argv);
	THREAD_init();

	// The window asked for, the language, and the shell's part of the alert service.
	mnw.req_w = 800;
	mnw.req_h = 600;
	mnw.tex_res = 5;
	mnw.req_depth = 32;
	mnw.aa_request = 0;
	mnw.language = -1;
	mnw.language = UTL_get_default_language();

	MACIBM_shell_hooks.shell_down = shell_down;
	MACIBM_shell_hooks.pulse_colours = pulse_colours;
	MACIBM_shell_hooks.unfocus_any = BTN_unfocus_any;
	MACIBM_shell_hooks.save_keys = [] { keys.keys_io(1); };
	MACIBM_shell_hooks.alert_window = BTN_alert_window;
	MACIBM_shell_hooks.nuke_alert = BTN_nuke_alert;
	tman_hooks.show_progress = MACIBM_show_init;

	// The display and the main window's context.
	MACIBM_setres(1);
	if (!MACIBM_make_context(0))
		__MACIBM_alert(0, "I could not set up the graphics for Vantor! I hope your monitor is at 1024x768 or higher! It must be!",
		               "You do not meet the system requirements or you do not have OpenGL drivers or you entered a bad resolution in Vantor!",
		               "You need at least 256 meg of RAM, 16 meg of VRAM, and OpenGl drivers for your 3-D accelerator card!",
		               "If you reset the resolution, you can try launching Vantor again, since I am resetting Vantor to default resolution now.",
		               t_exit, "RUderur/GenC/hl_init", 1648);

	// What the driver can do.
	OGL_pix_specs(0);
	glExt.init_extensions();

	// Workers may share GL contexts, so they start after the probe.
	THREAD_gl_hooks.threaded_avail = threaded_avail;
	THREAD_gl_hooks.make_context_loader = MACIBM_make_context_loader;
	THREAD_gl_hooks.set_context_loader = MACIBM_set_context_loader;
	THREAD_gl_hooks.threaded_ogl_failed = threaded_failed;
	TEX_init();
	THREAD_make_workers();

	// The same random table every run; rand() itself differs from run to run.
	UTL_fill_randrat();
	unsigned int seed = (unsigned int)(xtim_class::microsecs() & 0xFFFFFFFFu);
	srand(seed);
	for (unsigned int i = 0; i < seed % 1000; ++i) (void)rand();

	// Sine and cosine of whole degrees.
	colr_fill_trig_tables();

	// The interface art, and the colours read from it.
	load_interface_images();

	// The application window; from here on alerts are drawn.
	MACIBM_clear_menus(1);
	MACIBM_startwind(-1, 0);
	OGL_pix_specs(0);
	ogl_inited = 1;

	// A language the resources have, else the user picks one.
	std::vector<int> langs;
	UTL_lang_get_languages(langs);
	if (std::find(langs.begin(), langs.end(), mnw.language) == langs.end())
		mnw.language = langs.size() == 1 ? langs[0] : -1;
	if (mnw.language < 0) {
		mnw.language = 0;
		__MACIBM_alert(-1, "-", "-", "-", "-", t_choose_language, "RUderur/GenC/hl_init", 1767);
	}

	// The language's texts, with the start-up panel saying what happens.
	MACIBM_show_init("Will init plugins.", nullptr);
	MACIBM_setupforlang();
	// the window opened before the language was known
	PLAT_window_title(0, UTL_translate_string(window_title, 0).c_str());
	MACIBM_show_init("Starting application.", nullptr);
}

void MACIBM_setres(int flag)
{
	static int first = 1;
	static int hres_orig = 0, vres_orig = 0, cres_orig = 0, sres_orig = 0;
	mnw.screen_w = mnw.req_w;
	mnw.screen_h = mnw.req_h;
	mnw.screen_depth = mnw.req_depth;
	PLAT_display_mode d = {0, 0, 0};
	if (!PLAT_get_display_mode(&d)) return;
	// there is no menu bar to hide
	g_mon_x_res_now = d.w;
	g_mon_y_res_now = d.h;
	if (mnw.windowed) {
		mnw.req_w = mnw.screen_w = d.w - 40;
		mnw.req_h = mnw.screen_h = d.h - 60;
	}
	const int small = d.h < 768 || d.w < 1024;
	if (first) {
		first = 0;
		hres_orig = d.w;
		vres_orig = d.h;
		cres_orig = d.depth;
		sres_orig = small ? 1 : mnw.switch_depth;
	}
	(void)hres_orig;
	(void)vres_orig;
	// The desktop's depth is the one every window gets here; a switch asked
	// for is noted and nothing is changed.
	const int target = flag ? mnw.req_depth : cres_orig;
	const int allowed = flag ? (mnw.switch_depth || small) : sres_orig;
	(void)target;
	(void)allowed;
}

int MACIBM_make_context(int index)
{
	if (index < 0 || index > 1) return 0;
	if (index == 1) OGL_setstate(fog_fals, 0, lit_fals, al_none, deR_fals, deW_fals);

	// A frame only where it fits on the display with room to spare.
	PLAT_display_mode d = {0, 0, 0};
	(void)PLAT_get_display_mode(&d);	// none asked: 0 by 0, no frame
	const int left = index == 1 ? mnw.screen_w : 0;
	const int framed = mnw.screen_w + 20 < d.w && mnw.screen_h + 20 < d.h;

	// The richest visual first: multisampled levels only as far as asked.
	static const int samples_of[5] = {0, 2, 4, 8, 16};
	int opened = 0;
	if (mnw.window[index]) opened = 1;
	for (int level = 4; level >= 0 && !opened; --level) {
		if (level > 0 && !(mnw.aa_request > level - 1)) continue;
		for (int depth : {32, 24, 16}) {
			if (PLAT_window_open(index, window_title, left, framed ? 40 : 0, mnw.screen_w, mnw.screen_h,
			                     framed, depth, samples_of[level])) {
				opened = 1;
				mnw.aa_level = level;
				break;
			}
		}
	}
	if (!opened) return 0;
	mnw.window[index] = PLAT_window_handle(index);
	PLAT_events_reset();

	// The context (the second window's shares the first one's objects).
	void* ctx = PLAT_gl_create_context(index, index == 1 ? mnw.context[0] : nullptr);
	if (!ctx) return 0;
	mnw.context[index] = ctx;
	if (!mnw.pixel_format) mnw.pixel_format = mnw.window[0];
	if (!PLAT_gl_make_current(index, ctx)) return 0;

	// What the visual got.
	static const struct { const char* label; int attr; } rows[] = {
		{"AGL_DOUBLEBUFFER : ", PLAT_attr_double}, {"AGL_RED_SIZE     : ", PLAT_attr_red},
		{"AGL_GREEN_SIZE   : ", PLAT_attr_green}, {"AGL_BLUE_SIZE    : ", PLAT_attr_blue},
		{"AGL_ALPHA_SIZE   : ", PLAT_attr_alpha}, {"AGL_DEPTH_SIZE   : ", PLAT_attr_depth}};
	xer << "AGL_RGBA         : " << 1 << "\n";
	for (const auto& r : rows) {
		int v = PLAT_gl_attribute(r.attr);
		if (v >= 0) xer << r.label << v << "\n";
	}
	long long vram = PLAT_video_memory();
	if (vram >= 0) xer << "VRAM             : " << vram << "\n";
	xer.flush();

	// A cleared buffer and the GL entry points.
	glClear(GL_COLOR_BUFFER_BIT);
	int err = glExt.init_entry_points();
	if (err != 0) {
		char buf[64];
		snprintf(buf, sizeof(buf), "Error=%f", (double)err);
		__MACIBM_alert(0, "Could not open OpenGL framework", "", buf, "", t_exit, "RUderur/GenC/hl_init", 769);
	}

	// There is no threaded engine to switch on here.
	if (UTL_cmdline::has_option("--use_threaded_ogl")) xer << "Enabling threaded OGL - got " << -1 << "\n";

	// Vertical sync; refused, the frame pace comes from the event wait alone.
	const int interval = mnw.vsync_double ? 2 : mnw.vsync ? 1 : 0;
	int code = PLAT_gl_set_swap_interval(interval);
	if (code != 0)
		xer << "WARNING: I could not set vertical sync to " << interval << "; the driver returned error " << code << ".\n";

	// The default state (any renderer the driver gives is taken, software too).
	GLfloat black[4] = {0, 0, 0, 0};
	glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
	glPixelStorei(GL_PACK_ALIGNMENT, 1);
	glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
	glAlphaFunc(GL_GREATER, 0);
	glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
	glDepthFunc(GL_LEQUAL);
	glFogi(GL_FOG_MODE, GL_LINEAR);
	glHint(GL_FOG_HINT, GL_FASTEST);
	glFrontFace(GL_CW);
	glEnable(GL_CULL_FACE);
	glCullFace(GL_BACK);
	glShadeModel(GL_SMOOTH);
	glEnable(GL_DITHER);
	glDisable(GL_COLOR_LOGIC_OP);
	glDisable(GL_STENCIL_TEST);
	glDisable(GL_TEXTURE_1D);
	glDisable(GL_NORMALIZE);
	glDisable(GL_SCISSOR_TEST);
	glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
	glEnable(GL_COLOR_MATERIAL);
	if (mnw.aa_level > 0) glEnable(GL_MULTISAMPLE_ARB);
	glDepthMask(GL_FALSE);
	if (index == 1) TEX_reset_bind();
	return 1;
}

void MACIBM_nuke_context(int index)
{
	if (index < 0 || index > 1) return;
	// the context goes with its window, as the window system disposes both
	if (mnw.context[index]) PLAT_gl_delete_context(mnw.context[index]);
	mnw.context[index] = nullptr;
	PLAT_window_close(index);
	mnw.window[index] = nullptr;
}

void* MACIBM_make_context_loader()
{
	if (!mnw.pixel_format) return nullptr;
	void* c = PLAT_gl_create_context(0, mnw.context[0]);
	if (!c) {
		xer << "We could not create a context for our worker threads.\n";
		xer.flush();
	}
	return c;
}

int MACIBM_set_context_loader(void* ctx)
{
	return PLAT_gl_make_current(0, ctx);
}

void MACIBM_show_init(const std::string& message, float* progress)
{
	static int calls = 0;
	++calls;
	if (!plot_init_lights) return;
	OGL_plot_back_col();
	float f = progress ? *progress : calls / 100.0f;
	f = std::min(1.0f, std::max(0.02f, f));
	// positions are screen pixels: the window origin comes off
	const float x0 = mnw.content_x - mnw.origin_x, y0 = -mnw.origin_y;
	BTN_frame2(btn_style_dialog_panel, x0 + 10, y0 + 31, 460, 200, "", 1);
	OGL_string(colr_panel_text, x0 + 22, y0 + 210, maker_site, 440, 0, 0);	// dark on the light panel
	// the bar fills the content area, but never runs past a narrower window
	const float left = x0 + 8, width = std::min(1008.0f, mnw.screen_w - mnw.origin_x - 8 - left);
	BTN_frame1(btn_style_progress_track, left + width * 0.5f, y0 + 15, width, colr_white);
	BTN_frame1(btn_style_progress_fill, left + width * f * 0.5f, y0 + 15, width * f, colr_white);
	OGL_string(colr_grey, x0 + 22, y0 + 60, message, 440, 0, 0);
	OGL_sbuff();
}
