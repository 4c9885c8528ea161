// Texture binding through a cache of what each unit has, with the program's
// table of texture-environment modes.
#include "TEX_obj.h"
#include "tman.h"
#include "UTL_stat.h"
#include <GL/gl.h>
#include <GL/glext.h>

static UTL_stat gKillTex("perf/kill_tex", stat_debug_flag, 0.0f);

static int bound_name[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
static int bound_mode[8] = {-1, -1, -1, -1, -1, -1, -1, -1};

void TEX_reset_bind()
{
	for (int i = 0; i < 8; ++i) bound_name[i] = bound_mode[i] = -1;
}

enum { T = GL_TEXTURE, P = GL_PREVIOUS, C = GL_CONSTANT, Q = GL_PRIMARY_COLOR };
enum { RGB_ = GL_SRC_COLOR, A_ = GL_SRC_ALPHA, NA_ = GL_ONE_MINUS_SRC_ALPHA };

struct env_mode {
	int   mode;
	int   colour;	// 0 none, 1 white, 2 zero
	int   rgb_fn, rgb_src[3], rgb_op[3];
	int   a_fn, a_src[3], a_op[3];
	float alpha_scale;	// 0: not set
};

static const env_mode modes[] = {
	{1, 0, GL_ADD, {P, T, 0}, {RGB_, RGB_, 0}, GL_REPLACE, {P, 0, 0}, {A_, 0, 0}, 1},
	{2, 0, GL_ADD, {P, T, 0}, {RGB_, RGB_, 0}, GL_ADD, {P, T, 0}, {A_, A_, 0}, 1},
	{10, 0, GL_MODULATE, {P, T, 0}, {RGB_, RGB_, 0}, GL_REPLACE, {T, 0, 0}, {A_, 0, 0}, 1},
	{11, 0, GL_REPLACE, {P, 0, 0}, {RGB_, 0, 0}, GL_SUBTRACT, {T, P, 0}, {A_, A_, 0}, 4},
	{12, 0, GL_REPLACE, {P, 0, 0}, {RGB_, 0, 0}, GL_MODULATE, {P, T, 0}, {NA_, A_, 0}, 1},
	{13, 1, GL_MODULATE, {P, P, 0}, {RGB_, NA_, 0}, GL_REPLACE, {C, 0, 0}, {A_, 0, 0}, 1},
	{14, 0, GL_REPLACE, {P, 0, 0}, {RGB_, 0, 0}, GL_REPLACE, {P, 0, 0}, {A_, 0, 0}, 1},
	{15, 1, GL_REPLACE, {P, 0, 0}, {RGB_, 0, 0}, GL_REPLACE, {C, 0, 0}, {A_, 0, 0}, 1},
	{16, 1, GL_MODULATE, {P, T, 0}, {RGB_, RGB_, 0}, GL_REPLACE, {C, 0, 0}, {A_, 0, 0}, 1},
	{17, 1, GL_REPLACE, {T, 0, 0}, {A_, 0, 0}, GL_REPLACE, {C, 0, 0}, {A_, 0, 0}, 1},
	{18, 0, GL_INTERPOLATE, {T, P, T}, {RGB_, RGB_, A_}, GL_REPLACE, {P, 0, 0}, {A_, 0, 0}, 1},
	{19, 0, GL_INTERPOLATE, {T, P, P}, {RGB_, RGB_, A_}, GL_REPLACE, {P, 0, 0}, {A_, 0, 0}, 1},
	{20, 0, GL_MODULATE, {P, T, 0}, {RGB_, A_, 0}, GL_REPLACE, {P, 0, 0}, {A_, 0, 0}, 1},
	{21, 0, GL_INTERPOLATE, {T, P, C}, {RGB_, RGB_, RGB_}, GL_INTERPOLATE, {T, P, C}, {A_, A_, A_}, 1},
	{22, 0, GL_INTERPOLATE, {T, C, T}, {RGB_, RGB_, A_}, GL_REPLACE, {P, 0, 0}, {A_, 0, 0}, 1},
	{23, 0, GL_MODULATE, {P, Q, 0}, {RGB_, RGB_, 0}, GL_REPLACE, {P, 0, 0}, {A_, 0, 0}, 0},
	{24, 0, GL_MODULATE, {P, C, 0}, {RGB_, RGB_, 0}, GL_MODULATE, {P, C, 0}, {A_, A_, 0}, 1},
	{25, 2, GL_INTERPOLATE, {Q, C, T}, {RGB_, RGB_, RGB_}, GL_REPLACE, {T, 0, 0}, {A_, 0, 0}, 1},
};

static void send_mode(int mode)
{
	const env_mode* m = nullptr;
	for (const env_mode& e : modes)
		if (e.mode == mode) m = &e;
	if (!m) {
		glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, mode);
		return;
	}
	if (m->colour) {
		float v = m->colour == 1 ? 1.0f : 0.0f;
		float c[4] = {v, v, v, v};
		glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, c);
	}
	static const int src_rgb[3] = {GL_SOURCE0_RGB, GL_SOURCE1_RGB, GL_SOURCE2_RGB};
	static const int op_rgb[3] = {GL_OPERAND0_RGB, GL_OPERAND1_RGB, GL_OPERAND2_RGB};
	static const int src_a[3] = {GL_SOURCE0_ALPHA, GL_SOURCE1_ALPHA, GL_SOURCE2_ALPHA};
	static const int op_a[3] = {GL_OPERAND0_ALPHA, GL_OPERAND1_ALPHA, GL_OPERAND2_ALPHA};
	// Mode 25 goes through the float entry point, as its set-up always has.
	auto env = [&](int name, int v) {
		if (m->mode == 25) glTexEnvf(GL_TEXTURE_ENV, name, (float)v);
		else glTexEnvi(GL_TEXTURE_ENV, name, v);
	};
	env(GL_TEXTURE_ENV_MODE, GL_COMBINE);
	env(GL_COMBINE_RGB, m->rgb_fn);
	for (int i = 0; i < 3 && m->rgb_src[i]; ++i) {
		env(src_rgb[i], m->rgb_src[i]);
		// Alpha operands on an RGB source (mode 17's T.a) go as GL_SRC_ALPHA.
		env(op_rgb[i], m->rgb_op[i]);
	}
	env(GL_COMBINE_ALPHA, m->a_fn);
	for (int i = 0; i < 3 && m->a_src[i]; ++i) {
		env(src_a[i], m->a_src[i]);
		env(op_a[i], m->a_op[i]);
	}
	if (m->alpha_scale > 0) glTexEnvf(GL_TEXTURE_ENV, GL_ALPHA_SCALE, m->alpha_scale);
}

void TEX_bind_ref(int name, int unit, int mode)
{
	if (unit < 0 || unit > 7) return;
	if (gKillTex.value != 0 && name != tman_ref_interface) name = tman_blank_ref;
	int eff = mode == 0 ? GL_MODULATE : mode;
	if (bound_name[unit] == name && (mode == 26 || bound_mode[unit] == eff)) return;
	if (unit > 0) glActiveTexture(GL_TEXTURE0 + unit);
	if (bound_name[unit] != name) {
		glBindTexture(GL_TEXTURE_2D, name);
		bound_name[unit] = name;
	}
	if (mode != 26 && bound_mode[unit] != eff) {
		bound_mode[unit] = eff;
		if (!TEX_cap_combine()) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, eff);
		else send_mode(eff);
	}
	if (unit > 0) glActiveTexture(GL_TEXTURE0);
}

static void set_env_colour(int unit, float r, float g, float b, float a)
{
	if (unit >= TEX_cap_texture_units()) return;
	if (unit > 0) glActiveTexture(GL_TEXTURE0 + unit);
	float c[4] = {r, g, b, a};
	glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, c);
	if (unit > 0) glActiveTexture(GL_TEXTURE0);
}

void TEX_set_blend_level(int unit, float level) { set_env_colour(unit, level, level, level, level); }
void TEX_set_tint(int unit, float r, float g, float b, float a) { set_env_colour(unit, r, g, b, a); }
