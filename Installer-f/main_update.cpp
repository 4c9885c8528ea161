// The web-update flow: welcome, the copy to update, the release and a scan of
// the copy, disk space, the download of what differs, finish.
#include "main_update.h"
#include "main_web_steps.h"
#include "main_globals.h"
#include "main_net.h"
#include "main_registration.h"
#include "main_run_report.h"
#include "main_status.h"
#include "main_wizard.h"
#include "utils.h"
#include "butn.h"
#include "utils_records.h"
#include "UTL_log.h"
#include "UTL_translate.h"

static std::string T(const char* text) { return UTL_translate_string(text, 0); }

static void net_steps()
{
	static const char* const names[6] = {"Welcome", "Pick Destination", "Search for Updates", "Check Disk Space",
	                                     "Install Updates", "Finish"};
	static const wizard_func funcs[6] = {net_start, net_pick_dest, net_get_updates, net_check_disk, net_run_patch,
	                                     net_done};
	if (cmd_line_path.empty()) {
		wizard_set_steps(names, funcs, 6);
		return;
	}
	const char* const short_names[5] = {names[0], names[2], names[3], names[4], names[5]};
	const wizard_func short_funcs[5] = {funcs[0], funcs[2], funcs[3], funcs[4], funcs[5]};
	wizard_set_steps(short_names, short_funcs, 5);
}

int net_start(int entering, wizard_screen& s)
{
	if (entering) {
		checksum_directory_kill();	// a scan left by Back must not run on into another copy
		locate_all_vantors();
		if (!cmd_line_path.empty()) {
			// only an installed copy is updated: any other folder would get the
			// whole release written into it
			std::string copy = net_command_line_copy(cmd_line_path);
			if (copy.empty()) {
				xer << "The folder given with -path is not an installed copy: " << cmd_line_path << "\n";
				registration_not_a_copy_alert(cmd_line_path);
			}
			cmd_line_path = copy;
		}
		net_steps();
		grab_files_stop();
	}
	if (!cmd_line_path.empty()) dest_dir_path = cmd_line_path;
	s.title = T("Vantor 9 Web Updater");
	s.text = T("I will guide you through the process of updating your copy of Vantor 9 to the latest version.");
	s.prefs_enabled = 1;
	s.next = cmd_line_path.empty() ? net_pick_dest : net_get_updates;
	int beta = stg.get_beta;
	BTN_bool(250, 400, &beta,
	         T("|Check for new betas as well as updates. Leave this off unless you want to participate in the "
	           "Vantor beta program!"), 0);
	UTIL_set_beta(beta);
	return 0;
}

int net_pick_dest(int entering, wizard_screen& s)
{
	if (entering) {
		checksum_directory_kill();
		grab_files_stop();
	}
	s.title = T("Pick Destination");
	s.prefs_enabled = 1;
	if (all_rootdecks.size() >= 2)
		s.text = T("You have more than one copy of Vantor 9 installed on this computer.  ");
	s.text += T("Please select which copy of Vantor 9 you would like to update.");
	UTIL_pick_install();
	s.back = net_start;
	s.next = dest_dir_path.empty() ? nullptr : net_get_updates;
	return 0;
}

int net_get_updates(int entering, wizard_screen& s)
{
	int& ctr = g_flow.update_scan;
	if (entering) {
		// a scan starts afresh whenever the screen does; the directory may be
		// read again below, so no worker may still be reading it
		checksum_directory_kill();
		ctr = 0;
		UTIL_directory_read_again();
		net_directory_restart();	// a fetch that gave up is tried again
		set_install_filter(1, 1);
	}
	s.title = T("Search for Updates");
	s.back = cmd_line_path.empty() ? net_pick_dest : net_start;	// Pick Destination is no step with "-path"
	const int read_before = stg.stage == stage_ready;
	const std::string processing = T("I am processing information about the available patches.");
	if (!web_directory_step(s, net_get_updates, T("to find an update server."), processing,
	                         T("I am downloading patch info from %1:server name%.")))
		return 0;
	if (!read_before) {
		// the frame that read the directory file is long already: the scan starts with the next
		s.text = processing;
		return 0;
	}
	// the directory is read: one step of the copy's scan per frame
	if (wizard_scan_step(s, ctr, 0)) {
		s.back = nullptr;
		s.next = net_check_disk;
		net_decide_after_scan();
		return 1;
	}
	s.text = UTL_string_sub(T("I am scanning %1:folder path% to see what files need updating."), wizard_shown_name(dest_dir_path, wizard_text_width));
	return 0;
}

int net_check_disk(int entering, wizard_screen& s)
{
	if (entering) {
		grab_files_stop();
	}
	s.title = T("Check Disk Space");
	s.back = net_get_updates;
	s.next = net_run_patch;
	s.show_servers = 1;
	if (net_was_current) {
		s.next = net_done;
		return 1;
	}
	if (UTIL_disk_space(T("You have enough free disk space to update Vantor 9"),
	                    T("You do not have enough free disk space to update Vantor 9.")))
		s.text = UTL_string_sub(T("You are about to download %1:download size% of compressed data to update to "
		                          "%2:install name%."),
		                        size_string(stg.total_kb_download), install_name);
	else {
		s.next = nullptr;
		s.text = T("There is a newer version of Vantor 9 available, but you do not have enough free disk space to "
		           "download and install the update.\n\nPlease free some space on your hard drive.");
	}
	return 0;
}

int net_run_patch(int entering, wizard_screen& s)
{
	static const web_run_flow flow = {net_check_disk, net_done, 0, &g_flow.update_install_rat};
	return web_run_screen(s, entering, flow);
}

int net_done(int entering, wizard_screen& s)
{
	s.next = wizard_quit;
	s.title = T("Finished Web Update");
	if (net_was_current) {
		s.text = UTL_string_sub(T("This copy of Vantor (%1:install path%) is already up to date."), wizard_shown_name(dest_dir_path, wizard_text_width));
	} else if (stg.extract_error) {
		// what stopped it decides the advice: another server helps with neither a full disk nor a lost network
		s.text = T("There were problems updating Vantor.") + "\n\n" + run_failure_details(true);
	} else {
		s.text = UTL_string_sub(T("I have finished updating %1:install path%."), wizard_shown_name(dest_dir_path, wizard_text_width));
	}
	if (entering) xer << "Finish text: " << UTL_log_safe(s.text) << "\n";	// what the user was told, for support
	if (stg.extract_error && !net_was_current) return 0;
	s.choice_labels.push_back(T("Fly Vantor Now"));
	s.choice_funcs.push_back(dvd_do_run_sim);
	return 0;
}
