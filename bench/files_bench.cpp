// MD5 throughput against md5sum on one 1 GB file, and zip extraction of a tree
// of archives against unzip. One run each; figures as ratios (ours / theirs).
#include "bench_scratch.h"
#include "io_utils.h"
#include "p7z_md5.h"
#include "zip_utils.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

static double now()
{
	return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

static const char kUsage[] =
    "Usage: files_bench [FOLDER]\n"
    "  Writes about 2 GB into a new folder of its own inside FOLDER (the temporary\n"
    "  folder by default) and removes that folder when it ends or is interrupted;\n"
    "  nothing else in FOLDER is touched.\n";

static int sh(const std::string& cmd)
{
	int r = system(cmd.c_str());
	bench_scratch_child_ended(r);
	return r;
}

static std::string sh_out(const std::string& cmd)
{
	std::string out;
	if (FILE* p = popen(cmd.c_str(), "r")) {
		char buf[256];
		while (fgets(buf, sizeof(buf), p)) out += buf;
		bench_scratch_child_ended(pclose(p));
	}
	return out;
}

static bool write_random(const std::string& path, size_t size, unsigned seed)
{
	FILE* f = fopen(path.c_str(), "wb");
	if (!f) return false;
	std::mt19937_64 rng(seed);
	std::vector<uint64_t> block(1 << 17);	// 1 MB
	size_t left = size;
	while (left > 0) {
		for (auto& w : block) w = rng();
		size_t n = left < block.size() * 8 ? left : block.size() * 8;
		if (fwrite(block.data(), 1, n, f) != n) { fclose(f); return false; }
		left -= n;
	}
	return fclose(f) == 0;
}

int main(int argc, char** argv)
{
	if (argc > 2 || (argc == 2 && (argv[1][0] == '-' || !argv[1][0]))) {
		const bool help = argc == 2 && (!strcmp(argv[1], "--help") || !strcmp(argv[1], "-h"));
		fputs(kUsage, help ? stdout : stderr);
		return help ? 0 : 2;
	}
	std::string dir = bench_scratch_make(argc > 1 ? argv[1] : "", "files_bench");
	if (dir.empty()) {
		fprintf(stderr, "files_bench: cannot make a folder inside %s: %s\n%s", argc > 1 ? argv[1] : "the temporary folder",
		        strerror(errno), kUsage);
		return 1;
	}
	printf("working in %s\n", dir.c_str());
	fflush(stdout);

	// MD5 of 1 GB: both read from the page cache (one warm-up pass first).
	std::string big = dir + "one_gb.bin";
	if (!write_random(big, 1000000000ul, 1)) { fprintf(stderr, "cannot write %s\n", big.c_str()); return 1; }
	sh("cat '" + big + "' > /dev/null");
	std::string sig;
	double t0 = now();
	int err = calc_file_md5(big, sig);
	double ours = now() - t0;
	t0 = now();
	std::string theirs_sig = sh_out("md5sum '" + big + "'").substr(0, 32);
	double theirs = now() - t0;
	printf("MD5 of 1 GB: calc_file_md5 %.3f s (%.0f MB/s), md5sum %.3f s (%.0f MB/s), ratio %.2f, digests %s\n",
	       ours, 1000.0 / ours, theirs, 1000.0 / theirs, ours / theirs,
	       (!err && sig == theirs_sig) ? "equal" : "DIFFER");
	unlink(big.c_str());

	// A release-like tree: 300 files of 1 kB to 3 MB (text-like and random), each
	// packed into an archive of its own by the real zip, plus one archive of everything.
	std::string src = dir + "src/";
	sh("mkdir -p '" + src + "'");
	std::mt19937 rng(7);
	std::vector<std::string> names;
	for (int i = 0; i < 300; ++i) {
		std::string folder = "f" + std::to_string(i % 12) + "/";
		sh("mkdir -p '" + src + folder + "'");
		std::string name = folder + "file" + std::to_string(i) + ".dat";
		size_t size = 1000 + rng() % 3000000;
		if (i % 2) {
			write_random(src + name, size, i);
		} else {
			FILE* f = fopen((src + name).c_str(), "wb");
			for (size_t k = 0; k < size; k += 60) fprintf(f, "FILE %zu %u some repeated text of a data file\n", k, (unsigned)(rng() % 1000));
			fclose(f);
		}
		names.push_back(name);
	}
	std::string zips = dir + "zips/";
	sh("mkdir -p '" + zips + "' && cd '" + src + "' && for f in */*.dat; do zip -qy \"../zips/$(echo $f | tr / _).zip\" \"$f\"; done");
	sh("cd '" + src + "' && zip -qry ../all.zip .");
	sh("cat '" + zips + "'* '" + dir + "all.zip' > /dev/null");

	std::string out1 = dir + "out_ours/", out2 = dir + "out_unzip/";
	sh("mkdir -p '" + out1 + "' '" + out2 + "'");
	for (int i = 0; i < 12; ++i) make_folder(out1 + "f" + std::to_string(i) + "/");
	std::string list = sh_out("ls '" + zips + "'");
	std::vector<std::string> archives;
	for (size_t s = 0, e; (e = list.find('\n', s)) != std::string::npos; s = e + 1) archives.push_back(list.substr(s, e - s));
	t0 = now();
	int failures = 0;
	for (const std::string& a : archives) failures += zip_to_file(zips + a, out1, nullptr, 0) != 0;
	ours = now() - t0;
	t0 = now();
	sh("cd '" + out2 + "' && for z in '" + zips + "'*.zip; do unzip -qo \"$z\"; done");
	theirs = now() - t0;
	bool same = sh("diff -r '" + out1 + "' '" + out2 + "' > /dev/null") == 0;
	printf("Tree of %zu archives: zip_to_file %.3f s, unzip %.3f s (one process per archive), ratio %.2f, trees %s, %d failures\n",
	       archives.size(), ours, theirs, ours / theirs, same ? "equal" : "DIFFER", failures);

	sh("rm -rf '" + out1 + "' '" + out2 + "' && mkdir -p '" + out1 + "' '" + out2 + "'");
	t0 = now();
	err = zip_to_file(dir + "all.zip", out1, nullptr, 0);
	ours = now() - t0;
	t0 = now();
	sh("cd '" + out2 + "' && unzip -qo ../all.zip");
	theirs = now() - t0;
	same = sh("diff -r '" + out1 + "' '" + out2 + "' > /dev/null") == 0;
	printf("One archive of the tree: zip_to_file %.3f s, unzip %.3f s, ratio %.2f, trees %s, result %d\n",
	       ours, theirs, ours / theirs, same ? "equal" : "DIFFER", err);

	bench_scratch_remove(dir);
	return 0;
}
