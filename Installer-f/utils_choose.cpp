// The fetch, keep or delete decision for every listed file, and the totals.
#include "utils.h"
#include "utils_internal.h"
#include "UTL_log.h"
#include <dirent.h>
#include <map>
#include <sys/stat.h>
#include <vector>

static int last_of(int i) { return (int)sim_info[i].versions.size() - 1; }

static bool tile_dropped(const file_version_struct& v)
{
	return v.is_global && !stg.tile_wanted[v.lon_i][v.lat_i];
}

static std::string local_rel(const file_version_struct& v)
{
	std::string p = v.path;
	trim_dest_folder(p);
	return p;
}

// Histories that land on one local path. A file whose platform code changed
// between releases is listed twice there: its new history, and the old one
// ending in a tombstone. The copy is the new history's business alone.
// Built on first use: the totals after a scan seldom need it, and on a long
// list it costs a frame.
struct local_paths {
	std::map<std::string, std::vector<int>> by_path;
	bool built = false;

	const std::vector<int>& same(int i)
	{
		if (!built) {
			built = true;
			for (int j = 0; j < (int)sim_info.size(); ++j) by_path[local_rel(sim_info[j].versions.back())].push_back(j);
		}
		return by_path[local_rel(sim_info[i].versions.back())];
	}

	// A wanted, live history other than i sits on i's local path.
	bool shadowed(int i)
	{
		for (int j : same(i)) {
			if (j == i) continue;
			const file_version_struct& w = sim_info[j].versions.back();
			if (w.sig_want != "GONE" && !tile_dropped(w) && want_this_f(j, last_of(j))) return true;
		}
		return false;
	}

	// The signature was listed for this local path by some release.
	bool known(int i, const std::string& sig)
	{
		for (int j : same(i))
			for (auto& w : sim_info[j].versions)
				if (w.sig_want == sig) return true;
		return false;
	}

	// The local path `rel` holds a file the release dropped, as some release
	// listed it: it goes without a question.
	bool dropped_as_listed(const std::string& rel)
	{
		same(0);
		auto it = by_path.find(rel);
		if (it == by_path.end()) return false;
		for (int j : it->second) {
			const file_version_struct& w = sim_info[j].versions.back();
			if (w.sig_want == "GONE" && w.sig_have != "NONE" && known(j, w.sig_have)) return true;
		}
		return false;
	}

	// Everything in the folder `rel` (below the copy at `folder`) is files the
	// release dropped, at least one: the folder is the release's own.
	bool folder_is_releases(const std::string& folder, const std::string& rel, int& files)
	{
		DIR* d = opendir((folder + rel).c_str());
		if (!d) return false;
		bool ours = true;
		while (struct dirent* e = readdir(d)) {
			std::string name = e->d_name;
			if (name == "." || name == "..") continue;
			std::string sub = rel + "/" + name;
			struct stat st;
			if (lstat((folder + sub).c_str(), &st) != 0) ours = false;
			else if (S_ISDIR(st.st_mode)) ours = folder_is_releases(folder, sub, files);
			else if (dropped_as_listed(sub)) ++files;
			else ours = false;
			if (!ours) break;
		}
		(void)closedir(d);	// read only
		return ours;
	}
};

// A folder stands where the listed file is: the file itself is not there.
static bool is_real_folder(const std::string& local)
{
	struct stat st;
	return lstat(local.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int choose_files(const std::string& folder)
{
	std::set<std::string> act_dirs, keep_dirs;
	local_paths locals;
	// a run starts here in every flow: the last run's failures are history
	g_engine.delete_failures = 0;
	g_engine.stg.download_error = 0;
	g_engine.stg.extract_error = 0;

	for (int i = 0; i < (int)sim_info.size(); ++i) {
		file_version_struct& v = g_engine.sim_info[i].versions.back();
		v.want_download = 0;
		v.want_delete = 0;
		if (!want_this_f(i, last_of(i))) continue;

		std::string local = folder + local_rel(v);
		int gone = v.sig_want == "GONE";
		int exists = v.sig_have != "NONE";
		int same = exists && v.sig_want == v.sig_have;
		if (tile_dropped(v)) {
			gone = 1;
			same = 0;
		}
		if (gone && locals.shadowed(i)) continue;

		// A file that became a folder, or a folder that becomes a file: what
		// stands in the way is the release's own when its history dropped it.
		int files = 0;
		bool folder_there = v.sig_have == UTIL_sig_not_a_file && is_real_folder(local);
		if (folder_there && gone) exists = 0;
		bool releases_folder = folder_there && !gone && locals.folder_is_releases(folder, local_rel(v), files) && files > 0;

		int act = ((same && exists) || (gone && !exists)) ? 0 : 1;
		if (exists && !same && !releases_folder && !locals.known(i, v.sig_have)) {
			std::string dir = local.substr(0, local.rfind('/') + 1);
			if (act_dirs.count(dir))
				act = 1;
			else if (keep_dirs.count(dir))
				act = 0;
			else {
				xer << "File: " << UTL_log_safe(local) << "  sig_want=" << v.sig_want << "  sig_have=" << v.sig_have << "\n";
				switch (UTIL_ask_select(local, gone)) {
					case select_act: act = 1; break;
					case select_keep: act = 0; break;
					case select_cancel: return 0;
					case select_act_dir: act_dirs.insert(dir); act = 1; break;
					case select_keep_dir: keep_dirs.insert(dir); act = 0; break;
					default: act = 1; break;
				}
			}
		}
		v.want_download = !gone && act;
		v.want_delete = act && gone;
	}

	float total = 0;
	for (auto& h : sim_info)
		if (h.versions.back().want_download) total += h.versions.back().kb2;
	float s = 0;
	for (auto& h : g_engine.sim_info) {
		file_version_struct& v = h.versions.back();
		if (total > 0) {
			v.progress_share = s / total;
			if (v.want_download) s += v.kb2;
		} else
			v.progress_share = 0.5f;
	}
	return 1;
}

void recalc_disk_sizes()
{
	g_engine.stg.total_kb_download = 0;
	g_engine.stg.total_kb_install = 0;
	g_engine.stg.files_to_install = 0;
	g_engine.stg.files_to_delete = 0;
	local_paths locals;
	for (int i = 0; i < (int)sim_info.size(); ++i) {
		const file_version_struct& v = sim_info[i].versions.back();
		int want = want_this_f(i, last_of(i));
		if (!want) continue;
		bool gone = v.sig_want == "GONE";
		if (!gone && !v.up_to_date && !tile_dropped(v)) {
			g_engine.stg.total_kb_download += v.kb1;
			g_engine.stg.total_kb_install += v.kb2;
			g_engine.stg.files_to_install += 1;
		}
		if ((gone || tile_dropped(v)) && v.up_to_date && !locals.shadowed(i)) g_engine.stg.files_to_delete += 1;
	}
}
