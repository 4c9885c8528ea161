#include "main_update.h"
#include "main_globals.h"
#include "main_registration.h"
#include "utils.h"
#include "utils_records.h"
#include "UTL_log.h"
#include <unistd.h>

int net_was_current = 0;

std::string net_command_line_copy(const std::string& folder)
{
	if (folder.empty()) return "";
	std::string path = folder;
	if (path[0] != '/') {
		char cwd[4096];
		if (!getcwd(cwd, sizeof(cwd))) return "";
		std::string base = cwd;
		if (base.empty() || base.back() != '/') base += '/';
		path = base + path;
	}
	return registration_find_copy(path);
}

int net_update_needed()
{
	int needed = 0;
	for (int i = 0; i < (int)sim_info.size(); ++i) {
		const file_version_struct& v = sim_info[i].versions.back();
		if (!want_this_f(i, (int)sim_info[i].versions.size() - 1)) continue;
		int differs = 0;
		if (v.sig_want == "GONE")
			differs = v.sig_have != "NONE";
		else if (!v.is_global || stg.tile_wanted[v.lon_i][v.lat_i])
			differs = !v.up_to_date;
		if (differs) {
			xer << "Needs updating: " << UTL_log_safe(v.path) << " (have " << v.sig_have << ", want " << v.sig_want << ")\n";
			needed = 1;
		}
	}
	// a listed file that could not be taken is not in the copy: it is no current copy
	if (UTIL_listed_refused()) needed = 1;
	return needed;
}

void net_decide_after_scan()
{
	scenery_from_install();
	recalc_disk_sizes();
	net_was_current = !net_update_needed();
}
