// Starts the shell in a real window and opens the about box, its update check
// pointed at the host given first; what the box held when it closed goes to the log.
#include "MACIBM_mnw.h"
#include "MACIBM_shell.h"
#include "UTL_about.h"
#include "UTL_alert.h"
#include "UTL_globals.h"
#include "hl_about.h"
#include "tman.h"
#include <string>
#include <vector>

int main(int argc, char** argv)
{
	std::vector<const char*> args{argv[0]};
	for (int i = 2; i < argc; ++i) args.push_back(argv[i]);
	MACIBM_init((int)args.size(), args.data());
	// the buttons are cut from the interface language's picture, which the installer loads
	tman.load_texture(tex_fail_alert, 413, 0x12092, tex_load_2, "RESOURCE:elements_English.png");
	if (argc > 1) about_update_host = argv[1];

	MACIBM_about();
	xer << "host: about closed, window " << mnw.current_window << ", state " << about_rec.ins_state << " ["
	    << about_rec.err_msg << "] version line [" << UTL_about_version_line(about_rec) << "]\n";
	xer.flush();
	MACIBM_finishup(1);
	return 0;
}
