#ifndef UTL_THREADS_H
#define UTL_THREADS_H
// Threads, recursive critical sections and pointer queues over POSIX threads.
// Every failure of an OS thread call is a fatal alert; only the join merely logs.
#include <pthread.h>
#include <list>
#include <vector>

// For thread bodies that catch glibc's thread-exit unwind (abi::__forced_unwind)
// to finish their bookkeeping: that unwind carries no C++ object, and the
// undefined-behaviour checker would take the catch for a null reference.
#define UTL_CATCHES_THREAD_EXIT __attribute__((no_sanitize("null")))

// Threads
pthread_t UTL_get_current_thread();
int       UTL_count_processors();
void      UTL_thread_create(void* (*fn)(void*), void* arg, pthread_t* thread, pthread_t* join, pthread_t* id);
void*     UTL_thread_join(pthread_t* thread, pthread_t* join);
int       UTL_thread_murder(pthread_t* thread);
void      UTL_thread_exit(void* result) __attribute__((noreturn));
void      UTL_sleep(int ms);

// Critical sections: recursive mutexes living in the caller's own records.
void UTL_critical_section_create(pthread_mutex_t* m);
void UTL_critical_section_destroy(pthread_mutex_t* m);
void UTL_critical_section_lock(pthread_mutex_t* m);
void UTL_critical_section_unlock(pthread_mutex_t* m);

// A first-in-first-out queue of pointers. A null item is legal, but a reader
// cannot tell it from an empty queue, so blocking readers take null as "stop".
struct UTL_message_queue {
	pthread_mutex_t   mutex;	// guards items and waiting
	pthread_cond_t    cond;		// readers wait here
	std::list<void*>  items;	// oldest first
	int               waiting;	// readers blocked in a read
};

void  UTL_message_queue_create(UTL_message_queue** out);
void  UTL_message_queue_destroy(UTL_message_queue* q);		// queued items are dropped, not freed
void  UTL_message_queue_write(UTL_message_queue* q, void* item);
void  UTL_message_queue_multi_write(UTL_message_queue* q, void** items, int count, int at_front);
void  UTL_message_queue_edit(UTL_message_queue* q, void (*fn)(std::vector<void*>& items, void* ref), void* ref);
void* UTL_message_queue_read(UTL_message_queue* q, int ms);	// 0 polls, -1 waits, >0 waits at most ms

#endif
