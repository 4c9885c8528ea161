// The real web updater in a window while the network and the disk fail under
// it: the proxy it is told to use is the fault server, switched off and on
// during the run; the copy lives on a small disk of its own that fills up.
#include "wizard_support.h"
#include "wizard_program.h"
#include "../support/test_servers.h"
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
