// The about box's update check without a window: the server list and what it
// offers, then the check and the installer download against a loopback site.
#include "UTL_about.h"
#include "UTL_log.h"
#include "UTL_cmdline.h"
#include "http.h"
#include "io_utils.h"
#include "../support/test_servers.h"
#include <gtest/gtest.h>
#include <sys/stat.h>

static const char* const kHeader = "A\n820 version\nSERVERS\n";

static std::string visit(const char* what)
{
	return std::string("There is ") + what + " of Vantor available! Visit " + about_maker_site + " to download the update.";
}
static void expect_message(const about_state& s, const std::string& text)
{
	EXPECT_EQ(s.ins_state, about_message);
	EXPECT_EQ(s.err_msg, text);
}

// Each test works in a scratch folder of its own, the program's relative paths included.
struct about_folder : ::testing::Test {
	std::string dir, saved_cwd;
	void SetUp() override
	{
		char buf[4096];
		saved_cwd = getcwd(buf, sizeof buf) ? buf : ".";
		UTL_cmdline::add_one("--fps_test", "");	// alerts (a 404's) go to the log, not to a message box
		dir = TS_make_temp_dir("about");
		ASSERT_FALSE(dir.empty());
		ASSERT_EQ(chdir(dir.c_str()), 0);
	}
	void TearDown() override
	{
		if (chdir(saved_cwd.c_str()) != 0) ADD_FAILURE() << "cannot go back to " << saved_cwd;
		if (!HasFailure()) TS_remove_tree(dir);
	}
	// Reads a list (header added) into s and decides.
	about_installers read(about_state& s, const std::string& body, int* header_ok = nullptr)
	{
		TS_write_file("list.txt", kHeader + body);
		about_installers ins;
		const int r = UTL_about_read_list("list.txt", s, ins);
		if (header_ok) *header_ok = r;
		UTL_about_decide(s, ins);
		return ins;
	}
};

using AboutList = about_folder;

TEST_F(AboutList, SameReleaseIsUpToDateAndOffersNothing)
{
	about_state s;
	read(s, "BETA Vantor 9.30b1\nFINAL Vantor 9.21rc2\nFINAL_VERSION 92102\nBETA_VERSION 93001\n"
	        "FINAL_INSTALLER_MAC 127.0.0.61 /x.zip\n");
	expect_message(s, "Your version of Vantor is up to date.");
	EXPECT_EQ(s.is_latest, 1);
	EXPECT_EQ(s.version_str_found, 1);
	EXPECT_EQ(s.version_beta, 93001);
	EXPECT_EQ(UTL_about_version_line(s), "The current version of Vantor is now Vantor 9.21rc2.");
}

TEST_F(AboutList, NewerReleaseOffersTheReleaseInstallerOrSendsToTheSite)
{
	about_state s;
	about_installers ins = read(s, "FINAL Vantor 9.30\nFINAL_VERSION 93000\nBETA_INSTALLER_MAC b.example /beta.zip\n"
	                               "FINAL_INSTALLER_MAC 127.0.0.61 /dl/Vantor Installer.zip  \n");
	EXPECT_EQ(s.ins_state, about_offer);
	EXPECT_EQ(s.is_latest, 0);
	EXPECT_EQ(s.is_beta, 0);
	EXPECT_EQ(s.installer_server, "127.0.0.61");
	EXPECT_EQ(s.installer_path, "/dl/Vantor Installer.zip");	// the rest of the line, trailing blanks cut
	EXPECT_EQ(ins.beta_server, "b.example");

	about_state t;
	read(t, "FINAL Vantor 9.30\nFINAL_VERSION 93000\nBETA_INSTALLER_MAC b.example /beta.zip\n");
	expect_message(t, visit("a new version"));
}

TEST_F(AboutList, BetaUsersAreOfferedOnlyANewerBetaFromTheBetaPair)
{
	about_state s;
	read(s, "BETA Vantor 9.21rc3\nFINAL Vantor 9.20\nFINAL_VERSION 92000\nBETA_VERSION 92102\n"
	        "BETA_INSTALLER_MAC 127.0.0.61 /beta.zip\n");
	expect_message(s, "You have the latest Vantor beta.");

	about_state b;
	read(b, "BETA Vantor 9.21rc3\nFINAL Vantor 9.20\nFINAL_VERSION 92000\nBETA_VERSION 92103\n"
	        "FINAL_INSTALLER_MAC 127.0.0.61 /final.zip\nBETA_INSTALLER_MAC 127.0.0.62 /beta.zip\n");
	EXPECT_EQ(b.ins_state, about_offer);
	EXPECT_EQ(b.is_beta, 1);
	EXPECT_EQ(b.installer_server, "127.0.0.62");
	EXPECT_EQ(b.installer_path, "/beta.zip");
	EXPECT_EQ(UTL_about_version_line(b), "The current beta version of Vantor is now Vantor 9.21rc3.");

	// the release pair does not stand in for a missing beta one
	about_state n;
	read(n, "FINAL Vantor 9.20\nFINAL_VERSION 92000\nBETA_VERSION 92103\nFINAL_INSTALLER_MAC 127.0.0.61 /final.zip\n");
	expect_message(n, visit("a newer beta"));
}

TEST_F(AboutList, KeywordsMatchOnlyWholeWordsAndAnEmptyFinalStillEndsTheCheck)
{
	about_state s;
	// FINALIST and BETA2 are other words; a bare FINAL gives an empty text
	read(s, "FINALIST nope\nBETA2 nope\nBETA\nFINAL\n  FINAL_VERSION   92102 trailing words\n");
	EXPECT_EQ(s.version_str_found, 1);
	EXPECT_EQ(s.version_str_net, "");
	EXPECT_EQ(s.version_str_net_beta, "");
	EXPECT_EQ(s.version_final, 92102);
	EXPECT_EQ(UTL_about_version_line(s), "The current version of Vantor is now .");

	// no release number: the net counts as unreachable, though the text was read
	about_state t;
	read(t, "FINAL Vantor 9.30\r\n");
	EXPECT_EQ(t.version_str_net, "Vantor 9.30");
	expect_message(t, "Can't connect to the net to find latest version.");
}

TEST_F(AboutList, ABadHeaderReadsNothingAndTheDecisionUsesWhatWasKept)
{
	about_state s;
	EXPECT_EQ(UTL_about_version_line(s),
	          std::string("I could not connect to the net to find the current version of Vantor at ") + about_maker_site +
	              "!");
	s.version_final = 93000;	// from an earlier list
	TS_write_file("list.txt", std::string("A\n900 version\nSERVERS\nFINAL Vantor 9.40\nFINAL_VERSION 94000\n"));
	about_installers ins;
	EXPECT_EQ(UTL_about_read_list("list.txt", s, ins), 0);
	EXPECT_EQ(UTL_about_read_list("missing.txt", s, ins), 0);
	UTL_about_decide(s, ins);
	EXPECT_EQ(s.version_str_found, 0);
	EXPECT_EQ(s.version_str_net, "");
	EXPECT_EQ(s.version_final, 93000);
	EXPECT_EQ(s.ins_state, about_message);	// newer, but the installer pair went with the list
	EXPECT_NE(s.err_msg.find("There is a new version"), std::string::npos);
}

TEST_F(AboutList, AnInstallerPairTheClientWouldRefuseSendsToTheSiteInstead)
{
	// a host with a "/" or a path without one in front would be a fatal misuse
	// of the download client: such a pair is no pair
	for (const char* pair : {"127.0.0.61/ /x.zip", "127.0.0.61 x.zip", "127.0.0.61", "127.0.0.61/dl /x.zip"}) {
		about_state s;
		read(s, std::string("FINAL V\nFINAL_VERSION 93000\nFINAL_INSTALLER_MAC ") + pair + "\n");
		EXPECT_EQ(s.ins_state, about_message) << pair;
		EXPECT_NE(s.err_msg.find("Visit "), std::string::npos) << pair;
	}
}

TEST(AboutProgress, PercentIsTruncatedAndAnUnknownLengthShowsNone)
{
	EXPECT_EQ(UTL_about_progress_text(0, -1, 0), "Downloading the installer...0% complete");
	EXPECT_EQ(UTL_about_progress_text(1, -1, 5000), "Downloading the installer...");
	EXPECT_EQ(UTL_about_progress_text(1, 3, 2), "Downloading the installer...66% complete");
	EXPECT_EQ(UTL_about_progress_text(1, 1000, 999), "Downloading the installer...99% complete");
	EXPECT_EQ(UTL_about_progress_text(1, 0, 0), "Downloading the installer...");
}

// The update site at 127.0.0.61; nothing listens at .62; the fault server at .64.
struct AboutCheck : about_folder {
	std::string site;
	TS_nginx web;
	void SetUp() override
	{
		about_folder::SetUp();
		if (HasFatalFailure()) return;
		site = dir + "/site";
		ASSERT_EQ(mkdir(site.c_str(), 0755), 0);
		about_update_host = "127.0.0.61";
	}
	void serve()
	{
		ASSERT_TRUE(web.start("127.0.0.61", 80, site, dir + "/nginx", 120)) << web.error;
	}
	// the check makes it in every frame; a download alone does not
	void prefs_folder() { EXPECT_EQ(system("mkdir -p Output/preferences"), 0); }
	void list(const std::string& body) { ASSERT_TRUE(TS_write_file(site + "/serverlist9.txt", kHeader + body)); }
	// Frames of the check until it decided (or the time is up).
	void check_until_decided(about_state& s, double seconds = 10)
	{
		const int before = s.ins_state;
		const std::string msg = s.err_msg;
		auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
		while (std::chrono::steady_clock::now() < until && s.ins_state == before && s.err_msg == msg) {
			UTL_about_check(s);
			std::this_thread::sleep_for(std::chrono::milliseconds(2));
		}
	}
	// Frames of the download until it left state 2; the last progress line.
	std::string download(about_state& s, double seconds = 10)
	{
		prefs_folder();
		std::string progress;
		auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
		while (std::chrono::steady_clock::now() < until && s.ins_state == about_downloading) {
			std::string p = UTL_about_download(s);
			if (!p.empty()) progress = p;
			std::this_thread::sleep_for(std::chrono::milliseconds(2));
		}
		return progress;
	}
	// installer.zip on the site holding X.app with its program.
	void installer(const std::string& zip_name)
	{
		const std::string cmd = "cd '" + dir + "' && mkdir -p pack/X.app/Contents/MacOS && printf '#!/bin/sh\\necho hi\\n' "
		                        "> pack/X.app/Contents/MacOS/X && chmod 755 pack/X.app/Contents/MacOS/X && cd pack && "
		                        "zip -qr '" + site + "/" + zip_name + "' X.app";
		ASSERT_EQ(system(cmd.c_str()), 0);
	}
};

TEST_F(AboutCheck, AnUnreachableSiteIsTriedAgainEveryFrameAndShowsNothing)
{
	about_update_host = "127.0.0.62";
	about_state s;
	for (int i = 0; i < 20; ++i) UTL_about_check(s);
	EXPECT_EQ(s.ins_state, about_nothing);
	EXPECT_EQ(s.version_str_found, 0);
	// the folder for the list is made even in a bare copy
	struct stat st;
	EXPECT_EQ(stat("Output/preferences", &st), 0);
	http.drop(0);
}

TEST_F(AboutCheck, AListWithoutFinalIsFetchedAgainUntilOneHasIt)
{
	list("BETA Vantor 9.30b1\nBETA_VERSION 93001\n");
	serve();
	if (HasFatalFailure()) return;
	about_state s;
	check_until_decided(s);
	EXPECT_EQ(s.err_msg, "Can't connect to the net to find latest version.");
	EXPECT_EQ(s.version_str_found, 0);
	EXPECT_EQ(s.version_str_net_beta, "Vantor 9.30b1");
	EXPECT_EQ(TS_read_file("Output/preferences/serverlist9.txt"), kHeader + std::string("BETA Vantor 9.30b1\nBETA_VERSION 93001\n"));

	list("FINAL Vantor 9.21rc2\nFINAL_VERSION 92102\n");
	check_until_decided(s);
	EXPECT_EQ(s.err_msg, "Your version of Vantor is up to date.");
	EXPECT_EQ(s.version_str_found, 1);
	EXPECT_EQ(s.version_beta, 93001);	// kept from the first list

	// found: the check stops, whatever the site says now
	list("FINAL Vantor 9.40\nFINAL_VERSION 94000\nFINAL_INSTALLER_MAC 127.0.0.61 /installer.zip\n");
	for (int i = 0; i < 50; ++i) UTL_about_check(s);
	EXPECT_EQ(s.ins_state, about_message);
	EXPECT_EQ(s.version_str_net, "Vantor 9.21rc2");
}

// The installer's name holds what a URL must escape, a tab included.
TEST_F(AboutCheck, TheOfferedInstallerIsDownloadedAndUnpackedBesideTheProgram)
{
	xer.open(dir + "/log.txt");
	installer("installer\t#1 %.zip");
	list("FINAL Vantor 9.30\nFINAL_VERSION 93000\nFINAL_INSTALLER_MAC 127.0.0.61 /installer\t#1 %.zip\n");
	serve();
	if (HasFatalFailure()) return;
	about_state s;
	check_until_decided(s);
	ASSERT_EQ(s.ins_state, about_offer) << s.err_msg;
	s.ins_state = about_downloading;
	download(s);
	ASSERT_EQ(s.ins_state, about_launching) << s.err_msg;
	EXPECT_EQ(s.installer_app_name, "X.app");
	EXPECT_EQ(access("X.app/Contents/MacOS/X", X_OK), 0);
	EXPECT_EQ(TS_read_file("Output/preferences/installer.zip"), TS_read_file(site + "/installer\t#1 %.zip"));
	xer.close();
	EXPECT_NE(TS_read_file(dir + "/log.txt").find("About box: offering the installer at 127.0.0.61/installer\\x09#1 %.zip\n"),
	          std::string::npos);

	// a launch that fails leaves the message on the window
	s.installer_app_name = "Output/preferences/serverlist9.txt";
	UTL_about_launch(s);
	expect_message(s, "There was an error launching the installer: " + error_str(EACCES) + " (" +
	                  std::to_string(EACCES) + ")");
}

TEST_F(AboutCheck, AMissingOrBrokenInstallerEndsInItsMessage)
{
	ASSERT_TRUE(TS_write_file(site + "/broken.zip", "this is not a zip archive"));
	serve();
	if (HasFatalFailure()) return;
	about_state s;
	s.installer_server = "127.0.0.61";
	s.installer_path = "/gone.zip";
	s.ins_state = about_downloading;
	download(s);
	expect_message(s, "I was unable to download the installer from the net.");

	s.installer_path = "/broken.zip";
	s.ins_state = about_downloading;
	download(s);
	expect_message(s, "There was an error unzipping the installer: " + error_str(err_zip_open) + " (" +
	                  std::to_string(err_zip_open) + ")");

	// an installer is unpacked with the engine's rules: one listing more entries
	// than any installer holds writes nothing
	ASSERT_EQ(system(("python3 -c \"import zipfile\nwith zipfile.ZipFile('" + site + "/crowded.zip', 'w') as z:\n"
	                  "    [z.writestr('X.app/%05d' % i, b'x') for i in range(20001)]\"").c_str()),
	          0);
	s.installer_path = "/crowded.zip";
	s.ins_state = about_downloading;
	download(s);
	expect_message(s, "There was an error unzipping the installer: " + error_str(err_archive_too_many) + " (" +
	                  std::to_string(err_archive_too_many) + ")");
	struct stat st;
	EXPECT_NE(stat("X.app", &st), 0);
}

TEST_F(AboutCheck, ProgressFollowsTheTransferInSlotOne)
{
	TS_fault_server faults;
	ASSERT_TRUE(faults.start("127.0.0.64", 80, dir + "/faults", 60)) << faults.error;
	prefs_folder();
	about_state s;
	s.installer_server = "127.0.0.64";
	s.ins_state = about_downloading;
	// half of 1000 bytes, then silence; then 600 bytes of no stated length, then silence
	const struct { const char* path; int64_t bytes; const char* shown; } cases[] = {
		{"/stall/1000", 500, "Downloading the installer...50% complete"},
		{"/nolengthopen/600", 600, "Downloading the installer..."}};
	for (const auto& c : cases) {
		s.installer_path = c.path;
		EXPECT_EQ(UTL_about_download(s).substr(0, 28), "Downloading the installer...") << c.path;
		for (int i = 0; i < 2000 && !(http.transfer(1) && http.transfer(1)->bytes_received >= c.bytes); ++i) {
			UTL_about_download(s);
			std::this_thread::sleep_for(std::chrono::milliseconds(2));
		}
		EXPECT_EQ(UTL_about_download(s), c.shown) << c.path;
		EXPECT_EQ(s.ins_state, about_downloading);
		http.drop(1);
	}
}
