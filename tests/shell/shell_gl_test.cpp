// The shell's own drawing read back from a real GL context (run under Xvfb):
// the help balloon, the start-up panel and the colour scale. Drawing goes to
// an offscreen framebuffer so the buffer swaps these calls make lose nothing.
#include <gtest/gtest.h>
#include "../support/gl_context.h"
#include "MACIBM_mnw.h"
#include "MACIBM_shell.h"
#include "OGL_extensions.h"
#include "OGL_fonts.h"
#include "TEX_obj.h"
#include "UTL_clock.h"
#include "UTL_cmdline.h"
#include "UTL_alert.h"
#include "butn.h"
#include "colr.h"
#include "menu.h"
#include "oglp.h"
#include "tman.h"
#include <SDL2/SDL.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <algorithm>
#include <vector>

enum { W = 1024, H = 256 };

struct extent {
	int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1, count = 0;
	bool empty() const { return count == 0; }
};

class ShellGL : public ::testing::Test {
protected:
	static TG_context    gl;
	static GLuint        fbo, rbo;
	static void SetUpTestSuite()
	{
		UTL_cmdline::add_one("--fps_test", "");
		ASSERT_TRUE(gl.open("shell", 64, 64, false)) << gl.error;
		auto gen_fb = (PFNGLGENFRAMEBUFFERSPROC)SDL_GL_GetProcAddress("glGenFramebuffers");
		auto bind_fb = (PFNGLBINDFRAMEBUFFERPROC)SDL_GL_GetProcAddress("glBindFramebuffer");
		auto gen_rb = (PFNGLGENRENDERBUFFERSPROC)SDL_GL_GetProcAddress("glGenRenderbuffers");
		auto bind_rb = (PFNGLBINDRENDERBUFFERPROC)SDL_GL_GetProcAddress("glBindRenderbuffer");
		auto store_rb = (PFNGLRENDERBUFFERSTORAGEPROC)SDL_GL_GetProcAddress("glRenderbufferStorage");
		auto attach_rb = (PFNGLFRAMEBUFFERRENDERBUFFERPROC)SDL_GL_GetProcAddress("glFramebufferRenderbuffer");
		ASSERT_TRUE(gen_fb && bind_fb && gen_rb && bind_rb && store_rb && attach_rb);
		gen_rb(1, &rbo);
		bind_rb(GL_RENDERBUFFER, rbo);
		store_rb(GL_RENDERBUFFER, GL_RGBA8, W, H);
		gen_fb(1, &fbo);
		bind_fb(GL_FRAMEBUFFER, fbo);
		attach_rb(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, rbo);

		ogl_inited = 1;	// the widgets draw only once a context exists
		ren.alpha_mult = 1;
		ren.tex_units = 2;
		OGL_nrml_colors();
		ASSERT_EQ(tman.load_texture(tex_fail_alert, 410, 0x30092, tex_load_2, "RESOURCE:interface.png"), 410);
	}
	static void TearDownTestSuite()
	{
		gl.close();
	}
	void SetUp() override
	{
		mnw.screen_w = W;
		mnw.screen_h = H;
		mnw.pix_scale = 1;
		mnw.current_window = 0;
		mnw.origin_x = mnw.origin_y = 0;
		mnw.content_x = 0;
		mnw.cursor_kind = 0;
		TG_context::pixel_ortho(W, H);
		clear();
	}
	static void clear()
	{
		glClearColor(0, 0, 0, 1);
		glClear(GL_COLOR_BUFFER_BIT);
	}
	static std::vector<unsigned char> grab()
	{
		glFinish();
		std::vector<unsigned char> px((size_t)W * H * 3);
		glPixelStorei(GL_PACK_ALIGNMENT, 1);
		glReadPixels(0, 0, W, H, GL_RGB, GL_UNSIGNED_BYTE, px.data());
		return px;
	}
	static const unsigned char* at(const std::vector<unsigned char>& px, int x, int y)
	{
		return &px[((size_t)y * W + x) * 3];
	}
	// Pixels that differ between two grabs (or are lit, against black), within a box.
	static extent changed(const std::vector<unsigned char>& a, const std::vector<unsigned char>* b,
	                      int bx = 0, int by = 0, int bw = W, int bh = H)
	{
		extent e;
		for (int y = by; y < by + bh; ++y)
			for (int x = bx; x < bx + bw; ++x) {
				const unsigned char* p = at(a, x, y);
				int d = 0;
				for (int c = 0; c < 3; ++c) d += abs(p[c] - (b ? at(*b, x, y)[c] : 0));
				if (d < 60) continue;
				++e.count;
				e.x0 = std::min(e.x0, x);
				e.x1 = std::max(e.x1, x);
				e.y0 = std::min(e.y0, y);
				e.y1 = std::max(e.y1, y);
			}
		return e;
	}
};
TG_context ShellGL::gl;
GLuint        ShellGL::fbo = 0, ShellGL::rbo = 0;

TEST_F(ShellGL, HelpBalloonShowsOnceTheMouseRestsWithItsTextInside)
{
	mnw.mouse_x = 600;
	mnw.mouse_y = 50;
	xtim.elapsed = 20;
	mnw.last_move_time = 19.5f;	// still moving
	stls.mouse_help = "Installs the whole product.";
	mouse_help_per_wind(0);
	EXPECT_TRUE(stls.mouse_help.empty());
	EXPECT_TRUE(changed(grab(), nullptr).empty());

	mnw.last_move_time = 18.5f;
	colr.assign(50, 0, 0, 0);	// dark text on the light balloon, as the art gives it
	float x, y, h;
	MACIBM_help_box(27, &x, &y, &h);
	ASSERT_EQ(x, 185);
	ASSERT_EQ(y, 65);
	BTN_frame2(17, x - 10, y - 10, 420, h + 20, "", 1);
	const std::vector<unsigned char> panel = grab();
	// the frame's art reaches a few units past its rectangle
	extent p = changed(panel, nullptr);
	ASSERT_FALSE(p.empty());
	EXPECT_NEAR(p.x0, 175, 15);
	EXPECT_NEAR(p.x1, 595, 15);
	EXPECT_NEAR(p.y0, 55, 15);
	EXPECT_NEAR(p.y1, 135, 15);
	clear();

	stls.mouse_help = "Installs the whole product.";
	mouse_help_per_wind(0);
	const std::vector<unsigned char> full = grab();
	EXPECT_TRUE(stls.mouse_help.empty());
	// the panel is the same, the text sits 3 in from the box's left and its
	// first baseline 11 below the box's top
	extent t = changed(full, &panel);
	ASSERT_FALSE(t.empty());
	EXPECT_NEAR(t.x0, x + 3, 2);
	EXPECT_LT(t.x1, x + 3 + 394);
	EXPECT_NEAR(t.y0, y + h - 11, 3);	// "p" descends a little below the baseline
	EXPECT_LE(t.y1, y + h - 11 + 9);
}

TEST_F(ShellGL, StartPanelShowsItsMessageAndProgress)
{
	plot_init_lights = 0;
	glClearColor(0, 0, 1, 1);
	glClear(GL_COLOR_BUFFER_BIT);
	float half = 0.5f;
	MACIBM_show_init("Will init plugins.", &half);
	const std::vector<unsigned char> none = grab();
	EXPECT_EQ(at(none, 500, 100)[2], 255);	// nothing drawn before the first window

	plot_init_lights = 1;
	MACIBM_show_init("", &half);
	const std::vector<unsigned char> blank = grab();
	EXPECT_LT(at(blank, 700, 100)[2], 255);	// cleared to the background colour
	MACIBM_show_init("Will init plugins.", &half);
	const std::vector<unsigned char> msg = grab();
	extent m = changed(msg, &blank);
	ASSERT_FALSE(m.empty());
	EXPECT_NEAR(m.x0, 22, 2);
	EXPECT_NEAR(m.y0, 59, 3);	// baseline 59, "g" and "p" below it
	EXPECT_LE(m.y1, 70);
	EXPECT_LT(m.x1, 22 + 440);
	// the panel is drawn from the art around the texts
	EXPECT_FALSE(changed(blank, nullptr, 10, 31, 460, 200).empty());
	EXPECT_TRUE(changed(blank, nullptr, 480, 40, 500, 200).empty());

	// half the bar filled: its left half looks unlike its right half, and
	// filling all of it changes the right half
	auto row = [](const std::vector<unsigned char>& px, int x) {
		std::vector<int> v;
		for (int y = 5; y < 26; ++y)
			for (int c = 0; c < 3; ++c) v.push_back(at(px, x, y)[c]);
		return v;
	};
	EXPECT_NE(row(blank, 300), row(blank, 800));
	float full = 1;
	MACIBM_show_init("", &full);
	const std::vector<unsigned char> done = grab();
	EXPECT_NE(row(done, 800), row(blank, 800));
	EXPECT_EQ(row(done, 300), row(blank, 300));
	float over = 7;	// clamped to the whole bar
	MACIBM_show_init("", &over);
	EXPECT_EQ(row(grab(), 1000), row(done, 1000));
}

TEST_F(ShellGL, SpectrumScaleLabelsItsEndsAndColoursItsPoints)
{
	colr.spectrum_init(1);	// red ramp
	colr.spectrum_plotscale(50, 20, 0, 1, 2);
	std::vector<unsigned char> px = grab();
	// the low end's label "000.00" at x + 4, baseline y - 5
	extent low = changed(px, nullptr, 53, 0, 200, 20);
	ASSERT_FALSE(low.empty());
	EXPECT_NEAR(low.x0, 54, 2);
	EXPECT_NEAR(low.y0, 15, 1);
	EXPECT_NEAR(low.x1 - low.x0, str_dx("000.00"), 3);
	for (int h : {100, 200}) {
		const unsigned char* p = at(px, 50, 20 + h);
		EXPECT_NEAR(p[0], 255.0 * h / 999, 3) << h;
		EXPECT_EQ(p[1], 0) << h;
	}
	EXPECT_TRUE(changed(px, nullptr, 56, 30, 100, 200).empty());	// points are 4 units wide

	// the high end sits 1000 units higher; a window origin moves everything
	clear();
	mnw.origin_x = 30;
	colr.spectrum_plotscale(50, -800, 0, 1, 2);
	px = grab();
	extent high = changed(px, nullptr, 83, 150, 200, 100);
	ASSERT_FALSE(high.empty());
	EXPECT_NEAR(high.x0, 84, 2);
	EXPECT_NEAR(high.y0, 195, 1);	// baseline y + 995
	EXPECT_NEAR(at(px, 80, 100)[0], 255.0 * 900 / 999, 3);
	EXPECT_EQ(at(px, 50, 100)[0], 0);
}

TEST_F(ShellGL, APopupDrawsWithoutTheBarAndABarMenuWithIt)
{
	MACIBM_clear_menus(1);
	menu_struct& p = menu[menu_popup_slot];
	for (int i = 0; i < 3; ++i) p.items.push_back(item_struct{"Windows", 0, 300, (short)(150 - 12 * i), 380, (short)(162 - 12 * i)});
	mnw.open_menu = menu_popup_slot;
	mnw.mouse_x = mnw.mouse_y = 0;
	standard_gui();
	std::vector<unsigned char> px = grab();
	extent e = changed(px, nullptr);
	ASSERT_FALSE(e.empty());
	EXPECT_NEAR(e.x0, 300, 25);	// the panel around the items
	EXPECT_NEAR(e.x1, 380, 25);
	EXPECT_TRUE(changed(px, nullptr, 0, H - 20, W, 20).empty());	// no bar

	clear();
	MACIBM_clear_menus(1);
	MACIBM_create_menu(0, -1, "File");
	MACIBM_append_menu(0, 0, 1, "Open");
	mnw.open_menu = 0;
	standard_gui();
	px = grab();
	EXPECT_GT(changed(px, nullptr, 0, H - 20, W, 20).count, W);	// the bar spans the top
	EXPECT_FALSE(changed(px, nullptr, 0, H - 60, 100, 40).empty());	// the pulled-down panel
	mnw.open_menu = -1;
	clear();
	standard_gui();
	EXPECT_TRUE(changed(grab(), nullptr).empty());	// nothing while no menu is open
}

// The start-up bar stays inside a window narrower than the 1024-unit content area.
TEST_F(ShellGL, StartBarStaysInsideANarrowWindow)
{
	plot_init_lights = 1;
	mnw.screen_w = 800;
	OGL_plot_back_col();
	const std::vector<unsigned char> bare = grab();
	float full = 1;
	MACIBM_show_init("", &full);
	const std::vector<unsigned char> shown = grab();
	mnw.screen_w = W;
	EXPECT_TRUE(changed(shown, &bare, 800, 0, W - 800, 40).empty()) << "the bar runs past the window";
	EXPECT_FALSE(changed(shown, &bare, 700, 0, 90, 40).empty()) << "the full bar ends short of the window's edge";
	// the maker's address reads on the light panel: dark strokes, not white ones
	int dark = 0;
	for (int y = 205; y < 222; ++y)
		for (int x = 22; x < 200; ++x) dark += at(shown, x, y)[0] + at(shown, x, y)[1] + at(shown, x, y)[2] < 300;
	EXPECT_GT(dark, 40) << "the maker's address does not show on the panel";
}

// The check boxes on bytes, the double and grid number fields, the read-only
// number and the dial: each draws, and reacts as its kind does.
TEST_F(ShellGL, ByteBoxesNumberFieldsAndTheDialDrawAndReact)
{
	mnw.open_menu = -1;
	mnw.mouse_held = 0;
	mnw.click_down = 1;
	mnw.mouse_x = 100;
	mnw.mouse_y = 50;
	char c = 0;
	EXPECT_EQ(BTN_xchr(100, 47, &c, "x"), 1);
	EXPECT_EQ(c, 1);
	unsigned char u = 7;
	EXPECT_EQ(BTN_xbyt(100, 47, &u, "x"), 1);
	EXPECT_EQ(u, 0);
	EXPECT_EQ(BTN_xbyt(100, 47, &u, "x"), 1);
	EXPECT_EQ(u, 1);

	// an untouched double keeps all its precision; a click above the last digit adds its place
	double d = 1.2345678901;
	mnw.click_down = 0;
	EXPECT_EQ(BTN_dob_range(300, 100, &d, 6, 3, 0, 999, ""), 0);
	EXPECT_EQ(d, 1.2345678901);
	mnw.click_down = 1;
	mnw.mouse_x = 355;
	mnw.mouse_y = 115;
	EXPECT_EQ(BTN_dob_range(300, 100, &d, 6, 3, 0, 999, ""), 1);
	EXPECT_NEAR(d, 1.236, 1e-6);
	mnw.click_down = 0;

	// grid fields: column 1, row 2 of 3 digits sit at (120, 125)
	clear();
	float f = 5, g = 500;
	BTN_fltij(1, 2, &f, 3, 0, 0, "");
	extent e = changed(grab(), nullptr);
	ASSERT_FALSE(e.empty());
	EXPECT_GE(e.x0, 100);
	EXPECT_LE(e.x1, 170);
	EXPECT_GE(e.y0, 100);
	EXPECT_LE(e.y1, 150);
	BTN_flt_rangeij(1, 2, &g, 3, 0, 0, 100, "");
	EXPECT_EQ(g, 100);	// clamped into its range

	// the read-only number takes no focus and no click
	clear();
	const size_t ring = focus_ring.size();
	mnw.click_down = 1;
	mnw.mouse_x = 405;
	mnw.mouse_y = 53;
	BTN_display_number(400, 50, 42, 3, 0, "n");
	mnw.click_down = 0;
	EXPECT_EQ(focus_ring.size(), ring);
	EXPECT_EQ(focus_id, 0);
	EXPECT_FALSE(changed(grab(), nullptr, 395, 40, 40, 25).empty());

	// the dial turns to where the held mouse is, within 30 units of its centre
	clear();
	float heading = 0;
	mnw.mouse_held = 1;
	const struct { float dx, dy, want; } turns[] = {{20, 0, 90}, {0, -20, 180}, {-20, 0, 270}, {0, 20, 0}};
	for (const auto& t : turns) {
		mnw.mouse_x = 600 + t.dx;
		mnw.mouse_y = 100 + t.dy;
		plot_dir(600, 100, &heading, 1);
		EXPECT_NEAR(heading, t.want, 0.01) << t.dx << "," << t.dy;
	}
	mnw.mouse_x = 700;	// too far: the heading stays
	plot_dir(600, 100, &heading, 0);
	EXPECT_NEAR(heading, 0, 0.01);
	mnw.mouse_held = 0;
	EXPECT_FALSE(changed(grab(), nullptr, 570, 70, 60, 60).empty());
}
