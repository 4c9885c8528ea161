// The web install where names, sizes and the local disk are out of the
// ordinary, from the server-check screen's directory download on: release
// sets made by make_release.py with the real zip tool, served by nginx on loopback.
#include "../engine/engine_support.h"
#include "../support/test_servers.h"
#include "utils.h"
#include "utils_internal.h"
#include "main_globals.h"
#include "main_net.h"
#include "main_web_steps.h"
#include "main_wizard.h"
#include "http.h"
#include "io_utils.h"
#include "zip_utils.h"
#include "UTL_clock.h"
#include "UTL_alert.h"
#include <chrono>
#include <sstream>
#include <sys/mount.h>
#include <sys/stat.h>

static const char* kMirror = "127.0.0.93";
static const char* kRefusing = "127.0.0.94";	// nothing listens there

class WebBounds : public EngineTest {
protected:
	TS_nginx    mirror;
	std::string out, site;

	void TearDown() override
	{
		for (int i = 0; i < http_slot_count; ++i) {
			http.drop(i);
		}
		http.proxy_host.clear();
		http.proxy_port = 0;
		mirror.stop();
		if (!site.empty()) umount2(site.c_str(), MNT_DETACH);
		EngineTest::TearDown();
	}

	void make_set(const std::string& kind, const std::string& extra = "")
	{
		out = dir + "set";
		ASSERT_EQ(0, sh("python3 '" VANTOR_SOURCE_DIR "/tests/engine/make_release.py' " + kind + " '" + out + "' " +
		                extra));
	}

	void serve(int servers)
	{
		ASSERT_TRUE(mirror.start(kMirror, 80, out + "/mirror", dir + "nginx")) << mirror.error;
		g_engine.server_name[0] = kRefusing;
		for (int i = 1; i < servers; ++i) g_engine.server_name[i] = kMirror;
		if (servers == 1) g_engine.server_name[0] = kMirror;
		for (int i = 0; i < servers; ++i) g_engine.server_path[i] = "/vantor_92102/";
		g_engine.stg.num_servers = servers;
		g_engine.stg.sel_server = servers - 1;
		mkdir(copy_dir.c_str(), 0755);
	}

	// The directory step as the server-check screen runs it, frame by frame.
	void fetch_directory()
	{
		g_engine.stg.stage = stage_fetch;
		directory_steps([&] { return stg.stage >= 2; });
		ASSERT_EQ(3, stg.stage);
	}

	// Every "present MD5 PATH" line of the set's expect.txt holds in the copy.
	int check_present()
	{
		std::istringstream in(read_file(out + "/expect.txt"));
		std::string what, md5, rel;
		int n = 0;
		while (in >> what >> md5 && std::getline(in, rel)) {
			EXPECT_EQ(md5, md5_file(copy_dir + rel.substr(1))) << rel;
			++n;
		}
		return n;
	}

	// Directory steps, frame by frame, until `done` holds.
	template <class Done> void directory_steps(Done done)
	{
		auto t0 = std::chrono::steady_clock::now();
		while (!done()) {
			xtim.xtim_update();
			UTL_download_directory();
			ASSERT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 30);
			usleep(200);
		}
	}

	// The temporary folder on a small disk of its own.
	bool small_temp_disk(const char* size)
	{
		site = dir + "small_temp";
		mkdir(site.c_str(), 0755);
		if (mount("tmpfs", site.c_str(), "tmpfs", 0, size) != 0) {
			site.clear();
			return false;
		}
		g_engine.temp_path = site + "/";
		return true;
	}
};

// Names with '%', '#', '?', letters outside ASCII, control characters and
// other characters a URL reserves install like any other, and the log shows
// their control characters escaped.
TEST_F(WebBounds, NamesAUrlMustEscapeInstall)
{
	make_set("names");
	serve(1);
	fetch_directory();
	ASSERT_GE(sim_info.size(), 11u);
	web_scan_and_choose();
	if (HasFatalFailure()) return;
	EXPECT_EQ(1, web_pump(60));
	EXPECT_EQ(0, stg.extract_error);
	std::string log = log_text();
	EXPECT_EQ(std::string::npos, log.find("HTTP Error for"));
	EXPECT_EQ(11, check_present());
	EXPECT_NE(std::string::npos, log.find("EXPANDING file " + copy_dir + "Odd Names/tab\\x09here.txt, with result=0."));
	EXPECT_NE(std::string::npos, log.find("EXPANDING file " + copy_dir + "Odd Names/\\x1b[31mred\\x1b[0m bell\\x07.txt"));
	for (char c : log) {
		if (c == '\n') continue;
		ASSERT_FALSE((unsigned char)c < 0x20 || c == 0x7f) << "a raw control character in the log:\n" << log;
	}
}

// A full temporary disk ends the run at once, naming the folder; no mirror is
// blamed and no other one is tried.
TEST_F(WebBounds, FullTemporaryDiskIsNamed)
{
	make_set("bench", "2 3000");
	serve(2);
	fetch_directory();
	if (!small_temp_disk("size=1m")) GTEST_SKIP() << "cannot mount a tmpfs here";
	web_scan_and_choose();
	if (HasFatalFailure()) return;
	EXPECT_EQ(1, web_pump(60));
	EXPECT_EQ(1, stg.extract_error);
	EXPECT_EQ(0, stg.download_error);
	std::string log = log_text();
	EXPECT_NE(std::string::npos, log.find("I could not save a downloaded file on this computer.\nError: " +
	                                      error_str(ENOSPC) + "\nFolder: " + temp_path +
	                                      "\nThe disk that holds this folder is full: about "))
		<< log;
	EXPECT_EQ(1, count_of(log, "HTTP Error for"));
	EXPECT_EQ(std::string::npos, log.find("I could not download a file from any of the servers."));
	EXPECT_EQ(0, atoi(sh_out("find '" + temp_path + "' -type f | wc -l").c_str()));
	for (int i = 2; i < 6; ++i) EXPECT_EQ(nullptr, http.transfer(i));
}

// An archive far larger than the directory file lists is refused before any
// of it is stored; the file counts as one no mirror would give.
TEST_F(WebBounds, ArchiveLargerThanListedIsRefused)
{
	make_set("names");
	std::string big = out + "/mirror/vantor_92102/All/Odd Names/100% sure.txt.zip";
	ASSERT_EQ(0, sh("cd '" + dir + "' && head -c 3000000 /dev/urandom > '100% sure.txt' && rm -f big.zip && "
	                "zip -q big.zip '100% sure.txt' && mv big.zip '" + big + "'"));
	serve(2);
	fetch_directory();
	web_scan_and_choose();
	if (HasFatalFailure()) return;
	EXPECT_EQ(1, web_pump(60));
	EXPECT_EQ(1, stg.extract_error);
	EXPECT_EQ(std::vector<std::string>{copy_dir + "Odd Names/100% sure.txt"}, grab_failed_files);
	EXPECT_NE(std::string::npos, log_text().find("Refused a body of " + std::to_string(APL_file_size(big)) + " bytes"));
	EXPECT_FALSE(exists(copy_dir + "Odd Names/100% sure.txt"));
}

// The install screen's pump, frame by frame to the run's end: grab_files
// tells a failed run from a finished one, and only a finished run's download
// total is logged.
TEST_F(WebBounds, OnlyAFinishedRunLogsItsDownloadTotal)
{
	make_set("names");
	std::string on_mirror = out + "/mirror/vantor_92102/All/Odd Names/100% sure.txt.zip";
	ASSERT_EQ(0, sh("cp '" + on_mirror + "' '" + dir + "good.zip' && cd '" + dir + "' && head -c 3000000 /dev/urandom "
	                "> '100% sure.txt' && rm -f big.zip && zip -q big.zip '100% sure.txt' && mv big.zip '" + on_mirror + "'"));
	serve(2);
	fetch_directory();
	dest_dir_path = copy_dir;	// the copy the install screen works on
	for (int mended : {0, 1}) {
		SCOPED_TRACE(mended ? "mended mirror" : "oversized archive");
		if (mended) {
			ASSERT_EQ(0, sh("cp '" + dir + "good.zip' '" + on_mirror + "'"));
		}
		web_scan_and_choose();
		if (HasFatalFailure()) return;
		const size_t before = log_text().size();
		grab_files_start();
		wizard_screen screen;
		float bar = 0;
		auto t0 = std::chrono::steady_clock::now();
		while (!web_pump_frame(screen, bar)) {
			xtim.xtim_update();
			ASSERT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 60)
				<< log_text().substr(before);
		}
		EXPECT_EQ(mended ? grab_done : grab_failed, grab_files(copy_dir));	// an ended run stays as it ended
		EXPECT_EQ(mended ? 0 : 1, stg.extract_error);
		const std::string run_log = log_text().substr(before);
		EXPECT_EQ(mended ? 1 : 0, count_of(run_log, "Downloaded ")) << run_log;
	}
}

// The server list and the directory archive have fixed bounds of their own.
TEST_F(WebBounds, ServerListAndDirectoryAreBounded)
{
	out = dir + "set";
	std::string root = out + "/mirror";
	sh("mkdir -p '" + root + "/vantor_92102'");
	// sparse files: a list of 2 MB, a directory archive of 100 MB
	ASSERT_EQ(0, sh("truncate -s 2000000 '" + root + "/serverlist9.txt' && truncate -s 100000000 '" + root +
	                "/vantor_92102/directory.txt.zip'"));
	serve(1);
	http.proxy_host = kMirror;	// the maker's site, reached through a proxy that is the mirror
	http.proxy_port = 80;
	g_engine.stg.num_servers = servers_unknown;
	// a repeated error is logged once with a count, so wait for the refusal itself
	directory_steps([&] { return log_text().find("Refused a body of 2000000 bytes") != std::string::npos; });
	EXPECT_EQ(-1, stg.num_servers);
	EXPECT_EQ(0, app_done);

	http.proxy_host.clear();
	http.proxy_port = 0;
	g_engine.stg.num_servers = 1;
	g_engine.stg.sel_server = 0;
	g_engine.stg.stage = stage_fetch;
	directory_steps([&] { return log_text().find("Refused a body of 100000000 bytes") != std::string::npos; });
	EXPECT_NE(3, stg.stage);	// never read: still trying, or given up with the error text
	EXPECT_FALSE(exists(UTIL_run_folder() + "directory.txt.zip"));
}

// A full temporary disk ends the server list and the directory steps at once,
// naming the folder, instead of asking every mirror again and again.
TEST_F(WebBounds, FullTemporaryDiskEndsTheDirectorySteps)
{
	out = dir + "set";
	std::string root = out + "/mirror";
	sh("mkdir -p '" + root + "/vantor_92102'");
	ASSERT_EQ(0, sh("truncate -s 900000 '" + root + "/serverlist9.txt' && truncate -s 2000000 '" + root +
	                "/vantor_92102/directory.txt.zip'"));
	serve(2);
	if (!small_temp_disk("size=512k")) GTEST_SKIP() << "cannot mount a tmpfs here";
	std::string full = "I could not save a downloaded file on this computer.\nError: " + error_str(ENOSPC) +
	                   "\nFolder: " + temp_path + "\nThe disk that holds this folder is full.\n";

	http.proxy_host = kMirror;	// the maker's site, through the mirror as a proxy
	http.proxy_port = 80;
	g_engine.stg.num_servers = servers_unknown;
	directory_steps([&] { return stg.num_servers != servers_unknown; });
	EXPECT_EQ(2, stg.stage);
	EXPECT_EQ(1, count_of(log_text(), full));
	EXPECT_EQ(1, count_of(log_text(), "HTTP Error for"));

	http.proxy_host.clear();
	http.proxy_port = 0;
	g_engine.stg.num_servers = 2;
	g_engine.stg.stage = stage_fetch;
	directory_steps([&] { return stg.stage != stage_fetch; });
	EXPECT_EQ(2, stg.stage);
	EXPECT_EQ(2, count_of(log_text(), full));
	EXPECT_EQ(2, count_of(log_text(), "HTTP Error for"));
}
