#ifndef ENGINE_SUPPORT_H
#define ENGINE_SUPPORT_H
// Shared by the engine tests: a clean engine per test, a scratch folder, the
// log in a file of its own, scripted answers to the engine's prompts.
#include <gtest/gtest.h>
#include "../files/files_support.h"
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Answers of the prompts the tests hook in place of the wizard's windows:
// the first rule whose text is part of the path answers; no rule cancels.
extern std::vector<std::pair<std::string, int>> g_prompt_rules;
extern std::vector<std::pair<std::string, int>> g_prompt_calls;	// path, is_delete
extern std::string copy_dir;	// the copy the engine works on, in the scratch folder

void        write_text(const std::string& path, const std::string& data);
std::string md5_text(const std::string& data);
std::string md5_file(const std::string& path);	// by md5sum; empty when unreadable
bool        exists(const std::string& path);
bool        is_dir(const std::string& path);
int         count_of(const std::string& hay, const std::string& needle);

// Header of a directory file, ready for its lines.
std::string dir_header();
// Writes a directory file and reads it; returns read_directory's result.
int load_directory(const std::string& folder, const std::string& body);

// After an engine run: every listed file the run was to install has its listed
// signature in the copy (read by md5sum; a link by its text) and every file it
// was to delete is gone, or the run reported a failure. Each file that breaks
// this is a test failure.
void expect_release_or_failure(bool run_failed);
// The destination screen's checksum scan, then the install step's decision and
// folders, as the web flows run them; a refusal of either fails the test.
void web_scan_and_choose();
// The run screen's loop, about 20 ms of pump calls per frame: 1 once the run
// ended (done or failed: stg.extract_error tells which), or -1 when
// `limit_seconds` pass first.
int web_pump(double limit_seconds);
// The same on a clock of the test's own (xtim.elapsed): it keeps pace with
// real time while anything runs, and jumps over each pause the pump waits out
// after a failure, calling on_pause (when given) with its length first. So a
// run that waits minutes for the network takes as long as its transfers.
// g_clock_jumped: the seconds jumped over in the last such run.
int web_pump_clocked(double limit_seconds, const std::function<void(float)>& on_pause = nullptr);
extern float g_clock_jumped;

class EngineTest : public ::testing::Test {
protected:
	std::string dir;	// scratch folder, ends in "/"
	std::string log_path;
	void SetUp() override;
	void TearDown() override;
	std::string log_text();
};

#endif
