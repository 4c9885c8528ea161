// Folders an install needs, and the deletion of files the release dropped.
#include "utils.h"
#include "utils_internal.h"
#include "io_utils.h"
#include "opensave.h"
#include "UTL_alert.h"
#include "UTL_clock.h"
#include "UTL_log.h"
#include "UTL_translate.h"
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

static const char* kFixedFolders[] = {"Output", "Output/FMS plans", "Output/logbooks", "Output/movies",
                                      "Output/situations", "Resources", "Output/preferences"};

static const char* kLinkFolders[][2] = {
	{"Resources/plugins/ZENK.framework/Versions/", "Current"},
	{"Resources/plugins/ZenkWidgets.framework/Versions/", "Current"},
	{"Resources/plugins/ZENK.framework/", "Resources"},
	{"Resources/plugins/ZenkWidgets.framework/", "Resources"},
};

std::string UTIL_local_path(const std::string& folder, const file_version_struct& v)
{
	std::string p = v.path;
	trim_dest_folder(p);
	return folder + p;
}

void make_dir_error(const std::string& folder, std::string path, int err)
{
	APL_alert(UTL_translate_string("I am unable to install or update Vantor. An error occurred while creating new folders. Make sure you are installing to a directory that you have access to!", 0),
	          UTL_translate_string("Error: ", 0) + error_str(err),
	          UTL_translate_string("Install Location: ", 0) + folder,
	          UTL_translate_string("Install Path:", 0) + path, t_alert);
}

static void log_outside(const std::string& folder, const std::string& path)
{
	xer << "Not touching " << UTL_log_safe(path) << ": a link on the way leads outside " << UTL_log_safe(folder) << ".\n";
}

// 1 when a path of the copy at folder reaches no further than the copy, links
// on disk followed (the last component's only when follow_last); else logged.
static int inside_copy(const std::string& folder, const std::string& path, int follow_last)
{
	if (path.compare(0, folder.size(), folder) != 0 || path_stays_inside(folder, path, follow_last))
		return 1;
	log_outside(folder, path);
	return 0;
}

// Folders of one copy already checked: a new folder is checked once, by its own
// last step from its checked parent, so a deep tree costs no walk from the
// copy's root at every level. The folder made last is held open, and its
// children are made and looked at through it: the system then walks no long
// path either.
struct checked_folders {
	std::string copy;	// ends in "/"
	std::map<std::string, int> known;	// without the final "/": 1 stays inside
	std::string held;	// the folder held open, without the final "/"
	int held_fd = -1;
	explicit checked_folders(const std::string& folder) : copy(folder) {}
	~checked_folders()
	{
		if (held_fd >= 0) (void)close(held_fd);	// a handle of a folder: nothing written through it
	}

	static std::string trimmed(std::string path)
	{
		while (path.size() > 1 && path.back() == '/') path.pop_back();
		return path;
	}

	// The held folder and path's name in it when it is path's parent; else none.
	int in_held(const std::string& path, std::string& name)
	{
		size_t slash = path.rfind('/');
		if (held_fd < 0 || slash != held.size() || path.compare(0, slash, held) != 0) return -1;
		name = path.substr(slash + 1);
		return held_fd;
	}

	int is_link(const std::string& path)
	{
		std::string name;
		int dir = in_held(path, name);
		struct stat st;
		int r = dir >= 0 ? fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) : lstat(path.c_str(), &st);
		return r == 0 && S_ISLNK(st.st_mode);
	}

	int inside(std::string path)
	{
		path = trimmed(path);
		if (path.size() <= copy.size() || path.compare(0, copy.size(), copy) != 0) return inside_copy(copy, path, 1);
		auto it = known.find(path);
		if (it != known.end()) return it->second;
		size_t slash = path.rfind('/');
		std::string leaf = path.substr(slash + 1);
		int ok;
		if (leaf.empty() || leaf == "." || leaf == "..")
			ok = inside_copy(copy, path, 1);
		else if (slash + 1 > copy.size() && !inside(path.substr(0, slash))) {
			ok = 0;	// its parent leads out already
			log_outside(copy, path);
		}
		else if (is_link(path))
			ok = inside_copy(copy, path, 1);	// a link: where it leads, walked whole
		else
			ok = 1;
		known[path] = ok;
		return ok;
	}

	// make_folder of a checked folder, which is then held; 0 or its code.
	int make(const std::string& folder)
	{
		std::string path = trimmed(folder), name;
		int dir = in_held(path, name);
		// a name not there as spelled may be there in another case, which only
		// the case repair finds: made through the held folder it would be a twin
		struct stat st;
		if (dir >= 0 && g_case_sensitive && fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) dir = -1;
		int code = dir < 0 ? make_folder(path) : mkdirat(dir, name.c_str(), 0755) == 0 ? 0 : errno;
		int fd = dir < 0 ? open(path_full(path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)
		                 : openat(dir, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
		if (fd >= 0) {
			if (held_fd >= 0) (void)close(held_fd);	// a handle of a folder: nothing written through it
			held_fd = fd;
			held = path;
		}
		return code;
	}
};

static int make_one(checked_folders& checks, const std::string& path)
{
	const std::string& folder = checks.copy;
	if (!checks.inside(path)) return 0;	// the unpacking of its files fails and says so
	int code = checks.make(path);
	if (show_make_dir_err(code)) {
		make_dir_error(folder, path, code);
		return code;
	}
	return 0;
}

// What stands where the release now puts a file or a folder, given up by the
// decision: a folder where a file comes (the release's own, or the user said
// to replace it), and a file the release dropped where a folder comes.
static void clear_obstacles(const std::string& folder)
{
	std::map<std::string, file_version_struct*> dropped;
	for (auto& h : g_engine.sim_info)
		if (h.versions.back().want_delete) dropped[UTIL_local_path(folder, h.versions.back())] = &h.versions.back();
	for (int i = 0; i < (int)sim_info.size(); ++i) {
		const file_version_struct& v = sim_info[i].versions.back();
		if (!v.want_download || !want_this_f(i, (int)sim_info[i].versions.size() - 1)) continue;
		std::string local = UTIL_local_path(folder, v);
		struct stat st;
		for (size_t at = local.find('/', folder.size()); at != std::string::npos; at = local.find('/', at + 1)) {
			std::string up = local.substr(0, at);
			auto it = dropped.find(up);
			if (it == dropped.end() || lstat(up.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
			// deleted now, so the pump finds the folder in its place and leaves it
			if (UTIL_delete_listed(folder, up, "DELETING  file ") == 0) {
				it->second->want_delete = 0;
				it->second->up_to_date = 0;
				it->second->sig_have = "NONE";
			}
		}
		if (lstat(local.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && inside_copy(folder, local, 0)) {
			int r = recursive_delete_folder(local + "/");
			if (r != 0) xer << "Could not remove the folder " << UTL_log_safe(local) << " where a file comes: " << error_str(r) << " (" << r << ").\n";
			if (stg.log_actions) xer << "DELETING  folder " << UTL_log_safe(local) << ", with result=" << r << ".\n";
		}
	}
}

// A make_dirs in steps: the folders left to make, the folders whose killed
// unpacks are left to remove, and the checks made so far.
struct UTIL_folders_run {
	checked_folders checks;
	std::vector<std::string> to_make, to_clean;
	size_t made = 0, cleaned = 0;
	explicit UTIL_folders_run(const std::string& folder) : checks(folder) {}
};

int make_dirs_start(const std::string& folder)
{
	g_engine.folders_run = std::make_shared<UTIL_folders_run>(folder);
	checked_folders& checks = g_engine.folders_run->checks;
	std::string root = folder;
	if (!root.empty() && root.back() == '/') root.pop_back();
	int code = 0;
	for (size_t at = root.find('/', 1); at != std::string::npos && !code; at = root.find('/', at + 1))
		code = make_one(checks, root.substr(0, at));
	if (!code) code = make_one(checks, root);
	// Nothing below the copy's folder is touched while another installer works on it.
	if (!code) code = UTIL_claim_copy(folder);
	if (code) {
		g_engine.folders_run.reset();
		return code;
	}
	clear_obstacles(folder);

	std::set<std::string> folders;
	for (int i = 0; i < (int)sim_info.size(); ++i) {
		const file_version_struct& v = sim_info[i].versions.back();
		if (!v.want_download || !want_this_f(i, (int)sim_info[i].versions.size() - 1)) continue;
		std::string rel = v.path;
		trim_dest_folder(rel);
		// deepest first: once a folder is known, so are all above it
		for (size_t at = rel.rfind('/'); at != std::string::npos && at > 0; at = rel.rfind('/', at - 1))
			if (!folders.insert(rel.substr(0, at)).second) break;
	}
	for (auto& f : folders) g_engine.folders_run->to_make.push_back(folder + f);
	for (const char* f : kFixedFolders) g_engine.folders_run->to_make.push_back(folder + f);
	// unfinished unpacks of a killed run, in every folder the release lists
	std::set<std::string> listed;
	for (auto& h : sim_info) {
		std::string l = UTIL_local_path(folder, h.versions.back()).substr(folder.size());
		listed.insert(folder + l.substr(0, l.rfind('/') + 1));
	}
	g_engine.folders_run->to_clean.assign(listed.begin(), listed.end());
	return 0;
}

int make_dirs_running()
{
	return g_engine.folders_run != nullptr;
}

int make_dirs_step(unsigned long long budget_us)
{
	if (!g_engine.folders_run) return 1;
	UTIL_folders_run& run = *g_engine.folders_run;
	const std::string& folder = run.checks.copy;
	unsigned long long until = xtim_class::microsecs() + budget_us;
	auto spent = [&]() { return budget_us && xtim_class::microsecs() >= until; };
	// folders above those below them, so each is checked from its checked parent
	while (run.made < run.to_make.size()) {
		(void)make_one(run.checks, run.to_make[run.made++]);	// it tells the user of a folder it cannot make
		if (spent()) return 0;
	}
	while (run.cleaned < run.to_clean.size()) {
		const std::string& f = run.to_clean[run.cleaned++];
		if (run.checks.inside(f)) unpack_remove_stale(f);
		if (spent()) return 0;
	}
	for (auto& l : kLinkFolders) {
		std::string dir = folder + l[0];
		std::string entry = l[1];
		// mostly nothing is there; a folder that stays fails the link's unpack, which says so
		if (!is_sim_link(dir + entry, nullptr) && inside_copy(folder, dir + entry, 0)) (void)rename_file(dir, entry, "_" + entry);
	}
	g_engine.folders_run.reset();
	return 1;
}

int make_dirs(const std::string& folder)
{
	if (int code = make_dirs_start(folder)) return code;
	make_dirs_step(0);
	return 0;
}

int UTIL_delete_listed(const std::string& folder, const std::string& local, const char* verb)
{
	int r = inside_copy(folder, local, 0) ? delete_file(local) : err_path_outside;
	// nothing there, or its folder became a file: the goal is met
	if (r == ENOENT || r == ENOTDIR) r = 0;
	if (r != 0) {
		++g_engine.delete_failures;
		xer << "Could not delete " << UTL_log_safe(local) << ": " << error_str(r) << " (" << r << ").\n";
	}
	if (stg.log_actions) xer << verb << UTL_log_safe(local) << ", with result=" << r << ".\n";
	return r;
}

void UTIL_note_folders(const std::string& folder, const std::string& local, std::set<std::string>& folders)
{
	std::string f = local.substr(0, local.rfind('/') + 1);
	while (f.size() > folder.size() && f.compare(0, folder.size(), folder) == 0) {
		folders.insert(f);
		f.pop_back();
		f = f.substr(0, f.rfind('/') + 1);
	}
}

void UTIL_remove_empty_folders(const std::string& folder, const std::set<std::string>& folders)
{
	for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
		if (!inside_copy(folder, *it, 1) || !dir_exists(*it)) continue;
		std::vector<std::string> names;
		std::vector<int> kinds;
		if (opensave_getitems(*it, 0, names, kinds) != 0 || !names.empty()) continue;
		int r = delete_file(*it);
		if (r != 0) xer << "Could not remove the emptied folder " << UTL_log_safe(*it) << ": " << error_str(r) << " (" << r << ").\n";
		if (stg.log_actions) xer << "cleanup: DELETING  file " << UTL_log_safe(*it) << ", with result=" << r << ".\n";
	}
}

void delete_files(const std::string& folder)
{
	if (UTIL_claim_copy(folder)) return;
	std::set<std::string> folders;
	for (auto& h : g_engine.sim_info) {
		file_version_struct& v = h.versions.back();
		if (!v.want_delete) continue;
		std::string local = UTIL_local_path(folder, v);
		g_engine.stg.action = action_delete;
		if (UTIL_delete_listed(folder, local, "DELETING  file ") == 0) {
			v.up_to_date = 0;
			v.sig_have = "NONE";
		}
		UTIL_note_folders(folder, local, folders);
	}
	UTIL_remove_empty_folders(folder, folders);
	xer.flush();
}
