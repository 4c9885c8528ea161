// The scenery flow in a real window: tiles clicked and dragged on the world
// map are installed from the second disc, taken off again, and swapped with
// the select-none button, on an installed copy of the builder-made disc set.
#include "dvd_window.h"

struct SceneryWindow : DiscInstallWindow {
	std::string tile(const std::string& folder, const std::string& name)
	{
		return "Global Scenery/-global terrain-/" + folder + "/" + name + ".dsf";
	}
	std::string on_master(const std::string& rel) { return md5_file(set + "master/All/" + rel); }

	// From the start screen (shown for the n-th time) to the map of the copy.
	void open_map(int n)
	{
		ASSERT_TRUE(wait_log_count("Wizard screen: Vantor 9 Installer", n, 10)) << log();
		pause_ms(300);
		click(whole, 500, 327);	// the second choice: Add Or Remove Scenery
		ASSERT_TRUE(wait_log_count("Wizard screen: Select Vantor 9 to Add or Remove Scenery", n, 10)) << log();
		next();
		ASSERT_TRUE(wait_log_count("Wizard screen: Scanning Vantor 9 for Installed Scenery", n, 10)) << log();
		ASSERT_TRUE(wait_log_count("Wizard screen: Select Scenery", n, 20)) << log();
		pause_ms(300);
	}
	// Every tile file of the copy, by its name.
	int tile_files()
	{
		return (int)std::stoi(first_word("find '" + copy + "Global Scenery' -name '*.dsf' 2>/dev/null | wc -l"));
	}
};

TEST_F(SceneryWindow, TilesChosenOnTheMapArriveAndTilesTakenOffGo)
{
	start_with_discs(true);
	if (IsSkipped() || HasFatalFailure()) return;
	const std::string a = tile("+40-080", "+45-075"), b = tile("+40-070", "+45-065"), c = tile("-40+140", "-35+145");

	// 1. a click on 75 W 45 N, a drag from 65 W 45 N to 145 E 35 S
	open_map(1);
	if (HasFatalFailure()) return;
	pixels off = cell_pixels(10, 13);
	click_cell(10, 13);
	drag_cells(11, 13, 32, 5);
	pause_ms(200);
	EXPECT_GT(differing(off, cell_pixels(10, 13)), 50) << "a chosen tile looks chosen";
	next();
	ASSERT_TRUE(wait_log("Wizard screen: Installing New Scenery", 10)) << log();
	ASSERT_TRUE(wait_log("Wizard screen: Installing Scenery - Please change DVDs", 20)) << log();
	mount(disc1);
	next();
	ASSERT_TRUE(wait_log("Disc 2 is at " + disc1 + ".", 10)) << log();
	ASSERT_TRUE(wait_log_count("Wizard screen: Finished With Add/Remove Scenery", 1, 30)) << log();
	for (const std::string& t : {a, b, c}) EXPECT_EQ(on_master(t), md5_file(copy + t)) << t;
	EXPECT_EQ(3, tile_files()) << "the tiles swept without scenery bring nothing";

	// 2. a drag from a chosen tile takes it and its neighbour off
	mount(disc0, disc1);
	back_from_done();
	open_map(2);
	if (HasFatalFailure()) return;
	drag_cells(10, 13, 11, 13);
	next();
	ASSERT_TRUE(wait_log_count("Wizard screen: Finished With Add/Remove Scenery", 2, 30)) << log();
	EXPECT_FALSE(exists(copy + a));
	EXPECT_FALSE(exists(copy + b));
	EXPECT_EQ(on_master(c), md5_file(copy + c));

	// 3. select none, then one tile again: one arrives and one goes
	back_from_done();
	open_map(3);
	if (HasFatalFailure()) return;
	pixels on = cell_pixels(32, 5);
	click(whole, 704, 133);	// Select None
	pause_ms(200);
	EXPECT_GT(differing(on, cell_pixels(32, 5)), 50) << "the tile is drawn as not chosen";
	click_cell(10, 13);
	next();
	ASSERT_TRUE(wait_log_count("Wizard screen: Finished With Add/Remove Scenery", 3, 30)) << log();
	EXPECT_EQ(on_master(a), md5_file(copy + a));
	EXPECT_FALSE(exists(copy + c));
	EXPECT_EQ(1, tile_files());

	click(whole, 742, 23);	// Quit
	ASSERT_TRUE(wait_exit(20)) << log();
	EXPECT_EQ(0, status);
	std::string l = log();
	EXPECT_EQ(std::string::npos, l.find("install error")) << l;
	expect_whole(copy);
}

TEST_F(SceneryWindow, ADamagedTileArchiveIsPutToTheUserAndStopEndsTheRunWithErrors)
{
	start_with_discs(true);
	if (IsSkipped() || HasFatalFailure()) return;
	const std::string b = tile("+40-070", "+45-065");
	std::ofstream(disc1 + "Vantor 9/All/" + b + ".7z", std::ios::trunc) << "not an archive";
	mount(disc0, disc1);
	open_map(1);
	if (HasFatalFailure()) return;
	click_cell(11, 13);
	next();
	ASSERT_TRUE(wait_log("Prompt: There was a problem installing scenery:", 20)) << log();
	EXPECT_NE(std::string::npos, log().find("Scenery install error ")) << log();
	// Stop, the first button of the 700 by 206 prompt centred in the window
	click(whole, 50 + 96, 197 + 56);
	ASSERT_TRUE(wait_log("Prompt answer: 1", 10)) << log();
	ASSERT_TRUE(wait_log("Wizard screen: Finished With Add/Remove Scenery", 10)) << log();
	EXPECT_FALSE(exists(copy + b));
	click(whole, 742, 23);	// Quit
	ASSERT_TRUE(wait_exit(20)) << log();
	EXPECT_EQ(0, status);
	expect_whole(copy);
}
