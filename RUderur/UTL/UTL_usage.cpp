// The informational options: they print and end the process before any window exists.
#include "UTL_cmdline.h"
#include <cstdio>
#include <cstdlib>

static const char* usage_text =
	"Usage: Vantor [options...]\n"
	"\n"
	"Flags take the form --flag or --flag=value.\n";

int UTL_cmdline::init_common()
{
	if (has_option("--version")) exit(0);
	if (has_option("-h") || has_option("--help")) {
		printf("%s\n", usage_text);
		exit(0);
	}
	return 0;
}
