#include "UTL_cmdline.h"
#include "UTL_log.h"
#include <cctype>
#include <cstdio>
#include <cstdlib>

UTL_cmdline cmdline;

void UTL_cmdline::add_one(const std::string& key, const std::string& value)
{
	if (cmdline.opts.count(key))
		xer << "WARNING: command line option " << key << "=" << value << "used twice.\n";
	cmdline.opts[key] = value;
	xer << "     '" << key;
	if (!value.empty()) xer << "'='" << value;
	xer << "'\n";
}

void UTL_cmdline::init_unix(int argc, const char* const* argv)
{
	for (int i = 1; i < argc; ++i) {
		std::string arg = argv[i] ? argv[i] : "";
		size_t eq = arg.find('=');
		if (eq == std::string::npos)
			add_one(arg, "");
		else
			add_one(arg.substr(0, eq), arg.substr(eq + 1));
	}
	init_common();
}

void UTL_cmdline::init_win(const char* line)
{
	const char* p = line ? line : "";
	while (*p) {
		while (*p && isspace((unsigned char)*p)) ++p;
		if (!*p) break;
		const char* start = p;
		while (*p && !isspace((unsigned char)*p)) ++p;
		std::string tok(start, p);
		size_t eq = tok.find('=');
		std::string key = eq == std::string::npos ? tok : tok.substr(0, eq);
		std::string val = eq == std::string::npos ? "" : tok.substr(eq + 1);
		if (key.empty()) continue;
		add_one(key, val);
	}
	init_common();
}

bool UTL_cmdline::has_option(const char* key)
{
	return cmdline.opts.find(key) != cmdline.opts.end();
}

std::string UTL_cmdline::get_option(const char* key)
{
	auto it = cmdline.opts.find(key);
	return it == cmdline.opts.end() ? std::string() : it->second;
}
