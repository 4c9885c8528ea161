#include "THREAD_service.h"
#include "UTL_threads.h"
#include "UTL_threadpool.h"
#include "UTL_alert.h"
#include "UTL_exce.h"
#include "UTL_log.h"
#include <atomic>
#include <cstdint>
#include <cxxabi.h>
#include <exception>
#include <vector>

static std::atomic<int>       threads_inited{0};
static std::atomic<pthread_t> main_thread{0};
static UTL_message_queue*     warn_exce = nullptr;
static UTL_message_queue*     quit_exce = nullptr;
static UTL_message_queue*     call_queue = nullptr;
static THREAD_call*           free_calls = nullptr;
static pthread_mutex_t        free_calls_lock;
int                           next_cookie = 0;
static std::vector<pthread_t> worker_threads, worker_threads_join, worker_threads_id;
static std::vector<void (*)()> shutdown_hooks;
UTL_threadpool*               g_threadpool = nullptr;
THREAD_gl_hooks_t             THREAD_gl_hooks = {};

static void* const stop_worker = (void*)-1;

// Built on the creator's stack; the new thread reads it before the handshake.
struct launch_record {
	void*              (*fn)(void*);
	void*              arg;
	UTL_message_queue* handshake;
	int                use_gl;
	void*              gl_context;
};

static int threaded_gl_on()
{
	return THREAD_gl_hooks.threaded_avail && THREAD_gl_hooks.threaded_avail();
}

static void threaded_gl_failed()
{
	if (THREAD_gl_hooks.threaded_ogl_failed) THREAD_gl_hooks.threaded_ogl_failed();
}

void THREAD_init()
{
	if (threads_inited) return;
	// POSIX threads need no start-up of their own: nothing can be missing here.
	main_thread = pthread_self();
	UTL_message_queue_create(&warn_exce);
	UTL_message_queue_create(&quit_exce);
	UTL_critical_section_create(&free_calls_lock);
	UTL_message_queue_create(&call_queue);
	threads_inited = 1;
}

void THREAD_make_workers()
{
	int n = UTL_count_processors();
	xer << "CPU count        : " << n << "\n";
	for (int i = 0; i < n; ++i) {
		pthread_t t, j, id;
		THREAD_create(xtaskproc, nullptr, &t, &j, &id, 1);
		worker_threads.push_back(t);
		worker_threads_id.push_back(id);
		worker_threads_join.push_back(j);
	}
	// Read after the workers started: a loader-context failure among them leaves the pool empty.
	g_threadpool = new UTL_threadpool(threaded_gl_on() ? (n - 1 > 1 ? n - 1 : 1) : 0);
}

bool THREAD_is_inited() { return threads_inited != 0; }

bool THREAD_is_main_thread()
{
	pthread_t m = main_thread;
	return m != 0 && pthread_equal(pthread_self(), m);
}

void THREAD_create(void* (*fn)(void*), void* arg, pthread_t* thread, pthread_t* join, pthread_t* id, int want_gl)
{
	launch_record rec = {fn, arg, nullptr, want_gl && threaded_gl_on() ? 1 : 0, nullptr};
	if (rec.use_gl) {
		rec.gl_context = THREAD_gl_hooks.make_context_loader ? THREAD_gl_hooks.make_context_loader() : nullptr;
		if (!rec.gl_context) {
			rec.use_gl = 0;
			threaded_gl_failed();
		}
	}
	int asked_gl = rec.use_gl;
	UTL_message_queue_create(&rec.handshake);
	UTL_thread_create(THREAD_launch, &rec, thread, join, id);
	UTL_message_queue_read(rec.handshake, -1);
	UTL_message_queue_destroy(rec.handshake);
	if (asked_gl && !rec.use_gl) threaded_gl_failed();
}

UTL_CATCHES_THREAD_EXIT void* THREAD_launch(void* record)
{
	launch_record* rec = (launch_record*)record;
	if (rec->use_gl) {
		if (!THREAD_gl_hooks.set_context_loader || !THREAD_gl_hooks.set_context_loader(rec->gl_context))
			rec->use_gl = 0;
	}
	void* (*fn)(void*) = rec->fn;
	void* arg = rec->arg;
	UTL_message_queue_write(rec->handshake, nullptr);	// rec is gone after this

	try {
		return fn(arg);
	} catch (abi::__forced_unwind&) {
		throw;		// a thread ending through pthread_exit: let the unwind finish
	} catch (exce_class& e) {
		exce_class report(e);
		report.MakeFatal();
		THREAD_send_exception(report);
	} catch (std::exception& e) {
		THREAD_send_exception(exce_class("Caught an unhandled C++ exception", e.what(), "", "", __FILE__, __LINE__, t_exit));
	} catch (...) {
		THREAD_send_exception(exce_class("Caught an unhandled unknown exception", "", "", "", __FILE__, __LINE__, t_exit));
	}
	return nullptr;
}

void THREAD_send_exception(const exce_class& e)
{
	if (!threads_inited) {
		// No service to carry it: every thread counts as the main one.
		exce_class report(e);
		report.Report();
		return;
	}
	if (e.severity == t_alert) {
		UTL_message_queue_write(warn_exce, new exce_class(e));
	} else if (e.severity == t_exit) {
		UTL_message_queue_write(quit_exce, new exce_class(e));
		if (!THREAD_is_main_thread()) UTL_thread_exit(nullptr);
	}
}

static void raise_all(UTL_message_queue* q)
{
	while (exce_class* e = (exce_class*)UTL_message_queue_read(q, 0)) {
		e->Report();
		delete e;
	}
}

void THREAD_check_exception(int also_warnings)
{
	if (!threads_inited || !THREAD_is_main_thread()) return;	// raised only where drawing is allowed
	raise_all(quit_exce);
	if (also_warnings) raise_all(warn_exce);
}

UTL_CATCHES_THREAD_EXIT void* xtaskproc(void*)
{
	for (;;) {
		void* item = UTL_message_queue_read(call_queue, -1);
		if (item == stop_worker) return nullptr;
		if (!item) continue;
		THREAD_call* call = (THREAD_call*)item;
		void* r;
		try {
			r = call->fn(call->arg);
		} catch (abi::__forced_unwind&) {
			// The call ended its thread on a fatal report: still post the finish, so
			// a caller waiting on it wakes and raises that report.
			UTL_message_queue_write(call->done_queue, (void*)(intptr_t)call->cookie);
			throw;
		}
		UTL_critical_section_lock(&call->lock);
		call->result = r;
		UTL_critical_section_unlock(&call->lock);
		UTL_message_queue_write(call->done_queue, (void*)(intptr_t)call->cookie);
	}
}

THREAD_call* THREAD_run_async(void* (*fn)(void*), void* arg)
{
	UTL_critical_section_lock(&free_calls_lock);
	unsigned c = (unsigned)next_cookie + 4u;	// wraps through 0xFFFFFFFC to 0, which is skipped
	if (c == 0) c = 4;
	next_cookie = (int)c;
	int cookie = next_cookie;
	THREAD_call* call = free_calls;
	if (call) free_calls = call->next;
	UTL_critical_section_unlock(&free_calls_lock);

	if (!call) {
		call = new THREAD_call;
		call->next = nullptr;
		UTL_message_queue_create(&call->done_queue);
		UTL_critical_section_create(&call->lock);
	}
	call->fn = fn;
	call->arg = arg;
	call->result = nullptr;
	call->done = 0;
	call->cookie = cookie;
	UTL_message_queue_write(call_queue, call);
	return call;
}

int THREAD_is_done(THREAD_call* call, int ms)
{
	THREAD_check_exception(0);
	void* msg = UTL_message_queue_read(call->done_queue, ms);
	THREAD_check_exception(0);
	if (!msg) return 0;
	UTL_critical_section_lock(&call->lock);
	call->done = 1;
	UTL_critical_section_unlock(&call->lock);
	return 1;
}

void* THREAD_cleanup(THREAD_call* call)
{
	THREAD_check_exception(0);
	UTL_critical_section_lock(&call->lock);
	if (!call->done) {
		UTL_critical_section_unlock(&call->lock);
		APL_alert("Thread cleanup called on not-done call.", "", "", "", t_exit);
		return nullptr;
	}
	void* r = call->result;
	UTL_critical_section_unlock(&call->lock);
	UTL_critical_section_lock(&free_calls_lock);
	call->next = free_calls;
	free_calls = call;
	UTL_critical_section_unlock(&free_calls_lock);
	return r;
}

void THREAD_add_shutdown_hook(void (*hook)())
{
	for (auto h : shutdown_hooks)
		if (h == hook) return;
	shutdown_hooks.push_back(hook);
}

void THREAD_shutdown()
{
	if (!threads_inited) return;
	// Off the main thread this would join the caller itself.
	if (!THREAD_is_main_thread()) return;

	for (auto hook : shutdown_hooks) hook();

	if (g_threadpool) {
		delete g_threadpool;
		g_threadpool = nullptr;
	}
	if (!worker_threads.empty()) {
		for (size_t i = 0; i < worker_threads.size(); ++i) UTL_message_queue_write(call_queue, stop_worker);
		for (size_t i = 0; i < worker_threads.size(); ++i) UTL_thread_join(&worker_threads[i], &worker_threads_join[i]);
		worker_threads.clear();
		worker_threads_join.clear();
		worker_threads_id.clear();
	}
	UTL_critical_section_destroy(&free_calls_lock);
	UTL_message_queue_destroy(call_queue);
	call_queue = nullptr;
	while (free_calls) {
		THREAD_call* c = free_calls;
		free_calls = c->next;
		UTL_message_queue_destroy(c->done_queue);
		UTL_critical_section_destroy(&c->lock);
		delete c;
	}
	// Reports nobody raised any more are dropped; their copies are freed.
	for (UTL_message_queue** q : {&warn_exce, &quit_exce}) {
		while (exce_class* e = (exce_class*)UTL_message_queue_read(*q, 0)) delete e;
		UTL_message_queue_destroy(*q);
		*q = nullptr;
	}
	threads_inited = 0;
	xer << "Clean exit from threads.\n";
}
