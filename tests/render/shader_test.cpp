// GLSL programs in a real GL window (run under Xvfb), from shader files
// written into a scratch folder's "Resources/shaders/".
#include <gtest/gtest.h>
#include "../support/gl_context.h"
#include "OGL_shader.h"
#include "OGL_extensions.h"
#include "UTL_alert.h"
#include "UTL_cmdline.h"
#include "UTL_log.h"
#include <GL/gl.h>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

enum { W = 64, H = 64 };

static const char* kVert = "void main() { gl_Position = ftransform(); }\n";

class ShaderGL : public ::testing::Test {
protected:
	static TG_context gl;
	std::string       was, dir;

	static void SetUpTestSuite()
	{
		UTL_cmdline::add_one("--fps_test", "");
		ASSERT_TRUE(gl.open("shader", W, H)) << gl.error;
	}
	static void TearDownTestSuite() { gl.close(); }
	void SetUp() override
	{
		if (!gl.ctx) GTEST_SKIP() << "no GL window";
		if (!glExt.glsl_avail) GTEST_SKIP() << "no GLSL";
		char cwd[4096];
		ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
		was = cwd;
		dir = std::string(VANTOR_BINARY_DIR) + "/test_tmp/shader_" +
		      ::testing::UnitTest::GetInstance()->current_test_info()->name();
		ASSERT_EQ(system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "/Resources/shaders'").c_str()), 0);
		ASSERT_EQ(chdir(dir.c_str()), 0);
		xer.open((dir + "/log.txt").c_str());
		write("plain.vert", kVert);
		TG_context::pixel_ortho(W, H);
		glDisable(GL_TEXTURE_2D);
		glDisable(GL_BLEND);
		glClearColor(0, 0, 0, 1);
		glClear(GL_COLOR_BUFFER_BIT);
	}
	void TearDown() override
	{
		if (dir.empty()) return;
		OGL_shader::unbind_shaders();
		xer.close();
		EXPECT_EQ(chdir(was.c_str()), 0);
		if (!HasFailure()) {
			EXPECT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
		}
	}
	static void write(const std::string& name, const std::string& text)
	{
		std::ofstream(("Resources/shaders/" + name).c_str()) << text;
	}
	// by full path: a death test's child makes the folder anew
	std::string log_text()
	{
		xer.flush();
		std::ifstream f((dir + "/log.txt").c_str());
		std::stringstream s;
		s << f.rdbuf();
		return s.str();
	}
	// Fills the window with white through whatever program is bound; the centre pixel.
	static std::vector<int> draw()
	{
		glColor4f(1, 1, 1, 1);
		glBegin(GL_QUADS);
		glVertex2f(0, 0);
		glVertex2f(W, 0);
		glVertex2f(W, H);
		glVertex2f(0, H);
		glEnd();
		unsigned char p[4];
		glReadBuffer(GL_BACK);
		glReadPixels(W / 2, H / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
		return {p[0], p[1], p[2]};
	}
	static GLint current_program()
	{
		GLint p = -1;
		glGetIntegerv(GL_CURRENT_PROGRAM, &p);
		return p;
	}
};
TG_context ShaderGL::gl;

TEST_F(ShaderGL, CompilesWithPrefixAndPlatformDefinesAndCachesUniforms)
{
	write("tint.frag",
	      "uniform vec4 tint;\n"
	      "void main() {\n"
	      "#if APL && !IBM && !LIN && defined(LIMITED) && GSHADER_UNSET == 0\n"
	      "  gl_FragColor = vec4(tint.r, GREEN, tint.b, 1.0);\n"
	      "#else\n"
	      "  gl_FragColor = vec4(1.0);\n"
	      "#endif\n"
	      "}\n");
	const char* names[] = {"tint", "not_there", nullptr};
	OGL_shader s("plain.vert", nullptr, "tint.frag", "#define GREEN 1.0\n#define GSHADER_UNSET 0\n", names);
	EXPECT_EQ(s.vertex_path, "Resources/shaders/plain.vert");
	EXPECT_EQ(s.geometry_path, "");
	EXPECT_EQ(s.geometry_obj, 0u);
	EXPECT_EQ(OGL_shader::shaders.count(&s), 1u);
	EXPECT_GE(s.get_uniform_loc(0), 0);
	EXPECT_EQ(s.get_uniform_loc(1), -1);
	EXPECT_THROW(s.get_uniform_loc(2), std::out_of_range);

	s.bind();
	EXPECT_EQ(OGL_shader::current_shader, &s);
	EXPECT_EQ(current_program(), (GLint)s.program);
	glExt.glUniform4fARB(s.get_uniform_loc(0), 1, 0, 0.5f, 1);
	auto c = draw();
	EXPECT_EQ(c[0], 255);
	EXPECT_EQ(c[1], 255);
	EXPECT_NEAR(c[2], 128, 1);

	OGL_shader::unbind_shaders();
	EXPECT_EQ(current_program(), 0);
	EXPECT_EQ(OGL_shader::current_shader, nullptr);
	EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(ShaderGL, EmptyPrefixAndTheStringConstructor)
{
	write("noprefix.frag",
	      "void main() { gl_FragColor = vec4(0.0, 0.0, 1.0, 1.0); }\n");
	OGL_shader a("plain.vert", "", "noprefix.frag", "", std::vector<std::string>{"none"});
	EXPECT_EQ(a.prefix, "// no prefix\n");
	EXPECT_EQ(a.geometry_path, "") << "an empty name is no geometry stage";
	EXPECT_EQ(a.get_uniform_loc(0), -1);
	a.bind();
	EXPECT_EQ(draw()[2], 255);
}

TEST_F(ShaderGL, BindingTheCurrentProgramAgainCallsNothing)
{
	write("red.frag", "void main() { gl_FragColor = vec4(1.0, 0.0, 0.0, 1.0); }\n");
	OGL_shader s("plain.vert", nullptr, "red.frag", nullptr, nullptr);
	s.bind();
	glExt.glUseProgramObjectARB(0);	// switched behind its back
	s.bind();
	EXPECT_EQ(current_program(), 0) << "still thought current: no call";
	OGL_shader::unbind_shaders();
	s.bind();
	EXPECT_EQ(current_program(), (GLint)s.program);
	EXPECT_EQ(draw()[0], 255);
}

TEST_F(ShaderGL, DestroyingTheCurrentProgramLeavesNothingBound)
{
	write("red.frag", "void main() { gl_FragColor = vec4(1.0, 0.0, 0.0, 1.0); }\n");
	{
		OGL_shader s("plain.vert", nullptr, "red.frag", nullptr, nullptr);
		s.bind();
	}
	EXPECT_EQ(OGL_shader::current_shader, nullptr);
	EXPECT_TRUE(OGL_shader::shaders.empty());
	EXPECT_EQ(current_program(), 0);
	OGL_shader t("plain.vert", nullptr, "red.frag", nullptr, nullptr);
	t.bind();	// even at the old address it is bound for real
	EXPECT_EQ(current_program(), (GLint)t.program);
}

TEST_F(ShaderGL, ConditionalBuildsAVariantOnFirstBind)
{
	write("pick.frag",
	      "uniform float level;\n"
	      "void main() {\n"
	      "#if COLOUR == 0\n  gl_FragColor = vec4(level, 0.0, 0.0, 1.0);\n"
	      "#elif COLOUR == 1\n  gl_FragColor = vec4(0.0, level, 0.0, 1.0);\n"
	      "#else\n  gl_FragColor = vec4(0.0, 0.0, level, 1.0);\n#endif\n"
	      "#if BRIGHT\n  gl_FragColor.a = 1.0;\n#endif\n"
	      "}\n");
	const char* uniforms[] = {"level", nullptr};
	const char* flags[] = {"COLOUR", "BRIGHT", nullptr};
	const int   radices[] = {3, 2};
	OGL_shader_conditional c("plain.vert", nullptr, "pick.frag", uniforms, flags, radices, "// base\n");
	const int green[] = {1, 1};
	const int id = c.id_from_flags(green);
	EXPECT_EQ(id, 4);
	c.bind(id);
	ASSERT_NE(c.variants[4], nullptr);
	for (int i = 0; i < 6; ++i)
		if (i != 4) {
			EXPECT_EQ(c.variants[i], nullptr);
		}
	EXPECT_EQ(c.variants[4]->prefix, "// base\n#define COLOUR 1\n#define BRIGHT 1\n");
	EXPECT_EQ(OGL_shader::current_shader, c.variants[4]);
	glExt.glUniform1fARB(c.get_uniform_loc(4, 0), 1.0f);
	auto px = draw();
	EXPECT_EQ(px[0], 0);
	EXPECT_EQ(px[1], 255);
	c.bind(2);
	glExt.glUniform1fARB(c.get_uniform_loc(2, 0), 1.0f);
	EXPECT_EQ(draw()[2], 255);
	EXPECT_EQ(OGL_shader::shaders.size(), 2u);
}

TEST_F(ShaderGL, ReloadPicksUpEditedFiles)
{
	write("edit.frag", "void main() { gl_FragColor = vec4(1.0, 0.0, 0.0, 1.0); }\n");
	OGL_shader s("plain.vert", nullptr, "edit.frag", nullptr, nullptr);
	write("edit.frag", "void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }\n");
	OGL_shader::do_reload();
	s.bind();
	auto c = draw();
	EXPECT_EQ(c[0], 0);
	EXPECT_EQ(c[1], 255);
}

// The command's alert is modal: while it shows, the file is mended, and the
// reload tries again until the program builds.
static int alerts_seen, alert_type;
static void mend_on_alert(int, const std::string& m1, const std::string&, const std::string&, const std::string&,
                          int type, const std::string&)
{
	++alerts_seen;
	alert_type = type;
	if (m1 == "There was a problem processing a GLSL pixel shader.")
		std::ofstream("Resources/shaders/edit.frag") << "void main() { gl_FragColor = vec4(0.0, 0.0, 1.0, 1.0); }\n";
}

TEST_F(ShaderGL, BrokenReloadIsReportedAndRetriedUntilItBuilds)
{
	write("edit.frag", "void main() { gl_FragColor = vec4(1.0, 0.0, 0.0, 1.0); }\n");
	OGL_shader s("plain.vert", nullptr, "edit.frag", nullptr, nullptr);
	write("edit.frag", "void main() { this is not glsl }\n");

	auto hooks = MACIBM_shell_hooks;
	int  inited = ogl_inited;
	MACIBM_shell_hooks.alert_window = mend_on_alert;
	ogl_inited = 1;
	cmdline.opts.erase("--fps_test");
	alerts_seen = 0;
	OGL_shader::reload_all_shaders(1);
	UTL_cmdline::add_one("--fps_test", "");
	ogl_inited = inited;
	MACIBM_shell_hooks = hooks;

	EXPECT_EQ(alerts_seen, 1);
	EXPECT_EQ(alert_type, t_alert);
	const std::string log = log_text();
	EXPECT_NE(log.find("=====Resources/shaders/edit.frag=====\n   (prefix:\n#define APL 1\n"), std::string::npos) << log;
	EXPECT_NE(log.find("// no prefix\nend prefix)\n"), std::string::npos) << log;
	s.bind();
	EXPECT_EQ(draw()[2], 255);
}

TEST_F(ShaderGL, BrokenReloadInATestRunIsLoggedOnce)
{
	write("edit.frag", "void main() { gl_FragColor = vec4(1.0, 0.0, 0.0, 1.0); }\n");
	OGL_shader s("plain.vert", nullptr, "edit.frag", nullptr, nullptr);
	write("edit.frag", "void main() { broken }\n");
	s.reload(1);	// nobody can mend it: returns instead of spinning
	const std::string log = log_text();
	EXPECT_NE(log.find("There was a problem processing a GLSL pixel shader."), std::string::npos) << log;
	EXPECT_NE(log.find("(RUderur/OGL/OGL_shader line 266)"), std::string::npos) << log;
}

TEST_F(ShaderGL, BrokenShaderAtConstructionEndsTheProgram)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	write("bad.frag", "void main() { gl_FragColor = undefined_thing; }\n");
	EXPECT_EXIT(OGL_shader("plain.vert", nullptr, "bad.frag", nullptr, nullptr), ::testing::ExitedWithCode(1), "");
	const std::string log = log_text();
	EXPECT_NE(log.find("=====Resources/shaders/bad.frag====="), std::string::npos) << log;
	EXPECT_NE(log.find("undefined_thing"), std::string::npos) << "the compiler's own words" << log;
	EXPECT_NE(log.find("=====Resources/shaders/plain.vert+Resources/shaders/bad.frag====="), std::string::npos) << log;
}

TEST_F(ShaderGL, MissingShaderFileEndsTheProgram)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	EXPECT_EXIT(OGL_shader("plain.vert", nullptr, "gone.frag", nullptr, nullptr), ::testing::ExitedWithCode(1), "");
	const std::string log = log_text();
	EXPECT_NE(log.find("We were unable to load the shader file:\nResources/shaders/gone.frag\n\n"
	                   "Re-run the Vantor installer/updater to correct this problem.\n(RUderur/OGL/OGL_shader line 214)"),
	          std::string::npos) << log;
}
