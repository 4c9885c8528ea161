// The about box in a real window: a host program opens it with its update check
// pointed at a loopback site, xdotool presses its buttons, and the log, the
// screen and the files it leaves show what it did.
#include "UTL_about.h"
#include "../support/test_servers.h"
#include "../support/window_program.h"

static const dialog_box kAbout = {600, 300};
static const char* const kHeader = "A\n820 version\nSERVERS\n";

struct AboutWindow : window_program {
	std::string site;
	TS_nginx web;

	void SetUp() override
	{
		set_up("about_test_tmp");
		if (HasFatalFailure() || IsSkipped()) return;
		site = root + "site";
		// a stand-in for the desktop's page opener: it only notes what it was asked
		const std::string bin = root + "bin";
		ASSERT_EQ(system(("mkdir -p '" + site + "' '" + bin + "' && printf '#!/bin/sh\\necho \"$@\" >> \"" + root +
		                  "opened.txt\"\\n' > '" + bin + "/xdg-open' && chmod 755 '" + bin + "/xdg-open'").c_str()),
		          0);
		setenv("PATH", (bin + ":" + getenv("PATH")).c_str(), 1);
	}
	void serve(const std::string& list)
	{
		ASSERT_TRUE(TS_write_file(site + "/serverlist9.txt", kHeader + list));
		ASSERT_TRUE(web.start("127.0.0.63", 80, site, root + "nginx", 120)) << web.error;
		start("about_host", {"127.0.0.63", "--lang=en", "--fps_test"});
	}
	// The update button's place, below the panel's edge: empty unless an update is offered.
	bool button_shown() { return wait_drawn(kAbout, 445, 8, 95, 12, 40); }
	int button_ink()
	{
		pixels p = grab(kAbout, 445, 8, 95, 12);
		int n = 0;
		for (size_t k = 3; k + 2 < p.size(); k += 3)
			n += abs(p[k] - p[0]) + abs(p[k + 1] - p[1]) + abs(p[k + 2] - p[2]) > 30;
		return p.size() == 95 * 12 * 3 ? n : -1;
	}
	// Closes the box by its title bar and expects the host's line about what it held.
	void close_expecting(const std::string& line)
	{
		click(kAbout, 12, 290);
		ASSERT_TRUE(wait_log("host: about closed", 20)) << log();
		EXPECT_NE(log().find(line), std::string::npos) << log();
		ASSERT_TRUE(wait_exit(20));
		EXPECT_EQ(status, 0);
	}
};

TEST_F(AboutWindow, UpToDateShowsItsMessageAndTheSiteButtonOpensTheMakersPage)
{
	serve("FINAL Vantor 9.21rc2\nFINAL_VERSION 92102\n");
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_log("About box: Your version of Vantor is up to date.\n", 20)) << log();
	ASSERT_TRUE(wait_drawn(kAbout, 20, 200, 400, 20, 40)) << "no title or version line";
	EXPECT_EQ(button_ink(), 0) << "an update button without an update";
	EXPECT_TRUE(wait_drawn(kAbout, 20, 60, 300, 12, 20)) << "no status line";

	click(kAbout, 191, 17);
	for (int i = 0; i < 100 && TS_read_file(root + "opened.txt").empty(); ++i) pause_ms(50);
	EXPECT_EQ(TS_read_file(root + "opened.txt"), std::string("http://") + about_maker_site + "/\n");

	close_expecting("host: about closed, window 0, state 4 [Your version of Vantor is up to date.] version line "
	                "[The current version of Vantor is now Vantor 9.21rc2.]");
}

TEST_F(AboutWindow, UpdateDownloadsUnpacksAndStartsTheNewInstaller)
{
	// X writes where it was started from and with how many arguments
	ASSERT_EQ(system(("cd '" + root + "' && mkdir -p pack/X.app/Contents/MacOS && printf '#!/bin/sh\\n"
	                  "echo \"started in $(pwd) with $# arguments\" > \"" + root + "launched.txt\"\\n' > "
	                  "pack/X.app/Contents/MacOS/X && chmod 755 pack/X.app/Contents/MacOS/X && cd pack && "
	                  "zip -qr '" + site + "/installer.zip' X.app").c_str()),
	          0);
	serve("FINAL Vantor 9.30\nFINAL_VERSION 93000\nFINAL_INSTALLER_MAC 127.0.0.63 /installer.zip\n");
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_log("About box: offering the installer at 127.0.0.63/installer.zip\n", 20)) << log();
	ASSERT_TRUE(button_shown()) << "no update button";

	click(kAbout, 492, 17);
	ASSERT_TRUE(wait_exit(30)) << log();
	for (int i = 0; i < 100 && TS_read_file(root + "launched.txt").empty(); ++i) pause_ms(50);
	std::string app_dir = app;
	app_dir.pop_back();
	EXPECT_EQ(TS_read_file(root + "launched.txt"), "started in " + app_dir + " with 0 arguments\n") << log();
	EXPECT_NE(log().find("Launching: "), std::string::npos) << log();
	EXPECT_EQ(TS_read_file(app + "Output/preferences/installer.zip"), TS_read_file(site + "/installer.zip"));
	EXPECT_EQ(log().find("host: about closed"), std::string::npos) << "the box returned after a launch";
}

TEST_F(AboutWindow, AFailedDownloadLeavesItsMessageAndTheButtonGoes)
{
	serve("FINAL Vantor 9.20\nFINAL_VERSION 92000\nBETA Vantor 9.21rc3\nBETA_VERSION 92103\n"
	      "BETA_INSTALLER_MAC 127.0.0.63 /no/such/installer.zip\n");
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_log("About box: offering the installer at 127.0.0.63/no/such/installer.zip\n", 20)) << log();
	ASSERT_TRUE(button_shown()) << "no beta button";
	click(kAbout, 492, 17);
	ASSERT_TRUE(wait_log("About box: I was unable to download the installer from the net.\n", 20)) << log();
	pause_ms(300);
	EXPECT_EQ(button_ink(), 0) << "the button stayed after the failure";

	close_expecting("window 0, state 4 [I was unable to download the installer from the net.] version line [The "
	                "current beta version of Vantor is now Vantor 9.21rc3.]");
}
