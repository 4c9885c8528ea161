#ifndef FUZZ_SUPPORT_H
#define FUZZ_SUPPORT_H
// Shared by the fuzz programs that link the whole program: alerts go to the
// log only (no window), no web page is ever opened, and each input is written
// to a file in a scratch folder of this process, since the readers read files.
#include "UTL_cmdline.h"
#include "io_utils.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

inline std::string fuzz_scratch_dir;

inline const std::string& fuzz_scratch()
{
	std::string& dir = fuzz_scratch_dir;
	if (dir.empty()) {
		char tmpl[] = "/tmp/vantor-fuzz-XXXXXX";
		if (!mkdtemp(tmpl)) abort();
		dir = std::string(tmpl) + "/";
		atexit([] { recursive_delete_folder(fuzz_scratch_dir); });
		UTL_cmdline::add_one("--fps_test", "");
		// the newer-format notice opens a web page: there is no opener here
		setenv("PATH", dir.c_str(), 1);
	}
	return dir;
}

// The input as a file of the scratch folder; its path.
inline std::string fuzz_file(const char* name, const uint8_t* data, size_t size)
{
	std::string path = fuzz_scratch() + name;
	FILE* f = fopen(path.c_str(), "wb");
	if (!f) abort();
	if (size && fwrite(data, 1, size, f) != size) abort();
	fclose(f);
	return path;
}

#endif
