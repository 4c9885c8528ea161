#ifndef UTL_CMDLINE_H
#define UTL_CMDLINE_H
// The parsed command line: every argument split at its first '='.
#include <map>
#include <string>

class UTL_cmdline {
public:
	std::map<std::string, std::string> opts;

	static void init_unix(int argc, const char* const* argv);
	static void init_win(const char* line);
	static int  init_common();
	static bool has_option(const char* key);
	static std::string get_option(const char* key);
	static void add_one(const std::string& key, const std::string& value);
};

extern UTL_cmdline cmdline;
extern const char* UTL_usage_text;	// printed by -h and --help

#endif
