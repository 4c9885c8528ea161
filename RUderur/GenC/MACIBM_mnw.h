#ifndef MACIBM_MNW_H
#define MACIBM_MNW_H
// The window-manager record: one global, zero-filled at start.
// Platform handles are opaque here; the platform layer knows their types.

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
	float menu_click_time;
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

enum {
	WIND_main = 0,
	WIND_version = 993,
	WIND_advise = 994,
	WIND_intentions_small = 995
};

#endif
