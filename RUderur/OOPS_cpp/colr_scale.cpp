// The colour scale's drawing: the spectrum beside its end values.
#include "colr.h"
#include "OGL_setstate.h"
#include "OGL_extensions.h"
#include "OGL_fonts.h"
#include "MACIBM_mnw.h"
#include <GL/gl.h>

void colr_class::spectrum_plotscale(float x, float y, float low, float high, int decimals)
{
	spec_high = high;
	spec_low = low;
	spec_range = high - low;
	OGL_number(colr_white, x + 4, y + 996, high, 5, decimals, 0);
	OGL_number(colr_white, x + 4, y - 4, low, 5, decimals, 0);
	OGL_setstate(fog_fals, 0, lit_fals, al_blend, deR_fals, deW_fals);
	glPointSize(4);
	glBegin(GL_POINTS);
	const float lo = low < high ? low : high, hi = low < high ? high : low;
	for (int h = 0; h <= 996; h += 4) {
		glColor4fv(spectrum_at(low + (high - low) * h / 999.0f, lo, hi, ren.alpha_mult).data());
		glVertex2f(x + mnw.origin_x, y + h + mnw.origin_y);
	}
	glEnd();
	glPointSize(1);
}
