#ifndef UTILS_RECORDS_H
#define UTILS_RECORDS_H
// The install engine's records: the loaded directory file, the installer
// record and the one record of the engine's state, shared with the wizard.
#include "http.h"
#include "io_utils.h"
#include <map>
#include <atomic>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

class UTL_worker_threads;
struct UTIL_folders_run;

struct file_version_struct {
	int         os = 0;		// 0 all, 1 Mac, 2 Windows, 3 Linux, 6 Linux in the shared folder
	int         version = 0;
	float       kb1 = 0;		// archive size, kB of 1000 bytes
	float       kb2 = 0;		// installed size
	std::string sig_want;		// MD5 or "GONE"
	std::string sig_have;		// MD5, "NONE", or empty before the scan
	std::string path;		// listed path, platform folder first
	int         disk = 0;
	int         up_to_date = 0;
	int         is_global = 0;
	int         lat_i = 0;
	int         lon_i = 0;
	int         want_download = 0;
	int         want_delete = 0;
	float       progress_share = 0;
};

// A line of the directory file the reader could not take: its path as
// listed, its platform, and why. A run of that platform names it at its end.
struct UTIL_refused_path {
	std::string path;
	int         os = 0;
	std::string why;
};

struct file_history_struct {
	std::vector<file_version_struct> versions;	// oldest first; back() is current
};

// Where the run's directory file stands (stg.stage).
enum {
	stage_fetch  = 0,	// the directory archive is to be fetched
	stage_read   = 1,	// fetched: to be read
	stage_failed = 2,	// given up, or not a file this installer reads
	stage_ready  = 3	// read into sim_info
};
// What the download pump does with the file it shows (stg.action).
enum {
	action_delete        = 0,	// deletes a file the release dropped
	action_download      = 1,	// fetches it
	action_skip_current  = 2,	// passes over one that is up to date
	action_skip_unneeded = 3	// passes over one the copy does not take
};
enum { servers_unknown = -1 };	// stg.num_servers before a server list is read
enum { new_format_told = 2 };	// stg.new_format_flag once the newer-format notice was shown
// The files a copy takes (stg.target_os): those of all platforms, then each platform's.
enum { os_all = 0, os_mac = 1, os_windows = 2, os_linux = 3 };

struct stg_struct {
	int   stage;		// stage_*
	int   target_os;	// os_*: this platform's own files
	int   log_actions;
	int   new_format_flag;	// new_format_told after the newer-format notice
	int   download_error;	// a stream tries its file again after a failure
	int   extract_error;
	int   num_servers;	// servers_unknown, else 0..server_slots
	int   sel_server;
	int   tile_wanted[36][18];
	int   tile_avail[36][18];
	int   action;		// action_*: of the stream shown
	float file_progress;	// of the stream shown
	int   stream_count;
	int   get_beta;
	float total_kb_download;
	float total_kb_install;
	int   files_to_install;
	int   files_to_delete;
	int   disk_has_scenery;
	int   disk_has_sim;
};

// The web download pump's cursor and byte counts; each stream's own state is
// its grab_stream.
struct next_struct {
	int   next_file;
	int   done;
	float start_time;
	float kb_in_flight;
	float kb_fetched;
	float kb_installed;
	float kb_install_in_flight;	// installed size of the files in flight, by the share of each that arrived
};

enum { server_slots = 10 };	// mirrors a server list may name

// Everything the engine keeps between calls that the wizard sets or shows: the
// engine owns it; the wizard fills the release, servers and temporary folder
// before it starts a run, and reads the progress and errors back.
struct UTIL_engine_state {
	stg_struct                       stg = {};
	std::vector<file_history_struct> sim_info;	// the loaded directory file
	next_struct                      pump = {};
	int want_sim = 1;	// install filters
	int want_global = 1;
	std::set<std::string> deleted_files;	// folders the download pump emptied
	std::vector<UTIL_refused_path> refused_listed;	// listed lines refused by the last read_directory
	int delete_failures = 0;		// deletions that failed since the run began
	// What a failed web run named: the remote paths of the files no server
	// would give, the local paths its final check found not the release's,
	// the temporary folder's file that could not be stored.
	std::vector<std::string> grab_failed_files;
	int         install_err_num = 0;	// the disc install's failure, until it is read
	std::string install_err_msg;
	// The files whose copy failed because the disc left the drive, to be copied
	// again once it is back; set while the run waits for it to come back.
	std::vector<int> disc_lost_files;
	int disc_left = 0;
	std::string install_name;		// release folder on the disc and the servers
	std::string temp_path;			// the temporary-items folder, ends in "/"
	std::string server_name[server_slots], server_path[server_slots], server_desc[server_slots];
	std::string crnt_file_name, crnt_file_path;	// the file the pump shows, by its place in the copy
	std::shared_ptr<UTIL_folders_run> folders_run;	// the folders make_dirs_step has left to make
};

// How a failed attempt at a file counts, by where its fault lies.
enum grab_fault {
	grab_fault_network = 0,	// no answer came at all: the network, or a server out of its reach
	grab_fault_server,	// the server answered and did not deliver: an error, a cut or unreadable answer, other bytes
	grab_fault_missing,	// the server answered that it has no such file
	grab_fault_copy		// the file came, and the copy could not take it
};
// Why the run went on without a file, as its end names it, the most telling first.
enum grab_failed_why {
	failed_missing = 0,	// every server said it lacks it
	failed_transfer,	// the servers answered and would not deliver it
	failed_extract,		// the archives they sent would not unpack
	failed_signature,	// every copy they sent differed from the release
	failed_copy			// it came, and the copy could not take it
};

// One failed attempt at a file: where its fault lay (grab_fault_*), what the
// run's end would name it with (failed_*), an unpack's error code (0 for a
// transfer), the server, and what the client said of a transfer.
struct grab_attempt {
	int          fault = grab_fault_network;
	int          why = -1;
	int          code = 0;
	int          server = -1;
	http_failure transfer;
};

// What one file's attempts in a run came to, server by server. It goes with
// the file: in its stream, to the unpack set and back, with the files to be
// fetched again; grab_files' one rule (tries_failed) counts each failure.
struct grab_tries {
	int          count[server_slots] = {};	// failed attempts each server is charged with
	unsigned     spent = 0;		// servers not asked for it again, a bit each
	int          came = 0;		// it arrived from some server: the network reaches it
	grab_attempt telling;		// the failure that tells most so far (why -1: none)
};

// A file whose copy was not the release's, or whose archive would not unpack,
// waiting for a stream, with what its attempts came to.
struct grab_retry {
	int        file;
	grab_tries tries;
	int        server;	// the one to ask next
};

// One file of a run's final check: where it is, the listed signature it must
// have (empty: the path must be gone), its listed size (kB), and its identity
// as the run put it in place (unknown: it is read back).
struct grab_check_item {
	std::string   local, sig_want;
	float         kb;
	file_identity placed;
};

// A file every server is spent on (each failed it a few times, said it lacks
// it, or sent what the copy could not take): the run goes on without it and
// names it at its end, by its place in the copy, with what its attempts came to.
struct grab_failure {
	int         file;
	grab_tries  tries;
	std::string destination;
};

// One download stream: the file in hand and what its attempts came to, its
// pause after a failure, and its transfer (the HTTP slot it owns).
struct grab_stream {
	int        on = 0;		// switched on
	int        take = 0;		// takes a new file on its next step
	int        file = 0;		// the file it works on
	grab_tries tries;		// what the attempts at that file came to
	int        server = 0;	// the server its running transfer was asked of
	int        retry_server = 0;	// the one to ask next: what its last failure drew
	int        failed = 0;		// an attempt at the file in hand failed: the next asks retry_server
	float      retry_at = 0;	// when its next try may start after a failure (xtim.elapsed)
	int        net_fails = 0;	// failures in a row with no answer at all: each doubles the pause
	int        net_wait = 0;	// its pause is one of those: it waits for the network
	int64_t    seen = 0;		// body bytes of its running transfer seen so far
	unsigned   answer_mark = 0;	// the answers counted when it last failed with no answer
	int        slot = 0;		// its HTTP slot: the transfer runs there
	std::string archive;		// where its running transfer writes the archive
	// What it does with its file, for the screen (grab_files derives stg.action,
	// stg.file_progress, stg.download_error and crnt_file_* from all streams).
	unsigned    taken = 0;		// when it took its file: the run's count of files taken then
	unsigned    failed_at = 0;	// when its last attempt failed: the run's count of failed attempts then
	int         action = action_skip_unneeded;	// action_*
	float       file_progress = 0;	// share of its running transfer received; -0.01 with no length known
	float       quiet = 0;		// seconds its running transfer has received nothing
	std::string file_path, file_name;	// its file by its place in the copy, and that place's last name
};

// What a run measures of its own pace, for the time left and the bar
// (utils_progress.cpp): the work it has, and the seconds data flowed and
// files were unpacked, never the seconds it waited for the network.
struct grab_meter {
	int   counted = 0;		// the run's work below is counted (its first pump step)
	int   small_total = 0;		// archives to receive into memory
	float large_kb_total = 0;	// kB of the archives downloaded to their files
	int   unpack_total = 0;		// files to unpack
	float unpack_kb_total = 0;
	std::vector<float> later_kb1, later_kb2;	// the largest archive and file from list index i on
	float last_tick = -1;	// xtim.elapsed of the last pump step
	float active = 0;		// seconds data flowed or files were unpacked
	float flow = 0;			// seconds data flowed: between bytes that came close after each other
	float flow_last = -1e9f;	// when bytes last came
	float flow_steps = 0;	// seconds of pump steps while bytes came within the last two seconds
	float received_kb = 0;	// every kB the streams took, lost ones too
	std::vector<char>  received;	// file i's archive was received whole in this run
	int   small_done = 0;	// small archives received whole, each once
	int   small_timed = 0;	// ... each time
	float small_seconds = 0;	// the time they held their streams
	float large_done_kb = 0;	// kB of large archives received whole
	float large_kb = 0;		// kB of large archives received past their first moments, lost ones too
	float large_flow = 0;	// seconds such an archive came
	float large_last = -1e9f;	// ... to such an archive
	float large_stream_seconds = 0;	// the same, once for each large archive coming at once
	float busy = 0;			// seconds the unpack set had work
	float stream_start[http_stream_count] = {};	// when the stream's transfer began
	float stream_last[http_stream_count] = {};	// ... or last received bytes
	float stream_kb[http_stream_count] = {};	// kB of it received
	int   stream_large[http_stream_count] = {};	// it goes to a file, not into memory
};

// An unpack running on a worker: when it began and what it has written, for
// the main thread to read while it runs.
struct grab_unpack_slot {
	std::atomic<int>     busy{0}, file{-1};
	std::atomic<int64_t> start_us{0}, written{0};
};
enum { grab_unpack_slots = 64 };
// The unpack set's pace: what its ended tasks took (thread microseconds) and
// wrote, small files and large apart (a small file's cost is the file's, a
// large one's its bytes').
struct grab_unpack_meter {
	grab_unpack_slot     slots[grab_unpack_slots];
	std::atomic<int64_t> done_us{0}, small_us{0}, large_us{0}, large_written{0};
	std::atomic<int>     small_n{0}, large_n{0};
};

// What the web download pump keeps between its calls besides `grab_pump`: the
// archives its unpack set holds, the files waiting to be fetched again, each
// stream's count of failures on the file in hand, the files it went on
// without, and its final check of what it wrote and deleted.
// grab_files_start clears it for a run.
struct UTIL_grab_run {
	UTIL_grab_run()
	{
		for (int i = 0; i < http_stream_count; ++i) streams[i].slot = http_slot_stream_first + i;
	}
	int                     claimed = 0;	// this run has taken the copy's lock
	UTL_worker_threads*     unpack_pool = nullptr;
	int                     unpack_wake = -1;	// eventfd the set signals on each task it retires
	std::atomic<int>        unpack_dropped{0};	// tasks not yet started only delete their archive
	std::atomic<int>        unpack_stop{0};	// the program ends: a file being written stops between blocks
	std::set<int>           files_held;	// files whose archive the set holds
	int64_t                 held_bytes = 0;
	float                   held_kb = 0;
	float                   held_install_kb = 0;	// installed size of the held archives
	std::vector<grab_retry> retry_files;
	int                     moved = 0;	// the last grab_files call did more than wait on transfers
	grab_stream             streams[http_stream_count];
	// Times a server answered (sent bytes, or said why it would not deliver):
	// a failure with no answer at all counts against a server only when some
	// server answered since the stream's last such failure.
	unsigned answers = 0;
	unsigned taken = 0;	// files the streams took in this run
	unsigned failures = 0;	// attempts of the streams that failed in this run
	int      shown = -1;	// the stream the screen shows (stg.action, crnt_file_*), -1 none yet
	grab_attempt last_attempt;	// the last failed attempt of any stream, shown while stg.download_error is set
	std::string  last_file;	// the file it was at, by its place in the copy
	std::vector<grab_failure> failed;	// files the run went on without
	// A write on this computer failed (errno), in local_folder: the run stopped
	// fetching; for a full disk, about how much more room it needs (kB).
	int                       local_error = 0;
	std::string               local_folder;
	float                     local_more_kb = 0;
	std::string               folder;	// the copy the run works on
	std::set<int>             written;	// files this run installed and signed
	std::map<int, file_identity> placed;	// their identities as the run put them in place
	std::vector<int>          deleted;	// files this run deleted
	// Files an earlier run on `folder` wrote or deleted and left before its
	// final check (the user went Back): local path, the listed signature
	// (empty: the path must be gone). The next run's check reads them too.
	std::vector<grab_check_item> carried;
	// The final check of what the run wrote and deleted: begun, the next of
	// the files to hand to the set, the slices not yet back, the files it read
	// back, what it found.
	int                       checking = 0;
	unsigned long long        check_start = 0;	// microseconds
	std::vector<grab_check_item> check_files;
	size_t                    check_next = 0;
	int                       check_out = 0;
	int                       check_read = 0;
	std::vector<std::pair<std::string, std::string>> check_wrong;	// local path, what was found
	grab_meter                meter;
	grab_unpack_meter         unpack_meter;
};

// The names the engine's callers know its state by, each a member of its
// record, read-only: the engine writes the record through its own names
// (utils_internal.h), its callers through its functions (utils.h).
extern const stg_struct&                       stg;
extern const std::vector<file_history_struct>& sim_info;
extern const next_struct&                      grab_pump;	// the pump's cursor and byte counts
extern const int&                   g_want_sim;
extern const int&                   g_want_global;
extern const std::set<std::string>& deleted_files;
extern const std::vector<UTIL_refused_path>& refused_listed;
extern const int&                   delete_failures;
extern const std::vector<std::string>& grab_failed_files;
extern const int&                   install_err_num;
extern const std::string&           install_err_msg;
extern const std::string&           install_name;
extern const std::string&           temp_path;
extern const std::string (&server_name)[server_slots];
extern const std::string (&server_path)[server_slots];
extern const std::string (&server_desc)[server_slots];
extern const std::string&           crnt_file_name;
extern const std::string&           crnt_file_path;

extern const char* const no_install_name;	// install_name before a release is known

#endif
