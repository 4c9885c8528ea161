#ifndef THREAD_SERVICE_H
#define THREAD_SERVICE_H
// The thread service: which thread is main, failure reports of workers, workers at exit.
class exce_class;

void THREAD_init();
void THREAD_make_workers();
bool THREAD_is_inited();
bool THREAD_is_main_thread();
void THREAD_send_exception(const exce_class& e);	// a fatal report ends the calling worker
void THREAD_check_exception(int also_warnings);
void THREAD_shutdown();

#endif
