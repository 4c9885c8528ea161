// The framework's Open (998) and Save (999) window, drawn with its own widgets, and
// the path pickers whose folder icon opens it. The window runs the frame loop
// itself while it is current.
#include "butn_files.h"
#include "colr.h"
#include "MACIBM_mnw.h"
#include "MACIBM_shell.h"
#include "OGL_fonts.h"
#include "OGL_setstate.h"
#include "UTL_alert.h"
#include "UTL_globals.h"
#include "keys.h"
#include "UTL_translate.h"
#include "oglp.h"
#include "opensave.h"
#include "path_utils.h"
#include "tman.h"
#include <algorithm>
#include <cstring>

float io_dx = 290;
float io_dy = 220;

static void check_args(int window_id, int kind, const char* bad_window, const char* bad_kind)
{
	if (window_id != WIND_open && window_id != WIND_save)
		__MACIBM_alert(0, bad_window, "", "", "", t_exit, "butn", __LINE__);
	if (kind < 0 || kind > BTN_io_last_kind) __MACIBM_alert(0, bad_kind, "", "", "", t_exit, "butn", __LINE__);
}

static int in_box(float x0, float x1, float y0, float y1)
{
	return mnw.mouse_x >= x0 && mnw.mouse_x <= x1 && mnw.mouse_y >= y0 && mnw.mouse_y <= y1;
}

// --- the preview panel of the Open window ---

static std::string old_path, comment;
static int         has_tex = 0;
static char        top_of_veh[BTN_acf_header_bytes + 1];	// one more byte: the last text always ends

static int contains(const std::string& s, const char* a, const char* b)
{
	return s.find(a) != std::string::npos || s.find(b) != std::string::npos;
}

void stand_io_dialog(int window_id, int kind, std::string path)
{
	OGL_plot_back_col();
	BTN_fillwin(1, btn_style_none);
	BTN_frame2(btn_style_dialog_panel, 10, 300, io_dx, 120, "", 1);
	if (window_id != WIND_open) return;
	if (kind == kind_acf || kind == kind_fdr || kind == kind_cmnd_list) {
		BTN_frame2(btn_style_dialog_panel, 331, 70, 220, 220, "", 1);
		BTN_frame2(btn_style_dialog_panel, 331, 300, 220, 120, "", 1);
	}
	const int fresh = path != old_path;
	if (kind == kind_acf && contains(path, ".acf", ".ACF")) {
		if (fresh) {
			BTN_io_acf_header(path, top_of_veh, sizeof top_of_veh);
			const int icon_flags = tex_full_res | tex_clamp | tex_carried | tex_rgb;
			has_tex = tman.load_texture(tex_fail_silent, tman_ref_file_icon, icon_flags, tex_load_2,
			                            path.substr(0, path.size() - 4) + "_icon.png") != 0;
		}
		std::string texts[4];
		BTN_io_acf_texts(top_of_veh, sizeof top_of_veh, texts);
		float y = 405;
		for (const std::string& t : texts) y = OGL_string(colr_panel_text, 341, y, t, 200, 0, 0) - 10;
		if (has_tex) {
			const int   icon = tman_ref_file_icon;
			const float tw = tman.tex_dx_tot(icon), th = tman.tex_dy_tot(icon);
			const float s = tw > 0 ? tman.tex_dx_vis(icon) / tw : 1, t = th > 0 ? tman.tex_dy_vis(icon) / th : 1;
			OGL_2dquad_d(tman_ref_file_icon, colr_plain, 1, 341, 80, 0, 0, 200, 200, s, t, al_blend);
		}
	}
	if (kind == kind_fdr && contains(path, ".fdr", ".FDR")) {
		if (fresh) comment = BTN_io_fdr_comment(path);
		if (!comment.empty()) OGL_string(colr_panel_text, 341, 270, comment, 200, 0, 0);
	}
	old_path = path;
}

// --- the dialog ---

struct io_listing {
	std::vector<std::string> names;
	std::vector<int>         kinds;
};
static std::string item_name(int k, void* ref)
{
	io_listing* l = (io_listing*)ref;
	return k >= 0 && k < (int)l->names.size() ? l->names[k] : std::string();
}
static int item_icon(int k, void* ref)
{
	io_listing* l = (io_listing*)ref;
	return k >= 0 && k < (int)l->kinds.size() ? l->kinds[k] : 0;
}

int BTN_opensave(int window_id, int kind, std::string* path)
{
	check_args(window_id, kind, "Bad open_save arg to BTN_opensave!", "Bad file_type arg to BTN_opensave!");
	// before the first frame no window is current yet: that frame makes it the main one
	const int back = mnw.current_window < 0 ? WIND_main : mnw.current_window;
	const int save = window_id == WIND_save;
	std::string folder, name;
	BTN_io_split_path(path ? *path : std::string(), kind, &folder, &name);

	io_listing list;
	int count = opensave_getitems(folder, kind, list.names, list.kinds);
	int centre = count / 2, selected = count / 2;
	MACIBM_startwind(window_id, 0);
	const std::string save_label = UTL_translate_string("Save", 0), open_label = UTL_translate_string("Open", 0),
	                  cancel_label = UTL_translate_string("Cancel", 0), file_label = UTL_translate_string("File:", 0);

	for (;;) {
		if (mnw.current_window != window_id) return 0;
		const int valid = selected >= 0 && selected < count;
		stand_io_dialog(window_id, kind, valid ? folder + list.names[selected] : std::string("-"));
		count = opensave_getitems(folder, kind, list.names, list.kinds);

		const int activated = BTN_list_and_search(1, 10, 180, 0, 0, &centre, &selected, 0, count - 1,
		                                          save ? &name : nullptr, file_label, item_name, &list, nullptr,
		                                          nullptr, item_icon, &list);

		std::vector<std::string> parts;
		BTN_io_components(folder, parts);
		for (int k = 1; k <= (int)parts.size() && k < BTN_io_popup_max; ++k)
			OGL_string(colr_panel_text, 20 + 10.0f * k, 415 - 10.0f * k, BTN_io_component_text(parts[k - 1]), 9999, 0, 0);
		int depth = BTN_io_popup_index(folder);
		const int popped = BTN_textlist(150, 434, &depth, "", BTN_io_popup_items(folder));

		const int save_hit = save && BTN_action(282, 18, 0, 0, 1, save_label, "-");
		const int open_hit = !save && BTN_action(280, 18, 0, 0, 1, open_label, "-");
		if (BTN_action(33, 18, 0, 0, 1, cancel_label, "-") || escape_hit) {
			escape_hit = 0;
			MACIBM_startwind(back, 0);
			return 0;
		}

		int relist = 0;
		if (popped) {
			folder = BTN_io_folder_at(folder, depth);
			relist = 1;
		} else {
			const std::string saved = BTN_io_save_name(name, kind);
			if (save && (save_hit || return_hit) && !saved.empty()) {
				return_hit = 0;
				if (path) *path = folder + saved;
				MACIBM_startwind(back, 0);
				return 1;
			}
			if (activated || open_hit || (return_hit && !save)) {
				return_hit = 0;
				if (selected >= 0 && selected < count && list.kinds[selected] == kind_folder) {
					folder = BTN_io_folder_into(folder, list.names[selected]);
					relist = 1;
				} else if (!save && selected >= 0 && selected < count) {
					if (path) *path = folder + list.names[selected];
					MACIBM_startwind(back, 0);
					return 1;
				}
			}
		}
		// (a focused name field takes Delete and Backspace itself)
		if (delete_hit && !folder.empty()) {
			folder = BTN_io_folder_up(folder);
			relist = 1;
		}
		if (relist) {
			count = opensave_getitems(folder, kind, list.names, list.kinds);
			centre = selected = count / 2;
		}
		MACIBM_event_proc();
	}
}

// --- the pickers ---

// The field shows what was typed even where the path alone would show something
// else (an emptied name shows the folder's last component otherwise).
static std::string picked_path, picked_text;

int BTN_select_path_stl(float x, float y, int window_id, int kind, std::string* path, int max_len,
                        std::string label, float width, int flag)
{
	check_args(window_id, kind, "Bad open_save arg to BTN_select_file_stl!", "Bad file_type arg to BTN_select_file_stl!");
	std::string text, hint, help;
	BTN_expand_label(label, &text, &hint, &help);
	BTN_util_draw_label(x - 32, y, 0, text, 0);
	BTN_util_draw_label(x + width + 6, y, 2, hint, 0);
	OGL_2dquad_d(tman_ref_interface, colr_plain, 1, x - 30, y - 10, 0.40625f, 0.25976563f, 26, 26, 0.05078125f, 0.05078125f, al_blend);

	stl_global = *path == picked_path ? picked_text : BTN_io_shown_text(*path, kind);
	if (BTN_enterstring(x, y, &stl_global, max_len, "", width, flag)) {
		*path = BTN_io_picker_edit(*path, stl_global, kind);
		picked_path = *path;
		picked_text = stl_global;
	}
	if (in_box(x - 28, x - 6, y - 8, y + 12)) {
		stls.mouse_help = help;
		if (mnw.click_down && mnw.open_menu == -1) {
			BTN_opensave(window_id, kind, path);
			return 1;
		}
	}
	return 0;
}

int BTN_select_file_chr(float x, float y, int window_id, int kind, char* name, std::string* dir_path, int max_len,
                        std::string label, float width)
{
	check_args(window_id, kind, "Bad open_save arg to BTN_select_file_chr!", "Bad file_type arg to BTN_select_file_chr!");
	std::string folder;
	get_path_with_path(folder, *dir_path);
	std::string full = folder + BTN_io_from_buffer(name, max_len);
	const std::string before = full;
	const int picked = BTN_select_path_stl(x, y, window_id, kind, &full, max_len, label, width, 1);
	if (picked || full != before) {	// an edit of the name is kept as well as a pick
		*dir_path = full;
		std::string last;
		get_file_with_path(last, full);
		BTN_io_to_buffer(name, last, max_len);
	}
	return picked;
}

int BTN_select_path_chr(float x, float y, int window_id, int kind, char* path, int path_len, std::string label,
                        float width, int flag)
{
	check_args(window_id, kind, "Bad open_save arg to BTN_select_file_chr!", "Bad file_type arg to BTN_select_file_chr!");
	std::string s = BTN_io_from_buffer(path, path_len);
	const std::string before = s;
	const int picked = BTN_select_path_stl(x, y, window_id, kind, &s, path_len, label, width, flag);
	if (s != before) BTN_io_to_buffer(path, s, path_len);
	return picked;
}

int BTN_enterstring(float x, float y, char* text, int max_len, std::string label, float width, int flag)
{
	std::string s = BTN_io_from_buffer(text, max_len + 1);
	const int changed = BTN_enterstring(x, y, &s, max_len, label, width, flag);
	if (changed) BTN_io_to_buffer(text, s, 0);
	return changed;
}

int enter_lat_lon(float* x, float* y, float* lon, float* lat)
{
	int changed = 0;
	float* values[2] = {lon, lat};
	for (int row = 0; row < 2; ++row) {
		*y -= 50;
		float d, m;
		BTN_deg_min_split(*values[row], &d, &m);
		const float lo = d == 0 ? -60.0f : 0.0f;
		int c = BTN_flt(*x + (row ? 10.0f : 0.0f), *y, &d, row ? 2 : 3, 0, 1, row ? "lat:" : "lon:");
		c |= BTN_flt_range(*x + 50, *y, &m, 5, 3, lo, 60, "");
		if (c) {
			*values[row] = BTN_deg_min_join(d, m);
			changed = 1;
		}
	}
	return changed;
}
