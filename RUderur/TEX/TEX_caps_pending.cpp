// Stand-in for the GL capability record until it is in: asks the current
// context directly.
#include "TEX_obj.h"
#include <GL/gl.h>
#include <GL/glext.h>
#include <cstring>

static bool has_ext(const char* name)
{
	const char* e = (const char*)glGetString(GL_EXTENSIONS);
	return e && strstr(e, name) != nullptr;
}

int TEX_cap_max_texture_size()
{
	GLint v = 0;
	glGetIntegerv(GL_MAX_TEXTURE_SIZE, &v);
	return v > 0 ? v : 2048;
}
int TEX_cap_texture_units()
{
	GLint v = 1;
	glGetIntegerv(GL_MAX_TEXTURE_UNITS, &v);
	return v > 8 ? 8 : (v < 1 ? 1 : v);
}
bool TEX_cap_combine() { return has_ext("GL_ARB_texture_env_combine") || has_ext("GL_EXT_texture_env_combine"); }
bool TEX_cap_auto_mipmap() { return has_ext("GL_SGIS_generate_mipmap"); }
bool TEX_cap_clamp_to_edge() { return true; }
bool TEX_cap_anisotropy() { return has_ext("GL_EXT_texture_filter_anisotropic"); }
