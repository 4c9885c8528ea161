#include <gtest/gtest.h>
#include "UTL_alert.h"
#include "UTL_clock.h"
#include "UTL_log.h"
#include "MACIBM_mnw.h"
#include "core_support.h"
#include <cmath>
#include <cstring>

static unsigned long long fake_now;
static unsigned long long fake_clock() { return fake_now; }

static int   unfocus_calls;
static float last_pulse = -1;
static void count_unfocus() { ++unfocus_calls; }
static void take_pulse(float level) { last_pulse = level; }

// A clock of its own at time 0, a fresh timer and mouse, the main window current.
class Clock : public ::testing::Test {
protected:
	void SetUp() override
	{
		xtim_clock_source = fake_clock;
		fake_now = 5000000;	// any origin: time counts from the first reading
		xtim_reset_statics();
		xtim = xtim_class();
		memset(&mnw, 0, sizeof(mnw));
		mnw.current_window = 0;
		MACIBM_shell_hooks.unfocus_any = count_unfocus;
		MACIBM_shell_hooks.pulse_colours = take_pulse;
		unfocus_calls = 0;
	}
	void TearDown() override
	{
		MACIBM_shell_hooks.unfocus_any = nullptr;
		MACIBM_shell_hooks.pulse_colours = nullptr;
	}
	void at(double seconds)
	{
		fake_now = 5000000 + (unsigned long long)llround(seconds * 1e6);
		xtim.xtim_update();
	}
	int act_sum()
	{
		return xtim.act_tick01 + xtim.act_tick02 + xtim.act_tick05 + xtim.act_tick1 + xtim.act_tick2 + xtim.act_tick5 +
		       xtim.act_tick10 + xtim.act_tick20 + xtim.act_tick40;
	}
};

TEST_F(Clock, TenSecondFlagFiresOnceAfterTenSeconds)
{
	int fired = 0;
	for (int i = 0; i <= 100; ++i) {
		at(i * 0.1);
		EXPECT_EQ(xtim.act_tick01, 0) << "at " << i * 0.1;
		fired += xtim.act_tick1;
	}
	EXPECT_FLOAT_EQ(xtim.elapsed, 10.0f);
	// the 1 s flag: strictly more than a second each time, so every 1.1 s
	EXPECT_EQ(fired, 9);
	at(10.1);
	EXPECT_EQ(xtim.act_tick01, 1);
	at(10.2);
	EXPECT_EQ(xtim.act_tick01, 0);
	at(20.1);
	EXPECT_EQ(xtim.act_tick01, 0);	// exactly the period does not fire
	at(20.15);
	EXPECT_EQ(xtim.act_tick01, 1);
}

TEST_F(Clock, LongFrameSetsEveryShorterFlagInOneUpdate)
{
	at(0);
	at(0.05);
	at(0.35);
	EXPECT_EQ(xtim.act_tick5, 1);
	EXPECT_EQ(xtim.act_tick10, 1);
	EXPECT_EQ(xtim.act_tick20, 1);
	EXPECT_EQ(xtim.act_tick40, 1);
	EXPECT_EQ(xtim.act_tick2, 0);
	EXPECT_EQ(xtim.act_tick1, 0);
	at(0.351);
	EXPECT_EQ(act_sum(), 0);	// each flag lives for one update only
	// simulated time stands still in the installer: its flags never fire
	for (int i = 0; i < 50; ++i) {
		at(1 + i * 0.5);
		EXPECT_EQ(xtim.sim_tick01 + xtim.sim_tick1 + xtim.sim_tick5 + xtim.sim_tick40, 0);
	}
}

TEST_F(Clock, FramePeriodEstimateMovesSlowlyAndStaysBounded)
{
	at(0);	// the first frame measures nothing and lowers the estimate
	float p0 = xtim.prd_frame;
	EXPECT_FLOAT_EQ(p0, 0.02f * powf(0.5f, 0.25f));
	// ten frames at four times the estimate: it rises by 1.5^0.25 only
	for (int i = 1; i <= 10; ++i) at(i * 4 * 0.02);
	EXPECT_FLOAT_EQ(xtim.time_ratio, 1.5f);
	EXPECT_NEAR(xtim.prd_frame / p0, powf(1.5f, 0.25f), 1e-5);
	EXPECT_EQ(xtim.prd_frame, xtim.prd_frame_2);
	EXPECT_EQ(xtim.prd_sim, xtim.prd_frame);
	// very long frames never report more than 1/19 s
	for (int i = 1; i <= 400; ++i) at(0.8 + i * 1.0);
	EXPECT_FLOAT_EQ(xtim.prd_frame, 0.05263158f);
	// frames far below a millisecond hold at 0.0010000999 s
	double t = 500;
	for (int i = 0; i < 400; ++i) at(t += 0.000001);
	EXPECT_FLOAT_EQ(xtim.prd_frame, 0.0010000999f);
	xtim.sim_speed = 2;
	at(t += 0.000001);
	EXPECT_FLOAT_EQ(xtim.prd_sim, 2 * 0.0010000999f);
}

TEST_F(Clock, AlertWindowFramesAreNotTimed)
{
	for (int i = 0; i <= 20; ++i) at(i * 0.02);
	float p = xtim.prd_frame, r = xtim.time_ratio;
	mnw.current_window = WIND_advise;
	for (int i = 0; i < 50; ++i) at(1 + i * 0.5);
	EXPECT_EQ(xtim.prd_frame, p);
	EXPECT_EQ(xtim.prd_frame_2, p);
	EXPECT_EQ(xtim.time_ratio, r);
	// another dialog has an estimate of its own, starting from 0.02
	mnw.current_window = 2;
	at(30);
	EXPECT_NE(xtim.prd_frame, p);
	mnw.current_window = 0;
	at(30.02);
	EXPECT_EQ(xtim.prd_frame, p);	// the main window's estimate is untouched
}

TEST_F(Clock, ClickGestures)
{
	at(0);
	mnw.click_down = 1;
	at(1.0);
	mnw.click_down = 0;
	EXPECT_EQ(mnw.mouse_held, 1);
	EXPECT_EQ(mnw.double_click, 0);
	EXPECT_EQ(unfocus_calls, 1);
	EXPECT_FLOAT_EQ(mnw.last_press_time, 1.0f);
	at(1.2);
	EXPECT_EQ(mnw.held_quarter, 0);
	at(1.3);
	EXPECT_EQ(mnw.held_quarter, 1);
	EXPECT_EQ(mnw.held_second, 0);
	at(2.1);
	EXPECT_EQ(mnw.held_second, 1);
	mnw.click_up = 1;
	at(2.2);
	mnw.click_up = 0;
	EXPECT_EQ(mnw.mouse_held, 0);
	EXPECT_EQ(mnw.held_quarter, 0);
	EXPECT_EQ(mnw.quick_click, 0);	// released 1.2 s after its press

	// a press 0.3 s after the previous one is a double click (interval 0.5 s)
	mnw.click_down = 1;
	at(3.0);
	mnw.click_down = 0;
	EXPECT_EQ(mnw.double_click, 0);
	mnw.click_down = 1;
	at(3.3);
	mnw.click_down = 0;
	EXPECT_EQ(mnw.double_click, 1);
	at(3.31);
	EXPECT_EQ(mnw.double_click, 0);
	// a release 0.2 s after its press is a quick click, 0.3 s is not
	mnw.click_up = 1;
	at(3.5);
	EXPECT_EQ(mnw.quick_click, 1);
	mnw.click_up = 0;
	mnw.click_down = 1;
	at(5.0);
	mnw.click_down = 0;
	EXPECT_EQ(mnw.double_click, 0);	// 1.7 s after the last press
	mnw.click_up = 1;
	at(5.3);
	mnw.click_up = 0;
	EXPECT_EQ(mnw.quick_click, 0);
	EXPECT_EQ(unfocus_calls, 4);
}

TEST_F(Clock, MovementAndPulse)
{
	at(0);	// time counts from the first update
	mnw.mouse_x = 10;
	mnw.mouse_y = 10;
	at(1);
	EXPECT_FLOAT_EQ(mnw.last_move_time, 1.0f);	// first position differs from 999
	mnw.mouse_x = 10.4f;
	at(2);
	EXPECT_FLOAT_EQ(mnw.last_move_time, 1.0f);	// under half a unit
	mnw.mouse_y = 9.3f;
	at(3);
	EXPECT_FLOAT_EQ(mnw.last_move_time, 3.0f);
	EXPECT_NEAR(last_pulse, 0.7f + 0.3f * sinf(60.0f), 1e-5);
	for (int i = 0; i < 200; ++i) {
		at(3 + i * 0.013);
		EXPECT_GE(last_pulse, 0.4f - 1e-6);
		EXPECT_LE(last_pulse, 1.0f + 1e-6);
	}
}

TEST_F(Clock, IntervalsAndCalendar)
{
	unsigned long long slot = 0;
	fake_now += 1500;
	EXPECT_EQ(xtim_class::del_time(&slot), 1500);	// a fresh slot: since the origin
	fake_now += 250;
	EXPECT_EQ(xtim_class::del_time(&slot), 250);
	EXPECT_EQ(xtim_class::microsecs(), 1750u);

	int m = -1, d = -1;
	xtim.current_month_day(&m, &d);
	EXPECT_EQ(m, 3);
	EXPECT_EQ(d, 1);
	xtim.day_of_year = 0;
	xtim.current_month_day(&m, &d);
	EXPECT_EQ(m, 0);
	EXPECT_EQ(d, 1);
	xtim.day_of_year = 364;
	xtim.current_month_day(&m, &d);
	EXPECT_EQ(m, 11);
	EXPECT_EQ(d, 31);
	xtim.day_of_year = 58.5f;
	xtim.current_month_day(&m, &d);
	EXPECT_EQ(m, 1);
	EXPECT_EQ(d, 28);

	float h, mi, s;
	xtim_class::xtim_hrs_min_sec(3725, &h, &mi, &s);
	EXPECT_EQ(h, 1);
	EXPECT_EQ(mi, 2);
	EXPECT_EQ(s, 5);
	xtim_class::xtim_hrs_min_sec(59.9f, &h, &mi, &s);
	EXPECT_EQ(h, 0);
	EXPECT_EQ(mi, 0);
	EXPECT_EQ(s, 59);
}

TEST_F(Clock, ProfileChartOnlyWhileProfiling)
{
	std::string dir = core_test_dir("clock_profile");
	core_open_log(dir + "/log.txt");
	xtim_class::profile_chart("off", 1);
	mnw.profiling = 1;
	mnw.current_window = 7;
	fake_now += 1000;
	xtim_class::profile_chart("init", 0);
	fake_now += 20000;
	xtim_class::profile_chart("draw", 1);
	xer.close();
	std::string log = core_read_file(dir + "/log.txt");
	EXPECT_EQ(log.find("off"), std::string::npos);
	// precision 0 in the stream's default floating format
	EXPECT_NE(log.find("init= 1e+02 | "), std::string::npos) << log;
	EXPECT_NE(log.find("draw= 2e+03 |    total:     0 sec"), std::string::npos) << log;
	EXPECT_NE(log.find(" sec for topwi=7\n"), std::string::npos) << log;
}
