#ifndef MAIN_REGISTRATION_H
#define MAIN_REGISTRATION_H
// The registration file of installed copies: one install folder per line in
// the user's preferences folder.
#include <string>

std::string registration_file_path();	// empty when there is no preferences folder
void locate_all_vantors();		// refills all_rootdecks with the registered folders that exist
void register_new_vantor();		// adds dest_dir_path unless it is listed
int  path_is_to_a_sim(const std::string& folder);	// 1 when folder is an installed copy
// One step up from a folder: its parent, ending in "/"; the folder itself at the root.
std::string registration_parent_folder(const std::string& folder);
// From a folder the user picked, the installed copy that holds it: the folder
// or the nearest parent that is a copy; empty when none is.
std::string registration_find_copy(const std::string& picked);
// A new install's mark inside its copy: written as the install begins and
// removed when it ends whole, so that an install cut short (a kill, a crash)
// is known as such at the next start and offered to be finished. It names the
// flow that made it ("disc" or "demo") and keeps the scenery tiles chosen.
void registration_mark_unfinished(const std::string& folder, const char* flow);
void registration_mark_finished(const std::string& folder);
// 1 when `folder` holds the mark of an install that did not finish, made by
// `flow` (any flow when null); with `restore_tiles` its tiles are wanted again.
int  registration_unfinished(const std::string& folder, const char* flow, int restore_tiles = 0);
// The first registered copy that an unfinished install of `flow` left; empty when none.
std::string registration_first_unfinished(const char* flow);
void UTIL_pick_install();
// The alert about a folder that is not inside an installed copy.
void registration_not_a_copy_alert(const std::string& folder);		// the pick list of registered copies and "Find It"

#endif
