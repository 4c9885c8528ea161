// The builder's configuration, the scan of the master tree and the set filter.
#include "make_installer.h"
#include "make_installer_deps.h"
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

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
		// a file of that name is refused by the rules of its place and the missing folder
		if (names[i] != name || kinds[i] != 1) continue;
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

std::vector<master_refusal> master_refusals;
std::set<std::string>       master_empty_files;

static void refuse(const std::string& path, const std::string& reason, const std::string& detail = "")
{
	master_refusals.push_back({path, reason, detail});
}

// The longest name an archive of the set can be made for: its file name
// adds ".zip" and no file system holds a name of more than 255 bytes.
enum { longest_name = 255 - 4 };
// The longest path below the master root: with the copy's own folder in
// front it stays within the 1024 bytes a path may have on Mac OS.
enum { longest_path = 768 };

// What a name cannot be, wherever it lies: the directory file carries a name
// to the end of its line after the blanks that part the columns, and every
// copy's file system holds it.
static void refuse_name(const std::string& entry, const std::string& name, const std::string& rel)
{
	if (!name.empty() && name.back() == ' ')
		refuse(entry, "You tried to include a file or directory with a space at the end!");
	if (contains(entry, ":")) refuse(entry, "found a  : in the path!");
	if (contains(entry, "\\")) refuse(entry, "found a \\ in the path!");
	for (unsigned char c : name)
		if (c < 0x20 || c == 0x7f) {
			refuse(entry, "a name holding a control character (a line end, a tab, ...): the directory file cannot carry it");
			break;
		}
	if (!name.empty() && (name[0] == ' ' || name[0] == '\t'))
		refuse(entry, "a name beginning with a blank: the directory file cannot carry it");
	if (name.size() > longest_name)
		refuse(entry, "a name too long for its archive: at most " + num(longest_name) + " bytes",
		       num((int)name.size()) + " bytes");
	if (rel.size() > longest_path)
		refuse(entry, "a path too long for a copy: at most " + num(longest_path) + " bytes below the master root",
		       num((int)rel.size()) + " bytes");
}

// The path below the master root that a relative link's text names, taken
// from the link's folder; the link's platform folder becomes the copy's root,
// so a text that climbs above it leads out of every copy. False then.
static bool link_target(const std::string& rel, const std::string& text, std::string& target)
{
	std::vector<std::string> at;
	size_t first = rel.find('/');
	for (size_t from = first + 1, slash; (slash = rel.find('/', from)) != std::string::npos; from = slash + 1)
		at.push_back(rel.substr(from, slash - from));
	for (size_t from = 0; from <= text.size();) {
		size_t slash = std::min(text.find('/', from), text.size());
		std::string part = text.substr(from, slash - from);
		from = slash + 1;
		if (part.empty() || part == ".") continue;
		if (part != "..") at.push_back(part);
		else if (at.empty()) return false;
		else at.pop_back();
	}
	target = rel.substr(0, first);
	for (auto& part : at) target += "/" + part;
	return true;
}

// A link the scan took so far, and the path below the master root it names.
struct link_taken {
	std::string entry, rel, target, text;
};
static std::vector<link_taken> links_taken;

// A link the set would take: one to a file inside the copy. Whether that file
// is in the set is known once the whole tree is scanned (links_to_the_set).
static void refuse_link(const std::string& entry, const std::string& src, const std::string& rel)
{
	std::string text, target;
	is_sim_link(src, &text);
	if (!text.empty() && text[0] == '/') return refuse(entry, "a link to an absolute path: no copy can hold it", text);
	if (!link_target(rel, text, target)) return refuse(entry, "a link leading out of the tree", text);
	struct stat st;
	if (stat(src.c_str(), &st) != 0)
		return refuse(entry, errno == ELOOP ? "a link in a loop of links" : "a link to nothing: its target does not exist", text);
	if (S_ISDIR(st.st_mode)) return refuse(entry, "a link to a folder: a set holds files and links to files only", text);
	links_taken.push_back({entry, rel, target, text});
}

// Every link must name a file of the set by the path the set holds it under:
// one whose target the set leaves out or refuses, or that reaches it through
// a link to a folder, would lie dangling in every copy. A link to such a link
// is refused with it.
static void links_to_the_set()
{
	std::set<std::string> in_set;
	for (auto& f : comp_files) in_set.insert(f.substr(src_fold.size()));
	for (bool again = true; again;) {
		again = false;
		for (auto& l : links_taken)
			if (in_set.count(l.rel) && !in_set.count(l.target)) {
				refuse(l.entry, "a link to a file the set leaves out", l.text);
				in_set.erase(l.rel);
				again = true;
			}
	}
	links_taken.clear();
}

// 0 when the file opens for reading, else the system's error. Opened without
// waiting and without following a link, so nothing but a file is ever read.
static int open_error(const std::string& path)
{
	int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
	if (fd < 0) return errno;
	(void)close(fd);	// read only
	return 0;
}

// What the set cannot take of a file it would take by its path: anything
// but a readable file or a link to one, and a file of no platform.
static void refuse_content(const std::string& entry, const std::string& src, const std::string& rel,
                           const struct stat& st)
{
	if (rel.find('/') == std::string::npos) refuse(entry, "Could not find the dir char!");
	else if (platform_code_for(rel) < 0) refuse(entry, "WHAT THE FUCK? I CAN'T TELL WHAT TYPE OF FILE THIS IS!");
	if (build_type != 0 && contains(rel, "Global Scenery") && !file_exists(src + ".7z"))
		refuse(entry, "ERROR: a global scenery file has no 7z archive beside it!");
	if (S_ISLNK(st.st_mode)) return refuse_link(entry, src, rel);
	if (S_ISFIFO(st.st_mode)) return refuse(entry, "a named pipe: a set holds files and links to files only");
	if (S_ISSOCK(st.st_mode)) return refuse(entry, "a socket: a set holds files and links to files only");
	if (!S_ISREG(st.st_mode)) return refuse(entry, "a device: a set holds files and links to files only");
	if (st.st_size == 0) return;
	if (int e = open_error(src)) refuse(entry, "a file that cannot be read", error_str(e));
}

// Folders are listed only when they can be: one that cannot would leave its
// files out of the set, and a release would delete them from every copy.
static bool folder_readable(const std::string& folder)
{
	DIR* d = opendir(folder.c_str());
	if (!d) {
		refuse(folder, "a folder that cannot be read", error_str(errno));
		return false;
	}
	(void)closedir(d);	// read only
	return true;
}

static void list_level(const std::string& folder, bool held);

void pref_level(const std::string& folder)
{
	bool root = folder == src_fold;
	if (root) {
		master_refusals.clear();
		master_empty_files.clear();
		links_taken.clear();
	}
	if (folder_readable(folder)) list_level(folder, true);
	if (root) links_to_the_set();
}

// One folder of the master: its entries checked, its files taken, its folders
// scanned. Below a refused folder (held false) nothing is taken: a link to a
// file there would lie dangling once the folder is gone.
static void list_level(const std::string& folder, bool held)
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
		std::string src = folder + name;
		std::string rel = src.substr(src_fold.size());
		struct stat st;
		if (lstat(src.c_str(), &st) != 0) {
			refuse(src, "an entry that cannot be examined", error_str(errno));
			continue;
		}
		bool is_folder = S_ISDIR(st.st_mode);
		std::string entry = src + (is_folder ? "/" : "");
		size_t refusals_before = master_refusals.size();	// a refused file is not in the set
		refuse_name(entry, name, rel);

		if (is_folder) {
			mark_found(entry);
			if (folder == str_all_fold) {
				std::string with_slash = name + "/";
				bool ok = false;
				for (const char* a : allowed_in_all) ok = ok || with_slash == a;
				if (!ok) refuse(entry, "What the hell is THIS doing in here!?!?!?");
			}
			if (folder_readable(src + "/")) list_level(src + "/", held && master_refusals.size() == refusals_before);
			continue;
		}

		// judged by the path inside the master: where the maker keeps it is no part of the set
		if (contains(rel, "copy") && !contains(rel, "bitmaps/interface/copy.png"))
			refuse(entry, "found a copy file!");
		if (contains(rel, ".cpp")) refuse(entry, "found a .cpp file!");
		if (contains(rel, ".CPP")) refuse(entry, "found a .CPP file!");
		if (folder == str_all_fold)
			refuse(entry, "I FOUND A FILE INSIDE THE 'ALL' FOLDER! WE SHOULD ONLY HAVE FOLDERS THERE!");

		++num_files_rec;
		bool takes = is_good_file(src, 0, 0) == 1;
		if (takes) refuse_content(entry, src, rel, st);
		// an empty file never enters a set, without a word here; a release that drops one names it
		if (S_ISREG(st.st_mode) && st.st_size == 0) {
			master_empty_files.insert(rel);
			takes = false;
		}
		if (takes && held && master_refusals.size() == refusals_before) {
			++num_files_use;
			comp_files.push_back(src);
			std::string below = src.substr(src_fold.size());
			for (int disk = 0; disk <= dvd_last_disc; ++disk) {
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
		struct stat st;
		if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0 || open_error(path)) return 0;
	}
	// The names are judged below the master's folder: a master kept in a folder
	// named "work.area", say, would otherwise leave every file out.
	const std::string below =
	    !src_fold.empty() && path.compare(0, src_fold.size(), src_fold) == 0 ? path.substr(src_fold.size() - 1) : path;
	static const char* never[] = {".7z", "Thumbs.db", "work.", "._", ".DS_Store", ".sandboxinfo", ".xSYM"};
	for (const char* n : never)
		if (contains(below, n)) return 0;
	if (ends_with(below, ".ovw") || ends_with(below, ".ac")) return 0;
	if (contains(below, "serverlist.txt") || contains(below, "Vantor Pilot.txt")) return 0;
	for (const char* e : {".prf", ".fms", ".sit", ".mov", ".bak"})
		if (ends_with(below, e)) return 0;
	if (contains(below, ".dsf.txt") || contains(below, "/Output/preferences/")) return 0;
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
		if (t.needed && !*t.flag) refuse(*t.folder, "a folder this set needs is missing", t.tag);
}

// Entries shown on the terminal for each reason; the log holds every one.
enum { refusals_shown = 3 };

static std::string shown(const master_refusal& r)
{
	return UTL_log_safe(r.path) + (r.detail.empty() ? "" : " (" + UTL_log_safe(r.detail) + ")");
}

void stop_on_refusals()
{
	if (master_refusals.empty()) return;
	std::set<std::string> entries;
	std::vector<std::string> reasons;	// in the order first met
	std::map<std::string, std::vector<const master_refusal*>> per_reason;
	for (auto& r : master_refusals) {
		entries.insert(r.path);
		auto& list = per_reason[r.reason];
		if (list.empty()) reasons.push_back(r.reason);
		list.push_back(&r);
	}
	auto entries_text = [](size_t n) { return num((int)n) + (n == 1 ? " entry" : " entries"); };
	std::string head = "The master tree holds " + entries_text(entries.size()) +
	                   " that cannot go into a set; nothing was written.";
	xer << "\n" << head << " Each, with its reason:\n";
	for (auto& r : master_refusals)
		xer << "Refused:\t" << r.reason << "\t" << UTL_log_safe(r.path) << (r.detail.empty() ? "" : "\t")
		    << UTL_log_safe(r.detail) << "\n";
	std::string text = head + "\n";
	for (auto& why : reasons) {
		auto& list = per_reason[why];
		char count[16];
		snprintf(count, sizeof count, "%7d  ", (int)list.size());
		text += count + why + "\n";
		for (size_t i = 0; i < list.size() && i < refusals_shown; ++i) text += "           " + shown(*list[i]) + "\n";
		if (list.size() > refusals_shown) text += "           ...\n";
	}
	text += "The log names every one, each on a line beginning \"Refused:\".";
	printf("%s\n", text.c_str());
	(void)fflush(stdout);	// the log names every one too
	const master_refusal& first = master_refusals.front();
	MI_STOP(head, first.reason + ": " + shown(first),
	        entries.size() > 1 ? "... and " + entries_text(entries.size() - 1) + " more." : "",
	        "The log names every one with its reason.");
}
