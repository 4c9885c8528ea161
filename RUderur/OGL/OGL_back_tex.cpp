// The background picture and the screenshot writer.
#include "OGL_back_tex.h"
#include "colr.h"
#include "OGL_extensions.h"
#include "OGL_setstate.h"
#include "oglp.h"
#include "tman.h"
#include "TEX_image.h"
#include "TEX_rle.h"
#include "UTL_log.h"
#include "MACIBM_mnw.h"
#include "PLAT_gl.h"
#include "THREAD_service.h"
#include "UTL_alert.h"
#include "UTL_threads.h"
#include "io_utils.h"
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

static const char* intro_path = "Resources/bitmaps/intro.png";
static const char* maker_site = "www.tarrowfield.example";

static pthread_mutex_t bt_cs;
static std::once_flag  bt_made;
static int             pic_w = 0, pic_h = 0, back_col = 0;
static unsigned char*  packed = nullptr;
static size_t          packed_bytes = 0;

// Drawing may come before any build, so either function creates the lock.
static void bt_lock()
{
	std::call_once(bt_made, [] { UTL_critical_section_create(&bt_cs); });
	UTL_critical_section_lock(&bt_cs);
}

static bool on_main() { return !THREAD_is_inited() || THREAD_is_main_thread(); }

void OGL_make_back_tex()
{
	bt_lock();
	if (mnw.current_window == -1) {
		memset(scratch_array, 0, TEX_SCRATCH_BYTES);
		TEX_image_desc d = {TEX_RGBA, 0, 0, 0, 0};
		unsigned char* px = scratch_array;
		if (TEX_load_any(intro_path, px, TEX_RGBA, 2048, 0, d)) {
			back_col = 0;
			pic_w = d.width;
			pic_h = d.height;
			TEX_image_desc whole = {TEX_RGBA, 2048, 2048, 0, 0};
			free(packed);
			packed_bytes = TEX_pack_image_rle(whole, scratch_array, 2048, 2048, back_tex_tile, packed);
		} else {
			// Off the main thread the alert comes back: there is nothing to cut then.
			APL_alert("Trying to load a texture that you do not have!", "This smacks of a mis-installed copy of Vantor!",
			          std::string("Get a new download from ") + maker_site + ". The missing file is:", intro_path,
			          t_exit);
		}
	}
	if (packed) {
		const bool main = on_main();
		if (main) OGL_setstate(fog_fals, 1, lit_fals, al_blend, deR_fals, deW_fals);
		const int side = back_tex_tile;
		unsigned char* buf = (unsigned char*)malloc((size_t)side * side * 4);
		for (int r = 0; r < 4 && buf; ++r)
			for (int c = 0; c < 4; ++c) {
				int ref = back_tex_first_ref + 4 * r + c;
				if (!tman.tex_exists(ref)) {
					scratch_dx = scratch_dy = side;
					(void)tman.load_texture(tex_fail_alert, ref, 0x192, tex_load_2, "scratch_array-t_tex_back (tile)");
				}
				if (main) tman.bind_ref(ref, 0, 0);
				else if (TEX_obj* o = tman.fetch_ref(ref)) glBindTexture(GL_TEXTURE_2D, o->gl_name);
				TEX_unpack_image_rle(packed, packed_bytes, 2048 * side * r + side * c, 2048 - side, side, side, buf);
				glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, side, side, GL_RGBA, GL_UNSIGNED_BYTE, buf);
			}
		free(buf);
		free(packed);
		packed = nullptr;
		packed_bytes = 0;
	}
	UTL_critical_section_unlock(&bt_cs);
}

int OGL_back_tex_layout(int current_window, int screen_w, int screen_h, float content_x, int W, int H, float box[4],
                        OGL_back_quad out[16])
{
	float left, right, bottom, top;
	if (current_window == -1) {
		right = (float)std::min(screen_w, W);
		left = right - W;
		top = (float)(screen_h + std::max(0, std::min(H - screen_h, 512)));
		bottom = top - H;
	} else {
		left = content_x;
		right = left + W;
		bottom = 0;
		top = (float)H;
	}
	box[0] = left;
	box[1] = right;
	box[2] = bottom;
	box[3] = top;
	const float tw = (right - left) / 4, th = (top - bottom) / 4;
	auto cx = [&](float v) { return std::max(left, std::min(v, right)); };
	auto cy = [&](float v) { return std::max(bottom, std::min(v, top)); };
	int n = 0;
	for (int r = 0; r < 4; ++r)
		for (int c = 0; c < 4; ++c) {
			OGL_back_quad q = {back_tex_first_ref + 4 * r + c, cx(left + c * tw), cy(bottom + r * th),
			                   cx(left + (c + 1) * tw), cy(bottom + (r + 1) * th)};
			if (q.x2 > 0 && q.x1 < screen_w && q.y2 > 0 && q.y1 < screen_h) out[n++] = q;
		}
	return n;
}

void OGL_plot_back_tex()
{
	bt_lock();
	const bool start = mnw.current_window == -1;
	float box[4];
	OGL_back_quad q[16];
	int n = OGL_back_tex_layout(mnw.current_window, mnw.screen_w, mnw.screen_h, mnw.content_x, pic_w, pic_h, box, q);
	if (start && (pic_w < mnw.screen_w || pic_h < mnw.screen_h))
		OGL_fillrect(colr_back, 1, -mnw.origin_x, -mnw.origin_y, (float)mnw.screen_w, (float)mnw.screen_h);
	OGL_setstate(fog_fals, 1, lit_fals, ren.alpha_mult > 0.99f ? al_test : al_blend, deR_fals, deW_fals);
	OGL_set_color(back_col, 1);
	for (int i = 0; i < n; ++i) {
		tman.bind_ref(q[i].ref, 0, 0);
		glBegin(GL_QUADS);
		glTexCoord2f(0, 0); glVertex2f(q[i].x1, q[i].y1);
		glTexCoord2f(0, 1); glVertex2f(q[i].x1, q[i].y2);
		glTexCoord2f(1, 1); glVertex2f(q[i].x2, q[i].y2);
		glTexCoord2f(1, 0); glVertex2f(q[i].x2, q[i].y1);
		glEnd();
	}
	UTL_critical_section_unlock(&bt_cs);
}

void OGL_screenshot_block(int screen_w, int screen_h, int& x, int& y, int& w, int& h)
{
	w = std::max(0, std::min(screen_w, 2048));
	h = std::max(0, std::min(screen_h, 2048));
	x = (screen_w - w) / 2;
	y = (screen_h - h) / 2;
}

void OGL_screenshot(int save)
{
	static int counter = -1;
	int x, y, w, h;
	OGL_screenshot_block(mnw.screen_w, mnw.screen_h, x, y, w, h);
	// Rows of 3-byte pixels lie tight, as the PNG writer reads them.
	GLint align = 4;
	glGetIntegerv(GL_PACK_ALIGNMENT, &align);
	glPixelStorei(GL_PACK_ALIGNMENT, 1);
	glReadPixels(x, y, w, h, GL_RGB, GL_UNSIGNED_BYTE, scratch_array);
	glPixelStorei(GL_PACK_ALIGNMENT, align);
	if (!save) return;
	std::string name;
	do {
		++counter;
		name = "screenshot_" + std::to_string(counter) + ".png";
	} while (file_exists(name));
	if (!write_png_to_disk(name, w, h, 3)) xer << "The screenshot " << name << " could not be written.\n";
}
