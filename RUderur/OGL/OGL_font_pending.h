#ifndef OGL_FONT_PENDING_H
#define OGL_FONT_PENDING_H
// Stand-ins for the state cache and the colour rule until they are in.
void OGL_font_state_2d();	// 2-D, one texture unit, blended, no depth
void OGL_font_color(int colour, float alpha);
void OGL_font_grayrect(float x1, float y1, float x2, float y2, float alpha);
#endif
