// A web install of a release (default 2,000 archives of 1 MB files) from an
// nginx mirror on loopback, against a curl download of every archive followed
// by an unzip of each. Usage: engine_web_bench [count] [kb]
#include "engine_bench_util.h"
#include "../tests/support/test_servers.h"
#include "http.h"
#include <set>
#include "UTL_clock.h"
#include "UTL_threads.h"

static const char* kMirror = "127.0.0.38";

// A fresh install never asks; were it to, the files are kept.
static int keep_all(std::string, int) { return select_keep; }

int main(int argc, char** argv)
{
	bench_set set;
	if (!set.make(argc, argv)) return 1;
	bench_engine_start(set.out + "/log.txt");
	std::string temp = set.out + "/temp/";
	if (!bench_read_directory(set, temp)) return 1;
	TS_nginx nginx;
	if (!nginx.start(kMirror, 80, set.out + "/mirror", set.out + "/nginx", 1200)) {
		fprintf(stderr, "%s\n", nginx.error.c_str());
		return 1;
	}
	bench_sh("cat $(find '" + set.out + "/mirror' -type f) > /dev/null");	// served from the page cache

	// curl: one process fetching every archive in turn, then unzip of each.
	std::string dl = set.out + "/curl/", dest_curl = set.out + "/curl_copy/";
	std::string list = set.out + "/curl.list", unz = set.out + "/unzip.sh";
	FILE* cl = fopen(list.c_str(), "w");
	FILE* us = fopen(unz.c_str(), "w");
	std::set<std::string> folders;
	for (size_t i = 0; i < sim_info.size(); ++i) {
		std::string path = sim_info[i].versions.back().path, rel = path;
		trim_dest_folder(rel);
		fprintf(cl, "url = \"http://%s/vantor_92102/%s.zip\"\noutput = \"%s%zu.zip\"\n", kMirror, path.c_str(),
		        dl.c_str(), i);
		std::string folder = dest_curl + rel.substr(0, rel.rfind('/') + 1);
		if (folders.insert(folder).second) fprintf(us, "mkdir -p '%s'\n", folder.c_str());
		fprintf(us, "unzip -q -o '%s%zu.zip' -d '%s'\n", dl.c_str(), i, folder.c_str());
	}
	fclose(cl);
	fclose(us);
	bench_sh("mkdir -p '" + dl + "'");
	double t0 = bench_now();
	bench_sh("curl -s --fail -K '" + list + "'");
	double t_curl = bench_now() - t0;
	bench_sh("sh '" + unz + "'");
	double t_curl_all = bench_now() - t0;
	bench_sh("rm -rf '" + dl + "' '" + dest_curl + "'");

	// The engine: decision, folders, then the pump in 20 ms frames.
	std::string copy = set.out + "/copy/";
	UTIL_prompt_hooks.select_alert = keep_all;
	temp_path = temp;
	server_name[0] = kMirror;
	server_path[0] = "/vantor_92102/";
	stg.num_servers = 1;
	int cursor = 0;
	float progress;
	while (!checksum_directory(copy, cursor, 0, progress)) {}
	t0 = bench_now();
	choose_files(copy);
	make_dirs(copy);
	grab_files_start();
	int r = 0;
	while (!r) {
		xtim.xtim_update();
		double frame = bench_now();
		while (!r && bench_now() - frame < 0.02) r = grab_files(copy);
	}
	double t_engine = bench_now() - t0;
	int streams = next.stream_on[0] + next.stream_on[1] + next.stream_on[2] + next.stream_on[3];

	cursor = 0;
	while (!checksum_directory(copy, cursor, 0, progress)) UTL_sleep(1);
	int good = 0;
	for (auto& h : sim_info) good += h.versions.back().up_to_date;
	double mb = 0;
	for (auto& h : sim_info) mb += h.versions.back().kb1 / 1000.0;
	printf("files %zu, %.0f MB of archives; %d of them match afterwards; extract_error %d; %d streams at the end\n",
	       sim_info.size(), mb, good, stg.extract_error, streams);
	printf("curl download          : %7.3f s\n", t_curl);
	printf("curl download + unzip  : %7.3f s  %7.0f MB/s\n", t_curl_all, mb / t_curl_all);
	printf("engine web install     : %7.3f s  %7.0f MB/s\n", t_engine, mb / t_engine);
	printf("ratio (curl+unzip time / engine time): %.2f\n", t_curl_all / t_engine);
	nginx.stop();
	THREAD_shutdown();
	return r == 1 && good == (int)sim_info.size() ? 0 : 1;
}
