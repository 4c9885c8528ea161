// The capability decision, fed with the strings of known drivers.
#include "OGL_extensions.h"
#include "UTL_alert.h"
#include "UTL_translate.h"
#include <gtest/gtest.h>
#include <sstream>

static int lookups;
static std::set<std::string> missing;

static OGL_caps_input mac_driver(const char* renderer, const char* version, const char* exts)
{
	OGL_caps_input in;
	in.vendor = "NVIDIA Corporation";
	in.renderer = renderer;
	in.version = version;
	in.extensions = exts;
	in.os_version = 0x1048;
	in.lookup = [](const char* n) -> void* {
		++lookups;
		return missing.count(n) ? nullptr : (void*)&lookups;
	};
	in.max_tex_units = 4;
	in.max_image_units = 16;
	in.max_tex_coords = 8;
	in.fp_instr = 4096;
	in.vp_instr = 4096;
	return in;
}

struct Caps : ::testing::Test {
	OGL_extensions ext;
	std::ostringstream log;
	std::vector<OGL_caps_alert> alerts;
	void SetUp() override { lookups = 0; missing.clear(); }
	void run(const OGL_caps_input& in) { ext.decide(in, log, &alerts); }
	bool logged(const std::string& s) const { return log.str().find(s) != std::string::npos; }
};

TEST_F(Caps, VersionNumberFromTheString)
{
	EXPECT_EQ(OGL_extensions::version_number("2.1 NVIDIA-1.5.36"), 210);
	EXPECT_EQ(OGL_extensions::version_number("1.5 ATI-1.4.56"), 150);
	EXPECT_EQ(OGL_extensions::version_number("4.5 (Compatibility Profile) Mesa 22.3.6"), 450);
	EXPECT_EQ(OGL_extensions::version_number("banana"), 100);
	EXPECT_EQ(OGL_extensions::version_number(""), 100);
}

TEST_F(Caps, VersionGatesFlagsButNewerFeaturesNeedTheirNames)
{
	static const OGL_caps_input in = mac_driver("NVIDIA GeForce 8600M GT OpenGL Engine", "2.1 NVIDIA-1.5.36",
	                                            "GL_ARB_vertex_program GL_ARB_fragment_program");
	run(in);
	EXPECT_EQ(ext.vbo_avail, 1);
	EXPECT_EQ(ext.pbo_avail, 1);
	EXPECT_EQ(ext.glsl_avail, 1);
	EXPECT_EQ(ext.sblend_avail, 1);
	EXPECT_EQ(ext.framebuf_avail, 0);
	EXPECT_EQ(ext.packed_stencil, 0);
	EXPECT_EQ(ext.tex_float_avail, 0);
	EXPECT_EQ(ext.dis_fog_avail, 0);
	EXPECT_EQ(ext.threaded_avail, 0);
	EXPECT_TRUE(logged("threaded_avail   : 0\n"));
	EXPECT_TRUE(logged("OpenGL Version   : 2.1 NVIDIA-1.5.36 (210)\n"));
	EXPECT_STREQ(ren.gl_renderer, "NVIDIA GeForce 8600M GT OpenGL Engine");
	// NVIDIA without GL_NV_fragment_program2
	EXPECT_EQ(ext.first_gen_shaders, 1);
	EXPECT_TRUE(alerts.empty());
}

TEST_F(Caps, ExtensionNamesMatchAsSubstrings)
{
	static const OGL_caps_input in = mac_driver("R", "1.1", "GL_ARB_multitexture_plus GL_EXT_blend_func_separate");
	run(in);
	EXPECT_EQ(ext.multitex_avail, 1);
	EXPECT_EQ(ext.sblend_avail, 0);	// needs both separate-blend names
	EXPECT_EQ(ext.tex_clamp_avail, 0);
}

TEST_F(Caps, OcclusionQuirksAndTheirOverride)
{
	static OGL_caps_input in = mac_driver("NVIDIA GeForce 7300 GT OpenGL Engine", "2.0", "GL_NV_fragment_program2");
	run(in);
	EXPECT_EQ(ext.occlude_avail, 0);
	EXPECT_TRUE(logged("Disabling occlusion queries on OS X 10.4 for nVidia 7300 GT on 10.4.8.\n"));

	OGL_extensions e2;
	std::ostringstream l2;
	in.options.insert("--use_pixel_counters");
	e2.decide(in, l2, nullptr);
	EXPECT_EQ(e2.occlude_avail, 1);
	EXPECT_EQ(l2.str().find("Disabling"), std::string::npos);

	// an unknown system version skips the quirks that need it
	OGL_extensions e3;
	std::ostringstream l3;
	in.options.clear();
	in.os_version = -1;
	e3.decide(in, l3, nullptr);
	EXPECT_EQ(e3.occlude_avail, 1);
}

TEST_F(Caps, GlslAndSpriteQuirks)
{
	static OGL_caps_input gma = mac_driver("Intel GMA 950 OpenGL Engine", "2.0", "");
	gma.vendor = "Intel Inc.";
	run(gma);
	EXPECT_EQ(ext.glsl_avail, 0);
	EXPECT_TRUE(logged("Disabling GLSL for GMA 950.\n"));

	static OGL_caps_input ati = mac_driver("ATI Radeon HD 2600 PRO OpenGL Engine", "2.0", "");
	ati.os_version = 0x1052;
	OGL_extensions e2;
	std::ostringstream l2;
	e2.decide(ati, l2, nullptr);
	EXPECT_EQ(e2.sprites_avail, 0);
	EXPECT_NE(l2.str().find("Disabling point sprites for Radeon HD on OS X.\n"), std::string::npos);

	// the renderer must match exactly
	ati.renderer = "ATI Radeon HD 2600 PRO OpenGL Engine 2";
	OGL_extensions e3;
	std::ostringstream l3;
	e3.decide(ati, l3, nullptr);
	EXPECT_EQ(e3.sprites_avail, 1);
}

TEST_F(Caps, MissingEntryPointClearsItsGroupAndEveryMemberIsLookedUp)
{
	static const OGL_caps_input in = mac_driver("R", "2.1", "GL_NV_fragment_program2");
	missing = {"glBindBufferARB", "glGenBuffersARB", "glBlendEquationSeparateEXT"};
	run(in);
	EXPECT_EQ(ext.vbo_avail, 0);
	EXPECT_EQ(ext.pbo_avail, 0);
	EXPECT_TRUE(logged("WARNING: extension missing proc glBindBufferARB.  This is a problem with your video driver.\n"));
	EXPECT_TRUE(logged("WARNING: extension missing proc glGenBuffersARB.  This is a problem with your video driver.\n"));
	EXPECT_TRUE(logged("Disabling PBOs because VBOs are not available."));
	EXPECT_NE(ext.glDeleteBuffersARB, nullptr);	// looked up after the first miss
	EXPECT_EQ(ext.glBindBufferARB, nullptr);
	// a missing equation-separate skips the func-separate lookup
	EXPECT_EQ(ext.sblend_avail, 0);
	EXPECT_EQ(ext.glBlendFuncSeparateEXT, nullptr);
	EXPECT_EQ(log.str().find("glBlendFuncSeparateEXT"), std::string::npos);
	EXPECT_EQ(ext.vprog_avail, 0);	// no extension name on 2.1
	// groups looked up: vbo 11, occlusion 8, shader objects 39, vertex shader 3,
	// compressed 7, equation separate 1, draw buffers 1
	EXPECT_EQ(lookups, 11 + 8 + 39 + 3 + 7 + 1 + 1);
}

TEST_F(Caps, DependenciesAndLimits)
{
	static OGL_caps_input in = mac_driver("R", "1.5", "GL_ARB_fragment_program GL_ARB_shader_objects GL_ARB_fragment_shader GL_ARB_shading_language_100");
	in.vendor = "ATI";
	in.max_tex_units = 0;
	run(in);
	EXPECT_EQ(ext.fprog_avail, 0);		// needs the vertex-program flag
	EXPECT_EQ(ext.glsl_avail, 0);		// needs vertex and fragment shaders
	EXPECT_EQ(ext.fshader_avail, 1);
	EXPECT_EQ(ren.tex_units, 1);		// never 0
	EXPECT_EQ(ren.tex_image_units, 0);	// no fragment programs: the uncorrected unit count
	EXPECT_TRUE(logged("glsl_avail       : 0 (n/a)\n"));

	static OGL_caps_input fp = mac_driver("R", "2.0", "GL_ARB_vertex_program GL_ARB_fragment_program GL_NV_fragment_program2");
	fp.vendor = "ATI";
	fp.fp_instr = 64;
	fp.glsl_version = "";
	OGL_extensions e2;
	std::ostringstream l2;
	e2.decide(fp, l2, nullptr);
	EXPECT_EQ(e2.first_gen_shaders, 1);	// a short fragment program limit
	EXPECT_NE(l2.str().find("glsl_avail       : 1 (<null string>)\n"), std::string::npos);
	// the table shows the fixed-function count; shaders then reach every image unit
	EXPECT_NE(l2.str().find("max tex units    : 4 (16/8)\n"), std::string::npos);
	EXPECT_EQ(ren.tex_units, 16);
}

TEST_F(Caps, SwitchesShowInTheTable)
{
	static OGL_caps_input in = mac_driver("R", "2.1", "GL_EXT_texture_filter_anisotropic GL_EXT_framebuffer_object");
	in.max_aniso = 16;
	in.options = {"--no_vbos", "--no_glsl", "--no_fbos", "--no_aniso_filtering", "--no_sblend"};
	run(in);
	EXPECT_TRUE(logged("vbo_avail        : 0\n"));
	EXPECT_TRUE(logged("pbo_avail        : 0\n"));
	EXPECT_TRUE(logged("glsl_avail       : 0"));
	EXPECT_TRUE(logged("framebuf_avail   : 0\n"));
	EXPECT_TRUE(logged("aniso_avail      : 0\n"));
	EXPECT_TRUE(logged("max iso filtering: 1\n"));
	EXPECT_TRUE(logged("sblend_avail     : 0\n"));
	EXPECT_FALSE(logged("Disabling PBOs"));	// the switch clears it silently
}

TEST_F(Caps, TooWeakHardwareAndNoAccelerator)
{
	static OGL_caps_input in = mac_driver("GENERIC", "1.0 soft", "");
	run(in);
	ASSERT_EQ(alerts.size(), 2u);
	EXPECT_EQ(alerts[0].type, t_exit);
	EXPECT_EQ(alerts[0].l1.rfind("Your graphics hardware cannot support Vantor.", 0), 0u);
	EXPECT_EQ(alerts[0].l4.rfind("For tech support, email ", 0), 0u);
	EXPECT_EQ(alerts[1].type, t_alert);
	EXPECT_EQ(alerts[1].l3.rfind("For you to fly realistically, you must use Vantor version ", 0), 0u);

	in.options = {"--force_run"};
	in.renderer = "Generic Software";
	OGL_extensions e2;
	std::ostringstream l2;
	std::vector<OGL_caps_alert> a2;
	e2.decide(in, l2, &a2);
	ASSERT_EQ(a2.size(), 1u);
	EXPECT_EQ(a2[0].type, t_alert);
	EXPECT_EQ(a2[0].l2, "Your system does not meet Vantor's hardware requirements.");
}

// The lines name the support addresses, so each whole line is a text of the
// language files: none of them may stay English.
TEST_F(Caps, EveryAlertLineIsTranslated)
{
	static const char* const files[6] = {nullptr, "French", "German", "Russian", "Italian", "Spanish"};
	auto lines = [](std::set<std::string> opts) {
		OGL_caps_input in = mac_driver("GENERIC", "1.0 soft", "");
		in.options = opts;
		OGL_extensions e;
		std::ostringstream l;
		std::vector<OGL_caps_alert> a;
		e.decide(in, l, &a);
		std::vector<std::string> out;
		for (auto& x : a)
			for (const std::string* s : {&x.l1, &x.l2, &x.l3, &x.l4}) out.push_back(*s);
		return out;
	};
	UTL_translate_clear();
	std::vector<std::string> english = lines({}), forced = lines({"--force_run"});
	english.insert(english.end(), forced.begin(), forced.end());
	ASSERT_EQ(english.size(), 16u);
	for (int lang = 1; lang <= 5; ++lang) {
		UTL_translate_load_file(lang, std::string(VANTOR_SOURCE_DIR) + "/Resources/" + files[lang] + ".txt");
		std::vector<std::string> got = lines({}), more = lines({"--force_run"});
		got.insert(got.end(), more.begin(), more.end());
		ASSERT_EQ(got.size(), english.size());
		for (size_t i = 0; i < got.size(); ++i)
			if (!english[i].empty()) {
				EXPECT_NE(got[i], english[i]) << files[lang];
			}
	}
	UTL_translate_clear();
}

TEST(TokenNames, KnownAndUnknown)
{
	EXPECT_EQ(OGL_get_token_name(GL_RGBA8), "GL_RGBA8");
	EXPECT_EQ(OGL_get_token_name(GL_FRAMEBUFFER_UNSUPPORTED_EXT), "GL_FRAMEBUFFER_UNSUPPORTED_EXT");
	EXPECT_EQ(OGL_get_token_name(0xabcd), "0x0000abcd");
}
