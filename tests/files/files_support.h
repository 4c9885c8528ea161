#ifndef FILES_SUPPORT_H
#define FILES_SUPPORT_H
// Helpers of the file tests: a scratch folder per test, shell commands, file contents.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// A fresh folder under the build tree, ending in "/", removed at the end of the test.
class scratch_dir {
public:
	std::string path;
	scratch_dir()
	{
		std::string base = std::string(VANTOR_BINARY_DIR) + "/test_scratch/";
		mkdir(base.c_str(), 0755);
		const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
		path = base + (t ? std::string(t->test_suite_name()) + "." + t->name() : "x") + "." + std::to_string(getpid()) + "/";
		run("rm -rf '" + path + "' && mkdir -p '" + path + "'");
	}
	~scratch_dir() { run("chmod -R u+rwx '" + path + "' 2>/dev/null; rm -rf '" + path + "'"); }
	static int run(const std::string& cmd) { return system(cmd.c_str()); }
};

inline int sh(const std::string& cmd) { return system(cmd.c_str()); }

inline std::string sh_out(const std::string& cmd)
{
	std::string out;
	FILE* p = popen(cmd.c_str(), "r");
	if (!p) return out;
	char buf[4096];
	size_t n;
	while ((n = fread(buf, 1, sizeof(buf), p)) > 0) out.append(buf, n);
	pclose(p);
	while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
	return out;
}

inline void write_file(const std::string& path, const std::string& data)
{
	std::ofstream f(path, std::ios::binary);
	f << data;
}

inline std::string read_file(const std::string& path)
{
	std::ifstream f(path, std::ios::binary);
	std::stringstream s;
	s << f.rdbuf();
	return s.str();
}

inline std::string random_bytes(size_t n, unsigned seed)
{
	std::mt19937 rng(seed);
	std::string s(n, '\0');
	for (size_t i = 0; i < n; ++i) s[i] = (char)(rng() & 0xFF);
	return s;
}

inline int mode_of(const std::string& path)
{
	struct stat st;
	if (lstat(path.c_str(), &st) != 0) return -1;
	return st.st_mode & 07777;
}

inline bool exists_l(const std::string& path)
{
	struct stat st;
	return lstat(path.c_str(), &st) == 0;
}

// Works in another folder until the end of the scope.
class in_folder {
	char old[4096];
public:
	explicit in_folder(const std::string& p)
	{
		if (!getcwd(old, sizeof(old))) old[0] = 0;
		if (chdir(p.c_str()) != 0) ADD_FAILURE() << "cannot enter " << p;
	}
	~in_folder()
	{
		if (old[0] && chdir(old) != 0) ADD_FAILURE() << "cannot return to " << old;
	}
};

// A small file system that fills up at `mb` MB; empty when mounting is not allowed.
class small_disk {
public:
	std::string path;
	explicit small_disk(const std::string& where, int mb = 1)
	{
		std::string p = where + "small_disk/";
		mkdir(p.c_str(), 0755);
		if (sh("mount -t tmpfs -o size=" + std::to_string(mb) + "m tmpfs '" + p + "' 2>/dev/null") == 0) path = p;
	}
	~small_disk()
	{
		if (!path.empty()) sh("umount '" + path + "' 2>/dev/null");
	}
};

#endif
