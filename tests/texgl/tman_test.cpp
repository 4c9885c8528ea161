// Texture manager and texture objects in a real GL window (run under Xvfb).
#include <gtest/gtest.h>
#include "../support/gl_context.h"
#include "TEX_image.h"
#include "tman.h"
#include "MACIBM_mnw.h"
#include "OGL_extensions.h"
#include "colr.h"
#include <SDL2/SDL.h>
#include <GL/gl.h>
#include <cstdio>
#include <cstdlib>
#include <vector>

static const std::string res = std::string(VANTOR_BINARY_DIR) + "/Resources/";

class TexGL : public ::testing::Test {
protected:
	static TG_context    gl;
	static void SetUpTestSuite()
	{
		ASSERT_TRUE(gl.open("tex", 800, 600, false)) << gl.error;
	}
	static void TearDownTestSuite()
	{
		gl.close();
	}
};
TG_context TexGL::gl;

static void read_back(int x, int y, int w, int h, std::vector<unsigned char>& out)
{
	out.assign((size_t)w * h * 3, 0);
	glPixelStorei(GL_PACK_ALIGNMENT, 1);	// rows of 3-byte pixels are not 4-aligned
	glReadPixels(x, y, w, h, GL_RGB, GL_UNSIGNED_BYTE, out.data());
}

TEST_F(TexGL, BlankTextureAndDrawnQuadMatchTheImage)
{
	ASSERT_NE(tman.blank, nullptr);
	EXPECT_EQ(tman.blank->gl_name, 950u);
	EXPECT_EQ(tman.tex_vram(950), 12);

	ASSERT_EQ(tman.load_texture(tex_fail_alert, 410, 0x30092, tex_load_2, "RESOURCE:interface.png"), 410);
	EXPECT_EQ(tman.tex_dx_tot(410), 512);
	EXPECT_EQ(tman.tex_mode(410), TEX_RGBA);
	// Decoded into the scratch image, bottom-up: start-up reads its colours from here.
	unsigned char* scratch_swatch = scratch_array + 0x4DCFC;

	glViewport(0, 0, 256, 256);
	glMatrixMode(GL_PROJECTION);
	glLoadIdentity();
	glOrtho(0, 256, 0, 256, -1, 1);
	glMatrixMode(GL_MODELVIEW);
	glLoadIdentity();
	glClearColor(1, 0, 1, 1);
	glClear(GL_COLOR_BUFFER_BIT);
	glDisable(GL_BLEND);
	glEnable(GL_TEXTURE_2D);
	glColor4f(1, 1, 1, 1);
	tman.bind_ref(410, 0, 0);
	// Texels 256..511 across and 0..255 up, one texel a pixel.
	glBegin(GL_QUADS);
	glTexCoord2f(0.5f, 0); glVertex2f(0, 0);
	glTexCoord2f(0.5f, 0.5f); glVertex2f(0, 256);
	glTexCoord2f(1, 0.5f); glVertex2f(256, 256);
	glTexCoord2f(1, 0); glVertex2f(256, 0);
	glEnd();
	glFinish();
	std::vector<unsigned char> px;
	read_back(319 - 256, 155, 1, 1, px);
	EXPECT_NEAR(px[0], scratch_swatch[0], 1);
	EXPECT_NEAR(px[1], scratch_swatch[1], 1);
	EXPECT_NEAR(px[2], scratch_swatch[2], 1);
	// Field box at (287, 145): opaque white-ish.
	read_back(287 - 256, 145, 1, 1, px);
	EXPECT_GT(px[0], 230);

	// A missing texture binds the blank one.
	int ref = tman.load_texture(tex_fail_instl, 0, 0x12091, tex_load_2, "no/such/file.png");
	EXPECT_GE(ref, 1155);
	EXPECT_EQ(tman.tex_err(ref), 1);
	EXPECT_EQ(tman.has_instl_load_fail(), 1);
	tman.mute_instl_load_fail();
	EXPECT_EQ(tman.has_instl_load_fail(), 0);
	glClear(GL_COLOR_BUFFER_BIT);
	tman.bind_ref(ref, 0, 0);
	glBegin(GL_QUADS);
	glTexCoord2f(0, 0); glVertex2f(0, 0);
	glTexCoord2f(0, 1); glVertex2f(0, 256);
	glTexCoord2f(1, 1); glVertex2f(256, 256);
	glTexCoord2f(1, 0); glVertex2f(256, 0);
	glEnd();
	glFinish();
	read_back(100, 100, 1, 1, px);
	EXPECT_EQ(px[0], 0x82);
	EXPECT_EQ(px[1], 0x82);
	glDisable(GL_TEXTURE_2D);
}

TEST_F(TexGL, ReferencesCountsAndThePathMap)
{
	std::string a = res + "elements_English.png", b = res + "elements_French.png";
	int r1 = tman.load_texture(tex_fail_silent, 0, 0x12092, tex_load_2, a);
	int r2 = tman.load_texture(tex_fail_silent, 0, 0x12092, tex_load_2, a);
	EXPECT_EQ(r1, r2);
	EXPECT_EQ(tman.fetch_ref(r1)->refs.load(), 2);
	EXPECT_EQ(tman.tex_dx_vis(r1), 1024);
	EXPECT_EQ(tman.tex_dy_vis(r1), 128);
	int r3 = tman.load_texture(tex_fail_silent, 0, 0x12092, tex_load_2, b);
	EXPECT_EQ(r3, r1 + 1);
	EXPECT_EQ(tman.release_texture(r3), 0);
	tman.purge_unused_texes();
	EXPECT_EQ(tman.tex_exists(r3), 0);
	EXPECT_EQ(tman.load_texture(tex_fail_silent, 0, 0x12092, tex_load_2, res + "map.png"), r3);	// slot reused

	// The same path under a manual reference, then unloaded: the dynamic
	// reference keeps its path entry.
	EXPECT_EQ(tman.load_texture(tex_fail_silent, 600, 0x12092, tex_load_2, a), 600);
	tman.unload_texture(600);
	EXPECT_EQ(tman.load_texture(tex_fail_silent, 0, 0x12092, tex_load_2, a), r1);
	EXPECT_EQ(tman.fetch_ref(r1)->refs.load(), 3);

	// Reloading a manual reference with another path keeps its GL name.
	ASSERT_EQ(tman.load_texture(tex_fail_silent, 601, 0x12092, tex_load_2, a), 601);
	unsigned name = tman.fetch_ref(601)->gl_name;
	ASSERT_EQ(tman.load_texture(tex_fail_silent, 601, 0x12092, tex_load_2, b), 601);
	EXPECT_EQ(tman.fetch_ref(601)->gl_name, name);
	EXPECT_EQ(tman.ugly_reverse(tman.fetch_ref(601)), 601);
	EXPECT_EQ(tman.get_path(601), b);
	// A failed manual load gives 0 but leaves its object.
	EXPECT_EQ(tman.load_texture(tex_fail_silent, 602, 0x12092, tex_load_2, "missing.png"), 0);
	EXPECT_EQ(tman.tex_exists(602), 1);
}

TEST_F(TexGL, ScaleAndPadding)
{
	mnw.tex_res = 7;
	EXPECT_EQ(tman.scale_rat(), 1.0f);
	// A 300 x 200 picture goes up as 512 x 256, visible 300 x 200.
	std::vector<unsigned char> img(300 * 200 * 3, 90);
	std::string p = std::string(VANTOR_BINARY_DIR) + "/test_tmp/odd.png";
	system(("mkdir -p '" + std::string(VANTOR_BINARY_DIR) + "/test_tmp'").c_str());
	ASSERT_TRUE(TEX_save_png(p, {TEX_RGB, 300, 200, 0, 0}, img.data()));
	int r = tman.load_texture(tex_fail_silent, 0, 0x11, tex_load_2, p);
	EXPECT_EQ(tman.tex_dx_tot(r), 512);
	EXPECT_EQ(tman.tex_dy_tot(r), 256);
	EXPECT_EQ(tman.tex_dx_vis(r), 300);
	EXPECT_EQ(tman.tex_dy_vis(r), 200);
	// Half resolution halves the upload.
	mnw.tex_res = 4;
	int vdx, vdy, tdx, tdy;
	TEX_get_scale("x", 0, 1024, 1.0f, 1024, &vdx, &vdy, &tdx, &tdy, 2);
	EXPECT_EQ(tdx, 512);
	mnw.tex_res = 0;
	float s = TEX_get_scale("x", 0, 16, 1.0f, 16, &vdx, &vdy, &tdx, &tdy, 2);
	EXPECT_FLOAT_EQ(s, 1.0f / 16);
	mnw.tex_res = 5;
}

// Once the capability record is filled, its limits and switches hold for
// textures: a smaller texture size, hardware mipmaps switched off.
TEST_F(TexGL, CapabilityRecordAndColourTableRuleTheLoader)
{
	const OGL_extensions saved = glExt;
	glExt.max_tex_size = 64;
	glExt.automini_avail = 0;
	int vdx, vdy, tdx, tdy;
	TEX_get_scale("x", 0, 256, 1.0f, 128, &vdx, &vdy, &tdx, &tdy, 2);
	EXPECT_EQ(vdx, 64);
	EXPECT_EQ(vdy, 32);

	std::vector<unsigned char> img(32 * 32 * 3, 40);
	std::string p = std::string(VANTOR_BINARY_DIR) + "/test_tmp/mip.png";
	system(("mkdir -p '" + std::string(VANTOR_BINARY_DIR) + "/test_tmp'").c_str());
	ASSERT_TRUE(TEX_save_png(p, {TEX_RGB, 32, 32, 0, 0}, img.data()));
	int r = tman.load_texture(tex_fail_silent, 0, 0x19, tex_load_2, p);	// mipmapped
	ASSERT_GT(r, 0);
	glBindTexture(GL_TEXTURE_2D, tman.fetch_ref(r)->gl_name);
	GLint hw = -1;
	glGetTexParameteriv(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, &hw);
	EXPECT_EQ(hw, 0);
	glExt = saved;

	// The gammas are the colour table's.
	const double g = colr.gamma_screen;
	colr.gamma_screen = 2.2;
	EXPECT_DOUBLE_EQ(TEX_gamma_screen(), 2.2);
	colr.gamma_screen = g;
}

// Draws the generated art as the wizard lays it out and keeps a screenshot
// (test_tmp/art_window.png) of the window.
static void quad(float x0, float y0, float x1, float y1, float s0, float t0, float s1, float t1)
{
	glBegin(GL_QUADS);
	glTexCoord2f(s0, t0); glVertex2f(x0, y0);
	glTexCoord2f(s0, t1); glVertex2f(x0, y1);
	glTexCoord2f(s1, t1); glVertex2f(x1, y1);
	glTexCoord2f(s1, t0); glVertex2f(x1, y0);
	glEnd();
}

TEST_F(TexGL, ArtDrawnInTheWizardLayout)
{
	ASSERT_EQ(tman.load_texture(tex_fail_silent, 414, 0x12092, tex_load_2, "RESOURCE:map.png"), 414);
	ASSERT_EQ(tman.load_texture(tex_fail_silent, 415, 0x12091, tex_load_2, "RESOURCE:background.png"), 415);
	ASSERT_EQ(tman.load_texture(tex_fail_silent, 413, 0x12092, tex_load_2, "RESOURCE:elements_English.png"), 413);

	glViewport(0, 0, 800, 600);
	glMatrixMode(GL_PROJECTION);
	glLoadIdentity();
	glOrtho(0, 800, 0, 600, -1, 1);
	glMatrixMode(GL_MODELVIEW);
	glLoadIdentity();
	glEnable(GL_TEXTURE_2D);
	glEnable(GL_BLEND);
	glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
	glColor4f(1, 1, 1, 1);
	tman.bind_ref(415, 0, 0);
	quad(0, 0, 800, 600, 0, 0, 800 / 1024.0f, 600 / 1024.0f);
	// The wizard's two panels: the middle of the 41 x 41 panel piece, stretched.
	tman.bind_ref(413, 0, 0);
	quad(9, 49, 201, 504, 1002 / 1024.0f, 22 / 128.0f, 1003 / 1024.0f, 23 / 128.0f);
	quad(209, 49, 791, 504, 1002 / 1024.0f, 22 / 128.0f, 1003 / 1024.0f, 23 / 128.0f);
	// The map, some tiles available and some chosen.
	tman.bind_ref(414, 0, 0);
	quad(248, 150, 752, 402, 0, 0, 504 / 512.0f, 252 / 1024.0f);
	for (int i = 0; i < 36; ++i)
		for (int j = 0; j < 18; ++j) {
			bool avail = (j >= 9 && j <= 14 && i >= 15 && i <= 22), chosen = avail && i <= 18 && j >= 12;
			if (!avail) continue;
			float t = chosen ? 504 : 252;
			quad(248 + 14 * i, 150 + 14 * j, 262 + 14 * i, 164 + 14 * j, 14 * i / 512.0f, (14 * j + t) / 1024.0f,
			     (14 * i + 14) / 512.0f, (14 * j + t + 14) / 1024.0f);
		}
	// The bottom row of word pictures: Quit, Back, Next, in their normal band.
	tman.bind_ref(413, 0, 0);
	const int cuts[] = {0, 56, 145, 246};
	const float xs[] = {30, 580, 680};
	for (int k = 0; k < 3; ++k) {
		float w = (float)(cuts[k + 1] - cuts[k]);
		quad(xs[k] - 10, 8, xs[k] + w + 10, 38, 926 / 1024.0f, 97 / 128.0f, 974 / 1024.0f, 127 / 128.0f);
		quad(xs[k], 12, xs[k] + w, 34, cuts[k] / 1024.0f, 0.359375f, cuts[k + 1] / 1024.0f, 0.53125f);
	}
	glFinish();
	glPixelStorei(GL_PACK_ALIGNMENT, 1);
	glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, scratch_array);
	std::string dir = std::string(VANTOR_BINARY_DIR) + "/test_tmp";
	system(("mkdir -p '" + dir + "'").c_str());
	EXPECT_TRUE(write_png_to_disk(dir + "/art_window.png", 800, 600, 3));
	auto at = [](int x, int y) { return scratch_array + 3 * (y * 800 + x); };
	EXPECT_GT(at(100, 300)[0], 230);	// step-list panel: white
	EXPECT_LT(at(400, 560)[0], 160);	// sky above the panels
	const unsigned char* sea = at(248 + 7 * 14 + 7, 150 + 9 * 14 + 3);	// mid-Atlantic, background band
	EXPECT_GT(sea[2], sea[1]);
	glDisable(GL_BLEND);
	glDisable(GL_TEXTURE_2D);
}

// A file whose header declares a size no texture can hold fails its load like a
// damaged file, in silent mode without a word to the user, and the program goes on.
TEST_F(TexGL, FilesOfAnUnusableSizeFailLikeDamagedOnes)
{
	const std::string dir = std::string(VANTOR_BINARY_DIR) + "/test_tmp/texgl_sizes/";
	ASSERT_EQ(system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str()), 0);
	std::vector<unsigned char> px((size_t)4096 * 4 * 3, 0x80);
	TEX_image_desc wide = {TEX_RGB, 4096, 4, 0, 0};
	ASSERT_TRUE(TEX_save_png(dir + "wide.png", wide, px.data()));
	TEX_image_desc odd = {TEX_RGB, 12, 12, 0, 0};
	ASSERT_TRUE(TEX_save_dds(dir + "odd.dds", px.data(), odd));
	TEX_image_desc fine = {TEX_RGB, 2048, 4, 0, 0};
	ASSERT_TRUE(TEX_save_png(dir + "fine.png", fine, px.data()));

	EXPECT_EQ(tman.load_texture(tex_fail_silent, 603, 0x12091, tex_load_2, dir + "wide.png"), 0);
	EXPECT_EQ(tman.load_texture(tex_fail_silent, 604, 0x12091, tex_load_2, dir + "odd.dds"), 0);
	ASSERT_EQ(tman.load_texture(tex_fail_silent, 605, 0x12091, tex_load_2, dir + "fine.png"), 605);
	EXPECT_EQ(tman.tex_dx_vis(605), 2048);
	// a counted failure, as for a missing file
	EXPECT_EQ(tman.load_texture(tex_fail_instl, 606, 0x12091, tex_load_2, dir + "wide.png"), 0);
	EXPECT_TRUE(tman.has_instl_load_fail());
	tman.mute_instl_load_fail();
}
