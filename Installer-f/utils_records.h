#ifndef UTILS_RECORDS_H
#define UTILS_RECORDS_H
// The install engine's records: the loaded directory file and the
// program-wide installer record shared with the wizard.
#include <string>
#include <vector>

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

struct file_history_struct {
	std::vector<file_version_struct> versions;	// oldest first; back() is current
};

struct stg_struct {
	int   stage;
	int   target_os;
	int   log_actions;
	int   new_format_flag;	// 2 after the newer-format notice
	int   download_error;
	int   extract_error;
	int   num_servers;
	int   sel_server;
	int   tile_wanted[36][18];
	int   tile_avail[36][18];
	int   action;
	float file_progress;
	int   stream_count;
	int   get_beta;
	float total_kb_download;
	float total_kb_install;
	int   files_to_install;
	int   files_to_delete;
	int   disk_has_scenery;
	int   disk_has_sim;
};

extern stg_struct stg;
extern std::vector<file_history_struct> sim_info;

#endif
