// The installer's window and screens over an existing copy: the Check Servers
// screen reads the release, then the Install screen updates the copy named as
// the first argument, so the engine asks about the copy's changed files in its
// own window. The program cannot reach this by itself yet (its only flow makes
// a new folder). Ends with 0 when the Finish screen comes, 1 when the install
// went back to Pick Destination. The other arguments are the installer's own.
#include "MACIBM_shell.h"
#include "MACIBM_mnw.h"
#include "main_demo.h"
#include "main_globals.h"
#include "main_wizard.h"
#include "utils_records.h"
#include "UTL_alert.h"
#include "UTL_globals.h"
#include "path_utils.h"
#include "pref.h"
#include "tman.h"
#include <vector>

int main(int argc, char** argv)
{
	if (argc < 2) return 2;
	std::string copy = argv[1];
	std::vector<const char*> args = {argv[0]};
	for (int i = 2; i < argc; ++i) args.push_back(argv[i]);

	MACIBM_init((int)args.size(), args.data());
	tman.load_texture(tex_fail_alert, 413, 0x12092, tex_load_2, main_elements_image(mnw.language));
	get_OS_abs_path(os_dir_temp, temp_path);
	install_name = no_install_name;
	stg.num_servers = -1;
	stg.sel_server = 0;
	stg.stage = 0;
	stg.action = 3;
	stg.target_os = 3;
	pref.IO_set(pref_file_installer, 0);

	g_wizard = demo_get_updates;
	while (!app_done && g_wizard != demo_pick_dest) MACIBM_event_proc();

	dest_dir_path = copy;
	demo_scan_dest();
	g_wizard = demo_run_patch;
	while (!app_done && g_wizard != demo_done && g_wizard != demo_pick_dest) MACIBM_event_proc();

	int result = g_wizard == demo_done ? 0 : 1;
	xer << "Update driver: " << (result == 0 ? "finished" : "went back") << "\n";
	MACIBM_finishup(1);
	return result;
}
