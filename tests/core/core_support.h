#ifndef CORE_SUPPORT_H
#define CORE_SUPPORT_H
// Helpers of the core tests: a private working folder, file reading, running
// the program and capturing what it prints.
#include <string>

// Makes (once per process tree) a fresh folder for the named test, shared with
// the re-executed children of "threadsafe" death tests through the environment.
std::string core_test_dir(const char* tag);

// Switches the current folder to dir for the scope; restores it afterwards.
struct core_cwd {
	explicit core_cwd(const std::string& dir);
	~core_cwd();
	std::string old;
};

std::string core_read_file(const std::string& path);
bool        core_file_exists(const std::string& path);
int         core_count(const std::string& hay, const std::string& needle);

// Runs a shell command; returns its exit status (-1 if it did not exit) and its stdout.
int core_run(const std::string& cmd, std::string* out);

// Opens xer afresh on the file (closing it first if open).
void core_open_log(const std::string& path);

#endif
