#ifndef UTL_THREADPOOL_H
#define UTL_THREADPOOL_H
// A pool of threads sharing one queue of self-contained tasks. Nothing comes back:
// a task that is done deletes itself through the pool or lives on with its owner.
#include <pthread.h>
#include <vector>

struct UTL_message_queue;

class UTL_pool_task {
public:
	virtual ~UTL_pool_task() {}
	virtual bool        do_it() = 0;		// true: the thread that ran it deletes it
	virtual const char* get_debug_name() = 0;
};

class UTL_threadpool {
public:
	std::vector<pthread_t> threads, thread_ids, thread_joins;
	UTL_message_queue*     task_queue;	// null item: stop; (void*)1: wake-up, no work

	explicit UTL_threadpool(int thread_count);
	~UTL_threadpool();

	void queue_task(UTL_pool_task* task, int urgent);
	void queue_task_multi(UTL_pool_task* task, int count, int at_front);
	bool help_a_bit();			// runs one waiting task on the calling thread
	int  get_num_threads();

	static void* thread_func(void* pool);
};

// Stops every pool thread, can feed the stopped threads work of its own, then lets them go.
// Sequence: construct, halt_pool_start, halt_pool_finish, queue_task..., restart_pool, delete.
class UTL_threadpool_barrier : public UTL_pool_task {
public:
	UTL_message_queue* work_queue;
	UTL_message_queue* ack_queue;
	UTL_threadpool*    pool;
	const char*        debug_name;

	UTL_threadpool_barrier(UTL_threadpool* pool, const char* name);
	~UTL_threadpool_barrier() override;

	void halt_pool_start(int urgent);
	void halt_pool_finish();
	void queue_task(UTL_pool_task* task);
	void restart_pool();

	bool        do_it() override;
	const char* get_debug_name() override;
};

// Runs a function once on a pool thread while every other pool thread waits.
class UTL_threadpool_sync : public UTL_pool_task {
public:
	UTL_message_queue* release_queue;
	UTL_threadpool*    pool;
	void               (*callback)(void*);
	void*              callback_arg;
	int                arrived;		// atomic access only
	int                expected;
	int                delete_when_done;
	const char*        debug_name;

	UTL_threadpool_sync(UTL_threadpool* pool, const char* name);
	~UTL_threadpool_sync() override;

	void queue_me(void (*fn)(void*), void* arg, int delete_when_done, int urgent);

	bool        do_it() override;
	const char* get_debug_name() override;
};

#endif
