// The framework's own modal windows: the alert (994) and the save-changes
// question (995). Each runs the frame loop itself while its window is current.
#include "butn.h"
#include "colr.h"
#include "MACIBM_shell.h"
#include "MACIBM_mnw.h"
#include "OGL_extensions.h"
#include "OGL_fonts.h"
#include "PLAT_gl.h"
#include "UTL_alert.h"
#include "keys.h"
#include "UTL_translate.h"
#include "oglp.h"
#include <vector>

// The failing code may have left a primitive, a list, a program or a render
// target open; the alert has to draw whatever state it finds.
static void reset_gl_state()
{
	glEnd();
	glEndList();
	for (int i = 0; i < 30; ++i) (void)glGetError();
	OGL_nrml_colors();
	if (glExt.glsl_avail && glExt.glUseProgramObjectARB) glExt.glUseProgramObjectARB(0);
	if (glExt.framebuf_avail && glExt.glBindFramebufferEXT) glExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
	glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
	glDisable(GL_SCISSOR_TEST);
}

int BTN_alert_pass(const std::string& m1, const std::string& m2, const std::string& m3, const std::string& m4,
                   int type, const std::string& location)
{
	const float W = mnw.wind_w;
	OGL_plot_back_col();
	BTN_fillwin(1, btn_style_none);
	BTN_subwin(0, btn_style_inner_panel, -1, BTN_panel_over_button_row, -1, -1, "", &wx, &wy);

	std::string label;
	if (type == t_choose_language) {
		std::vector<int> langs;
		UTL_lang_get_languages(langs);
		float y = 180;
		for (int l : langs) {
			BTN_is_int(W / 2 - 25, y, &mnw.language, l, UTL_lang_get_button(l));
			y -= 20;
		}
		stls.window_title = "Language/";
		label = "Accept";
	} else {
		const std::string* lines[4] = {&m1, &m2, &m3, &m4};
		const float ys[4] = {205, 165, 125, 85};
		for (int i = 0; i < 4; ++i) OGL_string(colr_label, W / 2, ys[i], *lines[i], W * 0.9f, 0, 1);
		if (type == t_exit) OGL_string(colr_label, W / 2, 45, location, W * 0.9f, 0, 1);
		label = UTL_translate_string("Understood", 0);
	}
	return BTN_action(W / 2, 18, 0, 0, 1, label, "-") || return_hit;
}

void BTN_alert_window(int return_window, const std::string& m1, const std::string& m2, const std::string& m3,
                      const std::string& m4, int type, const std::string& location)
{
	reset_gl_state();
	const float saved_x = mnw.mouse_x, saved_y = mnw.mouse_y;
	MACIBM_startwind(WIND_advise, 0);

	while (mnw.current_window == WIND_advise) {
		if (BTN_alert_pass(m1, m2, m3, m4, type, location)) {
			return_hit = 0;
			if (type == t_exit) break;	// the caller ends the program with this window up
			MACIBM_startwind(return_window, 0);
			mnw.mouse_x = saved_x;
			mnw.mouse_y = saved_y;
			if (mnw.current_window == WIND_advise) MACIBM_event_proc();
		} else if (mnw.current_window == WIND_advise) {
			MACIBM_event_proc();
		}
	}
}

int BTN_nuke_alert(const std::string& name, int allow_cancel)
{
	MACIBM_startwind(WIND_intentions_small, 0);
	if (mnw.current_window != WIND_intentions_small) return 3;
	const std::string save = UTL_translate_string("Save", 0), dont = UTL_translate_string("Don't Save", 0),
	                  cancel = UTL_translate_string("Cancel", 0);
	for (;;) {
		const float W = mnw.wind_w, H = mnw.wind_h;
		OGL_plot_back_col();
		BTN_fillwin(1, btn_style_none);
		OGL_string(colr_label, 20, H - 40,
		           UTL_translate_string("Save changes to ", 0) + name + " " + UTL_translate_string("first?", 0), W - 40, 0, 0);
		int answer = 0;
		if (BTN_action(str_dx(save) / 2 + 20, 60, 0, 0, 1, save, "-")) answer = 1;
		if (BTN_action(str_dx(dont) / 2 + 20, 25, 0, 0, 1, dont, "-") && !answer) answer = 2;
		if (allow_cancel && BTN_action(W - str_dx(cancel) / 2 - 20, 25, 0, 0, 1, cancel, "-") && !answer) answer = 3;
		if (answer) {
			MACIBM_startwind(WIND_main, 0);
			return answer;
		}
		MACIBM_event_proc();
		if (mnw.current_window != WIND_intentions_small) return 3;
	}
}
