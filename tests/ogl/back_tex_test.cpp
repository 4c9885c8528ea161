// The background picture's placement and the screenshot block, without a
// display; a missing picture is fatal.
#include <gtest/gtest.h>
#include "OGL_back_tex.h"
#include "MACIBM_mnw.h"
#include "UTL_cmdline.h"
#include "UTL_log.h"
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

static std::string refs_of(const OGL_back_quad* q, int n)
{
	std::string s;
	for (int i = 0; i < n; ++i) s += std::to_string(q[i].ref) + " ";
	return s;
}

TEST(BackTexLayout, StartUpWindowShowsTheTopRightOfThePicture)
{
	float box[4];
	OGL_back_quad q[16];
	// 1024 x 768 at start-up with a 2048 picture.
	int n = OGL_back_tex_layout(-1, 1024, 768, 0, 2048, 2048, box, q);
	EXPECT_EQ(box[0], -1024);
	EXPECT_EQ(box[1], 1024);
	EXPECT_EQ(box[2], -768);
	EXPECT_EQ(box[3], 1280);
	// Only bands 1 and 2, columns 2 and 3, reach into the window; edges that touch it do not count.
	EXPECT_EQ(refs_of(q, n), "453 454 457 458 ");
	EXPECT_EQ(q[0].x1, 0);
	EXPECT_EQ(q[0].y1, -256);
	EXPECT_EQ(q[3].x2, 1024);
	EXPECT_EQ(q[3].y2, 768);

	// A window larger than the picture: the picture's right edge is the window's.
	n = OGL_back_tex_layout(-1, 2560, 1600, 0, 2048, 2048, box, q);
	EXPECT_EQ(box[0], 0);
	EXPECT_EQ(box[1], 2048);
	EXPECT_EQ(box[3], 2048);	// 1600 + 448
	EXPECT_EQ(n, 16);

	// In a window: from the content area's left edge, bottom at 0.
	n = OGL_back_tex_layout(0, 1280, 1024, 128, 2048, 2048, box, q);
	EXPECT_EQ(box[0], 128);
	EXPECT_EQ(box[3], 2048);
	EXPECT_EQ(refs_of(q, n), "447 448 449 451 452 453 ");

	// Nothing loaded: nothing drawn.
	EXPECT_EQ(OGL_back_tex_layout(-1, 1024, 768, 0, 0, 0, box, q), 0);
}

TEST(BackTexLayout, ScreenshotBlockIsCentredAndAtMost2048)
{
	int x, y, w, h;
	OGL_screenshot_block(2560, 1440, x, y, w, h);
	EXPECT_EQ(x, 256);
	EXPECT_EQ(w, 2048);
	EXPECT_EQ(y, 0);
	EXPECT_EQ(h, 1440);
	OGL_screenshot_block(1021, 3000, x, y, w, h);
	EXPECT_EQ(x, 0);
	EXPECT_EQ(w, 1021);
	EXPECT_EQ(y, 476);
	EXPECT_EQ(h, 2048);
	OGL_screenshot_block(-5, 0, x, y, w, h);
	EXPECT_EQ(w, 0);
	EXPECT_EQ(h, 0);
}

TEST(BackTexLayout, MissingPictureIsFatalAndNamesTheFile)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	// A fixed folder: the death test's child runs this body again and must find the same one.
	std::string dir = std::string(VANTOR_BINARY_DIR) + "/test_tmp/back_tex_missing", log = dir + "/log.txt";
	ASSERT_EQ(system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str()), 0);
	char cwd[4096];
	ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
	std::string was = cwd;
	ASSERT_EQ(chdir(dir.c_str()), 0);
	UTL_cmdline::add_one("--fps_test", "");
	mnw.current_window = -1;
	EXPECT_EXIT(
		{
			xer.open(log, std::ios::out | std::ios::trunc);
			OGL_make_back_tex();
		},
		::testing::ExitedWithCode(1), "");
	std::ifstream in(log);
	std::stringstream text;
	text << in.rdbuf();
	EXPECT_NE(text.str().find("Trying to load a texture that you do not have!\n"
	                          "This smacks of a mis-installed copy of Vantor!\n"
	                          "Get a new download from "),
	          std::string::npos)
		<< text.str();
	EXPECT_NE(text.str().find(". The missing file is:\nResources/bitmaps/intro.png\n"), std::string::npos);
	EXPECT_EQ(chdir(was.c_str()), 0);
	EXPECT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
}
