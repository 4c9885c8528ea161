// The real web updater in a window while the network and the disk fail under
// it: the proxy it is told to use is the fault server, switched off and on
// during the run; the copy lives on a small disk of its own that fills up.
#include "wizard_support.h"
#include "wizard_program.h"
#include "../support/test_servers.h"
#include "utils.h"
#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>

struct WebUpdateFaults : ::testing::Test {
	wz_scratch      s;
	TS_fault_server net;
	std::string     copy, web, switch_file;
	bool            mounted = false;

	void SetUp() override
	{
		if (!getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
		if (wz_sh("command -v xdotool >/dev/null") != 0) GTEST_SKIP() << "needs xdotool";
		// the copy's disk, in a mount namespace of this test's own that the program inherits
		ASSERT_EQ(unshare(CLONE_NEWNS), 0) << strerror(errno);
		ASSERT_EQ(mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0) << strerror(errno);
		copy = s.path + "home/Vantor 9/";
		wz_sh("mkdir -p '" + copy + "'");
		ASSERT_EQ(mount("tmpfs", copy.c_str(), "tmpfs", 0, "size=16m"), 0) << strerror(errno);
		mounted = true;
		// 24 parts of 100 kB that do not pack: the copy lacks them all
		ASSERT_EQ(wz_sh("python3 '" VANTOR_SOURCE_DIR "/tests/wizard/make_release.py' '" + s.path + "rel' '" + kRelease +
		                "' --size 2400 --copy '" + copy + "' 127.0.0.46 127.0.0.47 >/dev/null"), 0);
		ASSERT_EQ(wz_sh("rm '" + copy + "Resources/objects/part '*.obj"), 0);
		web = wz_fault_web_files(s.path, copy);	// the site and the mirrors, all behind the one proxy
		ASSERT_FALSE(web.empty());
		switch_file = s.path + "switch";
		net.files = web;
		net.root = web;	// the mirrors' folders may name an answer of the fault server
		net.switch_file = switch_file;
		net.rate = 100000;	// each transfer a second long
		ASSERT_TRUE(net.start("127.0.0.45", 80, s.path + "fault", 200)) << net.error;
	}

	void TearDown() override
	{
		net.stop();
		if (mounted) umount2(copy.c_str(), MNT_DETACH);
	}

	void start_update(wz_program& p) { wz_update_to_install(p, s.path, copy, "127.0.0.45"); }

	void quit(wz_program& p)
	{
		p.click(kQuitNextX, kRowY);
		ASSERT_TRUE(p.wait_exit(30)) << p.log_text();
		EXPECT_EQ(p.status, 0);
	}
};

// A hotel's network answers every request with its sign-in page: the program
// stays on the server check saying so, and goes on by itself once the page
// lets requests through. Then one file arrives that the copy cannot take (a
// folder on its way leads out of the copy) while the other mirror answers
// 503 for it: the run ends, at once, naming that file and why.
TEST_F(WebUpdateFaults, ASignInPageHoldsTheCheckAndAFileTheCopyCannotTakeEndsTheRun)
{
	std::string list = wz_read(web + "serverlist9.txt");
	list.replace(list.find("SERVER 127.0.0.46\n/\n"), 20, "SERVER 127.0.0.46\n/plain/\n");
	list.replace(list.find("SERVER 127.0.0.47\n/\n"), 20, "SERVER 127.0.0.47\n/status/503/\n");
	wz_write(web + "serverlist9.txt", list);
	// the copy's objects lie in a folder outside it, all but one part there
	const std::string outside = s.path + "outside/objects/", lost = "Resources/objects/part 07.obj";
	ASSERT_EQ(wz_sh("mkdir -p '" + outside + "' && rmdir '" + copy + "Resources/objects' && ln -s '" + outside + "' '" + copy +
	                "Resources/objects' && for z in '" + s.path + "rel/mirror/" + kRelease + "/All/Resources/objects/'*.zip; do "
	                "unzip -q -o \"$z\" -d '" + outside + "'; done && rm '" + outside + "part 07.obj'"), 0);
	wz_write(switch_file, "portal");

	wz_program p;
	wz_update_to_check(p, s.path, copy, "127.0.0.45");
	if (HasFatalFailure()) return;
	ASSERT_TRUE(p.wait_log("answered with something that is not the server list: perhaps this network asks you to sign in "
	                       "first", 30)) << p.log_text();
	// asked again, after its pauses
	auto lists_asked = [&] {
		int n = 0;
		for (const std::string& head : net.requests()) n += head.find("/serverlist9.txt HTTP/1.1") != std::string::npos;
		return n;
	};
	for (int i = 0; i < 600 && lists_asked() < 3; ++i) usleep(100000);
	ASSERT_GE(lists_asked(), 3);
	EXPECT_NE(p.log_text().find("Wizard screen: Search for Updates"), std::string::npos);
	EXPECT_EQ(p.log_text().find("Wizard screen: Check Disk Space"), std::string::npos);
	size_t at = p.log_text().size();
	wz_write(switch_file, "up");
	ASSERT_TRUE(p.wait_log("Wizard screen: Check Disk Space", 60, at)) << p.log_text();	// by itself
	ASSERT_TRUE(p.next_until("Installing")) << p.log_text();
	ASSERT_TRUE(p.wait_log("Wizard screen: Finished Web Update", 60)) << p.log_text();
	quit(p);
	std::string log = p.log_text();
	EXPECT_EQ(log.find("newer than I can understand"), std::string::npos) << log;
	EXPECT_EQ(access((s.path + "opened.txt").c_str(), F_OK), -1) << "no web page was opened";
	size_t finish = log.find("Finish text: There were problems updating Vantor.");
	ASSERT_NE(finish, std::string::npos) << log;
	const std::string told = log.substr(finish, log.find('\n', finish) - finish);
	for (const std::string& part : {"Not installed:\\x0a   " + lost + "\\x0a",
	                                std::string("This file came, but this copy could not take it: A folder on the way is a link")})
		EXPECT_NE(told.find(part), std::string::npos) << part << "\n" << told;
	EXPECT_EQ(told.find("internet"), std::string::npos) << told;
	int asked = 0;	// of the 503 mirror, for that file
	for (const std::string& head : net.requests())
		asked += head.find("/status/503/") != std::string::npos && head.find("/part%2007.obj.zip") != std::string::npos;
	EXPECT_LE(asked, grab_rounds_per_file);
	EXPECT_EQ(access((outside + "part 07.obj").c_str(), F_OK), -1) << "nothing written outside the copy";
	for (const auto& [rel, md5] : manifest_of(s.path + "rel/manifest.txt"))
		if (rel != lost) {
			EXPECT_EQ(md5_of(copy + rel), md5) << rel;
		}
}

// Every mirror goes away in the middle of the update, the user goes Back and
// on again while it waits, the network comes back and the run goes on; then
// the copy's disk fills: the run stops, says where, why and how much room it
// needs, and keeps the user's files. Once room is made, a second run finishes.
TEST_F(WebUpdateFaults, AnOutageIsRiddenOutAndAFullDiskIsToldWithTheRoomItNeeds)
{
	wz_program p;
	start_update(p);
	if (HasFatalFailure()) return;
	ASSERT_TRUE(p.wait_log("EXPANDING file ", 60)) << p.log_text();

	wz_write(switch_file, "refuse");	// every mirror and the site at once
	ASSERT_TRUE(p.wait_log(" tries again in ", 30)) << p.log_text();
	size_t at = p.log_text().size();
	p.click(kBackX, kRowY);	// Back works while the run waits
	ASSERT_TRUE(p.wait_log("Wizard screen: Check Disk Space", 10, at)) << p.log_text();
	ASSERT_TRUE(p.next_until("Installing", 10, at)) << p.log_text();
	ASSERT_TRUE(p.wait_log(" tries again in ", 30, at)) << p.log_text();
	wz_write(switch_file, "up");
	at = p.log_text().size();
	ASSERT_TRUE(p.wait_log("EXPANDING file ", 60, at)) << p.log_text();	// the run goes on

	wz_sh("dd if=/dev/zero of='" + copy + "filler' bs=64k 2>/dev/null");	// another program fills the disk
	ASSERT_TRUE(p.wait_log("Wizard screen: Finished Web Update", 60)) << p.log_text();
	quit(p);
	std::string log = p.log_text();
	EXPECT_EQ(wz_count(log, "Giving up on "), 0) << log;	// the outage cost no file
	EXPECT_NE(log.find("I could not save a downloaded file on this computer.\nError: No space left on device"), std::string::npos) << log;
	EXPECT_EQ(wz_count(log, "I could not save a downloaded file"), 1) << log;
	size_t finish = log.find("Finish text: There were problems updating Vantor.");
	ASSERT_NE(finish, std::string::npos) << log;
	std::string told = log.substr(finish, log.find('\n', finish) - finish);
	for (const std::string& part :
	     std::vector<std::string>{"No space left on device", "Folder: ", "/home/Vantor 9/Resources/objects/\\x0a",
	                              "more free space is needed there.", "files were installed. Not installed:",
	                              "Make room, then run this updater again"})
		EXPECT_NE(told.find(part), std::string::npos) << part << "\n" << told;
	EXPECT_EQ(told.find("different server"), std::string::npos) << told;
	// nothing of the user's lost: every file is the release's or not there yet
	for (const auto& [rel, md5] : manifest_of(s.path + "rel/manifest.txt"))
		if (access((copy + rel).c_str(), F_OK) == 0) {
			EXPECT_EQ(md5_of(copy + rel), md5) << rel;
		}
	ASSERT_EQ(unlink((copy + "filler").c_str()), 0);	// room is made

	wz_program again;
	start_update(again);
	if (HasFatalFailure()) return;
	ASSERT_TRUE(again.wait_log("Wizard screen: Finished Web Update", 90)) << again.log_text();
	quit(again);
	EXPECT_NE(again.log_text().find("Finish text: I have finished updating"), std::string::npos) << again.log_text();
	for (const auto& [rel, md5] : manifest_of(s.path + "rel/manifest.txt")) EXPECT_EQ(md5_of(copy + rel), md5) << rel;
}
