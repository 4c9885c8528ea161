// Throughput of the worker-thread sets and the thread pool: tiny tasks per
// second, and the scaling of a CPU-bound task from 1 to every processor.
#include "THREAD_service.h"
#include "UTL_threadpool.h"
#include "UTL_threads.h"
#include "UTL_worker_threads.h"
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sched.h>
#include <vector>

static double now_s()
{
	return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct tiny_task : UTL_work_task {
	unsigned v = 0;
	void do_it() override { v = v * 1664525u + 1013904223u; }
};

// Mixes a buffer the way a checksum would: a fixed amount of work per task.
struct cpu_task : UTL_work_task {
	int rounds;
	unsigned sum = 0;
	explicit cpu_task(int r) : rounds(r) {}
	void do_it() override
	{
		unsigned buf[1024];
		for (int i = 0; i < 1024; ++i) buf[i] = (unsigned)i;
		unsigned h = 0x12345678u;
		for (int r = 0; r < rounds; ++r)
			for (int i = 0; i < 1024; ++i) {
				h ^= buf[i] + 0x9e3779b9u + (h << 6) + (h >> 2);
				buf[i] = h;
			}
		sum = h;
	}
};

// The install engine's owner loop: fill free slots, collect without waiting.
template <class Make>
static double run_set(int threads, int max_tasks, int count, Make make)
{
	UTL_worker_threads* set = new UTL_worker_threads(threads, max_tasks);
	double t0 = now_s();
	int queued = 0;
	while (queued < count || set->count_total_tasks() > 0) {
		while (queued < count && set->has_free_slot()) {
			set->enqueue_task(make());
			queued++;
		}
		UTL_work_task* t = set->check_retired_tasks();
		if (!t) t = set->wait_retired_tasks();	// nothing back yet: the bench may wait
		delete t;
		while ((t = set->check_retired_tasks())) delete t;
	}
	double dt = now_s() - t0;
	delete set;
	return dt;
}

static std::atomic<int> pool_left{0};
struct tiny_pool_task : UTL_pool_task {
	bool do_it() override
	{
		pool_left--;
		return true;
	}
	const char* get_debug_name() override { return "tiny"; }
};

static double run_pool(int threads, int count)
{
	UTL_threadpool* pool = new UTL_threadpool(threads);
	pool_left = count;
	double t0 = now_s();
	for (int i = 0; i < count; ++i) pool->queue_task(new tiny_pool_task, 0);
	while (pool_left.load() > 0)
		if (!pool->help_a_bit()) sched_yield();
	double dt = now_s() - t0;
	delete pool;
	return dt;
}

int main(int argc, char** argv)
{
	THREAD_init();
	int n = UTL_count_processors();
	int tiny = argc > 1 ? atoi(argv[1]) : 400000;
	printf("processors: %d\n\n", n);

	printf("tiny tasks on a worker set (%d tasks, owner creates and deletes each)\n", tiny);
	printf("  threads  in-flight  tasks/s\n");
	for (int threads : {1, n}) {
		for (int limit : {4 * threads, 1024}) {
			double dt = run_set(threads, limit, tiny, [] { return new tiny_task; });
			printf("  %7d  %9d  %9.0f\n", threads, limit, tiny / dt);
		}
	}

	printf("\ntiny tasks on the thread pool (%d tasks, self-deleting, caller helps)\n", tiny);
	printf("  threads  tasks/s\n");
	for (int threads : {1, n > 1 ? n - 1 : 1}) {
		double dt = run_pool(threads, tiny);
		printf("  %7d  %9.0f\n", threads, tiny / dt);
	}

	const int cpu_count = 512, rounds = 1000;
	printf("\nCPU-bound tasks on a worker set (%d tasks of %d x 1024 mixing steps, in-flight 4 x threads)\n",
	       cpu_count, rounds);
	printf("  threads  seconds  tasks/s  speed-up  efficiency\n");
	double base = 0;
	for (int threads = 1; threads <= n; threads = threads < n && threads * 2 > n ? n : threads * 2) {
		double dt = run_set(threads, 4 * threads, cpu_count, [] { return new cpu_task(rounds); });
		if (threads == 1) base = dt;
		printf("  %7d  %7.3f  %7.0f  %8.2f  %9.0f%%\n", threads, dt, cpu_count / dt, base / dt,
		       100.0 * base / dt / threads);
		if (threads == n) break;
	}
	THREAD_shutdown();
	return 0;
}
