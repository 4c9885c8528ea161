// The scenery package list, the library read from the packages' "library.txt"
// files, and the reports through which scenery readers name a faulty package.
#include "DSF_library.h"
#include "io_utils.h"
#include "opensave.h"
#include "path_utils.h"
#include "xmap.h"
#include "TEX_image.h"
#include "UTL_alert.h"
#include "UTL_log.h"
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <memory>

std::string cus_path    = "Custom Scenery/";
std::string glb_path    = "Global Scenery/";
std::string def_path    = "Resources/default scenery/";
std::string obj_path    = "Resources/objects/";
std::string def_ovr_str = "-global overlays-";
std::string def_ter_str = "-global terrain-";

std::vector<std::string> scenery_packages;
std::vector<int>         package_problems;
std::vector<int>         package_is_custom;

std::map<std::string, lib_entry*>  dsf_library;
std::map<std::string, lib_region*> dsf_regions;

// Every region made by a scan: entries point into them long after the region
// table of their file is gone, so they live until the next scan.
static std::vector<std::unique_ptr<lib_region>> all_regions;

static const int k_library_versions[] = {800, 0};

static void empty_library()
{
	for (auto& l : dsf_library) {
		lib_entry* e = l.second;
		while (e) {
			lib_entry* n = e->next;
			delete e;
			e = n;
		}
	}
	dsf_library.clear();
	dsf_regions.clear();
	all_regions.clear();
}

// The entries are freed at the end of the process too, before the table that
// holds them (made before this, so it goes after).
static struct library_owner {
	~library_owner() { empty_library(); }
} library_at_exit;

static void add_package(const std::string& folder, int custom)
{
	scenery_packages.push_back(folder);
	package_problems.push_back(0);
	package_is_custom.push_back(custom);
}

void DSF_RegisterEntry(const std::string& virtual_path, lib_entry* entry)
{
	if (!entry) return;
	lib_entry*& head = dsf_library[virtual_path];
	lib_entry** at = &head;
	while (*at && !((*at)->flags & lib_flag_backup)) at = &(*at)->next;
	entry->next = *at;
	*at = entry;
}

static void register_line(const std::string& virtual_path, const std::string& real, lib_region* region, int package,
                          uint32_t flags)
{
	lib_entry* e = new lib_entry;
	e->next = nullptr;
	e->region = region;
	e->package = package;
	e->flags = flags;
	e->path = real;
	DSF_RegisterEntry(virtual_path, e);
}

static void read_library(int pkg)
{
	const std::string& folder = scenery_packages[pkg];
	std::string lib = folder + "library.txt";
	if (!file_exists(lib)) return;
	xmap_class x;
	if (!x.retry(lib)) return;
	const char* name = lib.c_str();
	if (!x.check_file(file_type_txt, k_library_versions, "LIBRARY", nullptr)) {
		__DSF_NonFatalError(__FILE__, __LINE__, name, "Incorrect version for scenery library file.  Will skip.");
		return;
	}
	dsf_regions.clear();
	lib_region* current = nullptr;	// the region new entries are limited to
	lib_region* filling = nullptr;	// the region REGION_RECT and REGION_BITMAP fill

	struct export_form { const char* word; uint32_t flags; };
	static const export_form forms[] = {
		{"EXPORT", lib_flag_package | 1},
		{"EXPORT_EXTEND", 1},
		{"EXPORT_EXCLUDE", lib_flag_exclude | 1},
		{"EXPORT_BACKUP", lib_flag_backup | 1},
	};
	std::string virt, real, word;
	while (x.cursor < x.end) {
		const export_form* form = nullptr;
		for (const export_form& f : forms)
			if (x.TXT_str_scan_match(f.word, 0)) {
				form = &f;
				break;
			}
		if (form) {
			x.TXT_str_scan_space(&virt);
			x.TXT_str_scan_eoln(&real);
			set_path_to_right_dirchars(virt);
			set_path_to_right_dirchars(real);
			register_line(virt, real, current, pkg, form->flags);
		} else if (x.TXT_str_scan_match("EXPORT_RATIO", 0)) {
			int n = x.TXT_int_scan();
			x.TXT_str_scan_space(&virt);
			x.TXT_str_scan_eoln(&real);
			set_path_to_right_dirchars(virt);
			set_path_to_right_dirchars(real);
			if ((uint32_t)n > lib_weight_mask)
				__DSF_NonFatalError(__FILE__, __LINE__, name,
				                    "Library error: you cannot have a ratio of more than 2^24 lib items for %s -> %s.",
				                    real.c_str(), virt.c_str());
			register_line(virt, real, current, pkg, lib_flag_package | ((uint32_t)n & lib_weight_mask));
		} else if (x.TXT_str_scan_match("REGION", 0)) {
			x.TXT_str_scan_space(&word);
			auto r = dsf_regions.find(word);
			if (r != dsf_regions.end()) current = r->second;
			else __DSF_NonFatalError(__FILE__, __LINE__, name, "REGION %s - region unknown.  Ingoring", word.c_str());
		} else if (x.TXT_str_scan_match("REGION_DEFINE", 0)) {
			x.TXT_str_scan_space(&word);
			if (dsf_regions.count(word)) {
				__DSF_NonFatalError(__FILE__, __LINE__, name, "REGION_DEFINE %s - region already defined.  Ignoring.",
				                    word.c_str());
				filling = nullptr;
			} else {
				all_regions.emplace_back(new lib_region);
				filling = all_regions.back().get();
				filling->name = word;
				memset(filling->bits, 0, sizeof(filling->bits));
				dsf_regions[word] = filling;
			}
		} else if (x.TXT_str_scan_match("REGION_RECT", 0)) {
			if (!filling) {
				__DSF_NonFatalError(__FILE__, __LINE__, name, "REGION_RECT command used but no region has been defined.");
				continue;
			}
			// shifted to tile indices; the saturating reader keeps these in range of int
			long long w = (long long)x.TXT_int_scan() + 180, s = (long long)x.TXT_int_scan() + 90;
			long long e = (long long)x.TXT_int_scan() + 180, n = (long long)x.TXT_int_scan() + 90;
			if (w < 0 || s < 0 || e > 359 || n > 179 || s > n || w > e) {
				__DSF_NonFatalError(__FILE__, __LINE__, name,
				                    "The boundaries to a REGION_RECT command are out of range: %lld,%lld->%lld,%lld", w, s,
				                    e, n);
				continue;
			}
			for (long long lon = w; lon <= e; ++lon)
				for (long long lat = s; lat <= n; ++lat) filling->bits[lon * 180 + lat] = 1;
		} else if (x.TXT_str_scan_match("REGION_BITMAP", 0)) {
			x.TXT_str_scan_space(&word);
			set_path_to_right_dirchars(word);
			if (!filling) {
				__DSF_NonFatalError(__FILE__, __LINE__, name,
				                    "REGION_BITMAP used with no region defined.  REGION_BITMAP will be ignored.");
				continue;
			}
			unsigned char* px = nullptr;
			TEX_image_desc desc = {};
			if (!TEX_load_any_ext(folder + word, px, TEX_ALPHA, 0, 0, desc) || !px) {
				__DSF_NonFatalError(__FILE__, __LINE__, name,
				                    "Unable to load bitmap file '%s' for REGION_BITMAP command - will skip.", word.c_str());
				continue;
			}
			if (desc.width != 360 || desc.height != 180) {
				__DSF_NonFatalError(__FILE__, __LINE__, name,
				                    "REGION_BITMAP with bitmap %s has a size of %d, %d but need sa size of 360x180.",
				                    word.c_str(), desc.width, desc.height);
			} else {
				// first row delivered: the band from 90 south; column 0: the band from 180 west
				size_t stride = 360 + (size_t)(desc.pad > 0 ? desc.pad : 0);
				for (int r = 0; r < 180; ++r)
					for (int c = 0; c < 360; ++c) filling->bits[c * 180 + r] = px[r * stride + c] != 0;
			}
			free(px);
		} else {
			x.TXT_str_scan_eoln(nullptr);
		}
	}
}

void DSF_ScanSceneryFolder()
{
	empty_library();
	scenery_packages.clear();
	package_problems.clear();
	package_is_custom.clear();

	std::vector<std::string> names;
	std::vector<int> kinds;
	bool overlays = false, terrain = false;
	opensave_getitems(cus_path, kind_folder, names, kinds);
	for (const std::string& n : names) {
		if (n == def_ovr_str) overlays = true;
		else if (n == def_ter_str) terrain = true;
		else add_package(cus_path + n + "/", 1);
	}
	opensave_getitems(glb_path, kind_folder, names, kinds);
	for (const std::string& n : names) add_package(glb_path + n + "/", 0);
	if (overlays) add_package(cus_path + def_ovr_str + "/", 1);
	if (terrain) add_package(cus_path + def_ter_str + "/", 1);
	opensave_getitems(def_path, kind_folder, names, kinds);
	for (const std::string& n : names) add_package(def_path + n + "/", 0);

	xer << "I found the following scenery packages (prioritized in this order):\n";
	for (size_t i = 0; i < scenery_packages.size(); ++i)
		xer << std::setw(3) << i << " " << scenery_packages[i] << "\n";
	xer << "\n";
	xer.flush();

	for (size_t i = 0; i < scenery_packages.size(); ++i) read_library((int)i);
}

// A message longer than the buffer is cut, never in the middle of a UTF-8 character.
static void format_message(char* buf, size_t size, const char* format, va_list args)
{
	int n = vsnprintf(buf, size, format ? format : "", args);
	if (n < 0) {
		buf[0] = 0;
		return;
	}
	if ((size_t)n < size) return;
	size_t len = size - 1;
	size_t lead = len;
	while (lead > 0 && ((unsigned char)buf[lead - 1] & 0xC0) == 0x80) --lead;
	if (lead == 0) return;
	unsigned char c = (unsigned char)buf[lead - 1];
	size_t want = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
	if ((lead - 1) + want > len) buf[lead - 1] = 0;
}

// Index of the package the scenery file lies in, or -1.
static int package_of(const char* scenery_file)
{
	size_t n = strlen(scenery_file);
	if (n == 0) return -1;
	for (size_t i = 0; i < scenery_packages.size(); ++i) {
		const std::string& p = scenery_packages[i];
		size_t k = n < p.size() ? n : p.size();
		if (memcmp(p.data(), scenery_file, k) == 0) return (int)i;
	}
	return -1;
}

// Formats and logs a report; the index of the scenery file's package, or -1.
static int log_report(char* buf, size_t size, const char* file, int line, const char*& scenery_file,
                      const char* format, va_list args)
{
	format_message(buf, size, format, args);
	if (!scenery_file) scenery_file = "";
	xer << "***Error with scenery file \"" << scenery_file << "\" (" << (file ? file : "") << ": " << line << ".)\n  "
	    << buf << "\n";
	return package_of(scenery_file);
}

void __DSF_NonFatalError(const char* file, int line, const char* scenery_file, const char* format, ...)
{
	static char buf[4096];
	va_list args;
	va_start(args, format);
	int pkg = log_report(buf, sizeof(buf), file, line, scenery_file, format, args);
	va_end(args);
	if (pkg < 0 || package_problems[pkg] == 0) {
		if (pkg >= 0) package_problems[pkg] = 1;
		__MACIBM_alert(0, "Error loading the scenery package:", pkg < 0 ? std::string(scenery_file) : scenery_packages[pkg],
		               "The scenery may not look correct.", "Please see the log.txt file for detailed error information.",
		               t_alert, file, line);
	}
	xer.flush();
}

void __DSF_FatalError(const char* file, int line, const char* scenery_file, const char* format, ...)
{
	static char buf[4096];
	va_list args;
	va_start(args, format);
	int pkg = log_report(buf, sizeof(buf), file, line, scenery_file, format, args);
	va_end(args);
	xer.flush();	// the alert ends the program
	if (pkg < 0) {
		__MACIBM_alert(0, "Error loading the scenery package:", scenery_file, "Vantor cannot run with this corrupt file.",
		               "Please see the log.txt file for detailed error information.", t_exit, file, line);
	} else {
		package_problems[pkg] = 1;
		__MACIBM_alert(0, "Error loading the scenery package:", scenery_packages[pkg],
		               package_is_custom[pkg]
		                   ? "Vantor cannot run with this package installed - you may need to remove the custom  scenery package."
		                   : "Vantor cannot run with this package installed - You may need to reinstall Vantor.",
		               "Please see the log.txt file for detailed error information.", t_exit, file, line);
	}
	xer.flush();
}
