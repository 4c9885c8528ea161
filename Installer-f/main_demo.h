#ifndef MAIN_DEMO_H
#define MAIN_DEMO_H
// The web-demo flow's own pieces: the guard on deleting a partial install,
// the destination's scan and picker, the licences.
#include <string>

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
// install there (the whole release, no scenery, or the scenery an unfinished
// install there had chosen) and the disk totals follow;
// returns 1 then and on every later frame. While it runs: 0, with its progress.
int demo_scan_dest(wizard_screen& s, demo_dest_scan& scan, int changed);
// Stops it for a frame whose folder is not valid; it starts again on the next valid one.
void demo_scan_dest_pause(demo_dest_scan& scan);

typedef int (*wizard_func)(int entering, wizard_screen& screen);

// The licence texts of the License step: the web demo's, and the product's
// that the discs install.
std::string demo_licence_text();
std::string product_licence_text();
// The licence of what the flow that shows the License step installs.
extern std::string (*eula_text)();

// The destination picker of the new-install screens: Change Destination (its
// folder dialog asks `prompt`), the install name field and the body text;
// dest_dir_path follows them, `changed` is set by an edit. 0, with Next off,
// while the name is empty or the folder exists, unless it is a copy that an
// unfinished install of `flow` left, which the install then finishes.
int demo_pick_folder(wizard_screen& s, std::string& parent_dir, std::string& install_folder,
                     const std::string& desktop_f, const std::string& prompt, const char* flow, int& changed);

#endif
