#include "main_disc.h"
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

static std::string unescape_mount(const std::string& s)
{
	// the mount table writes blanks and tabs in folder names as octal escapes
	std::string out;
	for (size_t i = 0; i < s.size(); ++i) {
		if (s[i] == '\\' && i + 3 < s.size()) {
			int v = 0, ok = 1;
			for (int k = 1; k <= 3; ++k) {
				char c = s[i + k];
				if (c < '0' || c > '7') ok = 0;
				v = v * 8 + (c - '0');
			}
			if (ok) {
				out += (char)v;
				i += 3;
				continue;
			}
		}
		out += s[i];
	}
	return out;
}

static int is_file(const std::string& p)
{
	struct stat st;
	return stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string dvd_mount_table()
{
	const char* t = getenv("VANTOR_MOUNT_TABLE");
	return t && *t ? t : "/proc/self/mounts";
}

int dvd_volume_may_be_disc(const std::string& device, const std::string& type, const std::string& options)
{
	// a user's own file system (and so anything another local user mounts) is never the disc
	if (type.compare(0, 4, "fuse") == 0) return 0;
	if (device.compare(0, 7, "/dev/sr") == 0 || device.compare(0, 8, "/dev/scd") == 0 ||
	    device.compare(0, 10, "/dev/cdrom") == 0 || device.compare(0, 8, "/dev/dvd") == 0)
		return 1;
	std::istringstream opts(options);
	std::string o;
	while (std::getline(opts, o, ','))
		if (o == "ro") return 1;
	return 0;
}

std::vector<std::string> dvd_mounted_volumes(const std::string& mount_table)
{
	std::vector<std::string> out;
	std::ifstream in(mount_table);
	std::string line;
	while (std::getline(in, line)) {
		std::istringstream ls(line);
		std::string dev, dir, type, options;
		if (!(ls >> dev >> dir >> type >> options)) continue;
		// Anyone may write a writable volume: a marker file there proves nothing.
		if (!dvd_volume_may_be_disc(unescape_mount(dev), type, options)) continue;
		dir = unescape_mount(dir);
		if (dir.empty()) continue;
		if (dir.back() != '/') dir += '/';
		out.push_back(dir);
	}
	return out;
}

std::string dvd_find_disc(const std::string& mount_table, const std::string& holding)
{
	for (const std::string& dir : dvd_mounted_volumes(mount_table))
		if (is_file(dir + holding)) return dir;
	return "";
}

static std::string with_slash(std::string p)
{
	if (!p.empty() && p.back() != '/') p += '/';
	return p;
}

int dvd_runs_from_disc(const std::string& bundle, const std::string& dvd, const std::string& temp)
{
	const std::string disc = with_slash(dvd);
	if (disc.empty() || disc == "/") return 0;	// the root holds every program
	if (bundle.compare(0, disc.size(), disc) != 0) return 0;
	const std::string tmp = with_slash(temp);
	if (!tmp.empty() && tmp != "/" && bundle.compare(0, tmp.size(), tmp) == 0) return 0;
	return 1;
}

static int is_folder(const std::string& p)
{
	struct stat st;
	return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int dvd_move_off_disc(const std::string& bundle, const std::string& dvd, const std::string& temp,
                      const std::string& into,
                      const std::function<int(const std::string&, const std::string&)>& copy,
                      const std::function<int(const std::string&)>& launch)
{
	if (!dvd_runs_from_disc(bundle, dvd, temp) || into.empty()) return 0;
	std::string b = bundle;
	while (b.size() > 1 && b.back() == '/') b.pop_back();
	const size_t slash = b.rfind('/');
	const std::string name = b.substr(slash + 1);
	const std::string dest = with_slash(into) + name;
	if (is_folder(b)) {
		// a bundle carries its resources inside it
		if (copy(bundle, dest) != 0) return 0;	// run from the disc rather than not at all
		launch(dest);
		return 0;	// the start failed: carry on here
	}
	// A program file finds its resources in the "Resources" folder beside it:
	// both go into a folder of their own, so the copy runs without the disc.
	const std::string folder = dest + "/", beside = b.substr(0, slash + 1) + "Resources";
	if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return 0;	// run from the disc rather than not at all
	if (copy(b, folder + name) != 0) return 0;
	if (is_folder(beside) && copy(beside, folder + "Resources") != 0) return 0;
	launch(folder + name);
	return 0;
}
