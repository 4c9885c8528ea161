// libFuzzer target: the typed-file header check, text and binary, and the text
// scanners walked over the whole file. Every round of scanners must move on.
#include "fuzz_support.h"
#include "xmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	std::string path = fuzz_file("typed.txt", data, size);
	static const int versions[] = {820, 840, 900, 0};
	xmap_class x(path);
	if (!x.begin) return 0;
	std::string rest;
	x.check_file(file_type_bin, versions, nullptr, nullptr);
	x.check_file(file_type_txt, versions, "SERVERS", &rest);
	x.check_file(file_type_txt, versions, nullptr, &rest);
	x.cursor = x.begin;
	std::string s;
	while (x.cursor < x.end) {
		const char* before = x.cursor;
		x.TXT_str_scan_match("FILE", 1);
		x.TXT_int_scan();
		x.TXT_str_scan_space(&s);
		x.TXT_str_scan_match("DIR", 0);
		x.TXT_str_scan_eoln(&s);
		if (x.cursor <= before || x.cursor > x.end) __builtin_trap();
	}
	if (x.end - x.begin >= 8) {
		x.cursor = x.begin;
		char four[4];
		x.read_n_rev(four, 4);
	}
	return 0;
}
