// Where the help balloon goes: its height follows the text, and it stays on
// the screen whichever window is current.
#include "MACIBM_mnw.h"
#include "MACIBM_shell.h"
#include <gtest/gtest.h>

static void mouse(float x, float y)
{
	mnw.mouse_x = x;
	mnw.mouse_y = y;
}

TEST(HelpBalloon, HeightGrowsTenUnitsPerFiftyBytesWithinLimits)
{
	mnw.screen_w = 800;
	mnw.screen_h = 600;
	mnw.origin_x = mnw.origin_y = 0;
	mouse(500, 100);
	float x, y, h;
	MACIBM_help_box(10, &x, &y, &h);
	EXPECT_EQ(h, 60);	// 20 raised to the least
	MACIBM_help_box(499, &x, &y, &h);
	EXPECT_EQ(h, 110);	// 9 x 10 + 20: whole fifties only
	MACIBM_help_box(500, &x, &y, &h);
	EXPECT_EQ(h, 120);
	MACIBM_help_box(100000, &x, &y, &h);
	EXPECT_EQ(h, 300);
}

TEST(HelpBalloon, SitsAboveAndLeftOfTheMouseInsideTheScreen)
{
	mnw.screen_w = 800;
	mnw.screen_h = 600;
	mnw.origin_x = mnw.origin_y = 0;
	float x, y, h;
	mouse(500, 100);
	MACIBM_help_box(10, &x, &y, &h);
	EXPECT_EQ(x, 85);
	EXPECT_EQ(y, 115);
	mouse(100, 590);	// near the top-left corner
	MACIBM_help_box(10, &x, &y, &h);
	EXPECT_EQ(x, 10);
	EXPECT_EQ(y, 600 - 20 - 60);
	mouse(2000, -50);	// beyond the right and lower edges
	MACIBM_help_box(10, &x, &y, &h);
	EXPECT_EQ(x, 800 - 10 - 400);
	EXPECT_EQ(y, 10);

	// in a dialog the screen's edges are given in the dialog's units
	mnw.origin_x = 190;
	mnw.origin_y = 175;
	mouse(0, 0);
	MACIBM_help_box(10, &x, &y, &h);
	EXPECT_EQ(x, -180);
	EXPECT_EQ(y, 15);
	mouse(1000, 1000);
	MACIBM_help_box(10, &x, &y, &h);
	EXPECT_EQ(x + 190 + 400, 790);	// the box's right edge 10 from the screen's
	EXPECT_EQ(y + 175 + 60, 580);

	// a screen too small for the box keeps it at the left and lower margins
	mnw.screen_w = 300;
	mnw.screen_h = 50;
	mnw.origin_x = mnw.origin_y = 0;
	mouse(200, 40);
	MACIBM_help_box(10, &x, &y, &h);
	EXPECT_EQ(x, 10);
	EXPECT_EQ(y, 10);
}
