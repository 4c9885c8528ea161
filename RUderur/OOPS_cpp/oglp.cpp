#include "oglp.h"
#include "colr.h"
#include "OGL_extensions.h"
#include "OGL_setstate.h"
#include "xcam.h"
#include "tman.h"
#include "MACIBM_mnw.h"
#include "PLAT_gl.h"
#include "UTL_clock.h"
#include "hl_math.h"
#include <algorithm>
#include <cmath>

static inline float OX() { return mnw.origin_x; }
static inline float OY() { return mnw.origin_y; }
static inline float pix() { return mnw.pix_scale != 0 ? mnw.pix_scale : 1.0f; }

static void state_2d(int units = 0, int alpha = al_blend)
{
	OGL_setstate(fog_fals, units, lit_fals, alpha, deR_fals, deW_fals);
}

void OGL_pix_specs(int)
{
	mnw.pix_scale_set = 1;
	mnw.pix_scale = 1.0f;
	mnw.viewport[0] = 0;
	mnw.viewport[1] = 0;
	mnw.viewport[2] = (float)mnw.screen_w;
	mnw.viewport[3] = (float)mnw.screen_h;
	mnw.content_x = mnw.current_window == -1 ? 0.0f : std::max(0.0f, (mnw.screen_w - 1024) * 0.5f);
	mnw.content_y = std::max(0.0f, (float)(mnw.screen_h - 768));
	mnw.half_screen_w = mnw.screen_w * 0.5f;
	mnw.content_base_h = 384.0f;
	if (mnw.current_window >= 0) OGL_viewport(2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0);
}

void OGL_viewport(int mode, float left, float vx1, float bottom, float vy1, float right, float vx2,
                  float near_d, float top, float vy2, float far_d, float divisor, int keep_aspect)
{
	if (divisor == 0) divisor = 1;
	if (mode == 2) {
		vx1 = 0; vy1 = 0; vx2 = (float)mnw.screen_w; vy2 = (float)mnw.screen_h;
		left = mnw.viewport[0]; bottom = mnw.viewport[1]; right = mnw.viewport[2]; top = mnw.viewport[3];
	} else if (mode == 3) {
		float s = pix();
		vx1 *= s; vy1 *= s; vx2 *= s; vy2 *= s;
		left *= near_d; bottom *= near_d; right *= near_d; top *= near_d;
	}
	if (keep_aspect && vx2 != vx1) {
		float a = (vy2 - vy1) / (vx2 - vx1);
		bottom *= a;
		top *= a;
	}
	glMatrixMode(GL_PROJECTION);
	glLoadIdentity();
	if (mode == 3) xcam.SetupFrustum(left / divisor, right / divisor, bottom / divisor, top / divisor, near_d, far_d);
	else xcam.SetupOrtho(left / divisor, right / divisor, bottom / divisor, top / divisor, -1, 1);
	glViewport((GLint)vx1, (GLint)vy1, (GLsizei)(vx2 - vx1), (GLsizei)(vy2 - vy1));
	xcam.Identity();
	glMatrixMode(GL_PROJECTION);
	glLoadMatrixd(xcam.projection);
	glMatrixMode(GL_MODELVIEW);
	glLoadMatrixd(xcam.modelview);
	xcam.fetch_modelview = false;
}

void OGL_screensize(int mode, float x1, float y1, float x2, float y2)
{
	if (mode == 2) {
		glViewport(0, 0, mnw.screen_w, mnw.screen_h);
	} else if (mode == 3) {
		float s = pix();
		glViewport((GLint)(x1 * s), (GLint)(y1 * s), (GLsizei)((x2 - x1) * s), (GLsizei)((y2 - y1) * s));
	} else {
		glViewport((GLint)x1, (GLint)y1, (GLsizei)(x2 - x1), (GLsizei)(y2 - y1));
	}
}

void OGL_set_color(int colour, float alpha)
{
	float c[3];
	colr.lit_rgb(colour, c);
	if (ren.mono_green) {
		float g = std::min(1.0f, std::max(0.01f, c[0] + c[1] + c[2]));
		c[0] = 0; c[1] = g; c[2] = 0;
	}
	float a = alpha * ren.alpha_mult;
	// An opaque colour still names its alpha: after a translucent one (a greyed
	// button) glColor3 left this driver's alpha at the old value, and the next
	// opaque draw came out greyed too.
	if (a > 0.99f) glColor4f(c[0], c[1], c[2], 1.0f);
	else glColor4f(c[0], c[1], c[2], a);
}

void OGL_plot_back_col()
{
	OGL_fillrect(colr_back, 1, -OX(), -OY(), (float)mnw.screen_w, (float)mnw.screen_h);
}

void OGL_sbuff()
{
	if (ren.mono_green) glColor4f(0, 1, 0, ren.alpha_mult);
	else glColor4f(1, 1, 1, ren.alpha_mult);
	xtim.profile_chart("sb1", 0);
	PLAT_gl_swap();
	xtim.profile_chart("sb2", 0);
}

void OGL_scissors(float x, float y, float w, float h)
{
	glEnable(GL_SCISSOR_TEST);
	float s = pix();
	float x0 = (x + OX()) * s, y0 = (y + OY()) * s;
	float ww = (x + OX() + w) * s - x0, hh = (y + OY() + h) * s - y0;
	glScissor((GLint)x0, (GLint)y0, ww <= 0 ? 0 : (GLsizei)ww, hh <= 0 ? 0 : (GLsizei)hh);
}

void OGL_scissors_end() { glDisable(GL_SCISSOR_TEST); }
void OGL_nrml_colors() { glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); }
void OGL_glow_colors() { glBlendFunc(GL_SRC_ALPHA, GL_ONE); }

// The four corners of a rectangle from its lower-left corner and size.
static void rect_corners(GLenum mode, int colour, float alpha, float x, float y, float w, float h)
{
	state_2d();
	OGL_set_color(colour, alpha);
	glBegin(mode);
	glVertex2f(x, y);
	glVertex2f(x, y + h);
	glVertex2f(x + w, y + h);
	glVertex2f(x + w, y);
	glEnd();
}

void OGL_fillrect(int colour, float alpha, float x, float y, float w, float h)
{
	rect_corners(GL_QUADS, colour, alpha, x + OX(), y + OY(), w, h);
}

void OGL_framerect(int colour, float alpha, float x, float y, float w, float h)
{
	rect_corners(GL_LINE_LOOP, colour, alpha, x + OX() + 0.5f, y + OY() + 0.5f, w, h);
}

void OGL_line(int colour, float alpha, float x1, float y1, float x2, float y2)
{
	state_2d();
	OGL_set_color(colour, alpha);
	glBegin(GL_LINES);
	glVertex2f(x1 + OX() + 0.5f, y1 + OY() + 0.5f);
	glVertex2f(x2 + OX() + 0.5f, y2 + OY() + 0.5f);
	glEnd();
}

void OGL_grayrect(float x1, float y1, float x2, float y2, float alpha)
{
	state_2d();
	OGL_set_color(colr_black, alpha);
	x1 += OX(); x2 += OX(); y1 += OY(); y2 += OY();
	glBegin(GL_QUADS);
	glVertex2f(x1, y1);
	glVertex2f(x1, y2);
	glVertex2f(x2, y2);
	glVertex2f(x2, y1);
	glEnd();
}

void OGL_fillcircle(int colour, float x, float y, float r)
{
	for (float e = -r; e <= r; e += 1) {
		float d = sqrtf(std::max(0.0f, r * r - e * e));
		OGL_line(colour, 1, x - d, y + e, x + d, y + e);
	}
}

void OGL_framecircle(int colour, float x, float y, float r)
{
	state_2d(0, al_none);
	OGL_set_color(colour, 1);
	x += OX() + 0.5f; y += OY() + 0.5f;
	glBegin(GL_LINE_STRIP);
	for (int a = 0; a <= 360; a += 5) glVertex2f(x + r * lookup_sin[a], y + r * lookup_cos[a]);
	glEnd();
}

void OGL_arc(int colour, float x, float y, float r1, float r2, float from_deg, float to_deg)
{
	state_2d();
	OGL_set_color(colour, 1);
	x += OX(); y += OY();
	const float k = (float)(M_PI / 180.0);
	glBegin(GL_QUAD_STRIP);
	for (float a = from_deg; a <= to_deg; a += 1) {
		float s = sinf(a * k), c = cosf(a * k);
		glVertex2f(x + r1 * s, y + r1 * c);
		glVertex2f(x + r2 * s, y + r2 * c);
	}
	glEnd();
}

static void bind_ref(int tex_ref, int mode)
{
	tman.bind_ref(tex_ref, 0, mode);
}

void OGL_2dquad(int tex_ref, int colour, float alpha,
                float x1, float y1, float s1, float t1, float x2, float y2, float s2, float t2,
                float x3, float y3, float s3, float t3, float x4, float y4, float s4, float t4,
                int tex_units, int alpha_mode)
{
	OGL_setstate(fog_fals, tex_units, lit_fals, alpha_mode, deR_fals, deW_fals);
	if (tex_ref > 0) bind_ref(tex_ref, tex_ref == tman_ref_env17 ? 17 : 0);
	OGL_set_color(colour, alpha);
	const float ox = OX(), oy = OY();
	glBegin(GL_QUADS);
	glTexCoord2f(s1, t1); glVertex2f(x1 + ox, y1 + oy);
	glTexCoord2f(s2, t2); glVertex2f(x2 + ox, y2 + oy);
	glTexCoord2f(s3, t3); glVertex2f(x3 + ox, y3 + oy);
	glTexCoord2f(s4, t4); glVertex2f(x4 + ox, y4 + oy);
	glEnd();
}

void OGL_2dquad_d(int tex_ref, int colour, float alpha, float x, float y, float s, float t,
                  float w, float h, float ds, float dt, int alpha_mode)
{
	OGL_setstate(fog_fals, 1, lit_fals, alpha_mode, deR_fals, deW_fals);
	if (tex_ref > 0) bind_ref(tex_ref, 0);
	OGL_set_color(colour, alpha);
	x += OX(); y += OY();
	glBegin(GL_QUADS);
	glTexCoord2f(s, t);           glVertex2f(x, y);
	glTexCoord2f(s, t + dt);      glVertex2f(x, y + h);
	glTexCoord2f(s + ds, t + dt); glVertex2f(x + w, y + h);
	glTexCoord2f(s + ds, t);      glVertex2f(x + w, y);
	glEnd();
}

void OGL_spectrum_rgb(float v)
{
	v = std::min(1.0f, std::max(0.0f, v));
	int k = std::min(6, std::max(1, (int)(v * 6) + 1));
	float f = (v - (k - 1) / 6.0f) * 6.0f;
	const float* a = colr.spectrum[k - 1];
	const float* b = colr.spectrum[k];
	glColor4f((1 - f) * a[0] + f * b[0], (1 - f) * a[1] + f * b[1], (1 - f) * a[2] + f * b[2], ren.alpha_mult);
}

void OGL_setspec(float s)
{
	GLfloat spec[4] = {s, s, s, 1};
	glLightfv(GL_LIGHT0, GL_SPECULAR, spec);
	glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, spec);
	glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 128);
}

void OGL_poly_offset(int n)
{
	if (n == 0) {
		glDisable(GL_POLYGON_OFFSET_FILL);
		return;
	}
	glEnable(GL_POLYGON_OFFSET_FILL);
	glPolygonOffset(n * -10.0f, -1.0f);
}

void OGL_3dline(float x1, float y1, float z1, float x2, float y2, float z2)
{
	glVertex3f(x1, y1, z1);
	glVertex3f(x2, y2, z2);
}

static void quad_normal(const float* p0, const float* p1, const float* p2)
{
	float a[3] = {p2[0] - p1[0], p2[1] - p1[1], p2[2] - p1[2]};
	float b[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
	float n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
	float len = sqrtf(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
	if (len == 0) glNormal3f(0, 1, 0);
	else glNormal3f(n[0] / len, n[1] / len, n[2] / len);
}

void OGL_3dquad_st(const float* p0, const float* p1, const float* p2, const float* p3,
                   float s1, float t1, float s2, float t2)
{
	quad_normal(p0, p1, p2);
	glTexCoord2f(s2, t2); glVertex3fv(p0);
	glTexCoord2f(s2, t1); glVertex3fv(p1);
	glTexCoord2f(s1, t1); glVertex3fv(p2);
	glTexCoord2f(s1, t2); glVertex3fv(p3);
}

void OGL_3dquad(const float* p0, const float* p1, const float* p2, const float* p3)
{
	OGL_3dquad_st(p0, p1, p2, p3, 0, 0, 1, 1);
}

void OGL_cube(float x, float y, float z, float w, float h, float d, float s1, float s2, float t1, float t2)
{
	const float x0 = x - w * 0.5f, x1 = x + w * 0.5f, z0 = z - d * 0.5f, z1 = z + d * 0.5f;
	const float y0 = y, y1 = y + h;
	struct side { float nx, nz, xa, za; } sides[5] = {
		{0, 1, x0, z1}, {1, 0, x1, z1}, {0, -1, x1, z0}, {-1, 0, x0, z0}, {0, 1, x0, z1}};
	glBegin(GL_QUAD_STRIP);
	for (int i = 0; i < 5; ++i) {
		glNormal3f(sides[i].nx, 0, sides[i].nz);
		float s = (i & 1) ? s2 : s1;
		glTexCoord2f(s, t1); glVertex3f(sides[i].xa, y0, sides[i].za);
		glTexCoord2f(s, t2); glVertex3f(sides[i].xa, y1, sides[i].za);
	}
	glEnd();
	glBegin(GL_QUADS);
	glNormal3f(0, 1, 0);
	glTexCoord2f(s1, t1); glVertex3f(x0, y1, z1);
	glTexCoord2f(s2, t1); glVertex3f(x1, y1, z1);
	glTexCoord2f(s2, t2); glVertex3f(x1, y1, z0);
	glTexCoord2f(s1, t2); glVertex3f(x0, y1, z0);
	glNormal3f(0, -1, 0);
	glTexCoord2f(s1, t1); glVertex3f(x0, y0, z0);
	glTexCoord2f(s2, t1); glVertex3f(x1, y0, z0);
	glTexCoord2f(s2, t2); glVertex3f(x1, y0, z1);
	glTexCoord2f(s1, t2); glVertex3f(x0, y0, z1);
	glEnd();
}

void OGL_disc(float x, float y, float z, float r)
{
	const float k = (float)(M_PI / 180.0), rc = 0.38f * r;
	for (int side = -1; side <= 1; side += 2) {
		glBegin(GL_TRIANGLE_FAN);
		glNormal3f((float)side, 0, 0);
		for (int a = 0; a <= 360; a += 30)
			glVertex3f(x + side * r, y + rc * sinf(a * k), z + rc * cosf(a * k));
		glEnd();
	}
	// bevels: cap edge out to the rim, across the rim, rim back to the other cap
	const float xs[4] = {x - r, x - 0.7f * r, x + 0.7f * r, x + r};
	const float rs[4] = {rc, r, r, rc};
	for (int band = 0; band < 3; ++band) {
		glBegin(GL_QUAD_STRIP);
		for (int a = 0; a <= 360; a += 30) {
			float s = sinf(a * k), c = cosf(a * k);
			glNormal3f(band == 0 ? -0.5f : band == 2 ? 0.5f : 0, s, c);
			glVertex3f(xs[band], y + rs[band] * s, z + rs[band] * c);
			glVertex3f(xs[band + 1], y + rs[band + 1] * s, z + rs[band + 1] * c);
		}
		glEnd();
	}
}

void OGL_printer() {}
void GOL_set_back_tex_lighting() {}
