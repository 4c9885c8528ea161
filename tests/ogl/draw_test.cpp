// Drawing in a real window: primitives read back pixel by pixel, and the
// state cache against what GL reports.
#include "colr.h"
#include "oglp.h"
#include "OGL_extensions.h"
#include "OGL_setstate.h"
#include "MACIBM_mnw.h"
#include "PLAT_gl.h"
#include <gtest/gtest.h>
#include <cstdlib>

struct Draw : ::testing::Test {
	void SetUp() override
	{
		const char* d = getenv("DISPLAY");
		if (!d || !*d) GTEST_SKIP() << "no display";
		ASSERT_TRUE(PLAT_window_open(0, "draw test", 0, 0, 200, 100, 0, 24, 0));
		// one context for the run: the state cache belongs to one context
		static void* c = PLAT_gl_create_context(0, nullptr);
		ASSERT_NE(c, nullptr);
		ASSERT_TRUE(PLAT_gl_make_current(0, c));
		mnw.screen_w = 200;
		mnw.screen_h = 100;
		mnw.current_window = 0;
		mnw.origin_x = mnw.origin_y = 0;
		ren.alpha_mult = 1;
		ren.tex_units = 2;
		OGL_pix_specs(0);
		glClearColor(0, 0, 0, 1);
		glClear(GL_COLOR_BUFFER_BIT);
		glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
	}
	// RGB at window pixel (x, y), origin lower left.
	static void px(int x, int y, int* out)
	{
		unsigned char p[4];
		glReadBuffer(GL_BACK);
		glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
		for (int i = 0; i < 3; ++i) out[i] = p[i];
	}
	static int lit_count(int x0, int y0, int w, int h)
	{
		std::vector<unsigned char> p((size_t)w * h * 4);
		glReadPixels(x0, y0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
		int n = 0;
		for (size_t i = 0; i < p.size(); i += 4) n += (p[i] | p[i + 1] | p[i + 2]) ? 1 : 0;
		return n;
	}
};

TEST_F(Draw, FillrectInColourIdAtTheWindowOrigin)
{
	colr.assign(60, 1, 0.2f, 0.2f);
	OGL_fillrect(60, 1, 10, 10, 20, 20);
	int c[3];
	px(15, 15, c);
	EXPECT_EQ(c[0], 255);
	EXPECT_NEAR(c[1], 51, 1);
	px(35, 15, c);
	EXPECT_EQ(c[0], 0);
	EXPECT_EQ(lit_count(0, 0, 200, 100), 400);

	// a dialog origin moves everything drawn
	mnw.origin_x = 100;
	mnw.origin_y = 50;
	OGL_fillrect(59, 1, 0, 0, 5, 5);
	px(102, 52, c);
	EXPECT_EQ(c[1], 255);
	EXPECT_EQ(c[0], 0);
}

TEST_F(Draw, InterfaceLightTintsLowIdsOnly)
{
	colr.assign(48, 1, 1, 1);
	colr.assign(49, 1, 1, 1);
	colr.lite[0] = colr.lite[2] = colr.lite[4] = 0.5f;
	OGL_fillrect(48, 1, 0, 0, 10, 10);
	OGL_fillrect(49, 1, 20, 0, 10, 10);
	colr.lite[0] = colr.lite[2] = colr.lite[4] = 1;
	int a[3], b[3];
	px(5, 5, a);
	px(25, 5, b);
	EXPECT_NEAR(a[0], 128, 1);
	EXPECT_EQ(b[0], 255);
}

TEST_F(Draw, AlphaBlendsAndAlphaMultScalesIt)
{
	OGL_fillrect(0, 0.5f, 0, 0, 10, 10);
	int c[3];
	px(5, 5, c);
	EXPECT_NEAR(c[0], 128, 2);
	ren.alpha_mult = 0.5f;
	OGL_fillrect(0, 1, 20, 0, 10, 10);
	ren.alpha_mult = 1;
	px(25, 5, c);
	EXPECT_NEAR(c[0], 128, 2);
}

TEST_F(Draw, OutlinesLinesAndCorners)
{
	OGL_framerect(0, 1, 10, 10, 10, 10);
	EXPECT_EQ(lit_count(10, 10, 11, 11), 40);	// the 11 x 11 ring of pixels 10..20
	EXPECT_EQ(lit_count(11, 11, 9, 9), 0);
	glClear(GL_COLOR_BUFFER_BIT);
	OGL_line(0, 1, 50, 50, 59, 50);
	EXPECT_GE(lit_count(50, 50, 10, 1), 9);
	EXPECT_EQ(lit_count(50, 51, 10, 1), 0);
	glClear(GL_COLOR_BUFFER_BIT);
	colr.assign(12, 1, 1, 1);
	OGL_grayrect(10, 10, 20, 20, 1);	// two corners, not a size
	colr.assign(12, 0, 0, 0);
	EXPECT_EQ(lit_count(0, 0, 200, 100), 100);
	glClear(GL_COLOR_BUFFER_BIT);
	OGL_fillrect(0, 1, 30, 30, -10, -10);	// mirrored, not clamped
	EXPECT_EQ(lit_count(0, 0, 200, 100), 100);
}

TEST_F(Draw, ScissorsWithNoSizeDrawNothing)
{
	OGL_scissors(10, 10, 0, 50);
	OGL_fillrect(0, 1, 0, 0, 200, 100);
	OGL_scissors_end();
	EXPECT_EQ(lit_count(0, 0, 200, 100), 0);
	OGL_scissors(10, 10, 5, 5);
	OGL_fillrect(0, 1, 0, 0, 200, 100);
	OGL_scissors_end();
	EXPECT_EQ(lit_count(0, 0, 200, 100), 25);
}

TEST_F(Draw, CirclesAndArcs)
{
	colr_fill_trig_tables();
	OGL_fillcircle(0, 50, 50, 10);
	int n = lit_count(0, 0, 200, 100);
	EXPECT_GT(n, 250);	// about pi r^2
	EXPECT_LT(n, 400);
	glClear(GL_COLOR_BUFFER_BIT);
	OGL_arc(0, 100, 50, 10, 20, 90, 10);	// from past to: empty
	EXPECT_EQ(lit_count(0, 0, 200, 100), 0);
	OGL_arc(0, 100, 50, 10, 20, 0, 90);	// clockwise from up: the upper right quarter ring
	int c[3];
	px(100 + 10, 50 + 10, c);
	EXPECT_EQ(c[0], 255);
	px(100 - 10, 50 + 10, c);
	EXPECT_EQ(c[0], 0);
	glClear(GL_COLOR_BUFFER_BIT);
	OGL_framecircle(0, 50, 50, 20);
	px(50, 50, c);
	EXPECT_EQ(c[0], 0);
	EXPECT_GT(lit_count(0, 0, 200, 100), 100);
}

TEST_F(Draw, BackgroundFillsTheWholeWindowWhateverTheOrigin)
{
	colr.assign(37, 0, 0, 1);
	mnw.origin_x = 40;
	mnw.origin_y = 20;
	OGL_plot_back_col();
	EXPECT_EQ(lit_count(0, 0, 200, 100), 200 * 100);
}

TEST_F(Draw, StateCacheWalksTextureUnits)
{
	OGL_setstate(fog_fals, 4, lit_fals, al_none, deR_fals, deW_fals);
	EXPECT_EQ(num_units, 2);	// clamped to the driver's units
	GLint active = 0;
	glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
	EXPECT_EQ(active, GL_TEXTURE0);
	glActiveTexture(GL_TEXTURE1);
	EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
	glActiveTexture(GL_TEXTURE0);
	EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));

	OGL_setstate(fog_fals, 0, lit_fals, al_none, deR_fals, deW_fals);
	EXPECT_EQ(num_units, 0);
	EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
	glActiveTexture(GL_TEXTURE1);
	EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
	glActiveTexture(GL_TEXTURE0);

	OGL_setstate(fog_fals, -3, lit_fals, al_none, deR_fals, deW_fals);
	EXPECT_EQ(num_units, 0);
}

TEST_F(Draw, StateCacheSwitchesOnlyWhatDiffers)
{
	OGL_setstate(fog_true, 0, lit_true, al_both, deR_true, deW_true);
	EXPECT_TRUE(glIsEnabled(GL_FOG));
	EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
	EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
	EXPECT_TRUE(glIsEnabled(GL_BLEND));
	EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
	EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
	GLboolean mask = GL_FALSE;
	glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
	EXPECT_TRUE(mask);

	// a stray alpha mode leaves GL alone but forgets blending
	OGL_setstate(7, 0, 99, 42, deR_fals, deW_fals);
	EXPECT_FALSE(glIsEnabled(GL_FOG));	// neither 0 nor 1: disable
	EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
	EXPECT_TRUE(glIsEnabled(GL_BLEND));
	glDisable(GL_BLEND);
	OGL_setstate(fog_fals, 0, lit_fals, al_blend, deR_fals, deW_fals);
	EXPECT_TRUE(glIsEnabled(GL_BLEND));
	EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));	// forgotten as off, so left as it was
	EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
}
