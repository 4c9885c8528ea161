#ifndef MACIBM_SHELL_H
#define MACIBM_SHELL_H
// The application shell: start-up, the window and its context, the frame loop.
#include <string>

struct PLAT_event;

// Start-up and the context (hl_init)
void  MACIBM_init(int argc, const char* const* argv);
int   MACIBM_make_context(int index);
void  MACIBM_setres(int flag);
void  MACIBM_nuke_context(int index);
void* MACIBM_make_context_loader();
int   MACIBM_set_context_loader(void* ctx);
void  MACIBM_show_init(const std::string& message, float* progress);

extern int plot_init_lights;
extern int g_mon_x_res_now, g_mon_y_res_now;
extern int is_demo;	// start-up found the demo's few earth textures: the about box says "Web Demo"

// The frame loop, windows and mouse (hl_mnw)
void MACIBM_event_proc();
// The event step of a frame: waits at most one tick for the first event and
// hands every event on to its handler.
void MACIBM_take_events();
void APL_handlewin(PLAT_event* ev);
int  APL_HandlePlatformEvent(PLAT_event* ev);	// 0 handled, -9874 not taken
void MACIBM_startwind(int id, int flag);
void MACIBM_handleclick(int force_close);
void MACIBM_handlerelease();
// While a menu is open, moving onto another title of the bar opens that one.
void MACIBM_menu_track();
void mouse_help_per_wind(int id);
// Where the help balloon of a text of `length` bytes goes for the mouse of
// mnw: the lower-left corner of its text box and its height (the frame lies
// 10 units outside the box).
void MACIBM_help_box(size_t length, float* x, float* y, float* h);
void MACIBM_movemouse(int x, int y, int window_index);
int  MACIBM_load_mxy(int window_index, int h, int v);
int  has_optionkey();
int  has_shiftkey();
int  has_controlkey();
int  has_capslock();

// A dialog id's fixed size and title; 0 for the full window.
struct MACIBM_wind_spec {
	int         id;
	const char* title;
	int         w, h;
};
const MACIBM_wind_spec* MACIBM_find_wind(int id);
// Centring of a window of logical size w on a screen of screen_w pixels.
float MACIBM_centre(float screen, float wind, float pix_scale);

// The application fills these in before its first frame: the shell calls
// update once a frame to draw it and move it on, handlemenu when a menu item
// (by its id) is chosen. Left empty, frames draw only the shell's own parts.
struct MACIBM_app_hooks_t {
	void (*update)();
	void (*handlemenu)(int item);
};
extern MACIBM_app_hooks_t MACIBM_app_hooks;

#endif
