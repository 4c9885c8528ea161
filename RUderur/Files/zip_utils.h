#ifndef ZIP_UTILS_H
#define ZIP_UTILS_H
// Zip archives with symbolic links, Unix modes, times and AppleDouble entries.
// Resource forks and Finder information from "__MACOSX/._" entries are kept as
// the user.com.apple.ResourceFork / user.com.apple.FinderInfo extended attributes
// where the file system allows it, else dropped with a log line.
#include <string>
#include "io_utils.h"

// rules (optional): the one entry to write, and the folder the output must stay in.
int zip_to_file(const std::string& zip, const std::string& out_dir, std::string* first_name, int rename,
                const unpack_rules* rules = nullptr);
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

#endif
