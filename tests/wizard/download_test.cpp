// The directory download against real servers: the site and its proxy on
// 127.0.0.41, good mirrors on .42 and .43, a mirror answering 503 on .44.
#include "wizard_support.h"
#include <chrono>
#include "wizard_servers.h"
#include "main_globals.h"
#include "main_net.h"
#include "main_status.h"
#include "utils_site.h"
#include "http.h"
#include "io_utils.h"
#include "utils.h"
#include "utils_internal.h"
#include "UTL_cmdline.h"
#include "UTL_log.h"
#include "UTL_alert.h"

struct DirectoryDownload : ::testing::Test {
	wz_scratch s;
	wz_web web;
	std::string site, mirror, release = "Vantor 9.21rc2";

	void SetUp() override
	{
		UTL_cmdline::add_one("--fps_test", "");	// alerts go to the log
		path_env = getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin";
		ASSERT_EQ(wz_sh("python3 '" VANTOR_SOURCE_DIR "/tests/wizard/make_release.py' '" + s.path + "rel' '" + release +
		                "' 127.0.0.42 127.0.0.44 127.0.0.43 >/dev/null"), 0);
		site = s.path + "rel/site/";
		mirror = s.path + "rel/mirror/";
		ASSERT_TRUE(web.start("127.0.0.41", net_site_host, site, {"127.0.0.42", "127.0.0.43"}, "127.0.0.44", mirror,
		                      s.path + "web")) << web.error;
		// the browser of the notices: a stand-in on PATH
		wz_sh("mkdir -p '" + s.path + "bin'");
		wz_write(s.path + "bin/xdg-open", "#!/bin/sh\necho \"$1\" >> '" + s.path + "opened.txt'\n");
		wz_sh("chmod +x '" + s.path + "bin/xdg-open'");
		setenv("PATH", (s.path + "bin:" + path_env).c_str(), 1);
		http.proxy_host = "127.0.0.41";
		http.proxy_port = 80;
		g_engine.temp_path = s.path + "tmp/";
		wz_sh("mkdir -p '" + temp_path + "'");
		g_engine.stg.num_servers = servers_unknown;
		g_engine.stg.stage = stage_fetch;
		g_engine.stg.sel_server = 0;
		g_engine.stg.get_beta = 0;
		app_done = 0;
		g_engine.install_name = "Not Yet Scanned";
	}
	void TearDown() override
	{
		net_set_clock(nullptr);
		setenv("PATH", path_env.c_str(), 1);
		http.proxy_host.clear();
		http.proxy_port = 0;
		app_done = 0;
	}
	std::string path_env;

	// The clock of the pauses between tries, moved by the test.
	static unsigned long long fake_us;
	static unsigned long long fake_clock() { return fake_us; }

	// Steps until a failed request waits for its next try (or the directory is
	// read, or given up); the screen's problem text then.
	std::string until_waiting(double guard_seconds = 60)
	{
		auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(guard_seconds);
		while (std::chrono::steady_clock::now() < until && !app_done) {
			UTL_download_directory();
			std::string text = net_problem_text();
			if (text.find("I will try again in") != std::string::npos || stg.stage == stage_failed || stg.stage == stage_ready) return text;
			usleep(200);
		}
		return "";
	}

	// Steps until the directory is read or given up (a failed request is made
	// again a second later), within a guard against hanging.
	int run(double guard_seconds = 120)
	{
		auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(guard_seconds);
		for (int i = 0; std::chrono::steady_clock::now() < until && !app_done; ++i) {
			UTL_download_directory();
			if (stg.stage == stage_failed || stg.stage == stage_ready) return stg.stage;
			if (i % 100 == 99) usleep(1000);
		}
		return -1;
	}
};

unsigned long long DirectoryDownload::fake_us = 0;

TEST_F(DirectoryDownload, ReadsTheReleaseFromAMirror)
{
	for (int round = 0; round < 3; ++round) {	// each round draws its servers anew
		g_engine.stg.num_servers = servers_unknown;
		g_engine.stg.stage = stage_fetch;
		ASSERT_EQ(run(), 3);
		EXPECT_EQ(install_name, release);
		EXPECT_EQ(stg.num_servers, 3);
		EXPECT_EQ(server_path[1], "/" + release + "/");
		EXPECT_GT(sim_info.size(), 20u);
		EXPECT_FALSE(wz_read(UTIL_run_directory_file()).empty());
		EXPECT_EQ(access((UTIL_run_folder() + "directory.txt.zip").c_str(), F_OK), -1);	// the archive is not kept
	}
	float fraction = 5;
	EXPECT_EQ(net_directory_percent(&fraction), 0);	// no transfer on the slot
	EXPECT_EQ(fraction, 0);
}

// One of two installers that fetch their directories into one temporary folder
// at once; run by the test below as a process of its own, never alone.
TEST(DirectoryRun, OneOfTwoAtOnce)
{
	const char* temp = getenv("VANTOR_TWO_RUNS_TEMP");
	const char* result = getenv("VANTOR_TWO_RUNS_RESULT");
	if (!temp || !result) GTEST_SKIP() << "a part of DirectoryDownload.TwoRunsAtOnceKeepToTheirOwnFiles";
	UTL_cmdline::add_one("--fps_test", "");
	http.proxy_host = "127.0.0.41";
	http.proxy_port = 80;
	g_engine.temp_path = temp;
	g_engine.stg.num_servers = servers_unknown;
	g_engine.stg.stage = stage_fetch;
	g_engine.stg.get_beta = 0;
	auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
	while (stg.stage != stage_failed && stg.stage != stage_ready && std::chrono::steady_clock::now() < until) {
		UTL_download_directory();
		usleep(1000);
	}
	wz_write(result, std::to_string(stg.stage) + " " + std::to_string(sim_info.size()) + "\n");
}

// Two installers at once, on mirrors slow enough that their downloads overlap:
// each reads its own directory, and neither leaves a file in the temporary folder.
TEST_F(DirectoryDownload, TwoRunsAtOnceKeepToTheirOwnFiles)
{
	web.stop();
	ASSERT_TRUE(web.start("127.0.0.41", net_site_host, site, {"127.0.0.42", "127.0.0.43"}, "127.0.0.44", mirror,
	                      s.path + "slow", "500")) << web.error;
	ASSERT_GT(APL_file_size(mirror + release + "/directory.txt.zip"), 1000);	// two seconds each
	char self[4096] = {0};
	ASSERT_GT(readlink("/proc/self/exe", self, sizeof(self) - 1), 0);
	std::string cmd;
	for (int i = 0; i < 2; ++i)
		cmd += "VANTOR_TWO_RUNS_TEMP='" + temp_path + "' VANTOR_TWO_RUNS_RESULT='" + s.path + "run" + std::to_string(i) +
		       "' '" + std::string(self) + "' --gtest_filter=DirectoryRun.OneOfTwoAtOnce >'" + s.path + "out" + std::to_string(i) +
		       "' 2>&1 & ";
	ASSERT_EQ(wz_sh(cmd + "wait"), 0);
	for (int i = 0; i < 2; ++i) {
		std::string r = wz_read(s.path + "run" + std::to_string(i));
		EXPECT_EQ(3, atoi(r.c_str())) << wz_read(s.path + "out" + std::to_string(i));
		EXPECT_GT(atoi(r.substr(r.find(' ') + 1).c_str()), 20) << r;
	}
	EXPECT_EQ(0, wz_sh("test -z \"$(ls -A '" + temp_path + "')\"")) << wz_sh("ls -lA '" + temp_path + "'");
}

TEST_F(DirectoryDownload, ListsThatCannotBeUsed)
{
	// no mirror at all: the error text, not a division by zero
	wz_write(site + "serverlist9.txt", "A\n820 version\nSERVERS\nFINAL R\nENDOFLIST\n");
	EXPECT_EQ(run(), 2);
	EXPECT_EQ(stg.num_servers, 0);
	EXPECT_EQ(app_done, 0);

	// a list from a newer format: the too-old notice and the download page
	g_engine.stg.num_servers = servers_unknown;
	g_engine.stg.stage = stage_fetch;
	wz_write(site + "serverlist9.txt", "A\n900 version\nSERVERS\nFINAL R\nSERVER h\n/\nd\n");
	run();
	EXPECT_EQ(app_done, 1);
	EXPECT_EQ(stg.num_servers, -1);

	// a newer installer: its page opens and the program ends
	app_done = 0;
	g_engine.stg.num_servers = servers_unknown;
	wz_write(site + "serverlist9.txt", "A\n820 version\nSERVERS\nFINAL R\nINS_VERSION 20600 http://127.0.0.41/new.html\n"
	                                   "SERVER 127.0.0.42\n/\nd\n");
	run();
	EXPECT_EQ(app_done, 1);
	std::string opened;
	for (int i = 0; i < 50 && opened.find("new.html") == std::string::npos; ++i) {
		usleep(100000);
		opened = wz_read(s.path + "opened.txt");
	}
	EXPECT_NE(opened.find("http://127.0.0.41/new.html\n"), std::string::npos) << opened;
}

TEST_F(DirectoryDownload, ArchiveThatNeverUnpacksEndsInTheErrorText)
{
	// every mirror serves a damaged archive: a few tries, then the error text
	wz_write(mirror + release + "/directory.txt.zip", "PK\x03\x04 this is not a zip archive at all");
	EXPECT_EQ(run(), 2);
	EXPECT_EQ(stg.num_servers, 3);
	EXPECT_EQ(app_done, 0);
	EXPECT_EQ(access((UTIL_run_folder() + "directory.txt.zip").c_str(), F_OK), -1);
}

TEST_F(DirectoryDownload, OnlyTheFailingMirrorLeftIsNamedAndAskedAgain)
{
	// one server, answering 503 through the proxy: the screen says so, and it
	// is asked again after each pause, never given up on
	wz_write(site + "serverlist9.txt", "A\n820 version\nSERVERS\nFINAL R\nSERVER 127.0.0.44/\nmirror\nbroken one\n");
	net_set_clock(fake_clock);
	for (int round = 1; round <= 3; ++round) {
		std::string text = until_waiting();
		// the proxy passed the mirror's answer on: the mirror is named
		EXPECT_NE(text.find("\n\n127.0.0.44 answered with an error: 503 Service"), std::string::npos) << text;
		EXPECT_EQ(stg.stage, 0);
		fake_us += 31000000;
	}
	EXPECT_EQ(stg.num_servers, 1);
	EXPECT_EQ(server_name[0], "127.0.0.44");	// the trailing "/" was cut, no fatal alert
	EXPECT_EQ(server_path[0], "/mirrorR/");
	EXPECT_EQ(stg.sel_server, 0);
	EXPECT_EQ(app_done, 0);
}

// The failing mirror (.44, second in the list) refuses the directory: the
// next request goes to another mirror, whatever the random draw.
TEST_F(DirectoryDownload, AMirrorThatFailedIsNotAskedNext)
{
	for (unsigned seed = 1; seed <= 12; ++seed) {
		srand(seed);
		g_engine.stg.num_servers = servers_unknown;
		g_engine.stg.stage = stage_fetch;
		net_directory_restart();
		auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
		while (stg.num_servers == servers_unknown && stg.stage != stage_failed && std::chrono::steady_clock::now() < until)
			UTL_download_directory();
		ASSERT_EQ(stg.num_servers, 3);
		ASSERT_EQ(server_name[1], "127.0.0.44");
		g_engine.stg.sel_server = 1;
		// until the request was answered: a transfer seen and gone, or one
		// that came and went within a step, which then moved on the server
		bool asked = false;
		while (std::chrono::steady_clock::now() < until && stg.stage == stage_fetch && stg.sel_server == 1) {
			UTL_download_directory();
			if (http.transfer(1)) asked = true;
			else if (asked) break;
		}
		EXPECT_EQ(stg.stage, 0) << "the failing mirror gave no directory";
		EXPECT_NE(stg.sel_server, 1) << "seed " << seed;
	}
}

// Nothing listens at the proxy: the screen names it, each try waits longer
// than the one before, the log holds one report; once the proxy is set right
// (as in Prefs) the site is asked at once and answers, with no restart.
TEST_F(DirectoryDownload, ASiteThatCannotBeReachedIsNamedAndAskedAgainUntilItAnswers)
{
	const std::string log = s.path + "log.txt";
	if (xer.is_open()) xer.close();
	xer.clear();
	xer.open(log, std::ios::out | std::ios::trunc);
	net_set_clock(fake_clock);
	http.proxy_port = 81;	// nothing listens there
	for (int round = 1; round <= 4; ++round) {
		std::string text = until_waiting();
		EXPECT_EQ(text.find("There was a problem reading information from the servers.\n\nThe proxy 127.0.0.41:81 "
		                    "refused the connection. Please check the proxy settings under Prefs.\n\nI will try again "
		                    "in " + time_str((float)net_retry_pause_seconds(round)) + ", or click Next to try again now."),
		          0u) << round << ": " << text;
		fake_us += 31000000;
	}
	EXPECT_EQ(stg.num_servers, -1) << "no list was read";
	EXPECT_EQ(stg.stage, 0) << "never given up";

	http.proxy_port = 80;
	EXPECT_EQ(run(), 3);
	EXPECT_EQ(stg.num_servers, 3);
	EXPECT_EQ(net_problem_text(), "");
	xer.flush();
	std::string text = wz_read(log);
	EXPECT_EQ(wz_count(text, "HTTP Error for "), 1) << text;
	EXPECT_EQ(wz_count(text, "Server check: The proxy 127.0.0.41:81 refused the connection."), 1) << text;
	EXPECT_NE(text.find("The same error came 3 more times for " + std::string(net_site_host) + "/serverlist9.txt.\n"),
	          std::string::npos) << text;
	EXPECT_NE(text.find("Server check: the proxy settings changed; asking again now.\n"), std::string::npos) << text;
	EXPECT_NE(text.find("Server check: answered after 4 failed tries.\n"), std::string::npos) << text;
	xer.close();
}

// A server's words on the screen, and the pauses between tries.
TEST(ServerCheck, ReasonTextsAndPauses)
{
	// a server's reason text is shown only as far as it is plain and short
	http_failure f;
	f.kind = http_failed_status;
	f.server = "m";
	f.status = 503;
	f.reason = "Busy\x1b[2J" + std::string(80, 'x');
	EXPECT_EQ(net_cause_text(f), "m answered with an error: 503 Busy[2J" + std::string(33, 'x') + ".");
	// the pauses between tries
	const int pauses[] = {1, 1, 2, 4, 8, 16, 30, 30, 30};
	for (int n = 0; n < 9; ++n) EXPECT_EQ(net_retry_pause_seconds(n), pauses[n]) << n;
}

TEST_F(DirectoryDownload, ArchiveWithoutADirectoryFileIsThatMirrorsFailure)
{
	// an earlier run's file must never stand in for this release's
	wz_write(UTIL_run_directory_file(), "I\n900 version\nINSTALLER\n\nDIR stale/\n"
	                                      "FILE 0 0 1 1 1 0123456789abcdef0123456789abcdef old.txt\n");
	wz_sh("mkdir -p '" + s.path + "z' && cp '" + mirror + release + "/directory.txt.zip' '" + s.path + "z/good.zip' && cd '" +
	      s.path + "z' && echo other > other.txt && : > directory.txt && zip -q -X none.zip other.txt && "
	      "zip -q -X empty.zip directory.txt && mkdir page && echo '<html><body>Sign in</body></html>' > "
	      "page/directory.txt && cd page && zip -q -X ../page.zip directory.txt");
	// a page packed as the directory file is no newer format: no new installer is asked for
	for (const char* archive : {"none.zip", "empty.zip", "page.zip"}) {
		wz_sh("cp '" + s.path + "z/" + archive + "' '" + mirror + release + "/directory.txt.zip'");
		g_engine.stg.num_servers = servers_unknown;
		g_engine.stg.stage = stage_fetch;
		g_engine.sim_info.clear();
		EXPECT_EQ(run(), 2) << archive;	// every mirror tried a few times, then the error text
		EXPECT_EQ(app_done, 0) << archive;
		EXPECT_TRUE(sim_info.empty()) << archive;
	}
	// a sign-in page where the archive should be: a failed fetch, told so, and asked again
	wz_sh("cp '" + s.path + "z/page/directory.txt' '" + mirror + release + "/directory.txt.zip'");
	g_engine.stg.num_servers = servers_unknown;
	g_engine.stg.stage = stage_fetch;
	const std::string page = "answered with something that is not the directory file: perhaps this network asks you to sign in";
	std::string text;
	net_set_clock(fake_clock);	// the pauses jumped over, the mirror answering 503 passed by
	for (int i = 0; i < 20 && text.find(page) == std::string::npos; ++i) {
		text = until_waiting();
		fake_us += 31000000;
	}
	EXPECT_NE(text.find(page), std::string::npos) << text;
	EXPECT_EQ(stg.stage, 0);
	EXPECT_EQ(app_done, 0);
	net_set_clock(nullptr);
	net_directory_restart();
	// a good archive again: read as usual
	wz_sh("cp '" + s.path + "z/good.zip' '" + mirror + release + "/directory.txt.zip'");
	g_engine.stg.num_servers = servers_unknown;
	g_engine.stg.stage = stage_fetch;
	EXPECT_EQ(run(), 3);
	EXPECT_GT(sim_info.size(), 20u);
}
