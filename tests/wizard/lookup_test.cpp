// The real web updater whose site and mirror are host names that a slow name
// server on loopback answers: the window goes on answering while a name is
// looked up, and each name is asked once per run of the program.
#include "wizard_support.h"
#include "wizard_program.h"
#include "../support/test_servers.h"

static const char* kDns = "127.0.0.165";	// slow_dns.py
static const char* kSiteAddr = "127.0.0.166";	// nginx: the site
static const char* kMirrorAddr = "127.0.0.167";	// nginx: the mirror
static const char* kMirrorName = "mirror.lookup.test";

struct SlowLookup : ::testing::Test {
	wz_scratch   s;
	TS_slow_dns  dns;
	TS_nginx     site, mirror;
	std::string  copy;

	void SetUp() override
	{
		if (!getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
		if (wz_sh("command -v xdotool >/dev/null && command -v nginx >/dev/null") != 0) GTEST_SKIP() << "needs xdotool and nginx";
		copy = s.path + "home/Vantor 9/";
		std::string cmd = "python3 '" VANTOR_SOURCE_DIR "/tests/wizard/make_release.py' '" + s.path + "rel' '" + kRelease +
		                  "' --size 300 --copy '" + copy + "' " + kMirrorName + " >/dev/null";
		ASSERT_EQ(wz_sh(cmd), 0);
		// files the update fetches, over the pump's streams
		ASSERT_EQ(wz_sh("cd '" + copy + "Resources/objects' && rm 'part 01.obj' 'part 02.obj' 'part 03.obj' 'part 04.obj' "
		                "'part 05.obj' 'part 06.obj'"), 0);
		wz_sh("mkdir -p '" + s.path + "config'");
		wz_write(s.path + "config/vantor_install.txt", copy + "\n");	// -path takes only a registered copy
		ASSERT_TRUE(site.start_servers(kSiteAddr, 80, std::string("  server {\n    listen ") + kSiteAddr + ":80;\n    root " +
		                                                  s.path + "rel/site;\n  }\n", s.path + "site"))
			<< site.error;
		ASSERT_TRUE(mirror.start(kMirrorAddr, 80, s.path + "rel/mirror", s.path + "mirror")) << mirror.error;
		ASSERT_TRUE(dns.start(kDns, {std::string(kSite) + "=" + kSiteAddr, std::string(kMirrorName) + "=" + kMirrorAddr},
		                      0.3, s.path + "dns", 240))
			<< dns.error;
		// the programs this test starts ask that name server
		wz_write(s.path + "resolv.conf", TS_resolv_conf(kDns));
		std::string why = TS_use_resolv_conf(s.path + "resolv.conf");
		if (!why.empty()) GTEST_SKIP() << "no resolver of the test's own here: " << why;
	}

	void TearDown() override { umount2("/etc/resolv.conf", MNT_DETACH); }

	// The updater on its first screen, with no proxy: every name is looked up.
	void start(wz_program& p)
	{
		p.program = "vantor-web-updater";
		ASSERT_TRUE(p.start(s.path, {"-path", copy, "--fps_test", "--lang=en", "--pref:_log_actions=1"}));
		ASSERT_TRUE(p.wait_log("Wizard screen: Vantor 9 Web Updater", 30)) << p.log_text();
		ASSERT_TRUE(p.find_window()) << p.window_why;
	}

	// Next, and `screen` comes again.
	static bool next_until(wz_program& p, const std::string& screen)
	{
		return p.next_until(screen, 10, p.log_text().size());
	}

	// The updater on its search screen, the site's answer held back once the
	// name server has been asked for it the `n`th time in all.
	void search_held(wz_program& p, int n)
	{
		dns.hold(kSite);
		start(p);
		if (HasFatalFailure()) return;
		ASSERT_TRUE(next_until(p, "Search for Updates")) << p.log_text();
		for (int i = 0; i < 400 && dns.count("asked", kSite) < n; ++i) usleep(50000);
		ASSERT_EQ(dns.count("asked", kSite), n) << p.log_text();
	}
};

TEST_F(SlowLookup, TheWindowAnswersWhileANameIsLookedUpAndEachNameIsAskedOncePerRun)
{
	{
		wz_program p;
		search_held(p, 1);
		if (HasFatalFailure()) return;
		// Back and Next while the site's answer is held back
		size_t from = p.log_text().size();
		p.click(kBackX, kRowY);	// "-path" leaves Pick Destination out: Back is the Welcome
		EXPECT_TRUE(p.wait_log("Wizard screen: Vantor 9 Web Updater", 15, from)) << p.log_text();
		ASSERT_TRUE(next_until(p, "Search for Updates")) << p.log_text();
		EXPECT_EQ(dns.count("answered", kSite), 0) << "the window waited for the name server";
		dns.release(kSite);

		ASSERT_TRUE(p.wait_log("Wizard screen: Check Disk Space", 60)) << p.log_text();
		ASSERT_TRUE(next_until(p, "Installing")) << p.log_text();
		ASSERT_TRUE(p.wait_log("Wizard screen: Finished Web Update", 60)) << p.log_text();
		p.click(kQuitNextX, kRowY);
		ASSERT_TRUE(p.wait_exit(30)) << p.log_text();
		EXPECT_EQ(p.status, 0);
		std::string log = p.log_text();
		EXPECT_EQ(wz_count(log, "EXPANDING file "), 6) << log;
		EXPECT_EQ(log.find("HTTP Error for"), std::string::npos) << log;
		for (const auto& [rel, md5] : manifest_of(s.path + "rel/manifest.txt")) EXPECT_EQ(md5_of(copy + rel), md5) << rel;
		// the server list, the directory and six files over four streams: one question per name
		EXPECT_EQ(dns.count("asked", kSite), 1);
		EXPECT_EQ(dns.count("asked", kMirrorName), 1);
	}
	{
		// A later run asks afresh, and ends at Quit while its question waits.
		wz_program p;
		search_held(p, 2);
		if (HasFatalFailure()) return;
		p.click(58, kRowY);	// Quit
		EXPECT_TRUE(p.wait_exit(15)) << p.log_text();
		EXPECT_EQ(p.status, 0);
		EXPECT_EQ(dns.count("answered", kSite), 1);
		dns.release(kSite);
	}
}
