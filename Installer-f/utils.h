#ifndef UTILS_H
#define UTILS_H
// The install engine: the directory file, the checksum scan of a copy, the
// fetch/keep/delete decision, folders, the web download pump and the disc
// install. Every long operation is a step function polled once per frame.
#include <cerrno>
#include <cmath>
#include <set>
#include <string>
#include <vector>
#include "utils_prompts.h"
#include "utils_records.h"
#include "UTL_worker_threads.h"

// The state these share is the engine's record, g_engine (utils_records.h):
// its callers read it, and change it only through the engine's functions.
// Every function that works on a copy takes its folder, ending in "/".

// --- the engine's record
// The state before any screen runs: no server list, no directory file, no
// run; temp_folder (ends in "/") is the temporary-items folder.
void UTIL_engine_start(const std::string& temp_folder);
// The settings a run starts with (target_os: os_*; stream_count 0: as the
// throughput allows), as the preferences and the flows' check boxes set them.
void UTIL_set_preferences(int target_os, int log_actions, int stream_count);
void UTIL_set_beta(int get_beta);
// Wants scenery tile (lon_i, lat_i), or not.
void UTIL_want_tile(int lon_i, int lat_i, int wanted);

// --- the directory file's stage (stg.stage)
// A fetch that gave up (and a server list without mirrors) is made again.
void UTIL_directory_restart();
void UTIL_directory_refetch();	// the directory archive is fetched again
void UTIL_directory_fetched();	// it is here: to be read
void UTIL_directory_give_up();	// nothing more is tried until a restart
void UTIL_directory_read_again();	// a directory read is read again on the next step
// Reads the directory file at path into sim_info; the stage is the result.
int  UTIL_directory_read(const std::string& path, const std::string& status_text);

// --- the mirrors
void UTIL_servers_forget();	// the server list is to be read (stg.num_servers servers_unknown)
void UTIL_servers_clear();	// a server list is being read: no server yet
// Adds a mirror: its host, its release folder (ends in "/"), its description.
// 0 when server_slots are taken already.
int  UTIL_server_add(const std::string& host, const std::string& folder, const std::string& desc);
// Uses server k; one outside the list means the first.
void UTIL_choose_server(int k);
// The release the servers' folders and the disc name (install_name).
void UTIL_set_release(const std::string& name);
enum { pick_towards_top = 0, pick_evenly = 1 };
// The one draw of a mirror among n: towards the top of the list (server k
// with the share ((k+1)/n)^(2/3) - (k/n)^(2/3)), or evenly; never `failed`
// while there is another (-1: none failed), and never one of `leave_out` (a
// bit each) while there is another.
int  UTIL_pick_server(int n, int failed, int draw, unsigned leave_out = 0);

// --- directory file and records
// stage_ready read, stage_failed missing or empty (logged), or header rejected
// (after the newer-format notice).
int  read_directory(const std::string& path, std::string status_text);
int  is_global_scenery_f(const char* path);
int  find_sector(int* lon_i, int* lat_i, std::string path);
int  want_this_f(int file, int version);
void set_install_filter(int want_sim, int want_global);
void scenery_take_all();
void scenery_take_none();
void scenery_from_install();
std::string suffix_for_file(int file);
void trim_dest_folder(std::string& path);
int  path_has_no_file(std::string path);
// Takes a listed path as the copy will hold it: "." segments and empty ones
// are dropped, and ".." takes back the segment before it. 1 with `path` so
// written; 0 with `why` when it cannot be taken: it climbs out of the copy
// (or is absolute), holds a NUL, or names a folder.
int  listed_path_take(std::string& path, std::string& why);
// How many listed files of this install (its platform, filters and tiles)
// the last read_directory could not take. A run names them at its end
// (UTIL_report_listed_refused) and is no success while there are any.
int  UTIL_listed_refused();
// Names each of those in the log, and the first in an alert; gives their
// places in the copy at `folder`, as listed.
std::vector<std::string> UTIL_report_listed_refused(const std::string& folder);
// 1 for 32 hexadecimal digits or the tombstone "GONE".
int  signature_is_valid(const std::string& sig);
// 1 when path is a readable, non-empty file (a directory file to read).
int  directory_file_present(const std::string& path);
// --- this run's files in the temporary folder
// The folder (ends in "/") of this run inside temp_path, made on first use
// and removed with its files when the program ends; those that runs no
// longer running left are removed on the way.
const std::string& UTIL_run_folder();
// Removes this run's folder now (a later UTIL_run_folder makes a new one).
void UTIL_run_files_remove();
// A new folder (ends in "/") named as this run's, for a copy of the program
// that runs on after this process ends; it is not removed when this process
// ends (the copy adopts it), empty when it could not be made.
std::string UTIL_run_folder_for_program();
// Removes such a folder again: the copy in it was never started.
void UTIL_run_folder_drop(const std::string& folder);
// When the program (its path) lies in a run folder in temp_path, as a copy
// made by a start from a disc does, that folder becomes this run's, removed
// with all it holds when the program ends; 1 then, else 0.
int UTIL_run_folder_adopt(const std::string& program);
// Removes the folders that runs no longer running left in temp_path.
void UTIL_run_files_sweep();
// This run's directory file.
std::string UTIL_run_directory_file();
// Unpacks a directory archive's directory file alone, bounded in size, as
// this run's directory file; 0 or an error code (err_file_not_found when it holds none).
int UTIL_unpack_directory(const std::string& archive);
void new_installer(std::string url);
void new_format(std::string path);

// --- checksum scan
extern UTL_worker_threads* checksum_workers;

class checksum_task : public UTL_work_task {
public:
	std::string folder;	// the copy's, read by the worker while the task runs
	int first, last, quick;
	checksum_task(const std::string& folder, int first, int last, int quick);
	void do_it() override;
	int  check_error(std::string& msg) override;
};

// One step: tops the workers' queue up and takes back what they finished,
// never waiting; progress is the share of files signed. 0 running, 1 done.
int  checksum_directory(const std::string& folder, int& cursor, int quick, float& progress);
int  checksum_files_done();	// files the running scan has signed (0 when none runs)
// Stops a scan: work not started is dropped, a file being signed is left at
// its next piece (its signature as it was), and the workers are waited for.
void checksum_directory_kill();

// --- decision
int  choose_files(const std::string& folder);	// 0 when the user cancelled
void recalc_disk_sizes();

// --- folders and deletions
int  make_dirs(const std::string& folder);	// every folder at once: make_dirs_start, then the steps
// Makes the folders up to the copy's and claims the copy (0, or the error
// shown), clears what stands where the release puts a file or folder, and
// lists the folders below it for make_dirs_step.
int  make_dirs_start(const std::string& folder);
// Makes the listed folders for about budget_us (0: no limit): 0 while some are
// left, 1 when all are made (or none were started).
int  make_dirs_step(unsigned long long budget_us);
int  make_dirs_running();	// 1 between make_dirs_start and the step that ends it
void delete_files(const std::string& folder);
void make_dir_error(const std::string& folder, std::string path, int err);

// --- the copy's lock
enum { copy_busy = EWOULDBLOCK };

// Takes the advisory lock on a copy's folder for this process: 0 when held
// (also when this process holds it already), copy_busy when another installer
// holds it, else the error of opening the folder. Taking another copy's lock
// gives up the one held.
int  UTIL_lock_copy(const std::string& folder);
void UTIL_unlock_copy();
// Takes the lock on the copy at folder; when another installer holds it, says
// so and returns copy_busy. Any other failure to lock is logged and returns 0.
int  UTIL_claim_copy(const std::string& folder);

// --- web download pump
// Tells the user that a download could not be stored in the temporary folder
// (errno `err`: a full disk, most often).
void grab_local_failure_alert(int err);
// The full disk's line of that alert: how much more room the run needs (kB).
std::string grab_full_disk_text(float more_kb);

// What a web run has left to do, and the pace it measured, for its time left.
struct grab_work_left {
	float small_files = 0;	// archives still to receive into memory
	float large_kb = 0;		// kB of the archives still to download to files
	float largest_kb = 0;	// the rest of the largest of them
	float streams = 0;		// streams switched on
	float latency = NAN;	// seconds a small archive holds a stream
	float link_kbps = NAN;	// kB a second of large archives, all streams together
	float stream_kbps = NAN;	// ... on one stream
	float tail_kb = 0;		// the largest file still to download: unpacked after its last byte
	float unpack_files = 0;	// files still to unpack
	float unpack_kb = 0;		// kB of them still to write
	float largest_unpack_kb = 0;	// the rest of the largest of them
	float file_cost = 0;	// seconds a worker spends on a file ...
	float kb_cost = 0;		// ... and on a kB of it
	float workers = 1;		// workers the unpack set keeps busy at once
};
// The seconds that work takes: the downloads with the last file's unpack, or
// the unpack set's files, whichever ends later; NAN where a rate the work
// needs is not known.
float grab_estimate_left(const grab_work_left& work);
// The running web run's time left, by its own pace; NAN before it knows.
// *grounded (optional): every rate it rests on was measured by this run.
float grab_seconds_left(bool* grounded);
// Seconds of the run in which data flowed or files were unpacked.
float grab_active_seconds();
// kB a second the streams received while data flowed; 0 before it is known.
float grab_rate_kbps();
// A server sent bytes within the last two seconds.
bool  grab_data_flowing();

// Failed attempts at a file each server is charged with before it is not
// asked for that file again; once every server is, the run goes on without it.
enum { grab_rounds_per_file = 3 };
// A failed transfer waits before its stream tries again: 1, 2, 4 ... seconds
// after its first, second, third failure in a row with no answer at all, never
// more than grab_pause_max. A network that went away is asked again and
// again, calmly, for as long as it takes.
enum { grab_pause_max = 30 };
float grab_pause_after(int failures_in_a_row);
// While every stream that has a file to fetch waits out its pause and no
// transfer runs: the seconds until the first of them tries again (0 or
// more). Otherwise -1. for_network (optional): every one of those pauses
// follows a failure with no answer at all.
float grab_pause_left(bool* for_network = nullptr);
// The last failed attempt of the run (while stg.download_error is set), and
// the file it was at, by its place in the copy.
const grab_attempt& grab_last_attempt(std::string& file);
// How many of the streams are switched on.
int grab_streams_on();
// The seconds the transfer of the file shown (crnt_file_path) has received
// nothing, and the server it was asked of; 0 when it is not downloading.
float grab_shown_quiet(std::string& server);
// The errno values of a write that failed on this computer (a full disk, a
// quota, a read-only or forbidden folder): no server is to blame for them.
bool grab_local_write_error(int err);

// File f's archive in this run's folder: its stream downloads it there and
// the unpack set takes it from there, under that one name.
std::string grab_archive_path(int file);
// The archive of the file stream i fetches.
std::string grab_stream_archive(int stream);
// Deletes the archives the streams that are on were fetching.
void grab_discard_archives();
// Starts a run: what killed runs left is swept, and the pump starts afresh as
// grab_files_stop leaves it. The web flows' install screen is its one caller.
void grab_files_start();
// Ends the run the user left (Back, another screen, a cancel): its archives,
// transfers and unpacks go, the pump and the run's error flags are reset, and
// what it wrote and did not check yet is carried to the next run's check.
void grab_files_stop();
enum { grab_running = 0, grab_done = 1, grab_failed = 2 };
// One step of the run: grab_running, grab_done, or grab_failed (the run
// ended without every file: stg.extract_error is set, and grab_run_outcome
// tells why). Once ended, every later call gives the same. Each stream keeps
// what it does in its record; after the step the screen's stg.action,
// stg.file_progress and crnt_file_* are those of the stream that took its file
// last, and stg.download_error tells that some stream tries again after a failure.
int  grab_files(const std::string& folder);
// Time the pump did not run (a prompt, an alert, another screen in front of
// it) is no download time: the run's clock moves on by `seconds`, so the rate
// and the time left count only the time spent downloading.
void grab_leave_out(float seconds);
// After a grab_files call that returned 0 and only found its transfers running:
// sleeps until a transfer or the unpacking has news, at most `ms` milliseconds.
// A frame's pump calls it instead of calling grab_files again at once.
int  grab_files_wait(int ms);

// How the last run ended, for its finish screen.
struct grab_outcome {
	int                      installed = 0;	// files installed and signed in the run
	std::vector<std::string> missing;	// what it did not install, or found wrong at its end
	int                      local_error = 0;	// errno of a write that failed on this computer
	std::string              local_folder;	// the folder that write was in
	float                    more_kb = 0;	// for a full disk: about how much more room the run needs
	int                      not_on_servers = 0;	// every file left out is one every server said it lacks
	grab_attempt             not_placed;	// the first file the copy could not take (why failed_copy), else why -1
	int                      not_placed_files = 0;	// how many it could not take
	grab_attempt             not_sent;	// the first the servers would not deliver, else why -1
	int                      not_sent_files = 0;	// how many they would not
	int                      not_listable = 0;	// listed paths this installer cannot take, named in missing
};
grab_outcome grab_run_outcome();

// --- disc install
enum { install_busy = 0, install_done = 1, install_need_disk = 2, install_failed = 3 };
enum { err_install_signature = 20040 };	// an unpacked file is not the listed one

extern UTL_worker_threads* copy_pool;
extern UTL_worker_threads* unzip_pool;

class dvd_unpack_task : public UTL_work_task {
public:
	int         index;
	int         step;
	std::string source;
	std::string temp;
	std::string destination;
	std::string copy;	// the copy's folder
	std::string disc_folder;	// the set's folder on the disc the copy reads
	std::string error_text;
	int         error_code;
	int         disc_gone;	// the copy failed because the disc is no longer there

	dvd_unpack_task(const std::string& folder, int index, const std::string& temp_folder);
	void do_it() override;
	int  check_error(std::string& msg) override;
};

// A copy that fails because the disc has left the drive is no failure of its
// file: the run stops feeding, and once both sets are idle it answers
// install_need_disk with the cursor at the first file the disc took with it
// (on the disc in the drive), so that the wizard asks for that disc and the
// run copies again what is left; install_files_disc_left() is 1 until then.
int  install_files(const std::string& folder, int& cursor, int disk);
int  install_files_disc_left();
int  install_files_get_error(std::string& text);
void install_files_kill();

#endif
