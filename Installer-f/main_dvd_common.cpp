// The disc routines of the disc flows; none draws.
#include "main_dvd.h"
#include "main_disc.h"
#include "main_globals.h"
#include "utils.h"
#include "io_utils.h"
#include "xmap.h"
#include "UTL_log.h"
#include "UTL_globals.h"
#include "UTL_translate.h"
#include <sys/stat.h>

static std::string scanned_disc;	// the disc whose files were read last

void dvd_scan_reset() { scanned_disc.clear(); }

static int has_file(const std::string& p)
{
	struct stat st;
	return stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The set's folder name from the disc's version file; empty when unreadable.
static std::string read_version_file(const std::string& path)
{
	xmap_class x(path);
	if (!x.begin) return "";
	static const int versions[] = {900, 0};
	if (x.check_file(file_type_txt, versions, "DVD", nullptr) == 0) return "";
	if (!x.TXT_str_scan_match("VERSION", 0)) return "";
	std::string name;
	x.TXT_str_scan_eoln(&name);
	while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
	// the name is a folder below the disc: no way out of it
	if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) return "";
	return name;
}

void UTIL_scan_dvd()
{
	// a later disc of the set has no version file: ask for the first one again
	if (!dvd_path.empty() && !has_file(dvd_path + "dvd_version.txt")) dvd_path.clear();
	if (dvd_path.empty()) {
		dvd_path = dvd_find_disc(dvd_mount_table());
		// only the first disc holds the version file: that disc is in now,
		// whichever one a flow asked for before
		if (!dvd_path.empty()) current_disk = 0;
	}
	if (dvd_path.empty()) {
		scanned_disc.clear();
		return;
	}
	if (dvd_path == scanned_disc) return;
	scanned_disc = dvd_path;
	current_disk = 0;
	std::string name = read_version_file(dvd_path + "dvd_version.txt");
	if (name.empty()) {
		xer << "The disc at " << dvd_path << " has no readable dvd_version.txt.\n";
		UTIL_set_release(no_install_name);
		UTIL_directory_refetch();
		return;
	}
	UTIL_set_release(name);
	std::string zip = dvd_path + install_name + "/directory.txt.zip";
	int err = has_file(zip) ? UTIL_unpack_directory(zip) : err_file_not_found;
	if (err) {
		xer << "I could not extract " << zip << " to " << UTIL_run_folder() << ": " << error_str(err) << "\n";
		UTIL_directory_give_up();
		return;
	}
	UTIL_directory_read(UTIL_run_directory_file(),
	                    UTL_translate_string("Scanning directory text file to see if you already have Vantor "
	                                         "installed...", 0));
	xer << "Read the disc " << dvd_path << " (" << install_name << "): " << sim_info.size() << " files, stage "
	    << stg.stage << ".\n";
}

std::string dvd_archive_on_disc(int f)
{
	if (f < 0 || f >= (int)sim_info.size() || sim_info[f].versions.empty()) return "";
	return install_name + "/" + sim_info[f].versions.back().path + suffix_for_file(f);
}

static int disk_of(int f)
{
	if (f < 0 || f >= (int)sim_info.size() || sim_info[f].versions.empty()) return 0;
	return sim_info[f].versions.back().disk;
}

int UTIL_verify_disk()
{
	std::string rel = dvd_archive_on_disc(want_file_disk);
	if (rel.empty()) return 0;
	std::string disc = !dvd_path.empty() && has_file(dvd_path + rel) ? dvd_path : dvd_find_disc(dvd_mount_table(), rel);
	if (disc.empty()) return 0;
	dvd_path = disc;
	current_disk = disk_of(want_file_disk);
	xer << "Disc " << current_disk + 1 << " is at " << dvd_path << ".\n";
	return 1;
}

static int is_folder(const std::string& p)
{
	struct stat st;
	return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The disc of this set a mounted volume is; dvd_not_of_set or dvd_no_disc.
static int disc_of_volume(const std::string& volume)
{
	if (has_file(volume + "dvd_version.txt"))	// only the first disc holds one
		return read_version_file(volume + "dvd_version.txt") == install_name ? 0 : dvd_not_of_set;
	if (install_name == no_install_name || !is_folder(volume + install_name)) return dvd_no_disc;
	// a later disc: the first listed file of each disc number whose archive it holds
	std::vector<char> tried;
	for (int i = 0; i < (int)sim_info.size(); ++i) {
		int d = disk_of(i);
		if (d < 0 || sim_info[i].versions.empty()) continue;
		if ((int)tried.size() <= d) tried.resize(d + 1, 0);
		if (tried[d]) continue;
		tried[d] = 1;
		if (has_file(volume + dvd_archive_on_disc(i))) return d;
	}
	return dvd_not_of_set;
}

int UTIL_disc_in_drive()
{
	for (const std::string& v : dvd_mounted_volumes(dvd_mount_table())) {
		int d = disc_of_volume(v);
		if (d != dvd_no_disc) return d;
	}
	return dvd_no_disc;
}

int UTIL_switch_disk(int entering)
{
	if (entering && !dvd_path.empty()) {
		// Ejecting unmounts the volume that holds the path: only ever a disc's.
		if (APL_is_dvd_disk(dvd_path)) {
			int err = eject_dvd(dvd_path);
			xer << "Ejecting " << dvd_path << ": " << (err ? error_str(err) : std::string("done")) << "\n";
		} else {
			xer << dvd_path << " is not on an optical drive; it is not ejected.\n";
		}
		dvd_path.clear();
	}
	return disk_of(want_file_disk);
}

static std::string T(const char* text) { return UTL_translate_string(text, 0); }

int UTIL_cancel_install(int flow)
{
	std::string why;
	int err = install_files_get_error(why);
	why = UTL_log_safe(why);	// it names listed files, for the log and the prompt
	xer << (flow == dvd_flow_repair ? "Repair" : flow == dvd_flow_scenery ? "Scenery install" : "Install") << " error "
	    << err << ": " << why << "\n";
	if (flow == dvd_flow_repair)
		return abort_alert(T("There was a problem repairing Vantor 9:") + "\n\n" + why, T("Stop"),
		                   T("the repair operation."), T("Continue"), T("the repair operation."));
	if (flow == dvd_flow_scenery)
		return abort_alert(T("There was a problem installing scenery:") + "\n\n" + why, T("Stop"),
		                   T("the scenery install."), T("Continue"), T("the scenery install."));
	return abort_alert(T("There was a problem installing Vantor 9:") + "\n\n" + why, T("Cancel"),
	                   T("the installation."), T("Continue"), T("the installation process."));
}
