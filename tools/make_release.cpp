// The maker's front end to the release-set builder:
//   make_release --master DIR/ --out DIR/ [--previous directory.txt] [--type 0..3] [--disc-kb N] [--release N]
// An update set (type 0) needs the previous release's plain directory file.
// --release is the number written on every new line (92102 unless given);
// each set built from a previous one's directory file needs a new, higher one.
#include "make_installer.h"
#include "UTL_cmdline.h"
#include "UTL_debug.h"
#include "UTL_log.h"
#include "THREAD_service.h"
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <string>

static const char* const usage =
	"usage: make_release --master DIR --out DIR [--previous directory.txt] [--type 0..3] [--disc-kb N] [--release N]\n";

// A release number: decimal digits only, 1 or more, within an int.
static int parse_release(const std::string& v, int* out)
{
	if (v.empty() || v.size() > 10) return 0;
	long long n = 0;
	for (char c : v) {
		if (c < '0' || c > '9') return 0;
		n = n * 10 + (c - '0');
	}
	if (n < 1 || n > INT_MAX) return 0;
	*out = (int)n;
	return 1;
}

// Free heap the program keeps rather than returning it to the system.
static const int builder_heap_kept = 64 << 20;

static std::string with_slash(std::string s)
{
	if (!s.empty() && s.back() != '/') s += '/';
	return s;
}

int main(int argc, char** argv)
{
	UTL_debug_init();
	// Each archive takes and gives back a few hundred kB of compressor state:
	// kept, not returned to the system after every file, which would cost
	// every worker thread a flush of its address translations.
	mallopt(M_TRIM_THRESHOLD, builder_heap_kept);
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
		else if (k == "--release") {
			if (!parse_release(v, &release_number)) {
				fprintf(stderr, "--release takes a whole number from 1 up, not \"%s\"\n", v.c_str());
				return 2;
			}
		}
		else { fprintf(stderr, "unknown option %s\n", k.c_str()); return 2; }
	}
	if (master.empty() || out.empty() || (build_type == 0 && previous.empty())) {
		fputs(usage, stderr);
		return 2;
	}
	xer.open("Vantor Release Builder Log.txt", std::ios::out | std::ios::trunc);
	const char* no_args[] = {"make_release"};
	UTL_cmdline::init_unix(1, no_args);
	THREAD_init();	// a worker's fatal report is carried here, not raised on the worker
	make_installer_set_paths(master, out, previous);
	build_install();
	printf("release set written to %s (%d files)\n", out.c_str(), num_files_com);
	return 0;
}
