// The test host programs: the first argument says what to do, the rest is the
// shell's own command line. Starts the shell in its window and returns that
// first argument ("" when there is none).
#ifndef TEST_HOST_START_H
#define TEST_HOST_START_H
#include "MACIBM_shell.h"
#include "tman.h"
#include <string>
#include <vector>

inline std::string TH_start(int argc, char** argv, bool button_art)
{
	std::vector<const char*> args{argv[0]};
	for (int i = 2; i < argc; ++i) args.push_back(argv[i]);
	MACIBM_init((int)args.size(), args.data());
	// the buttons are cut from the interface language's picture, which the installer loads
	if (button_art) tman.load_texture(tex_fail_alert, tman_ref_elements, tman_art_rgba, tex_load_2, "RESOURCE:elements_English.png");
	return argc > 1 ? argv[1] : "";
}

#endif
