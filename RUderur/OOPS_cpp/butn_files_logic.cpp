// What the file window decides about folders, names and previews; nothing here draws.
#include "butn_files.h"
#include "butn_logic.h"
#include "opensave.h"
#include "path_utils.h"
#include "xmap.h"
#include "UTL_alert.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <strings.h>

std::string BTN_io_default_folder(int kind)
{
	switch (kind) {
	case kind_sit: return "Output/situations/";
	case kind_smo: return "Output/movies/";
	case kind_fms: return "Output/FMS plans/";
	case kind_tra: return "Drovel Output/tracks/";
	case kind_car: return "Drovel Output/cars/";
	case kind_spa: return "Kestril Reosources/spaceships/";
	case kind_reg: return "Kestril Resources/regions/";
	case kind_cmnd_list:
	case kind_cmnd_path: return "sim/";
	}
	return "";
}

std::string BTN_io_save_extension(int kind)
{
	switch (kind) {
	case kind_image: return ".BMP";
	case kind_acf: return ".ACF";
	case kind_afl: return ".AFL";
	case kind_wpn: return ".WPN";
	case kind_wav: return ".WAV";
	case kind_obj: return ".OBJ";
	case kind_sit: return ".SIT";
	case kind_smo: return ".SMO";
	case kind_fms: return ".FMS";
	case kind_tra: return ".TRA";
	case kind_car: return ".CAR";
	case kind_spa: return ".SPA";
	case kind_reg: return ".REG";
	case kind_hgt: return ".HGT";
	case kind_txt: return ".TXT";
	}
	return "";
}

std::string BTN_io_save_name(const std::string& typed, int kind)
{
	std::string name = typed;
	size_t slash = name.rfind('/');
	if (slash != std::string::npos) name.erase(0, slash + 1);
	if (name.empty() || name == "." || name == "..") return "";
	const std::string ext = BTN_io_save_extension(kind);
	if (ext.empty()) return name;
	if (name.size() > 4 && name[name.size() - 4] == '.') name.resize(name.size() - 4);
	return name + ext;
}

void BTN_io_components(const std::string& folder, std::vector<std::string>& out)
{
	out.clear();
	size_t at = 0;
	while (at < folder.size()) {
		size_t slash = folder.find('/', at);
		if (slash == std::string::npos) slash = folder.size();
		out.push_back(folder.substr(at, slash - at));
		at = slash + 1;
	}
}

std::string BTN_io_clean_folder(const std::string& folder)
{
	std::vector<std::string> parts;
	BTN_io_components(folder, parts);
	std::string out;
	for (const std::string& p : parts)
		if (!p.empty() && p != "." && p != "..") out += p + "/";
	return out;
}

void BTN_io_split_path(const std::string& path, int kind, std::string* folder, std::string* name)
{
	folder->clear();
	name->clear();
	if (path.empty()) {
		*folder = BTN_io_default_folder(kind);
		return;
	}
	// a "/" in the last place is part of the name: the last folder is pre-filled
	if (path.find('/') == std::string::npos) return;
	const size_t slash = path.size() > 1 ? path.rfind('/', path.size() - 2) : std::string::npos;
	if (slash == std::string::npos) {
		*name = path;
		return;
	}
	*folder = BTN_io_clean_folder(path.substr(0, slash + 1));
	*name = path.substr(slash + 1);
}

std::string BTN_io_component_text(const std::string& component)
{
	std::string t = component;
	for (char& c : t)
		if (c == '-' || c == '|') c = ' ';
	return t;
}

std::string BTN_io_popup_items(const std::string& folder)
{
	std::vector<std::string> parts;
	BTN_io_components(folder, parts);
	std::string items = "Rootdeck folder";
	for (size_t k = 0; k < parts.size() && k + 1 < BTN_io_popup_max; ++k) items += "-" + BTN_io_component_text(parts[k]);
	return items;
}

int BTN_io_popup_index(const std::string& folder)
{
	std::vector<std::string> parts;
	BTN_io_components(folder, parts);
	const int n = (int)parts.size();
	return n < BTN_io_popup_max - 1 ? n : BTN_io_popup_max - 1;
}

std::string BTN_io_folder_at(const std::string& folder, int depth)
{
	std::vector<std::string> parts;
	BTN_io_components(folder, parts);
	std::string out;
	for (int k = 0; k < depth && k < (int)parts.size(); ++k) out += parts[k] + "/";
	return out;
}

std::string BTN_io_folder_up(const std::string& folder)
{
	std::vector<std::string> parts;
	BTN_io_components(folder, parts);
	return parts.empty() ? folder : BTN_io_folder_at(folder, (int)parts.size() - 1);
}

std::string BTN_io_folder_into(const std::string& folder, const std::string& name)
{
	return BTN_io_clean_folder(folder + name + "/");
}

std::string BTN_io_shown_text(const std::string& path, int kind)
{
	if (kind == kind_cmnd_list || kind == kind_cmnd_path) return path;
	std::string last;
	get_file_with_path(last, path);
	return last;
}

std::string BTN_io_picker_edit(const std::string& path, const std::string& text, int kind)
{
	if (kind == kind_cmnd_list || kind == kind_cmnd_path) return text;
	std::string folder;
	get_path_with_path(folder, path);
	return folder + text;
}

std::string BTN_io_fdr_comment(const std::string& path)
{
	xmap_class f(path);
	static const int versions[] = {1, 0};
	if (!f.check_file(file_type_txt, versions, nullptr, nullptr)) return "";
	std::string comment;
	const char* p = f.cursor;
	while (p < f.end) {
		const char* eol = p;
		while (eol < f.end && *eol != '\n' && *eol != '\r') ++eol;
		const char* comma = (const char*)memchr(p, ',', eol - p);
		if (comma && comma - p == 4 && strncasecmp(p, "COMM", 4) == 0) {
			const char* v = comma + 1;
			while (v < eol && (*v == ' ' || *v == '\t')) ++v;
			comment.assign(v, eol - v);
		}
		p = eol;
		while (p < f.end && (*p == '\n' || *p == '\r')) ++p;
	}
	return comment;
}

int BTN_io_acf_header(const std::string& path, char* record, int record_size)
{
	if (!record || record_size <= 0) return 0;
	memset(record, 0, record_size);
	xmap_class f(path);
	// 8000 is what the older readers wrote for 800
	static const int veh_versions[] = {700, 740, 8000, 810, 830, 840, 860, 900, 901, 902, 920, 0};
	if (!f.check_file(file_type_bin, veh_versions, nullptr, nullptr)) return 0;
	// a short file gives what it holds; the record keeps a NUL at its end
	long n = f.end - f.cursor;
	if (n > record_size - 1) n = record_size - 1;
	if (n > BTN_acf_header_bytes) n = BTN_acf_header_bytes;
	if (n > 0) memcpy(record, f.cursor, n);
	return 1;
}

void BTN_io_acf_texts(const char* record, int record_size, std::string out[4])
{
	static const int offsets[4] = {1552, 1052, 2052, 1012};
	for (int i = 0; i < 4; ++i) {
		out[i].clear();
		if (!record || offsets[i] >= record_size) continue;
		const char* s = record + offsets[i];
		out[i].assign(s, strnlen(s, record_size - offsets[i]));
	}
}

std::string BTN_io_from_buffer(const char* s, int len)
{
	return s ? std::string(s, strnlen(s, std::max(len, 500))) : std::string();
}

void BTN_io_to_buffer(char* out, std::string text, int limit)
{
	if (!out) return;
	if (text.size() > 499) __MACIBM_alert(0, "String too long!", text, "", "", t_exit, "butn", __LINE__);
	if (text.size() > 499) text.resize(499);	// when the alert returns
	if (limit > 0 && (int)text.size() > limit - 1) BTN_text_cut(&text, limit - 1);
	memcpy(out, text.c_str(), text.size() + 1);
}

void BTN_deg_min_split(float value, float* degrees, float* minutes)
{
	const float d = std::trunc(value);
	*degrees = d;
	*minutes = d == 0 ? 60 * value : 60 * std::fabs(value - d);
}

float BTN_deg_min_join(float degrees, float minutes)
{
	if (degrees == 0) return minutes / 60;
	return degrees + (degrees > 0 ? 1 : -1) * minutes / 60;
}
