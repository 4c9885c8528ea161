#ifndef MAIN_DEMO_H
#define MAIN_DEMO_H
// What the web screens share: the download streams' archives, and the guard
// on deleting a partial install.
#include <string>

// Deletes the archives of the streams that are on, in the temporary folder.
void demo_discard_partial_archives();

// 1 when `folder` may be deleted as a partial install: it is the folder this
// run created, and none of "/", the home folder, the Desktop, the temporary
// folder or `parent`.
int demo_may_delete(const std::string& folder, const std::string& created, const std::string& parent);

// The install folder this run created (empty when it created none).
extern std::string demo_created_dest;

struct wizard_screen;
// The destination screens' checksum scan of dest_dir_path, a step per frame.
struct demo_dest_scan {
	int ctr = 0;
	int state = 0;	// 0 none running, 1 running, 2 to start again once the folder is valid
};
// One frame of it: `changed` starts it afresh. Once complete, decides what to
// install there (the whole release, no scenery) and the disk totals follow;
// returns 1 then and on every later frame. While it runs: 0, with its progress.
int demo_scan_dest(wizard_screen& s, demo_dest_scan& scan, int changed);
// Stops it for a frame whose folder is not valid; it starts again on the next valid one.
void demo_scan_dest_pause(demo_dest_scan& scan);

typedef int (*wizard_func)(int entering, wizard_screen& screen);
// One step of the directory download (UTL_download_directory) with its screen
// texts: `contacting` ends the sentence naming the maker's site, `processing`
// while the directory is read, the progress line and bar and
// `downloading_text` with the server's name while the archive arrives; after
// a failure, what failed and how it is tried again, with Next leading to the
// screen `self` afresh. Prefs stays on. 1 once the directory is read (no text then).
int demo_directory_step(wizard_screen& s, wizard_func self, const std::string& contacting,
                        const std::string& processing, const std::string& downloading_text);
// The download pump for about 20 ms of a frame, with its status, time-left
// and server-error texts; 1 when every file is done.
int demo_pump_frame(wizard_screen& s, float& totl_inst_rat);
// Makes the folders make_dirs_start listed for a few ms of a frame, then starts
// the download pump; 1 once it is started (or no folders were left to make).
int demo_folders_frame();

// The licence texts of the License step: the web demo's, and the product's
// that the discs install.
std::string demo_licence_text();
std::string product_licence_text();
// The licence of what the flow that shows the License step installs.
extern std::string (*eula_text)();

// The destination picker of the new-install screens: Change Destination (its
// folder dialog asks `prompt`), the install name field and the body text;
// dest_dir_path follows them, `changed` is set by an edit. 0, with Next off,
// while the name is empty or the folder exists.
int demo_pick_folder(wizard_screen& s, std::string& parent_dir, std::string& install_folder,
                     const std::string& desktop_f, const std::string& prompt, int& changed);

#endif
