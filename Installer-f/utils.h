#ifndef UTILS_H
#define UTILS_H
// The install engine: the directory file, the checksum scan of a copy, the
// fetch/keep/delete decision, folders, the web download pump and the disc
// install. Every long operation is a step function polled once per frame.
#include <cerrno>
#include <set>
#include <string>
#include "utils_prompts.h"
#include "utils_records.h"
#include "UTL_worker_threads.h"

// --- directory file and records
extern int g_want_sim;		// install filters, both 1 at start
extern int g_want_global;
extern std::set<std::string> deleted_files;	// folders the download pump emptied
extern int read_refused_paths;	// listed paths refused by the last read_directory

// 3 read, 2 missing or empty (logged), or header rejected (after the newer-format notice).
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
// 1 when the part of a listed path below its platform folder stays inside the copy.
int  listed_path_is_safe(const std::string& path);
// 1 for 32 hexadecimal digits or the tombstone "GONE".
int  signature_is_valid(const std::string& sig);
// 1 when path is a readable, non-empty file (a directory file to read).
int  directory_file_present(const std::string& path);
void new_installer(std::string url);
void new_format(std::string path);

// --- checksum scan
extern UTL_worker_threads* checksum_workers;

class checksum_task : public UTL_work_task {
public:
	int first, last, quick;
	checksum_task(int first, int last, int quick);
	void do_it() override;
	int  check_error(std::string& msg) override;
};

int  checksum_directory(int& cursor, int quick, float& progress);	// 0 running, 1 done
void checksum_directory_kill();

// --- decision
int  choose_files();	// 0 when the user cancelled
void recalc_disk_sizes();

// --- folders and deletions
extern int delete_failures;	// deletions that failed since the last read_directory
int  make_dirs();
void delete_files();
void make_dir_error(std::string path, int err);

// --- the copy's lock
enum { copy_busy = EWOULDBLOCK };

// Takes the advisory lock on a copy's folder for this process: 0 when held
// (also when this process holds it already), copy_busy when another installer
// holds it, else the error of opening the folder. Taking another copy's lock
// gives up the one held.
int  UTIL_lock_copy(const std::string& folder);
void UTIL_unlock_copy();
// Takes the lock on dest_dir_path; when another installer holds it, says so
// and returns copy_busy. Any other failure to lock is logged and returns 0.
int  UTIL_claim_copy();

// --- web download pump
struct next_struct {
	int   next_file;
	int   done;
	int   stream_on[4];
	int   stream_take[4];
	int   stream_file[4];
	float start_time;
	float kb_in_flight;
	float kb_fetched;
	float kb_installed;
};
extern next_struct next;
extern std::string grab_failed_file;	// remote path of a file no server would give
// Tells the user that a download could not be stored in the temporary folder
// (errno `err`: a full disk, most often).
void grab_local_failure_alert(int err);

enum { grab_rounds_per_file = 3 };	// rounds of the server list before a run gives up
// The server a transfer tries after one failed on server `failed`: drawn at
// random among the n servers with a bias towards the top of the list, never
// the failed one while there is another.
int grab_pick_server(int n, int failed);

// Stream i's archive in the temporary folder, named for this process: other
// installers share the folder.
std::string grab_archive_path(int stream);
void grab_files_start();	// resets the pump and the run's error flags
int  grab_files();		// 0 running, 1 done, else the run ended in failure
int  extract_and_delete_file(std::string archive, std::string destination);

// --- disc install
enum { install_busy = 0, install_done = 1, install_need_disk = 2, install_failed = 3 };
enum { err_install_signature = 20040 };	// an unpacked file is not the listed one

extern UTL_worker_threads* copy_pool;
extern UTL_worker_threads* unzip_pool;
extern int         install_err_num;
extern std::string install_err_msg;

class dvd_unpack_task : public UTL_work_task {
public:
	int         index;
	int         step;
	std::string source;
	std::string temp;
	std::string destination;
	std::string error_text;
	int         error_code;

	dvd_unpack_task(int index, const std::string& temp_folder);
	void do_it() override;
	int  check_error(std::string& msg) override;
};

int  install_files(int& cursor, int disk);
int  install_files_get_error(std::string& text);
void install_files_kill();

#endif
