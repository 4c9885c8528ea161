// The maker's front end to the release-set builder:
//   make_release --master DIR --out DIR [--type 0..3] [--previous FILE] [--release N] [--disc-kb N]
// An option it cannot use is refused with its reason before anything is read;
// --help says what each option and each kind of set means.
#include "make_installer.h"
#include "UTL_cmdline.h"
#include "UTL_debug.h"
#include "UTL_log.h"
#include "THREAD_service.h"
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <string>
#include <sys/stat.h>

static const char* const usage =
	"usage: make_release --master DIR --out DIR [--type 0..3] [--previous FILE] [--release N] [--disc-kb N]\n";

static const char* const help_text =
	"Builds a release set from a master tree: one archive per file, the zipped\n"
	"directory file that lists them (directory.txt.zip) and the disc marker file\n"
	"dvd_version.txt.\n"
	"\n"
	"  --master DIR     the master tree: the folders Linux, Macintosh, Windows and\n"
	"                   All; All holds Aircraft, Airfoils, Instructions, Output,\n"
	"                   Resources (with plugins), Weapons and Custom Scenery, and\n"
	"                   for the product's disc set Global Scenery too\n"
	"  --out DIR        where the set is written; an update set needs a new folder\n"
	"  --type N         the kind of set, 0 unless given:\n"
	"                     0  an update set for the web mirrors, in DIR/Vantor 9.21rc2/:\n"
	"                        every file but the global terrain and overlays, red\n"
	"                        terrain, orbit textures, Mars and Moon, each file's\n"
	"                        history carried over from the previous release and\n"
	"                        every file that left it marked gone (an update\n"
	"                        deletes it)\n"
	"                     1  the product's disc set \"Vantor 9\", in DIR/disk_0/ ...:\n"
	"                        everything but Mars and Moon; each global scenery\n"
	"                        file needs its .7z archive beside it\n"
	"                     2  the \"Mars\" disc set: the Mars scenery alone\n"
	"                     3  the \"Moon\" disc set: the Moon scenery alone\n"
	"  --previous FILE  needed by an update set, and only read there: the previous\n"
	"                   release's directory file, unzipped from its\n"
	"                   directory.txt.zip; for a first release, a directory file\n"
	"                   that lists no file (the lines \"A\", \"900 version\",\n"
	"                   \"INSTALLER\" and an empty one)\n"
	"  --release N      the release number written on every new line, 92102 unless\n"
	"                   given; above every number the previous directory file holds\n"
	"  --disc-kb N      the kilobytes (of 1,000 bytes) of archives a disc takes: a\n"
	"                   disc is cut after the file that takes it past N, 7670000\n"
	"                   unless given; a disc set has at most 6 discs, disk_0 to disk_5\n"
	"  -h, --help       this text\n"
	"\n"
	"An option it cannot use ends it with status 2 and the reason. A master that\n"
	"holds anything a set cannot take, or any other failure, ends it with status 1,\n"
	"nothing written, and the reason on the terminal and in \"Vantor Release Builder\n"
	"Log.txt\" in the folder it runs in (every refused entry on a line beginning\n"
	"\"Refused:\").\n";

// Ends the program on an option it cannot use: the reason, and where to read more.
static int refuse(const std::string& why)
{
	fprintf(stderr, "make_release: %s\n%smake_release --help says what each option and each kind of set means.\n", why.c_str(), usage);
	return 2;
}

// A whole number from 1 up, decimal digits only, within an int.
static int parse_whole(const std::string& v, int* out)
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
	(void)unsetenv("DISPLAY");	// a valid name: it cannot fail
	std::string master, out, previous;
	bool has_previous = false;
	for (int i = 1; i < argc; ++i)
		if (!strcmp(argv[i], "-h") || !strcmp(argv[i], "--help")) {
			fputs(usage, stdout);
			fputs(help_text, stdout);
			return 0;
		}
	for (int i = 1; i < argc; i += 2) {
		std::string k = argv[i];
		static const char* const takes_value[] = {"--master", "--out", "--previous", "--type", "--disc-kb", "--release"};
		bool known = false;
		for (const char* o : takes_value) known = known || k == o;
		if (!known) return refuse("unknown option \"" + k + "\"");
		if (i + 1 >= argc || !strncmp(argv[i + 1], "--", 2)) return refuse(k + " needs a value");
		std::string v = argv[i + 1];
		int n = 0;
		if (k == "--master") master = with_slash(v);
		else if (k == "--out") out = with_slash(v);
		else if (k == "--previous") previous = v, has_previous = true;
		else if (k == "--type") {
			if (v.size() != 1 || v[0] < '0' || v[0] > '3')
				return refuse("--type takes 0, 1, 2 or 3 (0 an update set, 1 the product's disc set, 2 the Mars set, "
				              "3 the Moon set), not \"" + v + "\"");
			build_type = v[0] - '0';
		} else if (k == "--disc-kb") {
			if (!parse_whole(v, &n)) return refuse("--disc-kb takes a whole number of kilobytes from 1 up, not \"" + v + "\"");
			dvd_limit_kb = (float)n;
		} else if (!parse_whole(v, &release_number))
			return refuse("--release takes a whole number from 1 up, not \"" + v + "\"");
	}
	if (master.empty()) return refuse("--master DIR is needed: the master tree the set is built from");
	if (out.empty()) return refuse("--out DIR is needed: the folder the set is written to");
	if (build_type == 0 && !has_previous)
		return refuse("an update set (--type 0, the default) needs --previous FILE: the previous release's directory "
		              "file, unzipped; for a first release, a directory file that lists no file");
	if (build_type != 0 && has_previous)
		return refuse("--previous is read by an update set (--type 0) alone: a disc set carries no history");
	struct stat st;
	if (stat(master.c_str(), &st) != 0) return refuse("the master tree " + master + " cannot be read: " + strerror(errno));
	if (!S_ISDIR(st.st_mode)) return refuse("the master tree " + master + " is not a folder");
	if (build_type == 0) {
		FILE* f = fopen(previous.c_str(), "r");
		if (!f) return refuse("the previous directory file " + previous + " cannot be read: " + strerror(errno));
		(void)fclose(f);	// read only
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
