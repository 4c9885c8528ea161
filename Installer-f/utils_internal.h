#ifndef UTILS_INTERNAL_H
#define UTILS_INTERNAL_H
// Helpers the engine's units share.
#include <set>
#include <string>
#include "utils_records.h"

// The engine's record and its download pump's, which only the engine's units
// write; everyone else reads them through the const names of utils_records.h.
extern UTIL_engine_state g_engine;
extern UTIL_grab_run     g_grab;

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
// stops between blocks (ECANCELED), leaving nothing at its path. progress
// (optional): grows by the bytes written as they are written.
int  UTIL_unpack(const std::string& folder, const std::string& archive, const std::string& destination,
                 float listed_kb, const std::string& signature = std::string(), std::string* written = nullptr,
                 file_identity* identity = nullptr, const std::string* bytes = nullptr,
                 const std::atomic<int>* stop = nullptr, std::atomic<int64_t>* progress = nullptr);
// An archive no longer than this is received into memory and unpacked from
// there: a small file's archive would cost more in making, reading and
// deleting its file than in its bytes.
static const int64_t grab_archive_in_memory_max = int64_t(64) << 10;

// The run's pace (utils_progress.cpp): emptied as a run starts, its work
// counted on its first pump step; a stream's transfer begins, receives bytes
// and is received whole (the rest of its listed bytes); each pump step adds
// its seconds where data flowed or files were unpacked.
void grab_meter_reset();
void grab_meter_count_work();
void grab_meter_begins(int stream, float kb1);
void grab_meter_received(int stream, int64_t bytes);
void grab_meter_done(int stream, int64_t rest_bytes);
void grab_meter_tick();
// A worker's unpack of a file begins (the slot it writes its progress to, -1
// when none is free) and ends, with the file's listed size (kB).
int  grab_unpack_slot_take(int file);
void grab_unpack_slot_give(int slot, float kb2);

// Adds the folder of local and each ancestor down to, not including, the copy's folder.
void UTIL_note_folders(const std::string& folder, const std::string& local, std::set<std::string>& folders);
// Deepest first: removes each folder of the copy at folder that lists empty.
void UTIL_remove_empty_folders(const std::string& folder, const std::set<std::string>& folders);

#endif
