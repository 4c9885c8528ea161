// Checksum scan of a page-cached tree (default 2,000 files of 1 MB) by the
// engine's worker set, against find | xargs -0 -P$(nproc) md5sum on the same tree.
// Usage: engine_checksum_bench [count] [kb]
#include "engine_bench_util.h"
#include "UTL_threads.h"

int main(int argc, char** argv)
{
	bench_set set;
	if (!set.make(argc, argv)) return 1;
	bench_engine_start(set.out + "/log.txt");
	if (!bench_read_directory(set, set.out + "/temp/")) return 1;
	dest_dir_path = set.out + "/tree/";
	bench_sh("cat $(find '" + set.out + "/tree' -type f) > /dev/null");	// into the page cache

	double t0 = bench_now();
	bench_sh("find '" + set.out + "/tree' -type f -print0 | xargs -0 -P$(nproc) md5sum > /dev/null");
	double t_xargs = bench_now() - t0;
	// xargs packs every name into one or two command lines, so -P alone runs
	// few processes; 16 names per process gives it every core.
	t0 = bench_now();
	bench_sh("find '" + set.out + "/tree' -type f -print0 | xargs -0 -n16 -P$(nproc) md5sum > /dev/null");
	double t_xargs16 = bench_now() - t0;

	t0 = bench_now();
	int cursor = 0;
	float progress = 0;
	while (!checksum_directory(cursor, 0, progress)) UTL_sleep(1);
	double t_engine = bench_now() - t0;

	int good = 0;
	for (auto& h : sim_info) good += h.versions.back().up_to_date;
	double mb = (double)set.count * set.kb / 1000.0;
	printf("files %d, %.0f MB, %d threads, %d of %zu signatures match\n", set.count, mb, UTL_count_processors(),
	       good, sim_info.size());
	printf("find | xargs -0 -P md5sum      : %7.3f s  %7.0f MB/s\n", t_xargs, mb / t_xargs);
	printf("find | xargs -0 -n16 -P md5sum : %7.3f s  %7.0f MB/s\n", t_xargs16, mb / t_xargs16);
	printf("engine checksum scan           : %7.3f s  %7.0f MB/s\n", t_engine, mb / t_engine);
	printf("ratio (xargs -P time / engine time)     : %.2f\n", t_xargs / t_engine);
	printf("ratio (xargs -n16 -P time / engine time): %.2f\n", t_xargs16 / t_engine);
	THREAD_shutdown();
	return good == (int)sim_info.size() ? 0 : 1;
}
