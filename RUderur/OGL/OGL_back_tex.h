#ifndef OGL_BACK_TEX_H
#define OGL_BACK_TEX_H
// The background picture: a 2048 x 2048 image held run-length packed while it
// is cut into sixteen 512 x 512 tiles (references 447..462), drawn as a 4 x 4
// grid; and the screenshot writer.

enum { back_tex_first_ref = 447, back_tex_tile = 512 };

void OGL_make_back_tex();
void OGL_plot_back_tex();
void OGL_screenshot(int save);

// One tile to draw, in screen pixels.
struct OGL_back_quad {
	int   ref;
	float x1, y1, x2, y2;
};
// Where a pic_w x pic_h picture lands (box: left, right, bottom, top) and the
// tiles that reach into the screen, bottom band first; returns their count.
int OGL_back_tex_layout(int current_window, int screen_w, int screen_h, float content_x, int pic_w, int pic_h,
                        float box[4], OGL_back_quad out[16]);
// The block a screenshot reads: at most 2048 x 2048, centred in the window.
void OGL_screenshot_block(int screen_w, int screen_h, int& x, int& y, int& w, int& h);

#endif
