// The maker's front end to the release-set builder:
//   make_release --master DIR/ --out DIR/ [--previous directory.txt] [--type 0..3] [--disc-kb N]
// An update set (type 0) needs the previous release's plain directory file.
#include "make_installer.h"
#include "UTL_cmdline.h"
#include "UTL_debug.h"
#include "UTL_globals.h"
#include <cstdio>
#include <cstdlib>
#include <string>

static std::string with_slash(std::string s)
{
	if (!s.empty() && s.back() != '/') s += '/';
	return s;
}

int main(int argc, char** argv)
{
	UTL_debug_init();
	// A command-line tool: failures are told on the terminal, not in a window.
	unsetenv("DISPLAY");
	std::string master, out, previous;
	for (int i = 1; i + 1 < argc; i += 2) {
		std::string k = argv[i], v = argv[i + 1];
		if (k == "--master") master = with_slash(v);
		else if (k == "--out") out = with_slash(v);
		else if (k == "--previous") previous = v;
		else if (k == "--type") build_type = atoi(v.c_str());
		else if (k == "--disc-kb") dvd_limit_kb = (float)atof(v.c_str());
		else { fprintf(stderr, "unknown option %s\n", k.c_str()); return 2; }
	}
	if (master.empty() || out.empty() || (build_type == 0 && previous.empty())) {
		fprintf(stderr, "usage: make_release --master DIR --out DIR [--previous directory.txt] [--type 0..3] [--disc-kb N]\n");
		return 2;
	}
	xer.open("Vantor Release Builder Log.txt", std::ios::out | std::ios::trunc);
	const char* no_args[] = {"make_release"};
	UTL_cmdline::init_unix(1, no_args);
	make_installer_set_paths(master, out, previous);
	build_install();
	printf("release set written to %s (%d files)\n", out.c_str(), num_files_com);
	return 0;
}
