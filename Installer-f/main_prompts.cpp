// The prompts run the frame loop themselves while their window is current.
#include "main_prompts.h"
#include "colr.h"
#include "MACIBM_mnw.h"
#include "MACIBM_shell.h"
#include "butn.h"
#include "OGL_fonts.h"
#include "oglp.h"
#include "UTL_log.h"
#include "UTL_translate.h"

static int answered(int answer)
{
	xer << "Prompt answer: " << answer << "\n";
	xer.flush();
	return answer;
}

int select_alert_pass(const std::string& path, int is_delete)
{
	const select_alert_texts& words = select_alert_words(is_delete);
	OGL_plot_back_col();
	BTN_fillwin(1, btn_style_none);
	const float w = mnw.wind_w - 40, top = mnw.wind_h - 46;
	// one block: a heading that wraps moves the rest down, and its lines keep apart
	OGL_string(colr_label, 20, top,
	           UTL_translate_string(words.heading, 0) + "\n" + OGL_fit_tail(path, w, 0) + "\n" +
	               UTL_translate_string(words.question, 0),
	           w, 0, 0);
	std::string captions[5];
	float widths[5];
	for (int b = 0; b < 5; ++b) {
		captions[b] = UTL_translate_string(words.buttons[b], 0);
		widths[b] = str_dx(captions[b]);
	}
	select_alert_button at[5];
	select_alert_layout(widths, 10, mnw.wind_w - 10, at);
	for (int b = 0; b < 5; ++b)
		if (BTN_action(at[b].x, at[b].y, at[b].width, 0, 1, captions[b], "-")) return at[b].answer;
	return 0;
}

int select_alert(std::string path, int is_delete)
{
	xer << "Prompt: " << select_alert_words(is_delete).heading << " " << UTL_log_safe(path) << "\n";
	xer.flush();
	MACIBM_startwind(WIND_select_alert, 0);
	if (mnw.current_window != WIND_select_alert) return answered(select_cancel);
	for (;;) {
		if (int answer = select_alert_pass(path, is_delete)) {
			MACIBM_startwind(WIND_main, 0);
			return answered(answer);
		}
		MACIBM_event_proc();
		if (mnw.current_window != WIND_select_alert) return answered(select_cancel);
	}
}

int abort_alert_pass(const std::string& message, const std::string& label1, const std::string& line1,
                     const std::string& label2, const std::string& line2)
{
	OGL_plot_back_col();
	BTN_fillwin(1, btn_style_none);
	OGL_string(colr_label, 20, 160, message, mnw.wind_w - 40, 0, 0);
	OGL_string(colr_label, 150, 53, line1, mnw.wind_w - 210, 0, 0);
	OGL_string(colr_label, 150, 28, line2, mnw.wind_w - 210, 0, 0);
	if (BTN_action(96, 56, 100, 0, 1, label1, "-")) return 1;
	if (BTN_action(96, 31, 100, 0, 1, label2, "-")) return 0;
	return -1;
}

int abort_alert(std::string message, std::string label1, std::string line1, std::string label2, std::string line2)
{
	xer << "Prompt: " << message << "\n";
	xer.flush();
	MACIBM_startwind(WIND_abort_alert, 0);
	if (mnw.current_window != WIND_abort_alert) return answered(3);
	for (;;) {
		int answer = abort_alert_pass(message, label1, line1, label2, line2);
		if (answer >= 0) {
			MACIBM_startwind(WIND_main, 0);
			return answered(answer);
		}
		MACIBM_event_proc();
		if (mnw.current_window != WIND_abort_alert) return answered(3);
	}
}
