// The live side of the capability probe: fills the decision's input from
// the current GL context and raises the alerts it asks for.
#include "OGL_extensions.h"
#include "PLAT_gl.h"
#include "MACIBM_mnw.h"
#include "UTL_alert.h"
#include "UTL_cmdline.h"
#include "UTL_log.h"
#include "UTL_stat.h"
#include <cstdio>

int OGL_extensions::init_entry_points()
{
	// The GL library is loaded with the window; there is no bundle to open.
	return PLAT_gl_library_loaded() ? 0 : -1;
}

void* aglGetProcAddress(const char* name)
{
	return PLAT_gl_get_proc(name);
}

static std::string gl_str(GLenum e)
{
	const GLubyte* s = glGetString(e);
	return s ? (const char*)s : "";
}

static int gl_int(GLenum e)
{
	GLint v = 0;
	glGetIntegerv(e, &v);
	return v;
}

void OGL_extensions::init_extensions()
{
	// The decision keeps pointers into the strings, so they live for the run.
	static OGL_caps_input in;
	in = OGL_caps_input();
	in.vendor = gl_str(GL_VENDOR);
	in.renderer = gl_str(GL_RENDERER);
	in.version = gl_str(GL_VERSION);
	in.extensions = gl_str(GL_EXTENSIONS);
	in.os_version = -1;	// no system version to match the driver quirks against
	in.lookup = [](const char* n) { return aglGetProcAddress(n); };
	for (const auto& o : cmdline.opts) in.options.insert(o.first);
	in.vsync = mnw.vsync;
	in.vsync_double = mnw.vsync_double;

	auto prog = [](GLenum target, GLenum pname) {
		GLint v = 0;
		auto f = (PFNGLGETPROGRAMIVARBPROC)aglGetProcAddress("glGetProgramivARB");
		if (f) f(target, pname, &v);
		return (int)v;
	};
	const int ver = version_number(in.version);
	auto has = [&](const char* e) { return in.extensions.find(e) != std::string::npos; };
	if (has("GL_ARB_fragment_program")) {
		in.fp_instr = prog(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_INSTRUCTIONS_ARB);
		in.fp_alu = prog(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_ALU_INSTRUCTIONS_ARB);
		in.fp_tex = prog(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_TEX_INSTRUCTIONS_ARB);
		in.fp_indir = prog(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_TEX_INDIRECTIONS_ARB);
		in.max_image_units = gl_int(GL_MAX_TEXTURE_IMAGE_UNITS_ARB);
	}
	if (has("GL_ARB_vertex_program")) {
		in.vp_instr = prog(GL_VERTEX_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_INSTRUCTIONS_ARB);
		in.max_tex_coords = gl_int(GL_MAX_TEXTURE_COORDS_ARB);
	}
	if (ver >= 200 || has("GL_ARB_vertex_shader")) {
		in.max_vertex_attribs = gl_int(GL_MAX_VERTEX_ATTRIBS);
		in.max_vertex_uniform = gl_int(GL_MAX_VERTEX_UNIFORM_COMPONENTS);
		in.max_varying = gl_int(GL_MAX_VARYING_FLOATS);
		in.max_combined_units = gl_int(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS);
		in.max_vertex_tex_units = gl_int(GL_MAX_VERTEX_TEXTURE_IMAGE_UNITS);
	}
	if (ver >= 200 || has("GL_ARB_fragment_shader"))
		in.max_fragment_uniform = gl_int(GL_MAX_FRAGMENT_UNIFORM_COMPONENTS);
	if (ver >= 200 || has("GL_ARB_shading_language_100"))
		in.glsl_version = gl_str(GL_SHADING_LANGUAGE_VERSION);
	if (has("GL_EXT_texture_filter_anisotropic"))
		glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &in.max_aniso);
	in.max_tex_units = gl_int(GL_MAX_TEXTURE_UNITS);
	in.max_tex_size = gl_int(GL_MAX_TEXTURE_SIZE);
	GLfloat range[2] = {0, 0};
	glGetFloatv(GL_POINT_SIZE_RANGE, range);
	in.point_size_max = range[1];
	while (glGetError() != GL_NO_ERROR) {}	// a limit this driver does not know

	std::vector<OGL_caps_alert> alerts;
	decide(in, xer, &alerts);
	for (const auto& a : alerts)
		__MACIBM_alert(0, a.l1, a.l2, a.l3, a.l4, a.type, __FILE__, __LINE__);
}

std::string OGL_get_token_name(unsigned long token)
{
	switch (token) {
#define T(n) case n: return #n;
	T(GL_ALPHA4) T(GL_ALPHA8) T(GL_ALPHA12) T(GL_ALPHA16)
	T(GL_LUMINANCE4) T(GL_LUMINANCE8) T(GL_LUMINANCE12) T(GL_LUMINANCE16)
	T(GL_LUMINANCE4_ALPHA4) T(GL_LUMINANCE6_ALPHA2) T(GL_LUMINANCE8_ALPHA8) T(GL_LUMINANCE12_ALPHA4)
	T(GL_LUMINANCE12_ALPHA12) T(GL_LUMINANCE16_ALPHA16)
	T(GL_INTENSITY) T(GL_INTENSITY4) T(GL_INTENSITY8) T(GL_INTENSITY12) T(GL_INTENSITY16)
	T(GL_RGBA32F_ARB) T(GL_RGB32F_ARB) T(GL_ALPHA32F_ARB) T(GL_INTENSITY32F_ARB) T(GL_LUMINANCE32F_ARB)
	T(GL_LUMINANCE_ALPHA32F_ARB) T(GL_RGBA16F_ARB) T(GL_RGB16F_ARB) T(GL_ALPHA16F_ARB) T(GL_INTENSITY16F_ARB)
	T(GL_LUMINANCE16F_ARB) T(GL_LUMINANCE_ALPHA16F_ARB)
	T(GL_R3_G3_B2) T(GL_RGB4) T(GL_RGB5) T(GL_RGB8) T(GL_RGB10) T(GL_RGB12) T(GL_RGB16)
	T(GL_RGBA2) T(GL_RGBA4) T(GL_RGB5_A1) T(GL_RGBA8) T(GL_RGB10_A2) T(GL_RGBA12) T(GL_RGBA16)
	T(GL_DEPTH_COMPONENT16_ARB) T(GL_DEPTH_COMPONENT24_ARB) T(GL_DEPTH_COMPONENT32_ARB)
	T(GL_DEPTH24_STENCIL8_EXT)
	T(GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT) T(GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT)
	T(GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT) T(GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT)
	T(GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT) T(GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER_EXT)
	T(GL_FRAMEBUFFER_UNSUPPORTED_EXT)
#undef T
	}
	char buf[16];
	snprintf(buf, sizeof(buf), "0x%08x", (unsigned)token);
	return buf;
}


// A bind only when the buffer differs from the last one bound there.
static void bind_cached(GLenum target, unsigned long id, unsigned long& last, UTL_stat& counter)
{
	if (id == last) return;
	last = id;
	if (glExt.glBindBufferARB) glExt.glBindBufferARB(target, (GLuint)id);
	counter.value += 1;
}

void OGL_bind_vbo(const unsigned long& id)
{
	static unsigned long last = 0;
	static UTL_stat binds("num_xdl_bind", stat_per_frame, 0);
	bind_cached(GL_ARRAY_BUFFER_ARB, id, last, binds);
}

void OGL_bind_vbo_ind(const unsigned long& id)
{
	static unsigned long last = 0;
	static UTL_stat binds("num_xdl_bind_ind", stat_per_frame, 0);
	bind_cached(GL_ELEMENT_ARRAY_BUFFER_ARB, id, last, binds);
}
