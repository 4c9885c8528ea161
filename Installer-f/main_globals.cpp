#include "main_globals.h"
#include <cstring>

std::string dest_dir_path;
std::string cmd_line_path;
std::vector<std::string> all_rootdecks;
int accept_eula = 0;
int demo_install_is_running = 0;
int dvd_install_is_running = 0, repair_is_running = 0, scenery_install_is_running = 0;
int num_install_errors = 0, want_file_disk = 0, current_disk = 0;

std::string main_cmd_line_path(int argc, const char* const* argv)
{
	if (!(argc > 2 && argv[1] && strcmp(argv[1], "-path") == 0 && argv[2] && argv[2][0])) return "";
	// a folder path ends in "/", as every path that is joined to it expects
	std::string folder = argv[2];
	if (folder.back() != '/') folder += '/';
	return folder;
}

std::string main_elements_image(int language)
{
	static const char* names[6] = {"English", "French", "German", "Russian", "Italian", "Spanish"};
	const char* n = (language >= 0 && language < 6) ? names[language] : names[0];
	return std::string("RESOURCE:elements_") + n + ".png";
}
