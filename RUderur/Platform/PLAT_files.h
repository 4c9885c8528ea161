#ifndef PLAT_FILES_H
#define PLAT_FILES_H
// Linux stand-ins for the platform's folder, volume and dialog services.
#include <cstdint>
#include <string>

// Writes the application's location: flag 1 the executable itself, flag 0 the
// folder that holds it, ending in "/". Sets g_case_sensitive from its volume.
void MACIBM_set_app_path(std::string* out, int flag);

// Absolute path of the running executable (from /proc/self/exe), or "".
std::string PLAT_exe_path();

enum { PLAT_folder_desktop = 0, PLAT_folder_temp = 1, PLAT_folder_prefs = 2 };
// The user's folder of that kind, created when missing; ends in "/". The
// desktop is the one user-dirs.dirs in the config home ($XDG_CONFIG_HOME, else
// ~/.config) names, else ~/Desktop; the preferences folder is the one the
// environment variable VANTOR_PREFS_FOLDER names, else the config home.
// Returns 0, or an errno value (out untouched).
int PLAT_user_folder(int kind, std::string& out);

// 1 when the file system that holds path tells letter case apart.
int PLAT_volume_case_sensitive(const std::string& path);

// 1 when the volume that holds folder, and is device `device` (st_dev), gives
// each change to a file made after a look at it a change time of its own, so
// that a file showing the identity it had when looked at is unchanged since: a
// local file system with fine-grained time stamps (Linux 6.13 on). 0 where two
// changes in one clock tick may share a time, attributes may come from a cache
// (a network volume), or it cannot be told (folder not writable).
int PLAT_volume_marks_every_change(const std::string& folder, uint64_t device);

// Modal folder or file chooser (mode 0 open, 1 save, 2 folder) through zenity.
// Returns 1 with the chosen path (no final "/" except the root), 0 when cancelled
// or when no chooser is installed (logged).
int PLAT_choose_path(int mode, const std::string& message, const std::string& start, std::string& out);

#endif
