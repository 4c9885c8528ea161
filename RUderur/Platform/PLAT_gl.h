#ifndef PLAT_GL_H
#define PLAT_GL_H
#include <string>
// The one platform window and its OpenGL contexts (a compatibility context:
// the drawing is immediate mode).

struct PLAT_display_mode {
	int w, h, depth;
};

// The desktop's current mode; 0 when no display can be asked.
int  PLAT_get_display_mode(PLAT_display_mode* out);

// Opens window `index` (0 main, 1 second) with a double-buffered GL visual of
// the given depth-buffer bits and multisample count; 1 on success.
int  PLAT_window_open(int index, const char* title, int x, int y, int w, int h, int framed,
                      int depth_bits, int samples);
void PLAT_window_close(int index);
// Sets the title bar of an open window (UTF-8).
void PLAT_window_title(int index, const char* title);
void* PLAT_window_handle(int index);

// Contexts: created on window `index`, optionally sharing objects with `share`.
void* PLAT_gl_create_context(int index, void* share);
int  PLAT_gl_make_current(int index, void* ctx);	// 1 on success
void PLAT_gl_delete_context(void* ctx);
int  PLAT_gl_library_loaded();
void* PLAT_gl_get_proc(const char* name);
void PLAT_gl_swap();
int  PLAT_gl_set_swap_interval(int interval);	// 0 on success, else the driver's code

// What the visual got, for the log; -1 when the query failed.
int  PLAT_gl_attribute(int which);
enum { PLAT_attr_double = 0, PLAT_attr_red, PLAT_attr_green, PLAT_attr_blue, PLAT_attr_alpha, PLAT_attr_depth, PLAT_attr_samples };
// Video memory in bytes, -1 when the driver does not say.
long long PLAT_video_memory();

// Cursor
void PLAT_cursor_show(int show);
void PLAT_cursor_arrow();
void PLAT_warp_mouse(int index, int x, int y);

#endif
