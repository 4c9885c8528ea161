// The steps the web flows share on their screens: the server check, the
// folders of a run and the download pump, each a bounded piece of a frame.
#include "main_web_steps.h"
#include "main_globals.h"
#include "main_demo.h"
#include "main_registration.h"
#include "main_net.h"
#include "main_run_report.h"
#include "main_status.h"
#include "main_wizard.h"
#include "utils.h"
#include "utils_records.h"
#include "utils_site.h"
#include "io_utils.h"
#include "UTL_clock.h"
#include "UTL_log.h"
#include "UTL_translate.h"
#include <cmath>

static std::string T(const char* text) { return UTL_translate_string(text, 0); }

int web_directory_step(wizard_screen& s, wizard_func self, const std::string& contacting,
                       const std::string& processing, const std::string& downloading_text)
{
	UTL_download_directory();
	if (stg.stage == stage_ready) return 1;
	s.prefs_enabled = 1;	// a proxy that is wrong or missing is set there
	if (net_has_problem()) {
		s.text = net_problem_text();
		s.next = self;	// Next asks again at once
		return 0;
	}
	if (stg.num_servers == servers_unknown) {
		s.text = T("I am contacting") + " " + net_site_host + " " + contacting;
		return 0;
	}
	if (stg.stage == stage_read) {
		s.text = processing;
		return 0;
	}
	float fraction = 0;
	int percent = net_directory_percent(&fraction);
	if (percent == -1)
		s.progress_text = T("I am checking the net for the latest version of Vantor 9 right now, and I am connecting "
		                    "to the server...");
	else
		s.progress_text = UTL_string_sub(T("I am checking the net for the latest version of Vantor 9 right now, and I "
		                                   "am %1:progress%% done checking."), int_str(percent));
	s.progress = fraction;
	int sel = stg.sel_server >= 0 && stg.sel_server < server_slots ? stg.sel_server : 0;
	s.text = UTL_string_sub(downloading_text, server_name[sel]);
	return 0;
}

// Frames of the pump further apart than this mean it stood still: a prompt,
// an alert or another screen was in front of it.
static const float pump_gap_seconds = 0.5f;
static const unsigned long long kFolderFrameUs = 8000;	// folder making a frame may take

// Time in which the pump did not run is left out of the run's clock.
static void pump_clock()
{
	float  now = xtim.elapsed;
	float& pump_last = g_flow.pump_last;
	float& pump_left_out = g_flow.pump_left_out;
	if (pump_last < 0 || pump_last < grab_pump.start_time) {
		pump_left_out = 0;	// a run that started since
	} else if (now - pump_last > pump_gap_seconds) {
		grab_leave_out(now - pump_last);
		pump_left_out += now - pump_last;
	}
	pump_last = now;
}

// What the install screen's text tells, for the log when it changes.
enum { said_progress, said_waiting, said_failing };
static const char* const said_names[3] = {"the time left", "waiting for the network", "trying another server"};

// One frame of the install screen's texts and bar, from the run's own pace:
// the bar is the share of the run's working time that is behind it, so that it
// and the time left tell the same, and a wait for the network moves neither.
static void web_install_screen(wizard_screen& s, float& totl_inst_rat)
{
	const std::string file = wizard_shown_name(crnt_file_name, wizard_progress_text_width);
	bool grounded = false;
	const float left = grab_seconds_left(&grounded), worked = grab_active_seconds();
	totl_inst_rat = wizard_install_bar(totl_inst_rat, worked, std::isnan(left) ? 0 : worked + left, xtim.prd_frame);

	std::string status;
	switch (stg.action) {
	case action_delete: status = UTL_string_sub(T("Deleting %1:file% because that file is no longer needed!"), file); break;
	case action_download:
		// a server that sends nothing is named, rather than a share that stands still
		status = run_quiet_line(crnt_file_name);
		if (status.empty())
			status = UTL_string_sub(T("Downloading and installing %1:file%, currently %2:progress%% done with that file."),
			                        file, int_str(stg.file_progress > 0 ? (int)(stg.file_progress * 100) : 0));
		break;
	case action_skip_current: status = UTL_string_sub(T("Skipping %1:file% because it is already installed."), file); break;
	default: status = UTL_string_sub(T("Skipping %1:file% because you don't need it."), file); break;
	}

	// said once the run has measured what it rests on, in whole seconds rounded up
	std::string time_line;
	if (grounded) {
		const int streams = grab_streams_on();
		time_line = UTL_string_sub(
			UTL_translate_plural(streams,
			                     "About %1:time% left in the install, downloading at %2:rate% with %3:number% "
			                     "download stream.",
			                     "About %1:time% left in the install, downloading at %2:rate% with %3:number% "
			                     "simultaneous download streams."),
			time_str(left > 1 ? ceilf(left) : 1, 1), rate_str(grab_rate_kbps()), int_str(streams));	// the Russian "about" takes the genitive
	}
	int percent = (int)(totl_inst_rat * 100);
	if (stg.log_actions && percent != g_flow.bar_logged) {
		g_flow.bar_logged = percent;
		xer << "Install progress " << percent << "%: " << time_line << "\n";
		xer.flush();
	}
	const std::string waiting = run_waiting_text();
	int said = said_progress;
	if (!waiting.empty()) {
		said = said_waiting;
		s.text = waiting;	// the bar stays: what was done is done
		s.progress_text.clear();
		s.progress = totl_inst_rat;
	} else if (stg.download_error && !grab_data_flowing()) {
		// once data flows again the screen says how the run goes, not what failed
		said = said_failing;
		s.text = run_failed_text();
		s.progress_text.clear();
		s.progress = -1;
	} else {
		s.text = time_line;
		s.progress_text = status;
		s.progress = totl_inst_rat;
	}
	if (said != g_flow.install_said) {
		g_flow.install_said = said;
		xer << "Install screen: " << said_names[said] << "\n";
		xer.flush();
	}
	s.next = nullptr;
}

int web_pump_frame(wizard_screen& s, float& totl_inst_rat)
{
	unsigned long long start = xtim_class::microsecs();
	pump_clock();
	int ran;
	while ((ran = grab_files(dest_dir_path)) == grab_running) {
		unsigned long long spent = xtim_class::microsecs() - start;
		if (spent >= 20000) break;
		grab_files_wait((int)((20000 - spent + 999) / 1000));	// rather than spin on the sockets; news or not, the pump steps again
	}
	if (ran == grab_running) {
		web_install_screen(s, totl_inst_rat);
		return 0;
	}
	// a run that failed downloaded what its finish screen names, not the release
	if (ran == grab_done)
		xer << "Downloaded " << (int)(grab_pump.kb_in_flight + grab_pump.kb_fetched) << " KB in " << xtim.elapsed - grab_pump.start_time
		    << " s; " << g_flow.pump_left_out << " s in prompts and on other screens left out.\n";
	return 1;
}

// Makes the folders make_dirs_start listed for a few ms of a frame, then starts
// the run; 1 once it is started (or no folders were left to make).
static int web_folders_frame()
{
	if (!make_dirs_running()) return 1;
	if (!make_dirs_step(kFolderFrameUs)) return 0;
	grab_files_start();
	return 1;
}

int web_run_screen(wizard_screen& s, int first, const web_run_flow& flow)
{
	float& bar = *flow.bar;
	if (first) {
		const int existed = dir_exists(dest_dir_path);
		const int chosen = choose_files(dest_dir_path);
		const int made = chosen ? make_dirs_start(dest_dir_path) : -1;
		if (flow.new_copy && !existed && dir_exists(dest_dir_path)) demo_created_dest = dest_dir_path;
		if (!chosen || made != 0) {
			s.next = flow.back;
			return 1;
		}
		bar = 0;
		if (flow.new_copy) {
			demo_install_is_running = 1;
			registration_mark_unfinished(dest_dir_path, "demo");
			register_new_vantor();
		}
	}
	s.title = T("Installing");
	s.show_servers = 1;
	if (!web_folders_frame()) return 0;
	if (!web_pump_frame(s, bar)) {
		s.back = flow.back;
		return 0;
	}
	// The streams are reset when a screen starts the next run: a reset here
	// would clear the extraction error that the finish screen reports.
	grab_discard_archives();
	if (flow.new_copy) {
		if (!stg.extract_error) registration_mark_finished(dest_dir_path);
		demo_install_is_running = 0;
	}
	s.back = nullptr;
	s.next = flow.done;
	return 1;
}
