#ifndef NET_SUPPORT_H
#define NET_SUPPORT_H
// Drives downloads the way the program's frames do: one net_check per slot
// per frame, the clock updated every frame.
#include "http.h"
#include "UTL_clock.h"
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

struct NetJob {
	int         slot;
	std::string server, path, local;
	int         result = 0;
	int64_t     max_bytes = http_default_limit;
	int64_t     memory_max = 0;	// a body announced at most this long is held in memory
	double      seconds = 0;	// when the result came
};

inline double net_now()
{
	using namespace std::chrono;
	return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// One frame: a net_check for each job still running, a result timed by
// `seconds`. The body bytes the frame moved, or -1 when no job runs.
inline int64_t net_frame(std::vector<NetJob>& jobs, const std::function<double()>& seconds)
{
	bool busy = false;
	int64_t moved = 0;
	for (auto& j : jobs) {
		if (j.result) continue;
		down_class* d = http.transfer(j.slot);
		int64_t before = d ? d->bytes_received : 0;
		j.result = http.net_check(j.slot, j.server, j.path, j.local, j.max_bytes, j.memory_max);
		if (j.result) j.seconds = seconds();
		else {
			busy = true;
			moved += http.transfer(j.slot)->bytes_received - before;
		}
	}
	return busy ? moved : -1;
}

inline void net_run(std::vector<NetJob>& jobs, double max_seconds)
{
	double start = net_now();
	for (;;) {
		xtim.xtim_update();
		int64_t moved = net_frame(jobs, [&] { return net_now() - start; });
		if (moved < 0 || net_now() - start > max_seconds) return;
		if (moved == 0) std::this_thread::sleep_for(std::chrono::microseconds(300));
	}
}

inline int net_get(int slot, const std::string& server, const std::string& path, const std::string& local,
                   double max_seconds = 10, int64_t max_bytes = http_default_limit, int64_t memory_max = 0)
{
	std::vector<NetJob> jobs = {{slot, server, path, local}};
	jobs[0].max_bytes = max_bytes;
	jobs[0].memory_max = memory_max;
	net_run(jobs, max_seconds);
	return jobs[0].result;
}

#endif
