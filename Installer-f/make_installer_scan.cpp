// The builder's configuration, the scan of the master tree and the set filter.
#include "make_installer.h"
#include "make_installer_deps.h"
#include <algorithm>

int build_type = 0;
int reg = 0;

std::string old_dir_path  = "/VOLUMES/-VANTOR9-/-build-rsrc-/directory920rc4.txt";
std::string src_fold      = "/VOLUMES/-VANTOR9-/-build-rsrc-/Rootdeck Reference/";
std::string dst_fold_base = "/VOLUMES/-VANTOR9-/-upload-/";
std::string dst_folder;
std::string sim_name = "-";
std::string build_name[3] = {"Vantor 9", "Mars", "Moon"};
std::string ALL_str = "All", APL_str = "Macintosh", WIN_str = "Windows", LIN_str = "Linux";

std::string str_all_fold, str_apl_fold, str_win_fold, str_LIN_fold, str_ins_fold, str_wpn_fold,
	str_afl_fold, str_acf_fold, str_pfc_fold, str_res_fold, str_out_fold, str_cus_fold, str_glo_fold,
	str_plug, str_redt, str_orbt, str_erth1, str_erth2, str_mars, str_moon;

int found_all_fold, found_apl_fold, found_win_fold, found_LIN_fold, found_ins_fold, found_wpn_fold,
	found_afl_fold, found_acf_fold, found_res_fold, found_out_fold, found_cus_fold, found_glo_fold,
	found_plug, found_redt, found_orbt;

std::vector<std::string> comp_files;
std::set<std::string>    comp_paths;
int num_files_rec, num_files_use, num_files_com;

static void build_content_paths()
{
	str_all_fold = src_fold + ALL_str + "/";
	str_apl_fold = src_fold + APL_str + "/";
	str_win_fold = src_fold + WIN_str + "/";
	str_LIN_fold = src_fold + LIN_str + "/";
	str_ins_fold = str_all_fold + "Instructions/";
	str_wpn_fold = str_all_fold + "Weapons/";
	str_afl_fold = str_all_fold + "Airfoils/";
	str_acf_fold = str_all_fold + "Aircraft/";
	str_pfc_fold = str_all_fold + "install_pfc Aircraft/";
	str_res_fold = str_all_fold + "Resources/";
	str_out_fold = str_all_fold + "Output/";
	str_cus_fold = str_all_fold + "Custom Scenery/";
	str_glo_fold = str_all_fold + "Global Scenery/";
	str_plug     = str_all_fold + "Resources/plugins/";
	str_redt     = str_all_fold + "Resources/default scenery/900 red terrain/";
	str_orbt     = str_all_fold + "Resources/bitmaps/Earth Orbit Textures/";
	str_erth1    = str_all_fold + "Global Scenery/-global overlays-";
	str_erth2    = str_all_fold + "Global Scenery/-global terrain-";
	str_mars     = str_all_fold + "Custom Scenery/DSF 900 Mars World-Wide";
	str_moon     = str_all_fold + "Custom Scenery/DSF 900 Moon World-Wide";
}

static struct content_paths_init { content_paths_init() { build_content_paths(); } } content_paths_init_once;

void make_installer_set_paths(const std::string& src, const std::string& dst, const std::string& old_dir)
{
	src_fold = src;
	dst_fold_base = dst;
	old_dir_path = old_dir;
	build_content_paths();
}

static bool contains(const std::string& s, const std::string& what) { return s.find(what) != std::string::npos; }
static bool ends_with(const std::string& s, const std::string& what)
{
	return s.size() >= what.size() && s.compare(s.size() - what.size(), what.size(), what) == 0;
}

void set_dest_dvd(int disk)
{
	if (build_type == 0) return;
	dst_folder = dst_fold_base + "disk_" + std::to_string(disk) + "/";
}

static void move_to_end(std::vector<std::string>& names, std::vector<int>& kinds, const std::string& name)
{
	for (size_t i = 0; i < names.size(); ++i) {
		if (names[i] != name) continue;
		if (kinds[i] != 1)
			MI_STOP("rel_assert Error! Possibly an out of range vector! Attach the debugger and see who called this!",
			        "dir_file_types[n] == tFOL", "pref_level", "Please report this to Tarrowfield.");
		std::string n = names[i];
		int k = kinds[i];
		names.erase(names.begin() + i);
		kinds.erase(kinds.begin() + i);
		names.push_back(n);
		kinds.push_back(k);
		return;
	}
}

static void mark_found(const std::string& path)
{
	struct { const std::string* p; int* flag; } table[] = {
		{&str_all_fold, &found_all_fold}, {&str_apl_fold, &found_apl_fold}, {&str_win_fold, &found_win_fold},
		{&str_LIN_fold, &found_LIN_fold}, {&str_ins_fold, &found_ins_fold}, {&str_wpn_fold, &found_wpn_fold},
		{&str_afl_fold, &found_afl_fold}, {&str_acf_fold, &found_acf_fold}, {&str_res_fold, &found_res_fold},
		{&str_out_fold, &found_out_fold}, {&str_cus_fold, &found_cus_fold}, {&str_glo_fold, &found_glo_fold},
		{&str_plug, &found_plug}, {&str_redt, &found_redt}, {&str_orbt, &found_orbt}};
	for (auto& t : table)
		if (path == *t.p) { *t.flag = 1; return; }
}

static std::string num(int n)
{
	char buf[16];
	int_to_str(n, buf, 1, 0);
	return buf;
}

void pref_level(const std::string& folder)
{
	std::vector<std::string> names;
	std::vector<int> kinds;
	opensave_getitems(folder, 0, names, kinds);
	if (folder == str_all_fold) move_to_end(names, kinds, "Global Scenery");
	if (folder == src_fold) move_to_end(names, kinds, ALL_str);

	static const char* allowed_in_all[] = {"Aircraft/", "Airfoils/", "Instructions/", "Output/",
		"install_pfc Aircraft/", "Resources/", "Weapons/", "Custom Scenery/", "Global Scenery/"};

	for (size_t i = 0; i < names.size(); ++i) {
		const std::string& name = names[i];
		bool is_folder = kinds[i] == 1;
		std::string entry = app_path + folder + name + (is_folder ? "/" : "");
		if (!name.empty() && name.back() == ' ')
			MI_STOP("YOU IDIOT!", "You tried to include a file or directory with a space at the end!",
			        "Names ending in a blank do not survive on every platform.", entry);
		if (contains(entry, ":")) MI_STOP("YOU IDIOT!", "found a  : in the path!", entry, "");
		if (contains(entry, "\\")) MI_STOP("YOU IDIOT!", "found a \\ in the path!", entry, "");

		if (is_folder) {
			mark_found(entry);
			if (folder == str_all_fold) {
				std::string with_slash = name + "/";
				bool ok = false;
				for (const char* a : allowed_in_all) ok = ok || with_slash == a;
				if (!ok) MI_STOP("What the hell is THIS doing in here!?!?!?", name, entry, with_slash);
			}
			pref_level(folder + name + "/");
			continue;
		}

		if (contains(entry, "copy") && !contains(entry, "bitmaps/interface/copy.png"))
			MI_STOP("YOU IDIOT!", "found a copy file!", entry, "");
		if (contains(entry, ".cpp")) MI_STOP("YOU IDIOT!", "found a .cpp file!", entry, "");
		if (contains(entry, ".CPP")) MI_STOP("YOU IDIOT!", "found a .CPP file!", entry, "");
		if (folder == str_all_fold)
			MI_STOP("YOU IDIOT!", "I FOUND A FILE INSIDE THE 'ALL' FOLDER! WE SHOULD ONLY HAVE FOLDERS THERE!", entry, "");

		++num_files_rec;
		std::string src = folder + name;
		if (is_good_file(src, 0, 1) == 1) {
			++num_files_use;
			comp_files.push_back(src);
			std::string below = src.substr(src_fold.size());
			for (int disk = 0; disk <= 5; ++disk) {
				set_dest_dvd(disk);
				std::string p = dst_folder + sim_name + "/" + below;
				for (size_t cut; (cut = p.rfind('/')) != std::string::npos;) {
					p.erase(cut);
					if (!p.empty() && p.size() >= dst_fold_base.size()) comp_paths.insert(p);
				}
			}
		}
		if (num_files_rec % 500 == 0)
			make_installer_progress("reg: " + num(reg) + ": total files recursed: " + num(num_files_rec) +
			                        ". will compress: " + num(num_files_use) + ".", src);
	}
}

int is_good_file(std::string path, int first, int need_readable)
{
	if (first == 0 && need_readable != 0 && !is_sim_link(path, nullptr)) {
		xmap_class m(path);
		if (!m.begin) return 0;
	}
	static const char* never[] = {".7z", "Thumbs.db", "work.", "._", ".DS_Store", ".sandboxinfo", ".xSYM"};
	for (const char* n : never)
		if (contains(path, n)) return 0;
	if (ends_with(path, ".ovw") || ends_with(path, ".ac")) return 0;
	if (contains(path, "serverlist.txt") || contains(path, "Vantor Pilot.txt")) return 0;
	for (const char* e : {".prf", ".fms", ".sit", ".mov", ".bak"})
		if (ends_with(path, e)) return 0;
	if (contains(path, ".dsf.txt") || contains(path, "/Output/preferences/")) return 0;
	if (contains(path, str_pfc_fold)) return 0;

	bool R = contains(path, str_redt), O = contains(path, str_orbt);
	bool E = contains(path, str_erth1) || contains(path, str_erth2);
	bool M = contains(path, str_mars), N = contains(path, str_moon);
	switch (build_type) {
	case 0: return !(R || O || E || M || N);
	case 1: return (M || N) ? 0 : 1;
	case 2: return M ? 1 : 0;
	case 3: return N ? 1 : 0;
	}
	MI_STOP("I can not tell what type of install this is!", "", "", "");
	return 0;
}

void check_required_folders()
{
	struct { int* flag; const char* tag; const std::string* folder; bool needed; } table[] = {
		{&found_all_fold, "!found_all_fold", &str_all_fold, true},
		{&found_apl_fold, "!found_apl_fold", &str_apl_fold, true},
		{&found_win_fold, "!found_win_fold", &str_win_fold, true},
		{&found_LIN_fold, "!found_X86_fold", &str_LIN_fold, true},
		{&found_ins_fold, "!found_ins_fold", &str_ins_fold, true},
		{&found_wpn_fold, "!found_wpn_fold", &str_wpn_fold, true},
		{&found_afl_fold, "!found_afl_fold", &str_afl_fold, true},
		{&found_acf_fold, "!found_acf_fold", &str_acf_fold, true},
		{&found_res_fold, "!found_res_fold", &str_res_fold, true},
		{&found_out_fold, "!found_out_fold", &str_out_fold, true},
		{&found_cus_fold, "!found_cus_fold", &str_cus_fold, true},
		{&found_glo_fold, "!found_glo_fold", &str_glo_fold, build_type == 1},
		{&found_plug, "!found_plug\t ", &str_plug, true},
		{&found_redt, "!found_redt\t ", &str_redt, build_type == 1},
		{&found_orbt, "!found_orbt\t ", &str_orbt, build_type == 1}};
	for (auto& t : table)
		if (t.needed && !*t.flag) MI_STOP("YOU IDIOT!", t.tag, *t.folder, "");
}
