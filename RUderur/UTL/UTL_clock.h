#ifndef UTL_CLOCK_H
#define UTL_CLOCK_H
// The frame timer xtim: elapsed seconds, frame period, tick flags, mouse gestures.
#include <string>

class xtim_class {
public:
	int   first_frame;
	float sim_speed;
	float prd_frame;
	float prd_frame_2;
	float prd_sim;
	float time_ratio;
	int   frame_count;
	float elapsed;
	float sim_time;
	float day_of_year;
	int   sim_tick01, sim_tick02, sim_tick05, sim_tick1, sim_tick2, sim_tick5, sim_tick10, sim_tick20, sim_tick40;
	int   act_tick01, act_tick02, act_tick05, act_tick1, act_tick2, act_tick5, act_tick10, act_tick20, act_tick40;

	xtim_class();
	void xtim_update();
	static unsigned long long microsecs();
	static int del_time(unsigned long long* slot);
	static void profile_chart(std::string label, int finish_line);
	void current_month_day(int* month, int* day);
	static void xtim_hrs_min_sec(float seconds, float* hours, float* minutes, float* secs);
};

extern xtim_class xtim;

// The monotonic microsecond source behind microsecs(); tests put a clock of
// their own here before the first clock call.
extern unsigned long long (*xtim_clock_source)();

// Puts the update's statics (estimates, counters, last firing times, mouse
// position, origin) back to their start-up values; for tests.
void xtim_reset_statics();

#endif
