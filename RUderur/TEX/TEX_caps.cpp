// What the texture code needs to know of the driver, from the capability record
// (so the --no_* switches hold for textures too). Programs and tests that make a
// bare context never fill the record: then the context is asked directly.
#include "TEX_obj.h"
#include "OGL_extensions.h"
#include <GL/gl.h>
#include <GL/glext.h>
#include <cstring>

static bool record_filled() { return glExt.max_tex_size > 0; }

static bool context_has(const char* name)
{
	const char* e = (const char*)glGetString(GL_EXTENSIONS);
	return e && strstr(e, name) != nullptr;
}

int TEX_cap_max_texture_size()
{
	if (record_filled()) return glExt.max_tex_size;
	GLint v = 0;
	glGetIntegerv(GL_MAX_TEXTURE_SIZE, &v);
	return v > 0 ? v : 2048;
}
int TEX_cap_texture_units()
{
	GLint v = record_filled() ? ren.tex_units : 1;
	if (!record_filled()) glGetIntegerv(GL_MAX_TEXTURE_UNITS, &v);
	return v > 8 ? 8 : (v < 1 ? 1 : v);
}
bool TEX_cap_combine()
{
	if (record_filled()) return glExt.combine_avail != 0;
	return context_has("GL_ARB_texture_env_combine") || context_has("GL_EXT_texture_env_combine");
}
bool TEX_cap_auto_mipmap()
{
	if (record_filled()) return glExt.automini_avail != 0;
	return context_has("GL_SGIS_generate_mipmap");
}
bool TEX_cap_clamp_to_edge() { return !record_filled() || glExt.tex_clamp_avail != 0; }
bool TEX_cap_anisotropy()
{
	if (record_filled()) return glExt.aniso_avail != 0;
	return context_has("GL_EXT_texture_filter_anisotropic");
}
