// The texts shaders are compiled from and the numbering of a flagged
// family's variants; no display needed.
#include <gtest/gtest.h>
#include "OGL_shader.h"
#include "UTL_stat.h"
#include <string>

TEST(ShaderText, VariantIdsAreMixedRadixFirstFlagLowest)
{
	const char* flags[] = {"A", "B", nullptr};
	const int   radices[] = {2, 3};
	OGL_shader_conditional c("v.vert", nullptr, "f.frag", nullptr, flags, radices, "#define BASE 1\n");
	EXPECT_EQ(c.variants.size(), 6u);
	EXPECT_EQ(c.geometry, "");
	const int v[] = {1, 2};
	EXPECT_EQ(c.id_from_flags(v), 5);
	int out[2] = {-1, -1};
	EXPECT_EQ(c.flags_from_id(5, out), 2);
	EXPECT_EQ(out[0], 1);
	EXPECT_EQ(out[1], 2);
	for (int id = 0; id < 6; ++id) {
		c.flags_from_id(id, out);
		EXPECT_EQ(c.id_from_flags(out), id);
	}
	EXPECT_EQ(c.variant_prefix(5), "#define BASE 1\n#define A 1\n#define B 2\n");
	EXPECT_EQ(c.variant_prefix(0), "#define BASE 1\n#define A 0\n#define B 0\n");
	for (OGL_shader* s : c.variants) EXPECT_EQ(s, nullptr) << "nothing is built before it is bound";
}

TEST(ShaderText, FlagsWithoutRadicesTakeTwoValuesAndNoFlagsMeansOneVariant)
{
	const char* flags[] = {"X", "Y", "Z", nullptr};
	OGL_shader_conditional c("v", "g", "f", nullptr, flags, nullptr, nullptr);
	EXPECT_EQ(c.variants.size(), 8u);
	EXPECT_EQ(c.variant_prefix(6), "#define X 0\n#define Y 1\n#define Z 1\n");
	OGL_shader_conditional none("v", nullptr, "f", nullptr, nullptr, nullptr, "#define K 2\n");
	EXPECT_EQ(none.variants.size(), 1u);
	EXPECT_EQ(none.variant_prefix(0), "#define K 2\n");
	EXPECT_THROW(none.get_uniform_loc(3, 0), std::out_of_range);
}

TEST(ShaderText, LongBasePrefixIsKeptWhole)
{
	std::string base;
	while (base.size() < 5000) base += "#define LONG_NAME_" + std::to_string(base.size()) + " 1\n";
	const char* flags[] = {"LAST", nullptr};
	OGL_shader_conditional c("v", nullptr, "f", nullptr, flags, nullptr, base.c_str());
	EXPECT_EQ(c.variant_prefix(1), base + "#define LAST 1\n");
}

TEST(ShaderText, StagesGetTheirHeadersThenPlatformThenPrefix)
{
	const std::string plat = "#define APL 1\n#define IBM 0\n#define LIN 0\n";
	EXPECT_EQ(OGL_shader_platform_prefix(0), plat + "#define LIMITED 0\n");
	EXPECT_EQ(OGL_shader_platform_prefix(1), plat + "#define LIMITED 1\n");
	auto v = OGL_shader_stage_texts(shader_vertex, 0, "P\n");
	ASSERT_EQ(v.size(), 3u);
	EXPECT_EQ(v[0], "#define GSHADER 0\n");
	EXPECT_EQ(v[2], "P\n");
	auto g = OGL_shader_stage_texts(shader_geometry, 1, "P\n");
	ASSERT_EQ(g.size(), 3u);
	EXPECT_EQ(g[0], "#version 120\n#extension GL_EXT_geometry_shader4 : enable\n#define GSHADER 1\n");
	EXPECT_EQ(g[1], plat + "#define LIMITED 1\n");
	auto f = OGL_shader_stage_texts(shader_fragment, 0, "P\n");
	ASSERT_EQ(f.size(), 2u);
	EXPECT_EQ(f[0], plat + "#define LIMITED 0\n");
	EXPECT_EQ(f[1], "P\n");
}

TEST(ShaderText, ReloadingWithNoProgramsDoesNothing)
{
	EXPECT_TRUE(OGL_shader::shaders.empty());
	OGL_shader::reload_all_shaders(1);
	OGL_shader::unbind_shaders();	// nothing current: no GL call
	EXPECT_EQ(OGL_shader::current_shader, nullptr);
}

TEST(ShaderText, TheReloadCommandIsRegisteredAtStart)
{
	UTL_remote_cmd* reload = nullptr;
	for (UTL_remote_cmd* c = UTL_remote_cmd_list(); c; c = c->next)
		if (std::string(c->title) == "Reload Pixel Shaders...") reload = c;
	ASSERT_NE(reload, nullptr);
	UTL_remote_cmd::invoke(nullptr, reload->id);	// no programs: nothing to do, no GL needed
	EXPECT_TRUE(OGL_shader::shaders.empty());
}
