#include "UTL_clock.h"
#include <chrono>
#include <cstring>

static unsigned long long now_us()
{
	using namespace std::chrono;
	return (unsigned long long)duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
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
	static const unsigned long long init_call = now_us();
	return now_us() - init_call;
}

void xtim_class::xtim_update()
{
	static float start_time = (float)(microsecs() / 1000000.0);
	elapsed = (float)(microsecs() / 1000000.0) - start_time;
}

int xtim_class::del_time(unsigned long long* slot)
{
	static unsigned long long old = 0;
	if (!slot) slot = &old;
	unsigned long long t = microsecs();
	int d = (int)(t - *slot);
	*slot = t;
	return d;
}

void xtim_class::profile_chart(std::string, int) {}
void xtim_class::current_month_day(int*, int*) {}
void xtim_class::xtim_hrs_min_sec(float, float*, float*, float*) {}
