#include "path_utils.h"
#include "UTL_alert.h"
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <iconv.h>
#include <mutex>
#include <unordered_map>
#include <vector>
#include <strings.h>
#include <sys/stat.h>

int g_case_sensitive = 0;

static std::atomic<path_case_taken_fn> case_taken{nullptr};

void path_set_case_taken(path_case_taken_fn fn) { case_taken.store(fn); }

// A folder's names as last read. A file installed into a folder of thousands
// would otherwise read the whole folder again for each new name, and the
// install changes the folder with each. So a listing is kept while the folder
// is unchanged, and for a second after it was read whatever changes: what the
// install adds are its own listed names, which the repair never takes (and
// path_case_placed adds them as they are placed); a name kept that has gone
// meanwhile is noticed and the folder read again. Only a name of another case
// that another program makes within that second can be missed, as it could
// always be when made just after the folder was read.
struct case_listing {
	dev_t           dev = 0;
	ino_t           ino = 0;
	struct timespec mtime = {0, 0};
	double          read_at = 0;	// monotonic seconds
	size_t          count = 0;	// names held
	// case-folded name -> the names that fold to it, in the order the folder gives them
	std::unordered_map<std::string, std::vector<std::string>> by_key;

	bool fresh(const struct stat& st, double now) const
	{
		if (dev != st.st_dev || ino != st.st_ino) return false;
		bool same = mtime.tv_sec == st.st_mtim.tv_sec && mtime.tv_nsec == st.st_mtim.tv_nsec;
		return same || now - read_at < 1.0;
	}
	std::vector<std::string> named(const std::string& key) const
	{
		auto at = by_key.find(key);
		return at == by_key.end() ? std::vector<std::string>() : at->second;
	}
};

static std::mutex case_mutex;	// holds the two below
static std::unordered_map<std::string, case_listing> case_listings;
static size_t case_names_kept = 0;
enum { case_names_most = 1000000 };	// beyond this the kept listings are dropped

// The key two names share when strcasecmp finds them equal.
static std::string case_key(const char* name)
{
	std::string k(name);
	for (char& c : k) c = (char)tolower((unsigned char)c);
	return k;
}

static double case_now()
{
	struct timespec t;
	(void)clock_gettime(CLOCK_MONOTONIC_COARSE, &t);	// a clock Linux always has
	return (double)t.tv_sec + t.tv_nsec * 1e-9;
}

static void case_add_name(case_listing& l, const char* name)
{
	std::vector<std::string>& same = l.by_key[case_key(name)];
	if (std::find(same.begin(), same.end(), name) != same.end()) return;
	same.push_back(name);
	++l.count;
}

// Reads the folder as it stands after st was taken; false when it cannot be read.
static bool case_read(const std::string& folder, const struct stat& st, case_listing& l)
{
	l.dev = st.st_dev;
	l.ino = st.st_ino;
	l.mtime = st.st_mtim;
	l.read_at = case_now();
	DIR* d = opendir(folder.c_str());
	if (!d) return false;
	while (struct dirent* e = readdir(d))
		if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) case_add_name(l, e->d_name);
	(void)closedir(d);	// only read: its close tells nothing
	return true;
}

// The entry of `folder` equal to `comp` but for case, or empty; an entry the
// owner of the names says is taken is never chosen. folder_st (optional): the
// folder's status, just taken by the caller.
static std::string other_case_entry(const std::string& folder, const char* comp, const std::string& prefix,
                                    const struct stat* folder_st = nullptr)
{
	struct stat st;
	if (folder_st)
		st = *folder_st;
	else if (stat(folder.c_str(), &st) != 0)
		return std::string();
	path_case_taken_fn taken = case_taken.load();
	const std::string key = case_key(comp);
	for (int pass = 0; pass < 2; ++pass) {
		std::vector<std::string> candidates;
		bool kept = false;
		{
			std::lock_guard<std::mutex> hold(case_mutex);
			auto at = case_listings.find(folder);
			if (at != case_listings.end() && at->second.fresh(st, case_now())) {
				kept = true;
				candidates = at->second.named(key);
			}
		}
		if (!kept) {
			// read without the lock: other threads go on with their folders meanwhile
			case_listing l;
			if (!case_read(folder, st, l)) return std::string();
			candidates = l.named(key);
			std::lock_guard<std::mutex> hold(case_mutex);
			if (case_names_kept > case_names_most) {
				case_listings.clear();
				case_names_kept = 0;
			}
			case_listing& slot = case_listings[folder];
			case_names_kept += l.count - slot.count;
			slot = std::move(l);
		}
		bool gone = false;
		for (const std::string& name : candidates) {
			if (taken && taken(prefix + name)) continue;
			struct stat there;
			if (kept && lstat((folder + "/" + name).c_str(), &there) != 0) {
				gone = true;	// kept from an earlier read: read the folder again
				break;
			}
			return name;
		}
		if (!gone) return std::string();
		std::lock_guard<std::mutex> hold(case_mutex);
		auto at = case_listings.find(folder);
		if (at != case_listings.end()) at->second.read_at = -1, at->second.mtime = {0, 0};
	}
	return std::string();
}

void path_case_placed(const std::string& path)
{
	if (!g_case_sensitive) return;
	size_t cut = path.rfind('/');
	if (cut == std::string::npos || cut + 1 >= path.size()) return;
	std::string folder = cut ? path.substr(0, cut) : "/";
	std::lock_guard<std::mutex> hold(case_mutex);
	auto at = case_listings.find(folder);
	if (at == case_listings.end()) return;
	size_t before = at->second.count;
	case_add_name(at->second, path.c_str() + cut + 1);
	case_names_kept += at->second.count - before;
}

static bool find_path(char* path);

static void full_into(std::string& path, bool* absent)
{
	if (!g_case_sensitive || path.empty() || path.size() > 499) return;
	char buf[500];
	memcpy(buf, path.c_str(), path.size() + 1);
	bool none = find_path(buf);
	if (absent) *absent = none;
	path = buf;
}

void set_path_to_full(std::string& path) { full_into(path, nullptr); }

std::string path_full(const std::string& path)
{
	std::string f = path;
	full_into(f, nullptr);
	return f;
}

std::string path_full(const std::string& path, bool* absent)
{
	*absent = false;
	std::string f = path;
	full_into(f, absent);
	return f;
}

void findPath(char* path) { find_path(path); }

// findPath; true when nothing stands at the path it leaves.
static bool find_path(char* path)
{
	struct stat st;
	// a name there as spelled, a link to nothing included, is kept as it is
	if (lstat(path, &st) == 0) return false;
	const bool not_there = errno == ENOENT;
	// Most often a new file in a folder that is there as spelled: only the
	// name is looked for, without a look at each folder on the way.
	char* last = strrchr(path, '/');
	if (last && last != path && last[1]) {
		*last = 0;
		bool folder_there = stat(path, &st) == 0 && S_ISDIR(st.st_mode);
		std::string folder = path;
		*last = '/';
		if (folder_there) {
			std::string other = other_case_entry(folder, last + 1, std::string(path, last + 1 - path), &st);
			if (!other.empty()) memcpy(last + 1, other.data(), other.size());
			return other.empty() && not_there;
		}
	}
	char* comp = path;
	std::string folder = ".";
	if (*comp == '/') {
		folder = "/";
		++comp;
	}
	while (*comp) {
		char* stop = strchr(comp, '/');
		char saved = 0;
		if (stop) { saved = *stop; *stop = 0; }
		// the exact name wins over any other case in the folder
		bool matched = lstat(path, &st) == 0;
		if (!matched) {
			std::string prefix(path, comp - path);
			std::string other = other_case_entry(folder, comp, prefix);
			if (!other.empty()) {
				memcpy(comp, other.data(), strlen(comp));
				matched = true;
			}
		}
		if (stop) *stop = saved;
		if (!matched || !stop) return false;
		folder = std::string(path, stop - path);
		if (folder.empty()) folder = "/";
		comp = stop + 1;
	}
	return false;
}

static bool valid_utf8(const std::string& s)
{
	size_t i = 0, n = s.size();
	while (i < n) {
		unsigned char c = s[i];
		int more;
		if (c < 0x80) more = 0;
		else if ((c & 0xE0) == 0xC0) more = 1;
		else if ((c & 0xF0) == 0xE0) more = 2;
		else if ((c & 0xF8) == 0xF0) more = 3;
		else return false;
		for (int k = 1; k <= more; ++k)
			if (i + k >= n || ((unsigned char)s[i + k] & 0xC0) != 0x80) return false;
		i += more + 1;
	}
	return true;
}

static bool mac_roman_to_utf8(std::string& s)
{
	iconv_t cd = iconv_open("UTF-8", "MACINTOSH");
	if (cd == (iconv_t)-1) return false;
	std::string out(s.size() * 4 + 4, '\0');
	char* in = &s[0];
	size_t in_left = s.size();
	char* o = &out[0];
	size_t out_left = out.size();
	size_t r = iconv(cd, &in, &in_left, &o, &out_left);
	iconv_close(cd);
	if (r == (size_t)-1) return false;
	out.resize(out.size() - out_left);
	s = out;
	return true;
}

void set_path_to_right_dirchars(std::string& path)
{
	if (!path.empty() && !valid_utf8(path)) mac_roman_to_utf8(path);
	for (char& c : path)
		if (c == '\\' || c == ':') c = '/';
}

void get_OS_abs_path(os_dir_type which, std::string& out)
{
	if (which == os_dir_app_folder || which == os_dir_app_bundle) {
		MACIBM_set_app_path(&out, which == os_dir_app_bundle ? 1 : 0);
		return;
	}
	int kind;
	if (which == os_dir_desktop || which == os_dir_desktop_b) kind = PLAT_folder_desktop;
	else if (which == os_dir_temp) kind = PLAT_folder_temp;
	else if (which == os_dir_prefs) kind = PLAT_folder_prefs;
	else return;
	std::string p;
	// the system's own path, used as it is: ':' and backslashes are name characters here
	if (PLAT_user_folder(kind, p) != 0) return;
	out = p;
}

void get_file_with_path(std::string& out, const std::string& path)
{
	size_t n = path.size();
	if (n == 0) { out.clear(); return; }
	size_t end = n - 1;
	if (n > 2 && path[n - 1] == '/') end = n - 2;
	size_t k = path.rfind('/', end);
	out = k == std::string::npos ? path : path.substr(k + 1);
}

void get_path_with_path(std::string& out, const std::string& path)
{
	std::string file;
	get_file_with_path(file, path);
	out = path.substr(0, path.size() - file.size());
}

int FilePathToFSRefAndName(const char* path, FSRef* ref, std::string* name)
{
	std::string p = path ? path : "";
	struct stat st;
	if (!name) {
		if (p.empty() || stat(p.c_str(), &st) != 0) return err_file_not_found;
		ref->path = p;
		return 0;
	}
	get_file_with_path(*name, p);
	std::string parent = p.substr(0, p.size() - name->size());
	if (parent.size() > 1 && parent.back() == '/') parent.pop_back();
	if (parent.empty()) parent = ".";
	if (stat(parent.c_str(), &st) != 0) return err_file_not_found;
	if (!S_ISDIR(st.st_mode)) return -120;
	ref->path = parent;
	return 0;
}

int FSRefToFilePath(FSRef* ref, std::string& out)
{
	char buf[PATH_MAX];
	if (!ref || !realpath(ref->path.c_str(), buf)) return -1;
	std::string p = buf;
	if (p.size() > 2047) return -1;
	out = p;
	return 0;
}

// Colon-separated form: "/a/b/c" gives "a:b:c"; a folder keeps a final ":".
void ConvertPathToCFM(std::string& path)
{
	bool folder = !path.empty() && path.back() == '/';
	std::string r = path;
	while (!r.empty() && r[0] == '/') r.erase(0, 1);
	while (!r.empty() && r.back() == '/') r.pop_back();
	for (char& c : r)
		if (c == '/') c = ':';
	path = r;
	if (folder && !path.empty() && path.back() != ':') path += ':';
}

short* EndianFlipShort(short* p)
{
	unsigned short v = (unsigned short)*p;
	*p = (short)(unsigned short)((v >> 8) | (v << 8));
	return p;
}

int32_t EndianFlipLong(int32_t* p)
{
	uint32_t v = (uint32_t)*p;
	v = (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
	*p = (int32_t)v;
	return *p;
}

int load_bundle_by_filename(const char* name, int alert, void** out)
{
	if (!name || !*name) {
		if (alert) __MACIBM_alert(0, "Could not make strsing.", "", "", name ? name : "", t_exit, __FILE__, __LINE__);
		return -50;
	}
	void* h = dlopen(name, RTLD_NOW | RTLD_GLOBAL);
	if (!h) {
		if (alert) __MACIBM_alert(0, "Could not load code for framework", "", "", name, t_exit, __FILE__, __LINE__);
		return -37;
	}
	if (out) *out = h;
	else dlclose(h);
	return 0;
}
