// The disc installer's scenery flow: the global scenery tiles of a copy are
// chosen on the world map; new ones come from the discs, dropped ones go.
#include "main_dvd.h"
#include "main_globals.h"
#include "main_status.h"
#include "main_wizard.h"
#include "main_world_map.h"
#include "utils.h"
#include "utils_records.h"
#include "UTL_translate.h"

static std::string T(const char* text) { return UTL_translate_string(text, 0); }

int dvd_pick_scenery(int entering, wizard_screen& s)
{
	if (entering) {
		checksum_directory_kill();
		static const char* const names[6] = {"Welcome", "Select Vantor", "Scan Existing Scenery", "Select New Scenery",
		                                     "Install Scenery", "Finish"};
		static const wizard_func funcs[6] = {dvd_start, dvd_pick_scenery, dvd_scan_scenery, dvd_edit_scenery,
		                                     dvd_install_scenery, dvd_done_scenery};
		wizard_set_steps(names, funcs, 6);
	}
	s.title = T("Select Vantor 9 to Add or Remove Scenery");
	s.back = dvd_start;
	s.next = dvd_scan_scenery;
	dvd_pick_copy(s, "Please pick which copy of Vantor 9 you would like to add scenery to.");
	return 0;
}

int dvd_scan_scenery(int entering, wizard_screen& s)
{
	int& ctr = g_flow.scenery_scan;
	if (entering) {
		ctr = 0;
		set_install_filter(0, 1);
	}
	s.title = T("Scanning Vantor 9 for Installed Scenery");
	s.text = UTL_string_sub(T("I am scanning %1:install folder% to see what scenery you already have installed.\n\n"
	                          "Note: I am only checking for the scenery already installed from your DVDs.  This scan "
	                          "will not show any custom scenery downloaded from the internet."),
	                        wizard_shown_name(dest_dir_path, wizard_text_width));
	return dvd_scan_frame(s, ctr, 1, dvd_pick_scenery, dvd_edit_scenery);	// presence only
}

int dvd_edit_scenery(int entering, wizard_screen& s)
{
	if (entering && scenery_install_is_running) {
		int r = abort_alert(T("Are you sure you want to stop scenery installation?  You can add or remove more "
		                      "scenery later."),
		                    T("Stop"), T("the scenery install."), T("Continue"), T("the scenery install."));
		if (r == 0) {
			s.next = dvd_install_scenery;
			return 1;
		}
		install_files_kill();
		scenery_install_is_running = 0;
	}
	if (entering) {
		// the map opens on what the copy has
		scenery_from_install();
		recalc_disk_sizes();
	}
	s.title = T("Select Scenery");
	UTIL_world_map();
	s.text = T("Click on the world map to select what scenery you would like to install.  Scenery that you deselect "
	           "will be removed; scenery that you select will be installed.  If you fly into an area with no scenery "
	           "installed, you will see only ocean.");
	s.back = dvd_pick_scenery;
	s.next = dvd_install_scenery;
	if (!UTIL_disk_space(T("You have enough free disk space to install this scenery."),
	                     T("You do not have enough free disk space to install this scenery.")))
		s.next = nullptr;
	return 0;
}
