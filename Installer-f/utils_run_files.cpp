// This run's own files in the shared temporary folder: several installers may
// run at once, so each keeps what it makes (its server list, its directory
// file, the download pump's archives, the archives a disc install copies, and
// the copy of the program a start from a disc runs on) in a folder of its own,
// named for its process, and removes it when it ends; the folders of runs
// that were killed are removed by the next.
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
#include <fcntl.h>
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

// Removes everything below the folder open as `fd` (closed here), links as
// links: nothing outside it is followed.
static void empty_folder_at(int fd)
{
	DIR* d = fdopendir(fd);
	if (!d) {
		(void)close(fd);	// read only
		return;
	}
	std::vector<std::string> folders;
	while (dirent* e = readdir(d)) {
		if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..")) continue;
		struct stat st;
		if (fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
			folders.push_back(e->d_name);
		else
			(void)unlinkat(fd, e->d_name, 0);	// best effort: what stays goes at a later start
	}
	for (const std::string& f : folders) {
		int sub = openat(fd, f.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
		if (sub >= 0) empty_folder_at(sub);
		(void)unlinkat(fd, f.c_str(), AT_REMOVEDIR);	// best effort, as above
	}
	(void)closedir(d);	// read only
}

// Removes a run folder with all it holds.
static void remove_run_folder(const std::string& folder)
{
	int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
	if (fd >= 0) empty_folder_at(fd);
	(void)rmdir(folder.c_str());	// best effort: one left goes at a later start
}

// Whether a process of this user's runs a program that lies in `folder` (a
// copy a start from a disc made, whose maker has ended).
static bool program_runs_from(const std::string& folder)
{
	DIR* d = opendir("/proc");
	if (!d) return false;
	bool found = false;
	char target[4096];
	while (dirent* e = readdir(d)) {
		if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
		ssize_t n = readlink((std::string("/proc/") + e->d_name + "/exe").c_str(), target, sizeof target - 1);
		if (n <= 0) continue;
		target[n] = 0;
		if (strncmp(target, folder.c_str(), folder.size()) == 0) {
			found = true;
			break;
		}
	}
	(void)closedir(d);	// read only
	return found;
}

// The process a run folder's name gives, or 0 when the name is no run folder's.
static long run_folder_pid(const char* name)
{
	long pid = 0;
	int used = 0;
	if (sscanf(name, "vantor-run-%ld-%n", &pid, &used) != 1 || used == 0 || pid <= 0) return 0;
	return pid;
}

// The folders that installers no longer running left behind.
static void remove_dead_run_folders(const std::string& temp)
{
	DIR* d = opendir(temp.c_str());
	if (!d) return;
	std::vector<std::string> dead;
	while (dirent* e = readdir(d)) {
		long pid = run_folder_pid(e->d_name);
		if (pid == 0 || pid == (long)getpid()) continue;
		if (kill((pid_t)pid, 0) == 0 || errno != ESRCH) continue;
		struct stat st;
		std::string path = temp + e->d_name;
		// only a folder of this user's: another's, or a link, is none of ours
		if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid()) dead.push_back(path + "/");
	}
	(void)closedir(d);	// read only
	for (const std::string& f : dead)
		if (f != run_folder && !program_runs_from(f)) remove_run_folder(f);
}

static void remove_at_exit() { UTIL_run_files_remove(); }

static void remove_at_exit_once()
{
	static bool hooked = false;
	if (!hooked) atexit(remove_at_exit);
	hooked = true;
}

// A new run folder of this process in temp_path, or empty (errno says why).
static std::string make_run_folder()
{
	std::string name = temp_path + kRunPrefix + std::to_string((long)getpid()) + "-XXXXXX";
	std::vector<char> buf(name.begin(), name.end());
	buf.push_back(0);
	if (!mkdtemp(buf.data())) return "";
	return std::string(buf.data()) + "/";
}

const std::string& UTIL_run_folder()
{
	if (!run_folder.empty() && run_folder_in == temp_path && dir_exists(run_folder)) return run_folder;
	UTIL_run_files_remove();
	run_folder_in = temp_path;
	remove_dead_run_folders(temp_path);
	run_folder = make_run_folder();
	if (run_folder.empty()) {
		// the files then go to the temporary folder itself, and their failure says why
		xer << "I could not make a folder of this run in " << temp_path << ": " << error_str(errno) << ".\n";
		run_folder = temp_path;
		return run_folder;
	}
	remove_at_exit_once();
	return run_folder;
}

std::string UTIL_run_folder_for_program()
{
	std::string folder = make_run_folder();
	if (folder.empty())
		xer << "I could not make a folder for a copy of the program in " << temp_path << ": " << error_str(errno)
		    << ".\n";
	return folder;
}

void UTIL_run_folder_drop(const std::string& folder)
{
	if (!folder.empty() && folder != run_folder) remove_run_folder(folder);
}

int UTIL_run_folder_adopt(const std::string& program)
{
	const std::string prefix = temp_path + kRunPrefix;
	if (temp_path.empty() || program.compare(0, prefix.size(), prefix) != 0) return 0;
	const size_t end = program.find('/', temp_path.size());
	if (end == std::string::npos) return 0;
	const std::string folder = program.substr(0, end + 1);
	struct stat st;
	if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
	    !run_folder_pid(folder.c_str() + temp_path.size()))
		return 0;
	UTIL_run_files_remove();
	run_folder = folder;
	run_folder_in = temp_path;
	remove_at_exit_once();
	return 1;
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
	// an archive without one must not leave an older one in its place
	const int gone = delete_file(folder + kDirectoryName);
	if (gone != 0 && gone != ENOENT) return gone;
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
