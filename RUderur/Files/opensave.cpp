#include "opensave.h"
#include "path_utils.h"
#include "PLAT_platform.h"
#include "UTL_alert.h"
#include "UTL_cmnd.h"
#include <cctype>
#include <cstring>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

struct ext_kind { const char* ext; int kind; };
static const ext_kind kExtKinds[] = {
	{".AFL", kind_afl}, {".WPN", kind_wpn}, {".ACF", kind_acf}, {".OBJ", kind_obj}, {".SIT", kind_sit},
	{".SMO", kind_smo}, {".TXT", kind_txt}, {".FMS", kind_fms}, {".TRA", kind_tra}, {".CAR", kind_car},
	{".SPA", kind_spa}, {".REG", kind_reg}, {".WAV", kind_wav}, {".BMP", kind_image}, {".PNG", kind_image},
	{".FDR", kind_fdr}, {".DSF", kind_dsf}, {".HGT", kind_hgt}
};

int opensave_takeit(const std::string& folder, const std::string& name, int filter, int& kind)
{
	if (name.size() >= 4) {
		char ext[5];
		for (int i = 0; i < 4; ++i) ext[i] = (char)toupper((unsigned char)name[name.size() - 4 + i]);
		ext[4] = 0;
		for (const ext_kind& e : kExtKinds)
			if (strcmp(ext, e.ext) == 0) { kind = e.kind; break; }
	}
	if (filter == kind_panel) {
		std::string joined = folder + name;
		if (joined.size() > 499 || joined.size() < 6) return 0;
		static const char prefix[] = "Resources/bitmaps/cockpit/-panels-/";
		if (strncasecmp(joined.c_str(), prefix, 32) == 0) return 0;
		const char* v = joined.c_str() + joined.size() - 6;
		if (v[0] == '-' && v[1] >= '1' && v[1] <= '4' && v[2] == '.') return 0;
	}
	if (name.empty() || name[0] == '.') return 0;
	return kind == kind_folder || kind == filter || filter == 0 || (filter == kind_panel && kind == kind_image);
}

static bool name_before(const std::string& a, const std::string& b)
{
	size_t n = a.size() < b.size() ? a.size() : b.size();
	for (size_t i = 0; i < n; ++i) {
		int ca = tolower((signed char)a[i]), cb = tolower((signed char)b[i]);
		if (ca != cb) return ca < cb;
	}
	return a.size() < b.size();
}

int opensave_getitems(const std::string& folder, int filter, std::vector<std::string>& names, std::vector<int>& kinds)
{
	names.clear();
	kinds.clear();
	if (filter == kind_cmnd_list || filter == kind_cmnd_path) {
		if (filter == kind_cmnd_path) cmnd.get_cmds_in_path(folder, names);
		for (std::string& n : names) {
			bool sub = !n.empty() && n.back() == '/';
			if (sub) n.pop_back();
			kinds.push_back(sub ? kind_folder : filter);
		}
		return (int)names.size();
	}
	std::string f = folder;
	set_path_to_full(f);
	if (f.size() > 1 && f.back() != '/')
		__MACIBM_alert(0, "Working path does not appear to be a directory!", "This is not consistent with my labelling practices!",
		               "I need to end all paths with the directory indicator!", folder, t_exit, __FILE__, __LINE__);
	DIR* d = opendir(f.empty() ? "." : f.c_str());
	if (!d) return 0;
	while (struct dirent* e = readdir(d)) {
		std::string name = e->d_name;
		struct stat st;
		int kind = (lstat((f + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? kind_folder : kind_any;
		if (opensave_takeit(folder, name, filter, kind)) {
			names.push_back(name);
			kinds.push_back(kind);
		}
	}
	(void)closedir(d);	// only read: its close tells nothing
	for (size_t k = 1; k < names.size(); ++k)
		for (size_t j = 0; j < k; ++j)
			if (name_before(names[k], names[j])) {
				std::swap(names[k], names[j]);
				std::swap(kinds[k], kinds[j]);
			}
	return (int)names.size();
}

int GetFilePathFromUser(int mode, const std::string& message, const std::string&, int,
                        const std::string& start_folder, std::string& result)
{
	std::string start = start_folder;
	if (mode == 1 && !result.empty()) start = start_folder + (start_folder.empty() || start_folder.back() == '/' ? "" : "/") + result;
	std::string chosen;
	if (!PLAT_choose_path(mode, message, start, chosen)) return 0;
	if (mode == 1) {
		std::string folder;
		get_path_with_path(folder, chosen);	// the reply names the folder, not the typed name
		if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
		if (folder.empty()) return 0;
		chosen = folder;
	}
	result = chosen;
	return 1;
}

void DoUserAlert(const char* text)
{
	std::string t = text ? text : "";
	if (t.size() > 255) t.resize(255);
	PLAT_standard_alert(t, "");
}
