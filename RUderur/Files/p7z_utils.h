#ifndef P7Z_UTILS_H
#define P7Z_UTILS_H
// 7z extraction: only the 7z format is accepted.
#include <string>
#include "io_utils.h"

// rules (optional): the one entry to write, and the folder the output must stay in.
int p7z_to_file(const std::string& archive, const std::string& out_dir, std::string* out_path, int rename,
                const unpack_rules* rules = nullptr);

#endif
