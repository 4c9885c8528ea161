// The web updater in a window under X, driven with xdotool, updating an
// installed copy from nginx mirrors on loopback.
#include "wizard_support.h"
#include "wizard_servers.h"
#include "wizard_program.h"

struct WebUpdateFlow : ::testing::Test {
	wz_scratch s;
	wz_web web;
	wz_program p;
	std::string copy;

	void SetUp() override
	{
		if (!getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
		if (wz_sh("command -v xdotool >/dev/null && command -v nginx >/dev/null") != 0) GTEST_SKIP() << "needs xdotool and nginx";
		p.program = "vantor-web-updater";
		copy = s.path + "home/Vantor 9/";
	}

	// The release on mirrors .46 and .47 behind the site and proxy on .45, and
	// a current copy of it that also holds a file the release dropped.
	void make_web()
	{
		std::string cmd = "python3 '" VANTOR_SOURCE_DIR "/tests/wizard/make_release.py' '" + s.path + "rel' '" +
		                  kRelease + "' --size 300 --obsolete --copy '" + copy + "' 127.0.0.46 127.0.0.47 >/dev/null";
		ASSERT_EQ(wz_sh(cmd), 0);
		ASSERT_TRUE(web.start("127.0.0.45", kSite, s.path + "rel/site", {"127.0.0.46", "127.0.0.47"}, "",
		                      s.path + "rel/mirror", s.path + "web"))
			<< web.error;
	}

	void start(const std::vector<std::string>& extra)
	{
		// "-path" and its folder come first, as the program reads them
		std::vector<std::string> a = extra;
		for (const char* o : {"--fps_test", "--lang=en", "--pref:_proxy_host=127.0.0.45", "--pref:_proxy_port_int=80",
		                      "--pref:_log_actions=1"})
			a.push_back(o);
		ASSERT_TRUE(p.start(s.path, a));
		ASSERT_TRUE(p.wait_log("Wizard screen: Vantor 9 Web Updater", 30)) << p.log_text();
		ASSERT_TRUE(p.find_window()) << p.window_why;
	}

	void quit_from_finish()
	{
		p.click(kQuitNextX, kRowY);
		ASSERT_TRUE(p.wait_exit(30)) << p.log_text();
		EXPECT_EQ(p.status, 0) << wz_read(s.path + "stdout.txt");
		web.stop();
	}

	std::string registration() { return wz_read(s.path + "config/vantor_install.txt"); }
};

static const char* kRetired = "Resources/objects/retired part.obj";

// The copy is picked from the registered ones; a missing file is fetched, a
// changed one overwritten as answered and the dropped one deleted.
TEST_F(WebUpdateFlow, UpdatesARegisteredCopy)
{
	make_web();
	if (HasFatalFailure()) return;
	std::string missing = "Resources/objects/part 05.obj", changed = "Instructions/Manual.txt";
	ASSERT_EQ(unlink((copy + missing).c_str()), 0);
	wz_write(copy + changed, "my own notes\n");
	ASSERT_EQ(access((copy + kRetired).c_str(), F_OK), 0);
	wz_sh("mkdir -p '" + s.path + "config'");
	wz_write(s.path + "config/vantor_install.txt", copy + "\n");

	start({});
	if (HasFatalFailure()) return;
	p.click(kNextX, kRowY);
	ASSERT_TRUE(p.wait_log("Wizard screen: Pick Destination", 10)) << p.log_text();
	p.click(kNextX, kRowY);	// the one registered copy is chosen already
	ASSERT_TRUE(p.wait_log("Wizard screen: Check Disk Space", 30)) << p.log_text();
	p.click(kNextX, kRowY);
	ASSERT_TRUE(p.wait_log("Prompt: I am about to install: " + copy + changed + "\n", 20)) << p.log_text();
	p.click(25 + 88, 212 + 53);	// OVERWRITE THE OLD FILE, in the 750 by 176 prompt
	ASSERT_TRUE(p.wait_log("Prompt answer: 1", 10)) << p.log_text();
	ASSERT_TRUE(p.wait_log("Wizard screen: Finished Web Update", 30)) << p.log_text();
	quit_from_finish();

	std::string log = p.log_text();
	EXPECT_EQ(screen_titles(log), (std::vector<std::string>{"Vantor 9 Web Updater", "Pick Destination",
	                                                        "Search for Updates", "Check Disk Space", "Installing",
	                                                        "Finished Web Update"}))
		<< log;
	EXPECT_EQ(wz_count(log, "Prompt: "), 1) << log;	// the dropped file was the release's own: not asked about
	int files = 0;
	for (const auto& [rel, md5] : manifest_of(s.path + "rel/manifest.txt")) {
		EXPECT_EQ(md5_of(copy + rel), md5) << rel;
		++files;
	}
	EXPECT_GT(files, 20);
	// only what differed was fetched
	EXPECT_EQ(wz_count(log, "EXPANDING file "), 2) << log;
	EXPECT_EQ(access((copy + kRetired).c_str(), F_OK), -1);
	EXPECT_NE(log.find("DELETING  file " + copy + kRetired + ", with result=0."), std::string::npos) << log;
	EXPECT_EQ(registration(), copy + "\n");
	EXPECT_NE(wz_sh("ls '" + s.path + "tmp/'*/*.zip >/dev/null 2>&1"), 0);
}

// No mirror has the first of the missing files: the update still installs the
// others, deletes the dropped file, and finishes as failed naming that file.
TEST_F(WebUpdateFlow, AFileNoMirrorHasIsNamedAndTheRestIsDone)
{
	make_web();
	if (HasFatalFailure()) return;
	std::string lost = "Resources/objects/part 05.obj";
	ASSERT_EQ(wz_sh("rm '" + copy + "Resources/objects/part '0[5-9].obj '" + copy + "Resources/objects/part '[12]?.obj"), 0);
	ASSERT_EQ(wz_sh("rm \"$(find '" + s.path + "rel/mirror' -name 'part 05.obj.zip')\""), 0);
	start({"-path", copy});
	if (HasFatalFailure()) return;
	p.click(kNextX, kRowY);
	ASSERT_TRUE(p.wait_log("Wizard screen: Check Disk Space", 30)) << p.log_text();
	p.click(kNextX, kRowY);
	ASSERT_TRUE(p.wait_log("Wizard screen: Finished Web Update", 60)) << p.log_text();
	quit_from_finish();

	std::string log = p.log_text();
	// named by its place in the copy
	EXPECT_NE(log.find("I could not download a file from any of the servers.\nFile: " + lost + "\nNone of the servers has "
	                   "this file."),
	          std::string::npos)
		<< log;
	EXPECT_EQ(wz_count(log, "Giving up on "), 1) << log;
	EXPECT_EQ(log.find("File not found!"), std::string::npos) << log;	// no alert per mirror held the run
	// the finish names the file and how many came, and sends the user to no other server
	size_t finish = log.find("Finish text: ");
	ASSERT_NE(finish, std::string::npos) << log;
	std::string told = log.substr(finish, log.find('\n', finish) - finish);
	EXPECT_NE(told.find("files were installed. Not installed:\\x0a   " + lost), std::string::npos) << told;
	EXPECT_NE(told.find("None of the servers has these files"), std::string::npos) << told;
	EXPECT_EQ(told.find("different server"), std::string::npos) << told;
	for (const auto& [rel, md5] : manifest_of(s.path + "rel/manifest.txt"))
		if (rel != lost) {
			EXPECT_EQ(md5_of(copy + rel), md5) << rel;
		}
	EXPECT_EQ(access((copy + lost).c_str(), F_OK), -1);
	EXPECT_EQ(access((copy + kRetired).c_str(), F_OK), -1);
	EXPECT_NE(wz_sh("ls '" + s.path + "tmp/'*/*.zip >/dev/null 2>&1"), 0);
}

// "-path" names a folder inside a current copy: the copy is updated without
// the pick step, finds nothing to do and says so.
TEST_F(WebUpdateFlow, PathInsideACurrentCopyNeedsNothing)
{
	make_web();
	if (HasFatalFailure()) return;
	ASSERT_EQ(unlink((copy + kRetired).c_str()), 0);	// nothing to delete either
	start({"-path", copy + "Resources"});
	if (HasFatalFailure()) return;
	p.click(kNextX, kRowY);
	ASSERT_TRUE(p.wait_log("Wizard screen: Finished Web Update", 30)) << p.log_text();
	quit_from_finish();
	std::string log = p.log_text();
	EXPECT_EQ(screen_titles(log), (std::vector<std::string>{"Vantor 9 Web Updater", "Search for Updates", "Check Disk Space",
	                                                        "Finished Web Update"}))
		<< log;
	EXPECT_EQ(wz_count(log, "EXPANDING file "), 0) << log;
	EXPECT_EQ(registration(), "");	// an update registers nothing
}

// A "-path" folder that is no installed copy is not written into: the user is
// told and picks a copy instead.
TEST_F(WebUpdateFlow, PathThatIsNoCopyIsRefused)
{
	std::string other = s.path + "home/Documents/";
	wz_sh("mkdir -p '" + other + "'");
	start({"-path", other});
	if (HasFatalFailure()) return;
	ASSERT_TRUE(p.wait_log("But it does not appear to be an installed copy of Vantor 9.", 5)) << p.log_text();
	p.click(kNextX, kRowY);
	ASSERT_TRUE(p.wait_log("Wizard screen: Pick Destination", 10)) << p.log_text();
	p.click(kNextX, kRowY);	// no copy chosen: Next stays grey
	EXPECT_FALSE(p.wait_log("Wizard screen: Search for Updates", 0.5)) << p.log_text();
	p.click(58, kRowY);	// Quit
	ASSERT_TRUE(p.wait_exit(30));
	EXPECT_EQ(p.status, 0);
	EXPECT_EQ(wz_sh("test -z \"$(ls -A '" + other + "')\""), 0);
}

// A start with no network: nothing at the proxy, then the mirrors down behind
// it. The screen names each cause, Back lands on a listed step, Next and the
// proxy mended in Prefs ask again at once, and once the mirrors are back the
// update goes on by itself, without a restart.
TEST_F(WebUpdateFlow, AStartWithoutNetworkNamesTheCauseAndGoesOnOnceItIsBack)
{
	std::string cmd = "python3 '" VANTOR_SOURCE_DIR "/tests/wizard/make_release.py' '" + s.path + "rel' '" + kRelease +
	                  "' --size 300 --obsolete --copy '" + copy + "' 127.0.0.46 127.0.0.47 >/dev/null";
	ASSERT_EQ(wz_sh(cmd), 0);
	// the proxy's port is wrong, and nothing listens at the proxy at all yet
	ASSERT_TRUE(p.start(s.path, {"-path", copy, "--fps_test", "--lang=en", "--pref:_proxy_host=127.0.0.45",
	                             "--pref:_proxy_port_int=81", "--pref:_log_actions=1"}));
	ASSERT_TRUE(p.wait_log("Wizard screen: Vantor 9 Web Updater", 30)) << p.log_text();
	ASSERT_TRUE(p.find_window()) << p.window_why;
	p.click(kNextX, kRowY);
	const std::string refused = "Server check: The proxy 127.0.0.45:81 refused the connection. Please check the proxy "
	                            "settings under Prefs.";
	ASSERT_TRUE(p.wait_log(refused, 30)) << p.log_text();
	size_t at = p.log_text().size();
	p.click(kBackX, kRowY);	// "-path" leaves Pick Destination out: Back is the Welcome
	ASSERT_TRUE(p.wait_log("Wizard screen: Vantor 9 Web Updater", 10, at)) << p.log_text();
	p.click(kNextX, kRowY);
	ASSERT_TRUE(p.wait_log(refused, 30, at)) << p.log_text();

	// the site comes up, its mirrors stay down: Next asks again at once, the
	// proxy is still wrong
	ASSERT_TRUE(web.start("127.0.0.45", kSite, s.path + "rel/site", {"127.0.0.46", "127.0.0.47"}, "",
	                      s.path + "rel/mirror", s.path + "web"))
		<< web.error;
	for (TS_nginx* m : web.mirrors) m->stop();
	at = p.log_text().size();
	p.click(kNextX, kRowY);
	ASSERT_TRUE(p.wait_log("Wizard screen: Search for Updates", 10, at)) << p.log_text();
	ASSERT_TRUE(p.wait_log(refused, 30, at)) << p.log_text();
	// Prefs: the port mended from 81 to 80; the site answers at once, the mirrors through it do not
	p.click(159, kRowY);
	std::this_thread::sleep_for(std::chrono::milliseconds(800));
	p.click(300, 133);	// the end of the port field
	wz_sh("xdotool key --window " + p.window + " BackSpace && xdotool type --window " + p.window + " 0");
	std::this_thread::sleep_for(std::chrono::milliseconds(300));
	p.click(734, 481);	// the window's close box
	ASSERT_TRUE(p.wait_log("Server check: the proxy settings changed; asking again now.", 10, at)) << p.log_text();
	ASSERT_TRUE(p.wait_log("Server check: The proxy 127.0.0.45:80 could not get an answer from 127.0.0.4", 30, at))
		<< p.log_text();
	ASSERT_TRUE(p.wait_log(": 502 Bad Gateway.", 1, at)) << p.log_text();

	// the mirrors come back: the next try, by itself, finds them
	web.stop();
	wz_web back;
	ASSERT_TRUE(back.start("127.0.0.45", kSite, s.path + "rel/site", {"127.0.0.46", "127.0.0.47"}, "",
	                       s.path + "rel/mirror", s.path + "web-back"))
		<< back.error;
	ASSERT_TRUE(p.wait_log("Wizard screen: Check Disk Space", 60, at)) << p.log_text();
	std::string log = p.log_text();
	EXPECT_NE(log.find("Server check: answered after "), std::string::npos) << log;
	EXPECT_EQ(screen_titles(log), (std::vector<std::string>{"Vantor 9 Web Updater", "Search for Updates",
	                                                        "Vantor 9 Web Updater", "Search for Updates",
	                                                        "Search for Updates", "Check Disk Space"}))
		<< log;
	p.click(58, kRowY);	// Quit
	ASSERT_TRUE(p.wait_exit(30)) << p.log_text();
	EXPECT_EQ(p.status, 0);
	back.stop();
}
