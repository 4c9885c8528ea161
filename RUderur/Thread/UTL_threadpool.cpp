#include "UTL_threadpool.h"
#include "UTL_threads.h"
#include "THREAD_service.h"

static void* const wake_item = (void*)1;

static void run_task(UTL_pool_task* task)
{
	if (task->do_it()) delete task;
}

UTL_threadpool::UTL_threadpool(int thread_count)
{
	int n = thread_count > 0 ? thread_count : 0;
	threads.assign(n, 0);
	thread_ids.assign(n, 0);
	thread_joins.assign(n, 0);
	UTL_message_queue_create(&task_queue);
	for (int i = 0; i < n; ++i)
		THREAD_create(thread_func, this, &threads[i], &thread_joins[i], &thread_ids[i], 1);
}

UTL_threadpool::~UTL_threadpool()
{
	// Tasks already waiting run before the stop items.
	for (size_t i = 0; i < threads.size(); ++i) UTL_message_queue_write(task_queue, nullptr);
	for (size_t i = 0; i < threads.size(); ++i) UTL_thread_join(&threads[i], &thread_joins[i]);
	UTL_message_queue_destroy(task_queue);
}

void UTL_threadpool::queue_task(UTL_pool_task* task, int urgent)
{
	if (urgent) {
		void* item = task;
		UTL_message_queue_multi_write(task_queue, &item, 1, 1);
	} else {
		UTL_message_queue_write(task_queue, task);
	}
}

void UTL_threadpool::queue_task_multi(UTL_pool_task* task, int count, int at_front)
{
	if (count <= 0) return;
	std::vector<void*> items(count, task);
	UTL_message_queue_multi_write(task_queue, items.data(), count, at_front);
}

bool UTL_threadpool::help_a_bit()
{
	void* item = UTL_message_queue_read(task_queue, 0);
	if (!item) return false;
	if (item != wake_item) run_task((UTL_pool_task*)item);
	return true;
}

int UTL_threadpool::get_num_threads() { return (int)threads.size(); }

void* UTL_threadpool::thread_func(void* p)
{
	UTL_threadpool* pool = (UTL_threadpool*)p;
	for (;;) {
		void* item = UTL_message_queue_read(pool->task_queue, -1);
		if (item == wake_item) continue;
		if (!item) return nullptr;
		run_task((UTL_pool_task*)item);
	}
}

UTL_threadpool_barrier::UTL_threadpool_barrier(UTL_threadpool* p, const char* name)
	: pool(p), debug_name(name)
{
	UTL_message_queue_create(&work_queue);
	UTL_message_queue_create(&ack_queue);
}

UTL_threadpool_barrier::~UTL_threadpool_barrier()
{
	UTL_message_queue_destroy(work_queue);
	UTL_message_queue_destroy(ack_queue);
}

void UTL_threadpool_barrier::halt_pool_start(int urgent)
{
	pool->queue_task_multi(this, pool->get_num_threads(), urgent);
}

void UTL_threadpool_barrier::halt_pool_finish()
{
	for (int i = 0; i < pool->get_num_threads(); ++i) UTL_message_queue_read(ack_queue, -1);
}

void UTL_threadpool_barrier::queue_task(UTL_pool_task* task)
{
	UTL_message_queue_write(work_queue, task);
}

void UTL_threadpool_barrier::restart_pool()
{
	int n = pool->get_num_threads();
	for (int i = 0; i < n; ++i) UTL_message_queue_write(work_queue, nullptr);
	for (int i = 0; i < n; ++i) UTL_message_queue_read(ack_queue, -1);
}

bool UTL_threadpool_barrier::do_it()
{
	UTL_message_queue_write(ack_queue, nullptr);	// stopped
	for (;;) {
		void* item = UTL_message_queue_read(work_queue, -1);
		if (item == wake_item) continue;
		if (!item) break;
		run_task((UTL_pool_task*)item);
	}
	UTL_message_queue_write(ack_queue, nullptr);	// released
	return false;
}

const char* UTL_threadpool_barrier::get_debug_name() { return debug_name; }

UTL_threadpool_sync::UTL_threadpool_sync(UTL_threadpool* p, const char* name)
	: pool(p), callback(nullptr), callback_arg(nullptr), arrived(0), expected(0),
	  delete_when_done(0), debug_name(name)
{
	UTL_message_queue_create(&release_queue);
}

UTL_threadpool_sync::~UTL_threadpool_sync() { UTL_message_queue_destroy(release_queue); }

void UTL_threadpool_sync::queue_me(void (*fn)(void*), void* arg, int del, int urgent)
{
	delete_when_done = del;
	callback = fn;
	__atomic_store_n(&arrived, 0, __ATOMIC_SEQ_CST);
	callback_arg = arg;
	expected = pool->get_num_threads();
	pool->queue_task_multi(this, expected, urgent);
}

bool UTL_threadpool_sync::do_it()
{
	int before = __atomic_fetch_add(&arrived, 1, __ATOMIC_SEQ_CST);
	if (before + 1 == expected) {
		if (callback) callback(callback_arg);
		for (int i = 0; i < expected - 1; ++i) UTL_message_queue_write(release_queue, nullptr);
	} else {
		UTL_message_queue_read(release_queue, -1);
	}
	int left = __atomic_fetch_add(&arrived, -1, __ATOMIC_SEQ_CST);
	return left == 1 && delete_when_done;
}

const char* UTL_threadpool_sync::get_debug_name() { return debug_name; }
