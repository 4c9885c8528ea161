// The background picture's tiles and the screenshot writer in a real GL
// window (run under Xvfb), each in a folder of its own.
#include <gtest/gtest.h>
#include "../support/gl_context.h"
#include "OGL_back_tex.h"
#include "OGL_extensions.h"
#include "TEX_image.h"
#include "tman.h"
#include "colr.h"
#include "oglp.h"
#include "MACIBM_mnw.h"
#include <SDL2/SDL.h>
#include <GL/gl.h>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

class BackTexGL : public ::testing::Test {
protected:
	static TG_context    gl;
	std::string          was, dir;

	static void SetUpTestSuite()
	{
		ASSERT_TRUE(gl.open("back", 1024, 768, false)) << gl.error;
	}
	static void TearDownTestSuite()
	{
		gl.close();
	}
	void SetUp() override
	{
		char cwd[4096];
		ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
		was = cwd;
		dir = std::string(VANTOR_BINARY_DIR) + "/test_tmp/" +
		      ::testing::UnitTest::GetInstance()->current_test_info()->name();
		ASSERT_EQ(system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str()), 0);
		ASSERT_EQ(chdir(dir.c_str()), 0);
		mnw.screen_w = 1024;
		mnw.screen_h = 768;
		mnw.origin_x = mnw.origin_y = 0;
		ren.alpha_mult = 1;
		ren.tex_units = 2;
		mnw.current_window = 0;
		OGL_pix_specs(0);	// one unit a pixel over the whole window
		glClearColor(0, 0, 0, 1);
		glClear(GL_COLOR_BUFFER_BIT);
	}
	void TearDown() override
	{
		EXPECT_EQ(chdir(was.c_str()), 0);
		if (!HasFailure()) {
			EXPECT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
		}
	}
	static std::vector<unsigned char> read_rgb(int w, int h)
	{
		std::vector<unsigned char> p((size_t)w * h * 3);
		glPixelStorei(GL_PACK_ALIGNMENT, 1);
		glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, p.data());
		return p;
	}
};
TG_context BackTexGL::gl;

// Every pixel tells where it is: low bytes of x and y, and their high bits.
static void write_picture()
{
	std::vector<unsigned char> px((size_t)2048 * 2048 * 4);
	for (int y = 0; y < 2048; ++y)
		for (int x = 0; x < 2048; ++x) {
			unsigned char* p = &px[((size_t)y * 2048 + x) * 4];
			p[0] = (unsigned char)x;
			p[1] = (unsigned char)y;
			p[2] = (unsigned char)(((x >> 8) << 4) | (y >> 8));
			p[3] = 255;
		}
	ASSERT_EQ(mkdir("Resources", 0755), 0);
	ASSERT_EQ(mkdir("Resources/bitmaps", 0755), 0);
	TEX_image_desc d = {TEX_RGBA, 2048, 2048, 0, 0};
	ASSERT_TRUE(TEX_save_png("Resources/bitmaps/intro.png", d, px.data()));
}

TEST_F(BackTexGL, TilesLandWhereThePictureSays)
{
	write_picture();
	colr.assign(0, 1, 1, 1);
	colr.lite[0] = colr.lite[2] = colr.lite[4] = 1;
	mnw.current_window = -1;
	OGL_make_back_tex();
	for (int ref = 447; ref <= 462; ++ref) {
		ASSERT_TRUE(tman.tex_exists(ref)) << ref;
		EXPECT_EQ(tman.tex_dx_tot(ref), 512);
	}
	EXPECT_FALSE(tman.tex_exists(463));
	// The scratch image keeps the decoded picture, rows 2048 apart: the reference.
	auto pic = [](int x, int y) { return scratch_array + ((size_t)y * 2048 + x) * 4; };

	// Start-up: the window shows the picture from column 1024 and row 768.
	OGL_plot_back_tex();
	glFinish();
	std::vector<unsigned char> s = read_rgb(1024, 768);
	int bad = 0;
	for (int y = 0; y < 768; y += 7)
		for (int x = 0; x < 1024; x += 5) {
			const unsigned char* p = &s[((size_t)y * 1024 + x) * 3];
			const unsigned char* q = pic(x + 1024, y + 768);
			bad += p[0] != q[0] || p[1] != q[1] || p[2] != q[2];
		}
	EXPECT_EQ(bad, 0);
	const unsigned char* corner = &s[((size_t)767 * 1024 + 1023) * 3];
	EXPECT_EQ(0, memcmp(corner, pic(2047, 1535), 3));
	EXPECT_EQ(0, memcmp(&s[0], pic(1024, 768), 3));

	// In the window: the picture from its lower-left corner.
	mnw.current_window = 0;
	glClear(GL_COLOR_BUFFER_BIT);
	OGL_plot_back_tex();
	glFinish();
	s = read_rgb(1024, 768);
	for (int y : {0, 255, 511, 512, 767})
		for (int x : {0, 511, 512, 1023})
			EXPECT_EQ(0, memcmp(&s[((size_t)y * 1024 + x) * 3], pic(x, y), 3)) << x << "," << y;

	// Building again after start-up cuts nothing new and keeps the tiles.
	OGL_make_back_tex();
	EXPECT_TRUE(tman.tex_exists(462));
}

TEST_F(BackTexGL, ScreenshotsAreNumberedAndHoldTightRows)
{
	// 1021 columns: rows of 3063 bytes, not a multiple of 4.
	mnw.screen_w = 1021;
	mnw.screen_h = 700;
	colr.assign(60, 0, 1, 0);
	colr.assign(61, 1, 0, 0);
	OGL_fillrect(61, 1, 0, 0, 1021, 700);
	OGL_fillrect(60, 1, 500, 300, 10, 10);
	glFinish();
	OGL_screenshot(0);
	EXPECT_FALSE(access("screenshot_0.png", F_OK) == 0);
	auto at = [](int x, int y) { return scratch_array + ((size_t)y * 1021 + x) * 3; };
	EXPECT_EQ(at(505, 305)[1], 255);
	EXPECT_EQ(at(505, 305)[0], 0);
	EXPECT_EQ(at(499, 305)[0], 255);
	EXPECT_EQ(at(1020, 699)[0], 255);

	OGL_screenshot(1);
	OGL_screenshot(1);
	ASSERT_EQ(access("screenshot_0.png", F_OK), 0);
	ASSERT_EQ(access("screenshot_1.png", F_OK), 0);
	// A name already taken is passed over.
	FILE* f = fopen("screenshot_2.png", "wb");
	ASSERT_NE(f, nullptr);
	fclose(f);
	OGL_screenshot(1);
	ASSERT_EQ(access("screenshot_3.png", F_OK), 0);

	unsigned char* px = nullptr;
	TEX_image_desc d = {TEX_RGB, 0, 0, 0, 0};
	ASSERT_TRUE(TEX_load_any("screenshot_1.png", px, TEX_RGB, 0, 0, d));
	EXPECT_EQ(d.width, 1021);
	EXPECT_EQ(d.height, 700);
	const unsigned char* g = px + ((size_t)305 * 1021 + 505) * 3;
	EXPECT_GT(g[1], 250);
	EXPECT_LT(g[0], 5);
	const unsigned char* r = px + ((size_t)310 * 1021 + 505) * 3;
	EXPECT_GT(r[0], 250);
	free(px);
}
