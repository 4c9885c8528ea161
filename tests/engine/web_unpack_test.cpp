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
#include <chrono>
#include <dirent.h>
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
		server_name[0] = kMirror;
		server_path[0] = "/vantor_92102/";
		stg.num_servers = 1;
		stg.sel_server = 0;
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
		std::string mine = std::to_string((long)getpid()) + "-";
		DIR* d = opendir(temp_path.c_str());
		if (!d) return false;
		bool held = false;
		while (dirent* e = readdir(d)) {
			std::string n = e->d_name;
			if (n.compare(0, mine.size(), mine) == 0 && atoi(n.c_str() + mine.size()) >= 4) held = true;
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
	server_name[0] = kWrong;
	server_path[0] = "/wrongalways/vantor_92102/";
	server_name[1] = kMirror;
	server_path[1] = "/vantor_92102/";
	stg.num_servers = 2;
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
	std::string dead = temp_path + std::to_string((long)child) + "-";
	std::string live = temp_path + std::to_string((long)getppid()) + "-";
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
