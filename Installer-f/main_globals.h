#ifndef MAIN_GLOBALS_H
#define MAIN_GLOBALS_H
// The installer's own state, shared by its screens; the install state itself
// is the engine's (utils_records.h).
#include "utils_records.h"
#include <string>
#include <vector>

extern std::string dest_dir_path;	// install folder being worked on, ends in "/"
extern std::string cmd_line_path;	// folder given with "-path"
extern std::vector<std::string> all_rootdecks;
extern int accept_eula;
extern int demo_install_is_running;
extern int dvd_install_is_running, repair_is_running, scenery_install_is_running;
extern int num_install_errors, want_file_disk, current_disk;

// The copy to update named on the command line: "-path" and a folder as
// the first two arguments, spelled exactly so.
std::string main_cmd_line_path(int argc, const char* const* argv);
// The artwork of the interface language; English for an unknown index.
std::string main_elements_image(int language);

#endif
