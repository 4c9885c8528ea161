// The installer's entry point.
#include "UTL_cmdline.h"
#include "UTL_debug.h"
#include "UTL_globals.h"

int main(int argc, char** argv)
{
	UTL_debug_init();
	xer.open("Vantor Installer Log.txt", std::ios::out | std::ios::trunc);
	UTL_cmdline::init_unix(argc, argv);
	return 0;
}
