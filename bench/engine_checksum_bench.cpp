// Checksum scan of page-cached trees by the engine's worker set, side by side
// with what a user would run instead and with the machine's MD5 limit, in
// alternating rounds of one run:
//   xargs -P: find | xargs -0 -P$(nproc) md5sum   (-n64 many files, -n1 few large)
//   xargs:    find | xargs -0 md5sum              (one process at a time)
//   dgst -P:  find | xargs -0 -P$(nproc) openssl dgst -md5: the crypto
//             library's MD5 as a tool over the same files, the same work
//             spread the same way (where every processor has one large file,
//             the slowest of them sets the time, as it does for the engine)
//   limit:    `openssl speed -evp md5` at 16 KB, one core's rate per CPU-second
//             times the processors, and all processors at once in wall time
//             (-multi) under the load of that round
//   memory:   the library's MD5 over the same work from memory, no files, on
//             as many threads: where each thread has one large file, the
//             slowest sets the time, so this is the most a scan can reach
// Each engine scan runs in a child process, so that its resident memory and
// CPU time are its own. Every round prints the 1-minute load average; the
// summary gives medians and the medians of the per-round ratios (below 1:
// the engine is faster). CPU time, unlike wall time, barely moves with the
// load: the engine's workers run at a lower priority than the tools.
// Usage: below (--help). Each set's tree lies in a folder of its own in the
// temporary folder, removed after the set and when the run is interrupted.
#include "engine_bench_util.h"
#include "p7z_md5.h"
#include "PLAT_files.h"
#include "path_utils.h"
#include "UTL_threads.h"
#include <algorithm>
#include <atomic>
#include <openssl/evp.h>
#include <thread>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

static const char kUsage[] =
    "Usage: engine_checksum_bench [--rounds N] [COUNTxBYTES ...]\n"
    "         (default: 2000x1048576 8x134217728 20000x4096, 5 rounds)\n"
    "       engine_checksum_bench --copy COPY/ DIRECTORY_TXT\n"
    "         (one engine scan of a copy made elsewhere, e.g. by scan_frames.py,\n"
    "         which pairs it with the window's scan of the same copy)\n";

struct scan_set {
	int count;
	long long bytes;
};

// The tree: the copy under OUT/tree/ and its directory file OUT/directory.txt.
static bool make_tree(const std::string& out, const scan_set& s)
{
	std::string body = "I\n900 version\nINSTALLER\n";
	std::vector<unsigned char> buf(1 << 20);
	unsigned long long x = 0x9e3779b97f4a7c15ull;
	std::string folder;
	for (int k = 0; k < s.count; ++k) {
		char rel[64];
		snprintf(rel, sizeof rel, "set%03d/", k / 500);
		if (folder != rel) {
			folder = rel;
			body += "\nDIR All/Resources/" + folder + "\n";
			mkdir((out + "/tree").c_str(), 0755);
			mkdir((out + "/tree/Resources").c_str(), 0755);
			mkdir((out + "/tree/Resources/" + folder).c_str(), 0755);
		}
		char name[32];
		snprintf(name, sizeof name, "file_%05d.bin", k);
		std::string path = out + "/tree/Resources/" + folder + name;
		int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
		if (fd < 0) return false;
		for (long long left = s.bytes; left > 0;) {
			size_t n = left < (long long)buf.size() ? (size_t)left : buf.size();
			for (size_t i = 0; i + 8 <= n; i += 8) {	// xorshift: incompressible, fast
				x ^= x << 13, x ^= x >> 7, x ^= x << 17;
				memcpy(&buf[i], &x, 8);
			}
			if (write(fd, buf.data(), n) != (ssize_t)n) {
				close(fd);
				return false;
			}
			left -= (long long)n;
		}
		close(fd);
		std::string sig;
		if (calc_file_md5(path, sig) != 0) return false;
		long long kb = s.bytes / 1000;
		body += "FILE 0 0 92102 " + std::to_string(kb) + " " + std::to_string(kb) + " " + sig + " " + name + "\n";
	}
	FILE* f = fopen((out + "/directory.txt").c_str(), "w");
	if (!f) return false;
	fwrite(body.data(), 1, body.size(), f);
	fclose(f);
	return true;
}

static double cpu_seconds(const struct rusage& ru)
{
	return (double)ru.ru_utime.tv_sec + ru.ru_utime.tv_usec * 1e-6 + (double)ru.ru_stime.tv_sec +
	       ru.ru_stime.tv_usec * 1e-6;
}

struct engine_result {
	double seconds = -1;
	double cpu = -1;	// the scan's, every thread
	double read_seconds = -1;	// the directory file into sim_info
	double sizes_seconds = -1;	// the sizes the wizard counts after the scan
	long max_rss_kb = 0;
	bool all_match = false;
};

// The engine's scan in a child process: read the directory, scan, report.
static engine_result engine_scan(const std::string& tree, const std::string& directory, const std::string& log)
{
	int pipefd[2];
	engine_result r;
	if (pipe(pipefd) != 0) return r;
	pid_t pid = fork();
	if (pid == 0) {
		close(pipefd[0]);
		bench_engine_start(log);
		g_case_sensitive = PLAT_volume_case_sensitive(tree);	// as the program sets it at start-up
		double t_read = bench_now();
		if (read_directory(directory, "") != 3) _exit(2);
		struct rusage ru0, ru1;
		getrusage(RUSAGE_SELF, &ru0);
		double t0 = bench_now();
		t_read = t0 - t_read;
		int cursor = 0;
		float progress = 0;
		while (!checksum_directory(tree, cursor, 0, progress)) UTL_sleep(1);
		double t = bench_now() - t0;
		getrusage(RUSAGE_SELF, &ru1);
		int good = 0;
		for (auto& h : sim_info) good += h.versions.back().up_to_date;
		double t_sizes = bench_now();
		set_install_filter(1, 1);
		scenery_from_install();
		recalc_disk_sizes();
		t_sizes = bench_now() - t_sizes;
		double msg[5] = {t, good == (int)sim_info.size() ? 1.0 : 0.0, t_read, t_sizes, cpu_seconds(ru1) - cpu_seconds(ru0)};
		if (write(pipefd[1], msg, sizeof msg) != (ssize_t)sizeof msg) _exit(3);
		_exit(0);	// no orderly shutdown: only the scan is measured
	}
	close(pipefd[1]);
	double msg[5] = {-1, 0, -1, -1, -1};
	ssize_t got = read(pipefd[0], msg, sizeof msg);
	close(pipefd[0]);
	int st = 0;
	struct rusage ru;
	wait4(pid, &st, 0, &ru);
	bench_scratch_child_ended(st);
	if (got == (ssize_t)sizeof msg && WIFEXITED(st) && WEXITSTATUS(st) == 0) {
		r.seconds = msg[0];
		r.all_match = msg[1] > 0;
		r.read_seconds = msg[2];
		r.sizes_seconds = msg[3];
		r.cpu = msg[4];
	}
	r.max_rss_kb = ru.ru_maxrss;
	return r;
}

struct timed { double seconds, cpu; };

// A shell command's wall time and the CPU time of everything it ran.
static timed timed_sh(const std::string& cmd)
{
	struct rusage r0, r1;
	getrusage(RUSAGE_CHILDREN, &r0);
	double t0 = bench_now();
	bench_sh(cmd);
	double t = bench_now() - t0;
	getrusage(RUSAGE_CHILDREN, &r1);
	return {t, cpu_seconds(r1) - cpu_seconds(r0)};
}

static std::string sh_out(const std::string& cmd)
{
	std::string out;
	FILE* p = popen(cmd.c_str(), "r");
	if (!p) return out;
	char buf[4096];
	size_t n;
	while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
	bench_scratch_child_ended(pclose(p));
	return out;
}

// openssl speed's MD5 rate at 16 KB in MB/s: one core per CPU-second, or all
// `procs` at once in wall time.
static double openssl_md5_rate(int procs)
{
	std::string cmd = "openssl speed -mr -evp md5 -bytes 16384 -seconds 1";
	if (procs > 1) cmd += " -elapsed -multi " + std::to_string(procs);
	std::string out = sh_out(cmd + " 2>/dev/null");
	size_t at = out.rfind("+F:");
	if (at == std::string::npos) return -1;
	size_t colon = out.find(':', out.find("md5", at));
	return colon == std::string::npos ? -1 : atof(out.c_str() + colon + 1) / 1e6;
}

// The library's MD5 over the set's work from memory: each of `procs` threads
// takes the next file's worth of bytes until none is left. Wall seconds.
static double memory_md5_seconds(const scan_set& s, int procs)
{
	std::atomic<int> next{0};
	double t0 = bench_now();
	std::vector<std::thread> threads;
	for (int i = 0; i < procs; ++i)
		threads.emplace_back([&] {
			std::vector<unsigned char> buf(256 * 1024, 0x5a);
			EVP_MD_CTX* x = EVP_MD_CTX_new();
			while (next.fetch_add(1) < s.count) {
				EVP_DigestInit_ex(x, EVP_md5(), nullptr);
				for (long long left = s.bytes; left > 0; left -= (long long)buf.size())
					EVP_DigestUpdate(x, buf.data(), (size_t)std::min<long long>(left, (long long)buf.size()));
				unsigned char d[EVP_MAX_MD_SIZE];
				unsigned n = 0;
				EVP_DigestFinal_ex(x, d, &n);
			}
			EVP_MD_CTX_free(x);
		});
	for (std::thread& t : threads) t.join();
	return bench_now() - t0;
}

static double load_average()
{
	double l[1] = {-1};
	getloadavg(l, 1);
	return l[0];
}

static double median(std::vector<double> v)
{
	std::sort(v.begin(), v.end());
	return v.empty() ? -1 : v[v.size() / 2];
}

int main(int argc, char** argv)
{
	if (argc == 4 && !strcmp(argv[1], "--copy")) {
		std::string tree = argv[2];
		if (tree.empty() || tree.back() != '/') tree += '/';
		engine_result e = engine_scan(tree, argv[3], "/dev/null");
		printf("engine scan: %.3f s  directory read: %.3f s  sizes after it: %.3f s  %s\n", e.seconds, e.read_seconds,
		       e.sizes_seconds,
		       e.all_match ? "all signatures match" : "SIGNATURES DIFFER");
		return e.seconds >= 0 && e.all_match ? 0 : 1;
	}
	int rounds = 5;
	std::vector<scan_set> sets;
	for (int i = 1; i < argc; ++i) {
		scan_set s;
		if (!strcmp(argv[i], "--rounds") && i + 1 < argc)
			rounds = std::max(1, atoi(argv[++i]));
		else if (sscanf(argv[i], "%dx%lld", &s.count, &s.bytes) == 2 && s.count > 0 && s.bytes > 0)
			sets.push_back(s);
		else {
			const bool help = !strcmp(argv[i], "--help") || !strcmp(argv[i], "-h");
			fputs(kUsage, help ? stdout : stderr);
			return help ? 0 : 2;
		}
	}
	if (sets.empty()) sets = {{2000, 1 << 20}, {8, 128ll << 20}, {20000, 4096}};
	int procs = UTL_count_processors();
	int failures = 0;
	printf("%d threads; %d alternating rounds per set; medians; MB = 10^6 bytes\n", procs, rounds);
	for (const scan_set& s : sets) {
		std::string out = bench_scratch_make("", "checksum_bench");
		if (out.empty()) return 1;
		out.pop_back();
		printf("\n%d files of %lld bytes under %s ...\n", s.count, s.bytes, out.c_str());
		fflush(stdout);
		if (!make_tree(out, s)) {
			fprintf(stderr, "could not make the tree\n");
			bench_scratch_remove(out);
			return 1;
		}
		bench_sh("find '" + out + "/tree' -type f -exec cat {} + > /dev/null");	// into the page cache
		bool few_large = s.bytes >= (64ll << 20);
		std::string find = "find '" + out + "/tree' -type f -print0 | xargs -0 ";
		std::string par = find + (few_large ? "-n1" : "-n64") + " -P" + std::to_string(procs) + " md5sum > /dev/null";
		std::string one = find + "md5sum > /dev/null";
		std::string dgst = find + (few_large ? "-n1" : "-n64") + " -P" + std::to_string(procs) + " openssl dgst -md5 > /dev/null";
		double mb = (double)s.count * (double)s.bytes / 1e6;
		std::vector<double> load, e_t, e_cpu, p_t, p_cpu, o_t, o_cpu, core, multi;
		std::vector<double> r_par, r_par_cpu, r_one, r_one_cpu, r_limit, r_multi, r_core, r_dgst, r_memory;
		long rss = 0;
		bool match = true;
		printf("  round  load   engine s (CPU s)  xargs -P s (CPU s)  xargs s (CPU s)  openssl: 1 core/CPU-s, %d at once MB/s\n",
		       procs);
		for (int r = 0; r < rounds; ++r) {
			load.push_back(load_average());
			engine_result e;
			timed tp, to;
			if (r % 2) e = engine_scan(out + "/tree/", out + "/directory.txt", out + "/log.txt");
			tp = timed_sh(par);
			to = timed_sh(one);
			timed td = timed_sh(dgst);
			if (!(r % 2)) e = engine_scan(out + "/tree/", out + "/directory.txt", out + "/log.txt");
			double c = openssl_md5_rate(1), m = openssl_md5_rate(procs);
			double in_memory = memory_md5_seconds(s, procs);
			e_t.push_back(e.seconds), e_cpu.push_back(e.cpu);
			p_t.push_back(tp.seconds), p_cpu.push_back(tp.cpu);
			o_t.push_back(to.seconds), o_cpu.push_back(to.cpu);
			core.push_back(c), multi.push_back(m);
			r_par.push_back(e.seconds / tp.seconds), r_par_cpu.push_back(e.cpu / tp.cpu);
			r_one.push_back(e.seconds / to.seconds), r_one_cpu.push_back(e.cpu / to.cpu);
			r_limit.push_back(mb / e.seconds / (c * procs));
			r_multi.push_back(mb / e.seconds / m);
			r_core.push_back(mb / e.cpu / c);
			r_dgst.push_back(e.seconds / td.seconds);
			r_memory.push_back(in_memory / e.seconds);
			rss = std::max(rss, e.max_rss_kb);
			match = match && e.all_match;
			printf("  %5d %5.1f   %6.3f (%6.3f)   %6.3f (%6.3f)    %6.3f (%6.3f)  %5.0f  %6.0f\n", r + 1, load.back(),
			       e.seconds, e.cpu, tp.seconds, tp.cpu, to.seconds, to.cpu, c, m);
			fflush(stdout);
		}
		printf("  median %4.1f   %6.3f (%6.3f)   %6.3f (%6.3f)    %6.3f (%6.3f)  %5.0f  %6.0f\n", median(load),
		       median(e_t), median(e_cpu), median(p_t), median(p_cpu), median(o_t), median(o_cpu), median(core),
		       median(multi));
		printf("  engine %.0f MB/s, %.0f MB per CPU-second, max RSS %ld MB, %s\n", mb / median(e_t),
		       mb / median(e_cpu), rss / 1024, match ? "all signatures match" : "SIGNATURES DIFFER");
		printf("  engine / xargs -P%d md5sum: wall %.2f  CPU %.2f\n", procs, median(r_par), median(r_par_cpu));
		printf("  engine / xargs md5sum:     wall %.2f  CPU %.2f\n", median(r_one), median(r_one_cpu));
		printf("  engine rate / (%d x one core's openssl rate): %.0f %%   / openssl on %d at once, same round: %.0f %%\n",
		       procs, 100 * median(r_limit), procs, 100 * median(r_multi));
		printf("  engine MB per CPU-second / openssl's: %.0f %%\n", 100 * median(r_core));
		printf("  engine rate / openssl's MD5 of the same work from memory on %d threads, same round: %.0f %%\n", procs,
		       100 * median(r_memory));
		printf("  engine / xargs -P%d openssl dgst -md5: wall %.2f\n", procs, median(r_dgst));
		fflush(stdout);
		failures += !match;
		bench_scratch_remove(out);
	}
	return failures ? 1 : 0;
}
