#include "files_support.h"
#include "opensave.h"
#include "UTL_cmdline.h"

TEST(Listing, SortedByNameWithKindsAndFilters)
{
	scratch_dir d;
	sh("cd '" + d.path + "' && touch b.txt C.bmp .hidden && mkdir A.acf plain");
	symlink("plain", (d.path + "link").c_str());
	std::vector<std::string> names;
	std::vector<int> kinds;
	ASSERT_EQ(opensave_getitems(d.path, 0, names, kinds), 5);
	EXPECT_EQ(names, (std::vector<std::string>{"A.acf", "b.txt", "C.bmp", "link", "plain"}));
	EXPECT_EQ(kinds, (std::vector<int>{kind_acf, kind_txt, kind_image, kind_any, kind_folder}));
	ASSERT_EQ(opensave_getitems(d.path, kind_txt, names, kinds), 2);
	EXPECT_EQ(names, (std::vector<std::string>{"b.txt", "plain"}));
	EXPECT_EQ(opensave_getitems(d.path, kind_cmnd_list, names, kinds), 0);
	ASSERT_EQ(opensave_getitems("sim/", kind_cmnd_path, names, kinds), 2);
	EXPECT_EQ(names, (std::vector<std::string>{"none", "operation"}));
	EXPECT_EQ(kinds, (std::vector<int>{kind_folder, kind_folder}));
	EXPECT_EQ(opensave_getitems(d.path + "missing/", 0, names, kinds), 0);
	EXPECT_TRUE(names.empty());
}

TEST(Listing, PanelFilterDropsVariantsAndThePanelFolder)
{
	int kind = 0;
	EXPECT_EQ(opensave_takeit("a/", "panel.png", kind_panel, kind), 1);
	kind = 0;
	EXPECT_EQ(opensave_takeit("a/", "panel-2.png", kind_panel, kind), 0);
	kind = 0;
	EXPECT_EQ(opensave_takeit("Resources/bitmaps/cockpit/-panels-/", "x.png", kind_panel, kind), 0);
	kind = 0;
	EXPECT_EQ(opensave_takeit("a/", "x.wav", kind_panel, kind), 0);
}

TEST(ListingDeath, FolderWithoutFinalSlashIsFatal)
{
	UTL_cmdline::add_one("--fps_test", "");
	std::vector<std::string> names;
	std::vector<int> kinds;
	EXPECT_EXIT(opensave_getitems("/tmp", 0, names, kinds), ::testing::ExitedWithCode(1), "");
	EXPECT_EQ(opensave_getitems("/", 0, names, kinds) >= 0, true);
	EXPECT_EQ(opensave_getitems("", 0, names, kinds) >= 0, true);
}

// A stand-in chooser on PATH: it records its arguments and answers as told.
static std::string fake_zenity(const scratch_dir& d, const std::string& answer, int status)
{
	std::string bin = d.path + "bin/";
	sh("mkdir -p '" + bin + "'");
	write_file(bin + "zenity", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + d.path + "zenity_args'\nprintf '%s\\n' '" + answer +
	                               "'\nexit " + std::to_string(status) + "\n");
	chmod((bin + "zenity").c_str(), 0755);
	return bin;
}

TEST(FolderChooser, ConfirmedCancelledAndMissingChooser)
{
	scratch_dir d;
	std::string old_path = getenv("PATH") ? getenv("PATH") : "";
	std::string bin = fake_zenity(d, "/home/me/Sims/", 0);
	setenv("PATH", (bin + ":" + old_path).c_str(), 1);
	std::string result = "/start";
	EXPECT_EQ(GetFilePathFromUser(2, "Pick a folder", "Select", 1, result, result), 1);
	EXPECT_EQ(result, "/home/me/Sims");
	std::string args = read_file(d.path + "zenity_args");
	EXPECT_NE(args.find("--directory"), std::string::npos);
	EXPECT_NE(args.find("--filename=/start/"), std::string::npos);
	EXPECT_NE(args.find("Pick a folder"), std::string::npos);

	fake_zenity(d, "/", 0);
	EXPECT_EQ(GetFilePathFromUser(2, "m", "Select", 1, result, result), 1);
	EXPECT_EQ(result, "/");

	fake_zenity(d, "", 1);
	result = "/kept";
	EXPECT_EQ(GetFilePathFromUser(2, "m", "Select", 1, result, result), 0);
	EXPECT_EQ(result, "/kept");

	setenv("PATH", (d.path + "empty_bin").c_str(), 1);
	EXPECT_EQ(GetFilePathFromUser(2, "m", "Select", 1, result, result), 0);
	EXPECT_EQ(result, "/kept");
	setenv("PATH", old_path.c_str(), 1);
}
