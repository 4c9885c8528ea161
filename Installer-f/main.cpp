// The installer's entry point.
#include "MACIBM_shell.h"
#include "main_disc.h"
#include "main_globals.h"
#include "main_prefs.h"
#include "main_prompts.h"
#include "main_registration.h"
#include "main_wizard.h"
#include "utils.h"
#include "UTL_alert.h"
#include "UTL_log.h"
#include "UTL_globals.h"
#include "io_utils.h"
#include "path_utils.h"
#include "pref.h"
#include "tman.h"
#include "MACIBM_mnw.h"

int main(int argc, char** argv)
{
	const char* const* args = argv;
	// the engine asks the user through the wizard's own prompts
	UTIL_prompt_hooks = {select_alert, abort_alert};

	// The temporary folder and the program's own bundle.
	std::string temp, bundle;
	get_OS_abs_path(os_dir_temp, temp);
	get_OS_abs_path(os_dir_app_bundle, bundle);
	// The install state before any screen runs.
	UTIL_engine_start(temp);
	// A copy that a start from a disc made runs from a run folder: it is this
	// run's, and goes when it ends. The folders of runs that were killed go now.
	UTIL_run_folder_adopt(bundle);	// 0: a program that no disc start copied, with no folder to adopt
	UTIL_run_files_sweep();

	// A product disc, if one is mounted.
	dvd_path = dvd_find_disc(dvd_mount_table());

	// Off the disc, so that discs can be changed; launching ends this process.
	// The copy lies in a run folder and is started with this run's arguments.
	if (dvd_runs_from_disc(bundle, dvd_path, temp)) {
		const std::vector<std::string> args(argv + 1, argv + argc);
		const std::string into = UTIL_run_folder_for_program();
		dvd_move_off_disc(bundle, dvd_path, temp, into, copy_file_recursive,
		                  [&](const std::string& copy) { return launch_app_with(copy, args, 0); });
		UTIL_run_folder_drop(into);	// carried on here: the copy did not start
	}

	// The application's frame and menu hooks, then the shell: log, window,
	// context, textures, language.
	APP_install_hooks();
	MACIBM_init(argc, args);

	// The language's interface elements.
	// a picture that does not load is counted and told by the texture manager
	(void)tman.load_texture(tex_fail_alert,
 tman_ref_elements, tman_art_rgba, tex_load_2, main_elements_image(mnw.language));

	// The operating-system folders, for the log's reader.
	static const struct { const char* label; os_dir_type kind; } folders[] = {
		{"os_dir_this_app\t\t=", os_dir_app_folder}, {"os_dir_desktop\t\t=", os_dir_desktop},
		{"os_dir_default_apps\t=", os_dir_desktop_b}, {"os_dir_temp\t\t\t=", os_dir_temp},
		{"os_dir_prefs\t\t\t=", os_dir_prefs}};
	for (const auto& f : folders) {
		std::string dir;
		get_OS_abs_path(f.kind, dir);
		xer << f.label << dir << "\n";
	}
	xer << "\n";
	xer.flush();

	// Saved preferences override the defaults.
	pref.IO_set(pref_file_installer, 0);
	prefs_check_proxy_port();

	// A copy named with "-path".
	cmd_line_path = main_cmd_line_path(argc, args);

	// The registered copies.
	locate_all_vantors();

#ifdef VANTOR_OPENS_WEB_UPDATE
	// The first screen is chosen when the program is built: this one updates
	// an installed copy (named with "-path", or picked from the registered ones).
	wizard_start_flow(net_start);
#endif
#ifdef VANTOR_OPENS_DVD
	// The first screen is chosen when the program is built: this one installs
	// and repairs from the product discs.
	wizard_start_flow(dvd_start);
#endif

	// The main loop.
	while (!app_done) MACIBM_event_proc();

	// Preferences saved, threads stopped, log closed.
	MACIBM_finishup(1);
	return 0;
}
