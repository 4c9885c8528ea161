#include "main_registration.h"
#include "main_globals.h"
#include "io_utils.h"
#include "opensave.h"
#include "path_utils.h"
#include "UTL_log.h"
#include "utils.h"
#include "utils_records.h"
#include <cerrno>
#include <unistd.h>
#include <cstdio>
#include <vector>

std::string registration_file_path()
{
	std::string prefs;
	get_OS_abs_path(os_dir_prefs, prefs);
	if (prefs.empty()) return "";
	return prefs + "vantor_install.txt";
}

// Every line of the file, cut at its first CR, LF or NUL, whatever its length.
static bool read_lines(const std::string& path, std::vector<std::string>& lines)
{
	FILE* f = fopen(path.c_str(), "rb");
	if (!f) return false;
	std::string line;
	bool cut = false;	// past the first CR or NUL of this line
	int c;
	while ((c = fgetc(f)) != EOF) {
		if (c == '\n') {
			lines.push_back(line);
			line.clear();
			cut = false;
		} else if (c == '\r' || c == 0) {
			cut = true;
		} else if (!cut) {
			line += (char)c;
		}
	}
	if (!line.empty()) lines.push_back(line);
	(void)fclose(f);	// read only
	return true;
}

void locate_all_vantors()
{
	all_rootdecks.clear();
	std::string file = registration_file_path();
	if (file.empty()) {
		xer << "WARNING: registration of this rootdeck folder failed!\n";
		return;
	}
	std::vector<std::string> lines;
	if (!read_lines(file, lines)) return;
	for (std::string l : lines) {
		if (l.empty()) continue;
		if (l[0] == '/' && !dir_exists(l)) continue;	// a deleted copy keeps its line, unoffered
		// Every flow writes into the folder it is offered: only a copy is
		// (a relative line names no folder of its own).
		if (l.back() != '/') l += '/';
		if (l[0] != '/' || (!path_is_to_a_sim(l) && !registration_unfinished(l, nullptr))) {
			xer << "The registered folder " << UTL_log_safe(l) << " is not an installed copy of Vantor; it is not offered.\n";
			continue;
		}
		all_rootdecks.push_back(l);
	}
}

void register_new_vantor()
{
	std::string file = registration_file_path();
	if (file.empty()) {
		xer << "WARNING: registration of this rootdeck folder failed!\n";
		return;
	}
	std::vector<std::string> lines;
	if (read_lines(file, lines))
		for (const std::string& l : lines)
			if (l == dest_dir_path) return;
	FILE* f = fopen(file.c_str(), "ab");
	if (!f) {
		xer << "WARNING: could not append registration file: " << file << "\n";
		return;
	}
	// A file whose last line lost its line end must not glue two folders together.
	long size = 0;
	if (fseek(f, 0, SEEK_END) == 0) size = ftell(f);
	if (size > 0) {
		FILE* r = fopen(file.c_str(), "rb");
		if (r) {
			if (fseek(r, -1, SEEK_END) == 0 && fgetc(r) != '\n') fputc('\n', f);	// a failure shows in fclose(f)
			(void)fclose(r);	// read only
		}
	}
	fprintf(f, "%s\n", dest_dir_path.c_str());
	if (fclose(f) != 0) xer << "WARNING: could not append registration file: " << file << "\n";
}

int path_is_to_a_sim(const std::string& folder)
{
	std::vector<std::string> names;
	std::vector<int> kinds;
	if (folder.empty()) return 0;
	opensave_getitems(folder, kind_any, names, kinds);	// a folder it cannot list lists nothing: no copy
	int seen = 0;
	static const char* const needed[4] = {"Airfoils", "Instructions", "Output", "Resources"};
	for (size_t i = 0; i < names.size() && i < kinds.size(); ++i) {
		if (kinds[i] != kind_folder) continue;
		for (int k = 0; k < 4; ++k)
			if (names[i].find(needed[k]) != std::string::npos) seen |= 1 << k;
	}
	return seen == 15;
}

static const char kUnfinishedMark[] = ".vantor_install_unfinished";

void registration_mark_unfinished(const std::string& folder, const char* flow)
{
	const std::string path = folder + kUnfinishedMark;
	FILE* f = fopen(path.c_str(), "wb");
	if (!f) {
		xer << "WARNING: could not mark the install in " << folder << " as unfinished: " << error_str(errno) << "\n";
		return;
	}
	fprintf(f, "Vantor Installer: an install into this folder began and has not finished.\nFLOW %s\n", flow);
	for (int lon = 0; lon < 36; ++lon)
		for (int lat = 0; lat < 18; ++lat)
			if (stg.tile_wanted[lon][lat]) fprintf(f, "TILE %d %d\n", lon, lat);
	if (fclose(f) != 0) xer << "WARNING: could not mark the install in " << folder << " as unfinished.\n";
}

void registration_mark_finished(const std::string& folder)
{
	if (unlink((folder + kUnfinishedMark).c_str()) != 0 && errno != ENOENT)
		xer << "WARNING: could not remove the unfinished mark of " << folder << ": " << error_str(errno) << "\n";
}

int registration_unfinished(const std::string& folder, const char* flow, int restore_tiles)
{
	if (folder.empty()) return 0;
	std::vector<std::string> lines;
	if (!read_lines(folder + kUnfinishedMark, lines)) return 0;
	bool ours = !flow;
	for (const std::string& l : lines)
		if (l.compare(0, 5, "FLOW ") == 0 && flow && l.substr(5) == flow) ours = true;
	if (!ours) return 0;
	if (restore_tiles)
		for (const std::string& l : lines) {
			int lon = -1, lat = -1;
			if (sscanf(l.c_str(), "TILE %d %d", &lon, &lat) == 2) UTIL_want_tile(lon, lat, 1);
		}
	return 1;
}

std::string registration_first_unfinished(const char* flow)
{
	for (const std::string& c : all_rootdecks)
		if (registration_unfinished(c, flow)) return c;
	return "";
}

std::string registration_parent_folder(const std::string& folder)
{
	std::string p = folder;
	if (p.size() > 1 && p.back() == '/') p.pop_back();
	size_t slash = p.rfind('/');
	if (slash == std::string::npos) return folder;
	return p.substr(0, slash + 1);
}

std::string registration_find_copy(const std::string& picked)
{
	std::string candidate = picked;
	if (candidate.empty() || candidate.back() != '/') candidate += '/';
	for (;;) {
		if (path_is_to_a_sim(candidate)) return candidate;
		std::string up = registration_parent_folder(candidate);
		if (up == candidate || up.empty()) return "";
		candidate = up;
	}
}
