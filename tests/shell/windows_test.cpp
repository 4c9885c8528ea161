// Window ids: sizes, titles, centring and close boxes.
#include "MACIBM_mnw.h"
#include "MACIBM_shell.h"
#include "keys.h"
#include <gtest/gtest.h>

static void screen(int w, int h)
{
	mnw.screen_w = w;
	mnw.screen_h = h;
	mnw.pix_scale = 1;
}

TEST(Windows, DialogsHaveFixedSizesAndTitles)
{
	screen(800, 600);
	MACIBM_startwind(2, 0);
	EXPECT_EQ(mnw.dialog, 1);
	EXPECT_EQ(mnw.wind_w, 700);
	EXPECT_EQ(mnw.wind_h, 380);
	EXPECT_EQ(stls.window_title, "Prefs");
	EXPECT_EQ(mnw.origin_x, 50);
	EXPECT_EQ(mnw.origin_y, 110);
	EXPECT_EQ(mnw.current_window, 2);
	EXPECT_EQ(mnw.start_window, 2);
	EXPECT_EQ(mnw.open_menu, -1);

	mnw.wheel = 5;
	mnw.mouse_held = 1;
	MACIBM_startwind(0, 0);
	EXPECT_EQ(mnw.dialog, 0);
	EXPECT_EQ(mnw.wind_w, 800);
	EXPECT_EQ(mnw.origin_x, 0);
	EXPECT_EQ(mnw.origin_y, 0);
	EXPECT_EQ(mnw.wheel, 0);
	EXPECT_EQ(mnw.mouse_held, 0);

	MACIBM_startwind(1234, 0);	// unlisted: the full window
	EXPECT_EQ(mnw.dialog, 0);
	EXPECT_EQ(mnw.wind_h, 600);
}

TEST(Windows, DisplayPairCentresOnTheLeftHalf)
{
	screen(2560, 1024);
	MACIBM_startwind(994, 0);
	EXPECT_EQ(mnw.origin_x, 430);	// (1280 - 420) / 2
	EXPECT_EQ(mnw.origin_y, 387);
	EXPECT_EQ(MACIBM_centre(801, 500, 1), 151);	// 150.5 rounds away from zero
	EXPECT_EQ(MACIBM_centre(300, 500, 1), 0);	// never off the left edge
}

TEST(Windows, CloseBoxesCloseSomeDialogs)
{
	screen(800, 600);
	MACIBM_startwind(2, 0);
	mnw.mouse_x = 5;
	mnw.mouse_y = mnw.wind_h - 5;
	return_hit = 1;
	MACIBM_handleclick(0);
	EXPECT_EQ(mnw.current_window, 0);
	EXPECT_EQ(return_hit, 0);

	MACIBM_startwind(2, 0);
	mnw.mouse_x = mnw.wind_w - 10;	// the right-hand corner too
	MACIBM_handleclick(0);
	EXPECT_EQ(mnw.current_window, 0);

	MACIBM_startwind(2, 0);
	mnw.mouse_x = 100;
	MACIBM_handleclick(0);
	EXPECT_EQ(mnw.current_window, 2);
	MACIBM_handleclick(1);	// forced
	EXPECT_EQ(mnw.current_window, 0);

	MACIBM_startwind(994, 0);
	mnw.mouse_x = 5;
	mnw.mouse_y = mnw.wind_h - 5;
	MACIBM_handleclick(0);
	EXPECT_EQ(mnw.current_window, 994);	// the alert closes by its button only
}

TEST(Windows, MousePositionInLogicalUnits)
{
	screen(800, 600);
	MACIBM_startwind(994, 0);
	MACIBM_load_mxy(0, 200, 100);
	EXPECT_EQ(mnw.mouse_x, 200 - mnw.origin_x);
	EXPECT_EQ(mnw.mouse_y, 500 - mnw.origin_y);	// y grows upwards
	EXPECT_EQ(mnw.mouse_window, 994);
}
