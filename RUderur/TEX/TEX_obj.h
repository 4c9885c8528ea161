#ifndef TEX_OBJ_H
#define TEX_OBJ_H
// A texture known to the texture manager: its source, its GL texture, sizes
// and load state. Loads may run on the thread pool, so the state is atomic.
#include "UTL_threadpool.h"
#include <atomic>
#include <string>

enum tex_fail_mode { tex_fail_silent = 0, tex_fail_scene = 1, tex_fail_plane = 2, tex_fail_instl = 3, tex_fail_alert = 4 };
enum tex_load_time { tex_load_0 = 0, tex_load_1 = 1, tex_load_2 = 2 };

// Load flags of a texture: a colour code in the low three bits, then switches.
enum {
	tex_rgb = 1,
	tex_rgba = 2,
	tex_alpha = 3,
	tex_rgb_to_rgba = 4,		// RGB, promoted to RGBA when the PNG file has alpha
	tex_rgba_to_rgb = 5,		// RGBA, reduced to RGB when the PNG file has none
	tex_depth = 6,
	tex_bgra = 7,
	tex_colour_code = 0x7,
	tex_mipmaps = 0x8,
	tex_nearest = 0x10,		// nearest filtering, no mipmaps used
	tex_carried = 0x80,		// carried in the flag words as written, read by nothing
	tex_clamp = 0x100,		// clamp in S and T
	tex_clamp_s = 0x200,		// clamp in S only
	tex_half_float = 0x400,		// 16-bit floating-point internal format
	tex_sized_8bit = 0x800,		// RGB8, RGBA8; no hardware mipmaps
	tex_keep_size = 0x1000,		// no power-of-two rounding or check
	tex_no_pow2_warning = 0x2000,
	tex_double_res = 0x4000,	// double the resolution scale (at most 1)
	tex_halve_res = 0x8000,
	tex_full_res = 0x10000,		// ignore the user's resolution setting
	tex_via_scratch = 0x20000,	// decoded into the scratch image and uploaded from it
	tex_flags_all = 0x3FFFF		// a flag word with any other bit is refused
};

class TEX_obj;

class TEX_evaluator {
public:
	TEX_obj* owner = nullptr;
	virtual ~TEX_evaluator() {}
	virtual void adjust_request(std::string& path, float& scale) = 0;
};

class TEX_obj : public UTL_pool_task {
public:
	std::string                 path;
	unsigned                    gl_name;
	int                         vis_dx = 0, vis_dy = 0;
	int                         tot_dx = 0, tot_dy = 0;
	int                         vram = 0;
	int                         gl_format;
	int                         flags;
	tex_fail_mode               fail_mode;
	std::atomic<int>            loaded{0};
	std::atomic<int>            queued{0};
	std::atomic<int>            refs{1};
	std::atomic<TEX_evaluator*> evaluator{nullptr};

	TEX_obj(int gl_name, const std::string& path, int flags, tex_fail_mode fail_mode);
	virtual ~TEX_obj();
	bool        do_it() override;
	const char* get_debug_name() override { return path.c_str(); }

	int  load();
	void bind(int unit, int mode);
	void retain();
	int  release();
	bool has_refs();
	void change_path(const std::string& p, tex_fail_mode m);
	void replace_evaluator(TEX_evaluator* e);
	void queue_load(UTL_threadpool* pool);
	void nuke_all_refs() {}
	static int total_texes();
	static int loaded_texes();
};

extern int maxtexdim;

float TEX_get_scale(const std::string& path, int flags, int dx, float max_scale, int dy, int* vis_dx, int* vis_dy,
                    int* tot_dx, int* tot_dy, int mode);
void  check_dxy(int value, std::string path);

// Binding through a per-unit cache of GL name and environment mode.
void TEX_bind_ref(int gl_name, int unit, int mode);
void TEX_reset_bind();
void TEX_set_blend_level(int unit, float level);
void TEX_set_tint(int unit, float r, float g, float b, float a);

// Capabilities the texture code asks of the GL layer.
int  TEX_cap_max_texture_size();
int  TEX_cap_texture_units();
bool TEX_cap_combine();
bool TEX_cap_auto_mipmap();
bool TEX_cap_clamp_to_edge();
bool TEX_cap_anisotropy();

#endif
