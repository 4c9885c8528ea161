// Render targets in a real GL window (run under Xvfb): drawing lands in the
// texture through a framebuffer object, or through the back buffer and a copy.
#include <gtest/gtest.h>
#include "../support/gl_context.h"
#include "OGL_fbo.h"
#include "OGL_extensions.h"
#include "TEX_image.h"
#include "TEX_obj.h"
#include "UTL_cmdline.h"
#include "UTL_stat.h"
#include "tman.h"
#include "MACIBM_mnw.h"
#include <GL/gl.h>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

enum { W = 200, H = 100 };

class FboGL : public ::testing::Test {
protected:
	static TG_context gl;
	int               had_fbo = 0;

	static void SetUpTestSuite()
	{
		UTL_cmdline::add_one("--fps_test", "");
		ASSERT_TRUE(gl.open("fbo", W, H)) << gl.error;
	}
	static void TearDownTestSuite() { gl.close(); }
	void SetUp() override
	{
		if (!gl.ctx) GTEST_SKIP() << "no GL window";
		had_fbo = glExt.framebuf_avail;
		mnw.screen_w = W;
		mnw.screen_h = H;
		mnw.content_x = 7;
		mnw.viewport[0] = mnw.viewport[1] = 0;
		mnw.viewport[2] = W;
		mnw.viewport[3] = H;
		glViewport(0, 0, W, H);
		glClearColor(0, 0, 0, 1);
		glClear(GL_COLOR_BUFFER_BIT);
	}
	void TearDown() override { glExt.framebuf_avail = had_fbo; }

	static void clear_to(float r, float g, float b)
	{
		glClearColor(r, g, b, 1);
		glClear(GL_COLOR_BUFFER_BIT);
		glClearColor(0, 0, 0, 1);
	}
	// RGBA of one texel of a manager texture at a mip level.
	static std::vector<unsigned char> texel(int ref, int level, int x, int y)
	{
		TEX_obj* o = tman.fetch_ref(ref);
		EXPECT_NE(o, nullptr);
		if (!o) return {0, 0, 0, 0};
		GLint w = 0, h = 0;
		glBindTexture(GL_TEXTURE_2D, o->gl_name);
		glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
		glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
		std::vector<unsigned char> all((size_t)w * h * 4 + 4);
		glPixelStorei(GL_PACK_ALIGNMENT, 1);
		glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, all.data());
		TEX_reset_bind();
		const unsigned char* p = &all[((size_t)y * w + x) * 4];
		return {p[0], p[1], p[2], p[3]};
	}
	static int window_red(int x, int y)
	{
		unsigned char p[4];
		glReadBuffer(GL_BACK);
		glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
		return p[0];
	}
};
TG_context FboGL::gl;

TEST_F(FboGL, DrawsIntoTheTextureAndPreparesOnlyWhenTheSizeChanges)
{
	ASSERT_TRUE(glExt.framebuf_avail);
	OGL_framebuffer fb(600, 2 | 0x10, 1, 64, 64, 0, 0, "test target");
	EXPECT_NE(fb.framebuffer, 0u);
	EXPECT_NE(fb.depth_rb, 0u);
	EXPECT_EQ(fb.depth_stencil_rb, 0u);

	fb.begin_render(1);
	// the window record describes the target while it is drawn
	EXPECT_EQ(mnw.screen_w, 64);
	EXPECT_EQ(mnw.screen_h, 64);
	EXPECT_EQ(mnw.viewport[2], 64);
	EXPECT_EQ(mnw.content_x, 0);
	EXPECT_EQ(tman.tex_dx_tot(600), 64);
	glViewport(0, 0, 64, 64);
	clear_to(1, 0, 0);
	fb.end_render();
	EXPECT_EQ(mnw.screen_w, W);
	EXPECT_EQ(mnw.screen_h, H);
	EXPECT_EQ(mnw.viewport[2], W);
	EXPECT_EQ(mnw.content_x, 7);
	GLint bound = -1;
	glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
	EXPECT_EQ(bound, 0);
	EXPECT_EQ(window_red(10, 10), 0) << "the window is untouched";
	auto t = texel(600, 0, 63, 63);
	EXPECT_EQ(t[0], 255);
	EXPECT_EQ(t[1], 0);

	// a reload would bring the scratch image's green into the texture
	memset(scratch_array, 0, 64 * 64 * 4);
	for (int i = 0; i < 64 * 64; ++i) scratch_array[i * 4 + 1] = 255, scratch_array[i * 4 + 3] = 255;
	fb.begin_render(1);
	fb.end_render();
	EXPECT_EQ(texel(600, 0, 5, 5)[0], 255) << "same size: not loaded again";

	fb.set_render_size(32, 32);
	fb.begin_render(1);
	EXPECT_EQ(mnw.screen_w, 32);
	fb.end_render();
	EXPECT_EQ(tman.tex_dx_tot(600), 32);
	t = texel(600, 0, 5, 5);
	EXPECT_EQ(t[0], 0);
	EXPECT_EQ(t[1], 255) << "new size: loaded and attached again";
	EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(FboGL, MipmapsAreMadeAfterAFramebufferPass)
{
	OGL_framebuffer fb(601, 2 | 0x8, 0, 16, 16, 0, 0, "mips");
	fb.begin_render(1);
	glViewport(0, 0, 16, 16);
	clear_to(0, 0, 1);
	fb.end_render();
	EXPECT_EQ(texel(601, 2, 1, 1)[2], 255) << "level 2 carries the colour";
}

TEST_F(FboGL, DepthTargetDrawsNoColourAndDumpsItsAttachments)
{
	OGL_framebuffer fb(602, 6, 0, 32, 32, 0, 0, "shadow");
	fb.begin_render(1);
	GLint draw = -1, read = -1;
	glGetIntegerv(GL_DRAW_BUFFER, &draw);
	glGetIntegerv(GL_READ_BUFFER, &read);
	EXPECT_EQ(draw, GL_NONE);
	EXPECT_EQ(read, GL_NONE);
	std::ostringstream dump;
	OGL_dump_framebuffer(dump, fb.framebuffer, fb.name);
	fb.end_render();
	const std::string s = dump.str();
	const std::string tex = std::to_string(tman.fetch_ref(602)->gl_name);
	EXPECT_NE(s.find("Info for FBO: " + std::to_string(fb.framebuffer) + " (shadow)\n"), std::string::npos) << s;
	EXPECT_NE(s.find("   Attachment GL_COLOR_ATTACHMENT0_EXT: 0\n"), std::string::npos) << s;
	EXPECT_NE(s.find("   Attachment GL_DEPTH_ATTACHMENT_EXT: GL_TEXTURE " + tex + "\n       Mip level 0: 32 x 32"),
	          std::string::npos) << s;

	std::ostringstream none;
	OGL_dump_framebuffer(none, 0, "screen");
	EXPECT_EQ(none.str(), "FBO screen ID: 0 is not a real FBO object.\n");
}

TEST_F(FboGL, CopyPathFitsTheScreenAndCopiesTheBackBuffer)
{
	glExt.framebuf_avail = 0;
	OGL_framebuffer fb(603, 2, 1, 512, 256, 0, 0, "copy");
	EXPECT_EQ(fb.framebuffer, 0u);
	EXPECT_EQ(fb.depth_rb, 0u);
	const float before = g_fbo_flushes.value;
	fb.begin_render(1);	// asked for, but not there: the copy is taken silently
	EXPECT_EQ(mnw.screen_w, 128);	// 512 -> 256 -> 128 fits 200
	EXPECT_EQ(mnw.screen_h, 64);	// 256 -> 128 -> 64 fits 100
	EXPECT_EQ(tman.tex_dx_tot(603), 128);
	EXPECT_EQ(tman.tex_dy_tot(603), 64);
	glViewport(0, 0, 128, 64);
	clear_to(0, 1, 0);
	fb.end_render();
	EXPECT_EQ(g_fbo_flushes.value, before + 1);
	EXPECT_EQ(mnw.screen_w, W);
	auto t = texel(603, 0, 127, 63);
	EXPECT_EQ(t[0], 0);
	EXPECT_EQ(t[1], 255);

	// the framebuffer path counts too
	glExt.framebuf_avail = had_fbo;
	OGL_framebuffer f2(604, 2, 0, 8, 8, 0, 0, "count");
	f2.begin_render(1);
	f2.end_render();
	EXPECT_EQ(g_fbo_flushes.value, before + 2);
	EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}
