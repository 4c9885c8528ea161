// The about box's update check. The list is fetched once per frame until one
// with a FINAL line came; every completed list decides anew what to offer.
#include "UTL_about.h"
#include "UTL_log.h"
#include "http.h"
#include "io_utils.h"
#include "xmap.h"
#include "zip_utils.h"
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

const char* const about_release_text = "9.21rc2";
const char* const about_maker_site = "www.tarrowfield.example";
std::string about_update_host = "www.tarrowfield.example";
about_state about_rec;

static const char* const kPrefsFolder = "Output/preferences/";
static const char* const kListLocal = "Output/preferences/serverlist9.txt";
static const char* const kInstallerLocal = "Output/preferences/installer.zip";

static void show_message(about_state& s, const std::string& text)
{
	s.ins_state = about_message;
	s.err_msg = text;
	xer << "About box: " << text << "\n";
	xer.flush();
}

int UTL_about_read_list(const std::string& path, about_state& s, about_installers& ins)
{
	xmap_class f(path);
	static const int versions[] = {820, 0};
	if (!f.begin || f.check_file(file_type_txt, versions, "SERVERS", nullptr) != 820) return 0;
	while (f.cursor < f.end) {
		if (f.TXT_str_scan_match("BETA", 1)) {
			f.TXT_str_scan_eoln(&s.version_str_net_beta);
		} else if (f.TXT_str_scan_match("FINAL", 1)) {
			f.TXT_str_scan_eoln(&s.version_str_net);
			s.version_str_found = 1;
		} else if (f.TXT_str_scan_match("BETA_INSTALLER_MAC", 1)) {
			f.TXT_str_scan_space(&ins.beta_server);
			f.TXT_str_scan_eoln(&ins.beta_path);
		} else if (f.TXT_str_scan_match("FINAL_INSTALLER_MAC", 1)) {
			f.TXT_str_scan_space(&ins.final_server);
			f.TXT_str_scan_eoln(&ins.final_path);
		} else if (f.TXT_str_scan_match("BETA_VERSION", 1)) {
			s.version_beta = f.TXT_int_scan();
			f.TXT_str_scan_eoln(nullptr);
		} else if (f.TXT_str_scan_match("FINAL_VERSION", 1)) {
			s.version_final = f.TXT_int_scan();
			f.TXT_str_scan_eoln(nullptr);
		} else {
			f.TXT_str_scan_eoln(nullptr);
		}
	}
	return 1;
}

// The pair comes from a downloaded file: a host with a "/" or a path without a
// leading one would be a fatal misuse of the download client, so such a pair
// counts as no installer at all.
static bool usable_installer(std::string& server, std::string& path)
{
	while (!path.empty() && (path.back() == ' ' || path.back() == '\t')) path.pop_back();
	return !server.empty() && server.find('/') == std::string::npos && !path.empty() && path[0] == '/';
}

void UTL_about_decide(about_state& s, const about_installers& ins)
{
	s.is_latest = 1;
	s.is_beta = 0;
	s.ins_state = about_message;
	std::string message;
	if (s.version_final == -1) {
		message = "Can't connect to the net to find latest version.";
	} else if (s.version_final == about_release_number) {
		message = "Your version of Vantor is up to date.";
	} else if (s.version_final > about_release_number) {
		s.is_latest = 0;
	} else if (s.version_beta <= about_release_number) {
		message = "You have the latest Vantor beta.";
	} else {
		s.is_beta = 1;
		s.is_latest = 0;
	}

	if (s.is_latest == 0) {
		s.installer_server = s.is_beta ? ins.beta_server : ins.final_server;
		s.installer_path = s.is_beta ? ins.beta_path : ins.final_path;
		if (usable_installer(s.installer_server, s.installer_path)) {
			s.ins_state = about_offer;
			xer << "About box: offering the installer at " << UTL_log_safe(s.installer_server + s.installer_path) << "\n";
			xer.flush();
			return;
		}
		message = std::string(s.is_beta ? "There is a newer beta of Vantor available! Visit "
		                                 : "There is a new version of Vantor available! Visit ") +
		          about_maker_site + " to download the update.";
	}
	show_message(s, message);
}

void UTL_about_check(about_state& s)
{
	// the preferences folder lives in Output/, which a bare copy may not have yet;
	// mostly both are there, and one not made fails the preferences' save, which is told
	(void)make_folder("Output/");
	(void)make_folder(kPrefsFolder);
	if (s.version_str_found) return;
	if (http.net_check(http_slot_list, about_update_host, "/serverlist9.txt", kListLocal, http_list_limit) != http_complete) return;
	about_installers ins;
	(void)UTL_about_read_list(kListLocal, s, ins);	// no list leaves no version: told as no connection
	UTL_about_decide(s, ins);
}

std::string UTL_about_progress_text(int has_transfer, int64_t content_length, int64_t bytes_received)
{
	char buf[80];
	if (has_transfer && content_length <= 0) return "Downloading the installer...";
	int percent = 0;
	if (has_transfer) percent = (int)((float)bytes_received * 100.0f / (float)content_length);
	snprintf(buf, sizeof buf, "Downloading the installer...%d%% complete", percent);
	return buf;
}

static std::string code_message(const char* format, int e)
{
	char buf[512];
	snprintf(buf, sizeof buf, format, error_str(e).c_str(), e);
	return buf;
}

// The newer installer is unpacked beside this program as the engine unpacks a
// release: inside this folder only, links judged against it, and no entry nor
// the whole past what an installer can be.
enum { installer_entries_max = 20000 };
static const uint64_t installer_entry_max = uint64_t(256) << 20, installer_total_max = uint64_t(1) << 30;

int UTL_about_unpack(const std::string& archive, std::string* app_name)
{
	char cwd[4096];
	if (!getcwd(cwd, sizeof cwd)) return errno;
	unpack_rules rules;
	rules.root = std::string(cwd) + (cwd[strlen(cwd) - 1] == '/' ? "" : "/");
	rules.max_bytes = installer_entry_max;
	rules.max_total = installer_total_max;
	rules.max_entries = installer_entries_max;
	const int e = zip_to_file(archive, rules.root, app_name, 0, &rules);
	return e == err_archive_too_big ? err_installer_too_big : e;
}

std::string UTL_about_download(about_state& s)
{
	const int r = http.net_check(http_slot_directory, s.installer_server, s.installer_path, kInstallerLocal);
	if (r == http_complete) {
		const int e = UTL_about_unpack(kInstallerLocal, &s.installer_app_name);
		if (e) {
			show_message(s, code_message("There was an error unzipping the installer: %s (%d)", e));
			return "";
		}
		if (!s.installer_app_name.empty() && s.installer_app_name.back() == '/') s.installer_app_name.pop_back();
		s.ins_state = about_launching;
		return "";
	}
	if (r == http_failed) {
		show_message(s, "I was unable to download the installer from the net.");
		return "";
	}
	const http_progress p = http.progress(http_slot_directory);
	return UTL_about_progress_text(p.running, p.length, p.received);
}

void UTL_about_launch(about_state& s)
{
	const int e = launch_app(s.installer_app_name, "", 1);	// no -path: it runs from this folder
	if (e) show_message(s, code_message("There was an error launching the installer: %s (%d)", e));
}

std::string UTL_about_version_line(const about_state& s)
{
	if (!s.version_str_found)
		return std::string("I could not connect to the net to find the current version of Vantor at ") + about_maker_site +
		       "!";
	return std::string("The current ") + (s.is_beta ? "beta version" : "version") + " of Vantor is now " +
	       (s.is_beta ? s.version_str_net_beta : s.version_str_net) + ".";
}
