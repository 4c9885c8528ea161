#include "main_run_report.h"
#include "main_globals.h"
#include "main_status.h"
#include "main_wizard.h"
#include "io_utils.h"
#include "utils.h"
#include "utils_records.h"
#include "UTL_translate.h"
#include <cmath>

static std::string T(const char* text) { return UTL_translate_string(text, 0); }

// Whole seconds, rounded up: a pause of 0.4 s is "1 second", never "0 seconds".
static std::string seconds_text(float seconds) { return time_str(ceilf(seconds > 0 ? seconds : 0)); }

std::string run_waiting_text()
{
	float left = grab_pause_left();
	if (left < 0) return "";
	return UTL_string_sub(T("I can not reach the servers right now. Your internet connection may not be working, or the "
	                        "servers could be undergoing maintenance.\n\nI am waiting for the network and will try again "
	                        "in %1:time%."),
	                      seconds_text(left));
}

std::string run_quiet_line(const std::string& file)
{
	std::string server;
	float quiet = grab_shown_quiet(server);
	if (quiet < run_quiet_seconds) return "";
	return UTL_string_sub(T("Waiting for the server %1:server% to send %2:file%: nothing has come for %3:time%."), server,
	                      wizard_shown_name(file, wizard_progress_text_width), time_str(quiet));
}

// A file the run did not install, as the user knows it: its path in the copy.
static std::string copy_path(const std::string& path)
{
	std::string p = path;
	if (!dest_dir_path.empty() && p.compare(0, dest_dir_path.size(), dest_dir_path) == 0) return p.substr(dest_dir_path.size());
	// a remote path: the server's folder, the listed path, ".zip"
	for (const std::string& folder : server_path)
		if (!folder.empty() && p.compare(0, folder.size(), folder) == 0) {
			p = p.substr(folder.size());
			if (p.size() > 4 && p.compare(p.size() - 4, 4, ".zip") == 0) p.resize(p.size() - 4);
			trim_dest_folder(p);
			break;
		}
	return p;
}

// ... on a line of its own
static std::string shown_name(const std::string& path) { return wizard_shown_name(copy_path(path), wizard_text_width); }

enum { run_names_shown = 5 };

std::string run_failure_details(bool rerun_resumes)
{
	grab_outcome o = grab_run_outcome();
	std::string out;
	if (o.local_error) {
		out = UTL_string_sub(T("I could not save the files on this computer: %1:cause%.\nFolder: %2:folder%"),
		                     error_str(o.local_error), wizard_shown_name(o.local_folder, wizard_text_width));
		if (o.more_kb > 0)
			out += "\n" + UTL_string_sub(T("About %1:size% more free space is needed there."), size_string(o.more_kb));
		out += "\n\n";
	}
	if (!o.missing.empty()) {
		out += UTL_string_sub(UTL_translate_plural(o.installed, "%1:number% file was installed. Not installed:",
		                                           "%1:number% files were installed. Not installed:"),
		                      int_str(o.installed));
		for (size_t k = 0; k < o.missing.size() && k < run_names_shown; ++k) out += "\n   " + shown_name(o.missing[k]);
		if (o.missing.size() > run_names_shown)
			out += "\n   " + UTL_string_sub(UTL_translate_plural((int)(o.missing.size() - run_names_shown),
			                                                     "and %1:number% more file", "and %1:number% more files"),
			                                int_str((int)(o.missing.size() - run_names_shown)));
		out += "\n\n";
	}
	if (o.local_error)
		out += rerun_resumes ? T("Nothing of yours was lost. Make room, then run this updater again: it fetches only what is "
		                         "still missing.")
		                     : T("Nothing of yours was lost. Make room, then try again.");
	else if (o.unreachable)
		out += rerun_resumes ? T("No server could be reached for a long while. Run this updater again once your internet "
		                         "connection works: it fetches only what is still missing.")
		                     : T("No server could be reached for a long while. Try again once your internet connection works.");
	else if (o.not_on_servers)
		out += T("None of the servers has these files, so another server will not help. Try again later.");
	else
		out += T("You can try again using a different server.");
	return out;
}
