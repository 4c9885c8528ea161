// The disc installer's repair flow: every file of a copy checked against the
// disc set's directory, and what is missing or damaged brought back from the discs.
#include "main_dvd.h"
#include "main_globals.h"
#include "main_status.h"
#include "main_wizard.h"
#include "utils.h"
#include "utils_records.h"
#include "UTL_translate.h"

static std::string T(const char* text) { return UTL_translate_string(text, 0); }

int dvd_pick_repair(int entering, wizard_screen& s)
{
	if (entering) {
		checksum_directory_kill();
		static const char* const names[6] = {"Welcome", "Select Vantor", "Scan For Problems", "Confirm Repairs",
		                                     "Repair Vantor", "Finish"};
		static const wizard_func funcs[6] = {dvd_start, dvd_pick_repair, dvd_scan_repair, dvd_confirm_repair,
		                                     dvd_install_repair, dvd_done_repair};
		wizard_set_steps(names, funcs, 6);
	}
	s.title = T("Repair Vantor 9");
	s.back = dvd_start;
	s.next = dvd_scan_repair;
	dvd_pick_copy(s, "Please pick which copy of Vantor 9 you would like to repair.");
	return 0;
}

int dvd_scan_repair(int entering, wizard_screen& s)
{
	int& ctr = g_flow.repair_scan;
	if (entering) {
		ctr = 0;
		set_install_filter(1, 0);
	}
	s.title = T("Scanning Vantor for Problems");
	s.text = UTL_string_sub(T("I am scanning %1:folder% for missing or damaged files.\n\nNote: if you have updated "
	                          "this copy of Vantor from the Internet, the repair operation will remove the updates.  "
	                          "Once the repair has finished, you should reapply the updates from the web."),
	                        wizard_shown_name(dest_dir_path, wizard_text_width));
	return dvd_scan_frame(s, ctr, 0, dvd_pick_repair, dvd_confirm_repair);
}

int dvd_confirm_repair(int entering, wizard_screen& s)
{
	int& num_file_install = g_flow.repair_files;
	if (entering && repair_is_running) {
		int r = abort_alert(T("Are you sure you want to stop the repair operation?  Vantor may not be usable until "
		                      "repairs are complete.  You can run the repair operation on Vantor again later to "
		                      "complete repairs."),
		                    T("Stop"), T("the repair operation."), T("Continue"), T("the repair operation."));
		if (r == 0) {
			s.next = dvd_install_repair;
			return 1;
		}
		install_files_kill();
		repair_is_running = 0;
	}
	if (entering) {
		recalc_disk_sizes();
		num_file_install = 0;
		for (int i = 0; i < (int)sim_info.size(); ++i) {
			int last = (int)sim_info[i].versions.size() - 1;
			if (last >= 0 && !sim_info[i].versions[last].up_to_date && want_this_f(i, last)) ++num_file_install;
		}
	}
	s.title = T("Confirm Repairs");
	s.back = dvd_pick_repair;
	s.next = dvd_install_repair;	// with nothing to bring back, the run ends at once on the finish screen
	if (num_file_install == 0) {
		s.text = UTL_string_sub(T("I found no missing or damaged files in %1:path%; there is nothing to repair."),
		                        wizard_shown_name(dest_dir_path, wizard_text_width));
		return 0;
	}
	s.text = UTL_string_sub(UTL_translate_plural(num_file_install,
	                                             "I need to install approximately %1:count% file to repair %2:path%.",
	                                             "I need to install approximately %1:count% files to repair %2:path%."),
	                        int_str(num_file_install), wizard_shown_name(dest_dir_path, wizard_text_width));
	if (!UTIL_disk_space(T("You have enough free disk space to repair this copy of Vantor."),
	                     T("You do not have enough free disk space to repair this copy of Vantor.")))
		s.next = nullptr;
	if (s.next) s.text += T("\n\nClick Next to begin repairing Vantor.");
	return 0;
}
