#ifndef MAKE_INSTALLER_H
#define MAKE_INSTALLER_H
// The maker's release-set builder: scans a master tree, archives every file,
// cuts the set across discs and writes the directory and disc marker files.
#include <set>
#include <string>
#include <vector>

// Set kind: 0 update set for the web servers, 1 product disc set, 2 "Mars", 3 "Moon".
extern int build_type;
extern int reg;

extern std::string old_dir_path, src_fold, dst_fold_base, dst_folder, sim_name;
extern std::string build_name[3];
extern std::string ALL_str, APL_str, WIN_str, LIN_str;
extern std::string str_all_fold, str_apl_fold, str_win_fold, str_LIN_fold, str_ins_fold, str_wpn_fold,
	str_afl_fold, str_acf_fold, str_pfc_fold, str_res_fold, str_out_fold, str_cus_fold, str_glo_fold,
	str_plug, str_redt, str_orbt, str_erth1, str_erth2, str_mars, str_moon;

extern int found_all_fold, found_apl_fold, found_win_fold, found_LIN_fold, found_ins_fold, found_wpn_fold,
	found_afl_fold, found_acf_fold, found_res_fold, found_out_fold, found_cus_fold, found_glo_fold,
	found_plug, found_redt, found_orbt;

extern std::vector<std::string> comp_files;
extern std::set<std::string>    comp_paths;
extern int num_files_rec, num_files_use, num_files_com;

// One reason the scan found why an entry of the master cannot go into a set:
// the entry's path, the reason and what the entry showed (a link's text, a
// system error), empty when the reason says it all.
struct master_refusal {
	std::string path, reason, detail;
};
// Every refusal of the last scan, in scan order; the run stops on them once,
// after the whole tree was scanned and before anything is written.
extern std::vector<master_refusal> master_refusals;
// Empty files the last scan met (paths below the master root): they never
// enter a set, and a release that drops one says so.
extern std::set<std::string> master_empty_files;

// A disc set prepares the folders of discs 0 to this one: at most six discs.
enum { dvd_last_disc = 5 };
extern int   dvd_now;
extern float zip_size_dvd;
extern float dvd_limit_kb;		// a disc is cut after the file that takes it past this
extern int release_number;	// written on every new line (one build per number)

// Points the builder at a master root, an output root and the previous
// directory file, and rebuilds the content-folder paths from them.
void make_installer_set_paths(const std::string& src, const std::string& dst, const std::string& old_dir);

// Scans one folder of the master and everything below it.
void pref_level(const std::string& folder);
// 1 when the file belongs to the current set; need_readable (with a first
// argument of 0) also asks for a non-empty file that opens, never opening
// anything but a plain file.
int  is_good_file(std::string path, int, int need_readable);
// Points dst_folder at a disc's folder (disc sets only).
void set_dest_dvd(int disk);
// Records every folder the set needs that the scan did not meet as a refusal.
void check_required_folders();
// Stops the run when the scan refused anything: every refusal goes to the
// log, a count per reason and the first few to the terminal and the alert.
void stop_on_refusals();

// Makes the set of build_type, then shows the maker's checklist.
void build_install();
// Makes the whole set: checks the master, archives it, writes the directory.
void sub_install();
// Archives one source file on the calling thread and writes its lines.
void comp_file(std::string path);
// Worker threads that archive the files of a set: -1 one per processor, 0 none
// (each file on the main thread, one after another). The directory file and
// the archives are the same whichever it is.
extern int make_installer_workers;
// Stops the archive workers and drops what they hold; nothing when none run.
void make_installer_stop_workers();
// Turns a path below the master root into its history key, in place.
void chop_platform(std::string& path, int os);
// The platform code of a path below the master root; -1 when its first
// folder is none of the four platform folders.
int  platform_code_for(const std::string& rel);

// Progress strip and the abort key: drawn in the window when one exists,
// else printed; "q" in the window or an interrupt stops the run.
void make_installer_progress(const std::string& line1, const std::string& line2);
extern volatile int make_installer_interrupted;
// A report to the maker: on the terminal and in the log.
void make_installer_say(const std::string& text);

#endif
