// The real program in a window under X, driven with xdotool through the web-demo
// flow against nginx mirrors on loopback, one of them failing.
#include "wizard_support.h"
#include "wizard_servers.h"
#include "wizard_program.h"
#include <thread>

struct WebDemoFlow : ::testing::Test {
	void SetUp() override
	{
		if (!getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under xvfb-run)";
		if (wz_sh("command -v xdotool >/dev/null && command -v nginx >/dev/null") != 0) GTEST_SKIP() << "needs xdotool and nginx";
	}

	// The release and the web: proxy and site on .45, mirrors .46 and .47, .48 failing.
	// copy: also an installed copy of the release there.
	bool make_web(wz_scratch& s, wz_web& web, const std::string& newer, const std::string& copy = "")
	{
		std::string cmd = "python3 '" VANTOR_SOURCE_DIR "/tests/wizard/make_release.py' '" + s.path + "rel' '" +
		                  kRelease + "' --size 3000 " + (newer.empty() ? "" : "--newer '" + newer + "' ") +
		                  (copy.empty() ? "" : "--copy '" + copy + "' ") +
		                  "127.0.0.46 127.0.0.48 127.0.0.47 >/dev/null";
		if (wz_sh(cmd) != 0) return false;
		return web.start("127.0.0.45", kSite, s.path + "rel/site", {"127.0.0.46", "127.0.0.47"}, "127.0.0.48",
		                 s.path + "rel/mirror", s.path + "web", "40k");
	}

	// Starts the program and takes it through Welcome and the licence.
	void start_and_accept(wz_scratch& s, wz_program& p)
	{
		ASSERT_TRUE(p.start(s.path, args()));
		ASSERT_TRUE(p.wait_log("Wizard screen: Welcome", 30)) << p.log_text();
		ASSERT_TRUE(p.find_window());
		p.click(kNextX, kRowY);
		ASSERT_TRUE(p.wait_log("Wizard screen: License", 10)) << p.log_text();
		p.click(kNextX, kRowY);	// Next stays grey until the box is ticked
		ASSERT_FALSE(p.wait_log("Wizard screen: Check Servers", 0.5)) << p.log_text();
		p.click(250, 303);
		p.click(kNextX, kRowY);
	}

	std::vector<std::string> args()
	{
		return {"--fps_test", "--lang=en", "--pref:_proxy_host=127.0.0.45", "--pref:_proxy_port_int=80",
		        "--pref:_log_actions=1"};
	}
};

TEST_F(WebDemoFlow, InstallsAnswersAPromptAndQuits)
{
	wz_scratch s;
	wz_web web;
	ASSERT_TRUE(make_web(s, web, "")) << web.error;
	wz_program p;
	start_and_accept(s, p);
	if (HasFatalFailure()) return;
	ASSERT_TRUE(p.wait_log("Wizard screen: Check Servers", 10)) << p.log_text();
	ASSERT_TRUE(p.wait_log("Wizard screen: Pick Install Destination", 60)) << p.log_text();
	p.click(kNextX, kRowY);
	ASSERT_TRUE(p.wait_log("Wizard screen: Installing", 20)) << p.log_text();

	// Back during the download asks whether to cancel; Continue goes on with it.
	ASSERT_TRUE(p.wait_log("EXPANDING file ", 60)) << p.log_text();
	p.click(kBackX, kRowY);
	ASSERT_TRUE(p.wait_log("Prompt: Are you sure you want to cancel the installation?", 10)) << p.log_text();
	p.click(50 + 96, 197 + 31);	// "Continue" of the 700 by 206 prompt centred in the window
	ASSERT_TRUE(p.wait_log("Prompt answer: 0", 10)) << p.log_text();
	ASSERT_TRUE(p.wait_log("Wizard screen: Finshed Web Demo Install", 180)) << p.log_text();
	p.click(kQuitNextX, kRowY);
	ASSERT_TRUE(p.wait_exit(30));
	EXPECT_EQ(p.status, 0) << wz_read(s.path + "stdout.txt");
	web.stop();

	std::string log = p.log_text();
	std::vector<std::string> titles = screen_titles(log);
	std::vector<std::string> want = {"Welcome", "License", "Check Servers",
	                                 std::string("Pick Install Destination for ") + kRelease + ".", "Installing",
	                                 "Installing", "Finshed Web Demo Install"};	// Back and Continue: the run goes on
	EXPECT_EQ(titles, want) << log;

	// every file of the Linux install has its listed signature
	std::string dest = s.path + "home/Desktop/Vantor 9 Demo/";
	int files = 0;
	for (const auto& [rel, md5] : manifest_of(s.path + "rel/manifest.txt")) {
		EXPECT_EQ(md5_of(dest + rel), md5) << rel;
		EXPECT_NE(log.find("EXPANDING file " + dest + rel + ", with result=0."), std::string::npos) << rel;
		++files;
	}
	EXPECT_GT(files, 20);
	EXPECT_NE(access((dest + "Vantor.app/Contents/MacOS/Vantor").c_str(), X_OK), -1);
	EXPECT_EQ(access((dest + "Vantor.exe").c_str(), F_OK), -1);	// another platform's file stays out
	// the registration file holds the copy once, and no archive is left behind
	EXPECT_EQ(wz_count(wz_read(s.path + "config/vantor_install.txt"), dest + "\n"), 1);
	EXPECT_NE(wz_sh("ls '" + s.path + "tmp/'*/*.zip >/dev/null 2>&1"), 0);
}

TEST_F(WebDemoFlow, NewerInstallerOpensItsPageAndQuits)
{
	wz_scratch s;
	wz_web web;
	std::string page = "http://127.0.0.45/newer_installer.html";
	ASSERT_TRUE(make_web(s, web, page)) << web.error;
	wz_program p;
	start_and_accept(s, p);
	if (HasFatalFailure()) return;
	ASSERT_TRUE(p.wait_exit(60)) << p.log_text();
	EXPECT_EQ(p.status, 0);
	std::string log = p.log_text();
	EXPECT_NE(log.find("There is a newer version of the Vantor web demo installer available."), std::string::npos) << log;
	for (int i = 0; i < 50 && wz_read(s.path + "opened.txt").empty(); ++i)
		std::this_thread::sleep_for(std::chrono::milliseconds(100));
	EXPECT_EQ(wz_read(s.path + "opened.txt"), page + "\n");
	EXPECT_EQ(screen_titles(log), (std::vector<std::string>{"Welcome", "License", "Check Servers"}));
	EXPECT_EQ(access((s.path + "home/Desktop/Vantor 9 Demo").c_str(), F_OK), -1);
}

// The panels and buttons are cut from the interface art; the background shows
// between them. Pixels of the window, y from the top.
TEST_F(WebDemoFlow, WelcomeScreenShowsThePanelAndButtonArt)
{
	wz_scratch s;
	wz_program p;
	ASSERT_TRUE(p.start(s.path, args()));
	ASSERT_TRUE(p.wait_log("Wizard screen: Welcome", 30)) << p.log_text();
	ASSERT_TRUE(p.find_window());
	std::vector<unsigned char> img;
	auto at = [&](int x, int y) { return &img[3 * (y * 800 + x)]; };
	auto light = [&](int x, int y) { return at(x, y)[0] > 215 && at(x, y)[1] > 215 && at(x, y)[2] > 215; };
	auto dark = [&](int x, int y) { return at(x, y)[0] + at(x, y)[1] + at(x, y)[2] < 330; };
	for (int i = 0; i < 20; ++i) {	// the first frames may not be on screen yet
		img = p.screenshot();
		if (img.size() == 800u * 600 * 3 && light(400, 300)) break;
		std::this_thread::sleep_for(std::chrono::milliseconds(150));
	}
	ASSERT_EQ(img.size(), 800u * 600 * 3);
	EXPECT_TRUE(light(100, 400)) << "step list panel";
	EXPECT_TRUE(light(400, 300)) << "screen panel";
	EXPECT_TRUE(dark(205, 300)) << "background between the panels";
	EXPECT_TRUE(dark(400, 560)) << "background above the buttons";
	// button bodies reach 10 pixels past their word pictures
	EXPECT_TRUE(light(24, 577)) << "Quit";
	EXPECT_TRUE(light(336, 577)) << "Buy";
	EXPECT_TRUE(light(775, 577)) << "Next";
	// the beta check box: a light box with a grey outline, lighter than the background
	int outline = 0;
	for (int y = 328; y <= 340; ++y) {
		int sum = at(250, y)[0] + at(250, y)[1] + at(250, y)[2];
		outline += sum > 250 && sum < 600;
	}
	EXPECT_TRUE(light(250, 327)) << "check box";
	EXPECT_GT(outline, 0) << "check box outline";
	p.click(58, kRowY);	// Quit
	ASSERT_TRUE(p.wait_exit(30));
	EXPECT_EQ(p.status, 0);
}

// The engine finds two changed files in an existing copy and asks about each in
// its window: the first is kept, the second overwritten with the release's.
TEST_F(WebDemoFlow, ChangedFilesOfACopyAreKeptOrOverwrittenAsAnswered)
{
	wz_scratch s;
	wz_web web;
	std::string copy = s.path + "copy/";
	ASSERT_TRUE(make_web(s, web, "", copy)) << web.error;
	std::string kept = "Instructions/Manual.txt", overwritten = "Resources/readme resources.txt";
	wz_write(copy + kept, "my own notes\n");
	wz_write(copy + overwritten, "my own readme\n");
	wz_program p;
	p.program = "vantor-web-updater";	// the copy is updated through the web-update flow
	std::vector<std::string> a = args();
	a.insert(a.begin(), {"-path", copy});
	ASSERT_TRUE(p.start(s.path, a));
	ASSERT_TRUE(p.wait_log("Wizard screen: Vantor 9 Web Updater", 30)) << p.log_text();
	ASSERT_TRUE(p.find_window());
	p.click(kNextX, kRowY);
	ASSERT_TRUE(p.wait_log("Wizard screen: Check Disk Space", 60)) << p.log_text();
	p.click(kNextX, kRowY);
	ASSERT_TRUE(p.wait_log("Prompt: I am about to install: " + copy + kept + "\n", 20)) << p.log_text();
	// the 750 by 146 window centred in the 800 by 600 one: its origin is (25, 227)
	p.click(25 + 88, 212 + 28);	// KEEP THE OLD FILE, in the 750 by 176 prompt
	ASSERT_TRUE(p.wait_log("Prompt answer: 2", 10)) << p.log_text();
	ASSERT_TRUE(p.wait_log("Prompt: I am about to install: " + copy + overwritten + "\n", 10)) << p.log_text();
	p.click(25 + 88, 212 + 53);	// OVERWRITE THE OLD FILE
	ASSERT_TRUE(p.wait_log("Prompt answer: 1", 10)) << p.log_text();
	ASSERT_TRUE(p.wait_log("Wizard screen: Finshed Web Update", 60)) << p.log_text();
	p.click(kQuitNextX, kRowY);
	ASSERT_TRUE(p.wait_exit(30)) << p.log_text();
	EXPECT_EQ(p.status, 0) << p.log_text();
	web.stop();

	std::string log = p.log_text();
	EXPECT_EQ(wz_count(log, "Prompt: "), 2) << log;
	EXPECT_EQ(wz_read(copy + kept), "my own notes\n");
	auto files = manifest_of(s.path + "rel/manifest.txt");
	ASSERT_EQ(files.count(overwritten), 1u);
	for (const auto& [rel, md5] : files)
		if (rel != kept) {
			EXPECT_EQ(md5_of(copy + rel), md5) << rel;
		}
}
