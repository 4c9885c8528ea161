// Starts the shell in a real window and opens the file window, once through the
// Save window and once through a path picker, for the window tests to answer by
// hand (xdotool). Each result is written to the log.
#include "../../support/host_start.h"
#include "MACIBM_mnw.h"
#include "MACIBM_shell.h"
#include "UTL_alert.h"
#include "UTL_log.h"
#include "butn_files.h"
#include "oglp.h"
#include "tman.h"
#include <string>
#include <vector>

int main(int argc, char** argv)
{
	const std::string step = TH_start(argc, argv, true);

	if (step == "save") {
		std::string path;
		const int r = BTN_opensave(WIND_save, 11, &path);
		xer << "host: save " << r << " [" << path << "] window " << mnw.current_window << "\n";
		xer.flush();
	} else if (step == "picker") {
		std::string path = "docs/b|x-y/deep/f";
		int picked = 0;
		while (!app_done && !picked) {
			OGL_plot_back_col();
			picked = BTN_select_path_stl(100, 300, WIND_open, 19, &path, 500, "Path:", 200, 0);
			if (!picked) MACIBM_event_proc();
		}
		xer << "host: picked [" << path << "] window " << mnw.current_window << "\n";
		xer.flush();
		const int r = BTN_opensave(WIND_open, 19, &path);
		xer << "host: open " << r << " [" << path << "]\n";
		xer.flush();
	} else if (step == "preview") {
		std::string path = "fdrs/x";
		const int r = BTN_opensave(WIND_open, 8, &path);
		xer << "host: preview " << r << " [" << path << "]\n";
		xer.flush();
	}
	MACIBM_finishup(1);
	return 0;
}
