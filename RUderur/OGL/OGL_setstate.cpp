#include "OGL_setstate.h"
#include "OGL_extensions.h"

int num_units = 1;

static void enable_if(GLenum cap, bool on)
{
	if (on) glEnable(cap);
	else glDisable(cap);
}

void OGL_setstate(int fog, int tex_units, int lit, int alpha, int depth_read, int depth_write)
{
	static bool inited = false;
	static int c_fog, c_units, c_lit, c_depth;
	static bool c_blend, c_test;
	static int c_write = deW_fals;
	if (!inited) {
		inited = true;
		c_fog = glIsEnabled(GL_FOG) ? fog_true : fog_fals;
		c_units = glIsEnabled(GL_TEXTURE_2D) ? num_units : 0;
		c_lit = glIsEnabled(GL_LIGHTING) ? lit_true : lit_fals;
		c_blend = glIsEnabled(GL_BLEND);
		c_test = glIsEnabled(GL_ALPHA_TEST);
		c_depth = glIsEnabled(GL_DEPTH_TEST) ? deR_true : deR_fals;
	}

	if (fog != c_fog) enable_if(GL_FOG, fog == 0);

	if (tex_units != c_units) {
		enable_if(GL_TEXTURE_2D, tex_units >= 1);
		int n = tex_units < 0 ? 0 : (tex_units < ren.tex_units ? tex_units : ren.tex_units);
		int old = num_units;
		num_units = n;
		if (old > 1 || n > 1) {
			for (int i = 0; i < 8; ++i)
				if (i < n && i >= old) {
					glActiveTexture(GL_TEXTURE0 + i);
					glEnable(GL_TEXTURE_2D);
				}
			for (int i = 0; i < 8; ++i)
				if (i < old && i >= n) {
					glActiveTexture(GL_TEXTURE0 + i);
					glDisable(GL_TEXTURE_2D);
				}
			glActiveTexture(GL_TEXTURE0);
		}
		tex_units = n;
	}

	if (lit != c_lit) {
		enable_if(GL_LIGHTING, lit == lit_true);
		enable_if(GL_LIGHT0, lit == lit_true);
	}

	bool want_blend = c_blend, want_test = c_test;
	switch (alpha) {
	case al_none: want_blend = false; want_test = false; break;
	case al_blend: want_blend = true; want_test = false; break;
	case al_test: want_blend = false; want_test = true; break;
	case al_both: want_blend = true; want_test = true; break;
	}
	if (want_blend != c_blend) enable_if(GL_BLEND, want_blend);
	if (want_test != c_test) enable_if(GL_ALPHA_TEST, want_test);

	if (depth_read != c_depth) enable_if(GL_DEPTH_TEST, depth_read == deR_true);
	if (depth_write != c_write) glDepthMask(depth_write == deW_true ? GL_TRUE : GL_FALSE);

	c_fog = fog;
	c_units = tex_units;
	c_lit = lit;
	c_depth = depth_read;
	c_write = depth_write;
	c_blend = (alpha == al_blend || alpha == al_both);
	c_test = (alpha == al_test || alpha == al_both);
}
