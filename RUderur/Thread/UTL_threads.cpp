#include "UTL_threads.h"
#include "UTL_alert.h"
#include "UTL_log.h"
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <unistd.h>

// A failed OS thread call is fatal. The error text is built in a local buffer:
// this can run on any thread, and the shared scratch string is the main thread's.
static void os_fail(const char* call_msg, int err, int line)
{
	char text[64];
	snprintf(text, sizeof(text), "err=%f", (double)err);
	__MACIBM_alert(0, call_msg, text, "", "", t_exit, __FILE__, line);
}

#define OS_CHECK(call, msg) do { int os_err_ = (call); if (os_err_ != 0) os_fail(msg, os_err_, __LINE__); } while (0)

pthread_t UTL_get_current_thread() { return pthread_self(); }

int UTL_count_processors()
{
	long n = sysconf(_SC_NPROCESSORS_ONLN);
	return n < 1 ? 1 : (int)n;
}

void UTL_thread_create(void* (*fn)(void*), void* arg, pthread_t* thread, pthread_t* join, pthread_t* id)
{
	OS_CHECK(pthread_create(thread, nullptr, fn, arg), "\"pthread_create\" OS error");
	*join = *thread;
	*id = *thread;
}

void* UTL_thread_join(pthread_t* thread, pthread_t*)
{
	void* result = nullptr;
	int err = pthread_join(*thread, &result);
	if (err != 0) {
		xer << "Warning: wait on thread cleanup failed with error " << err << "\n";
		return nullptr;
	}
	return result;
}

int UTL_thread_murder(pthread_t* thread) { return pthread_cancel(*thread); }

void UTL_thread_exit(void* result) { pthread_exit(result); }

void UTL_sleep(int ms)
{
	if (ms > 0) usleep((useconds_t)ms * 1000);
}

void UTL_critical_section_create(pthread_mutex_t* m)
{
	pthread_mutexattr_t attr;
	OS_CHECK(pthread_mutexattr_init(&attr), "\"::pthread_mutexattr_init\" OS error");
	OS_CHECK(pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE), "\"::pthread_mutexattr_settype\" OS error");
	OS_CHECK(pthread_mutex_init(m, &attr), "\"::pthread_mutex_init\" OS error");
	OS_CHECK(pthread_mutexattr_destroy(&attr), "\"::pthread_mutexattr_destroy\" OS error");
}

void UTL_critical_section_destroy(pthread_mutex_t* m)
{
	OS_CHECK(pthread_mutex_destroy(m), "\"::pthread_mutex_destroy\" OS error");
}

void UTL_critical_section_lock(pthread_mutex_t* m)
{
	OS_CHECK(pthread_mutex_lock(m), "\"pthread_mutex_lock\" OS error");
}

void UTL_critical_section_unlock(pthread_mutex_t* m)
{
	OS_CHECK(pthread_mutex_unlock(m), "\"pthread_mutex_unlock\" OS error");
}

static void q_lock(UTL_message_queue* q) { OS_CHECK(pthread_mutex_lock(&q->mutex), "\"pthread_mutex_lock\" OS error"); }
static void q_unlock(UTL_message_queue* q) { OS_CHECK(pthread_mutex_unlock(&q->mutex), "\"pthread_mutex_unlock\" OS error"); }
static void q_signal(UTL_message_queue* q) { OS_CHECK(pthread_cond_signal(&q->cond), "\"pthread_cond_signal\" OS error"); }

void UTL_message_queue_create(UTL_message_queue** out)
{
	UTL_message_queue* q = new UTL_message_queue;
	q->waiting = 0;
	*out = q;
	OS_CHECK(pthread_mutex_init(&q->mutex, nullptr), "\"::pthread_mutex_init\" OS error");
	// Timed reads measure against the monotonic clock, so a change of the
	// time of day neither stretches nor cuts a wait.
	pthread_condattr_t attr;
	OS_CHECK(pthread_condattr_init(&attr), "\"::pthread_cond_init\" OS error");
	OS_CHECK(pthread_condattr_setclock(&attr, CLOCK_MONOTONIC), "\"::pthread_cond_init\" OS error");
	OS_CHECK(pthread_cond_init(&q->cond, &attr), "\"::pthread_cond_init\" OS error");
	pthread_condattr_destroy(&attr);
}

void UTL_message_queue_destroy(UTL_message_queue* q)
{
	OS_CHECK(pthread_mutex_destroy(&q->mutex), "\"::pthread_mutex_destroy\" OS error");
	OS_CHECK(pthread_cond_destroy(&q->cond), "\"::pthread_cond_desroy\" OS error");
	delete q;
}

void UTL_message_queue_write(UTL_message_queue* q, void* item)
{
	q_lock(q);
	if (q->waiting > 0) q_signal(q);
	q->items.push_back(item);
	q_unlock(q);
}

void UTL_message_queue_multi_write(UTL_message_queue* q, void** items, int count, int at_front)
{
	if (count <= 0) return;
	q_lock(q);
	int wake = count < q->waiting ? count : q->waiting;
	for (int i = 0; i < wake; ++i) q_signal(q);
	auto where = at_front ? q->items.begin() : q->items.end();
	q->items.insert(where, items, items + count);
	q_unlock(q);
}

void UTL_message_queue_edit(UTL_message_queue* q, void (*fn)(std::vector<void*>& items, void* ref), void* ref)
{
	q_lock(q);
	std::vector<void*> v(q->items.begin(), q->items.end());
	fn(v, ref);
	q->items.assign(v.begin(), v.end());
	q_unlock(q);
}

void* UTL_message_queue_read(UTL_message_queue* q, int ms)
{
	timespec deadline = {};
	if (ms != 0 && ms != -1) {
		(void)clock_gettime(CLOCK_MONOTONIC, &deadline);	// a clock Linux always has
		deadline.tv_sec += ms / 1000;
		deadline.tv_nsec += (long)(ms % 1000) * 1000000L;
		if (deadline.tv_nsec >= 1000000000L) {
			deadline.tv_sec += 1;
			deadline.tv_nsec -= 1000000000L;
		}
	}
	q_lock(q);
	if (ms == 0 && q->items.empty()) {
		q_unlock(q);
		return nullptr;
	}
	q->waiting++;
	for (;;) {
		if (!q->items.empty()) {
			q->waiting--;
			void* item = q->items.front();
			q->items.pop_front();
			q_unlock(q);
			return item;
		}
		int err = ms == -1 ? pthread_cond_wait(&q->cond, &q->mutex)
		                   : pthread_cond_timedwait(&q->cond, &q->mutex, &deadline);
		if (err == ETIMEDOUT) {
			q->waiting--;
			q_unlock(q);
			return nullptr;
		}
		if (err != 0) os_fail("\"pthread_cond_timedwait\" OS error", err, __LINE__);
	}
}
