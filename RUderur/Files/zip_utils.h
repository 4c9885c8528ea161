#ifndef ZIP_UTILS_H
#define ZIP_UTILS_H
// Zip archives with symbolic links, Unix modes, times and AppleDouble entries.
// Resource forks and Finder information from "__MACOSX/._" entries are kept as
// the user.com.apple.ResourceFork / user.com.apple.FinderInfo extended attributes
// where the file system allows it, else dropped with a log line.
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
// 0 when out_dir may be written under the rules (it stays inside their root), else err_path_outside.
int unpack_folder_allowed(const std::string& out_dir, const unpack_rules* rules);
// Packs one file (a link as its text) into a new archive of one entry.
// signature (optional): the MD5 of the bytes stored, taken from the same read.
int file_to_zip(const std::string& source, const std::string& zip, std::string* signature = nullptr);

// Builds out_dir + name for an archive entry, refusing absolute names, ".."
// components and any path that would pass through a symbolic link already
// inside out_dir (check_last: the last component too). 0 or err_archive_unsafe.
int archive_entry_path(const std::string& out_dir, const std::string& name, int check_last, std::string& out);
// 1 when a link placed at entry `name` with this text stays inside the archive's folder.
int archive_link_inside(const std::string& name, const std::string& text);

// --- the rules both unpackers apply (zip_to_file, p7z_to_file)

// What the next entry may still write under the rules, having written `written`
// bytes so far; UINT64_MAX when nothing bounds it.
uint64_t unpack_allowance(const unpack_rules* rules, uint64_t written);
// The archive's listing judged before anything is written: `entries` listed,
// the wanted entry seen `wanted_seen` times at most. 0, err_archive_too_many or
// err_archive_repeats (logged).
int unpack_listing_check(uint64_t entries, int wanted_seen, const std::string& archive, const unpack_rules* rules);
// One log line for the entries skipped because the rules want another alone.
void unpack_log_skipped(uint64_t skipped, const std::string& first, const std::string& archive, const unpack_rules* rules);

#endif
