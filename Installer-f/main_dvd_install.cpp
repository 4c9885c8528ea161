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
