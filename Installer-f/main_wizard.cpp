// The wizard driver's state and the decisions of a frame; the drawing is in
// main_wizard_draw.cpp.
#include "main_wizard.h"
#include "UTL_clock.h"
#include "UTL_log.h"
#include "UTL_alert.h"
#include "UTL_translate.h"
#include "main_globals.h"
#include "main_status.h"
#include "utils.h"

// This configuration opens with the web-demo flow.
wizard_func        g_wizard = demo_start;
wizard_flow_record g_flow;

std::vector<std::string> step_names;
std::vector<wizard_func> step_funcs;

static wizard_func last_screen = nullptr;

const int btn_cuts[8][6] = {
	{0, 0, 0, 0, 0, 0},
	{56, 91, 96, 75, 54, 60},
	{145, 172, 181, 144, 212, 156},
	{246, 284, 256, 211, 312, 269},
	{357, 477, 422, 346, 480, 421},
	{489, 695, 611, 422, 673, 606},
	{605, 874, 762, 501, 840, 789},
	{691, 958, 859, 616, 921, 892},
};

int wizard_quit(int, wizard_screen&)
{
	app_done = 1;
	return 1;
}

void wizard_set_steps(const char* const* names, const wizard_func* funcs, int n)
{
	step_names.clear();
	step_funcs.clear();
	for (int i = 0; i < n; ++i) {
		step_names.push_back(UTL_translate_string(names[i], 0));
		step_funcs.push_back(funcs[i]);
	}
}

void wizard_reset_driver() { last_screen = nullptr; }

void wizard_start_flow(wizard_func first)
{
	g_flow = wizard_flow_record();
	g_wizard = first;
	last_screen = nullptr;
}

unsigned long long wizard_run_clock(unsigned long long& clock)
{
	if (!clock) clock = xtim_class::microsecs();
	return clock;
}

int wizard_run_screen(wizard_screen& screen, int* ran)
{
	*ran = 0;
	if (!g_wizard) {
		app_done = 1;
		return 0;
	}
	screen = wizard_screen();
	wizard_func now = g_wizard;
	int entering = now != last_screen;
	int result = now(entering, screen);
	last_screen = now;
	if (entering && g_wizard == now && !screen.title.empty()) {
		// one line per screen shown, for the log's reader
		xer << "Wizard screen: " << screen.title << "\n";
		xer.flush();
	}
	*ran = 1;
	return result;
}

int wizard_current_step(const wizard_screen& screen)
{
	for (size_t i = 0; i < step_funcs.size(); ++i)
		if (step_funcs[i] == last_screen || (screen.step && step_funcs[i] == screen.step)) return (int)i;
	return -1;
}

void wizard_apply_frame(const wizard_screen& screen, int result, const wizard_clicks& clicks)
{
	if (clicks.choice >= 0 && clicks.choice < (int)screen.choice_funcs.size())
		g_wizard = screen.choice_funcs[clicks.choice];
	if (clicks.quit && screen.next != wizard_quit) {
		if (screen.quit_callback) screen.quit_callback();
		app_done = 1;
	}
	if (clicks.next && screen.next) {
		// Next to the screen itself starts it again (a check tried anew)
		if (screen.next == last_screen) last_screen = nullptr;
		g_wizard = screen.next;
	}
	if (clicks.back && screen.back) g_wizard = screen.back;
	if (result && screen.next) g_wizard = screen.next;
}

float wizard_progress_width(float progress)
{
	float fill = progress * 0.96f + 0.04f;	// an empty bar still shows a stub
	if (fill < 0.04f) return 20.8f;
	if (fill > 1.0f) return 520.0f;
	return fill * 520.0f;
}

float wizard_server_y(int k, int num_servers) { return 40.0f * num_servers + 38.0f - 40.0f * k; }

int interface_rect_span(float x, int image, int align, int language, float* left, float* right)
{
	if (image < 0 || image > 6) image = 0;
	if (language < 0 || language > 5) language = 0;
	int w = btn_cuts[image + 1][language] - btn_cuts[image][language];
	float l = align == 0 ? x - w / 2.0f : align == 1 ? x : x - w;
	*left = l;
	*right = l + w;
	return w;
}

int wizard_scan_step(wizard_screen& s, int& ctr, int quick)
{
	s.quit_callback = checksum_directory_kill;
	float progress = 0;
	if (checksum_directory(dest_dir_path, ctr, quick, progress)) return 1;
	s.progress_text = UTL_string_sub(UTL_translate_string("Scanning %1:number% of %2:total% files.", 0), int_str(checksum_files_done()),
	                                 int_str((int)sim_info.size()));
	s.progress = progress;
	return 0;
}

