// Placeholder until the thread service lands: only the main thread exists.
#include "THREAD_service.h"
#include "UTL_exce.h"

void THREAD_init() {}
void THREAD_make_workers() {}
bool THREAD_is_inited() { return false; }
bool THREAD_is_main_thread() { return true; }
void THREAD_send_exception(const exce_class&) {}
void THREAD_check_exception(int) {}
void THREAD_shutdown() {}
