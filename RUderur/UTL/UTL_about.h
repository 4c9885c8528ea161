#ifndef UTL_ABOUT_H
#define UTL_ABOUT_H
// The about box's update check: the update site's server list, what to offer,
// and fetching, unpacking and starting a newer installer. No GL here: the
// window (MACIBM_about) draws what this record holds.
#include <cstdint>
#include <string>

enum { about_release_number = 92102 };
extern const char* const about_release_text;	// "9.21rc2"
extern const char* const about_maker_site;	// the maker's web address as shown
extern std::string       about_update_host;	// serves "/serverlist9.txt"; a bare host name

enum {
	about_nothing     = 0,
	about_offer       = 1,	// the update button is up
	about_downloading = 2,
	about_launching   = 3,
	about_message     = 4	// err_msg is shown
};

// Kept for the whole run, so a second opening starts from what the first left.
struct about_state {
	std::string version_str_net;		// FINAL text
	std::string version_str_net_beta;	// BETA text
	int         version_str_found = 0;	// a list with a FINAL line was read: no more checks
	int         version_final = -1;
	int         version_beta = -1;
	int         is_latest = 1;
	int         is_beta = 0;
	int         ins_state = about_nothing;
	std::string err_msg;
	std::string installer_server, installer_path, installer_app_name;
};
extern about_state about_rec;

// The installer hosts and paths of one list: they live until its decision.
struct about_installers {
	std::string beta_server, beta_path;
	std::string final_server, final_path;
};

// Reads a downloaded list into s and ins; 0 when its header is not a server list
// (then nothing is read).
int  UTL_about_read_list(const std::string& path, about_state& s, about_installers& ins);
// What to offer after a list was read: sets is_latest, is_beta, ins_state and err_msg.
void UTL_about_decide(about_state& s, const about_installers& ins);
// One frame of the version check (nothing once a FINAL line was read).
void UTL_about_check(about_state& s);
// One frame of the installer download; returns the progress line while it runs.
std::string UTL_about_download(about_state& s);
// Unpacks a downloaded installer archive into this program's folder, every entry
// inside it and bounded; app_name receives the first entry's name. 0 or a code.
int  UTL_about_unpack(const std::string& archive, std::string* app_name);
// Starts the unpacked installer and ends this program; returns only when that failed.
void UTL_about_launch(about_state& s);

std::string UTL_about_version_line(const about_state& s);
std::string UTL_about_progress_text(int has_transfer, int64_t content_length, int64_t bytes_received);

#endif
