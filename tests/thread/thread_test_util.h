#ifndef THREAD_TEST_UTIL_H
#define THREAD_TEST_UTIL_H
// Shared by the thread tests: a started thread service per test, the log in a file of its own.
#include <gtest/gtest.h>
#include "THREAD_service.h"
#include "UTL_cmdline.h"
#include "UTL_log.h"
#include "UTL_threads.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>

#if defined(__SANITIZE_THREAD__)
#define THREAD_TEST_TSAN 1
#else
#define THREAD_TEST_TSAN 0
#endif

// Points the log at build/thread_logs/<name>.log, emptied.
inline std::string open_test_log(const std::string& name)
{
	std::string dir = std::string(VANTOR_BINARY_DIR) + "/thread_logs";
	mkdir(dir.c_str(), 0755);
	std::string path = dir + "/" + name + ".log";
	if (xer.is_open()) xer.close();
	xer.clear();
	xer.open(path, std::ios::out | std::ios::trunc);
	return path;
}

inline std::string read_file(const std::string& path)
{
	std::ifstream f(path);
	std::stringstream ss;
	ss << f.rdbuf();
	return ss.str();
}

inline double seconds_since(std::chrono::steady_clock::time_point t0)
{
	return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Alerts only log; a fatal one exits with status 1.
inline void set_test_run() { UTL_cmdline::add_one("--fps_test", ""); }

class ThreadTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		GTEST_FLAG_SET(death_test_style, "threadsafe");
		THREAD_init();
	}
	void TearDown() override { THREAD_shutdown(); }
};

// A one-shot signal between threads that never hangs a test: waits at most 10 s.
struct test_signal {
	UTL_message_queue* q;
	test_signal() { UTL_message_queue_create(&q); }
	~test_signal() { UTL_message_queue_destroy(q); }
	void post() { UTL_message_queue_write(q, (void*)1); }
	bool wait(int ms = 10000) { return UTL_message_queue_read(q, ms) != nullptr; }
};

// Ends the test program when a scope that must not block has not left in time.
struct test_watchdog {
	test_signal left;
	std::thread t;
	explicit test_watchdog(int ms)
		: t([this, ms] {
			  if (!left.wait(ms)) {
				  fprintf(stderr, "watchdog: still blocked after %d ms\n", ms);
				  abort();
			  }
		  }) {}
	~test_watchdog()
	{
		left.post();
		t.join();
	}
};

#endif
