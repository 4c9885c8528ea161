#ifndef PATH_UTILS_H
#define PATH_UTILS_H
// Paths in one convention: "/" only, folders end in "/", UTF-8 bytes.
#include <cstdint>
#include <string>
#include "PLAT_files.h"

extern int g_case_sensitive;	// 1 when the volume of the application tells case apart

// Asked by the case repair before it takes a name of another case found on
// disk: `candidate` is the path up to and including that name. 1 when the name
// belongs to something else (a listed file of a copy), so the path is left as
// spelled. Empty: any name may be taken. Set and read from any thread.
typedef int (*path_case_taken_fn)(const std::string& candidate);
void path_set_case_taken(path_case_taken_fn fn);

enum os_dir_type {
	os_dir_app_folder = 0,
	os_dir_app_bundle = 1,
	os_dir_desktop    = 2,
	os_dir_desktop_b  = 3,
	os_dir_temp       = 4,
	os_dir_prefs      = 5
};

// A file reference: on Linux simply the path of an existing item.
struct FSRef { std::string path; };

// The two volume codes the file code gives or takes itself (error_str has
// the rest of their family).
enum { err_file_not_found = -43, err_duplicate_name = -48 };

void set_path_to_full(std::string& path);
// The same, as a new string.
std::string path_full(const std::string& path);
// The same; *absent is set true when the repair found nothing at the path it
// gives (no name as spelled, none of another case in its folder), false when
// something is there or the repair did not look.
std::string path_full(const std::string& path, bool* absent);
// Repairs the case of the components of a path that does not exist as spelled;
// a component that exists as spelled is kept.
void findPath(char* path);
// Tells the case repair that this program has just given `path` (a full path)
// its name, so that the listing it keeps of the folder stays current.
void path_case_placed(const std::string& path);
void set_path_to_right_dirchars(std::string& path);
void get_OS_abs_path(os_dir_type which, std::string& out);
void get_file_with_path(std::string& out, const std::string& path);
void get_path_with_path(std::string& out, const std::string& path);
int  FilePathToFSRefAndName(const char* path, FSRef* ref, std::string* name);
int  FSRefToFilePath(FSRef* ref, std::string& out);
void ConvertPathToCFM(std::string& path);

short*  EndianFlipShort(short* p);
int32_t EndianFlipLong(int32_t* p);

// Loads a shared library by name; the handle goes to *out (dlclose'd when out is null).
int load_bundle_by_filename(const char* name, int alert, void** out);

#endif
