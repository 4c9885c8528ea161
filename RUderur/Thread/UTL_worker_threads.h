#ifndef UTL_WORKER_THREADS_H
#define UTL_WORKER_THREADS_H
// A fixed set of worker threads running work objects for one owning thread;
// each finished object comes back, undeleted, through the retired queue.
#include <pthread.h>
#include <string>
#include <vector>

struct UTL_message_queue;

class UTL_work_task {
public:
	virtual ~UTL_work_task();
	virtual void do_it() = 0;
	// The owner reads the result here after taking the object back. Overrides
	// start with retire_error, which holds what the set itself met.
	virtual int check_error(std::string& msg);

	// Set by the worker thread when do_it did not return normally: it threw
	// (ENOMEM for an allocation failure, ECANCELED otherwise), or its thread
	// ended on a fatal report, or no worker thread was left to run it (ECANCELED).
	int  retire_error(std::string& msg) const;
	void set_retire_error(int err, const std::string& msg);

private:
	int         retire_err = 0;
	std::string retire_msg;
};

class UTL_worker_threads {
public:
	UTL_message_queue*     input_queue;
	UTL_message_queue*     retired_queue;
	int                    max_tasks;
	int                    total_tasks;	// enqueued and not yet collected; owner only
	// When not -1, an eventfd the set adds one to after each task it retires,
	// so that an owner waiting on other descriptors too wakes for it. Set it
	// before the first task is enqueued.
	int                    retire_notify_fd = -1;
	std::vector<pthread_t> threads, thread_ids, thread_joins;

	UTL_worker_threads(int thread_count, int max_tasks);
	~UTL_worker_threads();

	void           enqueue_task(UTL_work_task* task);
	bool           has_free_slot();
	UTL_work_task* check_retired_tasks();	// never waits
	UTL_work_task* wait_retired_tasks();	// null once nothing is outstanding
	int            count_total_tasks();
	// Hands every task no thread has started yet back through the retired
	// queue, marked ECANCELED and not run, so that an owner that abandons a
	// deep queue waits only for the tasks already running.
	void           cancel_queued();

	static void* thread_func(void* set);

private:
	int live_threads;	// threads still reading the input queue; atomic access only
	void thread_lost();
	void retire_unrun(const char* why);
};

#endif
