// The web download pump: up to four streams on HTTP slots 2 to 5, each archive
// unpacked as soon as it arrives, failed transfers retried from another mirror.
#include "utils.h"
#include "utils_internal.h"
#include "main_globals.h"
#include "http.h"
#include "io_utils.h"
#include "p7z_md5.h"
#include "zip_utils.h"
#include "UTL_alert.h"
#include "UTL_clock.h"
#include "UTL_globals.h"
#include "UTL_translate.h"
#include <cerrno>
#include <cmath>
#include <cstdlib>

next_struct next;
std::string grab_failed_file;

// Per stream, for the file in hand: failed transfers, and which servers failed it.
static int stream_fails[4];
static int stream_bad_servers[4];

static void drop_transfers()
{
	for (int i = 0; i < 4; ++i) {
		delete http.slots[i + 2];
		http.slots[i + 2] = nullptr;
	}
}

void grab_files_start()
{
	drop_transfers();	// a cancelled run must not hand its transfers to this one
	next.next_file = 0;
	next.done = 0;
	for (int i = 0; i < 4; ++i) {
		next.stream_on[i] = i < 2;
		next.stream_take[i] = i < 2;
		next.stream_file[i] = 0;
		stream_fails[i] = 0;
		stream_bad_servers[i] = 0;
	}
	next.start_time = xtim.elapsed;
	next.kb_in_flight = next.kb_fetched = next.kb_installed = 0;
	stg.download_error = 0;
	stg.extract_error = 0;
	grab_failed_file.clear();
}

static void pick_new_server()
{
	double u = (double)rand() * (1.0 / 2147483648.0);
	double s = pow(u, 1.5);
	int n = stg.num_servers;
	int k = (int)(n * s);
	if (k > n - 1) k = n - 1;
	if (k < 0) k = 0;
	stg.sel_server = k;
}

int extract_and_delete_file(std::string archive, std::string destination)
{
	int code = UTIL_unpack(archive, destination);
	if (code != 0) {
		stg.extract_error = 1;
		APL_alert(UTL_translate_string("The installer cannot extract a file.", 0),
		          UTL_translate_string("Error: ", 0) + error_str(code),
		          UTL_translate_string("Compressed File: ", 0) + archive,
		          UTL_translate_string("Destination: ", 0) + destination, t_alert);
	}
	int chmod_r = 0;
	if (destination.find("Contents/MacOS/") != std::string::npos) chmod_r = make_file_executable(destination);
	if (stg.log_actions) {
		xer << "EXPANDING file " << destination << ", with result=" << code << ".\n";
		xer << "CHMODING  file " << destination << ", with result=" << chmod_r << ".\n";
	}
	delete_file(archive);
	return code;
}

// Every server failed this file, several times over: the run ends naming it.
static void give_up(const std::string& remote)
{
	grab_failed_file = remote;
	stg.extract_error = 1;
	drop_transfers();
	xer << "Giving up on " << remote << ": every server failed it.\n";
	APL_alert(UTL_translate_string("I could not download a file from any of the servers.", 0),
	          UTL_translate_string("File: ", 0) + remote,
	          UTL_translate_string("Your internet connection may not be working, or the servers could be undergoing maintainance.", 0),
	          "", t_alert);
}

void grab_local_failure_alert(int err)
{
	APL_alert(UTL_translate_string("I could not save a downloaded file on this computer.", 0),
	          UTL_translate_string("Error: ", 0) + error_str(err), UTL_translate_string("Folder: ", 0) + temp_path,
	          err == ENOSPC || err == EDQUOT ? UTL_translate_string("The disk that holds this folder is full.", 0) : "",
	          t_alert);
}

// The download could not be stored here: no mirror is to blame, so the run
// ends naming the folder.
static void local_failure(const std::string& remote, int err)
{
	grab_failed_file = remote;
	stg.extract_error = 1;
	drop_transfers();
	xer << "Stopped at " << remote << ": the temporary folder " << temp_path << " took no more.\n";
	grab_local_failure_alert(err);
}

static void adjust_streams(int i)
{
	float now = xtim.elapsed;
	float span = now - next.start_time;
	if (span < 1) span = 1;
	float rate = (next.kb_fetched + next.kb_in_flight) / span;
	int target = stg.stream_count;
	if (target == 0) target = rate > 200 ? 9 : rate > 150 ? 8 : rate > 100 ? 6 : rate > 50 ? 4 : 2;
	int active = 0;
	for (int k = 0; k < 4; ++k) active += next.stream_on[k] != 0;
	if (target > active) {
		for (int k = 0; k < 4; ++k)
			if (!next.stream_on[k]) {
				next.stream_on[k] = 1;
				next.stream_take[k] = 1;
				break;
			}
	}
	if (target < active)
		next.stream_on[i] = 0;
	else
		next.stream_take[i] = 1;
}

// One step of stream i on file f.
static void stream_step(int i, int f)
{
	file_version_struct& v = sim_info[f].versions.back();
	int sel = stg.sel_server;
	if (sel < 0 || sel >= 10) sel = stg.sel_server = 0;
	std::string remote = server_path[sel] + v.path + ".zip";
	std::string archive = temp_path + (char)('0' + i) + ".zip";
	std::string destination = UTIL_local_path(v);
	next.stream_take[i] = 0;
	crnt_file_path = remote;
	size_t slash = remote.rfind('/');
	crnt_file_name = slash == std::string::npos ? std::string() : remote.substr(slash + 1);

	if (path_has_no_file(v.path))
		APL_alert("I am working through the list and found a path that has no file!",
		          "This is impossible to download or delete!", "It is:", v.path, t_exit);

	bool finished = false;
	if (v.want_delete) {
		stg.action = 0;
		UTIL_delete_listed(destination, "now we want to nuke a file: DELETING  file ");
		UTIL_note_folders(destination, deleted_files);
		finished = true;
	} else if (v.want_download) {
		stg.action = 1;
		int r = http.net_check(i + 2, server_name[sel], remote, archive, http_listed_limit(v.kb1));
		if (r == 1) {
			stg.download_error = 0;
			if (extract_and_delete_file(archive, destination) == 0) {
				v.up_to_date = 1;
				next.kb_fetched += v.kb1;
				next.kb_installed += v.kb2;
			}
			finished = true;
		} else if (r == 2 && http.local_error[i + 2]) {
			local_failure(remote, http.local_error[i + 2]);
			return;
		} else if (r == 2) {
			stg.download_error = 1;
			if (next.next_file > f) next.next_file = f;
			if (sel >= 0 && sel < 31) stream_bad_servers[i] |= 1 << sel;
			int servers = stg.num_servers > 0 ? stg.num_servers : 1;
			int all = servers >= 31 ? -1 : (1 << servers) - 1;
			if (++stream_fails[i] >= grab_rounds_per_file * servers && (stream_bad_servers[i] & all) == all) {
				give_up(remote);
				return;
			}
			pick_new_server();
		} else {
			down_class* d = http.slots[i + 2];
			if (!d)
				stg.file_progress = 0;
			else if (d->content_length < 0)
				stg.file_progress = -0.01f;
			else
				stg.file_progress = d->content_length ? (float)d->bytes_received / (float)d->content_length : 0;
			next.kb_in_flight += (stg.file_progress > 0 ? stg.file_progress : 0) * v.kb1;
		}
	} else {
		stg.action = v.up_to_date ? 2 : 3;
		finished = true;
	}
	if (finished) {
		stream_fails[i] = 0;
		stream_bad_servers[i] = 0;
		adjust_streams(i);
	}
}

int grab_files()
{
	if (stg.extract_error) return stg.extract_error;
	next.kb_in_flight = 0;
	int count = (int)sim_info.size();
	for (int i = 0; i < 4; ++i) {
		if (!next.stream_on[i]) continue;
		if (next.stream_take[i]) {
			next.stream_file[i] = next.next_file;
			next.next_file = next.next_file + 1 < count ? next.next_file + 1 : count;
		}
		if (next.stream_file[i] < count) stream_step(i, next.stream_file[i]);
		if (stg.extract_error) {
			drop_transfers();
			return stg.extract_error;
		}
	}
	for (int i = 0; i < 4; ++i)
		if (next.stream_on[i] && next.stream_file[i] < count) return stg.extract_error;
	next.done = 1;
	UTIL_remove_empty_folders(deleted_files);
	xer.flush();
	return 1;
}
