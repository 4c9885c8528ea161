// The texture manager: references to texture objects, paths back to
// references, the blank texture and the failure counts the frame loop warns about.
#include "tman.h"
#include "TEX_image.h"
#include "UTL_alert.h"
#include "UTL_clock.h"
#include "UTL_threads.h"
#include "MACIBM_mnw.h"
#include "THREAD_service.h"
#include <atomic>
#include <cstdio>
#include <cstring>

tman_class tman;
tman_hooks_t tman_hooks = {};

static std::string fmt(const char* f, double v)
{
	char b[64];
	snprintf(b, sizeof b, f, v);
	return b;
}

tman_class::tman_class() { UTL_critical_section_create(&lock); }
tman_class::~tman_class()
{
	// The process ends: the textures went with the GL context (the shell
	// unloads them while it is current); what is left is only the objects'
	// memory, freed without a call to GL.
	for (TEX_obj* o : refs)
		if (o) {
			o->gl_name = 0;
			delete o;
		}
	UTL_critical_section_destroy(&lock);
}

// The path's entry goes only when it names this reference: another reference
// that loaded the same path keeps its entry.
static void forget_path(tman_class& t, const std::string& path, int ref)
{
	auto it = t.paths.find(path);
	if (it != t.paths.end() && it->second == ref) t.paths.erase(it);
}

int tman_class::load_texture(tex_fail_mode fail_mode, int manual_ref, int flags, tex_load_time load_time,
                             const std::string& path)
{
	if (path.empty()) return 0;
	// a load that comes more than a second after the previous one tells the
	// user what is being loaded (on the start-up panel; drawing is the main thread's)
	static std::atomic<long long> last_call{-1};	// microseconds; any thread may load
	const long long now = (long long)xtim_class::microsecs();
	const bool quiet = path.compare(0, 13, "scratch_array") == 0 || manual_ref == 0 || manual_ref == 335 ||
	                   manual_ref == tman_ref_interface || manual_ref == tman_blank_ref ||
	                   (manual_ref >= tman_ref_back_first && manual_ref <= tman_ref_back_last);
	const long long before = last_call.exchange(now);
	if (before >= 0 && now > before + 1000000 && load_time == 2 && !quiet &&
	    (!THREAD_is_inited() || THREAD_is_main_thread()))
		if (tman_hooks.show_progress) tman_hooks.show_progress("Loading bitmap " + path + ".", nullptr);
	if (load_time < 0 || load_time > 2)
		APL_alert("Trying to create an invalid texture load_time!", path, "value:", fmt("%1.0f", load_time), t_exit);
	if (manual_ref < 0 || manual_ref >= tman_first_dynamic)
		APL_alert("Trying to bind too low or high a manual_ref!", path, "value:", fmt("%1.0f", manual_ref), t_exit);

	UTL_critical_section_lock(&lock);
	int ref = manual_ref;
	if (ref == 0) {
		auto it = paths.find(path);
		if (it != paths.end() && it->second < (int)refs.size() && refs[it->second]) {
			refs[it->second]->retain();
			int r = it->second;
			UTL_critical_section_unlock(&lock);
			return r;
		}
		ref = 0;
		for (int i = (int)refs.size() - 1; i >= tman_first_dynamic; --i)
			if (!refs[i]) { ref = i; break; }
		if (!ref) ref = (int)refs.size() > tman_first_dynamic ? (int)refs.size() : tman_first_dynamic;
	}
	if ((int)refs.size() <= ref) refs.resize(ref + 1, nullptr);
	TEX_obj* obj = refs[ref];
	if (obj) forget_path(*this, obj->path, ref);
	paths.emplace(path, ref);
	if (obj)
		obj->change_path(path, fail_mode);
	else {
		obj = new TEX_obj(ref == tman_blank_ref ? tman_blank_ref : 0, path, flags, fail_mode);
		refs[ref] = obj;
	}
	obj->flags = flags;
	UTL_critical_section_unlock(&lock);

	int ok = obj->load();
	if (ok || manual_ref == 0) return ref;
	return 0;
}

TEX_obj* tman_class::load_texture_obj(tex_fail_mode fail_mode, int flags, tex_load_time load_time, const std::string& path)
{
	int r = load_texture(fail_mode, 0, flags, load_time, path);
	return r ? fetch_ref(r) : nullptr;
}

void tman_class::bind_ref(int ref, int unit, int mode)
{
	TEX_obj* o = fetch_ref(ref);
	if (!o) APL_alert("Null texture - how?", "", fmt("ref=%6.0f", ref), "", t_exit);
	if (o) o->bind(unit, mode);
}

int tman_class::release_texture(int ref)
{
	TEX_obj* o = fetch_ref(ref);
	if (ref < tman_first_dynamic)
		APL_alert("Trying to release a manual texture - use unload_texture.", fmt("%f", ref), o ? o->path : "", "",
		          t_exit);
	if (!o) {
		APL_alert("Trying to release a null texture.", fmt("%f", ref), "", "", t_exit);
		return 0;
	}
	return o->release();
}

void tman_class::unload_texture(int ref)
{
	TEX_obj* o = fetch_ref(ref);
	if (ref >= tman_first_dynamic)
		APL_alert("Error: dynamic textures should be released, not unloaded.", o ? o->path : "", fmt("%f", ref), "",
		          t_exit);
	if (!o) return;
	UTL_critical_section_lock(&lock);
	forget_path(*this, o->path, ref);
	refs[ref] = nullptr;
	UTL_critical_section_unlock(&lock);
	o->nuke_all_refs();
	delete o;
}

void tman_class::unload_all()
{
	std::vector<TEX_obj*> all;
	UTL_critical_section_lock(&lock);
	for (TEX_obj*& o : refs)
		if (o) {
			all.push_back(o);
			o = nullptr;
		}
	paths.clear();
	blank = nullptr;
	UTL_critical_section_unlock(&lock);
	for (TEX_obj* o : all) delete o;
}

void tman_class::purge_unused_texes()
{
	std::vector<TEX_obj*> dead;
	UTL_critical_section_lock(&lock);
	for (int i = tman_first_dynamic; i < (int)refs.size(); ++i)
		if (refs[i] && !refs[i]->has_refs()) {
			forget_path(*this, refs[i]->path, i);
			dead.push_back(refs[i]);
			refs[i] = nullptr;
		}
	UTL_critical_section_unlock(&lock);
	for (TEX_obj* o : dead) delete o;
}

float tman_class::scale_rat()
{
	switch (mnw.tex_res) {
	case 0: return 1.0f / 32;
	case 1: return 1.0f / 16;
	case 2: return 1.0f / 8;
	case 3: return 1.0f / 4;
	case 4: return 1.0f / 2;
	default: return 1.0f;
	}
}

int tman_class::tot_vram()
{
	UTL_critical_section_lock(&lock);
	long sum = 0;
	for (TEX_obj* o : refs)
		if (o) sum += o->vram;
	UTL_critical_section_unlock(&lock);
	return (int)(sum + (long)mnw.screen_w * mnw.screen_h * mnw.screen_depth / 8);
}

TEX_obj* tman_class::fetch_ref(int ref)
{
	UTL_critical_section_lock(&lock);
	TEX_obj* o = (ref >= 0 && ref < (int)refs.size()) ? refs[ref] : nullptr;
	UTL_critical_section_unlock(&lock);
	return o;
}

float tman_class::tex_dx_vis(int r) { TEX_obj* o = fetch_ref(r); return o ? (float)o->vis_dx : 0; }
float tman_class::tex_dy_vis(int r) { TEX_obj* o = fetch_ref(r); return o ? (float)o->vis_dy : 0; }
float tman_class::tex_dx_tot(int r) { TEX_obj* o = fetch_ref(r); return o ? (float)o->tot_dx : 0; }
float tman_class::tex_dy_tot(int r) { TEX_obj* o = fetch_ref(r); return o ? (float)o->tot_dy : 0; }
int   tman_class::tex_vram(int r) { TEX_obj* o = fetch_ref(r); return o ? o->vram : 0; }
int   tman_class::tex_mode(int r) { TEX_obj* o = fetch_ref(r); return o ? o->gl_format : 0; }
int   tman_class::tex_loaded(int r) { TEX_obj* o = fetch_ref(r); return o ? o->loaded.load() : 0; }
int   tman_class::tex_exists(int r) { return fetch_ref(r) != nullptr; }
int   tman_class::tex_err(int r) { TEX_obj* o = fetch_ref(r); return o ? (o->loaded.load() && o->vram == 0) : 0; }
std::string tman_class::get_path(int r) { TEX_obj* o = fetch_ref(r); return o ? o->path : std::string(); }

int tman_class::has_alpha(int r)
{
	TEX_obj* o = fetch_ref(r);
	if (!o) return 0;
	int f = o->gl_format;
	return f == TEX_RGBA || f == TEX_ALPHA || f == TEX_DXT1_RGBA || f == TEX_DXT3 || f == TEX_DXT5;
}

int tman_class::ugly_reverse(TEX_obj* obj)
{
	UTL_critical_section_lock(&lock);
	auto it = paths.find(obj->path);
	int r = it == paths.end() ? -1 : it->second;
	UTL_critical_section_unlock(&lock);
	return r;
}

void TEX_init()
{
	memset(scratch_array, 0x82, 12);
	scratch_dx = 2;
	scratch_dy = 2;
	// made from memory: no file to miss
	(void)tman.load_texture(tex_fail_silent, tman_blank_ref, tman_scratch_rgb, tex_load_2, "scratch_array-blank_gray");
	tman.blank = tman.fetch_ref(tman_blank_ref);
}
