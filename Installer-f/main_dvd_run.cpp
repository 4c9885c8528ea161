// The screens the three disc flows share: the run that drives the engine a
// call a frame, the disc-change loop (change disc, verify) and the end. Each
// flow's row of the table says where its screens lead and what they say.
#include "main_dvd.h"
#include "main_globals.h"
#include "main_registration.h"
#include "main_status.h"
#include "main_wizard.h"
#include "utils.h"
#include "utils_records.h"
#include "UTL_clock.h"
#include "UTL_globals.h"
#include "UTL_log.h"
#include "UTL_translate.h"

static std::string T(const char* text) { return UTL_translate_string(text, 0); }

// The new install, the repair and the scenery flow, by dvd_flow_*.
static const dvd_run_flow dvd_flows[3] = {
	{dvd_scenery_install, dvd_done_install, dvd_verify_disk_install, dvd_scenery_install,
	 "I am installing Vantor in %1:file path%.", "Installing: %1:file%", "Finishing up...", dvd_flow_install,
	 dvd_run_install, dvd_switch_disk_install, dvd_scenery_install, dvd_pick_install, 1,
	 {"Installing Vantor", "Installing Vantor - Please Change DVDs", "Installing Vantor - Checking DVD...",
	  "Finished Installing Vantor"},
	 &dvd_install_is_running, &g_flow.install_file, &g_flow.install_clock},
	{dvd_confirm_repair, dvd_done_repair, dvd_verify_disk_repair, dvd_done_repair, "I am repairing %1:file path%.",
	 "Repairing: %1:file path%", "Finishing up...", dvd_flow_repair, dvd_install_repair, dvd_switch_disk_repair,
	 dvd_confirm_repair, dvd_confirm_repair, 0,
	 {"Repairing Vantor", "Repairing Vantor - Please Change DVDs", "Repairing Vantor - Checking DVD",
	  "Finished Repairing Vantor."},
	 &repair_is_running, &g_flow.repair_file, &g_flow.repair_clock},
	{dvd_edit_scenery, dvd_done_scenery, dvd_verify_disk_scenery, dvd_done_scenery,
	 "I am installing new scenery for %1:install path%,", "Installing: %1:file%", "Finishing Up...", dvd_flow_scenery,
	 dvd_install_scenery, dvd_switch_disk_scenery, dvd_edit_scenery, dvd_edit_scenery, 0,
	 {"Installing New Scenery", "Installing Scenery - Please change DVDs", "Installing Scenery - Verifying DVD",
	  "Finished With Add/Remove Scenery"},
	 &scenery_install_is_running, &g_flow.scenery_file, &g_flow.scenery_clock}};

int dvd_run_begin(wizard_screen& s, int& f, int& running, unsigned long long first_call, wizard_func cancelled,
                  wizard_func no_folders, int register_copy)
{
	if (running) return 0;
	f = 0;
	xer << "Starting install at " << (double)(xtim_class::microsecs() - first_call) / 1000000 << "\n";
	if (!choose_files(dest_dir_path)) {
		s.next = cancelled;
		return 1;
	}
	if (make_dirs(dest_dir_path) != 0) {
		s.next = no_folders;
		return 1;
	}
	if (register_copy) {
		// a new copy counts as installed only once its install has ended whole
		registration_mark_unfinished(dest_dir_path, "disc");
		register_new_vantor();
	}
	delete_files(dest_dir_path);
	running = 1;
	num_install_errors = 0;
	return 0;
}

// The disc-change loop begins: nothing asked yet, no disc seen.
static void dvd_ask_for_disc(int disc_left)
{
	g_flow.disc_left = disc_left;
	g_flow.disc_asked = 0;
	g_flow.disc_found = dvd_no_disc;
	if (disc_left) xer << "The disc left the drive during the copy: asking for it again.\n";
}

// The first file from f on that the run still copies from a disc; -1 when none.
static int next_wanted_file(int f)
{
	for (int i = f < 0 ? 0 : f; i < (int)sim_info.size(); ++i)
		if (!sim_info[i].versions.empty() && sim_info[i].versions.back().want_download) return i;
	return -1;
}

int dvd_run_frame(wizard_screen& s, int& f, int& running, const dvd_run_flow& flow)
{
	s.quit_callback = install_files_kill;
	// A disc change that was left with Back forgot the disc: find the one that
	// holds the next file (asking for it when none does) before copying.
	if (dvd_path.empty() && next_wanted_file(f) >= 0) {
		want_file_disk = next_wanted_file(f);
		dvd_ask_for_disc(0);
		s.next = flow.verify;
		return 1;
	}
	switch (install_files(dest_dir_path, f, current_disk)) {
	case install_busy:
		s.back = flow.working_back;
		s.next = nullptr;
		s.text = UTL_string_sub(T(flow.body), wizard_shown_name(dest_dir_path, wizard_text_width));
		dvd_run_progress(s, f, flow.running, flow.finishing);
		return 0;
	case install_done:
		// a listed file the release has at a path this installer cannot take is not in the copy
		if (!UTIL_report_listed_refused(dest_dir_path).empty()) ++num_install_errors;
		if (flow.kind == dvd_flow_install && num_install_errors <= 0) registration_mark_finished(dest_dir_path);
		s.next = flow.done;
		running = 0;
		return 1;
	case install_need_disk:
		want_file_disk = f;
		dvd_ask_for_disc(install_files_disc_left());
		s.next = flow.verify;
		return 1;
	case install_failed:
		++num_install_errors;
		if (UTIL_cancel_install(flow.kind) == 0) return 0;
		if (flow.kind != dvd_flow_install) {	// what was done stays; the new install asks before it deletes
			install_files_kill();
			running = 0;
		}
		s.next = flow.failed;
		return 1;
	default:
		return 0;
	}
}

void dvd_run_progress(wizard_screen& s, int f, const char* running_text, const char* finishing_text)
{
	int n = (int)sim_info.size();
	if (f >= 0 && f < n && !sim_info[f].versions.empty()) {
		s.progress = sim_info[f].versions.back().progress_share;
		s.progress_text = UTL_string_sub(T(running_text), wizard_shown_name(sim_info[f].versions.back().path, wizard_progress_text_width));
	} else {
		s.progress = f < 0 ? 0.0f : 1.0f;
		s.progress_text = T(finishing_text);
	}
}

int dvd_change_disc(int entering, wizard_screen& s, wizard_func back, wizard_func verify, wizard_func run)
{
	int n = UTIL_switch_disk(entering);
	const std::string number = int_str(n + 1);
	const int found = g_flow.disc_found;
	s.step = run;
	if (found >= 0 && found != n)
		s.text = UTL_string_sub(T("That was DVD number %1:found disk%.  Please insert DVD number %2:disk number% and "
		                          "click Next."),
		                        int_str(found + 1), number);
	else if (found == dvd_not_of_set)
		s.text = UTL_string_sub(T("That DVD is not one of the %1:install name% DVDs.  Please insert DVD number "
		                          "%2:disk number% and click Next."),
		                        install_name, number);
	else if (g_flow.disc_left)
		s.text = UTL_string_sub(T("DVD number %1:disk number% was taken out while I was copying from it.  Please put "
		                          "it back and click Next."),
		                        number);
	else
		s.text = UTL_string_sub(T("Please insert DVD number %1:disk number% and click Next."), number);
	g_flow.disc_asked = 1;	// the next check is the user's answer
	s.back = back;
	s.next = verify;
	return 0;
}

int dvd_verify_frame(wizard_screen& s, wizard_func run, wizard_func change)
{
	s.step = run;
	if (UTIL_verify_disk()) {
		s.next = run;
		return 1;
	}
	// an answer with another disc in the drive: the next question says which it was
	if (g_flow.disc_asked) {
		g_flow.disc_found = UTIL_disc_in_drive();
		xer << "No disc in the drive holds " << UTL_log_safe(dvd_archive_on_disc(want_file_disk)) << "; the drive holds "
		    << (g_flow.disc_found >= 0 ? "disc " + std::to_string(g_flow.disc_found + 1)
		        : g_flow.disc_found == dvd_not_of_set ? std::string("a disc of another set") : std::string("no disc"))
		    << ".\n";
	}
	s.next = change;
	return 1;
}

// The run screen of a flow: its first frame starts the run, every frame
// calls the engine once.
static int run_screen(wizard_screen& s, const dvd_run_flow& flow)
{
	int& f = *flow.cursor;
	const unsigned long long first_call = wizard_run_clock(*flow.clock);
	if (dvd_run_begin(s, f, *flow.running_flag, first_call, flow.cancelled, flow.no_folders, flow.register_copy))
		return 1;
	s.title = T(flow.titles[0]);
	return dvd_run_frame(s, f, *flow.running_flag, flow);
}

static int change_screen(int entering, wizard_screen& s, const dvd_run_flow& flow)
{
	s.title = T(flow.titles[1]);
	return dvd_change_disc(entering, s, flow.working_back, flow.verify, flow.run);
}

static int verify_screen(wizard_screen& s, const dvd_run_flow& flow)
{
	s.title = T(flow.titles[2]);
	return dvd_verify_frame(s, flow.run, flow.change);
}

// The scenery flow's end, by what the last totals had to do: add and remove,
// add, remove, neither.
static std::string scenery_done_text(bool errors)
{
	static const char* const words[2][4] = {
		{"I have successfully added and removed scenery to match your choices on the map.",
		 "I have successfully installed more scenery to match your choices on the map.",
		 "I have successfully removed scenery to match your choices on the map.",
		 "I have successfully updated scenery to match your choices on the map."},
		{"There were errors while adding and removing your scenery.", "There were errors while installing your scenery.",
		 "There were errors while removing your scenery.", "There were errors while updating your scenery."}};
	const bool added = stg.files_to_install > 0, removed = stg.files_to_delete > 0;
	std::string text = T(words[errors][added && removed ? 0 : added ? 1 : removed ? 2 : 3]);
	if (errors)
		text += T("  Your copy of Vantor may not be usable.\n\nYou can click Back and use the repair and "
		          "add-remove scenery functions to try to reinstall any missing or damaged files.");
	return text;
}

// What the end of a flow's run says, with or without errors.
static std::string done_text(int kind, bool errors)
{
	if (kind == dvd_flow_scenery) return scenery_done_text(errors);
	if (kind == dvd_flow_repair)
		return errors ? T("There were errors during the repair; your copy of Vantor may not be usable.\n\nYou can click "
		                  "Back and use the repair and add-remove scenery functions to try to reinstall any missing or "
		                  "damaged files.")
		              : UTL_string_sub(T("I have finished repairing %1:install path% - click Back to return to the main "
		                                 "menu."),
		                               wizard_shown_name(dest_dir_path, wizard_text_width));
	return errors ? T("There were errors during the install; your copy of Vantor may not be usable.\n\nYou can click Back "
	                  "and use the repair and add-remove scenery functions to try to reinstall any missing or damaged "
	                  "files.")
	              : T("Installation was successful.");
}

static int done_screen(wizard_screen& s, const dvd_run_flow& flow)
{
	s.title = T(flow.titles[3]);
	const bool errors = num_install_errors > 0;
	s.text = done_text(flow.kind, errors);
	if (!errors) {
		s.choice_labels.push_back(T("Run Vantor Now"));
		s.choice_funcs.push_back(dvd_do_run_sim);
	}
	s.back = dvd_start;
	s.next = wizard_quit;
	return 0;
}

int dvd_run_install(int, wizard_screen& s) { return run_screen(s, dvd_flows[dvd_flow_install]); }
int dvd_install_repair(int, wizard_screen& s) { return run_screen(s, dvd_flows[dvd_flow_repair]); }
int dvd_install_scenery(int, wizard_screen& s) { return run_screen(s, dvd_flows[dvd_flow_scenery]); }

int dvd_switch_disk_install(int entering, wizard_screen& s) { return change_screen(entering, s, dvd_flows[dvd_flow_install]); }
int dvd_switch_disk_repair(int entering, wizard_screen& s) { return change_screen(entering, s, dvd_flows[dvd_flow_repair]); }
int dvd_switch_disk_scenery(int entering, wizard_screen& s) { return change_screen(entering, s, dvd_flows[dvd_flow_scenery]); }

int dvd_verify_disk_install(int, wizard_screen& s) { return verify_screen(s, dvd_flows[dvd_flow_install]); }
int dvd_verify_disk_repair(int, wizard_screen& s) { return verify_screen(s, dvd_flows[dvd_flow_repair]); }
int dvd_verify_disk_scenery(int, wizard_screen& s) { return verify_screen(s, dvd_flows[dvd_flow_scenery]); }

int dvd_done_install(int, wizard_screen& s) { return done_screen(s, dvd_flows[dvd_flow_install]); }
int dvd_done_repair(int, wizard_screen& s) { return done_screen(s, dvd_flows[dvd_flow_repair]); }
int dvd_done_scenery(int, wizard_screen& s) { return done_screen(s, dvd_flows[dvd_flow_scenery]); }
