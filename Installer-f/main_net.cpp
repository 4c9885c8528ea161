// The directory download: the server list from the maker's site, then the
// release's zipped directory file from a mirror, then reading it; one step
// per frame so the wizard keeps drawing.
#include "main_net.h"
#include "main_globals.h"
#include "main_status.h"
#include "utils_site.h"
#include "utils.h"
#include "http.h"
#include "io_utils.h"
#include "zip_utils.h"
#include "utils_records.h"
#include "UTL_alert.h"
#include "UTL_clock.h"
#include "UTL_log.h"
#include "UTL_translate.h"
#include <cstdlib>

static int extract_failures = 0;	// directory archives in a row that would not unpack
static int failures = 0;		// failed requests in a row, of the server list or the directory
static std::string failure_cause;	// what the last of them came to, in the user's words
static unsigned long long retry_after = 0;	// no request before this time (microseconds)
static bool route_known = false;
static std::string route_asked;	// the proxy settings the requests went out with
static unsigned long long (*clock_now)() = xtim_class::microsecs;
static std::string cause_logged;	// the last cause written to the log

static std::string T(const char* text) { return UTL_translate_string(text, 0); }

void net_set_clock(unsigned long long (*now)()) { clock_now = now ? now : xtim_class::microsecs; }

int net_retry_pause_seconds(int in_a_row)
{
	if (in_a_row <= 1) return 1;
	if (in_a_row >= 6) return 30;
	return 1 << (in_a_row - 1);
}

static int waiting_to_retry() { return clock_now() < retry_after; }

void net_note_not_the_file(const std::string& cause)
{
	++failures;
	failure_cause = cause;
	const int pause = net_retry_pause_seconds(failures);
	retry_after = clock_now() + (unsigned long long)pause * 1000000ULL;
	// the cause once, and again only when it changes: the tries go on for as long as it takes
	if (cause != cause_logged) {
		cause_logged = cause;
		xer << "Server check: " << cause << " (" << failures << " failed in a row; the next try in " << pause
		    << " s)\n";
		xer.flush();
	}
}

void net_note_failure(int slot) { net_note_not_the_file(net_cause_text(http.failure(slot))); }

// The next failure starts the pauses afresh.
static void forget_failures()
{
	failures = 0;
	failure_cause.clear();
	retry_after = 0;
	cause_logged.clear();
}

// A request was answered.
static void note_answer()
{
	if (failures > 0) {
		xer << "Server check: answered after " << failures << " failed " << (failures == 1 ? "try" : "tries") << ".\n";
		xer.flush();
	}
	forget_failures();
}

void net_directory_restart()
{
	if (failures > 0) {
		http.log_repeated_errors();
		xer << "Server check: started again after " << failures << " failed " << (failures == 1 ? "try" : "tries")
		    << ".\n";
		xer.flush();
	}
	forget_failures();
	extract_failures = 0;
	UTIL_directory_restart();
}

// Proxy settings changed (in Prefs) while a request ran or waited: it goes
// again at once, the new way.
static void follow_route()
{
	std::string route = http.proxy_host + ":" + std::to_string(http.proxy_port);
	if (route_known && route == route_asked) return;
	if (route_known) {
		xer << "Server check: the proxy settings changed; asking again now.\n";
		for (int slot : {(int)http_slot_list, (int)http_slot_directory}) http.drop(slot);
		retry_after = 0;
	}
	route_known = true;
	route_asked = route;
}

int net_directory_failure_limit()
{
	int n = 2 * stg.num_servers;
	return n < 3 ? 3 : n;
}

int net_directory_percent(float* fraction)
{
	const http_progress p = http.progress(http_slot_directory);
	if (fraction) *fraction = 0;
	if (!p.running) return 0;
	if (p.length < 0) {
		if (fraction) *fraction = -0.01f;
		return -1;
	}
	int64_t got = p.received;
	int64_t len = p.length;
	if (len == 0 || got >= len) {
		if (fraction) *fraction = 1;
		return 100;
	}
	if (fraction) *fraction = (float)((double)got / (double)len);
	return (int)(got * 100 / len);
}

static void fetch_server_list()
{
	std::string local = UTIL_run_folder() + "serverlist9.txt";
	if (waiting_to_retry()) return;
	int got = http.net_check(http_slot_list, net_site_host, "/serverlist9.txt", local, http_list_limit);
	if (got == http_running) return;
	if (got == http_failed && http.local_error(http_slot_list)) {
		// asking again cannot help: the temporary folder takes nothing
		grab_local_failure_alert(http.local_error(http_slot_list));
		UTIL_servers_clear();
		UTIL_directory_give_up();
		return;
	}
	if (got != http_complete) {
		net_note_failure(http_slot_list);
		return;
	}
	std::string address;
	int r = net_read_server_list(local, &address);
	if (r == net_list_not_a_list) {
		// a network that asks to sign in first answers every address with its own page
		net_note_not_the_file(UTL_string_sub(T("%1:server% answered with something that is not the server list: perhaps "
		                                       "this network asks you to sign in first (open any web page in your "
		                                       "browser)."),
		                                     net_site_host));
		return;
	}
	note_answer();
	if (r == net_list_bad_header) {
		UTIL_servers_forget();
		new_format(local);
		return;
	}
	if (r == net_list_newer_installer) {
		new_installer(address);
		return;
	}
	extract_failures = 0;
	if (stg.num_servers <= 0) {
		// a list without mirrors cannot be installed from
		xer << "The server list names no server.\n";
		UTIL_directory_give_up();
		return;
	}
	UTIL_choose_server(UTIL_pick_server(stg.num_servers, -1, pick_towards_top));
}

static void fetch_directory()
{
	if (stg.num_servers <= 0) {
		UTIL_directory_give_up();
		return;
	}
	UTIL_choose_server(stg.sel_server);
	std::string zip = UTIL_run_folder() + "directory.txt.zip";
	int sel = stg.sel_server;
	if (waiting_to_retry()) return;
	int r = http.net_check(http_slot_directory, server_name[sel], server_path[sel] + "directory.txt.zip", zip, http_directory_limit);
	if (r == http_running) return;
	if (r == http_failed && http.local_error(http_slot_directory)) {
		grab_local_failure_alert(http.local_error(http_slot_directory));
		UTIL_directory_give_up();
		return;
	}
	if (r != http_complete) {
		// asked again after a pause, of another mirror, for as long as it takes
		net_note_failure(http_slot_directory);
		UTIL_choose_server(UTIL_pick_server(stg.num_servers, sel, pick_evenly));
		return;
	}
	if (!zip_file_is_zip(zip)) {
		// not an archive at all: a sign-in page, say; asked again like any failure, of another mirror
		(void)delete_file(zip);	// one left goes with the run folder, and the next fetch replaces it
		net_note_not_the_file(UTL_string_sub(T("%1:server% answered with something that is not the directory file: "
		                                       "perhaps this network asks you to sign in first (open any web page in "
		                                       "your browser)."),
		                                     server_name[sel]));
		UTIL_choose_server(UTIL_pick_server(stg.num_servers, sel, pick_evenly));
		return;
	}
	note_answer();
	int err = UTIL_unpack_directory(zip);
	(void)delete_file(zip);	// one left goes with the run folder
	if (err == 0) {
		extract_failures = 0;
		UTIL_directory_fetched();
		return;
	}
	std::string l1 = UTL_translate_string("The installer cannot extract a file.", 0);
	std::string l2 = UTL_string_sub(UTL_translate_string("Error: %1:message%.", 0), error_str(err));
	std::string l3 = UTL_string_sub(UTL_translate_string("Compressed File  %1:file%.", 0), zip);
	std::string l4 = UTL_string_sub(UTL_translate_string("Destination Path: %1:file%.", 0), UTIL_run_folder());
	// A damaged archive on one mirror must not stop the install: try another,
	// and give up with the error text after a few rounds.
	if (++extract_failures >= net_directory_failure_limit()) {
		extract_failures = 0;
		UTIL_directory_give_up();
		__MACIBM_alert(0, l1, l2, l3, l4, t_alert, __FILE__, __LINE__);
		return;
	}
	xer << l1 << "\n" << l2 << "\n" << l3 << "\n" << l4 << "\n"
	    << "Trying another server (" << extract_failures << " of " << net_directory_failure_limit() << ").\n";
	UTIL_choose_server(UTIL_pick_server(stg.num_servers, sel, pick_evenly));
}

void UTL_download_directory()
{
	if (stg.stage == stage_failed) return;	// given up: the screen shows the error text
	follow_route();
	if (stg.num_servers == servers_unknown) {
		fetch_server_list();
		return;
	}
	if (stg.stage == stage_fetch) {
		fetch_directory();
		return;
	}
	if (stg.stage == stage_read) {
		// gone since it was fetched: fetch it again
		if (!directory_file_present(UTIL_run_directory_file())) {
			UTIL_directory_refetch();
			return;
		}
		std::string text = UTL_translate_string(
			"Scanning directory text file to see if you already have Vantor installed...", 0);
		UTIL_directory_read(UTIL_run_directory_file(), text);	// its result is stg.stage, which the screens read
	}
}

std::string net_cause_text(const http_failure& f)
{
	const bool proxy = !f.proxy.empty();
	// where the user can mend it: the proxy settings, or the connection itself
	const std::string set_proxy = " " + T("Please check the proxy settings under Prefs.");
	const std::string no_network =
		" " + T("This computer may not be connected to the internet, or it may need a proxy (Prefs).");
	switch (f.kind) {
	case http_failed_name:
		if (proxy) return UTL_string_sub(T("The name of the proxy %1:proxy% was not found."), f.proxy) + set_proxy;
		return UTL_string_sub(T("The name %1:server% was not found."), f.server) + no_network;
	case http_failed_refused:
		if (proxy) return UTL_string_sub(T("The proxy %1:proxy% refused the connection."), f.proxy) + set_proxy;
		return UTL_string_sub(T("%1:server% refused the connection."), f.server);
	case http_failed_no_route:
		if (proxy) return UTL_string_sub(T("I could not connect to the proxy %1:proxy%."), f.proxy) + set_proxy;
		return UTL_string_sub(T("I could not connect to %1:server%."), f.server) + no_network;
	case http_failed_status: {
		// the server's own words, only as far as they are plain and short
		std::string said = std::to_string(f.status);
		std::string reason;
		for (char c : f.reason)
			if (c >= ' ' && c < 127 && reason.size() < 40) reason += c;
		if (!reason.empty()) said += " " + reason;
		// a proxy that cannot reach the server says so with 500 ("Unable to
		// connect"), 502 or 504; any other answer it passed on is the server's
		if (proxy && (f.status == 500 || f.status == 502 || f.status == 504))
			return UTL_string_sub(T("The proxy %1:proxy% could not get an answer from %2:server%: %3:error%."), f.proxy,
			                      f.server, said);
		if (f.status >= 300 && f.status <= 399)
			return UTL_string_sub(T("%1:server% did not send the file but pointed elsewhere: %2:error%."), f.server, said);
		return UTL_string_sub(T("%1:server% answered with an error: %2:error%."), f.server, said);
	}
	case http_failed_cut:
		return UTL_string_sub(T("The connection to %1:server% was cut off before the answer was complete."), f.server);
	case http_failed_silent:
		return UTL_string_sub(f.answered ? T("%1:server% stopped sending.") : T("%1:server% stopped answering."), f.server);
	case http_failed_answer: return UTL_string_sub(T("%1:server% sent an answer I cannot read."), f.server);
	default: return "";
	}
}

int net_has_problem() { return stg.stage == stage_failed || (stg.stage == stage_fetch && failures > 0); }

std::string net_problem_text()
{
	if (!net_has_problem()) return "";
	std::string text = T("There was a problem reading information from the servers.");
	if (stg.stage == stage_failed) return text + "\n\n" + T("Click Next to try again.");
	if (!failure_cause.empty()) text += "\n\n" + failure_cause;
	unsigned long long now = clock_now();
	if (now < retry_after) {
		int seconds = (int)((retry_after - now + 999999) / 1000000);
		text += "\n\n" + UTL_string_sub(T("I will try again in %1:time%, or click Next to try again now."),
		                                time_str((float)seconds));
	} else {
		text += "\n\n" + T("I am trying again now.");
	}
	return text;
}
