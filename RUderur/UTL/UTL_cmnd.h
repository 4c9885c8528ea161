#ifndef UTL_CMND_H
#define UTL_CMND_H
// The command registry: named commands that key bindings press and release.
#include <map>
#include <string>
#include <vector>

enum { cmnd_nothing = 0, cmnd_quit = 1 };

// The built-in commands; the key bindings take each one's default key and
// modifier mask from here (key 0: no default key).
struct cmnd_default_struct {
	const char* id;
	const char* path;
	const char* desc;
	int         type;
	int         key;
	int         modifiers;
};
extern const cmnd_default_struct default_commands[2];

class cmnd_class {
public:
	std::vector<std::string> cmnd_ids;
	std::vector<std::string> cmnd_paths;
	std::vector<std::string> cmnd_descs;
	std::vector<int>         cmnd_types;
	std::vector<int>         press_counts;
	std::map<std::string, int> cmnd_aliases;

	cmnd_class();
	int  add_cmd(const std::string& path, const std::string& desc);
	void alias_cmd(const std::string& name, int index);
	int  get_cmnd_by_name(const std::string& name);
	void get_cmds_in_path(const std::string& prefix, std::vector<std::string>& out);
	void get_cmnds_by_filter(const std::string& filter, std::vector<std::string>& out);
	int  tab_complete_cmnd(std::string& text);
	void press_one(int cmd);
	void release_one(int cmd);
	void press_always(int cmd);
	void single_press(int cmd);
	int  get_plane_focus();
	void set_plane_focus(int focus);
};

extern cmnd_class cmnd;
extern float      cmnd_duration;	// seconds the current command has been held

#endif
