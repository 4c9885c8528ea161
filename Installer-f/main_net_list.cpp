// The server list "serverlist9.txt": the release to install and its mirrors.
#include "main_net.h"
#include "main_globals.h"
#include "utils.h"
#include "utils_records.h"
#include "xmap.h"
#include <cmath>
#include <cstdlib>
#include <cstring>

// A host as net_check wants it: a bare name. A trailing "/" (or a path after
// the name) is cut off; blanks or control characters make it unusable.
static bool clean_host(std::string& host)
{
	size_t slash = host.find('/');
	if (slash != std::string::npos) host.erase(slash);
	while (!host.empty() && (host.back() == ' ' || host.back() == '\t')) host.pop_back();
	if (host.empty()) return false;
	for (char c : host)
		if ((unsigned char)c <= ' ' || c == 127) return false;
	return true;
}

static bool clean_folder(std::string& folder)
{
	while (!folder.empty() && (folder.back() == ' ' || folder.back() == '\t')) folder.pop_back();
	for (char c : folder)
		if ((unsigned char)c < ' ' || c == 127) return false;
	if (folder.empty() || folder[0] != '/') folder.insert(0, "/");
	return true;
}

int net_read_server_list(const std::string& path, std::string* address)
{
	xmap_class f(path);
	static const int versions[] = {820, 0};
	// a typed file of another version or kind is newer than this installer; anything else is no list at all
	if (!f.begin || !f.has_text_header()) return net_list_not_a_list;
	if (f.check_file(file_type_txt, versions, "SERVERS", nullptr) != 820) return net_list_bad_header;

	UTIL_servers_clear();
	while (f.cursor < f.end) {
		if (f.TXT_str_scan_match("ENDOFLIST", 1)) break;
		if (f.TXT_str_scan_match("BETA", 1)) {
			std::string name;
			f.TXT_str_scan_eoln(&name);
			if (stg.get_beta) UTIL_set_release(name);
		} else if (f.TXT_str_scan_match("FINAL", 1)) {
			std::string name;
			f.TXT_str_scan_eoln(&name);
			if (!stg.get_beta) UTIL_set_release(name);
		} else if (f.TXT_str_scan_match("INS_VERSION", 0)) {
			int version = f.TXT_int_scan();
			std::string where;
			f.TXT_str_scan_space(&where);
			f.TXT_str_scan_eoln(nullptr);
			if (version > net_installer_version) {
				if (address) *address = where;
				return net_list_newer_installer;
			}
		} else if (f.TXT_str_scan_match("SERVER", 1)) {
			std::string host, folder, desc;
			f.TXT_str_scan_eoln(&host);
			f.TXT_str_scan_eoln(&folder);
			f.TXT_str_scan_eoln(&desc);
			if (stg.num_servers >= server_slots) continue;	// only ten places
			if (!clean_host(host) || !clean_folder(folder)) continue;
			(void)UTIL_server_add(host, folder + install_name + "/", desc);	// there is room: checked above
		} else {
			f.TXT_str_scan_eoln(nullptr);
		}
	}
	return net_list_read;
}
