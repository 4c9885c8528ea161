#ifndef THREAD_SERVICE_H
#define THREAD_SERVICE_H
// The thread service: which thread is main, failure reports of workers, workers at exit.
#include <pthread.h>

class exce_class;
class UTL_threadpool;

void THREAD_init();
void THREAD_make_workers();
bool THREAD_is_inited();
bool THREAD_is_main_thread();
void THREAD_send_exception(const exce_class& e);	// a fatal report ends the calling worker
void THREAD_check_exception(int also_warnings);
void THREAD_shutdown();

// Starts fn(arg) and returns once the new thread runs (and, with want_gl and
// threaded GL on, has its loader context current).
void  THREAD_create(void* (*fn)(void*), void* arg, pthread_t* thread, pthread_t* join, pthread_t* id, int want_gl);
void* THREAD_launch(void* record);

// Asynchronous calls on the per-processor workers.
struct THREAD_call {
	THREAD_call*               next;		// free-list link
	struct UTL_message_queue*  done_queue;	// the worker posts the cookie here
	pthread_mutex_t            lock;		// guards result and done
	void*                      (*fn)(void*);
	void*                      arg;
	void*                      result;
	int                        done;
	int                        cookie;		// never 0
};
THREAD_call* THREAD_run_async(void* (*fn)(void*), void* arg);
int          THREAD_is_done(THREAD_call* call, int ms);
void*        THREAD_cleanup(THREAD_call* call);
void*        xtaskproc(void*);

extern UTL_threadpool* g_threadpool;	// null before THREAD_make_workers and after THREAD_shutdown
extern int             next_cookie;	// last cookie handed out

// The shell fills these once its GL window exists; left null, threads get no GL context
// and threaded GL counts as off. Keeps this layer free of GL.
struct THREAD_gl_hooks_t {
	int   (*threaded_avail)();		// glExt.threaded_avail
	void* (*make_context_loader)();		// a context sharing objects with the main one, or null
	int   (*set_context_loader)(void* ctx);	// makes ctx current on the calling thread; 0 on failure
	void  (*threaded_ogl_failed)();		// switches threaded GL off (and says so once)
};
extern THREAD_gl_hooks_t THREAD_gl_hooks;

// Run first by THREAD_shutdown, in order of registration: owners of worker sets
// stop and drain them here, while the service can still carry their reports.
void THREAD_add_shutdown_hook(void (*hook)());

#endif
