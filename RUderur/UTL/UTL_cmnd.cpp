#include "UTL_cmnd.h"
#include "UTL_clock.h"
#include "UTL_alert.h"
#include <cctype>
#include <cstring>
#include <strings.h>

const cmnd_default_struct default_commands[2] = {
	{"cmnd_nothing", "sim/none/none",      "Do nothing at all!",   3, 0, 0},
	{"cmnd_quit",    "sim/operation/quit", "Quit the simulation.", 2, 0, 0},
};

float      cmnd_duration = 0;
static int fp = 0;	// the plane focus
cmnd_class cmnd;

cmnd_class::cmnd_class()
{
	for (const cmnd_default_struct& d : default_commands) {
		cmnd_ids.push_back(d.id);
		cmnd_paths.push_back(d.path);
		cmnd_descs.push_back(d.desc);
		cmnd_types.push_back(d.type);
		press_counts.push_back(0);
	}
}

int cmnd_class::add_cmd(const std::string& path, const std::string& desc)
{
	int index = (int)cmnd_paths.size();
	cmnd_ids.push_back("DYNAMIC");
	cmnd_paths.push_back(path);
	cmnd_descs.push_back(desc);
	cmnd_types.push_back(2);
	press_counts.push_back(0);
	return index;
}

void cmnd_class::alias_cmd(const std::string& name, int index) { cmnd_aliases[name] = index; }

int cmnd_class::get_cmnd_by_name(const std::string& name)
{
	auto a = cmnd_aliases.find(name);
	if (a != cmnd_aliases.end()) return a->second;
	for (size_t i = 0; i < cmnd_paths.size(); ++i)
		if (cmnd_paths[i] == name) return (int)i;
	return cmnd_nothing;
}

void cmnd_class::get_cmds_in_path(const std::string& prefix, std::vector<std::string>& out)
{
	out.clear();
	for (const std::string& path : cmnd_paths) {
		if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) continue;
		size_t slash = path.find('/', prefix.size());
		std::string next = slash == std::string::npos ? path.substr(prefix.size())
		                                              : path.substr(prefix.size(), slash + 1 - prefix.size());
		bool seen = false;
		for (const std::string& o : out)
			if (o == next) { seen = true; break; }
		if (!seen) out.push_back(next);
	}
}

static bool contains_nocase(const std::string& hay, const std::string& word)
{
	if (word.size() > hay.size()) return false;
	for (size_t at = 0; at + word.size() <= hay.size(); ++at)
		if (strncasecmp(hay.c_str() + at, word.c_str(), word.size()) == 0) return true;
	return false;
}

void cmnd_class::get_cmnds_by_filter(const std::string& filter, std::vector<std::string>& out)
{
	std::vector<std::string> words;
	size_t i = 0;
	while (i < filter.size()) {
		while (i < filter.size() && isspace((unsigned char)filter[i])) ++i;
		size_t start = i;
		while (i < filter.size() && !isspace((unsigned char)filter[i])) ++i;
		if (i > start) words.push_back(filter.substr(start, i - start));
	}
	out.clear();
	for (const std::string& path : cmnd_paths) {
		bool all = true;
		for (const std::string& w : words)
			if (!contains_nocase(path, w)) { all = false; break; }
		if (all) out.push_back(path);
	}
}

int cmnd_class::tab_complete_cmnd(std::string& text)
{
	bool found = false;
	std::string cand;
	for (const std::string& path : cmnd_paths) {
		if (path.compare(0, text.size(), text) != 0 || path.size() < text.size()) continue;
		if (!found) {
			cand = path;
			found = true;
			continue;
		}
		size_t n = 0;
		while (n < cand.size() && n < path.size() && cand[n] == path[n]) ++n;
		cand.resize(n);
	}
	if (!found) return 0;
	text = cand;
	return 1;
}

void cmnd_class::press_one(int cmd)
{
	press_counts[cmd]++;
	if (cmd == cmnd_quit) app_done = 1;
}

void cmnd_class::release_one(int cmd)
{
	cmnd_duration = 0;
	if (press_counts[cmd] > 0) press_counts[cmd]--;
}

void cmnd_class::press_always(int) { cmnd_duration += xtim.prd_frame; }

void cmnd_class::single_press(int cmd)
{
	press_one(cmd);
	release_one(cmd);
}

int  cmnd_class::get_plane_focus() { return fp; }
void cmnd_class::set_plane_focus(int focus) { fp = focus; }
