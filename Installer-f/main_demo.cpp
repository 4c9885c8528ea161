// The web-demo flow: welcome, licence, server check, destination, install, finish.
#include "main_demo.h"
#include "main_web_steps.h"
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
		grab_files_stop();
	}
	s.title = T("Welcome");
	s.text = T("I will guide you through the process of installing the web demo of Vantor 9.");
	const std::string unfinished = registration_first_unfinished("demo");
	if (!unfinished.empty())
		s.text += UTL_string_sub(T("\n\nThe installation of the Vantor 9 demo in %1:install folder% did not finish.  "
		                           "Its folder is chosen already, so that you can finish it."),
		                         unfinished);
	else if (!all_rootdecks.empty())
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
	if (!web_directory_step(s, demo_get_updates, T("to find a demo server."),
	                         T("I am processing information about the available demo."),
	                         T("I am downloading demo info from %1:server name%.")))
		return 0;
	s.back = nullptr;
	s.next = demo_pick_dest;
	return 1;
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
	registration_unfinished(dest_dir_path, nullptr, 1);	// an install to finish: the scenery it chose
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
		grab_files_stop();	// the cancelled run's transfers go
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
		grab_files_stop();
		get_OS_abs_path(os_dir_desktop, desktop_f);
		changed = 1;
	}
	if (parent_dir.empty()) {
		const std::string unfinished = registration_first_unfinished("demo");
		if (!unfinished.empty()) {	// chosen, to be finished
			parent_dir = registration_parent_folder(unfinished);
			install_folder = unfinished.substr(parent_dir.size(), unfinished.size() - parent_dir.size() - 1);
		} else {
			get_OS_abs_path(os_dir_desktop_b, parent_dir);
			install_folder = UTL_string_sub(T("%1:install name% Demo"), "Vantor 9");
		}
		changed = 1;
	}
	s.title = UTL_string_sub(T("Pick Install Destination for %1:install%."), install_name);
	s.back = see_eula;
	s.next = demo_run_patch;

	if (!demo_pick_folder(s, parent_dir, install_folder, desktop_f, T("Pick a folder to install the Vantor 9 demo into."),
	                      "demo", changed)) {
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

int demo_run_patch(int, wizard_screen& s)
{
	// the first frame is that of a run not yet begun: Back and Continue carry on
	static const web_run_flow flow = {demo_pick_dest, demo_done, 1, &g_flow.demo_install_rat};
	return web_run_screen(s, !demo_install_is_running, flow);
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
	s.text = UTL_string_sub(T("I have finished installing the Vantor 9 web demo at: %1:file path%."), wizard_shown_name(dest_dir_path, wizard_text_width));
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
