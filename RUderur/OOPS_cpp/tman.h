#ifndef TMAN_H
#define TMAN_H
// The texture manager: every texture the program draws, by integer reference.
// 1..1154 are manual references fixed by the code; 1155 and up are dynamic.
#include "TEX_obj.h"
#include <atomic>
#include <pthread.h>
#include <string>
#include <unordered_map>
#include <vector>

enum { tman_first_dynamic = 1155, tman_blank_ref = 950 };

// The manual references the program loads or draws.
enum {
	tman_ref_interface = 410,	// the interface art: widgets, cursors, frames
	tman_ref_elements = 413,	// the language's interface elements: the wizard's buttons and step bands
	tman_ref_map = 414,		// the world map
	tman_ref_background = 415,	// the window's background
	tman_ref_file_icon = 427,	// the file dialog's icon of the picked file
	tman_ref_movie = 429,		// the movie recorder's frame grab
	tman_ref_env17 = 438,		// bound with environment mode 17; nothing loads it
	tman_ref_back_first = 447,	// the background picture's tiles, 447..462
	tman_ref_back_last = 462
};

// The flag words of the program's own art: full resolution, nearest filtering.
enum {
	tman_art_rgba = tex_full_res | tex_no_pow2_warning | tex_carried | tex_nearest | tex_rgba,
	tman_art_rgb = tex_full_res | tex_no_pow2_warning | tex_carried | tex_nearest | tex_rgb,
	// the interface art goes through the scratch image: start-up reads colours from its pixels
	tman_art_interface = tex_via_scratch | tex_full_res | tex_carried | tex_nearest | tex_rgba,
	tman_scratch_rgb = tex_carried | tex_rgb,	// an image already in the scratch buffer
	tman_font_atlas = tex_full_res | tex_carried | tex_alpha
};

class tman_class {
public:
	std::vector<TEX_obj*>                refs;
	std::unordered_map<std::string, int> paths;
	TEX_obj*                             blank = nullptr;
	std::atomic<int>                     scene_fail{0};
	int                                  scene_muted = 0;
	std::atomic<int>                     plane_fail{0};
	int                                  plane_muted = 0;
	std::atomic<int>                     instl_fail{0};
	int                                  instl_muted = 0;
	pthread_mutex_t                      lock;

	tman_class();
	~tman_class();

	int      load_texture(tex_fail_mode fail_mode, int manual_ref, int flags, tex_load_time load_time,
	                      const std::string& path);
	TEX_obj* load_texture_obj(tex_fail_mode fail_mode, int flags, tex_load_time load_time, const std::string& path);
	void     bind_ref(int ref, int unit, int mode);
	int      release_texture(int ref);
	void     unload_texture(int ref);
	void     purge_unused_texes();
	// Frees every texture, manual and dynamic, while the context that holds
	// them is still current: the shell's last step before it drops the context.
	void     unload_all();
	float    scale_rat();
	int      tot_vram();

	TEX_obj*    fetch_ref(int ref);
	TEX_obj*    get_known_obj(int ref) { return fetch_ref(ref); }
	float       tex_dx_vis(int ref);
	float       tex_dy_vis(int ref);
	float       tex_dx_tot(int ref);
	float       tex_dy_tot(int ref);
	int         tex_vram(int ref);
	int         tex_mode(int ref);
	int         has_alpha(int ref);
	int         tex_err(int ref);
	int         tex_loaded(int ref);
	int         tex_exists(int ref);
	std::string get_path(int ref);
	int         ugly_reverse(TEX_obj* obj);

	void got_scene_load_fail() { scene_fail.fetch_add(1); }
	void got_plane_load_fail() { plane_fail.fetch_add(1); }
	void got_instl_load_fail() { instl_fail.fetch_add(1); }
	int  has_scene_load_fail() { return !scene_muted && scene_fail.fetch_add(0) > 0; }
	int  has_plane_load_fail() { return !plane_muted && plane_fail.fetch_add(0) > 0; }
	int  has_instl_load_fail() { return !instl_muted && instl_fail.fetch_add(0) > 0; }
	void reset_scene_load_fail() { scene_fail.fetch_sub(scene_fail.load()); }
	void reset_plane_load_fail() { plane_fail.fetch_sub(plane_fail.load()); }
	void reset_instl_load_fail() { instl_fail.fetch_sub(instl_fail.load()); }
	void mute_scene_load_fail() { scene_muted = 1; }
	void mute_plane_load_fail() { plane_muted = 1; }
	void mute_instl_load_fail() { instl_muted = 1; }
};

extern tman_class tman;

// The shell fills this in at start-up: a slow load on the main thread shows a
// line of progress through it; left empty, loads show nothing.
struct tman_hooks_t {
	void (*show_progress)(const std::string& message, float* progress);
};
extern tman_hooks_t tman_hooks;

void TEX_init();

#endif
