#include "UTL_clock.h"
#include "UTL_alert.h"
#include "UTL_log.h"
#include "MACIBM_mnw.h"
#include "PLAT_platform.h"
#include <chrono>
#include <cmath>
#include <mutex>

static unsigned long long steady_us()
{
	using namespace std::chrono;
	return (unsigned long long)duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

unsigned long long (*xtim_clock_source)() = steady_us;

// Program-wide state of the clock functions.
static std::once_flag           init_once;
static unsigned long long       init_call;
static int   started;
static float start_time;
static float prd_win_0 = 0.02f, prd_win_n = 0.02f;
static int   cntr_FM, cntr_UI;
static float last_time_FM, last_time_UI;
static float sim_ot[9], act_ot[9];
static float dclick_time;
static float mx = 999.0f, my = 999.0f;
static unsigned long long old;
static int   chart_started;
static float last_time;

static const float tick_period[9] = {10.0f, 5.0f, 2.0f, 1.0f, 0.5f, 0.2f, 0.1f, 0.05f, 0.025f};

void xtim_reset_statics()
{
	std::call_once(init_once, [] {});
	init_call = xtim_clock_source();
	started = 0;
	start_time = 0;
	prd_win_0 = prd_win_n = 0.02f;
	cntr_FM = cntr_UI = 0;
	last_time_FM = last_time_UI = 0;
	for (int i = 0; i < 9; ++i) sim_ot[i] = act_ot[i] = 0;
	dclick_time = 0;
	mx = my = 999.0f;
	old = 0;
	chart_started = 0;
	last_time = 0;
}

xtim_class::xtim_class()
{
	first_frame = 1; sim_speed = 1.0f; prd_frame = 0.02f; prd_frame_2 = 0.02f; prd_sim = 0;
	time_ratio = 1.0f; frame_count = 0; elapsed = 0; sim_time = 0; day_of_year = 90.0f;
	sim_tick01 = sim_tick02 = sim_tick05 = sim_tick1 = sim_tick2 = sim_tick5 = sim_tick10 = sim_tick20 = sim_tick40 = 0;
	act_tick01 = act_tick02 = act_tick05 = act_tick1 = act_tick2 = act_tick5 = act_tick10 = act_tick20 = act_tick40 = 0;
}

unsigned long long xtim_class::microsecs()
{
	std::call_once(init_once, [] { init_call = xtim_clock_source(); });
	return xtim_clock_source() - init_call;
}

// One estimate step: the mean period of the last ten frames against the
// estimate moves the estimate by the fourth root of the ratio, bounded.
static void adjust_estimate(float elapsed, float* p, float* t0, float* time_ratio)
{
	float ratio = (elapsed - *t0) * 0.1f / *p;
	if (ratio < 0.5f) ratio = 0.5f;
	if (ratio > 1.5f) ratio = 1.5f;
	*time_ratio = ratio;
	*p = *p * powf(ratio, 0.25f);
	if (*p < 0.0010000999f) *p = 0.0010000999f;
	if (*p > 0.05263158f) *p = 0.05263158f;
	*t0 = elapsed;
}

static void fire_ticks(float now, float* ot, int* flags[9])
{
	for (int i = 0; i < 9; ++i) {
		*flags[i] = 0;
		if (fabsf(now - ot[i]) > tick_period[i]) {
			*flags[i] = 1;
			ot[i] = now;
		}
	}
}

void xtim_class::xtim_update()
{
	// Seconds since start
	if (!started) start_time = (float)(microsecs() / 1000000.0);
	elapsed = (float)(microsecs() / 1000000.0) - start_time;

	// Frame period, timed apart for the main window and the others
	if (mnw.current_window != WIND_main && !mnw.sec_mon_inuse) {
		last_time_FM = elapsed;
		if (mnw.current_window >= WIND_advise && mnw.current_window <= WIND_save) {
			last_time_UI = elapsed;
		} else {
			if (cntr_UI++ % 10 == 0) adjust_estimate(elapsed, &prd_win_n, &last_time_UI, &time_ratio);
			prd_frame = prd_frame_2 = prd_sim = prd_win_n;
		}
	} else {
		if (cntr_FM++ % 10 == 0) adjust_estimate(elapsed, &prd_win_0, &last_time_FM, &time_ratio);
		prd_frame = prd_frame_2 = prd_win_0;
		prd_sim = prd_win_0 * sim_speed;
		last_time_UI = elapsed;
	}

	// Tick flags
	int* sim_flags[9] = {&sim_tick01, &sim_tick02, &sim_tick05, &sim_tick1, &sim_tick2, &sim_tick5, &sim_tick10, &sim_tick20, &sim_tick40};
	int* act_flags[9] = {&act_tick01, &act_tick02, &act_tick05, &act_tick1, &act_tick2, &act_tick5, &act_tick10, &act_tick20, &act_tick40};
	fire_ticks(sim_time, sim_ot, sim_flags);
	fire_ticks(elapsed, act_ot, act_flags);

	// The system's double-click interval, in 60ths of a second
	if (!started) dclick_time = PLAT_double_click_ticks() / 60.0f;
	started = 1;

	// Mouse gestures; the press time is still the previous press's here
	mnw.held_quarter = mnw.mouse_held && elapsed > mnw.last_press_time + 0.25f;
	mnw.held_second  = mnw.mouse_held && elapsed > mnw.last_press_time + 1.0f;
	mnw.double_click = mnw.click_down && elapsed < mnw.last_press_time + dclick_time;
	mnw.quick_click  = mnw.click_up && elapsed < mnw.last_press_time + 0.25f;
	if (mnw.click_down) {
		mnw.mouse_held = 1;
		mnw.last_press_time = elapsed;
		mnw.last_move_time = elapsed;
		// a click anywhere ends text entry
		if (MACIBM_shell_hooks.unfocus_any) MACIBM_shell_hooks.unfocus_any();
	}
	if (mnw.click_up) {
		mnw.mouse_held = 0;
		mnw.held_quarter = 0;
	}
	if (fabsf(mnw.mouse_x - mx) > 0.5f || fabsf(mnw.mouse_y - my) > 0.5f) mnw.last_move_time = elapsed;
	mx = mnw.mouse_x;
	my = mnw.mouse_y;

	// Pulsing colours of the colour table
	if (MACIBM_shell_hooks.pulse_colours) MACIBM_shell_hooks.pulse_colours(0.7f + 0.3f * sinf(20.0f * elapsed));
}

int xtim_class::del_time(unsigned long long* slot)
{
	if (!slot) slot = &old;
	unsigned long long t = microsecs();
	int d = (int)(unsigned)(t - *slot);
	*slot = t;
	return d;
}

void xtim_class::profile_chart(std::string label, int finish_line)
{
	if (!mnw.profiling) return;
	unsigned long long now = microsecs();
	unsigned delta = (unsigned)(now - old);
	old = now;
	std::streamsize w = xer.width(), p = xer.precision();
	xer.width(1); xer.precision(0);
	xer << label << "=";
	xer.width(6); xer.precision(0);
	xer << delta * 0.1 << " | ";
	if (finish_line) {
		float now_s = (float)(now / 1000000.0);
		if (!chart_started) { last_time = now_s; chart_started = 1; }
		float total = now_s - last_time;
		last_time = now_s;
		xer << "   total: ";
		xer.width(5); xer.precision(3);
		xer << total << " sec for topwi=" << mnw.current_window << "\n";
	}
	xer.width(w); xer.precision(p);
}

static const int days_in_month[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

void xtim_class::current_month_day(int* month, int* day)
{
	int m = 0, before = 0;
	while (m < 11 && day_of_year >= before + days_in_month[m]) {
		before += days_in_month[m];
		++m;
	}
	*month = m;
	*day = (int)(day_of_year - before + 1);
}

void xtim_class::xtim_hrs_min_sec(float s, float* hours, float* minutes, float* secs)
{
	*hours = truncf(s / 3600.0f);
	*minutes = truncf(s / 60.0f) - *hours * 60.0f;
	*secs = truncf(s) - *hours * 3600.0f - *minutes * 60.0f;
}
