#ifndef OGLP_H
#define OGLP_H
// Immediate-mode 2-D drawing in window coordinates (origin lower left, y up,
// one logical unit a pixel); colours are ids of the colour table.

void OGL_pix_specs(int unused);
void OGL_viewport(int mode, float left, float vx1, float bottom, float vy1, float right, float vx2,
                  float near_d, float top, float vy2, float far_d, float divisor, int keep_aspect);
void OGL_screensize(int mode, float x1, float y1, float x2, float y2);
void OGL_plot_back_col();
void OGL_sbuff();
void OGL_scissors(float x, float y, float w, float h);
void OGL_scissors_end();
void OGL_nrml_colors();
void OGL_glow_colors();

// Sets the GL colour of a colour id with the interface light, as every primitive does.
void OGL_set_color(int colour, float alpha);

void OGL_fillrect(int colour, float alpha, float x, float y, float w, float h);
void OGL_framerect(int colour, float alpha, float x, float y, float w, float h);
void OGL_line(int colour, float alpha, float x1, float y1, float x2, float y2);
void OGL_grayrect(float x1, float y1, float x2, float y2, float alpha);
void OGL_fillcircle(int colour, float x, float y, float r);
void OGL_framecircle(int colour, float x, float y, float r);
void OGL_arc(int colour, float x, float y, float r1, float r2, float from_deg, float to_deg);
void OGL_2dquad(int tex_ref, int colour, float alpha,
                float x1, float y1, float s1, float t1, float x2, float y2, float s2, float t2,
                float x3, float y3, float s3, float t3, float x4, float y4, float s4, float t4,
                int tex_units, int alpha_mode);
void OGL_2dquad_d(int tex_ref, int colour, float alpha, float x, float y, float s, float t,
                  float w, float h, float ds, float dt, int alpha_mode);
void OGL_spectrum_rgb(float v);

// 3-D helpers of the same family; the caller opens glBegin where needed.
void OGL_setspec(float s);
void OGL_poly_offset(int n);
void OGL_3dline(float x1, float y1, float z1, float x2, float y2, float z2);
void OGL_3dquad(const float* p0, const float* p1, const float* p2, const float* p3);
void OGL_3dquad_st(const float* p0, const float* p1, const float* p2, const float* p3,
                   float s1, float t1, float s2, float t2);
void OGL_cube(float x, float y, float z, float w, float h, float d, float s1, float s2, float t1, float t2);
void OGL_disc(float x, float y, float z, float r);
void OGL_printer();
void GOL_set_back_tex_lighting();

#endif
