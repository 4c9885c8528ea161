#ifndef WIZARD_SUPPORT_H
#define WIZARD_SUPPORT_H
// Helpers of the wizard tests: a scratch folder per test and file contents.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

class wz_scratch {
public:
	std::string path;	// ends in "/"
	wz_scratch()
	{
		std::string base = std::string(VANTOR_BINARY_DIR) + "/test_scratch/";
		mkdir(base.c_str(), 0755);
		const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
		path = base + "wz." + (t ? std::string(t->test_suite_name()) + "." + t->name() : "x") + "." +
		       std::to_string(getpid()) + "/";
		wz_sh("rm -rf '" + path + "' && mkdir -p '" + path + "'");
	}
	~wz_scratch() { wz_sh("chmod -R u+rwx '" + path + "' 2>/dev/null; rm -rf '" + path + "'"); }
	static int wz_sh(const std::string& cmd) { return system(cmd.c_str()); }
};

inline int wz_sh(const std::string& cmd) { return system(cmd.c_str()); }

inline void wz_write(const std::string& path, const std::string& data)
{
	std::ofstream f(path, std::ios::binary | std::ios::trunc);
	f << data;
}

inline std::string wz_read(const std::string& path)
{
	std::ifstream f(path, std::ios::binary);
	std::stringstream s;
	s << f.rdbuf();
	return s.str();
}

inline int wz_count(const std::string& hay, const std::string& needle)
{
	int n = 0;
	for (size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + needle.size())) ++n;
	return n;
}

// Sets an environment variable for the scope of a test.
struct wz_env {
	std::string name, old;
	bool had;
	wz_env(const char* n, const std::string& value) : name(n)
	{
		const char* o = getenv(n);
		had = o != nullptr;
		if (o) old = o;
		setenv(n, value.c_str(), 1);
	}
	~wz_env()
	{
		if (had) setenv(name.c_str(), old.c_str(), 1);
		else unsetenv(name.c_str());
	}
};

#endif
