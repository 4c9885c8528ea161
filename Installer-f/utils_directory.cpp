// The directory file reader, the filters, the scenery tiles and the path rules.
#include "utils.h"
#include "utils_internal.h"
#include "utils_site.h"
#include "xmap.h"
#include "UTL_alert.h"
#include "UTL_format.h"
#include "UTL_log.h"
#include "UTL_translate.h"
#include "path_utils.h"
#include <climits>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <memory>
#include <unordered_set>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

static inline bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Keyword at the start of a line (after blanks), followed by a blank or a tab.
static bool line_keyword(const char*& p, const char* e, const char* word)
{
	size_t n = strlen(word);
	if ((size_t)(e - p) <= n || memcmp(p, word, n) != 0 || !is_blank(p[n])) return false;
	p += n;
	return true;
}

static void skip_blanks(const char*& p, const char* e)
{
	while (p < e && is_blank(*p)) ++p;
}

static std::string next_token(const char*& p, const char* e)
{
	skip_blanks(p, e);
	const char* s = p;
	while (p < e && !is_blank(*p)) ++p;
	return std::string(s, p - s);
}

// A decimal integer at the front of the text, saturated; the rest is ignored.
static int int_of(const std::string& t)
{
	long long v = strtoll(t.c_str(), nullptr, 10);
	if (v > INT_MAX) v = INT_MAX;
	if (v < INT_MIN) v = INT_MIN;
	return (int)v;
}

// Sizes in kilobytes of 1000 bytes: none below zero, none past 1 TB (a saturated
// or absurd column).
static const float listed_kb_max = 1e9f;

static bool listed_kb_is_real(float kb) { return kb >= 0 && kb <= listed_kb_max; }

int listed_path_take(std::string& path, std::string& why)
{
	if (path.find('\0') != std::string::npos) {
		why = "it holds a NUL byte, which no file name can";
		return 0;
	}
	if (path.empty() || path[0] == '/') {
		why = "it would leave the install folder";
		return 0;
	}
	// the platform folder, then the path in the copy, segment by segment
	const size_t slash = path.find('/');
	const std::string root = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
	const std::string below = slash == std::string::npos ? path : path.substr(slash + 1);
	std::vector<std::string> parts;
	std::string last;
	for (size_t at = 0; at <= below.size();) {
		size_t end = below.find('/', at);
		if (end == std::string::npos) end = below.size();
		last = below.substr(at, end - at);
		if (last == "..") {
			if (parts.empty()) {
				why = "it would leave the install folder";
				return 0;
			}
			parts.pop_back();
		} else if (!last.empty() && last != ".") {
			parts.push_back(last);
		}
		at = end + 1;
	}
	if (parts.empty() || last.empty() || last == "." || last == "..") {
		why = "it names a folder, not a file";
		return 0;
	}
	path = root;
	for (size_t k = 0; k < parts.size(); ++k) path += (k ? "/" : "") + parts[k];
	return 1;
}

int signature_is_valid(const std::string& sig)
{
	if (sig == "GONE") return 1;
	if (sig.size() != 32) return 0;
	for (char c : sig)
		if (!isxdigit((unsigned char)c)) return 0;
	return 1;
}

int directory_file_present(const std::string& path)
{
	struct stat st;
	if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return 0;
	return access(path.c_str(), R_OK) == 0;
}

// Every listed path below its platform folder, tombstones included, and each
// folder on the way: names the case repair of a path never takes for another
// name, so two names that differ in case stay two files.
static std::shared_ptr<const std::unordered_set<std::string>> listed_names;

static int listed_name_taken(const std::string& candidate)
{
	std::shared_ptr<const std::unordered_set<std::string>> names = std::atomic_load(&listed_names);
	if (!names) return 0;
	if (names->count(candidate)) return 1;
	for (size_t at = candidate.find('/'); at != std::string::npos; at = candidate.find('/', at + 1))
		if (names->count(candidate.substr(at + 1))) return 1;
	return 0;
}

static void note_listed_names()
{
	auto names = std::make_shared<std::unordered_set<std::string>>();
	for (auto& h : sim_info) {
		std::string rel = h.versions.back().path;
		trim_dest_folder(rel);
		for (size_t at = rel.find('/'); at != std::string::npos; at = rel.find('/', at + 1)) names->insert(rel.substr(0, at));
		names->insert(rel);
	}
	std::atomic_store(&listed_names, std::shared_ptr<const std::unordered_set<std::string>>(names));
	path_set_case_taken(listed_name_taken);
}

int read_directory(const std::string& path, std::string status_text)
{
	(void)status_text;
	g_engine.deleted_files.clear();
	g_engine.stg.total_kb_download = 0;
	g_engine.stg.total_kb_install = 0;
	g_engine.stg.files_to_install = 0;
	g_engine.stg.files_to_delete = 0;
	g_engine.sim_info.clear();
	note_listed_names();
	g_engine.refused_listed.clear();

	// A missing directory file is the source's failure, for the caller to handle.
	xmap_class x(path);
	if (!x.begin || x.end <= x.begin) {
		xer << "I tried to read a directory file that does not exist or is empty: " << path << "\n";
		return stage_failed;
	}
	// a file that is no typed text at all is a damaged or wrong one, not a newer format
	if (!x.has_text_header()) {
		xer << "The directory file " << UTL_log_safe(path) << " is no typed text file: it is damaged or the wrong one.\n";
		return stage_failed;
	}
	static const int versions[] = {840, 900, 0};
	if (x.check_file(file_type_txt, versions, "INSTALLER", nullptr) == 0) {
		new_format(path);
		return stage_failed;
	}

	std::string prefix, prev_path;
	int disk = 0;
	const char* p = x.cursor;
	const char* end = x.end;
	while (p < end) {
		const char* le = (const char*)memchr(p, '\n', end - p);
		if (!le) le = end;
		const char* next_line = le < end ? le + 1 : end;
		if (le > p && le[-1] == '\r') --le;
		const char* c = p;
		p = next_line;
		skip_blanks(c, le);

		if (line_keyword(c, le, "DIR")) {
			skip_blanks(c, le);
			prefix.assign(c, le - c);
		} else if (line_keyword(c, le, "DISK")) {
			disk = int_of(next_token(c, le));
		} else if (line_keyword(c, le, "FILE")) {
			std::string cols[6];
			for (auto& col : cols) col = next_token(c, le);
			if (cols[5].empty()) continue;	// a cut-off line
			skip_blanks(c, le);
			std::string name(c, le - c);

			file_version_struct v;
			v.os = int_of(cols[1]);
			if (v.os < 0) v.os = 0;
			if (v.os > 6) v.os = 6;
			v.version = int_of(cols[2]);
			v.kb1 = (float)int_of(cols[3]);
			v.kb2 = (float)int_of(cols[4]);
			v.sig_want = cols[5];
			v.disk = disk;
			// The sizes bound the unpacking and the disk space asked for: one no file can have is no size.
			if (!listed_kb_is_real(v.kb1) || !listed_kb_is_real(v.kb2)) {
				if (v.sig_want != "GONE") g_engine.refused_listed.push_back({prefix + name, v.os, "its sizes are not sizes of a file"});
				xer << "Refused listed file '" << UTL_log_safe(name) << "': its sizes " << UTL_log_safe(cols[3]) << " and "
				    << UTL_log_safe(cols[4]) << " kB are not sizes of a file.\n";
				continue;
			}
			// The signature names temporary files: nothing but an MD5 or the tombstone.
			if (!signature_is_valid(v.sig_want)) {
				g_engine.refused_listed.push_back({prefix + name, v.os, "its signature is neither an MD5 nor GONE"});
				xer << "Refused listed file '" << UTL_log_safe(name) << "': its signature '" << UTL_log_safe(v.sig_want)
				    << "' is neither an MD5 nor GONE.\n";
				continue;
			}
			if (v.sig_want != "GONE")
				for (char& ch : v.sig_want)
					if (ch >= 'A' && ch <= 'F') ch = (char)(ch - 'A' + 'a');

			if (name.find("900 red terrain") != std::string::npos ||
			    name.find("Earth Orbit Textures") != std::string::npos)
				continue;
			v.path = prefix + name;
			// Never let a listed path reach outside the copy; a folder cannot be
			// downloaded or deleted as a file. Either entry is left out.
			std::string why;
			if (!listed_path_take(v.path, why)) {
				if (v.sig_want != "GONE") g_engine.refused_listed.push_back({v.path, v.os, why});
				xer << "Refused listed path '" << UTL_log_safe(v.path) << "': " << why << ".\n";
				continue;
			}
			v.is_global = is_global_scenery_f(v.path.c_str());
			if (v.is_global && !find_sector(&v.lon_i, &v.lat_i, v.path)) v.is_global = 0;
			if (v.path != prev_path || sim_info.empty()) {
				g_engine.sim_info.push_back(file_history_struct());
				prev_path = v.path;
			}
			g_engine.sim_info.back().versions.push_back(v);
		}
	}
	if (!refused_listed.empty()) xer.flush();

	int scenery = 0, other = 0;
	memset(g_engine.stg.tile_avail, 0, sizeof(g_engine.stg.tile_avail));
	for (auto& h : sim_info) {
		const file_version_struct& v = h.versions.back();
		if (v.is_global) {
			++scenery;
			g_engine.stg.tile_avail[v.lon_i][v.lat_i] = 1;
		} else
			++other;
	}
	g_engine.stg.disk_has_scenery = scenery > 0;
	g_engine.stg.disk_has_sim = other > 0;
	note_listed_names();
	return stage_ready;
}

int is_global_scenery_f(const char* path)
{
	if (!path) return 0;
	if (!strstr(path, "Global Scenery/") && !strstr(path, "/-global overlays-/") &&
	    !strstr(path, "/-global terrain-/") && !strstr(path, "/default scenery/DSF 820"))
		return 0;
	size_t n = strlen(path);
	return n > 4 && strcasecmp(path + n - 4, ".dsf") == 0;
}

int find_sector(int* lon_i, int* lat_i, std::string path)
{
	if (!path.empty() && path.back() == '/') path.pop_back();
	size_t slash = path.rfind('/');
	std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
	int lat = str_to_int(name.substr(0, 3));
	int lon = str_to_int(name.size() > 3 ? name.substr(3, 4) : std::string());
	*lat_i = (lat + 90) / 10;
	*lon_i = (lon + 180) / 10;
	return *lat_i >= 0 && *lat_i <= 17 && *lon_i >= 0 && *lon_i <= 35;
}

int want_this_f(int file, int version)
{
	if (file < 0 || file >= (int)sim_info.size()) return 0;
	const auto& h = sim_info[file].versions;
	if (version < 0 || version >= (int)h.size()) return 0;
	const file_version_struct& v = h[version];
	if (v.is_global && !g_want_global) return 0;
	if (!v.is_global && !g_want_sim) return 0;
	return v.os == stg.target_os || v.os == 0 || (v.os == 6 && stg.target_os == 3);
}

void set_install_filter(int want_sim, int want_global)
{
	g_engine.want_sim = want_sim;
	g_engine.want_global = want_global;
}

void scenery_take_all() { memcpy(g_engine.stg.tile_wanted, g_engine.stg.tile_avail, sizeof(g_engine.stg.tile_wanted)); }

void scenery_take_none() { memset(g_engine.stg.tile_wanted, 0, sizeof(g_engine.stg.tile_wanted)); }

void scenery_from_install()
{
	scenery_take_none();
	for (auto& h : sim_info) {
		const file_version_struct& v = h.versions.back();
		if (v.is_global && v.sig_have != "NONE") g_engine.stg.tile_wanted[v.lon_i][v.lat_i] = 1;
	}
}

std::string suffix_for_file(int file)
{
	return sim_info[file].versions.back().path.find("Global Scenery") != std::string::npos ? ".7z" : ".zip";
}

void trim_dest_folder(std::string& path)
{
	size_t slash = path.find('/');
	if (slash != std::string::npos) path.erase(0, slash + 1);
}

int path_has_no_file(std::string path) { return !path.empty() && path.back() == '/'; }

void new_format(std::string path)
{
	APL_alert(UTL_translate_string("OK I am checking the Tarrowfield servers and I am finding file formats that are newer than I can understand!", 0),
	          UTL_translate_string("In other words, you need to get a new installer!", 0),
	          UTL_translate_string("No problem... grab it at the download section of ", 0) + net_site_host + ".",
	          path, t_alert);
	(void)go_to_URL(net_download_page);	// a browser that does not open is logged with why
	g_engine.stg.new_format_flag = new_format_told;
	app_done = 1;
}

void new_installer(std::string url)
{
	APL_alert(UTL_translate_string("There is a newer version of the Vantor web demo installer available.", 0),
	          UTL_translate_string("I will take you to the web page where you can downoad it.", 0), "", "", t_alert);
	// the list's address may be anything: what is no web page is refused, and
	// the maker's download page opens in its place
	if (!go_to_URL(url) && !UTL_url_is_web(url)) (void)go_to_URL(net_download_page);	// logged with why
	app_done = 1;
}
