#include "UTL_worker_threads.h"
#include "UTL_threads.h"
#include "THREAD_service.h"
#include "UTL_exce.h"
#include <cerrno>
#include <cxxabi.h>
#include <exception>
#include <new>
#include <cstdint>
#include <unistd.h>

UTL_work_task::~UTL_work_task() {}

int UTL_work_task::check_error(std::string& msg) { return retire_error(msg); }

int UTL_work_task::retire_error(std::string& msg) const
{
	if (retire_err) msg = retire_msg;
	return retire_err;
}

void UTL_work_task::set_retire_error(int err, const std::string& msg)
{
	retire_err = err;
	retire_msg = msg;
}

static const char* const no_thread_left = "No worker thread was left to run this task.";

// The task is on the retired queue already: an owner woken by this finds it there.
static void notify_retired(int fd)
{
	if (fd < 0) return;
	uint64_t one = 1;
	while (write(fd, &one, sizeof(one)) < 0 && errno == EINTR) {}
}

UTL_worker_threads::UTL_worker_threads(int thread_count, int max)
{
	UTL_message_queue_create(&input_queue);
	UTL_message_queue_create(&retired_queue);
	max_tasks = max;
	total_tasks = 0;
	int n = thread_count > 0 ? thread_count : 0;
	threads.assign(n, 0);
	thread_ids.assign(n, 0);
	thread_joins.assign(n, 0);
	live_threads = n;
	for (int i = 0; i < n; ++i)
		THREAD_create(thread_func, this, &threads[i], &thread_joins[i], &thread_ids[i], 0);
}

UTL_worker_threads::~UTL_worker_threads()
{
	for (size_t i = 0; i < threads.size(); ++i) UTL_message_queue_write(input_queue, nullptr);
	for (size_t i = 0; i < threads.size(); ++i) UTL_thread_join(&threads[i], &thread_ids[i]);
	UTL_message_queue_destroy(input_queue);
	UTL_message_queue_destroy(retired_queue);
}

void UTL_worker_threads::enqueue_task(UTL_work_task* task)
{
	total_tasks++;
	UTL_message_queue_write(input_queue, task);
	// Every thread of the set has ended on a fatal report: nobody would run it.
	if (!threads.empty() && __atomic_load_n(&live_threads, __ATOMIC_SEQ_CST) == 0) retire_unrun(no_thread_left);
}

bool UTL_worker_threads::has_free_slot() { return total_tasks < max_tasks; }

UTL_work_task* UTL_worker_threads::check_retired_tasks()
{
	UTL_work_task* t = (UTL_work_task*)UTL_message_queue_read(retired_queue, 0);
	if (t) total_tasks--;
	return t;
}

UTL_work_task* UTL_worker_threads::wait_retired_tasks()
{
	if (total_tasks <= 0) return nullptr;
	UTL_work_task* t = (UTL_work_task*)UTL_message_queue_read(retired_queue, -1);
	if (t) total_tasks--;
	return t;
}

int UTL_worker_threads::count_total_tasks() { return total_tasks; }

void UTL_worker_threads::cancel_queued() { retire_unrun("The task was cancelled before it ran."); }

void UTL_worker_threads::retire_unrun(const char* why)
{
	while (UTL_work_task* t = (UTL_work_task*)UTL_message_queue_read(input_queue, 0)) {
		t->set_retire_error(ECANCELED, why);
		UTL_message_queue_write(retired_queue, t);
		notify_retired(retire_notify_fd);
	}
}

void UTL_worker_threads::thread_lost()
{
	// The last one out hands back whatever is still queued, so that an owner
	// draining the set does not wait for work nobody will do.
	if (__atomic_sub_fetch(&live_threads, 1, __ATOMIC_SEQ_CST) == 0) retire_unrun(no_thread_left);
}

UTL_CATCHES_THREAD_EXIT void* UTL_worker_threads::thread_func(void* p)
{
	UTL_worker_threads* set = (UTL_worker_threads*)p;
	UTL_work_task* task = nullptr;
	try {
		for (;;) {
			task = (UTL_work_task*)UTL_message_queue_read(set->input_queue, -1);
			if (!task) return nullptr;
			try {
				task->do_it();
			} catch (abi::__forced_unwind&) {
				throw;
			} catch (std::bad_alloc& e) {
				task->set_retire_error(ENOMEM, e.what());
			} catch (exce_class& e) {
				task->set_retire_error(ECANCELED, e.msg1);
			} catch (std::exception& e) {
				task->set_retire_error(ECANCELED, e.what());
			} catch (...) {
				task->set_retire_error(ECANCELED, "Caught an unhandled unknown exception");
			}
			UTL_message_queue_write(set->retired_queue, task);
			notify_retired(set->retire_notify_fd);
			task = nullptr;
		}
	} catch (abi::__forced_unwind&) {
		// The thread ends on a fatal report (already queued for the main thread):
		// its task still goes back to the owner, marked as failed.
		if (task) {
			task->set_retire_error(ECANCELED, "The worker thread ended on a fatal error.");
			UTL_message_queue_write(set->retired_queue, task);
			notify_retired(set->retire_notify_fd);
		}
		set->thread_lost();
		throw;
	}
}
