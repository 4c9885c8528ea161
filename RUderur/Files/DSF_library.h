#ifndef DSF_LIBRARY_H
#define DSF_LIBRARY_H
// Scenery packages in priority order, the library that maps the virtual paths
// scenery files use to real files inside the packages, the reports of errors
// in scenery files, and the search for the real file behind a resource name.
// Main thread only: a scan must not overlap a lookup or a report.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

extern std::string cus_path;	// "Custom Scenery/"
extern std::string glb_path;	// "Global Scenery/"
extern std::string def_path;	// "Resources/default scenery/"
extern std::string obj_path;	// "Resources/objects/"
extern std::string def_ovr_str;	// "-global overlays-", a folder inside cus_path
extern std::string def_ter_str;	// "-global terrain-", a folder inside cus_path

// Entry i of each belongs to package i; a lower index is a higher priority.
extern std::vector<std::string> scenery_packages;	// folder of each package, ending in "/"
extern std::vector<int>         package_problems;	// 1 once an error in it was shown
extern std::vector<int>         package_is_custom;	// 1 inside cus_path

enum { DSF_TILE_BYTES = 360 * 180 };

// One byte per one-degree tile, longitude-major: tile (lon, lat) of its
// south-west corner is byte (lon + 180) * 180 + (lat + 90).
struct lib_region {
	std::string   name;
	unsigned char bits[DSF_TILE_BYTES];
};

enum {
	lib_weight_mask   = 0x00FFFFFF,
	lib_flag_exclude  = 1u << 24,	// a lookup takes nothing after this one
	lib_flag_package  = 1u << 25,	// ... nor after it when the next one is another package's
	lib_flag_backup   = 1u << 26	// stays behind every entry that is not a backup
};

struct lib_entry {
	lib_entry*  next;
	lib_region* region;	// null: everywhere
	int         package;	// index into scenery_packages
	uint32_t    flags;	// weight in the low 24 bits
	std::string path;	// relative to the package folder
};

extern std::map<std::string, lib_entry*>  dsf_library;	// virtual path -> list head
extern std::map<std::string, lib_region*> dsf_regions;	// regions of the library file being read

void DSF_ScanSceneryFolder();
void DSF_RegisterEntry(const std::string& virtual_path, lib_entry* entry);	// takes ownership

// Source file and line of the finder, the scenery file, then printf arguments.
void __DSF_NonFatalError(const char* file, int line, const char* scenery_file, const char* format, ...)
	__attribute__((format(printf, 4, 5)));
void __DSF_FatalError(const char* file, int line, const char* scenery_file, const char* format, ...)
	__attribute__((format(printf, 4, 5)));

// Library lookups. A tile is given by the longitude and latitude of its
// south-west corner; a seed picks randrat[seed mod 10000].
int DSF_LookupLibraryResource(int lon, int lat, std::string& path, int seed);
int DSF_LookupLibraryResourceAnywhere(std::string& path, int seed);
int DSF_LookupLibraryResourceMultiple(int lon, int lat, const std::string& path, std::vector<std::string>& out);
int DSF_LookupLibraryResourceAnywhereMultiple(const std::string& path, std::vector<std::string>& out);

// Resource kinds of the file search.
enum { dsf_res_plain = 0, dsf_res_image = 1, dsf_res_terrain = 2, dsf_res_object_first = 3, dsf_res_object_last = 7 };

void DSF_LocateResourceNoLib(int kind, const std::string& name, const std::string& folder, bool log, std::string& out);
void DSF_LocateResourceSecondary(int kind, int texture_kind, const std::string& folder, const std::string& name,
                                 bool log, std::string& out);
void DSF_LocateResourcePrimary(int lon, int lat, int kind, const std::string& name, const std::string& folder,
                               bool log, std::string& out, int seed);
void DSF_LocateResourcePrimaryMultiple(int lon, int lat, int kind, const std::string& name, const std::string& folder,
                                       bool log, std::vector<std::string>& out);
void DSF_LocateResourceSecondaryMultipleWithLibrary(int lon, int lat, int kind, int texture_kind,
                                                    const std::string& folder, const std::string& name, bool log,
                                                    std::vector<std::string>& out);

std::string extract_package(const std::string& path);
void        return_latlon_str_dsf(int lat, int lon, std::string* out);	// latitude first

#endif
