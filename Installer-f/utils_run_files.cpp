// This run's own files in the shared temporary folder: several installers may
// run at once, so each keeps its server list, its directory file and the
// download pump's archives in a folder of its own, named for its process, and
// removes it when it ends; the folders of runs that were killed are removed
// by the next.
#include "utils.h"
#include "utils_internal.h"
#include "http.h"
#include "io_utils.h"
#include "zip_utils.h"
#include "UTL_log.h"
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

static const char kRunPrefix[] = "vantor-run-";
static const char kDirectoryName[] = "directory.txt";

// The directory file may inflate to this many times the most its archive may
// be downloaded as: far above a real release's, far below a full disk.
static const uint64_t directory_inflate_factor = 4;

static std::string run_folder;		// ends in "/"; empty until made
static std::string run_folder_in;	// the temporary folder it was made in

// Removes a run folder and the plain files in it (nothing else is ever put there).
static void remove_run_folder(const std::string& folder)
{
	if (DIR* d = opendir(folder.c_str())) {
		while (dirent* e = readdir(d))
			if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) unlink((folder + e->d_name).c_str());
		closedir(d);
	}
	rmdir(folder.c_str());
}

// The folders that installers no longer running left behind.
static void remove_dead_run_folders(const std::string& temp)
{
	DIR* d = opendir(temp.c_str());
	if (!d) return;
	std::vector<std::string> dead;
	while (dirent* e = readdir(d)) {
		long pid = 0;
		int used = 0;
		if (sscanf(e->d_name, "vantor-run-%ld-%n", &pid, &used) != 1 || used == 0) continue;
		if (pid <= 0 || pid == (long)getpid()) continue;
		if (kill((pid_t)pid, 0) == 0 || errno != ESRCH) continue;
		struct stat st;
		std::string path = temp + e->d_name;
		// only a folder of this user's: another's, or a link, is none of ours
		if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid()) dead.push_back(path + "/");
	}
	closedir(d);
	for (const std::string& f : dead) remove_run_folder(f);
}

static void remove_at_exit() { UTIL_run_files_remove(); }

const std::string& UTIL_run_folder()
{
	if (!run_folder.empty() && run_folder_in == temp_path && dir_exists(run_folder)) return run_folder;
	UTIL_run_files_remove();
	run_folder_in = temp_path;
	remove_dead_run_folders(temp_path);
	std::string name = temp_path + kRunPrefix + std::to_string((long)getpid()) + "-XXXXXX";
	std::vector<char> buf(name.begin(), name.end());
	buf.push_back(0);
	if (!mkdtemp(buf.data())) {
		// the files then go to the temporary folder itself, and their failure says why
		xer << "I could not make a folder of this run in " << temp_path << ": " << error_str(errno) << ".\n";
		run_folder = temp_path;
		return run_folder;
	}
	static bool hooked = false;
	if (!hooked) atexit(remove_at_exit);
	hooked = true;
	run_folder = std::string(buf.data()) + "/";
	return run_folder;
}

void UTIL_run_files_sweep() { remove_dead_run_folders(temp_path); }

void UTIL_run_files_remove()
{
	if (!run_folder.empty() && run_folder != run_folder_in) remove_run_folder(run_folder);
	run_folder.clear();
}

std::string UTIL_run_directory_file() { return UTIL_run_folder() + kDirectoryName; }

int UTIL_unpack_directory(const std::string& archive)
{
	std::string folder = UTIL_run_folder();
	delete_file(folder + kDirectoryName);	// an archive without one must not leave an older one in its place
	unpack_rules rules;
	rules.entry = kDirectoryName;
	rules.max_bytes = (uint64_t)http_directory_limit * directory_inflate_factor;
	rules.max_entries = UTIL_release_archive_entries;
	int err = zip_to_file(archive, folder, nullptr, 0, &rules);
	// no listing gives the directory file's size: its bound is one of its own
	if (err == err_archive_too_big) err = err_directory_too_big;
	if (err == 0 && !directory_file_present(folder + kDirectoryName)) err = err_file_not_found;
	return err;
}
