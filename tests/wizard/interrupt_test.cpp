// The real web updater killed while it unpacks a large file, then run again:
// the second run neither asks about the half-written file nor leaves it.
#include "wizard_support.h"
#include "wizard_servers.h"
#include "wizard_program.h"
#include <csignal>

struct InterruptedUpdate : ::testing::Test {
	wz_scratch  s;
	wz_web      web;
	std::string copy;

	void SetUp() override
	{
		if (!getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
		if (wz_sh("command -v xdotool >/dev/null && command -v nginx >/dev/null") != 0) GTEST_SKIP() << "needs xdotool and nginx";
		copy = s.path + "home/Vantor 9/";
		// a 40 MB file of the release that packs small; the copy holds its earlier version
		std::string cmd = "python3 '" VANTOR_SOURCE_DIR "/tests/wizard/make_release.py' '" + s.path + "rel' '" + kRelease +
		                  "' --size 300 --big 40 --copy '" + copy + "' 127.0.0.76 127.0.0.77 >/dev/null";
		ASSERT_EQ(wz_sh(cmd), 0);
		wz_sh("mkdir -p '" + s.path + "config'");
		wz_write(s.path + "config/vantor_install.txt", copy + "\n");	// -path takes only a registered copy
		ASSERT_TRUE(web.start("127.0.0.75", kSite, s.path + "rel/site", {"127.0.0.76", "127.0.0.77"}, "",
		                      s.path + "rel/mirror", s.path + "web"))
			<< web.error;
	}

	void start_update(wz_program& p) { wz_update_to_install(p, s.path, copy, "127.0.0.75"); }
};

TEST_F(InterruptedUpdate, AKilledUnpackIsNeitherAskedAboutNorLeftBehind)
{
	static const char* kBig = "Resources/terrain/big terrain.dat";
	std::string earlier = wz_read(copy + kBig);
	{
		// the kernel ends the program on its first write past 16 MB: in the middle of the big file
		wz_program p;
		p.file_size_limit = 16 << 20;
		start_update(p);
		if (HasFatalFailure()) return;
		ASSERT_TRUE(p.wait_exit(120)) << p.log_text();
		EXPECT_EQ(p.status, 128 + SIGXFSZ) << p.log_text();
	}
	EXPECT_EQ(wz_read(copy + kBig), earlier);	// the listed path holds a whole version, never a fragment

	wz_program again;
	start_update(again);
	if (HasFatalFailure()) return;
	ASSERT_TRUE(again.wait_log("Wizard screen: Finished Web Update", 120)) << again.log_text();
	again.click(kQuitNextX, kRowY);
	ASSERT_TRUE(again.wait_exit(30));
	web.stop();
	std::string log = again.log_text();
	EXPECT_EQ(wz_count(log, "Prompt: "), 0) << log;
	EXPECT_NE(log.find("left unfinished by an earlier run"), std::string::npos) << log;
	for (const auto& [rel, md5] : manifest_of(s.path + "rel/manifest.txt")) EXPECT_EQ(md5_of(copy + rel), md5) << rel;
	EXPECT_NE(wz_sh("ls -A '" + copy + "Resources/terrain/' | grep -q vantor-unpack"), 0);
}
