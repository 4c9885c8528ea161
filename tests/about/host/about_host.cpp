// Starts the shell in a real window and opens the about box, its update check
// pointed at the host given first; what the box held when it closed goes to the log.
#include "../../support/host_start.h"
#include "MACIBM_mnw.h"
#include "MACIBM_shell.h"
#include "UTL_about.h"
#include "UTL_alert.h"
#include "UTL_log.h"
#include "hl_about.h"
#include "tman.h"
#include <string>
#include <vector>

int main(int argc, char** argv)
{
	const std::string site = TH_start(argc, argv, true);
	if (!site.empty()) about_update_host = site;

	MACIBM_about();
	xer << "host: about closed, window " << mnw.current_window << ", state " << about_rec.ins_state << " ["
	    << about_rec.err_msg << "] version line [" << UTL_about_version_line(about_rec) << "]\n";
	xer.flush();
	MACIBM_finishup(1);
	return 0;
}
