// The release builder side by side with a parallel zip of the same master
// tree, alternating pairs in one run, medians, the load average beside each
// figure. The peer zips every file into an archive of its own:
//   find | xargs -0 -P<threads> -I{} zip -q OUT/{}.zip {}   (one zip per file)
// The builder runs as its own program (make_release), so that its time, CPU
// and peak resident memory are its own.
// Usage: builder_bench [--builder PATH ...] [--rounds N] [--dir FOLDER] [SET ...]
//   --dir: where the scratch trees are made (default /tmp); each is removed after.
//   --builder, given more than once, times each builder in every round after
//   the peer (an older build beside the current one, say).
//   SET: large (27 files, about 2 GB, half random, half text), half64 (16 x 64 MB,
//   half random, half text), small (100,000 text files of 1 to 8 kB), or
//   COUNTxBYTES (text). Default: large half64 small.
#include "engine_bench_util.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

static std::string load_average()
{
	char buf[64] = {0};
	FILE* f = fopen("/proc/loadavg", "r");
	if (f) {
		if (!fgets(buf, sizeof buf, f)) buf[0] = 0;
		fclose(f);
	}
	std::string s = buf;
	size_t third = s.find(' ', s.find(' ', s.find(' ') + 1) + 1);
	return "load " + s.substr(0, third);
}

struct tree_file {
	std::string rel;
	long long bytes;
	bool random;
};

// Text that deflates about as well as prose; random bytes that do not.
static bool write_file(const std::string& path, long long bytes, bool random, unsigned long long& x)
{
	static const char* words[] = {"lift ", "drag ", "thrust ", "weight ", "flap ", "trim ", "rudder ", "aileron ",
	                              "pitch ", "yaw ", "roll ", "gear ", "stall ", "glide ", "climb ", "cruise ",
	                              "flare ", "taxi ", "runway ", "beacon\n", "0.25 ", "1013 ", "-45.5 ", "FL350\n"};
	int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
	if (fd < 0) return false;
	std::vector<char> buf(1 << 20);
	for (long long left = bytes; left > 0;) {
		size_t n = left < (long long)buf.size() ? (size_t)left : buf.size();
		size_t i = 0;
		while (i < n) {
			x ^= x << 13, x ^= x >> 7, x ^= x << 17;
			if (random) {
				size_t k = std::min<size_t>(8, n - i);
				memcpy(&buf[i], &x, k);
				i += k;
			} else {
				const char* w = words[x % (sizeof words / sizeof *words)];
				size_t k = std::min(strlen(w), n - i);
				memcpy(&buf[i], w, k);
				i += k;
			}
		}
		if (write(fd, buf.data(), n) != (ssize_t)n) {
			close(fd);
			return false;
		}
		left -= (long long)n;
	}
	return close(fd) == 0;
}

// The folders every update set needs, each with a small file, then the set's files.
static bool make_master(const std::string& master, const std::vector<tree_file>& files)
{
	static const char* needed[] = {"Macintosh/m.txt", "Windows/w.txt", "Linux/l.txt", "All/Instructions/i.txt",
	                               "All/Weapons/w.txt", "All/Airfoils/f.afl", "All/Aircraft/p/p.acf",
	                               "All/Output/o.txt", "All/Custom Scenery/c.dat", "All/Resources/plugins/ZENK.so"};
	unsigned long long x = 0x9e3779b97f4a7c15ull;
	std::string made;
	auto put = [&](const std::string& rel, long long bytes, bool random) {
		std::string dir = master + rel.substr(0, rel.rfind('/'));
		if (dir != made && bench_sh("mkdir -p '" + dir + "'") != 0) return false;
		made = dir;
		return write_file(master + rel, bytes, random, x);
	};
	for (const char* n : needed)
		if (!put(n, 100, false)) return false;
	for (const tree_file& f : files)
		if (!put(f.rel, f.bytes, f.random)) return false;
	return true;
}

static std::vector<tree_file> set_files(const std::string& name)
{
	std::vector<tree_file> v;
	char rel[96];
	if (name == "large") {	// 27 files from 20 to 140 MB, about 2 GB
		for (int i = 0; i < 27; ++i) {
			snprintf(rel, sizeof rel, "All/Resources/large/file_%02d.bin", i);
			v.push_back({rel, (20ll + (i * 37) % 121) << 20, i % 2 == 0});
		}
	} else if (name == "half64") {
		for (int i = 0; i < 16; ++i) {
			snprintf(rel, sizeof rel, "All/Resources/half/file_%02d.bin", i);
			v.push_back({rel, 64ll << 20, i % 2 == 0});
		}
	} else if (name == "small") {
		for (int i = 0; i < 100000; ++i) {
			snprintf(rel, sizeof rel, "All/Aircraft/set%03d/file_%05d.txt", i / 500, i);
			v.push_back({rel, 1000ll + (i * 7919) % 7000, false});
		}
	} else {
		int count = 0;
		long long bytes = 0;
		if (sscanf(name.c_str(), "%dx%lld", &count, &bytes) == 2)
			for (int i = 0; i < count && bytes > 0; ++i) {
				snprintf(rel, sizeof rel, "All/Resources/set%03d/file_%05d.txt", i / 500, i);
				v.push_back({rel, bytes, false});
			}
	}
	return v;
}

struct run_result {
	double seconds = -1, cpu = 0;
	long max_rss_kb = 0;
	bool ok = false;
};

// One command in a child process, its wall time, CPU time and peak memory.
static run_result run(const std::string& cmd)
{
	run_result r;
	double t0 = bench_now();
	pid_t pid = fork();
	if (pid == 0) {
		execl("/bin/sh", "sh", "-c", cmd.c_str(), (char*)nullptr);
		_exit(127);
	}
	int st = 0;
	struct rusage ru;
	if (pid < 0 || wait4(pid, &st, 0, &ru) != pid) return r;
	r.seconds = bench_now() - t0;
	r.cpu = (double)ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 + (double)ru.ru_stime.tv_sec + ru.ru_stime.tv_usec / 1e6;
	r.max_rss_kb = ru.ru_maxrss;
	r.ok = WIFEXITED(st) && WEXITSTATUS(st) == 0;
	if (!r.ok) fprintf(stderr, "failed (%d): %s\n", st, cmd.c_str());
	return r;
}

static double median(std::vector<double> v)
{
	std::sort(v.begin(), v.end());
	return v.empty() ? -1 : v[v.size() / 2];
}

int main(int argc, char** argv)
{
	std::vector<std::string> builders;
	int rounds = 3;
	std::vector<std::string> sets;
	std::string scratch = "/tmp";
	for (int i = 1; i < argc; ++i) {
		std::string a = argv[i];
		if (a == "--builder" && i + 1 < argc) builders.push_back(argv[++i]);
		else if (a == "--rounds" && i + 1 < argc) rounds = std::max(1, atoi(argv[++i]));
		else if (a == "--dir" && i + 1 < argc) scratch = argv[++i];
		else sets.push_back(a);
	}
	if (sets.empty()) sets = {"large", "half64", "small"};
	if (builders.empty()) builders.push_back(std::string(VANTOR_BINARY_DIR_BENCH) + "/make_release");
	long threads = sysconf(_SC_NPROCESSORS_ONLN);
	for (size_t b = 0; b < builders.size(); ++b) printf("builder %zu: %s\n", b + 1, builders[b].c_str());
	printf("%d rounds per set (the peer, then each builder), medians of the ratios; %ld threads for the peer\n", rounds,
	       threads);
	int failures = 0;
	for (const std::string& name : sets) {
		std::vector<tree_file> files = set_files(name);
		if (files.empty()) {
			fprintf(stderr, "unknown set %s\n", name.c_str());
			return 2;
		}
		std::string base = bench_scratch_make(scratch, "builder-bench");	// goes when interrupted too
		if (base.empty()) {
			perror(scratch.c_str());
			return 1;
		}
		base.pop_back();
		long long total = 0;
		for (auto& f : files) total += f.bytes;
		printf("\n%s: %zu files, %.0f MB, under %s ...\n", name.c_str(), files.size(), total / 1e6, base.c_str());
		fflush(stdout);
		std::string master = base + "/master/";
		if (!make_master(master, files)) {
			fprintf(stderr, "could not make the master tree\n");
			bench_scratch_remove(base);
			return 1;
		}
		FILE* prev = fopen((base + "/previous.txt").c_str(), "w");
		if (!prev) return 1;
		fputs("A\n900 version\nINSTALLER\n\n", prev);
		fclose(prev);
		bench_sh("find '" + master + "' -type f -exec cat {} + > /dev/null");	// into the page cache

		std::string out = base + "/out";
		std::string peer = "cd '" + master + "' && find . -type d -print0 | (mkdir -p '" + out + "' && cd '" + out +
		                   "' && xargs -0 mkdir -p) && find . -type f -print0 | xargs -0 -P" + std::to_string(threads) +
		                   " -I{} zip -q '" + out + "/{}.zip' {}";
		auto ours = [&](size_t b) {
			return "cd '" + base + "' && '" + builders[b] + "' --master '" + master + "' --out '" + out + "' --previous '" +
			       base + "/previous.txt' --type 0 > '" + base + "/build.log' 2>&1";
		};
		size_t nb = builders.size();
		std::vector<double> t_peer;
		std::vector<std::vector<double>> t_ours(nb), ratios(nb);
		std::vector<long> rss(nb, 0);
		for (int r = 0; r < rounds && !failures; ++r) {
			bench_sh("rm -rf '" + out + "'; sync");
			std::string load = load_average();
			run_result p = run(peer);
			if (!p.ok) ++failures;
			t_peer.push_back(p.seconds);
			printf("  round %d: peer      %8.2f s, CPU %8.2f s, max RSS %ld MB (%s)\n", r + 1, p.seconds, p.cpu,
			       p.max_rss_kb / 1024, load.c_str());
			for (size_t b = 0; b < nb && p.ok; ++b) {
				bench_sh("rm -rf '" + out + "'; sync");
				load = load_average();
				run_result o = run(ours(b));
				if (!o.ok) {
					++failures;
					break;
				}
				t_ours[b].push_back(o.seconds);
				ratios[b].push_back(o.seconds / p.seconds);
				rss[b] = std::max(rss[b], o.max_rss_kb);
				printf("           builder %zu %8.2f s, CPU %8.2f s, max RSS %ld MB (%s), ratio %.3f\n", b + 1, o.seconds,
				       o.cpu, o.max_rss_kb / 1024, load.c_str(), ratios[b].back());
			}
			fflush(stdout);
		}
		for (size_t b = 0; b < nb && !ratios[b].empty(); ++b)
			printf("  %s, builder %zu: peer %.2f s, builder %.2f s (max RSS %ld MB); builder / peer, median of pairs: %.3f (%s now)\n",
			       name.c_str(), b + 1, median(t_peer), median(t_ours[b]), rss[b] / 1024, median(ratios[b]),
			       load_average().c_str());
		fflush(stdout);
		bench_scratch_remove(base);
	}
	return failures ? 1 : 0;
}
