#ifndef ZIP_UTILS_H
#define ZIP_UTILS_H
// Zip archives with symbolic links, Unix modes, times and AppleDouble entries.
// Resource forks and Finder information from "__MACOSX/._" entries are kept by
// the disk writer with their files, as extended attributes where the file
// system allows it, else dropped with a log line.
#include <cstdint>
#include <string>
#include "io_utils.h"

// rules (optional): the one entry to write, and the folder the output must stay in.
int zip_to_file(const std::string& zip, const std::string& out_dir, std::string* first_name, int rename,
                const unpack_rules* rules = nullptr);
// The same for an archive held in memory; `name` stands for it in the log.
int zip_bytes_to_file(const std::string& bytes, const std::string& name, const std::string& out_dir,
                      std::string* first_name, int rename, const unpack_rules* rules = nullptr);
// 1 when the file begins as a zip archive does (a local entry's header, or
// the end record of an archive of no entries).
int zip_file_is_zip(const std::string& path);
// Packs one file (a link as its text) into a new archive of one entry.
// signature (optional): the MD5 of the bytes stored, taken from the same read.
int file_to_zip(const std::string& source, const std::string& zip, std::string* signature = nullptr);

#endif
