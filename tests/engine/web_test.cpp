// The web install end to end: release sets made by make_release.py with the
// real zip tool, served by nginx on loopback; a second mirror refuses.
#include "engine_support.h"
#include "../support/test_servers.h"
#include "utils.h"
#include "main_globals.h"
#include "http.h"
#include "io_utils.h"
#include "zip_utils.h"
#include "UTL_clock.h"
#include "UTL_globals.h"
#include <chrono>
#include <sstream>
#include <sys/stat.h>

static const char* kGood = "127.0.0.31";
static const char* kRefusing = "127.0.0.32";	// nothing listens there

class WebInstall : public EngineTest {
protected:
	TS_nginx    mirror;
	std::string out;

	void make_set(const std::string& kind)
	{
		out = dir + "set";
		ASSERT_EQ(0, sh("python3 '" VANTOR_SOURCE_DIR "/tests/engine/make_release.py' " + kind + " '" + out + "'"));
		ASSERT_TRUE(mirror.start(kGood, 80, out + "/mirror", dir + "nginx")) << mirror.error;
		server_name[0] = kRefusing;
		server_name[1] = kGood;
		server_path[0] = server_path[1] = "/vantor_92102/";
		stg.num_servers = 2;
		stg.sel_server = 0;
		sh("cp -a '" + out + "/copy' '" + dest_dir_path + "' 2>/dev/null || mkdir -p '" + dest_dir_path + "'");
	}

	// As the server-check screen does: fetch, unzip and read the directory file.
	void fetch_directory()
	{
		std::string local = temp_path + "directory.txt.zip";
		int r = 0;
		auto t0 = std::chrono::steady_clock::now();
		while ((r = http.net_check(1, kGood, "/vantor_92102/directory.txt.zip", local)) == 0) {
			xtim.xtim_update();
			ASSERT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 20);
		}
		ASSERT_EQ(1, r);
		ASSERT_EQ(0, zip_to_file(local, temp_path, nullptr, 0));
		delete_file(local);
		ASSERT_EQ(3, read_directory(temp_path + "directory.txt", ""));
	}

	void scan_and_choose() { web_scan_and_choose(); }
	int  pump(double limit_seconds) { return web_pump(limit_seconds); }

	void check_expectations()
	{
		std::istringstream in(read_file(out + "/expect.txt"));
		std::string what;
		int checked = 0;
		while (in >> what) {
			std::string md5, rel;
			if (what == "present") in >> md5;
			std::getline(in, rel);
			rel = rel.substr(1);
			std::string p = dest_dir_path + rel;
			if (what == "present") {
				EXPECT_EQ(md5, md5_file(p)) << rel;
			}
			if (what == "absent") {
				EXPECT_FALSE(exists(p)) << rel;
			}
			if (what == "dir_absent") {
				EXPECT_FALSE(exists(p)) << rel;
			}
			if (what == "dir_present") {
				EXPECT_TRUE(is_dir(p)) << rel;
			}
			if (what == "exec") {
				struct stat st;
				ASSERT_EQ(0, stat(p.c_str(), &st)) << rel;
				EXPECT_EQ(0755u, st.st_mode & 0777) << rel;
			}
			++checked;
		}
		EXPECT_GT(checked, 20);
	}

	int archives_left() { return atoi(sh_out("find '" + temp_path + "' -name '*.zip*' | wc -l").c_str()); }

	int streams_on() { return next.stream_on[0] + next.stream_on[1] + next.stream_on[2] + next.stream_on[3]; }
};

TEST_F(WebInstall, UpdatesACopyFromTwoMirrors)
{
	make_set("web");
	fetch_directory();
	g_prompt_rules = {{"changed_keep", select_keep}, {"changed_over", select_act}, {"obs_changed", select_keep}};
	scan_and_choose();
	EXPECT_EQ(3u, g_prompt_calls.size());
	EXPECT_GT(stg.files_to_install, 10);

	EXPECT_EQ(1, pump(60));
	EXPECT_EQ(0, stg.extract_error);
	EXPECT_EQ(1, next.done);
	check_expectations();
	EXPECT_EQ(0, archives_left());
	EXPECT_GT(streams_on(), 2);	// loopback is fast: the automatic count grows
	EXPECT_EQ(0, delete_failures);

	std::string log = log_text();
	EXPECT_NE(std::string::npos, log.find("EXPANDING file " + dest_dir_path + "Resources/older.txt, with result=0."));
	EXPECT_NE(std::string::npos, log.find("CHMODING  file " + dest_dir_path + "Vantor.app/Contents/MacOS/Vantor, with result=0."));
	EXPECT_NE(std::string::npos, log.find("now we want to nuke a file: DELETING  file " + dest_dir_path +
	                                      "Old Stuff/deep/obsolete.txt, with result=0."));
	EXPECT_NE(std::string::npos, log.find("cleanup: DELETING  file " + dest_dir_path + "Old Stuff/, with result=0."));
	EXPECT_NE(std::string::npos, log.find("HTTP Error for"));	// the refusing mirror was tried first
	EXPECT_EQ(std::string::npos, log.find("plugins/flight.vnk  sig_want"));

	// A second look finds the copy current but for the file the user kept.
	for (auto& h : sim_info) h.versions.back().sig_have.clear();
	g_prompt_calls.clear();
	int cursor = 0;
	float progress;
	while (!checksum_directory(cursor, 0, progress)) usleep(500);
	recalc_disk_sizes();
	EXPECT_EQ(1, stg.files_to_install);
	EXPECT_EQ(0, stg.files_to_delete);
}

TEST_F(WebInstall, FixedStreamCountAndDeletedFolders)
{
	make_set("web");
	fetch_directory();
	g_prompt_rules = {{"/", select_keep}};
	scan_and_choose();
	stg.stream_count = 1;
	EXPECT_EQ(1, pump(60));
	EXPECT_EQ(1, streams_on());
	EXPECT_FALSE(exists(dest_dir_path + "Old Stuff"));
	EXPECT_EQ(0, archives_left());
}

TEST_F(WebInstall, ArchiveThatWillNotUnpackEndsTheRunAsAFailure)
{
	make_set("web");
	write_text(out + "/mirror/vantor_92102/All/Resources/bulk/file_03.dat.zip", "this is not a zip archive at all");
	fetch_directory();
	g_prompt_rules = {{"/", select_keep}};
	scan_and_choose();
	server_name[0] = kGood;
	EXPECT_EQ(1, pump(60));
	EXPECT_EQ(1, stg.extract_error);
	int bad = -1;
	for (int i = 0; i < (int)sim_info.size(); ++i)
		if (sim_info[i].versions.back().path == "All/Resources/bulk/file_03.dat") bad = i;
	ASSERT_GE(bad, 0);
	EXPECT_EQ(0, sim_info[bad].versions.back().up_to_date);
	EXPECT_EQ(1, grab_files());	// the run stays ended
	EXPECT_NE(std::string::npos, log_text().find("The installer cannot extract a file."));
	EXPECT_EQ(0, archives_left());

	// A new run starts clean and can finish.
	write_text(out + "/mirror/vantor_92102/All/Resources/bulk/file_03.dat.zip", "");
	sh("cd '" + dir + "' && rm -f x.zip && printf 'fixed' > file_03.dat && zip -q x.zip file_03.dat && cp x.zip '" + out +
	   "/mirror/vantor_92102/All/Resources/bulk/file_03.dat.zip'");
	grab_files_start();
	EXPECT_EQ(0, stg.extract_error);
	EXPECT_EQ(0, stg.download_error);
	EXPECT_EQ(1, pump(60));
	EXPECT_EQ(0, stg.extract_error);
	EXPECT_EQ("fixed", read_file(dest_dir_path + "Resources/bulk/file_03.dat"));
}

TEST_F(WebInstall, FileNoMirrorHasEndsTheRunNamingIt)
{
	make_set("web");
	sh("rm '" + out + "/mirror/vantor_92102/All/Resources/bulk/file_05.dat.zip'");
	fetch_directory();
	g_prompt_rules = {{"/", select_keep}};
	scan_and_choose();
	auto t0 = std::chrono::steady_clock::now();
	EXPECT_EQ(1, pump(60));
	EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 30);
	EXPECT_EQ(1, stg.extract_error);
	EXPECT_EQ(1, stg.download_error);
	EXPECT_EQ("/vantor_92102/All/Resources/bulk/file_05.dat.zip", grab_failed_file);
	std::string log = log_text();
	EXPECT_NE(std::string::npos, log.find("I could not download a file from any of the servers."));
	EXPECT_NE(std::string::npos, log.find("Giving up on /vantor_92102/All/Resources/bulk/file_05.dat.zip"));
	EXPECT_EQ(0, archives_left());
	for (int i = 2; i < 6; ++i) EXPECT_EQ(nullptr, http.slots[i]);
}

TEST_F(WebInstall, EmptyListAndSkippedFiles)
{
	sh("mkdir -p '" + dest_dir_path + "'");
	stg.num_servers = 1;
	EXPECT_EQ(1, pump(5));	// both streams start past the end
	ASSERT_EQ(3, load_directory(dir, "DIR V/\nFILE 0 0 92102 1 1 11111111111111111111111111111111 a\n"
	                                 "FILE 0 2 92102 1 1 11111111111111111111111111111111 b\n"));
	sim_info[0].versions.back().up_to_date = 1;
	grab_files_start();
	EXPECT_EQ(0, grab_files());	// stream 0 skips a, stream 1 skips b
	EXPECT_EQ(3, stg.action);
	EXPECT_EQ(1, grab_files());
}
