#ifndef ENGINE_BENCH_UTIL_H
#define ENGINE_BENCH_UTIL_H
// Shared by the engine benchmarks: the release set in the temporary folder, timing, shell.
#include "bench_scratch.h"
#include "utils.h"
#include "utils_internal.h"
#include "THREAD_service.h"
#include "UTL_cmdline.h"
#include "UTL_log.h"
#include "zip_utils.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

inline double bench_now()
{
	return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

inline int bench_sh(const std::string& cmd)
{
	int r = system(cmd.c_str());
	bench_scratch_child_ended(r);
	if (r != 0) fprintf(stderr, "command failed (%d): %s\n", r, cmd.c_str());
	return r;
}

// The set: OUT/tree (the installed files), OUT/mirror/vantor_92102 (archives and
// directory.txt.zip). Files and size from the command line: [count] [kb].
// With a folder `keep` the set is made there unless it already holds one, and
// is left for the next run (benchmarks that compare builds share one set).
struct bench_set {
	std::string out;
	int count = 2000;
	int kb = 1000;
	int per_folder = 100;	// files in each folder of the set
	bool kept = false;

	bool make(int argc, char** argv, const std::string& keep = std::string())
	{
		if (argc > 1) count = atoi(argv[1]);
		if (argc > 2) kb = atoi(argv[2]);
		if (!keep.empty()) {
			out = keep;
			kept = true;
			if (system(("test -d '" + out + "/mirror/vantor_92102'").c_str()) == 0) {
				printf("using the set under %s\n", out.c_str());
				return true;
			}
			if (bench_sh("mkdir -p '" + out + "'") != 0) return false;
		} else {
			// removed at the end and when the benchmark is interrupted
			out = bench_scratch_make("", "engine_bench");
			if (out.empty()) return false;
			out.pop_back();
		}
		printf("making %d files of %d kB under %s ...\n", count, kb, out.c_str());
		fflush(stdout);
		std::string here = __FILE__;
		std::string script = here.substr(0, here.rfind('/') + 1) + "../tests/engine/make_release.py";
		return bench_sh("python3 '" + script + "' bench '" + out + "' " + std::to_string(count) + " " +
		                std::to_string(kb) + " " + std::to_string(per_folder)) == 0;
	}

	~bench_set()
	{
		if (!kept) bench_scratch_remove(out);
	}
};

inline void bench_engine_start(const std::string& log)
{
	UTL_cmdline::add_one("--fps_test", "");
	xer.open(log, std::ios::out | std::ios::trunc);
	THREAD_init();
	memset(&g_engine.stg, 0, sizeof(g_engine.stg));
	g_engine.stg.target_os = os_mac;
	g_engine.stg.num_servers = servers_unknown;
	g_engine.stg.action = action_skip_unneeded;
}

// The directory file of the set, read into sim_info.
inline bool bench_read_directory(const bench_set& set, const std::string& temp)
{
	bench_sh("mkdir -p '" + temp + "'");
	if (zip_to_file(set.out + "/mirror/vantor_92102/directory.txt.zip", temp, nullptr, 0) != 0) return false;
	return read_directory(temp + "directory.txt", "") == 3;
}

#endif
