// Folder creation, deletion of obsolete files, and the checksum scan.
#include "engine_support.h"
#include "utils.h"
#include "utils_internal.h"
#include "io_utils.h"
#include "UTL_threads.h"
#include "utils_prompts.h"
#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

static const std::string M1 = "11111111111111111111111111111111";

static std::string line(int os, const std::string& sig, const std::string& name)
{
	return "FILE 0 " + std::to_string(os) + " 92102 1 1 " + sig + " " + name + "\n";
}
static file_version_struct& cur(int i) { return g_engine.sim_info[i].versions.back(); }

class Folders : public EngineTest {};

TEST_F(Folders, MakeDirsBuildsTheTreeAndMovesFrameworkFolders)
{
	copy_dir = dir + "a/b/Sim/";
	std::string body = "DIR V/Deep/x/y/\n" + line(0, M1, "f") + "DIR V/Other/\n" + line(0, M1, "g") +
	                   line(2, M1, "win/h") + "DIR V/Resources/plugins/ZENK.framework/Versions/\n" + line(0, M1, "A/z");
	ASSERT_EQ(3, load_directory(dir, body));
	for (auto& h : g_engine.sim_info) h.versions.back().want_download = 1;
	cur(1).want_download = 0;
	// an old copy holds a real folder where the archive brings a link
	const std::string fw = copy_dir + "Resources/plugins/";
	sh("mkdir -p '" + fw + "ZENK.framework/Versions/Current' '" + fw + "ZenkWidgets.framework/Versions'");
	sh("ln -s Versions/Current/Resources '" + fw + "ZENK.framework/Resources'");
	sh("ln -s A '" + fw + "ZenkWidgets.framework/Versions/Current'");

	EXPECT_EQ(0, make_dirs(copy_dir));
	EXPECT_TRUE(is_dir(copy_dir + "Deep/x/y"));
	EXPECT_FALSE(exists(copy_dir + "Other"));	// nothing to fetch there
	EXPECT_FALSE(exists(copy_dir + "win"));		// another platform
	for (const char* f : {"Output/FMS plans", "Output/logbooks", "Output/movies", "Output/situations", "Resources",
	                      "Output/preferences"})
		EXPECT_TRUE(is_dir(copy_dir + f)) << f;
	EXPECT_TRUE(is_dir(fw + "ZENK.framework/Versions/_Current"));
	EXPECT_FALSE(exists(fw + "ZENK.framework/Versions/Current"));
	EXPECT_TRUE(is_sim_link(fw + "ZenkWidgets.framework/Versions/Current", nullptr));
	EXPECT_TRUE(is_sim_link(fw + "ZENK.framework/Resources", nullptr));
	EXPECT_EQ(0, make_dirs(copy_dir));	// again: every folder exists

	// on a volume that tells case apart, a folder the copy spells in another
	// case is the one used, not a twin made beside it
	copy_dir = dir + "c/Sim/";
	sh("mkdir -p '" + copy_dir + "deep/X'");
	g_case_sensitive = 1;
	EXPECT_EQ(0, make_dirs(copy_dir));
	g_case_sensitive = 0;
	EXPECT_TRUE(is_dir(copy_dir + "deep/X/y"));
	EXPECT_FALSE(exists(copy_dir + "Deep"));
	EXPECT_FALSE(exists(copy_dir + "deep/x"));
}

// make_dirs in the smallest steps the polled form takes: 0 or the start's
// error; steps counts the calls that gave control back before the end.
static int make_dirs_stepwise(const std::string& folder, int& steps)
{
	const unsigned long long tiny_budget_us = 1;
	steps = 0;
	if (int code = make_dirs_start(folder)) return code;
	while (!make_dirs_step(tiny_budget_us)) ++steps;
	return make_dirs_running();
}

// A deep tree is made through a link inside it that stays in the copy, and
// nothing below a link that leads out is made, at whatever depth; made in
// steps, the tree's making gives control back before it ends.
TEST_F(Folders, MakeDirsFollowsTheLinksOfADeepTree)
{
	copy_dir = dir + "Sim/";
	const int levels = 600, inner = 150, outer = 450;
	std::string deep, body, at_inner, at_outer;
	for (int i = 1; i <= levels; ++i) {
		if (i == inner) at_inner = deep;
		if (i == outer) at_outer = deep;
		deep += i == inner ? "in/" : i == outer ? "out/" : "d/";
		if (i % 50 == 0) body += "DIR V/" + deep + "\n" + line(0, M1, "f");
	}
	ASSERT_EQ(3, load_directory(dir, body));
	ASSERT_EQ(levels / 50, (int)sim_info.size());
	for (auto& h : g_engine.sim_info) h.versions.back().want_download = 1;
	sh("mkdir -p '" + copy_dir + at_inner + "real' '" + dir + "outside'");
	ASSERT_EQ(0, symlink("real", (copy_dir + at_inner + "in").c_str()));

	int steps = 0;
	EXPECT_EQ(0, make_dirs_stepwise(copy_dir, steps));
	EXPECT_GT(steps, 0) << "the whole tree was made in one call";
	std::string through = copy_dir + at_inner + "real/" + at_outer.substr(at_inner.size() + 3);
	EXPECT_TRUE(is_dir(through)) << "made through the link that stays inside";
	EXPECT_TRUE(is_dir(through + "out/d/d"));
	// an earlier release's link out of the copy: nothing is made through it
	sh("rm -rf '" + copy_dir + "'");
	sh("mkdir -p '" + copy_dir + at_outer + "'");
	ASSERT_EQ(0, symlink((dir + "outside").c_str(), (copy_dir + at_outer + "out").c_str()));
	EXPECT_EQ(0, make_dirs_stepwise(copy_dir, steps));
	EXPECT_TRUE(is_dir(copy_dir + at_inner + "in/d/d"));
	EXPECT_EQ("", sh_out("ls -A '" + dir + "outside'"));
	EXPECT_NE(std::string::npos, log_text().find("a link on the way leads outside"));
}

TEST_F(Folders, MakeDirsReportsAnInstallFolderItCannotMake)
{
	write_text(dir + "plainfile", "x");
	copy_dir = dir + "plainfile/Sim/";
	EXPECT_EQ(ENOTDIR, make_dirs(copy_dir));
	std::string log = log_text();
	EXPECT_NE(std::string::npos, log.find("An error occurred while creating new folders"));
	EXPECT_NE(std::string::npos, log.find("Install Path:" + dir + "plainfile/Sim"));
}

TEST_F(Folders, DeleteFilesRemovesEmptiedFoldersAndCountsFailures)
{
	std::string body = "DIR V/a/b/\n" + line(0, "GONE", "gone1") + "DIR V/a/\n" + line(0, "GONE", "gone2") +
	                   "DIR V/keep/\n" + line(0, "GONE", "gone3") + line(0, "GONE", "stuck") +
	                   line(0, "GONE", "absent") + line(0, M1, "stays");
	ASSERT_EQ(3, load_directory(dir, body));
	for (const char* f : {"a/b/gone1", "a/gone2", "keep/gone3", "keep/other"}) write_text(copy_dir + f, "x");
	sh("mkdir -p '" + copy_dir + "keep/stuck/inner'");	// a folder where a file is listed: cannot go
	for (int i = 0; i < 5; ++i) {
		cur(i).want_delete = 1;
		cur(i).sig_have = "old";
		cur(i).up_to_date = 1;
	}
	cur(5).sig_have = M1;
	g_engine.stg.log_actions = 0;

	delete_files(copy_dir);
	EXPECT_FALSE(exists(copy_dir + "a"));	// a/b/ first, then a/
	EXPECT_FALSE(exists(copy_dir + "keep/gone3"));
	EXPECT_TRUE(exists(copy_dir + "keep/other"));
	EXPECT_TRUE(is_dir(copy_dir + "keep/stuck"));
	EXPECT_EQ(1, delete_failures);
	EXPECT_EQ("NONE", cur(0).sig_have);
	EXPECT_EQ(0, cur(0).up_to_date);
	EXPECT_EQ("NONE", cur(4).sig_have);	// already absent counts as deleted
	EXPECT_EQ("old", cur(3).sig_have);	// the failed one keeps its record
	EXPECT_EQ(1, cur(3).up_to_date);
	EXPECT_EQ(M1, cur(5).sig_have);
	std::string log = log_text();
	EXPECT_NE(std::string::npos, log.find("Could not delete " + copy_dir + "keep/stuck"));
	EXPECT_EQ(std::string::npos, log.find("DELETING  file"));	// action lines only when asked for

	g_engine.stg.log_actions = 1;
	delete_files(copy_dir);
	log = log_text();
	EXPECT_NE(std::string::npos, log.find("DELETING  file " + copy_dir + "keep/gone3, with result=0."));
	EXPECT_EQ(2, delete_failures);
	EXPECT_TRUE(exists(copy_dir + "keep/other"));
}

TEST_F(Folders, DeleteFilesWithNothingMarkedTouchesNothing)
{
	ASSERT_EQ(3, load_directory(dir, "DIR V/e/\n" + line(0, "GONE", "x")));
	sh("mkdir -p '" + copy_dir + "e'");
	delete_files(copy_dir);
	EXPECT_TRUE(is_dir(copy_dir + "e"));
}

class Checksum : public EngineTest {};

static float scan(int quick, float* progress_after_first = nullptr)
{
	int cursor = 0, calls = 0;
	float progress = -1;
	while (true) {
		++calls;
		int r = checksum_directory(copy_dir, cursor, quick, progress);
		if (calls == 1 && progress_after_first) *progress_after_first = progress;
		if (r == 1) break;
		usleep(1000);
	}
	return progress;
}

TEST_F(Checksum, FullAndQuickScan)
{
	std::string body = "DIR V/s/\n";
	std::vector<std::string> sigs;
	for (int i = 0; i < 25; ++i) {
		std::string data = "file " + std::to_string(i) + "\n";
		sigs.push_back(md5_text(data));
		if (i % 5 != 4) write_text(copy_dir + "s/f" + std::to_string(i), i == 7 ? "changed" : data);
		body += line(0, sigs.back(), "f" + std::to_string(i));
	}
	body += line(2, M1, "f0") + line(0, "GONE", "f1");	// another platform; an obsolete file that exists
	ASSERT_EQ(3, load_directory(dir, body));
	ASSERT_EQ(27u, sim_info.size());
	float first = -1;
	EXPECT_FLOAT_EQ(1.0f, scan(0, &first));
	EXPECT_FLOAT_EQ(0.0f, first);	// every slice handed out at once, none signed yet
	for (int i = 0; i < 25; ++i) {
		std::string want = i % 5 == 4 ? "NONE" : i == 7 ? md5_text("changed") : sigs[i];
		EXPECT_EQ(want, cur(i).sig_have) << i;
		EXPECT_EQ(i % 5 != 4 && i != 7 ? 1 : 0, cur(i).up_to_date) << i;
	}
	EXPECT_EQ("", cur(25).sig_have);	// filtered out: untouched
	EXPECT_EQ(md5_text("file 1\n"), cur(26).sig_have);
	EXPECT_EQ(0, cur(26).up_to_date);
	std::string log = log_text();
	EXPECT_EQ(1, count_of(log, " Start of MD5 at "));
	EXPECT_EQ(1, count_of(log, " End of MD5 at "));
	EXPECT_EQ(nullptr, checksum_workers);

	scan(1);
	EXPECT_EQ(sigs[7], cur(7).sig_have);	// presence counts as equal
	EXPECT_EQ("GONE", cur(26).sig_have);
	EXPECT_EQ(1, cur(26).up_to_date);
	EXPECT_EQ("NONE", cur(4).sig_have);
}

TEST_F(Checksum, MissingFolderEmptyListAndKill)
{
	ASSERT_EQ(3, load_directory(dir, "DIR V/\n" + line(0, M1, "a") + line(2, M1, "b")));
	int cursor = 0;
	float progress = -1;
	EXPECT_EQ(1, checksum_directory(copy_dir, cursor, 0, progress));	// no copy yet
	EXPECT_EQ(0, cursor);
	EXPECT_EQ("NONE", cur(0).sig_have);
	EXPECT_EQ("NONE", cur(1).sig_have);	// whatever the filters
	EXPECT_EQ(nullptr, checksum_workers);

	sh("mkdir -p '" + copy_dir + "'");
	ASSERT_EQ(3, load_directory(dir, ""));
	EXPECT_EQ(1, checksum_directory(copy_dir, cursor, 0, progress));
	EXPECT_FLOAT_EQ(0.0f, progress);
	EXPECT_EQ(1, count_of(log_text(), " End of MD5 at "));

	std::string body = "DIR V/\n";
	for (int i = 0; i < 20000; ++i) body += line(0, M1, "f" + std::to_string(i));
	ASSERT_EQ(3, load_directory(dir, body));
	cursor = 0;
	EXPECT_EQ(0, checksum_directory(copy_dir, cursor, 0, progress));
	EXPECT_NE(nullptr, checksum_workers);
	EXPECT_LT(cursor, 20000);	// the queue is bounded
	checksum_directory_kill();
	EXPECT_EQ(nullptr, checksum_workers);
	checksum_directory_kill();
}

static std::string sized_line(int kb, const std::string& sig, const std::string& name)
{
	return "FILE 0 0 92102 " + std::to_string(kb) + " " + std::to_string(kb) + " " + sig + " " + name + "\n";
}

// A socket made at `path` (bound from inside its folder: socket names are short).
static int make_socket(const std::string& folder, const std::string& name)
{
	int s = socket(AF_UNIX, SOCK_STREAM, 0);
	char here[4096];
	if (s < 0 || !getcwd(here, sizeof here) || chdir(folder.c_str()) != 0) return -1;
	sockaddr_un a{};
	a.sun_family = AF_UNIX;
	snprintf(a.sun_path, sizeof a.sun_path, "%s", name.c_str());
	int r = bind(s, (sockaddr*)&a, sizeof a);
	if (chdir(here) != 0 || r != 0) return -1;
	return s;
}

// A pipe, a socket or a folder where a file is listed: the scan goes past
// without opening it, and the decision asks about it as about a file the
// user changed (delete wording when the release drops it); a link keeps
// being signed by its text, wherever it points.
TEST_F(Checksum, WhatIsNoFileIsAskedAboutNeverOpened)
{
	const std::string s = copy_dir + "s/";
	sh("mkdir -p '" + s + "folder'");
	ASSERT_EQ(0, mkfifo((s + "pipe").c_str(), 0644));
	ASSERT_EQ(0, mkfifo((s + "old_pipe").c_str(), 0644));
	int sock = make_socket(s, "sock");
	ASSERT_GE(sock, 0);
	ASSERT_EQ(0, symlink("/dev/zero", (s + "zero").c_str()));
	write_text(s + "plain", "plain\n");
	ASSERT_EQ(3, load_directory(dir, "DIR V/s/\n" + line(0, M1, "pipe") + line(0, M1, "sock") + line(0, M1, "folder") +
	                                     line(0, md5_text("/dev/zero"), "zero") + line(0, md5_text("plain\n"), "plain") +
	                                     line(0, "GONE", "old_pipe")));
	scan(0);
	for (int i : {0, 1, 2, 5}) {
		EXPECT_EQ("NOT_A_FILE", cur(i).sig_have) << i;
		EXPECT_EQ(0, cur(i).up_to_date) << i;
	}
	EXPECT_EQ(1, cur(3).up_to_date);
	EXPECT_EQ(1, cur(4).up_to_date);

	g_prompt_rules = {{"/pipe", select_keep}, {"/", select_act}};
	ASSERT_EQ(1, choose_files(copy_dir));
	std::vector<std::pair<std::string, int>> asked = {
		{s + "pipe", 0}, {s + "sock", 0}, {s + "folder", 0}, {s + "old_pipe", 1}};
	EXPECT_EQ(asked, g_prompt_calls);
	EXPECT_EQ(0, cur(0).want_download);	// kept
	EXPECT_EQ(1, cur(1).want_download);
	EXPECT_EQ(1, cur(5).want_delete);
	delete_files(copy_dir);
	EXPECT_FALSE(exists(s + "old_pipe"));
	EXPECT_TRUE(exists(s + "pipe"));
	close(sock);
}

// Large files are signed one to a slice, so a few of them spread over every
// worker; files of 30 MB go two to a slice, small ones ten. The first call
// hands all of these lists out, to last while a frame draws.
TEST_F(Checksum, SlicesEndAtAboutSixtyFourMegabytes)
{
	sh("mkdir -p '" + copy_dir + "'");
	const int places = 4 * UTL_count_processors();
	struct { int kb, files, per_slice; } sets[] = {{100000, 3 * places, 1}, {30000, 3 * places, 2}, {5, 3001, 10}};
	for (auto& set : sets) {
		SCOPED_TRACE(set.kb);
		std::string body = "DIR V/big/\n";
		for (int i = 0; i < set.files; ++i) body += sized_line(set.kb, M1, "f" + std::to_string(i));
		ASSERT_EQ(3, load_directory(dir, body));
		int cursor = 0;
		float progress = 0;
		// nothing is collected before the first hand-out: every slice is outstanding
		EXPECT_EQ(0, checksum_directory(copy_dir, cursor, 0, progress));
		EXPECT_EQ(set.files, cursor);
		EXPECT_EQ((set.files + set.per_slice - 1) / set.per_slice, checksum_workers->count_total_tasks());
		checksum_directory_kill();
		// the quick scan reads nothing: only the count cuts it
		cursor = 0;
		EXPECT_EQ(0, checksum_directory(copy_dir, cursor, 1, progress));
		EXPECT_EQ(set.files, cursor);
		EXPECT_EQ((set.files + 9) / 10, checksum_workers->count_total_tasks());
		checksum_directory_kill();
	}
}

// A file another program holds a lease on (a file server, say) is waited for
// as a plain open would, not taken for missing, which would overwrite it.
TEST_F(Checksum, ALeasedFileIsWaitedForNotTakenForMissing)
{
	const std::string f = copy_dir + "s/held";
	write_text(f, "held\n");
	ASSERT_EQ(3, load_directory(dir, "DIR V/s/\n" + line(0, md5_text("held\n"), "held")));
	sighandler_t old = signal(SIGIO, SIG_IGN);	// the break notice
	int fd = open(f.c_str(), O_RDONLY);
	ASSERT_GE(fd, 0);
	if (fcntl(fd, F_SETLEASE, F_WRLCK) != 0) {
		close(fd);
		signal(SIGIO, old);
		GTEST_SKIP() << "this file system takes no leases";
	}
	int cursor = 0;
	float progress = 0;
	int done = 0;
	for (int i = 0; i < 20 && !done; ++i) {	// the worker waits on the lease
		done = checksum_directory(copy_dir, cursor, 0, progress);
		usleep(5000);
	}
	EXPECT_EQ(0, done);
	fcntl(fd, F_SETLEASE, F_UNLCK);
	close(fd);
	while (!checksum_directory(copy_dir, cursor, 0, progress)) usleep(1000);	// the same scan goes on
	signal(SIGIO, old);
	EXPECT_EQ(md5_text("held\n"), cur(0).sig_have);
	EXPECT_EQ(1, cur(0).up_to_date);
}
