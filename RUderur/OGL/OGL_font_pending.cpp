// Stand-ins until the state cache and the colour table are in: plain GL, and
// every colour id white.
#include "OGL_font_pending.h"
#include "MACIBM_mnw.h"
#include <GL/gl.h>

void OGL_font_state_2d()
{
	glDisable(GL_FOG);
	glDisable(GL_LIGHTING);
	glDisable(GL_DEPTH_TEST);
	glDepthMask(GL_FALSE);
	glDisable(GL_ALPHA_TEST);
	glEnable(GL_BLEND);
	glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
	glEnable(GL_TEXTURE_2D);
}

void OGL_font_color(int, float alpha)
{
	if (alpha > 0.99f) glColor3f(1, 1, 1);
	else glColor4f(1, 1, 1, alpha);
}

void OGL_font_grayrect(float x1, float y1, float x2, float y2, float alpha)
{
	glDisable(GL_TEXTURE_2D);
	glEnable(GL_BLEND);
	glColor4f(0.5f, 0.5f, 0.5f, alpha);
	x1 += mnw.origin_x; x2 += mnw.origin_x;
	y1 += mnw.origin_y; y2 += mnw.origin_y;
	glBegin(GL_QUADS);
	glVertex2f(x1, y1);
	glVertex2f(x1, y2);
	glVertex2f(x2, y2);
	glVertex2f(x2, y1);
	glEnd();
}
