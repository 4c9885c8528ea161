// The web-demo flow: welcome, licence, server check, destination, install, finish.
#include "main_demo.h"
#include "main_run_report.h"
#include "main_globals.h"
#include "main_net.h"
#include "main_prompts.h"
#include "main_registration.h"
#include "utils_site.h"
#include "main_status.h"
#include "main_wizard.h"
#include "utils.h"
#include "butn.h"
#include "OGL_fonts.h"
#include "io_utils.h"
#include "opensave.h"
#include "path_utils.h"
#include "utils_records.h"
#include "UTL_alert.h"
#include "UTL_clock.h"
#include "UTL_log.h"
#include "UTL_translate.h"

wizard_func eula_back = demo_start, eula_next = demo_get_updates;

static std::string T(const char* text) { return UTL_translate_string(text, 0); }

static void demo_steps()
{
	static const char* const names[6] = {"Welcome", "License", "Check Servers", "Pick Destination", "Install", "Finish"};
	static const wizard_func funcs[6] = {demo_start, see_eula, demo_get_updates, demo_pick_dest, demo_run_patch,
	                                     demo_done};
	wizard_set_steps(names, funcs, 6);
}

int demo_start(int entering, wizard_screen& s)
{
	if (entering) {
		accept_eula = 0;
		eula_back = demo_start;
		eula_next = demo_get_updates;
		eula_text = demo_licence_text;
		locate_all_vantors();
		demo_steps();
		demo_discard_partial_archives();
		grab_files_start();
	}
	s.title = T("Welcome");
	s.text = T("I will guide you through the process of installing the web demo of Vantor 9.");
	if (!all_rootdecks.empty())
		s.text += T("\n\nWarning: you already have Vantor 9 installed on this computer.  Are you sure you want to "
		            "install a new demo copy of Vantor 9?");
	s.prefs_enabled = 1;
	s.next = see_eula;
	int beta = stg.get_beta;
	BTN_bool(250, 270, &beta,
	         T("|Get the new beta as a demo if available. Leave this off unless you want to participate in the "
	           "Vantor beta program!"), 0);
	UTIL_set_beta(beta);
	return 0;
}

int see_eula(int entering, wizard_screen& s)
{
	s.title = T("License");
	s.text = eula_text();
	if (entering) {
		// which licence, for the log's reader: its heading in English
		std::string english = eula_text == product_licence_text ? "Vantor 9 License" : "Vantor 9 Demo License";
		xer << "License shown: " << english << "\n";
	}
	s.back = eula_back;
	s.next = accept_eula ? eula_next : nullptr;
	BTN_bool(250, 300, &accept_eula, T("|-I agree!"), 0);
	return 0;
}

int demo_get_updates(int entering, wizard_screen& s)
{
	if (entering) checksum_directory_kill();	// a scan left by Back must not read a directory read again
	if (entering) UTIL_directory_read_again();
	if (entering) net_directory_restart();	// a fetch that gave up is tried again
	s.title = T("Check Servers");
	s.back = see_eula;
	if (!demo_directory_step(s, demo_get_updates, T("to find a demo server."),
	                         T("I am processing information about the available demo."),
	                         T("I am downloading demo info from %1:server name%.")))
		return 0;
	s.back = nullptr;
	s.next = demo_pick_dest;
	return 1;
}

int demo_directory_step(wizard_screen& s, wizard_func self, const std::string& contacting,
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

int demo_scan_dest(wizard_screen& s, demo_dest_scan& scan, int changed)
{
	if (changed || scan.state == 2) {
		checksum_directory_kill();
		scan.ctr = 0;
		scan.state = 1;
	}
	if (scan.state != 1) return 1;
	if (!wizard_scan_step(s, scan.ctr, 0)) return 0;
	scan.state = 0;
	set_install_filter(1, 1);
	scenery_take_none();
	recalc_disk_sizes();
	return 1;
}

void demo_scan_dest_pause(demo_dest_scan& scan)
{
	if (scan.state != 1) return;
	checksum_directory_kill();
	scan.state = 2;
}

int demo_pick_dest(int entering, wizard_screen& s)
{
	std::string& desktop_f = g_flow.demo_dest.desktop_f;
	std::string& parent_dir = g_flow.demo_dest.parent_dir;
	std::string& install_folder = g_flow.demo_dest.install_folder;
	demo_dest_scan& scan = g_flow.demo_dest.scan;
	int changed = 0;

	if (entering && demo_install_is_running) {
		int r = abort_alert(T("Are you sure you want to cancel the installation?  This will delete the partially "
		                      "installed copy of the Vantor 9 demo."),
		                    T("Cancel"), T("the demo installation and delete partial installation."), T("Continue"),
		                    T("the demo installation process."));
		if (r != 1) {	// Continue, or the prompt closed: nothing is deleted
			s.next = demo_run_patch;
			return 1;
		}
		grab_files_start();	// the cancelled run's transfers go
		if (demo_may_delete(dest_dir_path, demo_created_dest, parent_dir)) {
			int err = recursive_delete_folder(dest_dir_path);
			xer << "Cancelled install: deleting " << dest_dir_path << ", with result=" << err << ".\n";
		} else {
			xer << "Cancelled install: " << dest_dir_path << " was not made by this run; nothing deleted.\n";
		}
		demo_created_dest.clear();
		demo_install_is_running = 0;
	}
	if (entering) {
		demo_discard_partial_archives();
		grab_files_start();
		get_OS_abs_path(os_dir_desktop, desktop_f);
		changed = 1;
	}
	if (parent_dir.empty()) {
		get_OS_abs_path(os_dir_desktop_b, parent_dir);
		install_folder = UTL_string_sub(T("%1:install name% Demo"), "Vantor 9");
		changed = 1;
	}
	s.title = UTL_string_sub(T("Pick Install Destination for %1:install%."), install_name);
	s.back = see_eula;
	s.next = demo_run_patch;

	if (!demo_pick_folder(s, parent_dir, install_folder, desktop_f, T("Pick a folder to install the Vantor 9 demo into."),
	                      changed)) {
		demo_scan_dest_pause(scan);
		return 0;
	}
	if (!demo_scan_dest(s, scan, changed)) {
		s.next = nullptr;
		return 0;
	}
	if (!UTIL_disk_space(T("You have enough free disk space to install the Vantor 9 demo at this location."),
	                     T("You do not have enough free disk space to install the Vantor 9 demo at this location.  "
	                       "You can install to a different location, or save disk space by installing only some of "
	                       "the global scenery.")))
		s.next = nullptr;
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
	if (pump_last < 0 || pump_last < next.start_time) {
		pump_left_out = 0;	// a run that started since
	} else if (now - pump_last > pump_gap_seconds) {
		grab_leave_out(now - pump_last);
		pump_left_out += now - pump_last;
	}
	pump_last = now;
}

int demo_pump_frame(wizard_screen& s, float& totl_inst_rat)
{
	unsigned long long start = xtim_class::microsecs();
	pump_clock();
	int ran;
	while ((ran = grab_files(dest_dir_path)) == grab_running) {
		totl_inst_rat = UTIL_install_bar(totl_inst_rat, next.kb_installed + next.kb_install_in_flight,
		                                 stg.total_kb_install, xtim.prd_frame);

		std::string status;
		switch (stg.action) {
		case action_delete: status = UTL_string_sub(T("Deleting %1:file% because that file is no longer needed!"), crnt_file_name); break;
		case action_download:
			// a server that sends nothing is named, rather than a share that stands still
			status = run_quiet_line(crnt_file_name);
			if (status.empty())
				status = UTL_string_sub(T("Downloading and installing %1:file%, currently %2:progress%% done with that file."),
				                        crnt_file_name, int_str(stg.file_progress > 0 ? (int)(stg.file_progress * 100) : 0));
			break;
		case action_skip_current: status = UTL_string_sub(T("Skipping %1:file% because it is already installed."), crnt_file_name); break;
		default: status = UTL_string_sub(T("Skipping %1:file% because you don't need it."), crnt_file_name); break;
		}

		// the time left is the bar's own pace carried on, so the two always agree
		float running = xtim.elapsed - next.start_time;
		float left = UTIL_bar_seconds_left(totl_inst_rat, running);
		float rate = (next.kb_in_flight + next.kb_fetched) / (running > 1 ? running : 1);
		std::string time_line;
		if (totl_inst_rat > 0.01f) {
			int streams = 0;
			for (const grab_stream& st : g_grab.streams) streams += st.on ? 1 : 0;
			time_line = UTL_string_sub(
				UTL_translate_plural(streams,
				                     "About %1:time% left in the install, downloading at %2:rate% with %3:number% "
				                     "download stream.",
				                     "About %1:time% left in the install, downloading at %2:rate% with %3:number% "
				                     "simultaneous download streams."),
				time_str(left, 1), rate_str(rate), int_str(streams));	// the Russian "about" takes the genitive
		}
		int percent = (int)(totl_inst_rat * 100);
		if (stg.log_actions && percent != g_flow.bar_logged) {
			g_flow.bar_logged = percent;
			xer << "Install progress " << percent << "%: " << time_line << "\n";
			xer.flush();
		}
		const std::string waiting = run_waiting_text();
		if (!waiting.empty()) {
			s.text = waiting;	// the bar stays: what was done is done
			s.progress_text.clear();
			s.progress = totl_inst_rat;
		} else if (stg.download_error) {
			s.text = UTL_string_sub(T("I can not download the file '%1:filename%'.\n\nYour internet connection may not "
			                          "be working, or the server could be undergoing maintenance or an upgrade right "
			                          "now.\n\nI am trying another server now to see if I can still get you a download..."),
			                        crnt_file_path);
			s.progress_text.clear();
			s.progress = -1;
		} else {
			s.text = time_line;
			s.progress_text = status;
			s.progress = totl_inst_rat;
		}
		s.next = nullptr;
		unsigned long long spent = xtim_class::microsecs() - start;
		if (spent >= 20000) return 0;
		grab_files_wait((int)((20000 - spent + 999) / 1000));	// rather than spin on the sockets
	}
	// a run that failed downloaded what its finish screen names, not the release
	if (ran == grab_done)
		xer << "Downloaded " << (int)(next.kb_in_flight + next.kb_fetched) << " KB in " << xtim.elapsed - next.start_time
		    << " s; " << g_flow.pump_left_out << " s in prompts and on other screens left out.\n";
	return 1;
}

int demo_folders_frame()
{
	if (!make_dirs_running()) return 1;
	if (!make_dirs_step(kFolderFrameUs)) return 0;
	demo_discard_partial_archives();
	grab_files_start();	// also clears the last run's error flags
	return 1;
}

int demo_run_patch(int, wizard_screen& s)
{
	float& totl_inst_rat = g_flow.demo_install_rat;

	if (!demo_install_is_running) {
		int existed = dir_exists(dest_dir_path);
		int chosen = choose_files(dest_dir_path);
		int made = chosen ? make_dirs_start(dest_dir_path) : -1;
		if (!existed && dir_exists(dest_dir_path)) demo_created_dest = dest_dir_path;
		if (!chosen || made != 0) {
			s.next = demo_pick_dest;
			return 1;
		}
		totl_inst_rat = 0;
		demo_install_is_running = 1;
		register_new_vantor();
	}
	s.title = T("Installing");
	s.show_servers = 1;
	if (!demo_folders_frame()) return 0;
	if (!demo_pump_frame(s, totl_inst_rat)) {
		s.back = demo_pick_dest;
		return 0;
	}
	// The streams are reset when a screen starts the next run: a reset here
	// would clear the extraction error that the finish screen reports.
	demo_discard_partial_archives();
	s.back = nullptr;
	s.next = demo_done;
	demo_install_is_running = 0;
	return 1;
}

int demo_done(int, wizard_screen& s)
{
	s.next = wizard_quit;
	s.title = T("Finished Web Demo Install");
	if (stg.extract_error) {
		s.text = T("There were problem installing the Vantor 9 web demo - it may not be usable.") + "\n\n" +
		         run_failure_details(false);
		return 0;
	}
	s.text = UTL_string_sub(T("I have finished installing the Vantor 9 web demo at: %1:file path%."), dest_dir_path);
	s.choice_labels.push_back(T("Fly Vantor 9 Now"));
	s.choice_funcs.push_back(dvd_do_run_sim);
	return 0;
}

int dvd_do_run_sim(int entering, wizard_screen& s)
{
	if (entering) {
		std::string app = dest_dir_path + "Vantor" + ".app";
		const int failed = launch_app(app, "", 1);	// returns only when the simulator could not be started
		__MACIBM_alert(0, T("I could not start Vantor 9:"), app,
		               UTL_string_sub(T("Error: %1:message%."), error_str(failed)), "", t_alert, __FILE__, __LINE__);
	}
	// Tried once; a failed start is not repeated every frame.
	s.text = T("Vantor 9 could not be started.");
	s.next = wizard_quit;
	return 0;
}
