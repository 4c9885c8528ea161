#include "main_run_report.h"
#include "main_globals.h"
#include "main_status.h"
#include "main_net.h"
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
	bool for_network = false;
	float left = grab_pause_left(&for_network);
	if (left < 0 || !for_network) return "";
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

// What a failed attempt came to, in the user's words.
static std::string attempt_text(const grab_attempt& a)
{
	const std::string server = a.server >= 0 && a.server < server_slots ? server_name[a.server] : std::string();
	switch (a.why) {
	case failed_copy:
	case failed_extract: return error_str(a.code) + ".";
	case failed_signature: return UTL_string_sub(T("The copy %1:server% sent differs from the release."), server);
	case failed_missing: return UTL_string_sub(T("%1:server% does not have this file."), server);
	default: return net_cause_text(a.transfer);
	}
}

std::string run_failed_text()
{
	std::string file;
	const grab_attempt& a = grab_last_attempt(file);
	// no answer at all is waited out; a proxy's error for the server did come, and is told as such
	const bool no_answer = a.fault == grab_fault_network && a.transfer.kind != http_failed_status;
	return UTL_string_sub(T("I could not download %1:file% just now: %2:cause%"),
	                      wizard_shown_name(file, wizard_text_width), attempt_text(a)) + "\n\n" +
	       (no_answer ? T("I am waiting for the network, and asking again.")
	                  : T("I am trying again, from another server where there is one."));
}

// A file the run did not install, as the user knows it: its path in the copy.
static std::string copy_path(const std::string& path)
{
	if (!dest_dir_path.empty() && path.compare(0, dest_dir_path.size(), dest_dir_path) == 0) return path.substr(dest_dir_path.size());
	return path;
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
	else {
		// what the files given up came to: each cause once, the copy's first
		std::string why;
		if (o.not_placed_files)
			why += UTL_string_sub(o.not_placed_files == 1 ? T("This file came, but this copy could not take it: %1:cause%")
			                                              : T("These files came, but this copy could not take them: %1:cause%"),
			                      attempt_text(o.not_placed)) + "\n";
		if (o.not_sent_files)
			why += UTL_string_sub(o.not_sent_files == 1 ? T("The servers answered, but would not deliver this file: %1:cause%")
			                                            : T("The servers answered, but would not deliver these files: %1:cause%"),
			                      attempt_text(o.not_sent)) + "\n";
		if (o.not_listable) why += T("The release lists some of these files at paths this installer cannot take.") + "\n";
		if (!why.empty()) out += why + "\n";
		if (o.not_on_servers)
			out += T("None of the servers has these files, so another server will not help. Try again later.");
		else if (o.not_placed_files)
			out += T("Once that is mended, try again: only what is still missing is fetched.");
		else
			out += T("You can try again using a different server.");
	}
	return out;
}
