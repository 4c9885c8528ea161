// The wizard's frame: background, step list, the screen's record and the row
// of picture buttons.
#include "main_wizard.h"
#include "main_globals.h"
#include "utils_site.h"
#include "main_world_map.h"
#include "utils.h"
#include "utils_records.h"
#include "MACIBM_mnw.h"
#include "butn.h"
#include "butn_layout.h"
#include "OGL_fonts.h"
#include "OGL_setstate.h"
#include "colr.h"
#include "oglp.h"
#include "tman.h"
#include "UTL_alert.h"
#include <algorithm>

// Texture bands of a picture button, bottom to top.
static const float band_normal[2] = {0.359375f, 0.53125f};
static const float band_over[2] = {0.0f, 0.171875f};
static const float band_pressed[2] = {0.1796875f, 0.3515625f};

int interface_rect(float x, float y, int image, int align, int* width_out, int enabled, int type)
{
	int lang = mnw.language;
	if (lang < 0 || lang > 5) lang = 0;
	float left, right;
	int w = interface_rect_span(x, image, align, lang, &left, &right);
	if (width_out) *width_out = w + 20;
	colr.assign(colr_wizard_white, 1, 1, 1);
	bool inside = mnw.mouse_x >= left && mnw.mouse_x <= right && mnw.mouse_y >= y && mnw.mouse_y <= y + 22;
	int style = type == 2 ? btn_style_image_c : btn_style_image_a;
	const float* band = band_normal;
	if (enabled && inside) {
		style = mnw.mouse_held ? btn_style_image_b : btn_style_image_a;
		band = mnw.mouse_held ? band_pressed : band_over;
	}
	BTN_frame1(style, (left + right) / 2, y + 11, (float)(w + 20), colr_white);
	BTN_layout_control("picture button", left - 10, y - 4, right + 10, y + 26);
	float u1 = btn_cuts[image][lang] / 1024.0f, u2 = btn_cuts[image + 1][lang] / 1024.0f;
	OGL_2dquad(tman_ref_elements, colr_wizard_white, type == 2 ? 0.5f : 1.0f, left, y + 22, u1, band[1], right,
	           y + 22, u2, band[1], right, y, u2, band[0], left, y, u1, band[0], 1, al_blend);
	return mnw.click_down && inside;
}

static void draw_background()
{
	colr.assign(colr_wizard_white, 1, 1, 1);
	float W = (float)mnw.screen_w, H = (float)mnw.screen_h;
	OGL_2dquad(tman_ref_background, colr_wizard_white, 1, 0, H, 0, H / 1024, W, H, W / 1024, H / 1024, W, 0,
	           W / 1024, 0, 0, 0, 0, 0, 1, al_none);
}

// The word beside the wordmark, in the interface language: a band of the
// elements image (rows 69 to 97 of 128, 700 columns), drawn one texel a unit.
static const float header_x = 172, header_y = 546, header_w = 700, header_h = 28;
static const float header_v0 = 69.0f / 128, header_v1 = 97.0f / 128;

static void draw_header_word()
{
	colr.assign(colr_wizard_white, 1, 1, 1);
	const float u1 = header_w / 1024, x1 = header_x + header_w, y1 = header_y + header_h;
	OGL_2dquad(tman_ref_elements, colr_wizard_white, 1, header_x, y1, 0, header_v1, x1, y1, u1, header_v1, x1, header_y,
	           u1, header_v0, header_x, header_y, 0, header_v0, 1, al_blend);
}

// The step list's lines wrap short of the left panel's right edge (its art ends at 201).
static const float step_list_width = 160;

void APP_update()
{
	draw_background();
	draw_header_word();
	BTN_frame2(btn_style_wizard_panel, 10, 50, 190, 453, "", 1);
	BTN_frame2(btn_style_wizard_panel, 210, 50, 580, 453, "", 1);

	wizard_screen s;
	int ran = 0;
	int result = wizard_run_screen(s, &ran);
	if (!ran) return;

	// after the screen ran: entering it may have set the list
	const int current_step = wizard_current_step(s);
	float below = 480;	// a name that wraps moves the ones after it down
	for (size_t i = 0; i < step_names.size(); ++i) {
		bool current = (int)i == current_step;
		float y = std::min(480 - 20.0f * i, below);
		// the call gives the next line's y, less the unit its first baseline sits below y
		float next_line = OGL_string(current ? colr_blue : colr_value, 30, y, step_names[i], step_list_width, current ? 1 : 0, 0);
		below = next_line + 1 - 10;
	}

	OGL_string(colr_black, 500, 480, s.title, 540, 1, 1);
	// over the world map the text starts higher: the map's top is at 402
	OGL_string(colr_black, 230, dvd_world_map_shown() ? 462.0f : 440.0f, s.text, wizard_text_width, 0, 0);

	wizard_clicks clicks;
	for (size_t j = 0; j < s.choice_labels.size(); ++j)
		if (BTN_action(500, 350 - 25.0f * j, 250, 0, 1, s.choice_labels[j], "-") && clicks.choice < 0)
			clicks.choice = (int)j;

	if (s.progress >= 0) {
		float width = wizard_progress_width(s.progress);
		BTN_frame1(btn_style_progress_track, 500 - mnw.origin_x, 155 - mnw.origin_y, 520, colr_white);
		BTN_frame1(btn_style_progress_fill, 240 + width / 2 - mnw.origin_x, 155 - mnw.origin_y, width, colr_white);
		BTN_layout_control("progress bar", 240, 147, 760, 163);
		OGL_string(colr_black, 242, 120, s.progress_text, wizard_progress_text_width, 0, 0);
	}

	if (s.show_servers && stg.num_servers > 0) {
		int chosen = stg.sel_server;
		for (int k = 0; k < stg.num_servers && k < server_slots; ++k) {
			float y = wizard_server_y(k, stg.num_servers);
			BTN_is_int(30, y, &chosen, k, "");
			std::string text, label, help;
			BTN_expand_label(server_desc[k], &text, &label, &help);
			OGL_string(colr_value, 50, y, label, 130, 0, 0);
		}
		if (chosen != stg.sel_server) UTIL_choose_server(chosen);	// the pump asks it from its next file on
	}

	int w = 0;
	bool final_screen = s.next == wizard_quit;
	if (!final_screen) clicks.quit = interface_rect(30, 12, img_quit, 1, &w, 1, 0);
	int prefs = interface_rect((float)(w + 40), 12, img_prefs, 1, &w, s.prefs_enabled, s.prefs_enabled ? 0 : 2);
	if (interface_rect(mnw.language == 4 ? 360.0f : 400.0f, 12, img_buy, 0, nullptr, 1, 0))
		(void)go_to_URL(net_order_page);	// a browser that does not open is logged with why
	clicks.next = interface_rect(770, 12, final_screen ? img_quit : img_next, -1, &w, s.next != nullptr,
	                             s.next ? 0 : 2);
	clicks.back = interface_rect((float)(760 - w), 12, img_back, -1, nullptr, s.back != nullptr, s.back ? 0 : 2);
	if (prefs && s.prefs_enabled) handle_prefs();

	wizard_apply_frame(s, result, clicks);
}
