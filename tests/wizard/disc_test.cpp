// Finding the product disc and moving the installer off it.
#include "main_disc.h"
#include "main_globals.h"
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

struct Disc : ::testing::Test {
	fs::path root;
	void SetUp() override
	{
		root = fs::temp_directory_path() / ("vantor_disc_" + std::to_string(getpid()) + "_" +
		                                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
		fs::remove_all(root);
		fs::create_directories(root);
	}
	void TearDown() override { fs::remove_all(root); }
	static void touch(const fs::path& p) { std::ofstream(p) << "x\n"; }
};

TEST_F(Disc, FindsTheVolumeHoldingTheMarker)
{
	fs::create_directories(root / "plain");
	fs::create_directories(root / "Vantor DVD 1");
	touch(root / "Vantor DVD 1" / "dvd_version.txt");
	std::string escaped = (root / "Vantor DVD 1").string();
	for (size_t p; (p = escaped.find(' ')) != std::string::npos;) escaped.replace(p, 1, "\\040");
	std::ofstream(root / "mounts") << "proc /proc proc rw 0 0\n"
	                               << "/dev/sda1 " << (root / "plain").string() << " ext4 rw 0 0\n"
	                               << "/dev/sr0 " << escaped << " iso9660 ro 0 0\n";
	EXPECT_EQ(dvd_find_disc((root / "mounts").string()), (root / "Vantor DVD 1").string() + "/");
	std::ofstream(root / "none") << "/dev/sda1 " << (root / "plain").string() << " ext4 rw 0 0\n";
	EXPECT_EQ(dvd_find_disc((root / "none").string()), "");
	EXPECT_EQ(dvd_find_disc((root / "missing").string()), "");
}

TEST_F(Disc, OnlyTheWholeDiscPathCounts)
{
	const std::string tmp = "/tmp/";
	EXPECT_EQ(dvd_runs_from_disc("/media/cdrom/Vantor Installer", "/media/cdrom/", tmp), 1);
	EXPECT_EQ(dvd_runs_from_disc("/media/cdrom/Vantor Installer", "/media/cdrom", tmp), 1);
	// a shorter path that merely begins the same, or a disc path the program's path begins
	EXPECT_EQ(dvd_runs_from_disc("/media/cdrom2/Vantor Installer", "/media/cdrom/", tmp), 0);
	EXPECT_EQ(dvd_runs_from_disc("/media/", "/media/cdrom/", tmp), 0);
	EXPECT_EQ(dvd_runs_from_disc("/opt/Vantor Installer", "/", tmp), 0);
	EXPECT_EQ(dvd_runs_from_disc("/opt/Vantor Installer", "", tmp), 0);
	// never from the temporary folder, even when the disc lies under it
	EXPECT_EQ(dvd_runs_from_disc("/tmp/disc/Vantor Installer", "/tmp/disc/", tmp), 0);
}

TEST_F(Disc, CopiesThenStartsTheCopyOrCarriesOn)
{
	fs::create_directories(root / "disc" / "Vantor Installer" / "Resources");
	touch(root / "disc" / "Vantor Installer" / "Resources" / "a.txt");
	fs::create_directories(root / "tmp" / "run");
	const std::string bundle = (root / "disc" / "Vantor Installer").string();
	const std::string disc = (root / "disc").string() + "/";
	const std::string tmp = (root / "tmp").string() + "/", into = tmp + "run/";

	std::string launched;
	auto real_copy = [](const std::string& from, const std::string& to) {
		std::error_code ec;
		fs::copy(from, to, fs::copy_options::recursive, ec);
		return ec ? ec.value() : 0;
	};
	auto launch = [&](const std::string& app) { launched = app; return 0; };
	EXPECT_EQ(dvd_move_off_disc(bundle, disc, tmp, into, real_copy, launch), 0);
	EXPECT_EQ(launched, into + "Vantor Installer");
	EXPECT_TRUE(fs::exists(root / "tmp" / "run" / "Vantor Installer" / "Resources" / "a.txt"));

	// a failed copy is never started: this process runs on from the disc
	launched.clear();
	auto failing_copy = [](const std::string&, const std::string&) { return 28; };
	EXPECT_EQ(dvd_move_off_disc(bundle, disc, tmp, into, failing_copy, launch), 0);
	EXPECT_EQ(launched, "");

	// not on the disc, or no folder to copy into: nothing copied
	int copies = 0;
	auto count_copy = [&](const std::string&, const std::string&) { ++copies; return 0; };
	dvd_move_off_disc("/opt/Vantor Installer", disc, tmp, into, count_copy, launch);
	dvd_move_off_disc(bundle, disc, tmp, "", count_copy, launch);
	EXPECT_EQ(copies, 0);
}

TEST_F(Disc, AProgramFileGoesWithItsResourcesIntoAFolderOfItsOwn)
{
	fs::create_directories(root / "disc" / "Resources");
	touch(root / "disc" / "Resources" / "map.png");
	touch(root / "disc" / "vantor-dvd-installer");
	fs::create_directories(root / "tmp" / "run");
	const std::string tmp = (root / "tmp").string() + "/", into = tmp + "run/";
	std::string launched;
	auto real_copy = [](const std::string& from, const std::string& to) {
		std::error_code ec;
		fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
		return ec ? ec.value() : 0;
	};
	auto launch = [&](const std::string& app) { launched = app; return 0; };
	for (int run = 0; run < 2; ++run) {	// a copy already there is written over
		launched.clear();
		EXPECT_EQ(dvd_move_off_disc((root / "disc" / "vantor-dvd-installer").string(), (root / "disc").string(), tmp,
		                            into, real_copy, launch),
		          0);
		EXPECT_EQ(launched, into + "vantor-dvd-installer/vantor-dvd-installer");
		EXPECT_TRUE(fs::is_regular_file(root / "tmp" / "run" / "vantor-dvd-installer" / "Resources" / "map.png"));
	}
	// the resources could not be copied: the program runs on from the disc
	launched.clear();
	int calls = 0;
	auto second_fails = [&](const std::string&, const std::string&) { return ++calls == 2 ? 28 : 0; };
	dvd_move_off_disc((root / "disc" / "vantor-dvd-installer").string(), (root / "disc").string(), tmp, into,
	                  second_fails, launch);
	EXPECT_EQ(launched, "");
}

TEST(MainArgs, PathOptionExactlyAsFirstArgument)
{
	const char* a1[] = {"prog", "-path", "/home/u/Vantor/"};
	EXPECT_EQ(main_cmd_line_path(3, a1), "/home/u/Vantor/");
	const char* a2[] = {"prog", "-path"};
	EXPECT_EQ(main_cmd_line_path(2, a2), "");
	const char* a3[] = {"prog", "-pathx", "/x"};
	EXPECT_EQ(main_cmd_line_path(3, a3), "");
	const char* a4[] = {"prog", "-PATH", "/x"};
	EXPECT_EQ(main_cmd_line_path(3, a4), "");
	const char* a5[] = {"prog", "--fps_test", "-path", "/x"};
	EXPECT_EQ(main_cmd_line_path(4, a5), "");
}

TEST(MainArgs, ElementsImageOfTheLanguage)
{
	EXPECT_EQ(main_elements_image(0), "RESOURCE:elements_English.png");
	EXPECT_EQ(main_elements_image(4), "RESOURCE:elements_Italian.png");
	EXPECT_EQ(main_elements_image(5), "RESOURCE:elements_Spanish.png");
	EXPECT_EQ(main_elements_image(9), "RESOURCE:elements_English.png");
	EXPECT_EQ(main_elements_image(-1), "RESOURCE:elements_English.png");
}
