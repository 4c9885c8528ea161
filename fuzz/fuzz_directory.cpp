// libFuzzer target: the directory file reader, and the filters over what it read.
#include "fuzz_support.h"
#include "utils.h"
#include <cstring>

// A file that maps to nothing, and a listed path that names no file (a FILE
// line without a name, or one ending in "/"), end the program with a fatal
// alert; that exit is not what this program looks for, so such inputs are skipped.
static bool ends_the_program(const uint8_t* data, size_t size)
{
	if (size == 0) return true;
	const char* p = (const char*)data;
	const char* end = p + size;
	while (p < end) {
		const char* le = (const char*)memchr(p, '\n', end - p);
		if (!le) le = end;
		const char* e = le > p && le[-1] == '\r' ? le - 1 : le;
		const char* c = p;
		while (c < e && (*c == ' ' || *c == '\t')) ++c;
		if (e - c > 5 && memcmp(c, "FILE", 4) == 0) {
			int tokens = 0;
			bool in = false;
			for (const char* q = c; q < e; ++q) {
				bool blank = *q == ' ' || *q == '\t';
				if (!blank && !in) ++tokens;
				in = !blank;
			}
			if (tokens <= 7 || e[-1] == '/') return true;
		}
		p = le < end ? le + 1 : end;
	}
	return false;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if (ends_the_program(data, size)) return 0;
	std::string path = fuzz_file("directory.txt", data, size);
	if (read_directory(path, "") != 3) return 0;
	for (int i = 0; i < (int)sim_info.size(); ++i) {
		want_this_f(i, (int)sim_info[i].versions.size() - 1);
		suffix_for_file(i);
	}
	return 0;
}
