// Starts the shell in a real window and raises, from the main thread, the alerts
// and the question the alert tests answer by hand (xdotool). Each step writes a
// line to the log when it returns, so the test can tell how far the run got.
#include "../../support/host_start.h"
#include "MACIBM_mnw.h"
#include "MACIBM_shell.h"
#include "UTL_alert.h"
#include "UTL_log.h"
#include "butn.h"
#include "keys.h"
#include "oglp.h"
#include <string>
#include <vector>

int main(int argc, char** argv)
{
	const std::string step = TH_start(argc, argv, false);

	if (step == "alerts") {
		const float x = mnw.mouse_x, y = mnw.mouse_y;
		APL_alert("Host alert line one", "Host alert line two", "Host alert line three", "Host alert line four", t_alert);
		xer << "host: first alert answered, window " << mnw.current_window << ", mouse "
		    << (x == mnw.mouse_x && y == mnw.mouse_y ? "restored" : "moved") << "\n";
		xer.flush();
		APL_alert("Host second alert", "", "", "", t_alert);
		xer << "host: second alert answered, window " << mnw.current_window << "\n";
		xer.flush();
	} else if (step == "question") {
		int first = MACIBM_nuke_alert("Flight Plan", 1);
		xer << "host: question answer " << first << ", window " << mnw.current_window << "\n";
		xer.flush();
		int second = MACIBM_nuke_alert("Flight Plan", 0);
		xer << "host: question answer " << second << ", window " << mnw.current_window << "\n";
		xer.flush();
	} else if (step == "bindings") {
		// the editor is laid out for a taller window: enough rows that the last
		// ones show in the file window's frame, where no application frame runs
		for (int i = 0; i < 16; ++i) keys.add_binding();
		MACIBM_startwind(998, 0);
		while (!app_done) {
			OGL_plot_back_col();
			keys.keys_wind(0);
			MACIBM_event_proc();
		}
		xer << "host: " << keys.bindings.size() << " bindings\n";
		for (size_t i = 0; i < keys.bindings.size(); ++i)
			xer << "host: binding " << i << " " << keys_class::flag_to_str(keys.bindings[i].flags) << " "
			    << keys_class::vkey_to_str(keys.bindings[i].vkey) << "\n";
		xer.flush();
	} else if (step == "fatal") {
		APL_alert("Host fatal line one", "", "", "", t_exit);
		xer << "host: after the fatal alert\n";	// never reached
	}
	MACIBM_finishup(1);
	return 0;
}
