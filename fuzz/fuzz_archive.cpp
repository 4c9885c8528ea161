// libFuzzer target: zip and 7z extraction into a folder of the scratch folder,
// removed after every input. Nothing may land outside that folder.
#include "fuzz_support.h"
#include "io_utils.h"
#include "p7z_utils.h"
#include "zip_utils.h"
#include <sys/stat.h>

#ifndef FUZZ_ARCHIVE_7Z
#define FUZZ_ARCHIVE_7Z 0
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	std::string archive = fuzz_file(FUZZ_ARCHIVE_7Z ? "in.7z" : "in.zip", data, size);
	std::string out = fuzz_scratch() + "out/";
	mkdir(out.c_str(), 0755);
	std::string first;
	if (FUZZ_ARCHIVE_7Z) {
		p7z_to_file(archive, out, &first, 0);
	} else {
		zip_to_file(archive, out, &first, 0);
		recursive_delete_folder(out);
		// as the download pump reads a small archive: from memory, for one entry
		mkdir(out.c_str(), 0755);
		unpack_rules rules;
		rules.entry = first;
		zip_bytes_to_file(std::string((const char*)data, size), "in.zip", out, nullptr, 0, &rules);
	}
	recursive_delete_folder(out);
	return 0;
}
