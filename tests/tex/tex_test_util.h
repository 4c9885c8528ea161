#ifndef TEX_TEST_UTIL_H
#define TEX_TEST_UTIL_H
#include <cstdio>
#include <string>
#include <vector>

static inline std::vector<unsigned char> read_file(const std::string& path)
{
	std::vector<unsigned char> v;
	if (FILE* f = fopen(path.c_str(), "rb")) {
		unsigned char buf[65536];
		size_t n;
		while ((n = fread(buf, 1, sizeof buf, f)) > 0) v.insert(v.end(), buf, buf + n);
		fclose(f);
	}
	return v;
}

static inline void write_file(const std::string& path, const std::vector<unsigned char>& v)
{
	FILE* f = fopen(path.c_str(), "wb");
	if (!f) return;
	fwrite(v.data(), 1, v.size(), f);
	fclose(f);
}

// A folder of its own under the build folder for one test.
static inline std::string test_dir(const std::string& name)
{
	std::string d = std::string(VANTOR_BINARY_DIR) + "/test_tmp/" + name;
	std::string cmd = "rm -rf '" + d + "' && mkdir -p '" + d + "'";
	if (system(cmd.c_str()) != 0) return "/tmp";
	return d;
}

#endif
