#ifndef IO_UTILS_H
#define IO_UTILS_H
// File and folder operations. Each returns 0 or an error code that error_str
// turns into a sentence: errno values (native), negative volume codes, or the
// program's own codes from 20001.
#include <cstdint>
#include <string>
#include "path_utils.h"

enum {
	err_zip_open         = 20001,
	err_zip_short_read   = 20002,
	err_zip_create       = 20003,
	err_zip_write        = 20004,
	err_zip_fork_too_big = 20005,
	err_file_open_read   = 20006,
	err_net_reconnect    = 20007,
	err_net_bad_state    = 20008,
	err_net_alloc        = 20009,
	err_net_write_file   = 20010,
	err_net_no_server    = 20011,
	err_zip_fork_header  = 20012,
	err_not_mz           = 20013,
	err_not_pe           = 20014,
	err_archive_unsafe   = 20015	// an entry would land outside its folder
};

// Where the last archive or folder step of this thread failed, for the log:
// archives unpack on several worker threads at once.
extern thread_local const char* sErrFile;
extern thread_local int         sErrLine;

std::string error_str(int code);

int     make_folder(const std::string& path);
int     rename_file(const std::string& folder, const std::string& old_name, const std::string& new_name);
int     copy_file(const std::string& from, const std::string& to);
int     delete_file(const std::string& path);
int64_t APL_file_size(const std::string& path);	// -1 when missing or a folder
int     dir_exists(const std::string& path);
int     file_exists(const std::string& path);
int     make_file_executable(const std::string& path);
int     is_sim_link(const std::string& path, std::string* target);
int     copy_file_recursive(const std::string& from, const std::string& to);
int     recursive_delete_folder(const std::string& path);
int     get_free_space(const std::string& path, uint64_t* total, uint64_t* free_bytes);
int     show_make_dir_err(int code);
int     show_del_err(int code);
int     launch_app(const std::string& app, const std::string& arg, int finish);
int     eject_dvd(const std::string& path);
int     APL_is_dvd_disk(const std::string& path);	// by path: Linux has no volume numbers
int     make_file_large_address_aware(const std::string& path);

#endif
