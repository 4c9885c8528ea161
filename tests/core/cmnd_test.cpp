#include <gtest/gtest.h>
#include "UTL_cmnd.h"
#include "UTL_clock.h"
#include "UTL_alert.h"

TEST(Cmnd, BuiltInsAndLookup)
{
	cmnd_class c;
	ASSERT_EQ(c.cmnd_paths.size(), 2u);
	EXPECT_EQ(c.cmnd_ids[0], "cmnd_nothing");
	EXPECT_EQ(c.cmnd_types[0], 3);
	EXPECT_EQ(c.cmnd_types[1], 2);
	EXPECT_EQ(c.cmnd_descs[1], "Quit the simulation.");
	EXPECT_EQ(c.get_cmnd_by_name("sim/operation/quit"), 1);
	EXPECT_EQ(c.get_cmnd_by_name("SIM/operation/quit"), 0);
	EXPECT_EQ(c.get_cmnd_by_name("no/such"), 0);
	EXPECT_EQ(c.add_cmd("sim/operation/quit", "again"), 2);	// no check for doubles
	EXPECT_EQ(c.cmnd_ids[2], "DYNAMIC");
	EXPECT_EQ(c.get_cmnd_by_name("sim/operation/quit"), 1);	// the first one
	EXPECT_EQ(c.add_cmd("a/b", "b"), 3);
	c.alias_cmd("a/b", 1);
	EXPECT_EQ(c.get_cmnd_by_name("a/b"), 1);	// an alias comes before the paths
	c.alias_cmd("a/b", 0);
	EXPECT_EQ(c.get_cmnd_by_name("a/b"), 0);
	EXPECT_EQ(default_commands[1].key, 0);
}

TEST(Cmnd, PathLevelsFilterAndCompletion)
{
	cmnd_class c;
	std::vector<std::string> out = {"stale"};
	c.get_cmds_in_path("sim/", out);
	EXPECT_EQ(out, (std::vector<std::string>{"none/", "operation/"}));
	c.get_cmds_in_path("sim/operation/", out);
	EXPECT_EQ(out, (std::vector<std::string>{"quit"}));
	c.get_cmds_in_path("", out);
	EXPECT_EQ(out, (std::vector<std::string>{"sim/"}));
	c.get_cmds_in_path("sim", out);
	EXPECT_EQ(out, (std::vector<std::string>{"/"}));
	c.get_cmds_in_path("sim/operation/quit", out);	// not longer than the prefix
	EXPECT_TRUE(out.empty());

	c.get_cmnds_by_filter("QUIT sim", out);
	EXPECT_EQ(out, (std::vector<std::string>{"sim/operation/quit"}));
	c.get_cmnds_by_filter("  \t", out);
	EXPECT_EQ(out.size(), 2u);
	c.get_cmnds_by_filter("sim/operation/quit/and/more", out);
	EXPECT_TRUE(out.empty());

	std::string t = "sim/o";
	EXPECT_EQ(c.tab_complete_cmnd(t), 1);
	EXPECT_EQ(t, "sim/operation/quit");
	t = "sim/";
	EXPECT_EQ(c.tab_complete_cmnd(t), 1);
	EXPECT_EQ(t, "sim/");
	t = "s";
	EXPECT_EQ(c.tab_complete_cmnd(t), 1);
	EXPECT_EQ(t, "sim/");
	t = "xyz";
	EXPECT_EQ(c.tab_complete_cmnd(t), 0);
	EXPECT_EQ(t, "xyz");
}

TEST(Cmnd, PressesReleasesAndQuit)
{
	cmnd_class c;
	app_done = 0;
	cmnd_duration = 3;
	c.release_one(0);
	EXPECT_EQ(c.press_counts[0], 0);
	EXPECT_EQ(cmnd_duration, 0);
	c.press_one(0);
	c.press_one(0);
	EXPECT_EQ(c.press_counts[0], 2);
	EXPECT_EQ(app_done, 0);
	xtim.prd_frame = 0.25f;
	c.press_always(0);
	c.press_always(0);
	EXPECT_FLOAT_EQ(cmnd_duration, 0.5f);
	c.release_one(0);
	EXPECT_EQ(c.press_counts[0], 1);
	EXPECT_EQ(cmnd_duration, 0);

	c.single_press(1);
	EXPECT_EQ(app_done, 1);
	EXPECT_EQ(c.press_counts[1], 0);
	app_done = 0;
	c.press_one(1);
	EXPECT_EQ(app_done, 1);
	EXPECT_EQ(c.press_counts[1], 1);
	app_done = 0;

	c.set_plane_focus(3);
	EXPECT_EQ(cmnd.get_plane_focus(), 3);	// one focus for the program
	c.set_plane_focus(0);
}
