#ifndef UTILS_INTERNAL_H
#define UTILS_INTERNAL_H
// Helpers the engine's units share.
#include <set>
#include <string>
#include "utils_records.h"

// The most entries an archive of a release may list: the file, its AppleDouble
// companion and their folders, with room to spare. A mirror's archive that
// lists more is refused before anything is written.
enum { UTIL_release_archive_entries = 64 };

// The scan's signature of a listed path that holds a folder, pipe, socket or device.
extern const char* const UTIL_sig_not_a_file;
// The copy's folder + the listed path below its platform folder.
std::string UTIL_local_path(const std::string& folder, const file_version_struct& v);
// Deletes one listed file of the copy at folder; a failure is logged always
// and counted. 0 when it is gone.
int  UTIL_delete_listed(const std::string& folder, const std::string& local, const char* verb);
// Unpacks the listed file `destination` from a zip or (by its name) 7z archive:
// only the entry of its leaf name is written, never through a link that leaves
// the copy at folder, and no further than a little past its listed size
// listed_kb (negative: unbounded); 0 or an error code (err_archive_no_entry:
// the archive lacks it, err_archive_too_big: it inflates past its listing;
// err_archive_repeats: it lists that entry twice; err_archive_too_many).
// A signature given: other bytes never take the file's place
// (err_archive_wrong_bytes), so an older file stays as it was.
// written (optional): on success, the file's MD5 taken as it was written
// ("NONE" when it is empty), as calc_file_md5 would read it back; identity
// (optional, with written): the file's identity as it was put in place.
// bytes (optional): the zip archive itself, held in memory; `archive` then
// only names it in the log. stop (optional): once set, the file's writing
// stops between blocks (ECANCELED), leaving nothing at its path.
int  UTIL_unpack(const std::string& folder, const std::string& archive, const std::string& destination,
                 float listed_kb, const std::string& signature = std::string(), std::string* written = nullptr,
                 file_identity* identity = nullptr, const std::string* bytes = nullptr,
                 const std::atomic<int>* stop = nullptr);
// Adds the folder of local and each ancestor down to, not including, the copy's folder.
void UTIL_note_folders(const std::string& folder, const std::string& local, std::set<std::string>& folders);
// Deepest first: removes each folder of the copy at folder that lists empty.
void UTIL_remove_empty_folders(const std::string& folder, const std::set<std::string>& folders);

#endif
