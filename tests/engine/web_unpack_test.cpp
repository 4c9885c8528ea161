// The web install's unpack set: archives the streams finished are unpacked and
// checked on worker threads. A cancelled run leaves nothing half done, and a
// wrong copy found there is fetched again from another mirror.
#include "engine_support.h"
#include "../support/test_servers.h"
#include "utils.h"
#include "io_utils.h"
#include "zip_utils.h"
#include "UTL_clock.h"
#include "UTL_globals.h"
#include "utils_internal.h"
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <map>
#include <sched.h>
#include <set>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

static const char* kMirror = "127.0.0.141";
static const char* kWrong = "127.0.0.142";	// the fault server's archive modes

class WebUnpack : public EngineTest {
protected:
	TS_nginx    mirror;
	std::string out;

	// COUNT files of about KB kilobytes on the mirror, read and decided for a new copy.
	void ready(int count, int kb)
	{
		out = dir + "set";
		ASSERT_EQ(0, sh("python3 '" VANTOR_SOURCE_DIR "/tests/engine/make_release.py' bench '" + out + "' " +
		                std::to_string(count) + " " + std::to_string(kb) + " >/dev/null"));
		ASSERT_TRUE(mirror.start(kMirror, 80, out + "/mirror", dir + "nginx")) << mirror.error;
		g_engine.server_name[0] = kMirror;
		g_engine.server_path[0] = "/vantor_92102/";
		g_engine.stg.num_servers = 1;
		g_engine.stg.sel_server = 0;
		ASSERT_EQ(0, zip_to_file(out + "/mirror/vantor_92102/directory.txt.zip", temp_path, nullptr, 0));
		ASSERT_EQ(3, read_directory(temp_path + "directory.txt", ""));
		web_scan_and_choose();
	}

	// Names in `folder` (recursively) that contain `part`.
	std::string found(const std::string& folder, const std::string& part)
	{
		return sh_out("find '" + folder + "' -name '*" + part + "*' 2>/dev/null");
	}

	// An archive the unpack set holds: the streams' own are numbered 0 to 3.
	bool set_holds_an_archive()
	{
		DIR* d = opendir(UTIL_run_folder().c_str());
		if (!d) return false;
		bool held = false;
		while (dirent* e = readdir(d)) {
			std::string n = e->d_name;
			if (n.size() > 4 && n.compare(n.size() - 4, 4, ".zip") == 0 && isdigit((unsigned char)n[0]) &&
			    atoi(n.c_str()) >= http_stream_count)
				held = true;
		}
		closedir(d);
		return held;
	}
};

// Back and Cancel on the install screen while archives wait to be unpacked:
// when the pump is reset, no worker writes into the copy any more (the wizard
// deletes it next), no archive is left, and no file is half there.
TEST_F(WebUnpack, CancelWhileTheSetHoldsArchivesLeavesNothingHalfDone)
{
	ready(8, 16000);	// large enough that an unpack is still under way when the pump looks
	grab_files_start();
	bool held = false;
	auto t0 = std::chrono::steady_clock::now();
	int r = 0;
	while (!held && !(r = grab_files(copy_dir))) {
		xtim.xtim_update();
		held = set_holds_an_archive();
		ASSERT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 120);
	}
	ASSERT_TRUE(held) << "the run ended (" << r << ") before an archive reached the unpack set";

	grab_files_start();	// what the cancel does first
	EXPECT_EQ("", found(temp_path, ".zip"));
	EXPECT_EQ("", found(copy_dir, ".vantor-unpack-"));
	for (auto& h : sim_info) {
		const file_version_struct& v = h.versions.back();
		std::string rel = v.path;
		trim_dest_folder(rel);
		std::string local = copy_dir + rel;
		if (exists(local)) {
			EXPECT_EQ(v.sig_want, md5_file(local)) << v.path;	// whole, or not there
		}
	}
	EXPECT_EQ(0, recursive_delete_folder(copy_dir));
	EXPECT_FALSE(exists(copy_dir));

	// the next run starts clean and installs every file
	ASSERT_EQ(0, make_dirs(copy_dir));
	EXPECT_EQ(1, web_pump(120));
	EXPECT_EQ(0, stg.extract_error);
	expect_release_or_failure(stg.extract_error);
	EXPECT_EQ("", found(temp_path, ".zip"));
}

// A copy whose signature is wrong is found on a worker thread; the file is
// still fetched again, from the other mirror, and the run ends with the
// release's bytes.
TEST_F(WebUnpack, WrongCopiesFromOneMirrorAreFetchedFromTheOther)
{
	ready(24, 20);
	TS_fault_server fs;
	fs.root = out + "/mirror";
	ASSERT_TRUE(fs.start(kWrong, 80, dir + "fault")) << fs.error;
	g_engine.server_name[0] = kWrong;
	g_engine.server_path[0] = "/wrongalways/vantor_92102/";
	g_engine.server_name[1] = kMirror;
	g_engine.server_path[1] = "/vantor_92102/";
	g_engine.stg.num_servers = 2;
	EXPECT_EQ(1, web_pump(120));
	EXPECT_EQ(0, stg.extract_error);
	expect_release_or_failure(stg.extract_error);
	for (auto& h : sim_info) {
		const file_version_struct& v = h.versions.back();
		EXPECT_EQ(1, v.up_to_date) << v.path;
		EXPECT_EQ(v.sig_want, v.sig_have) << v.path;
	}
	std::string log = log_text();
	EXPECT_GT(count_of(log, ", not the listed "), 0);
	// each wrong copy is laid to the mirror that sent it, never to the good one
	EXPECT_EQ(count_of(log, ", not the listed "), count_of(log, " from " + std::string(kWrong) + "/wrongalways/"));
	EXPECT_EQ("", found(temp_path, ".zip"));
}

// Archives of a run that was killed, the streams' and those its unpack set
// held, are removed by the next run; a live installer's are left alone.
TEST_F(WebUnpack, ArchivesOfAKilledRunAreRemoved)
{
	pid_t child = fork();
	if (child == 0) _exit(0);
	ASSERT_GT(child, 0);
	waitpid(child, nullptr, 0);	// its number now names no running installer
	// each run's archives are in its own folder
	std::string dead = temp_path + "vantor-run-" + std::to_string((long)child) + "-Ab12Cd/";
	std::string live = temp_path + "vantor-run-" + std::to_string((long)getppid()) + "-Ef34Gh/";
	sh("mkdir -p '" + dead + "' '" + live + "'");
	for (const char* n : {"1.zip", "6.zip", "2.zip.part", "9.zip.part"}) {
		write_text(dead + n, "left by a killed run");
		write_text(live + n, "another installer's, still running");
	}
	grab_files_start();
	for (const char* n : {"1.zip", "6.zip", "2.zip.part", "9.zip.part"}) {
		EXPECT_FALSE(exists(dead + n)) << n;
		EXPECT_TRUE(exists(live + n)) << n;
	}
}

// A tmpfs of `size` at `folder` (made), in a mount namespace of this test
// process's own; "" or what failed. Again on the same folder: resized.
static std::string small_disk(const std::string& folder, const std::string& size)
{
	static bool own = false;
	if (!own) {
		if (unshare(CLONE_NEWNS) != 0) return std::string("unshare: ") + strerror(errno);
		if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return std::string("private: ") + strerror(errno);
		own = true;
	}
	sh("mkdir -p '" + folder + "'");
	std::string opts = "size=" + size;
	if (mount("tmpfs", folder.c_str(), "tmpfs", 0, opts.c_str()) == 0) return "";
	return "mount " + folder + ": " + strerror(errno);
}

// The disk of the copy, or of the temporary folder, fills in the middle of the
// run: nothing is asked for again; the run stops, keeps the user's files and
// what it installed, and names the folder, the cause and the room it still
// needs. Once room is made, a rerun finishes.
class WebFullDisk : public WebUnpack {
protected:
	void run(bool in_temp)
	{
		const std::string small = in_temp ? temp_path : copy_dir;
		if (!in_temp) {
			ASSERT_EQ("", small_disk(small, "1500k"));
		}
		write_text(copy_dir + "Resources/mine.txt", "the user's own");
		ready(24, 300);	// 7 MB in all, each archive about 150 kB
		if (in_temp) {
			ASSERT_EQ("", small_disk(small, "100k"));
		}
		TS_fault_server fs;	// a mirror that counts what it is asked for
		fs.root = out + "/mirror";
		ASSERT_TRUE(fs.start(kWrong, 80, dir + "fault")) << fs.error;
		g_engine.server_name[0] = kWrong;
		g_engine.server_path[0] = "/plain/vantor_92102/";
		auto asked = [&] {
			std::map<std::string, int> n;
			for (const std::string& head : fs.requests()) ++n[head.substr(0, head.find(" HTTP/1.1"))];
			return n;
		};

		EXPECT_EQ(1, web_pump_clocked(60));
		EXPECT_EQ(1, stg.extract_error);
		grab_outcome o = grab_run_outcome();
		EXPECT_EQ(ENOSPC, o.local_error);
		EXPECT_EQ(in_temp ? temp_path : copy_dir + "Resources/set00/", o.local_folder);
		EXPECT_GT(o.more_kb, 0);
		EXPECT_LT(o.installed, 24);
		for (const auto& [line, n] : asked()) EXPECT_EQ(1, n) << line;	// nothing fetched again
		std::string log = log_text();
		EXPECT_NE(std::string::npos, log.find("I could not save a downloaded file on this computer.\nError: " + error_str(ENOSPC) +
		                                      "\nFolder: " + o.local_folder + "\nThe disk that holds this folder is full: about "))
			<< log;
		EXPECT_EQ(1, count_of(log, "I could not save a downloaded file")) << log;
		EXPECT_EQ("the user's own", read_file(copy_dir + "Resources/mine.txt"));
		std::set<std::string> installed;	// what the run put in place is the release's
		for (auto& h : sim_info) {
			const file_version_struct& v = h.versions.back();
			std::string at = UTIL_local_path(copy_dir, v);
			if (exists(at)) {
				EXPECT_EQ(v.sig_want, md5_file(at)) << at;
				installed.insert(v.path);
			}
		}
		EXPECT_EQ((size_t)o.installed, installed.size());
		EXPECT_EQ(24u, o.installed + o.missing.size());	// each file not installed is named

		// room is made; a rerun fetches the rest, each file sent whole at most twice
		ASSERT_EQ(0, mount(nullptr, small.c_str(), nullptr, MS_REMOUNT, "size=64m")) << strerror(errno);
		for (auto& h : g_engine.sim_info) h.versions.back().sig_have.clear();
		web_scan_and_choose();
		EXPECT_EQ(1, web_pump_clocked(60));
		EXPECT_EQ(0, stg.extract_error);
		expect_release_or_failure(stg.extract_error);
		EXPECT_EQ("the user's own", read_file(copy_dir + "Resources/mine.txt"));
		std::map<std::string, int> all = asked();
		EXPECT_EQ(24u, all.size());
		for (const auto& [line, n] : all) {
			EXPECT_LE(n, 2) << line;
			for (const std::string& path : installed)
				if (line.find(path) != std::string::npos) {
					EXPECT_EQ(1, n) << line;
				}
		}
	}
};

TEST_F(WebFullDisk, TheCopysDisk) { run(false); }
TEST_F(WebFullDisk, TheTemporaryFoldersDisk) { run(true); }

// The copy's folder bounds every destination an unpack is given, not only
// those that lie below it: one elsewhere is refused and nothing lands there.
TEST_F(WebUnpack, ADestinationOutsideTheCopyIsRefused)
{
	ASSERT_EQ(0, sh("mkdir -p '" + dir + "src' '" + dir + "elsewhere' '" + copy_dir + "' && printf listed > '" + dir +
	                "src/f.txt' && cd '" + dir + "src' && zip -q ../f.zip f.txt"));
	EXPECT_EQ(err_path_outside, UTIL_unpack(copy_dir, dir + "f.zip", dir + "elsewhere/f.txt", 1));
	EXPECT_FALSE(exists(dir + "elsewhere/f.txt"));
	EXPECT_EQ(0, UTIL_unpack(copy_dir, dir + "f.zip", copy_dir + "f.txt", 1));
	EXPECT_EQ("listed", read_file(copy_dir + "f.txt"));
}
