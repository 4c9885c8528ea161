// The disc installer in a real window with a two-disc set made by the builder:
// a new install, and a repair of a damaged copy; each asks for the second
// disc, and the test answers by "mounting" it.
#include "../engine/engine_support.h"
#include "../support/window_program.h"
#include "dvd_support.h"
#include <sys/stat.h>

struct DiscInstallWindow : window_program {
	dialog_box whole{800, 600};
	std::string table, set, disc0, disc1, copy;

	void mount(const std::string& folder)
	{
		std::ofstream(table, std::ios::trunc) << "/dev/sr0 " << folder << " iso9660 ro 0 0\n";
	}
	void next() { click(whole, 720, 23); }

	// The disc set (and with `with_copy` an installed, registered copy of it),
	// the first disc in the drive, and the installer started.
	void start_with_discs(bool with_copy)
	{
		set_up("dvd_window");
		if (IsSkipped() || HasFatalFailure()) return;
		if (with_copy) copy = root + "copy/";
		set = root + "set/", disc0 = set + "out/disk_0/", disc1 = set + "out/disk_1/";
		ASSERT_EQ(0, system(("bash '" VANTOR_SOURCE_DIR "/tests/dvd/make_discs.sh' '" + set + "' '" VANTOR_BINARY_DIR
		                     "' '" + copy + "' >'" + root + "make.log' 2>&1 && mkdir -p '" + root + "home/Desktop' '" +
		                     root + "tmp'")
		                        .c_str()));
		table = root + "mounts";
		mount(disc0);
		setenv("VANTOR_MOUNT_TABLE", table.c_str(), 1);
		setenv("TMPDIR", (root + "tmp").c_str(), 1);
		if (with_copy) std::ofstream(root + "config/vantor_install.txt") << copy << "\n";
		start("vantor-dvd-installer", {"--fps_test", "--lang=en"});
		if (HasFatalFailure()) return;
		ASSERT_TRUE(wait_log("Wizard screen: Vantor 9 Installer", 20)) << log();
		ASSERT_TRUE(wait_log("Read the disc " + disc0 + " (Vantor 9): ", 10)) << log();
	}
	// Every file of the manifest in `folder` with its signature.
	void expect_whole(const std::string& folder)
	{
		int files = 0;
		for (const auto& [rel, md5] : disc_manifest(set + "manifest.txt")) {
			EXPECT_EQ(md5, md5_file(folder + rel)) << rel;
			++files;
		}
		EXPECT_GT(files, 300);
	}
};

TEST_F(DiscInstallWindow, NewInstallAsksForTheSecondDisc)
{
	start_with_discs(false);
	if (IsSkipped() || HasFatalFailure()) return;
	next();
	ASSERT_TRUE(wait_log("Wizard screen: Pick Install Destination for Vantor 9.", 10)) << log();
	next();
	ASSERT_TRUE(wait_log("Wizard screen: License", 10)) << log();
	click(whole, 250, 303);	// I agree
	next();
	ASSERT_TRUE(wait_log("Wizard screen: Select Scenery", 10)) << log();
	next();
	ASSERT_TRUE(wait_log("Wizard screen: Installing Vantor - Please Change DVDs", 30)) << log();
	EXPECT_NE(std::string::npos, log().find(disc0 + " is not on an optical drive; it is not ejected.")) << log();
	next();	// still the first disc: asked again
	ASSERT_TRUE(wait_log("Wizard screen: Installing Vantor - Checking DVD...", 10)) << log();
	pause_ms(500);
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
	click(whole, 500, 327);	// the second choice: Repair Vantor
	ASSERT_TRUE(wait_log("Wizard screen: Repair Vantor 9", 10)) << log();
	next();
	ASSERT_TRUE(wait_log("Wizard screen: Confirm Repairs", 20)) << log();
	next();
	// the engine asks before it overwrites a changed file: the 750 by 146
	// window centred in the 800 by 600 one, its origin at (25, 227)
	ASSERT_TRUE(wait_log("Prompt: I am about to install: " + copy + damaged + "\n", 10)) << log();
	click(whole, 25 + 108, 227 + 53);	// OVERWRITE THE OLD FILE
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
