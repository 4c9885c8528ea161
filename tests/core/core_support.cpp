#include "core_support.h"
#include "UTL_log.h"
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// The allocation-failure tests ask for more than the sanitizers' allocators
// hand out: they must see a failed malloc, not a sanitizer report.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
extern "C" const char* __tsan_default_options() { return "allocator_may_return_null=1"; }

std::string core_test_dir(const char* tag)
{
	std::string var = std::string("CORE_TEST_DIR_") + tag;
	if (const char* have = getenv(var.c_str())) return have;
	std::string base = std::string(VANTOR_BINARY_DIR) + "/core_test_tmp";
	mkdir(base.c_str(), 0755);
	std::string templ = base + "/" + tag + "-XXXXXX";
	char buf[4096];
	snprintf(buf, sizeof(buf), "%s", templ.c_str());
	if (!mkdtemp(buf)) abort();
	setenv(var.c_str(), buf, 1);
	return buf;
}

core_cwd::core_cwd(const std::string& dir)
{
	char* c = getcwd(nullptr, 0);
	old = c ? c : ".";
	free(c);
	if (chdir(dir.c_str()) != 0) abort();
}

core_cwd::~core_cwd()
{
	if (chdir(old.c_str()) != 0) abort();
}

std::string core_read_file(const std::string& path)
{
	std::ifstream f(path, std::ios::binary);
	std::stringstream ss;
	ss << f.rdbuf();
	return ss.str();
}

bool core_file_exists(const std::string& path)
{
	struct stat st;
	return stat(path.c_str(), &st) == 0;
}

int core_count(const std::string& hay, const std::string& needle)
{
	int n = 0;
	for (size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + needle.size())) ++n;
	return n;
}

int core_run(const std::string& cmd, std::string* out)
{
	FILE* p = popen(cmd.c_str(), "r");
	if (!p) return -1;
	char buf[4096];
	size_t n;
	out->clear();
	while ((n = fread(buf, 1, sizeof(buf), p)) > 0) out->append(buf, n);
	int st = pclose(p);
	return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

void core_open_log(const std::string& path)
{
	if (xer.is_open()) xer.close();
	xer.clear();
	xer.open(path, std::ios::out | std::ios::trunc);
}
