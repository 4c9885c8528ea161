#ifndef OGL_FBO_H
#define OGL_FBO_H
// A render target: drawing goes into a texture of the texture manager,
// through a framebuffer object when the driver has them, else through the
// back buffer and a copy at the end.
#include <ostream>
class UTL_stat;

class OGL_framebuffer {
public:
	unsigned long framebuffer;
	unsigned long depth_rb;
	unsigned long depth_stencil_rb;
	int           saved_binding;
	int           to_framebuffer;
	int           texture_ref;
	int           texture_flags;	// load flags; bits 0-2 the format, 6 is depth
	int           render_w, render_h;
	int           cur_w, cur_h;
	int           prepared;
	int           three_targets;
	const char*   name;
	float         saved_viewport[4];
	float         saved_content_x;
	float         saved_screen_w, saved_screen_h;

	// flags: 1 a depth renderbuffer, 2 a depth-stencil renderbuffer, 4 three colour targets
	OGL_framebuffer(int texture_ref, int texture_flags, int flags, int width, int height, unsigned long depth_rb,
	                unsigned long depth_stencil_rb, const char* name);
	void set_render_size(int width, int height);
	void begin_render(int to_framebuffer);
	void end_render();
};

extern UTL_stat g_fbo_flushes;

// Writes what is attached to the bound framebuffer (id, labelled name).
void OGL_dump_framebuffer(std::ostream& out, unsigned long id, const char* name);

#endif
