// Starts the shell in a real window and raises, from the main thread, the alerts
// and the question the alert tests answer by hand (xdotool). Each step writes a
// line to the log when it returns, so the test can tell how far the run got.
#include "MACIBM_mnw.h"
#include "MACIBM_shell.h"
#include "UTL_alert.h"
#include "UTL_globals.h"
#include <string>
#include <vector>

int main(int argc, char** argv)
{
	const std::string step = argc > 1 ? argv[1] : "";
	std::vector<const char*> args{argv[0]};
	for (int i = 2; i < argc; ++i) args.push_back(argv[i]);
	MACIBM_init((int)args.size(), args.data());

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
	} else if (step == "fatal") {
		APL_alert("Host fatal line one", "", "", "", t_exit);
		xer << "host: after the fatal alert\n";	// never reached
	}
	MACIBM_finishup(1);
	return 0;
}
