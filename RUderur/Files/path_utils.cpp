#include "path_utils.h"
#include "UTL_alert.h"
#include "UTL_globals.h"
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <iconv.h>
#include <strings.h>
#include <sys/stat.h>

int g_case_sensitive = 0;

static std::atomic<path_case_taken_fn> case_taken{nullptr};

void path_set_case_taken(path_case_taken_fn fn) { case_taken.store(fn); }

// The entry of `folder` equal to `comp` but for case, or empty; an entry the
// owner of the names says is taken is never chosen.
static std::string other_case_entry(const std::string& folder, const char* comp, const std::string& prefix)
{
	std::string found;
	DIR* d = opendir(folder.c_str());
	if (!d) return found;
	path_case_taken_fn taken = case_taken.load();
	while (struct dirent* e = readdir(d)) {
		if (strcasecmp(e->d_name, comp) != 0) continue;
		if (taken && taken(prefix + e->d_name)) continue;
		found = e->d_name;
		break;
	}
	closedir(d);
	return found;
}

void set_path_to_full(std::string& path)
{
	path = app_path + path;
	if (!g_case_sensitive || path.empty() || path.size() > 499) return;
	char buf[500];
	memcpy(buf, path.c_str(), path.size() + 1);
	findPath(buf);
	path = buf;
}

std::string path_full(const std::string& path)
{
	std::string f = path;
	set_path_to_full(f);
	return f;
}

void findPath(char* path)
{
	struct stat st;
	if (stat(path, &st) == 0) return;
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
		if (!matched || !stop) return;
		folder = std::string(path, stop - path);
		if (folder.empty()) folder = "/";
		comp = stop + 1;
	}
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
