// The disc installer in a real window with a two-disc set made by the builder:
// a new install, and a repair of a damaged copy; each asks for the second
// disc, and the test answers by "mounting" it.
#include "dvd_window.h"
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>

TEST_F(DiscInstallWindow, NewInstallAsksForTheSecondDisc)
{
	start_with_discs(false);
	if (IsSkipped() || HasFatalFailure()) return;
	to_select_scenery();
	if (HasFatalFailure()) return;
	click_cell(10, 13);	// the tile of 75 W, 45 N
	next();
	ASSERT_TRUE(wait_log("Wizard screen: Installing Vantor - Please Change DVDs", 30)) << log();
	EXPECT_NE(std::string::npos, log().find(disc0 + " is not on an optical drive; it is not ejected.")) << log();
	pause_ms(300);
	const pixels asked = grab(whole, 220, 430, 560, 25);	// the body's line
	next();	// still the first disc: asked again, and told which disc that was
	ASSERT_TRUE(wait_log("; the drive holds disc 1.\n", 10)) << log();
	ASSERT_TRUE(wait_log_count("Wizard screen: Installing Vantor - Please Change DVDs", 2, 10)) << log();
	pause_ms(500);
	EXPECT_GT(differing(asked, grab(whole, 220, 430, 560, 25)), 100) << "the wrong disc reads as no disc";
	std::ofstream(table, std::ios::trunc).close();	// no disc at all: asked as at first
	next();
	ASSERT_TRUE(wait_log("; the drive holds no disc.\n", 10)) << log();
	ASSERT_TRUE(wait_log_count("Wizard screen: Installing Vantor - Please Change DVDs", 3, 10)) << log();
	pause_ms(500);
	EXPECT_EQ(0, differing(asked, grab(whole, 220, 430, 560, 25)));
	mount(disc1);
	next();
	ASSERT_TRUE(wait_log("Disc 2 is at " + disc1 + ".", 10)) << log();
	ASSERT_TRUE(wait_log("Wizard screen: Finished Installing Vantor", 60)) << log();
	click(whole, 742, 23);	// Quit
	ASSERT_TRUE(wait_exit(20)) << log();
	EXPECT_EQ(0, status);

	const std::string dest = root + "home/Desktop/Vantor 9/";
	expect_whole(dest);
	std::ifstream reg(root + "config/vantor_install.txt");
	std::string listed((std::istreambuf_iterator<char>(reg)), std::istreambuf_iterator<char>());
	EXPECT_NE(std::string::npos, listed.find(dest + "\n")) << listed;
	EXPECT_EQ(listed.find(dest + "\n"), listed.rfind(dest + "\n")) << "listed once";
	const std::string tiles = dest + "Global Scenery/-global terrain-/";
	EXPECT_EQ(md5_file(set + "master/All/Global Scenery/-global terrain-/+40-080/+45-075.dsf"),
	          md5_file(tiles + "+40-080/+45-075.dsf"));
	EXPECT_FALSE(exists(tiles + "+40-070")) << "only the clicked tile";
	EXPECT_FALSE(exists(tiles + "-40+140"));
	std::string l = log();
	EXPECT_EQ(std::string::npos, l.find("Install error")) << l;
}

TEST_F(DiscInstallWindow, RepairBringsBackDamagedFilesFromBothDiscs)
{
	start_with_discs(true);
	if (IsSkipped() || HasFatalFailure()) return;
	const std::string damaged = "Resources/sounds/engine_20.wav", missing = "Airfoils/foil_022.afl",
	                  kept = "Instructions/Manual chapter 1.txt";
	ASSERT_EQ(0, access((disc1 + "Vantor 9/All/" + damaged + ".zip").c_str(), F_OK)) << "on the second disc";
	ASSERT_EQ(0, access((disc0 + "Vantor 9/All/" + missing + ".zip").c_str(), F_OK)) << "on the first disc";
	std::ofstream(copy + damaged, std::ios::trunc) << "noise";
	ASSERT_EQ(0, unlink((copy + missing).c_str()));
	struct stat before {};
	stat((copy + kept).c_str(), &before);

	ASSERT_TRUE(wait_log("Wizard screen: Vantor 9 Installer", 5)) << log();
	pause_ms(300);
	click(whole, 500, 302);	// the third choice: Repair Vantor
	ASSERT_TRUE(wait_log("Wizard screen: Repair Vantor 9", 10)) << log();
	next();
	ASSERT_TRUE(wait_log("Wizard screen: Confirm Repairs", 20)) << log();
	next();
	// the engine asks before it overwrites a changed file: the 750 by 146
	// window centred in the 800 by 600 one, its origin at (25, 227)
	ASSERT_TRUE(wait_log("Prompt: I am about to install: " + copy + damaged + "\n", 10)) << log();
	click(whole, 25 + 88, 212 + 53);	// OVERWRITE THE OLD FILE, in the 750 by 176 prompt
	ASSERT_TRUE(wait_log("Prompt answer: 1", 10)) << log();
	ASSERT_TRUE(wait_log("Wizard screen: Repairing Vantor - Please Change DVDs", 30)) << log();
	mount(disc1);
	next();
	ASSERT_TRUE(wait_log("Wizard screen: Finished Repairing Vantor.", 30)) << log();
	click(whole, 742, 23);	// Quit
	ASSERT_TRUE(wait_exit(20)) << log();
	EXPECT_EQ(0, status);

	expect_whole(copy);
	struct stat after {};
	stat((copy + kept).c_str(), &after);
	EXPECT_EQ(before.st_mtime, after.st_mtime) << "a sound file is not rewritten";
	EXPECT_EQ(before.st_ino, after.st_ino);
}

// The scenery screen scans the new copy's folder a step a frame. Here another
// program filled that folder after it was picked and holds a lease on one of
// its files, so the scan waits on that file: the window keeps drawing all the
// while (the scan's line is up, Quit lights under the pointer and goes dark
// again), and the map and Next come once the holder lets go.
TEST_F(DiscInstallWindow, TheSceneryScreenKeepsDrawingWhileItsScanWaits)
{
	start_with_discs(false);
	if (IsSkipped() || HasFatalFailure()) return;
	next();
	ASSERT_TRUE(wait_log("Wizard screen: Pick Install Destination for Vantor 9.", 10)) << log();
	next();
	ASSERT_TRUE(wait_log("Wizard screen: License", 10)) << log();

	const std::string dest = root + "home/Desktop/Vantor 9/", held = dest + "Instructions/Manual chapter 1.txt";
	ASSERT_EQ(0, system(("cd '" + set + "master' && while IFS=\"\t\" read -r rel _; do src=\"All/$rel\"; "
	                     "[ -f \"$src\" ] || src=\"Linux/$rel\"; mkdir -p \"$(dirname '" + dest + "'\"$rel\")\" && "
	                     "cp \"$src\" '" + dest + "'\"$rel\" || exit 1; done < '" + set + "manifest.txt'").c_str()));
	if (!hold(held)) GTEST_SKIP() << "this file system takes no leases";

	click(whole, 250, 303);	// I agree
	next();
	// the kernel breaks a lease after /proc/sys/fs/lease-break-time (45 s by
	// default): what needs the scan held waits far less
	bool drawn = wait_log("Wizard screen: Select Scenery", 20);
	const int quit_x = 60, quit_y = 23;
	pixels dark, lit, dark_again, line;
	if (drawn) {
		keys("");	// the pointer away from the buttons
		dark = grab(whole, quit_x - 30, quit_y - 10, 60, 20);
		system(("timeout 10 xdotool mousemove --window " + window + " " + std::to_string(quit_x) + " " +
		        std::to_string(600 - quit_y)).c_str());
		for (int i = 0; i < 50 && differing(dark, lit = grab(whole, quit_x - 30, quit_y - 10, 60, 20)) < 20; ++i)
			pause_ms(100);
		keys("");
		for (int i = 0; i < 50 && differing(dark, dark_again = grab(whole, quit_x - 30, quit_y - 10, 60, 20)) > 0; ++i)
			pause_ms(100);
		line = grab(whole, 240, 110, 300, 20);	// the scan's progress line
	}
	release();

	ASSERT_TRUE(drawn) << "the screen never drew while the scan waited\n" << log();
	EXPECT_GE(differing(dark, lit), 20) << "Quit lit up under the pointer";
	EXPECT_EQ(0, differing(dark, dark_again)) << "and went dark again";
	pixels blank(line.size(), line.empty() ? 0 : line[0]);
	EXPECT_GT(differing(line, blank), 50) << "a progress line is drawn";

	// Next stays off until the scan is done; then the install starts
	bool running = false;
	for (int i = 0; i < 60 && !running; ++i) {
		next();
		running = wait_log("Wizard screen: Installing Vantor", 0.5);
	}
	ASSERT_TRUE(running) << log();
	std::string l = log();
	EXPECT_LT(l.find("Wizard screen: Select Scenery"), l.find(" End of MD5 at ")) << "the screen came before the scan's end";
	EXPECT_LT(l.find(" End of MD5 at "), l.find("Wizard screen: Installing Vantor")) << l;
	// the copy holds every file already
	ASSERT_TRUE(wait_log("Wizard screen: Finished Installing Vantor", 30)) << log();
	click(whole, 742, 23);	// Quit
	ASSERT_TRUE(wait_exit(20)) << log();
	EXPECT_EQ(0, status);
	expect_whole(dest);
}

// Back at the disc change, then Cancel, forgets the disc in the drive; Next
// starts the install again and finds the first disc by itself.
TEST_F(DiscInstallWindow, InstallStartsAgainAfterCancelAtTheDiscChange)
{
	start_with_discs(false);
	if (IsSkipped() || HasFatalFailure()) return;
	to_select_scenery();
	if (HasFatalFailure()) return;
	click_cell(10, 13);
	next();
	ASSERT_TRUE(wait_log("Wizard screen: Installing Vantor - Please Change DVDs", 30)) << log();
	click(whole, 595, 23);	// Back
	ASSERT_TRUE(wait_log("Prompt: Are you sure you want to cancel the installation?", 10)) << log();
	click(whole, 50 + 96, 197 + 56);	// "Cancel" of the 700 by 206 prompt centred in the window
	ASSERT_TRUE(wait_log("Prompt answer: 1", 10)) << log();
	ASSERT_TRUE(wait_log_count("Wizard screen: Select Scenery", 2, 10)) << log();
	pause_ms(300);
	next();
	ASSERT_TRUE(wait_log_count("Wizard screen: Installing Vantor - Please Change DVDs", 2, 30)) << log();
	EXPECT_EQ(std::string::npos, log().find("Install error")) << log();
	mount(disc1);
	next();
	ASSERT_TRUE(wait_log("Wizard screen: Finished Installing Vantor", 60)) << log();
	EXPECT_EQ(std::string::npos, log().find("Install error")) << log();
	click(whole, 742, 23);	// Quit
	ASSERT_TRUE(wait_exit(20)) << log();
	EXPECT_EQ(0, status);
	expect_whole(root + "home/Desktop/Vantor 9/");
}

// An archive of the first disc, early in the copy's order.
static const char* const kHeldArchive = "Vantor 9/All/Aircraft/Glider ASK/liveries/livery_5.png.zip";

// The first disc leaves the drive while the copy thread is on one of its
// archives (held there by a lease the test keeps on it) and comes back: the
// run asks for it once, in the words of a disc taken out, and copies the rest
// with no error and nothing skipped; then it asks for the second disc as ever.
TEST_F(DiscInstallWindow, ADiscTakenOutDuringTheCopyIsAskedForOnceAndNothingIsSkipped)
{
	start_with_discs(false);
	if (IsSkipped() || HasFatalFailure()) return;
	if (!hold(disc0 + kHeldArchive)) GTEST_SKIP() << "this file system takes no leases";
	to_select_scenery();
	if (HasFatalFailure()) return;
	click_cell(10, 13);
	next();
	// the copy thread waits on the held archive: the disc goes meanwhile
	const bool waiting = wait_held(30);
	const std::string out = set + "out/disk_0.out/";
	if (waiting) {
		ASSERT_EQ(0, rename(disc0.c_str(), out.substr(0, out.size() - 1).c_str()));	// taken out
		std::ofstream(table, std::ios::trunc).close();
	}
	release();
	ASSERT_TRUE(waiting) << "the copy never reached the held archive\n" << log();

	ASSERT_TRUE(wait_log("Wizard screen: Installing Vantor - Please Change DVDs", 30)) << log();
	EXPECT_NE(std::string::npos, log().find("The disc left the drive during the copy: asking for it again.")) << log();
	pause_ms(300);
	const pixels asked = grab(whole, 220, 430, 560, 25);	// the body's line
	ASSERT_EQ(0, rename(out.substr(0, out.size() - 1).c_str(), disc0.substr(0, disc0.size() - 1).c_str()));
	mount(disc0);
	next();
	ASSERT_TRUE(wait_log_count("Wizard screen: Installing Vantor - Please Change DVDs", 2, 30)) << log();
	pause_ms(300);
	EXPECT_GT(differing(asked, grab(whole, 220, 430, 560, 25)), 100) << "the second disc is asked for in other words";
	second_disc_to_quit("Installing Vantor - Please Change DVDs", 2, "Finished Installing Vantor");
	if (HasFatalFailure()) return;

	std::string l = log();
	EXPECT_EQ(2, count_of(l, "Wizard screen: Installing Vantor - Please Change DVDs")) << "asked once for each";
	EXPECT_EQ(std::string::npos, l.find("Install error")) << l;
	EXPECT_EQ(std::string::npos, l.find("Prompt: ")) << l;
	expect_whole(root + "home/Desktop/Vantor 9/");
}

// A new install killed while it copies: the next start knows the copy is
// unfinished and offers first to finish it, with the scenery chosen then; the
// finished copy is whole and counts as installed, and once the program has
// quit the temporary folder holds nothing of either run.
TEST_F(DiscInstallWindow, AKilledNewInstallIsOfferedToBeFinishedWithItsScenery)
{
	start_with_discs(false);
	if (IsSkipped() || HasFatalFailure()) return;
	if (!hold(disc0 + kHeldArchive)) GTEST_SKIP() << "this file system takes no leases";
	to_select_scenery();
	if (HasFatalFailure()) return;
	const pixels off = cell_pixels(10, 13);
	click_cell(10, 13);	// the tile of 75 W, 45 N
	next();
	const bool waiting = wait_held(30);
	const pid_t first = pid;
	if (waiting) {
		kill(first, SIGKILL);	// mid-copy
		waitpid(first, nullptr, 0);
		pid = -1;
	}
	release();
	ASSERT_TRUE(waiting) << "the copy never reached the held archive\n" << log();
	const std::string tmp = root + "tmp/", dead_run = "vantor-run-" + std::to_string(first) + "-";
	ASSERT_NE("", first_word("find '" + tmp + "' -path '*/" + dead_run + "*/*' | head -1")) << "the killed run left its folder";

	start("vantor-dvd-installer", {"--fps_test", "--lang=en"});
	if (HasFatalFailure()) return;
	ASSERT_TRUE(wait_log("Read the disc " + disc0 + " (Vantor 9): ", 20)) << log();
	EXPECT_EQ("", first_word("find '" + tmp + "' -name '" + dead_run + "*'")) << "the dead run's folder is swept";
	pause_ms(500);
	const std::string dest = root + "home/Desktop/Vantor 9/";
	click(whole, 500, 352);	// the first choice: Finish Installing Vantor
	ASSERT_TRUE(wait_log("Wizard screen: Pick Install Destination for Vantor 9.", 10)) << log();
	next();	// the unfinished copy is chosen
	ASSERT_TRUE(wait_log("Wizard screen: License", 10)) << log();
	click(whole, 250, 303);	// I agree
	next();
	ASSERT_TRUE(wait_log("Wizard screen: Select Scenery", 10)) << log();
	pause_ms(1500);
	EXPECT_GT(differing(off, cell_pixels(10, 13)), 50) << "the tile chosen then is chosen";
	next();
	second_disc_to_quit("Installing Vantor - Please Change DVDs", 1, "Finished Installing Vantor");
	if (HasFatalFailure()) return;

	expect_whole(dest);
	EXPECT_EQ(md5_file(set + "master/All/Global Scenery/-global terrain-/+40-080/+45-075.dsf"),
	          md5_file(dest + "Global Scenery/-global terrain-/+40-080/+45-075.dsf"));
	EXPECT_FALSE(exists(dest + ".vantor_install_unfinished")) << "finished";
	EXPECT_EQ(std::string::npos, log().find("Install error")) << log();
	EXPECT_EQ("", first_word("find '" + tmp + "' -mindepth 2 | head -1")) << "nothing of either run is left";
}
