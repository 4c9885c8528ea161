// The disc installer: its start screen, the new-install flow and running an
// installed copy.
#include "main_demo.h"
#include "main_dvd.h"
#include "main_globals.h"
#include "main_registration.h"
#include "main_status.h"
#include "main_wizard.h"
#include "main_world_map.h"
#include "utils.h"
#include "butn.h"
#include "OGL_fonts.h"
#include "io_utils.h"
#include "opensave.h"
#include "path_utils.h"
#include "utils_records.h"
#include "UTL_clock.h"
#include "UTL_log.h"
#include "UTL_globals.h"
#include "UTL_translate.h"

static std::string T(const char* text) { return UTL_translate_string(text, 0); }

static void install_steps()
{
	static const char* const names[6] = {"Welcome", "Pick Destination", "License", "Select Scenery", "Install", "Finish"};
	static const wizard_func funcs[6] = {dvd_start, dvd_pick_install, see_eula, dvd_scenery_install, dvd_run_install,
	                                     dvd_done_install};
	wizard_set_steps(names, funcs, 6);
}

// The start screen's body and choices for the disc in the drive.
static void start_screen(wizard_screen& s)
{
	UTIL_scan_dvd();
	if (dvd_path.empty()) {
		s.text = T("Please insert Vantor 9 DVD number one to begin.");
		return;
	}
	if (install_name == no_install_name || stg.stage == stage_failed) {
		s.text = T("This DVD does not appear to be an Vantor 9 DVD.");
		return;
	}
	if (stg.stage != stage_ready) return;
	if (all_rootdecks.empty()) {
		if (stg.disk_has_sim) {
			s.text = UTL_string_sub(T("Welcome to the Vantor 9 Installer.  I will guide you through the process of "
			                          "installing %1:install name%."),
			                        install_name);
			s.next = dvd_pick_install;
		} else {
			s.text = UTL_string_sub(T("This DVD (%1:dvd name%) contains global scenery.  You must install the sim "
			                          "before you install the global scenery."),
			                        install_name);
		}
		return;
	}
	// an install that was cut short is offered first, to be finished
	const std::string unfinished = stg.disk_has_sim ? registration_first_unfinished("disc") : "";
	if (unfinished.empty()) {
		s.text = T("You already have Vantor 9 installed on this computer.  What would you like to do?");
	} else {
		s.text = UTL_string_sub(T("The installation of Vantor 9 in %1:install folder% did not finish.  What would you "
		                          "like to do?"),
		                        unfinished);
		s.choice_labels.push_back(T("Finish Installing Vantor"));
		s.choice_funcs.push_back(dvd_finish_install);
	}
	s.choice_labels.push_back(T("Run Vantor Now"));
	s.choice_funcs.push_back(dvd_pick_run_sim);
	if (stg.disk_has_scenery) {
		s.choice_labels.push_back(T("Add Or Remove Scenery"));
		s.choice_funcs.push_back(dvd_pick_scenery);
	}
	if (stg.disk_has_sim) {
		s.choice_labels.push_back(T("Repair Vantor"));
		s.choice_funcs.push_back(dvd_pick_repair);
		s.choice_labels.push_back(T("Install A Second Copy of Vantor"));
		s.choice_funcs.push_back(dvd_pick_install);
	}
}

int dvd_start(int entering, wizard_screen& s)
{
	if (entering) {
		checksum_directory_kill();	// a scan left by Back must not run on past a disc change
		locate_all_vantors();
	}
	s.title = T("Vantor 9 Installer");
	start_screen(s);
	// the new install's steps only while Next leads into it; while the user
	// still chooses what to do (or has no disc) no flow's steps are ahead
	if (s.next == dvd_pick_install) {
		install_steps();
	} else {
		static const char* const names[1] = {"Welcome"};
		static const wizard_func funcs[1] = {dvd_start};
		wizard_set_steps(names, funcs, 1);
	}
	return 0;
}

int dvd_pick_install(int entering, wizard_screen& s)
{
	std::string& desktop_f = g_flow.install_dest.desktop_f;
	std::string& parent_dir = g_flow.install_dest.parent_dir;
	std::string& install_folder = g_flow.install_dest.install_folder;
	demo_dest_scan& scan = g_flow.install_dest.scan;
	int changed = 0;
	if (parent_dir.empty()) {
		get_OS_abs_path(os_dir_desktop_b, parent_dir);
		install_folder = install_name;
		changed = 1;
	}
	if (entering) {
		get_OS_abs_path(os_dir_desktop, desktop_f);
		accept_eula = 0;
		eula_back = dvd_pick_install;
		eula_next = dvd_scenery_install;
		eula_text = product_licence_text;
		install_steps();
		changed = 1;
	}
	s.title = UTL_string_sub(T("Pick Install Destination for %1:install%."), install_name);
	s.back = dvd_start;
	s.next = see_eula;

	if (!demo_pick_folder(s, parent_dir, install_folder, desktop_f, T("Pick a folder to install Vantor 9 into."),
	                      "disc", changed)) {
		demo_scan_dest_pause(scan);
		return 0;
	}
	if (!demo_scan_dest(s, scan, changed)) {
		s.next = nullptr;
		return 0;
	}
	UTIL_disk_space(T("You have enough free disk space to install Vantor 9 at this location."),
	                T("You do not have enough free disk space to install Vantor 9 at this location.  You can install "
	                  "to a different location, or save disk space by installing only some of the global scenery."));
	return 0;
}

int dvd_finish_install(int, wizard_screen& s)
{
	const std::string copy = registration_first_unfinished("disc");
	if (!copy.empty()) {
		// the destination screen shows it chosen; its scan takes the tiles chosen then
		const std::string parent = registration_parent_folder(copy);
		g_flow.install_dest.parent_dir = parent;
		g_flow.install_dest.install_folder = copy.substr(parent.size(), copy.size() - parent.size() - 1);
	}
	s.next = dvd_pick_install;
	return 1;
}

int dvd_scenery_install(int entering, wizard_screen& s)
{
	int& ctr = g_flow.install_scan;
	int& scanning = g_flow.install_scanning;
	if (entering && dvd_install_is_running) {
		int r = abort_alert(T("Are you sure you want to cancel the installation?  This will delete the partially "
		                      "installed copy of Vantor 9."),
		                    T("Cancel"), T("the installation and delete partial installation."), T("Continue"),
		                    T("the installation process."));
		if (r != 1) {	// Continue, or the prompt closed (a quit): nothing is deleted
			s.next = dvd_run_install;
			return 1;
		}
		install_files_kill();
		int err = recursive_delete_folder(dest_dir_path);
		xer << "Cancelled install: deleting " << dest_dir_path << ", with result=" << err << ".\n";
		dvd_install_is_running = 0;
	}
	if (entering) {
		checksum_directory_kill();
		ctr = 0;
		scanning = 1;
	}
	s.title = T("Select Scenery");
	s.back = see_eula;
	if (scanning) {
		// the map waits for the scan: a click on it recounts the sizes the scan is filling in
		if (!wizard_scan_step(s, ctr, 0)) {
			s.text = UTL_string_sub(T("I am scanning %1:folder path% to see what files need updating."), wizard_shown_name(dest_dir_path, wizard_text_width));
			return 0;
		}
		scanning = 0;
		recalc_disk_sizes();
	}
	UTIL_world_map();
	s.text = T("Please pick the scenery you would like to install now.  You can use this installer to add more scenery "
	           "or remove scenery later.  If you fly into an area with no scenery installed, you will see only "
	           "ocean.\n\nClick on the world map to pick select regions to install.");
	s.back = see_eula;
	s.next = dvd_run_install;
	if (!UTIL_disk_space(T("You have enough free disk space to install Vantor 9 with the selected scenery."),
	                     T("You do not have enough free disk space to install Vantor 9 with the selected scenery; "
	                       "change the install location to another hard driver or select less scenery.")))
		s.next = nullptr;
	return 0;
}

// The run pattern of the disc flows: one call of the engine per frame.
int dvd_run_install(int, wizard_screen& s)
{
	int& f = g_flow.install_file;
	const unsigned long long first_call = wizard_run_clock(g_flow.install_clock);
	if (dvd_run_begin(s, f, dvd_install_is_running, first_call, dvd_scenery_install, dvd_pick_install, 1)) return 1;
	s.title = T("Installing Vantor");
	static const dvd_run_flow flow = {dvd_scenery_install,
	                                  dvd_done_install,
	                                  dvd_verify_disk_install,
	                                  dvd_scenery_install,
	                                  "I am installing Vantor in %1:file path%.",
	                                  "Installing: %1:file%",
	                                  "Finishing up...",
	                                  dvd_flow_install};
	return dvd_run_frame(s, f, dvd_install_is_running, flow);
}

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

void dvd_pick_copy(wizard_screen& s, const char* closing)
{
	if (all_rootdecks.size() == 1) dest_dir_path = all_rootdecks[0];
	UTIL_pick_install();
	if (dest_dir_path.empty()) s.next = nullptr;
	s.text = all_rootdecks.size() >= 2 ? T("You have more than one copy of Vantor 9 installed on this computer.  ") : "";
	s.text += T(closing);
}

// One step of the copy's scan per frame: the engine keeps the workers' queue
// deep enough to last until the next frame, so the step never waits on them.
int dvd_scan_frame(wizard_screen& s, int& ctr, int quick, wizard_func back, wizard_func done)
{
	if (wizard_scan_step(s, ctr, quick)) {
		s.next = done;
		return 1;
	}
	s.back = back;
	return 0;
}

int dvd_switch_disk_install(int entering, wizard_screen& s)
{
	s.title = T("Installing Vantor - Please Change DVDs");
	return dvd_change_disc(entering, s, dvd_scenery_install, dvd_verify_disk_install, dvd_run_install);
}

int dvd_verify_disk_install(int, wizard_screen& s)
{
	s.title = T("Installing Vantor - Checking DVD...");
	return dvd_verify_frame(s, dvd_run_install, dvd_switch_disk_install);
}

int dvd_done_install(int, wizard_screen& s)
{
	s.title = T("Finished Installing Vantor");
	if (num_install_errors <= 0) {
		s.text = T("Installation was successful.");
		s.choice_labels.push_back(T("Run Vantor Now"));
		s.choice_funcs.push_back(dvd_do_run_sim);
	} else {
		s.text = T("There were errors during the install; your copy of Vantor may not be usable.\n\nYou can click Back "
		           "and use the repair and add-remove scenery functions to try to reinstall any missing or "
		           "damaged files.");
	}
	s.back = dvd_start;
	s.next = wizard_quit;
	return 0;
}

int dvd_pick_run_sim(int entering, wizard_screen& s)
{
	if (entering) {
		static const char* const names[2] = {"Welcome", "Run Vantor"};
		static const wizard_func funcs[2] = {dvd_start, dvd_pick_run_sim};
		wizard_set_steps(names, funcs, 2);
	}
	s.title = T("Run Vantor");
	s.back = dvd_start;
	s.next = dvd_do_run_sim;
	if (all_rootdecks.size() == 1) {
		dest_dir_path = all_rootdecks[0];
		return 1;
	}
	UTIL_pick_install();
	if (dest_dir_path.empty()) s.next = nullptr;
	s.text = all_rootdecks.size() >= 2 ? T("You have more than one copy of Vantor 9 installed on this computer.  ") : "";
	s.text += T("Please pick which copy of Vantor 9 you would like to run.");
	return 0;
}
