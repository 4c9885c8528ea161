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
