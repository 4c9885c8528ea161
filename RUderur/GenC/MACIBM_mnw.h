#ifndef MACIBM_MNW_H
#define MACIBM_MNW_H
// The window-manager record: one global, zero-filled at start.
// Platform handles are opaque here; the platform layer knows their types.
#include <string>

struct mnw_struct {
	int   aa_request;
	int   aa_level;
	int   unused_int;
	void* pixel_format;
	void* window[2];
	void* context[2];
	int   second_view;
	int   second_window;
	int   start_window;
	int   current_window;	// -1 before the first frame
	int   mouse_window;
	int   dialog;
	float origin_x, origin_y;
	float wind_w, wind_h;
	int   cursor_kind;
	int   open_menu;	// -1: no menu pulled down
	int   screen_w, screen_h, screen_depth;
	int   switch_depth;
	int   tex_res;
	int   req_w, req_h, req_depth;
	float half_screen_w, content_base_h;
	float content_x, content_y;
	int   windowed, vsync, vsync_double;
	float viewport[4];
	int   pix_scale_set;
	float pix_scale;
	float mouse_x, mouse_y;
	int   click_down, click_up;
	int   mouse_held;
	int   wheel;
	int   right_button;
	int   key_event;
	float last_move_time;
	float menu_click_time;	// event_time of the click that opened the menu
	float event_time;	// the press or release being handled, in seconds of the event clock
	int   key_held;
	int   language;
	int   language_preset;	// preset to 1
	// kept by the frame timer
	int   held_quarter, held_second, double_click, quick_click;
	float last_press_time;
	int   sec_mon_inuse;
	int   profiling;
	int   change_screen_mode;
	int   key_list;
	int   prefs_found;
};

extern mnw_struct mnw;

// The window strings: the current window's title, drawn by the window's
// painter, and the hint of the widget under the mouse, drawn by the hint box.
struct stls_class {
	std::string window_title;
	std::string mouse_help;
};
extern stls_class stls;

// Window ids: the application window and the fixed-size dialogs drawn
// centred over it (their sizes and titles are the shell's window table).
enum {
	WIND_main = 0,
	WIND_eula = 1,
	WIND_prefs = 2,			// the installer's preferences
	WIND_livery = 992,
	WIND_version = 993,		// the about box
	WIND_advise = 994,		// the alert
	WIND_intentions_small = 995,	// the save-changes question
	WIND_select_alert = 996,	// the engine's question about a changed file
	WIND_abort_alert = 997,		// the question before a run is cancelled
	WIND_open = 998,		// the file dialog's Open window
	WIND_save = 999			// and its Save window
};

#endif
