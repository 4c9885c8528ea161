// The real program in a window under X, driven with xdotool through the web-demo
// flow against nginx mirrors on loopback, one of them failing.
#include "wizard_support.h"
#include "wizard_servers.h"
#include "wizard_program.h"
#include <regex>
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

	// Starts the program and waits for its Welcome screen and window.
	void start_at_welcome(wz_scratch& s, wz_program& p, const std::vector<std::string>& with)
	{
		ASSERT_TRUE(p.start(s.path, with));
		ASSERT_TRUE(p.wait_log("Wizard screen: Welcome", x_window_wait)) << p.log_text();
		ASSERT_TRUE(p.find_window()) << p.window_why;
	}
	// Quit at the bottom left, and the program ends.
	void quit(wz_program& p)
	{
		p.click(58, kRowY);
		ASSERT_TRUE(p.wait_exit(30));
	}

	// From the Welcome screen: Next, the License screen, I agree, Next. With
	// greyed_first, Next is also clicked before the box and must stay grey.
	void accept_licence(wz_program& p, bool greyed_first = false)
	{
		p.click(kNextX, kRowY);
		ASSERT_TRUE(p.wait_log("Wizard screen: License", 10)) << p.log_text();
		if (greyed_first) {
			p.click(kNextX, kRowY);	// Next stays grey until the box is ticked
			ASSERT_FALSE(p.wait_log("Wizard screen: Check Servers", 0.5)) << p.log_text();
		}
		p.click(250, 303);	// I agree
		p.click(kNextX, kRowY);
	}

	// Starts the program and takes it through Welcome and the licence.
	void start_and_accept(wz_scratch& s, wz_program& p)
	{
		start_at_welcome(s, p, args());
		if (HasFatalFailure()) return;
		accept_licence(p, true);
	}

	// Starts the web updater on the copy and takes it through Check Disk Space
	// into the install.
	void update_copy(wz_scratch& s, wz_program& p, const std::string& copy)
	{
		p.program = "vantor-web-updater";
		std::vector<std::string> a = args();
		a.insert(a.begin(), {"-path", copy});
		ASSERT_TRUE(p.start(s.path, a));
		ASSERT_TRUE(p.wait_log("Wizard screen: Vantor 9 Web Updater", 30)) << p.log_text();
		ASSERT_TRUE(p.find_window()) << p.window_why;
		p.click(kNextX, kRowY);
		ASSERT_TRUE(p.wait_log("Wizard screen: Check Disk Space", 60)) << p.log_text();
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
	const int thinking = 3;	// seconds the user takes to answer: no download time
	std::this_thread::sleep_for(std::chrono::seconds(thinking));
	p.click(50 + 96, 197 + 31);	// "Continue" of the 700 by 206 prompt centred in the window
	ASSERT_TRUE(p.wait_log("Prompt answer: 0", 10)) << p.log_text();
	ASSERT_TRUE(p.wait_log("Wizard screen: Finished Web Demo Install", 180)) << p.log_text();
	p.click(kQuitNextX, kRowY);
	ASSERT_TRUE(p.wait_exit(30));
	EXPECT_EQ(p.status, 0) << wz_read(s.path + "stdout.txt");
	web.stop();

	std::string log = p.log_text();
	EXPECT_NE(log.find("License shown: Vantor 9 Demo License\n"), std::string::npos) << log;
	// the time-left estimate runs on the download's clock, which leaves the prompt out
	size_t at = log.find(" s in prompts and on other screens left out.");
	ASSERT_NE(at, std::string::npos) << log;
	float left_out = std::stof(log.substr(log.rfind("; ", at) + 2));
	EXPECT_GE(left_out, (float)thinking) << log;
	std::vector<std::string> titles = screen_titles(log);
	std::vector<std::string> want = {"Welcome", "License", "Check Servers",
	                                 std::string("Pick Install Destination for ") + kRelease + ".", "Installing",
	                                 "Installing", "Finished Web Demo Install"};	// Back and Continue: the run goes on
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
	// nor any file of the run in its temporary folder (the user's own, which stays)
	EXPECT_EQ(wz_sh("test -z \"$(find '" + s.path + "tmp/' -mindepth 2)\""), 0) << wz_sh("find '" + s.path + "tmp/'");
}

TEST_F(WebDemoFlow, NewerInstallerOpensItsPageAndQuits)
{
	wz_scratch s;
	wz_web web;
	// a long address, as a list may give: more than the 499 characters once allowed
	std::string page = "http://127.0.0.45/newer_installer.html?from=" + std::string(600, 'v');
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
// between them. Pixels of the window, y from the top. In French, whose title
// bar is French too.
TEST_F(WebDemoFlow, WelcomeScreenShowsThePanelAndButtonArt)
{
	wz_scratch s;
	wz_program p;
	std::vector<std::string> french = args();
	for (std::string& a : french)
		if (a == "--lang=en") a = "--lang=fr";
	ASSERT_TRUE(p.start(s.path, french));
	ASSERT_TRUE(p.wait_log("Wizard screen: Bienvenue", 30)) << p.log_text();
	ASSERT_TRUE(p.find_window()) << p.window_why;
	FILE* name = popen(("xdotool getwindowname " + p.window).c_str(), "r");
	char title[128] = {0};
	if (name) {
		if (!fgets(title, sizeof title, name)) title[0] = 0;
		pclose(name);
	}
	EXPECT_STREQ(title, "Programme d'installation de Vantor\n");
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
	update_copy(s, p, copy);
	if (HasFatalFailure()) return;
	ASSERT_TRUE(p.wait_log("Prompt: I am about to install: " + copy + kept + "\n", 20)) << p.log_text();
	// the 750 by 146 window centred in the 800 by 600 one: its origin is (25, 227)
	p.click(25 + 88, 212 + 28);	// KEEP THE OLD FILE, in the 750 by 176 prompt
	ASSERT_TRUE(p.wait_log("Prompt answer: 2", 10)) << p.log_text();
	ASSERT_TRUE(p.wait_log("Prompt: I am about to install: " + copy + overwritten + "\n", 10)) << p.log_text();
	p.click(25 + 88, 212 + 53);	// OVERWRITE THE OLD FILE
	ASSERT_TRUE(p.wait_log("Prompt answer: 1", 10)) << p.log_text();
	ASSERT_TRUE(p.wait_log("Wizard screen: Finished Web Update", 60)) << p.log_text();
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

// Back looks as its own state says, whatever Next's: on the License screen it
// is the same before and after the box that enables Next is ticked, and unlike
// the greyed Back of the Welcome screen.
TEST_F(WebDemoFlow, BackLooksEnabledWhileNextIsGreyed)
{
	wz_scratch s;
	wz_program p;
	start_at_welcome(s, p, args());
	if (HasFatalFailure()) return;
	// the Back button's face, pointer elsewhere; rows from the top of the window
	auto back_face = [&]() {
		wz_sh("xdotool mousemove --window " + p.window + " 400 300");
		std::this_thread::sleep_for(std::chrono::milliseconds(400));
		std::vector<unsigned char> img = p.screenshot(), face;
		if (img.size() != 800u * 600 * 3) return face;
		for (int y = 568; y < 587; ++y)
			face.insert(face.end(), img.begin() + 3 * (y * 800 + 550), img.begin() + 3 * (y * 800 + 640));
		return face;
	};
	auto differing = [](const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
		int n = 0;
		for (size_t i = 0; i + 2 < a.size() && i + 2 < b.size(); i += 3)
			n += abs(a[i] - b[i]) + abs(a[i + 1] - b[i + 1]) + abs(a[i + 2] - b[i + 2]) > 30;
		return n;
	};
	std::vector<unsigned char> greyed = back_face();
	p.click(kNextX, kRowY);
	ASSERT_TRUE(p.wait_log("Wizard screen: License", 10)) << p.log_text();
	std::vector<unsigned char> next_greyed = back_face();
	p.click(250, 303);	// I agree: Next comes on
	std::vector<unsigned char> next_on = back_face();
	ASSERT_EQ(next_on.size(), 90u * 19 * 3);
	ASSERT_EQ(next_greyed.size(), next_on.size());
	EXPECT_LT(differing(next_greyed, next_on), 20) << "Back changed with Next";
	EXPECT_GT(differing(greyed, next_on), 200) << "a greyed Back looks greyed";
	quit(p);
}

// Prefs in the real window: the port given as a number shows in its field; a
// port field typed into something that is no port keeps the port in use, says
// so, and saves the port in use; the site is then reached through the proxy.
TEST_F(WebDemoFlow, AProxyPortThatIsNoNumberKeepsThePortInUse)
{
	wz_scratch s;
	wz_web web;
	ASSERT_TRUE(make_web(s, web, "")) << web.error;
	wz_program p;
	// the port as a number only; no --fps_test, which leaves the preferences unsaved
	start_at_welcome(s, p, {"--lang=en", "--pref:_proxy_host=127.0.0.45", "--pref:_proxy_port_int=80"});
	if (HasFatalFailure()) return;
	p.click(159, kRowY);	// Prefs
	std::this_thread::sleep_for(std::chrono::milliseconds(800));
	// the 700 by 380 window centred: the port field's text starts at (135, 133)
	auto ink = [&](int x0, int y0, int w, int h) {
		std::vector<unsigned char> img = p.screenshot();
		int n = 0;
		for (int y = 600 - y0 - h; img.size() == 800u * 600 * 3 && y < 600 - y0; ++y)
			for (int x = x0; x < x0 + w; ++x) n += img[3 * (y * 800 + x)] < 100;
		return n;
	};
	EXPECT_GT(ink(132, 126, 40, 14), 10) << "the port field shows 80";
	EXPECT_EQ(ink(600, 130, 140, 40), 0) << "no note while the port is one";
	p.click(300, 133);
	wz_sh("xdotool type --window " + p.window + " abc");
	std::this_thread::sleep_for(std::chrono::milliseconds(500));
	EXPECT_GT(ink(600, 130, 140, 40), 30) << "the note beside the field";
	p.click(734, 481);	// the window's close box
	ASSERT_TRUE(p.wait_log("The proxy port field held no port; 80 is kept.", 10)) << p.log_text();

	accept_licence(p);
	if (HasFatalFailure()) return;
	ASSERT_TRUE(p.wait_log("Wizard screen: Pick Install Destination", 60)) << p.log_text();
	quit(p);
	std::string prefs = wz_read(s.path + "config/Vantor Installer.prf");
	EXPECT_NE(prefs.find("_proxy_port 80\n"), std::string::npos) << prefs;
	EXPECT_NE(prefs.find("_proxy_port_int 80\n"), std::string::npos) << prefs;
}

// A saved port that is no port means no proxy; the site, unreachable without
// one, is named on the screen and asked again after growing pauses, with one
// log entry.
TEST_F(WebDemoFlow, AnUnreachableSiteIsNamedAndAskedAgain)
{
	wz_scratch s;
	wz_program p;
	// no --fps_test, which leaves the preferences unsaved
	ASSERT_TRUE(p.start(s.path, {"--lang=en", "--pref:_proxy_host=127.0.0.45", "--pref:_proxy_port=abc",
	                             "--pref:_proxy_port_int=-1"}));
	ASSERT_TRUE(p.wait_log("Wizard screen: Welcome", x_window_wait)) << p.log_text();
	EXPECT_NE(p.log_text().find("The saved proxy port -1 is no port; no proxy is used."), std::string::npos)
		<< p.log_text();
	ASSERT_TRUE(p.find_window()) << p.window_why;
	accept_licence(p);
	if (HasFatalFailure()) return;
	ASSERT_TRUE(p.wait_log("Wizard screen: Check Servers", 10)) << p.log_text();
	// no name server here: the name is not found (or, where a resolver stays
	// silent, no connection is made)
	ASSERT_TRUE(p.wait_log("Server check: ", 60)) << p.log_text();
	std::this_thread::sleep_for(std::chrono::seconds(4));
	std::string log = p.log_text();
	const size_t said = log.find("Server check: ");
	const std::string not_found = "Server check: The name " + std::string(kSite) + " was not found. This";
	const std::string no_route = "Server check: I could not connect to " + std::string(kSite) + ". This";
	EXPECT_TRUE(log.compare(said, not_found.size(), not_found) == 0 || log.compare(said, no_route.size(), no_route) == 0)
		<< log;
	EXPECT_EQ(wz_count(log, "HTTP Error for "), 1) << log;
	EXPECT_EQ(wz_count(log, "Server check: "), 1) << log;
	EXPECT_LT(log.size(), 40000u) << "the log stops growing";
	quit(p);
	std::string prefs = wz_read(s.path + "config/Vantor Installer.prf");
	EXPECT_EQ(prefs.find("abc"), std::string::npos) << prefs;
	EXPECT_NE(prefs.find("_proxy_port_int 0\n"), std::string::npos) << prefs;
}

// The demo release made by the project's own script: its mirrors carry labels
// in the server list, and the Installing screen shows them beside the radios.
TEST_F(WebDemoFlow, DemoReleaseMirrorsShowTheirLabels)
{
	wz_scratch s;
	wz_web web;
	ASSERT_EQ(wz_sh("bash '" VANTOR_SOURCE_DIR "/scripts/make_demo_release.sh' '" + s.path + "demo' '" VANTOR_BINARY_DIR
	                "' 127.0.0.46 127.0.0.47 >'" + s.path + "demo.log' 2>&1"),
	          0)
		<< wz_read(s.path + "demo.log");
	ASSERT_TRUE(web.start("127.0.0.45", kSite, s.path + "demo/site", {"127.0.0.46", "127.0.0.47"}, "",
	                      s.path + "demo/mirror", s.path + "web", "40k"))
		<< web.error;
	wz_program p;
	start_and_accept(s, p);
	if (HasFatalFailure()) return;
	ASSERT_TRUE(p.wait_log("Wizard screen: Pick Install Destination", 60)) << p.log_text();
	p.click(kNextX, kRowY);
	ASSERT_TRUE(p.wait_log("Wizard screen: Installing", 20)) << p.log_text();
	wz_sh("xdotool mousemove --window " + p.window + " 400 300");
	std::this_thread::sleep_for(std::chrono::milliseconds(500));
	std::vector<unsigned char> img = p.screenshot();
	ASSERT_EQ(img.size(), 800u * 600 * 3);
	// dark text pixels right of each radio button: rows at y 118 and 78 for two servers
	for (int y : {118, 78}) {
		int ink = 0;
		for (int row = 600 - (y + 12); row < 600 - (y - 4); ++row)
			for (int x = 50; x < 180; ++x) ink += img[3 * (row * 800 + x)] + img[3 * (row * 800 + x) + 1] < 250;
		EXPECT_GT(ink, 40) << "the label of the mirror at y " << y;
	}
	quit(p);
}

// The list's address of a newer installer that is no web page never reaches
// the browser: the maker's download page opens in its place.
TEST_F(WebDemoFlow, ANewerInstallersAddressThatIsNoWebPageIsRefused)
{
	wz_scratch s;
	wz_web web;
	ASSERT_TRUE(make_web(s, web, "file:///etc/passwd")) << web.error;
	wz_program p;
	start_and_accept(s, p);
	if (HasFatalFailure()) return;
	ASSERT_TRUE(p.wait_exit(60)) << p.log_text();
	EXPECT_EQ(p.status, 0);
	std::string log = p.log_text();
	EXPECT_NE(log.find("Refused to open \"file:///etc/passwd\" in the browser"), std::string::npos) << log;
	for (int i = 0; i < 50 && wz_read(s.path + "opened.txt").empty(); ++i)
		std::this_thread::sleep_for(std::chrono::milliseconds(100));
	EXPECT_EQ(wz_read(s.path + "opened.txt"), std::string("http://") + kSite + "/download.html\n");
}

// Buy opens the order page without holding the window: the frame goes on while
// the browser is open, and the browser's starter is reaped once it ends.
TEST_F(WebDemoFlow, BuyNeverHoldsTheWindowAndItsBrowserIsReaped)
{
	wz_scratch s;
	wz_program p;
	ASSERT_TRUE(p.start(s.path, args()));
	// a browser that stays open until the test lets it go
	wz_write(s.path + "bin/xdg-open", "#!/bin/sh\necho \"$1\" >> '" + s.path + "opened.txt'\nwhile [ ! -e '" +
	                                   s.path + "release' ]; do sleep 0.1; done\n");
	ASSERT_TRUE(p.wait_log("Wizard screen: Welcome", x_window_wait)) << p.log_text();
	ASSERT_TRUE(p.find_window()) << p.window_why;
	p.click(400, kRowY);	// Buy
	for (int i = 0; i < 100 && wz_read(s.path + "opened.txt").empty(); ++i)
		std::this_thread::sleep_for(std::chrono::milliseconds(100));
	EXPECT_EQ(wz_read(s.path + "opened.txt"), std::string("http://") + kSite + "/order.html\n");
	p.click(kNextX, kRowY);
	EXPECT_TRUE(p.wait_log("Wizard screen: License", 10)) << "the window answers while the browser is open";
	wz_write(s.path + "release", "");
	std::string zombies = "?";
	for (int i = 0; i < 100 && !zombies.empty(); ++i) {
		std::this_thread::sleep_for(std::chrono::milliseconds(100));
		FILE* ps = popen(("ps --ppid " + std::to_string(p.pid) + " -o stat= | grep Z").c_str(), "r");
		char buf[64] = {0};
		zombies = ps && fgets(buf, sizeof buf, ps) ? buf : "";
		if (ps) pclose(ps);
	}
	EXPECT_EQ(zombies, "") << "an ended browser starter left unreaped";
	quit(p);
}

// The length of the drawn bar's blue fill, 0..1 of the track; -1 without a picture.
static float drawn_bar(const std::vector<unsigned char>& img)
{
	if (img.size() != 800u * 600 * 3) return -1;
	const int row = 600 - 155, left = 240, right = 760;
	int last = left;
	for (int x = left; x < right; ++x) {
		const unsigned char* px = &img[3 * (row * 800 + x)];
		if (px[2] > px[0] + 60) last = x;
	}
	return (float)(last - left) / (right - left);
}

// One large file in the demo install and in the update of a copy that lacks
// it: the bar moves with its bytes before it is unpacked and never goes back;
// the time left beside it is given once the bar moves and is not nought while
// much is left. The pump writes each whole percent of its bar to the log.
TEST_F(WebDemoFlow, TheBarAndTheTimeLeftMoveWithALargeFile)
{
	wz_scratch s;
	wz_web web;
	const std::string copy = s.path + "copy/", large = "Resources/terrain/large terrain.dat";
	ASSERT_EQ(wz_sh("python3 '" VANTOR_SOURCE_DIR "/tests/wizard/make_release.py' '" + s.path + "rel' '" + kRelease +
	                "' --size 300 --large 3000 --copy '" + copy + "' 127.0.0.46 127.0.0.47 >/dev/null"),
	          0);
	ASSERT_EQ(unlink((copy + large).c_str()), 0);
	// about 12 s for the large file on one stream
	ASSERT_TRUE(web.start("127.0.0.45", kSite, s.path + "rel/site", {"127.0.0.46", "127.0.0.47"}, "",
	                      s.path + "rel/mirror", s.path + "web", "250k"))
		<< web.error;

	// Runs one install from its Installing screen to `finish`, then checks the log.
	auto watch = [&](wz_program& p, const std::string& dest, const std::string& finish) {
		ASSERT_TRUE(p.wait_log("Wizard screen: Installing", 60)) << p.log_text();
		// the window draws the bar the log gives
		// at 40 % or past it: the bar may pass a whole percent within a frame
		const std::regex forty("Install progress ([4-9][0-9]|100)%");
		auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(x_bound(120));
		while (!std::regex_search(p.log_text(), forty) && p.running() && std::chrono::steady_clock::now() < until)
			std::this_thread::sleep_for(std::chrono::milliseconds(50));
		ASSERT_TRUE(std::regex_search(p.log_text(), forty)) << p.log_text();
		wz_sh("xdotool mousemove --window " + p.window + " 400 300");
		float drawn = drawn_bar(p.screenshot());
		EXPECT_GE(drawn, 0.4f * 0.96f + 0.04f - 0.02f) << dest;
		ASSERT_TRUE(p.wait_log("Wizard screen: " + finish, 120)) << p.log_text();
		p.click(kQuitNextX, kRowY);
		ASSERT_TRUE(p.wait_exit(30)) << p.log_text();

		const std::string log = p.log_text();
		const size_t unpacked = log.find("EXPANDING file " + dest + large + ", with result=0.");
		ASSERT_NE(unpacked, std::string::npos) << log;
		std::istringstream in(log);
		std::string line;
		int last = -1, before_unpack = 0, lines = 0, told_from = -1;
		size_t at = 0;
		while (std::getline(in, line)) {
			at += line.size() + 1;
			if (line.compare(0, 17, "Install progress ") != 0) continue;
			const int percent = std::stoi(line.substr(17));
			const std::string left = line.substr(line.find(": ") + 2);
			++lines;
			EXPECT_GE(percent, last) << "the bar went back: " << line;
			last = percent;
			// the other files are about a tenth of the bytes: above that, the large file's own
			if (at <= unpacked && percent >= 20 && percent < 95) ++before_unpack;
			// the time left is told once the run has measured its pace, and from then on
			if (told_from < 0 && left.compare(0, 6, "About ") == 0) told_from = percent;
			if (told_from >= 0) {
				EXPECT_EQ(left.compare(0, 6, "About "), 0) << line;
			}
			if (percent <= 80) {
				EXPECT_EQ(left.find("About 0 seconds"), std::string::npos) << line;
			}
		}
		EXPECT_GE(told_from, 0) << log;
		EXPECT_LE(told_from, 20) << log;
		EXPECT_GE(before_unpack, 10) << log;
		EXPECT_GT(lines, 20) << log;
		EXPECT_EQ(md5_of(dest + large), manifest_of(s.path + "rel/manifest.txt")[large]);
	};

	{
		wz_program p;
		start_and_accept(s, p);
		if (HasFatalFailure()) return;
		ASSERT_TRUE(p.wait_log("Wizard screen: Pick Install Destination", 60)) << p.log_text();
		p.click(kNextX, kRowY);
		watch(p, s.path + "home/Desktop/Vantor 9 Demo/", "Finished Web Demo Install");
		if (HasFatalFailure()) return;
	}
	{
		wz_program p;
		update_copy(s, p, copy);
		if (HasFatalFailure()) return;
		watch(p, copy, "Finished Web Update");
	}
	web.stop();
}

// The demo script as a user runs it: a PATH without /usr/sbin, where nginx
// lives, and a desktop folder of their own in their user-dirs.dirs. It serves
// the release on a port of its own, checks that it answers before the
// installer starts, and the copy lands in that folder; the installer's
// preferences and registration stay in the demo's folder.
TEST_F(WebDemoFlow, TheDemoScriptServesItsReleaseAndInstallsToTheUsersDesktop)
{
	wz_scratch s;
	const std::string home = s.path + "home", built = VANTOR_BINARY_DIR, log = built + "/Vantor Installer Log.txt";
	ASSERT_EQ(0, wz_sh("mkdir -p '" + home + "/.config' '" + s.path + "tmp' && rm -f '" + log + "'"));
	wz_write(home + "/.config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n");
	wz_program p;
	p.log = log;
	p.pid = fork();
	if (p.pid == 0) {
		// timeout ends the script's whole process group: its nginx and the installer too
		prctl(PR_SET_PDEATHSIG, SIGTERM);
		setenv("HOME", home.c_str(), 1);
		unsetenv("XDG_CONFIG_HOME");
		setenv("TMPDIR", (s.path + "tmp").c_str(), 1);
		setenv("PATH", "/usr/bin:/bin", 1);
		setenv("VANTOR_DEMO_BUILT", built.c_str(), 1);
		int fd = open((s.path + "demo.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
		if (fd >= 0) {
			dup2(fd, 1);
			dup2(fd, 2);
		}
		execl("/usr/bin/timeout", "timeout", "170", "bash", VANTOR_SOURCE_DIR "/scripts/demo.sh", "--fps_test", "--lang=en",
		      (char*)nullptr);
		_exit(127);
	}
	ASSERT_GT(p.pid, 0);
	struct group_end {
		pid_t leader;
		~group_end() { kill(-leader, SIGKILL); }
	} ends{p.pid};
	ASSERT_TRUE(p.wait_log("Wizard screen: Welcome", 120)) << wz_read(s.path + "demo.txt") << p.log_text();
	std::string why;
	p.window = x_window_of(0, "Vantor", x_window_wait, &why);
	ASSERT_FALSE(p.window.empty()) << why;
	accept_licence(p);
	ASSERT_TRUE(p.wait_log("Wizard screen: Pick Install Destination", 60)) << p.log_text();
	p.click(kNextX, kRowY);
	ASSERT_TRUE(p.wait_log("Wizard screen: Finished Web Demo Install", 120)) << p.log_text();
	p.click(kQuitNextX, kRowY);
	ASSERT_TRUE(p.wait_exit(30));
	EXPECT_EQ(0, p.status);

	const std::string dest = home + "/Bureau/Vantor 9 Demo/";
	std::string said = wz_read(s.path + "demo.txt");
	EXPECT_NE(said.find("the demo's site and mirrors answer on 127.0.0.49:"), std::string::npos) << said;
	EXPECT_NE(said.find("the demo's copy is in " + dest + " (remove it with rm -r)"), std::string::npos) << said;
	std::string l = p.log_text();
	EXPECT_NE(l.find("os_dir_desktop\t\t=" + home + "/Bureau/\n"), std::string::npos) << l;
	EXPECT_NE(l.find("EXPANDING file " + dest), std::string::npos) << l;
	EXPECT_NE(0, wz_sh("test -e '" + home + "/Desktop'")) << "no folder of the desktop the user did not choose";
	EXPECT_EQ(0, access((dest + "Vantor.app/Contents/MacOS/Vantor").c_str(), X_OK));
	EXPECT_EQ(1, wz_count(wz_read(built + "/demo/config/vantor_install.txt"), dest + "\n"));
	EXPECT_NE(0, wz_sh("test -e '" + home + "/.config/Vantor Installer.prf'")) << "the demo's proxy is not the user's";
}
