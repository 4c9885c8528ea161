// Download throughput of the HTTP client against curl, from nginx on loopback:
// one 1 GiB file in one slot, four quarter files in four slots, and curl
// fetching the same 1 GiB file in the same run. Files live in /dev/shm so the
// disk does not set the pace.
#include "http.h"
#include "UTL_clock.h"
#include "UTL_cmdline.h"
#include "UTL_log.h"
#include "../tests/support/test_servers.h"
#include <chrono>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

static const char* addr = "127.0.0.28";

static double now()
{
	using namespace std::chrono;
	return duration<double>(steady_clock::now().time_since_epoch()).count();
}

static bool make_file(const std::string& path, long long size)
{
	FILE* f = fopen(path.c_str(), "wb");
	if (!f) return false;
	std::vector<char> block(1 << 20);
	unsigned seed = 7;
	for (auto& c : block) c = (char)((seed = seed * 1103515245u + 12345u) >> 16);
	for (long long done = 0; done < size; done += (long long)block.size()) {
		size_t n = (size_t)std::min<long long>((long long)block.size(), size - done);
		if (fwrite(block.data(), 1, n, f) != n) { fclose(f); return false; }
	}
	return fclose(f) == 0;
}

static long long file_size(const std::string& path)
{
	struct stat st;
	return stat(path.c_str(), &st) == 0 ? (long long)st.st_size : -1;
}

// Runs the transfers frame by frame as the program does; seconds, or -1 on failure.
static double run_slots(const std::vector<std::string>& paths, const std::string& out_dir)
{
	std::vector<int> result(paths.size(), 0);
	double t0 = now();
	for (size_t left = paths.size(); left;) {
		xtim.xtim_update();
		for (size_t i = 0; i < paths.size(); ++i) {
			if (result[i]) continue;
			result[i] = http.net_check(2 + (int)i, addr, paths[i], out_dir + "/got" + std::to_string(i));
			if (result[i]) --left;
		}
	}
	double t = now() - t0;
	for (int r : result)
		if (r != 1) return -1;
	return t;
}

int main()
{
	UTL_cmdline::add_one("--fps_test", "");
	const long long size = 1LL << 30;
	std::string dir = "/dev/shm/vantor-http-bench";
	TS_remove_tree(dir);
	mkdir(dir.c_str(), 0755);
	std::string www = dir + "/www", out = dir + "/out";
	mkdir(www.c_str(), 0755);
	mkdir(out.c_str(), 0755);
	xer.open(dir + "/log.txt");
	if (!make_file(www + "/big.bin", size)) { fprintf(stderr, "cannot make the test file\n"); return 1; }
	for (int i = 0; i < 4; ++i)
		if (!make_file(www + "/quarter" + std::to_string(i) + ".bin", size / 4)) return 1;

	TS_nginx ng;
	if (!ng.start(addr, 80, www, dir + "/nginx", 600)) { fprintf(stderr, "%s\n", ng.error.c_str()); return 1; }

	const int rounds = 7;
	double best_curl = 1e9, best_one = 1e9, best_four = 1e9;
	for (int r = 0; r < rounds; ++r) {
		std::string cmd = std::string("curl -s -f -o ") + out + "/curl.bin http://" + addr + "/big.bin";
		double t0 = now();
		int rc = system(cmd.c_str());
		double t = now() - t0;
		if (rc != 0 || file_size(out + "/curl.bin") != size) { fprintf(stderr, "curl failed\n"); return 1; }
		best_curl = std::min(best_curl, t);
		unlink((out + "/curl.bin").c_str());

		t = run_slots({"/big.bin"}, out);
		if (t < 0 || file_size(out + "/got0") != size) { fprintf(stderr, "one slot failed\n"); return 1; }
		best_one = std::min(best_one, t);
		unlink((out + "/got0").c_str());

		t = run_slots({"/quarter0.bin", "/quarter1.bin", "/quarter2.bin", "/quarter3.bin"}, out);
		if (t < 0) { fprintf(stderr, "four slots failed\n"); return 1; }
		best_four = std::min(best_four, t);
		for (int i = 0; i < 4; ++i) unlink((out + "/got" + std::to_string(i)).c_str());
		printf("round %d: curl %.3f s, one slot %.3f s, four slots %.3f s\n", r + 1, best_curl, best_one, best_four);
	}
	double mb = (double)size / (1 << 20);
	printf("1 GiB from nginx on loopback, best of %d:\n", rounds);
	printf("  curl        %.3f s  %7.0f MiB/s\n", best_curl, mb / best_curl);
	printf("  one slot    %.3f s  %7.0f MiB/s  (curl time / ours = %.2f)\n", best_one, mb / best_one, best_curl / best_one);
	printf("  four slots  %.3f s  %7.0f MiB/s  (curl time / ours = %.2f)\n", best_four, mb / best_four, best_curl / best_four);
	ng.stop();
	xer.close();
	TS_remove_tree(dir);
	return 0;
}
