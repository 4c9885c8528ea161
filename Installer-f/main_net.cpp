// The directory download: the server list from the maker's site, then the
// release's zipped directory file from a mirror, then reading it; one step
// per frame so the wizard keeps drawing.
#include "main_net.h"
#include "main_globals.h"
#include "utils_site.h"
#include "utils.h"
#include "http.h"
#include "io_utils.h"
#include "utils_records.h"
#include "UTL_alert.h"
#include "UTL_clock.h"
#include "UTL_log.h"
#include "UTL_translate.h"
#include <cstdlib>

static int extract_failures = 0;	// directory archives in a row that would not unpack
static int list_failures = 0;		// failed requests of the server list in a row
static int directory_failures = 0;	// failed requests of the directory archive in a row
static unsigned long long retry_after = 0;	// no request before this time (microseconds)

// A failed request is made again after a pause, not on the next frame.
static const unsigned long long net_retry_pause_us = 1000000;

static int waiting_to_retry() { return xtim_class::microsecs() < retry_after; }
static void pause_before_retry() { retry_after = xtim_class::microsecs() + net_retry_pause_us; }

void net_directory_restart()
{
	list_failures = directory_failures = extract_failures = 0;
	retry_after = 0;
	if (stg.num_servers == 0) stg.num_servers = -1;	// a list without mirrors is fetched again
	if (stg.stage == 2) stg.stage = 0;
}

// Where the requests go, for the log: the proxy when one is set.
static std::string route_of(const std::string& host)
{
	if (!UseProxy(host.c_str(), 80)) return host;
	return host + " through the proxy " + http.proxy_host + ":" + std::to_string(http.proxy_port);
}

// After too many failed requests the screen shows its error text (stage 2).
static void give_up(const std::string& what, const std::string& host, int tries)
{
	http.log_repeated_errors();
	xer << "I could not get " << what << " from " << route_of(host) << " in " << tries << " tries; giving up.\n";
	xer.flush();
	stg.stage = 2;
}

int net_directory_failure_limit()
{
	int n = 2 * stg.num_servers;
	return n < 3 ? 3 : n;
}

int net_other_server(int n, int failed)
{
	if (n <= 1) return 0;
	if (failed < 0 || failed >= n) return rand() % n;
	int k = rand() % (n - 1);
	return k >= failed ? k + 1 : k;
}

int net_directory_percent(float* fraction)
{
	down_class* d = http.slots[http_slot_directory];
	if (fraction) *fraction = 0;
	if (!d) return 0;
	if (d->content_length < 0) {
		if (fraction) *fraction = -0.01f;
		return -1;
	}
	int64_t got = d->bytes_received;
	int64_t len = d->content_length;
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
	if (got == 0) return;
	if (got == 2 && http.local_error[http_slot_list]) {
		// asking again cannot help: the temporary folder takes nothing
		grab_local_failure_alert(http.local_error[http_slot_list]);
		stg.num_servers = 0;
		stg.stage = 2;
		return;
	}
	if (got != 1) {
		if (++list_failures >= net_list_tries) give_up("the server list", net_site_host, list_failures);
		else pause_before_retry();
		return;
	}
	list_failures = 0;
	std::string address;
	int r = net_read_server_list(local, &address);
	if (r == net_list_bad_header) {
		stg.num_servers = -1;
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
		stg.stage = 2;
		return;
	}
	stg.sel_server = net_biased_server(stg.num_servers);
}

static void fetch_directory()
{
	if (stg.num_servers <= 0) {
		stg.stage = 2;
		return;
	}
	if (stg.sel_server < 0 || stg.sel_server >= stg.num_servers) stg.sel_server = 0;
	std::string zip = UTIL_run_folder() + "directory.txt.zip";
	int sel = stg.sel_server;
	if (waiting_to_retry()) return;
	int r = http.net_check(http_slot_directory, server_name[sel], server_path[sel] + "directory.txt.zip", zip, http_directory_limit);
	if (r == 0) return;
	if (r == 2 && http.local_error[http_slot_directory]) {
		grab_local_failure_alert(http.local_error[http_slot_directory]);
		stg.stage = 2;
		return;
	}
	if (r != 1) {
		if (++directory_failures >= net_directory_failure_limit()) {
			give_up("the release's directory", server_name[sel], directory_failures);
			return;
		}
		stg.sel_server = net_other_server(stg.num_servers, sel);
		pause_before_retry();
		return;
	}
	directory_failures = 0;
	int err = UTIL_unpack_directory(zip);
	delete_file(zip);
	if (err == 0) {
		extract_failures = 0;
		stg.stage = 1;
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
		stg.stage = 2;
		__MACIBM_alert(0, l1, l2, l3, l4, t_alert, __FILE__, __LINE__);
		return;
	}
	xer << l1 << "\n" << l2 << "\n" << l3 << "\n" << l4 << "\n"
	    << "Trying another server (" << extract_failures << " of " << net_directory_failure_limit() << ").\n";
	stg.sel_server = net_other_server(stg.num_servers, sel);
}

void UTL_download_directory()
{
	if (stg.stage == 2) return;	// given up: the screen shows the error text
	if (stg.num_servers == -1) {
		fetch_server_list();
		return;
	}
	if (stg.stage == 0) {
		fetch_directory();
		return;
	}
	if (stg.stage == 1) {
		// gone since it was fetched: fetch it again
		if (!directory_file_present(UTIL_run_directory_file())) {
			stg.stage = 0;
			return;
		}
		std::string text = UTL_translate_string(
			"Scanning directory text file to see if you already have Vantor installed...", 0);
		stg.stage = read_directory(UTIL_run_directory_file(), text);
	}
}
