// Which real file stands for a resource name: the library first (weighted,
// region-limited, picked through the fixed random table), then a fixed list of
// folders per kind of resource. Also the names of the scenery tile files.
#include "DSF_library.h"
#include "io_utils.h"
#include "UTL_log.h"
#include "hl_math.h"
#include <cstring>

static bool takes_part(const lib_entry* e, int lon, int lat, bool anywhere)
{
	if (anywhere || !e->region) return true;
	// a tile off the map lies in no region
	if (lon < -180 || lon > 179 || lat < -90 || lat > 89) return false;
	return e->region->bits[(lon + 180) * 180 + (lat + 90)] != 0;
}

static void candidates(const std::string& path, int lon, int lat, bool anywhere, std::vector<const lib_entry*>& out)
{
	out.clear();
	auto l = dsf_library.find(path);
	if (l == dsf_library.end()) return;
	for (const lib_entry* e = l->second; e; e = e->next) {
		if (!takes_part(e, lon, lat, anywhere)) continue;
		out.push_back(e);
		if (e->flags & lib_flag_exclude) break;
		if ((e->flags & lib_flag_package) && (!e->next || e->next->package != e->package)) break;
	}
}

static std::string real_file(const lib_entry* e) { return scenery_packages[e->package] + e->path; }

static int pick_one(int lon, int lat, bool anywhere, std::string& path, int seed)
{
	std::vector<const lib_entry*> c;
	candidates(path, lon, lat, anywhere, c);
	// 64 bits: a few hundred entries of the largest weight pass 2^32
	uint64_t total = 0;
	for (const lib_entry* e : c) total += e->flags & lib_weight_mask;
	if (total == 0) return 0;
	int s = seed % 10000;
	if (s < 0) s += 10000;
	uint64_t d = (uint64_t)((float)total * randrat[s]);
	if (d >= total) d = total - 1;
	for (const lib_entry* e : c) {
		uint64_t w = e->flags & lib_weight_mask;
		if (d < w) {
			path = real_file(e);
			return 1;
		}
		d -= w;
	}
	return 0;
}

static int all_variants(int lon, int lat, bool anywhere, const std::string& path, std::vector<std::string>& out)
{
	out.clear();
	std::vector<const lib_entry*> c;
	candidates(path, lon, lat, anywhere, c);
	for (const lib_entry* e : c) {
		std::string f = real_file(e);
		out.insert(out.end(), e->flags & lib_weight_mask, f);
	}
	return !out.empty();
}

int DSF_LookupLibraryResource(int lon, int lat, std::string& path, int seed)
{
	return pick_one(lon, lat, false, path, seed);
}

int DSF_LookupLibraryResourceAnywhere(std::string& path, int seed) { return pick_one(0, 0, true, path, seed); }

int DSF_LookupLibraryResourceMultiple(int lon, int lat, const std::string& path, std::vector<std::string>& out)
{
	return all_variants(lon, lat, false, path, out);
}

int DSF_LookupLibraryResourceAnywhereMultiple(const std::string& path, std::vector<std::string>& out)
{
	return all_variants(0, 0, true, path, out);
}

// The three image names tried in turn: ".dds", ".png", ".bmp" in place of the
// last four characters, or the name itself three times when it is that short.
struct image_names {
	std::string v[3];
	explicit image_names(const std::string& name)
	{
		static const char* ext[3] = {".dds", ".png", ".bmp"};
		for (int i = 0; i < 3; ++i) v[i] = name.size() > 4 ? name.substr(0, name.size() - 4) + ext[i] : name;
	}
	void add(std::vector<std::string>& list, const std::string& prefix) const
	{
		for (const std::string& n : v) list.push_back(prefix + n);
	}
};

static bool is_object_kind(int kind) { return kind >= dsf_res_object_first && kind <= dsf_res_object_last; }

// The default folders every search ends with.
static void add_defaults(int kind, const std::string& name, const image_names& img, std::vector<std::string>& list)
{
	if (kind == dsf_res_image) {
		img.add(list, "Resources/bitmaps/terrain/");
		img.add(list, "Resources/");
	} else if (kind == dsf_res_terrain) {
		list.push_back("Resources/bitmaps/terrain/" + name);
		list.push_back("Resources/" + name);
	} else if (is_object_kind(kind)) {
		list.push_back(obj_path + name);
		list.push_back("Resources/" + name);
	} else if (kind == dsf_res_plain) {
		list.push_back("Resources/" + name);
	}
}

static bool first_existing(const std::vector<std::string>& list, std::string& out)
{
	for (const std::string& c : list)
		if (file_exists(c)) {
			out = c;
			return true;
		}
	return false;
}

void DSF_LocateResourceNoLib(int kind, const std::string& name, const std::string& folder, bool log, std::string& out)
{
	out.clear();
	image_names img(name);
	std::vector<std::string> list;
	if (kind == dsf_res_image) {
		img.add(list, folder);
		img.add(list, folder + "custom terrain textures/");
		img.add(list, folder + "custom object textures/");
	} else {
		list.push_back(folder + name);
		if (kind == dsf_res_terrain) list.push_back(folder + "custom terrain textures/" + name);
		if (is_object_kind(kind)) list.push_back(folder + "custom objects/" + name);
	}
	add_defaults(kind, name, img, list);
	if (first_existing(list, out) || !log) return;
	for (const std::string& c : list) xer << "Failed to find resource '" << name << "' at '" << c << "'\n";
}

void DSF_LocateResourceSecondary(int kind, int texture_kind, const std::string& folder, const std::string& name,
                                 bool log, std::string& out)
{
	out.clear();
	image_names img(name);
	std::vector<std::string> list;
	if (!folder.empty()) {
		if (kind == dsf_res_image) img.add(list, folder);
		else list.push_back(folder + name);
	}
	std::string pkg = extract_package(folder);
	if (!pkg.empty()) {
		if (kind == dsf_res_image)
			img.add(list, pkg + (texture_kind == 2 ? "custom terrain textures/" : "custom object textures/"));
		else if (kind == dsf_res_terrain) list.push_back(pkg + "custom terrain textures/" + name);
		else if (is_object_kind(kind)) list.push_back(pkg + "custom objects/" + name);
	}
	add_defaults(kind, name, img, list);
	if (first_existing(list, out) || !log) return;
	for (const std::string& c : list)
		xer << "Failed to find resource '" << name << "' (parent = '" << folder << "' at '" << c << "'\n";
}

void DSF_LocateResourcePrimary(int lon, int lat, int kind, const std::string& name, const std::string& folder,
                               bool log, std::string& out, int seed)
{
	std::string p = name;
	if (DSF_LookupLibraryResource(lon, lat, p, seed)) {
		out = p;
		return;
	}
	DSF_LocateResourceNoLib(kind, name, folder, log, out);
}

void DSF_LocateResourcePrimaryMultiple(int lon, int lat, int kind, const std::string& name, const std::string& folder,
                                       bool log, std::vector<std::string>& out)
{
	DSF_LookupLibraryResourceMultiple(lon, lat, name, out);
	std::string found;
	DSF_LocateResourceNoLib(kind, name, folder, log && out.empty(), found);
	if (!found.empty()) out.push_back(found);
}

void DSF_LocateResourceSecondaryMultipleWithLibrary(int lon, int lat, int kind, int texture_kind,
                                                    const std::string& folder, const std::string& name, bool log,
                                                    std::vector<std::string>& out)
{
	DSF_LookupLibraryResourceMultiple(lon, lat, name, out);
	std::string found;
	DSF_LocateResourceSecondary(kind, texture_kind, folder, name, log && out.empty(), found);
	if (!found.empty()) out.push_back(found);
}

std::string extract_package(const std::string& path)
{
	const std::string* prefixes[3] = {&cus_path, &glb_path, &def_path};
	for (int k = 0; k < 3; ++k) {
		const std::string& p = *prefixes[k];
		if (path.compare(0, p.size(), p) != 0) continue;
		size_t q = path.find_first_of("\\/:", p.size());
		if (q != std::string::npos) return path.substr(0, q + 1);
	}
	return "";
}

// Sign and `digits` decimal places; a place whose value is not one digit is "0".
static void put_signed(char* at, int value, int digits)
{
	long long a = value < 0 ? -(long long)value : value;
	at[0] = value >= 0 ? '+' : '-';
	long long scale = 1;
	for (int i = 1; i < digits; ++i) scale *= 10;
	for (int i = 0; i < digits; ++i, scale /= 10) {
		long long d = i == 0 ? a / scale : a / scale % 10;
		at[1 + i] = d >= 0 && d <= 9 ? (char)('0' + d) : '0';
	}
}

void return_latlon_str_dsf(int lat, int lon, std::string* out)
{
	if (!out) return;
	long long flat = ((long long)lat + 90) / 10 * 10 - 90;
	long long flon = ((long long)lon + 180) / 10 * 10 - 180;
	char buf[20];
	put_signed(buf, (int)flat, 2);
	put_signed(buf + 3, (int)flon, 3);
	buf[7] = '/';
	put_signed(buf + 8, lat, 2);
	put_signed(buf + 11, lon, 3);
	memcpy(buf + 15, ".dsf", 4);
	out->assign(buf, 19);
}
