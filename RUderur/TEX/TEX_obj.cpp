// Texture objects: a file (DDS, PNG or BMP) or the scratch image turned into
// a GL texture at the size the user's setting and the flags allow.
#include "TEX_obj.h"
#include "TEX_file.h"
#include "TEX_image.h"
#include "TEX_layout.h"
#include "tman.h"
#include "UTL_alert.h"
#include "UTL_log.h"
#include "THREAD_service.h"
#include <GL/gl.h>
#include <GL/glext.h>
#include <png.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int maxtexdim = 0;
static std::atomic<int> live_count{0}, loaded_count{0};

static std::string fmt1(double v)
{
	char b[64];
	snprintf(b, sizeof b, "%1.0f", v);
	return b;
}

TEX_obj::TEX_obj(int name, const std::string& p, int f, tex_fail_mode m)
	: path(p), gl_name((unsigned)name), gl_format(TEX_RGBA), flags(f), fail_mode(m)
{
	live_count.fetch_add(1);
}

TEX_obj::~TEX_obj()
{
	live_count.fetch_sub(1);
	if (loaded.load() && vram > 0) loaded_count.fetch_sub(1);
	delete evaluator.exchange(nullptr);
	if (gl_name != 0 && gl_name != tman_blank_ref) {
		glDeleteTextures(1, &gl_name);
		if (!THREAD_is_inited() || THREAD_is_main_thread()) TEX_reset_bind();
	}
}

bool TEX_obj::do_it()
{
	(void)load();	// a texture that fails is told by its fail mode
	queued.store(0);
	refs.fetch_sub(1);
	return false;
}

void TEX_obj::bind(int unit, int mode)
{
	int one = 1;
	if (loaded.compare_exchange_strong(one, 1) && vram > 0) TEX_bind_ref((int)gl_name, unit, mode);
	else TEX_bind_ref(tman_blank_ref, unit, mode);
}

void TEX_obj::retain()
{
	if (refs.fetch_add(1) + 1 <= 0) APL_alert("Ref count never went positive", "", path, "", t_exit);
}

int TEX_obj::release()
{
	int n = refs.fetch_sub(1) - 1;
	if (n < 0) APL_alert("Ref count went negative", "", path, "", t_exit);
	return n;
}

bool TEX_obj::has_refs() { return refs.load() != 0; }

void TEX_obj::change_path(const std::string& p, tex_fail_mode m)
{
	fail_mode = m;
	path = p;
}

void TEX_obj::replace_evaluator(TEX_evaluator* e)
{
	if (e) e->owner = this;
	TEX_evaluator* old = evaluator.load();
	while (!evaluator.compare_exchange_weak(old, e)) {}
	delete old;
}

void TEX_obj::queue_load(UTL_threadpool* pool)
{
	int zero = 0;
	if (queued.compare_exchange_strong(zero, 1)) {
		refs.fetch_add(1);
		pool->queue_task(this, 0);
	}
}

int TEX_obj::total_texes() { return live_count.load(); }
int TEX_obj::loaded_texes() { return loaded_count.load(); }

void check_dxy(int v, std::string p)
{
	if (v < 1 || v > 2048)
		APL_alert("Trying to create a texture either less than 1 or greater than 2048!", p, "value:", fmt1(v), t_exit);
}

float TEX_get_scale(const std::string& p, int flags, int dx, float max_scale, int dy, int* vdx, int* vdy, int* tdx,
                    int* tdy, int mode)
{
	float s = tman.scale_rat();
	if (flags & tex_double_res) s = std::min(2 * s, 1.0f);
	if (flags & tex_halve_res) s = std::min(s / 2, 1.0f);
	if (flags & tex_full_res) s = 1;
	if (mode == 1) s = 1;
	if (dx > 0 && s < 1.0f / dx) s = 1.0f / dx;
	if (dy > 0 && s < 1.0f / dy) s = 1.0f / dy;
	int lim = TEX_cap_max_texture_size();
	while (s * dx > lim || s * dy > lim) s /= 2;
	if (max_scale <= s) s = max_scale;
	*vdx = (int)(s * dx);
	*vdy = (int)(s * dy);
	*tdx = (flags & tex_keep_size) ? *vdx : TEX_next_pow2(*vdx);
	*tdy = (flags & tex_keep_size) ? *vdy : TEX_next_pow2(*vdy);
	check_dxy(dx, p);
	check_dxy(dy, p);
	check_dxy(*vdx, p);
	check_dxy(*vdy, p);
	check_dxy(*tdx, p);
	check_dxy(*tdy, p);
	return s;
}

static bool is_pow2(int v) { return v > 0 && (v & (v - 1)) == 0; }

static long le32(const unsigned char* p) { return (long)((unsigned)p[0] | (unsigned)p[1] << 8 | (unsigned)p[2] << 16 | (unsigned)p[3] << 24); }
static long be32(const unsigned char* p) { return (long)((unsigned)p[3] | (unsigned)p[2] << 8 | (unsigned)p[1] << 16 | (unsigned)p[0] << 24); }

// The size a texture file's header declares, read before anything is decoded:
// an image no texture can hold is refused like a damaged one, without the work
// (and the memory) of decoding it. Empty when the header does not say.
static std::string size_refusal(const unsigned char* b, const unsigned char* e)
{
	long w = 0, h = 0;
	bool dds = false;
	if (e - b >= 20 && !memcmp(b, "DDS ", 4)) {
		h = le32(b + 12);
		w = le32(b + 16);
		dds = true;
	} else if (e - b >= 26 && b[0] == 'B' && b[1] == 'M') {
		w = le32(b + 18);
		h = le32(b + 22);
		if (h < 0) h = -h;	// a top-down bitmap
	} else if (e - b >= 24 && !png_sig_cmp((png_const_bytep)b, 0, 8) && !memcmp(b + 12, "IHDR", 4)) {
		w = be32(b + 16);
		h = be32(b + 20);
	} else {
		return "";
	}
	char why[96];
	if (w < 1 || h < 1 || w > 2048 || h > 2048)
		snprintf(why, sizeof why, "its size %ldx%ld is not 1 to 2048 on each side", w, h);
	else if (dds && (!is_pow2((int)w) || !is_pow2((int)h)))
		snprintf(why, sizeof why, "it is DDS but its size %ldx%ld is not a power of 2", w, h);
	else
		return "";
	return why;
}

static bool on_main() { return !THREAD_is_inited() || THREAD_is_main_thread(); }

int TEX_obj::load()
{
	if (flags < 0 || flags > tex_flags_all) APL_alert("Trying to bind an invalid filter type!", path, "value:", fmt1(flags), t_exit);
	maxtexdim = TEX_cap_max_texture_size();
	// the sizes GL holds now; the scale below overwrites the fields
	const int stored_dx = tot_dx, stored_dy = tot_dy;
	static const int codes[8] = {0, TEX_RGB, TEX_RGBA, TEX_ALPHA, TEX_RGB, TEX_RGBA, TEX_DEPTH, TEX_BGRA};
	int code = flags & tex_colour_code;
	if (code == 0) APL_alert("BAD color enum for tman - see tman.h for valid colors!  We cannot pass 0.", "", "", "", t_exit);
	int  format = codes[code];
	int  follow = (code == 4 || code == 5);
	bool ok = false;
	TEX_image_desc desc = {format, 0, 0, 0, 0};
	unsigned char* pixels = nullptr;
	unsigned char* owned = nullptr;

	if (path.compare(0, 13, "scratch_array") == 0) {
		check_dxy(scratch_dx, path);
		check_dxy(scratch_dy, path);
		TEX_get_scale(path, flags, scratch_dx, 1.0f, scratch_dy, &vis_dx, &vis_dy, &tot_dx, &tot_dy, 1);
		desc = {format, tot_dx, tot_dy, 0, 0};
		pixels = scratch_array;
		ok = true;
	} else if (!path.empty()) {
		unsigned char* target = (flags & tex_via_scratch) ? scratch_array : nullptr;
		std::string p = path;
		float req = 1.0f;
		if (TEX_evaluator* e = evaluator.load()) e->adjust_request(p, req);
		std::string stem = p;
		if (stem.size() > 4 && stem[stem.size() - 4] == '.') stem.erase(stem.size() - 4);
		for (const char* ext : {".dds", ".png", ".bmp"})
			if (access(TEX_file_path(stem + ext).c_str(), R_OK) == 0) {
				p = stem + ext;
				break;
			}
		TEX_mapped_file map(p);
		const std::string refused = map.begin ? size_refusal(map.begin, map.end) : std::string();
		if (!refused.empty()) xer << "WARNING: texture " << p << " refused: " << refused << ".\n";
		if (map.begin && map.end - map.begin > 7 && refused.empty()) {
			const unsigned char* b = map.begin;
			int kind = 0;
			const unsigned char* dds_px = nullptr;
			if (!memcmp(b, "DDS ", 4) && TEX_load_dds_mem(p, b, map.end, dds_px, desc) && desc.has_mipmaps) kind = 1;
			if (!kind && b[0] == 'B' && b[1] == 'M') {
				unsigned char* px = target;
				if (TEX_load_bmp_mem(p, b, map.end, px, format, 0, 1, desc)) { kind = 2; pixels = px; }
			}
			if (!kind && !png_sig_cmp((png_const_bytep)b, 0, 8)) {
				unsigned char* px = target;
				if (TEX_load_png_mem(p, b, map.end, px, format, 0, 1, follow, desc)) { kind = 2; pixels = px; }
			}
			if (kind == 2 && !target) owned = pixels;
			if (kind) {
				float s = TEX_get_scale(p, flags, desc.width, req, desc.height, &vis_dx, &vis_dy, &tot_dx, &tot_dy, 2);
				float ratio = 1.0f / s;
				if (kind == 1) {
					if (!is_pow2(desc.width) || !is_pow2(desc.height))
						APL_alert("Error: the texture", p, "is DDS but its size is not power of 2.", "", t_exit);
					while (ratio > 1.0f && (desc.width > 1 || desc.height > 1)) {
						TEX_image_desc top = desc;
						top.has_mipmaps = 0;
						dds_px += TEX_bytes_needed_for_image(top);
						if (desc.width > 1) desc.width /= 2;
						if (desc.height > 1) desc.height /= 2;
						ratio /= 2;
					}
					int n = TEX_bytes_needed_for_image(desc);
					pixels = target ? target : (owned = (unsigned char*)malloc(n));
					if (n > 0 && (!target || n <= TEX_SCRATCH_BYTES) && pixels) {
						memcpy(pixels, dds_px, n);
						if (TEX_flip_y(desc, pixels) && desc.format == TEX_DXT1_RGB) desc.format = TEX_DXT1_RGBA;
						tot_dx = desc.width;
						tot_dy = desc.height;
						ok = true;
					}
				} else {
					if ((!is_pow2(desc.width) || !is_pow2(desc.height)) && !(flags & (tex_keep_size | tex_no_pow2_warning)))
						xer << "WARNING: texture " << p << " has a size that is not a power of 2; it may not render correctly.\n";
					desc.width = TEX_next_pow2(desc.width);
					desc.height = TEX_next_pow2(desc.height);
					desc.pad = 0;
					int r = (int)ratio;
					if (r > 1) TEX_downscale(desc, pixels, std::min(r, desc.width), std::min(r, desc.height));
					ok = true;
				}
			}
		}
	}

	if (!ok) {
		vis_dx = vis_dy = tot_dx = tot_dy = 2;
		vram = 0;
		gl_format = TEX_RGB;
		loaded.store(1);
		free(owned);
		if (fail_mode == tex_fail_scene) tman.got_scene_load_fail();
		if (fail_mode == tex_fail_plane) tman.got_plane_load_fail();
		if (fail_mode == tex_fail_instl) tman.got_instl_load_fail();
		if (fail_mode == tex_fail_alert)
			APL_alert("Trying to load a texture that you do not have!", "This smacks of a mis-installed copy of Vantor!",
			          "Please get a new download from the Vantor web site. The missing file is:", path, t_exit);
		if (fail_mode != tex_fail_silent) xer << "WARNING: we are missing the texture: " << path << ".\n";
		return 0;
	}

	// Upload.
	if (desc.format == TEX_RGBA && !desc.has_mipmaps && path.compare(0, 13, "scratch_array") != 0)
		TEX_clean_edge(desc, pixels);
	int  f = desc.format;
	bool compressed = f >= TEX_DXT1_RGB && f <= TEX_DXT5;
	int  internal = f == TEX_BGRA ? TEX_RGBA : f == TEX_BGR ? TEX_RGB : f;
	if (flags & tex_half_float) internal = f == TEX_RGB ? 0x881B : f == TEX_RGBA ? 0x881A : f == TEX_ALPHA ? 0x881C : internal;
	if (f == TEX_DEPTH) internal = 0x81A7;
	if (flags & tex_sized_8bit) internal = internal == TEX_RGB ? 0x8051 : internal == TEX_RGBA ? 0x8058 : internal;
	bool main_thread = on_main();
	bool hw_mip = (flags & tex_mipmaps) && TEX_cap_auto_mipmap() && !compressed && !(flags & tex_sized_8bit);
	bool sub = loaded.load() && main_thread && gl_format == f && stored_dx == desc.width && stored_dy == desc.height &&
	           gl_name != 0 && (!(flags & tex_mipmaps) || hw_mip);
	bool sw_mip = (flags & tex_mipmaps) && !hw_mip && !desc.has_mipmaps;
	if (!(flags & tex_keep_size) && (!is_pow2(desc.width) || !is_pow2(desc.height)))
		APL_alert("load_tex: Trying to read a texture that is not a power of 2!", path, "", "", t_exit);
	check_dxy(desc.width, path);
	check_dxy(desc.height, path);
	tot_dx = desc.width;
	tot_dy = desc.height;
	gl_format = f;
	vram = TEX_bytes_needed_for_image(desc);

	unsigned name = gl_name;
	bool fresh = false;
	if (name == 0) {
		glGenTextures(1, &name);
		gl_name = name;
	} else if (!main_thread) {
		glGenTextures(1, &name);
		fresh = true;
	}
	glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
	if (main_thread) {
		GLboolean was = glIsEnabled(GL_TEXTURE_2D);
		if (!was) glEnable(GL_TEXTURE_2D);
		TEX_bind_ref((int)name, 0, 0);
		if (!was) glDisable(GL_TEXTURE_2D);
	} else
		glBindTexture(GL_TEXTURE_2D, name);

	int w = desc.width, h = desc.height;
	unsigned char* level = pixels;
	for (int lv = 0;; ++lv) {
		if (hw_mip) glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, 1);
		TEX_image_desc one = {f, w, h, 0, 0};
		int n = TEX_bytes_needed_for_image(one);
		if (compressed) glCompressedTexImage2D(GL_TEXTURE_2D, lv, f, w, h, 0, n, level);
		else if (sub) glTexSubImage2D(GL_TEXTURE_2D, lv, 0, 0, w, h, f, GL_UNSIGNED_BYTE, level);
		else glTexImage2D(GL_TEXTURE_2D, lv, internal, w, h, 0, f, GL_UNSIGNED_BYTE, level);
		if (w == 1 && h == 1) break;
		if (desc.has_mipmaps) {
			level += n;
			if (w > 1) w /= 2;
			if (h > 1) h /= 2;
		} else if (sw_mip) {
			TEX_image_desc d2 = one;
			TEX_downscale(d2, level, w >= 2 ? 2 : 1, h >= 2 ? 2 : 1);
			w = d2.width;
			h = d2.height;
		} else
			break;
	}
	if (compressed) {
		GLint is = 0, size = 0;
		glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED, &is);
		glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED_IMAGE_SIZE, &size);
		if (is) vram = (int)(size * ((flags & tex_mipmaps) ? 1.33f : 1.0f));
	}
	int clamp = TEX_cap_clamp_to_edge() ? GL_CLAMP_TO_EDGE : GL_CLAMP;
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, (flags & (tex_clamp | tex_clamp_s)) ? clamp : GL_REPEAT);
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, (flags & tex_clamp) ? clamp : GL_REPEAT);
	if (TEX_cap_anisotropy()) glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, 1.0f);
	if (flags & tex_nearest) {
		glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
		glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
	} else {
		glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, (flags & 8) ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
		glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
	}
	if (f == TEX_DEPTH) {
		glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_R_TO_TEXTURE);
		glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
	}
	if (main_thread) glFlush();
	else glBindTexture(GL_TEXTURE_2D, 0);
	if (fresh) {
		unsigned old = gl_name;
		gl_name = name;
		if (old && old != tman_blank_ref) glDeleteTextures(1, &old);
		if (main_thread) TEX_reset_bind();
	}
	int zero = 0;
	if (loaded.compare_exchange_strong(zero, 1)) loaded_count.fetch_add(1);
	free(owned);
	return 1;
}
