// A web install of a release (default 2,000 archives of 512 kB files) from an
// nginx mirror on loopback, side by side with what a user could run instead:
// one curl process fetching every archive over one connection, then one unzip
// per folder, 8 at a time. Then the CPU each spends per byte when loopback
// carries at most 20 MB/s (the first 400 files; only in a network namespace of
// its own, which the throttle must not leave). The engine's final check is
// timed apart: its CPU and its share of the run's.
// The engine repairs the case of names as the program does on the volume the
// set is on (on a volume that tells case apart, each name not there as spelled
// is looked for in its folder).
// Usage: engine_web_bench [count] [kb] [rounds] [--set=DIR] [--per-folder=N] [--engine-only]
//   --set=DIR      the release set made in DIR unless it holds one, and kept
//                  (two builds compared in turns share one set)
//   --per-folder=N the files in each folder of a set made (100)
//   --engine-only  only the engine's rounds: no curl, no throttled round
#include "engine_bench_util.h"
#include "utils_internal.h"
#include "../tests/support/test_servers.h"
#include "http.h"
#include <algorithm>
#include <cstdint>
#include <set>
#include <vector>
#include <sys/resource.h>
#include "UTL_clock.h"
#include "UTL_threads.h"

static const char* kMirror = "127.0.0.38";
enum { slow_files = 400 };

// Each round writes into folders of its own, all removed when the bench ends:
// thousands of files deleted just before a round would make it pay for the
// file system's skipping of recently freed inodes (ext4 without a journal),
// which no user's install meets.
static std::string g_rounds;
static std::string round_folder(const char* what)
{
	static int made = 0;
	return g_rounds + "/" + what + std::to_string(++made) + "/";
}

// A fresh install never asks; were it to, the files are kept.
static int keep_all(std::string, int) { return select_keep; }

static double cpu_seconds(int who)
{
	rusage u;
	getrusage(who, &u);
	return u.ru_utime.tv_sec + u.ru_utime.tv_usec * 1e-6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec * 1e-6;
}

struct bench_round {
	double curl = 0, curl_unzip = 0, engine = 0;
	double curl_cpu = 0, unzip_cpu = 0, engine_cpu = 0, engine_main_cpu = 0;
	double check = 0, check_cpu = 0, check_share = 0;	// the final check: seconds, CPU, share of the run's CPU
	int    good = 0, streams = 0, extract_error = 0;
};

static double median(std::vector<double> v)
{
	std::sort(v.begin(), v.end());
	return v.empty() ? 0 : v[v.size() / 2];
}

// curl: one process, one connection, every archive in turn into a folder per
// release folder; then unzip over each folder's archives, 8 folders at a time.
static void run_pipeline(const bench_set& set, bench_round& r, const char* host = kMirror, size_t files = SIZE_MAX)
{
	std::string dl = round_folder("curl"), dest = round_folder("curl_copy");
	std::string list = set.out + "/curl.list", pairs = set.out + "/unzip.pairs";
	FILE* cl = fopen(list.c_str(), "w");
	FILE* pf = fopen(pairs.c_str(), "w");
	std::set<std::string> folders;
	for (size_t i = 0; i < sim_info.size() && i < files; ++i) {
		std::string path = sim_info[i].versions.back().path, rel = path;
		trim_dest_folder(rel);
		std::string folder = rel.substr(0, rel.rfind('/') + 1);
		fprintf(cl, "url = \"http://%s/vantor_92102/%s.zip\"\noutput = \"%s%s.zip\"\n", host, path.c_str(),
		        dl.c_str(), rel.c_str());
		if (folders.insert(folder).second) fprintf(pf, "%s%s\n%s%s\n", dl.c_str(), folder.c_str(), dest.c_str(), folder.c_str());
	}
	fclose(cl);
	fclose(pf);
	double c0 = cpu_seconds(RUSAGE_CHILDREN), t0 = bench_now();
	bench_sh("curl -s --fail --create-dirs -K '" + list + "'");
	r.curl = bench_now() - t0;
	double c1 = cpu_seconds(RUSAGE_CHILDREN);
	bench_sh("tr '\\n' '\\0' < '" + pairs + "' | xargs -0 -n2 -P8 sh -c 'mkdir -p \"$2\" && unzip -qq -o \"$1*.zip\" -d \"$2\" >/dev/null' sh");
	r.curl_unzip = bench_now() - t0;
	r.curl_cpu = c1 - c0;
	r.unzip_cpu = cpu_seconds(RUSAGE_CHILDREN) - c1;
}

// The engine as the run screen drives it: decision, folders, then the pump in
// frames of 20 ms, each waiting on its sockets when it has nothing to do.
static void run_engine(const bench_set& set, const std::string& temp, bench_round& r, const char* host = kMirror,
                       size_t files = SIZE_MAX)
{
	bench_read_directory(set, temp);
	if (g_engine.sim_info.size() > files) g_engine.sim_info.resize(files);
	g_engine.server_name[0] = host;
	std::string copy = round_folder("copy");
	UTIL_prompt_hooks.select_alert = keep_all;
	g_engine.temp_path = temp;
	int cursor = 0;
	float progress;
	while (!checksum_directory(copy, cursor, 0, progress)) {}
	double c0 = cpu_seconds(RUSAGE_SELF), m0 = cpu_seconds(RUSAGE_THREAD), t0 = bench_now();
	choose_files(copy);
	make_dirs(copy);
	grab_files_start();
	int res = 0;
	// the CPU and clock before the call that began the final check
	double check_c0 = -1, check_t0 = 0, call_c0 = 0, call_t0 = 0;
	auto pump = [&] {
		if (check_c0 < 0) {
			call_c0 = cpu_seconds(RUSAGE_SELF);
			call_t0 = bench_now();
		}
		int got = grab_files(copy);
		if (check_c0 < 0 && g_grab.checking) {
			check_c0 = call_c0;
			check_t0 = call_t0;
		}
		return got;
	};
	while (!res) {
		xtim.xtim_update();
		double frame = bench_now();
		while (!(res = pump())) {
			double left = 0.02 - (bench_now() - frame);
			if (left <= 0) break;
			grab_files_wait((int)(left * 1000) + 1);
		}
	}
	r.engine = bench_now() - t0;
	r.engine_main_cpu = cpu_seconds(RUSAGE_THREAD) - m0;
	double c1 = cpu_seconds(RUSAGE_SELF);
	r.engine_cpu = c1 - c0;
	r.check = check_c0 < 0 ? 0 : t0 + r.engine - check_t0;
	r.check_cpu = check_c0 < 0 ? 0 : c1 - check_c0;
	r.check_share = r.engine_cpu > 0 ? r.check_cpu / r.engine_cpu : 0;
	r.streams = 0;
	for (int i = 0; i < http_stream_count; ++i) r.streams += g_grab.streams[i].on;
	r.extract_error = stg.extract_error;

	for (auto& h : g_engine.sim_info) h.versions.back().sig_have.clear();
	cursor = 0;
	while (!checksum_directory(copy, cursor, 0, progress)) UTL_sleep(1);
	r.good = 0;
	for (auto& h : sim_info) r.good += h.versions.back().up_to_date;
}

static double load_average()
{
	double l = 0;
	FILE* f = fopen("/proc/loadavg", "r");
	if (f) {
		if (fscanf(f, "%lf", &l) != 1) l = 0;
		fclose(f);
	}
	return l;
}

int main(int argc, char** argv)
{
	std::vector<char*> args;	// the numbers, in order
	std::string keep;
	bench_set set;
	bool engine_only = false;
	for (int i = 0; i < argc; ++i) {
		std::string a = argv[i];
		if (a.compare(0, 6, "--set=") == 0)
			keep = a.substr(6);
		else if (a.compare(0, 13, "--per-folder=") == 0)
			set.per_folder = std::max(1, atoi(a.c_str() + 13));
		else if (a == "--engine-only")
			engine_only = true;
		else
			args.push_back(argv[i]);
	}
	if (!set.make((int)args.size(), args.data(), keep)) return 1;
	int rounds = args.size() > 3 ? atoi(args[3]) : 3;
	if (rounds < 1) rounds = 1;
	bench_engine_start(set.out + "/log.txt");
	g_case_sensitive = PLAT_volume_case_sensitive(set.out);	// as the program sets it at start-up
	std::string temp = set.out + "/temp/";
	g_rounds = bench_scratch_make(set.out, "rounds");	// also inside a kept set: goes when interrupted
	if (g_rounds.empty()) return 1;
	g_rounds.pop_back();
	if (!bench_read_directory(set, temp)) return 1;
	TS_nginx nginx;
	if (!nginx.start(kMirror, 80, set.out + "/mirror", set.out + "/nginx", 3600)) {
		fprintf(stderr, "%s\n", nginx.error.c_str());
		return 1;
	}
	bench_sh("cat $(find '" + set.out + "/mirror' -type f) > /dev/null");	// served from the page cache
	g_engine.server_path[0] = "/vantor_92102/";
	g_engine.stg.num_servers = 1;

	double mb = 0;
	for (auto& h : sim_info) mb += h.versions.back().kb1 / 1000.0;
	size_t files = sim_info.size();
	std::vector<bench_round> all;
	bool ok = true;
	for (int k = 0; k < rounds; ++k) {
		bench_round r;
		// alternate which goes first, so that neither always meets a warmer cache
		if (engine_only) {
			run_engine(set, temp, r);
		} else if (k % 2 == 0) {
			run_pipeline(set, r);
			run_engine(set, temp, r);
		} else {
			run_engine(set, temp, r);
			run_pipeline(set, r);
		}
		if (!engine_only)
			printf("round %d: curl %.3f s, curl+unzip %.3f s, engine %.3f s (ratio %.2f); CPU curl %.2f s, unzip %.2f s, "
			       "engine %.2f s of which the pump's thread %.2f s; %d of %zu files match, %d streams at the end\n",
			       k + 1, r.curl, r.curl_unzip, r.engine, r.engine / r.curl_unzip, r.curl_cpu, r.unzip_cpu, r.engine_cpu,
			       r.engine_main_cpu, r.good, files, r.streams);
		printf("round %d: engine %.3f s, CPU %.3f s; final check %.3f s, CPU %.3f s (%.2f %% of the run's); "
		       "%d of %zu files match; load %.1f\n",
		       k + 1, r.engine, r.engine_cpu, r.check, r.check_cpu, 100 * r.check_share, r.good, files, load_average());
		fflush(stdout);
		ok = ok && r.good == (int)files && r.extract_error == 0;
		all.push_back(r);
	}
	auto med = [&](double bench_round::*f) {
		std::vector<double> v;
		for (auto& r : all) v.push_back(r.*f);
		return median(v);
	};
	printf("engine's final check (medians of %d rounds): %.3f s, CPU %.3f s of the run's %.3f s, share %.2f %%\n", rounds,
	       med(&bench_round::check), med(&bench_round::check_cpu), med(&bench_round::engine_cpu),
	       100 * med(&bench_round::check_share));
	if (engine_only) {
		nginx.stop();
		bench_scratch_remove(g_rounds);
		THREAD_shutdown();
		return ok ? 0 : 1;
	}
	double curl = med(&bench_round::curl), pipe = med(&bench_round::curl_unzip), eng = med(&bench_round::engine);
	double curl_cpu = med(&bench_round::curl_cpu), main_cpu = med(&bench_round::engine_main_cpu);
	printf("files %zu, %.0f MB of archives; medians of %d rounds\n", files, mb, rounds);
	printf("curl download                 : %7.3f s  %7.0f MB/s   CPU %6.2f s\n", curl, mb / curl, curl_cpu);
	printf("curl + unzip per folder (-P8) : %7.3f s  %7.0f MB/s   CPU %6.2f s\n", pipe, mb / pipe,
	       curl_cpu + med(&bench_round::unzip_cpu));
	printf("engine web install            : %7.3f s  %7.0f MB/s   CPU %6.2f s (pump thread %.2f s)\n", eng, mb / eng,
	       med(&bench_round::engine_cpu), main_cpu);
	printf("ratio engine / pipeline time  : %.2f\n", eng / pipe);
	// each round's pair taken together: the two met the same state of the
	// machine and its file system, which moves far more between rounds
	std::vector<double> r_time, r_cpu;
	for (auto& r : all) {
		r_time.push_back(r.engine / r.curl_unzip);
		r_cpu.push_back(r.engine_cpu / (r.curl_cpu + r.unzip_cpu));
	}
	printf("engine / curl+unzip, median of the rounds' ratios: time %.2f, CPU %.2f\n", median(r_time), median(r_cpu));
	printf("ratio pump thread CPU / curl CPU: %.2f\n", main_cpu / (curl_cpu > 0 ? curl_cpu : 1e-9));

	// CPU per byte at a rate a real mirror sends: a pump that spins burns a
	// core however slowly the bytes come.
	if (bench_sh("test \"$(readlink /proc/self/ns/net)\" != \"$(readlink /proc/1/ns/net)\"") != 0 ||
	    bench_sh("tc qdisc replace dev lo root tbf rate 20mbps burst 256kb latency 500ms") != 0) {
		printf("no throttled round: run it in a network namespace of its own, as root (unshare -n)\n");
	} else {
		bench_round s;
		g_engine.stg.stream_count = 4;
		run_pipeline(set, s, kMirror, slow_files);
		run_engine(set, temp, s, kMirror, slow_files);
		bench_sh("tc qdisc del dev lo root");
		double slow_mb = 0;
		for (auto& h : sim_info) slow_mb += h.versions.back().kb1 / 1000.0;
		ok = ok && s.good == (int)sim_info.size() && s.extract_error == 0;
		printf("loopback throttled to 20 MB/s, %zu files, %.0f MB:\n", sim_info.size(), slow_mb);
		printf("curl download                 : %7.3f s  CPU %6.3f s  (%.1f ms a MB)\n", s.curl, s.curl_cpu,
		       1000 * s.curl_cpu / slow_mb);
		printf("engine web install, 4 streams : %7.3f s  CPU %6.3f s, pump thread %6.3f s  (%.1f ms a MB)\n",
		       s.engine, s.engine_cpu, s.engine_main_cpu, 1000 * s.engine_main_cpu / slow_mb);
		printf("ratio pump thread CPU / curl CPU: %.2f\n", s.engine_main_cpu / (s.curl_cpu > 0 ? s.curl_cpu : 1e-9));
	}
	nginx.stop();
	bench_scratch_remove(g_rounds);
	THREAD_shutdown();
	return ok ? 0 : 1;
}
