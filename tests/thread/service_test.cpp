#include "thread_test_util.h"
#include "UTL_alert.h"
#include "UTL_exce.h"
#include "UTL_globals.h"
#include "UTL_threadpool.h"
#include <climits>
#include <stdexcept>
#include <thread>

using ServiceTest = ThreadTest;

static void* run_on_new_thread(void* (*fn)(void*), void* arg = nullptr)
{
	pthread_t t, j, id;
	THREAD_create(fn, arg, &t, &j, &id, 0);
	return UTL_thread_join(&t, &j);
}

TEST_F(ServiceTest, KnowsTheMainThread)
{
	EXPECT_TRUE(THREAD_is_inited());
	EXPECT_TRUE(THREAD_is_main_thread());
	void* r = run_on_new_thread([](void*) -> void* { return (void*)(intptr_t)(THREAD_is_main_thread() ? 1 : 2); });
	EXPECT_EQ(r, (void*)2);
	bool on_std_thread = true;
	std::thread([&] { on_std_thread = THREAD_is_main_thread(); }).join();
	EXPECT_FALSE(on_std_thread);
}

static int went_on = 0;
static void* raise_warning(void*)
{
	APL_alert("warn one", "warn two", "", "", t_alert);
	APL_alert("language", "", "", "", t_choose_language);	// dropped off the main thread
	went_on = 1;
	return nullptr;
}

TEST_F(ServiceTest, WorkerWarningIsQueuedAndWorkerGoesOn)
{
	std::string log = open_test_log("warning");
	set_test_run();
	went_on = 0;
	run_on_new_thread(raise_warning);
	EXPECT_EQ(went_on, 1);
	THREAD_check_exception(0);	// fatal reports only
	xer.flush();
	EXPECT_EQ(read_file(log).find("warn one"), std::string::npos);
	THREAD_check_exception(1);
	xer.flush();
	std::string text = read_file(log);
	EXPECT_NE(text.find("warn one\nwarn two\n\n\n("), std::string::npos);
	EXPECT_EQ(text.find("language"), std::string::npos);
	THREAD_check_exception(1);	// raised once only
	xer.flush();
	EXPECT_EQ(read_file(log), text);
}

static int after_fatal = 0;
static const int fatal_line = __LINE__ + 3;
static void* raise_fatal(void*)
{
	APL_alert("fatal one", "fatal two", "fatal three", "fatal four", t_exit);
	after_fatal = 1;
	return nullptr;
}

// The worker ends inside the alert call (a pthread_exit unwind through the
// thread entry's handlers); the main thread raises the report and exits 1.
TEST_F(ServiceTest, WorkerFatalReportEndsWorkerAndExitsOnMainThread)
{
	std::string log = std::string(VANTOR_BINARY_DIR) + "/thread_logs/fatal.log";
	EXPECT_EXIT({
		open_test_log("fatal");
		set_test_run();
		run_on_new_thread(raise_fatal);
		if (after_fatal) exit(3);
		xer << "worker joined\n";
		THREAD_check_exception(1);
		exit(4);
	}, ::testing::ExitedWithCode(1), "");
	std::string text = read_file(log);
	size_t joined = text.find("worker joined\n");
	size_t lines = text.find("fatal one\nfatal two\nfatal three\nfatal four\n(");
	ASSERT_NE(joined, std::string::npos);
	ASSERT_NE(lines, std::string::npos);
	EXPECT_LT(joined, lines) << "raised on the main thread, not on the worker";
	EXPECT_NE(text.find("service_test.cpp line " + std::to_string(fatal_line) + ")"), std::string::npos);
}

template <class Thrown> static void* throw_out(void*) { throw Thrown(); }
struct boom : std::runtime_error { boom() : std::runtime_error("boom") {} };
struct warn_report : exce_class {
	warn_report() : exce_class("thrown one", "thrown two", "", "", "thrower.cpp", 77, t_alert) {}
};

TEST_F(ServiceTest, ExceptionLeavingThreadBecomesFatalReport)
{
	struct { void* (*fn)(void*); const char* name; const char* want; } cases[] = {
		{throw_out<boom>, "throw_std", "Caught an unhandled C++ exception\nboom\n\n\n("},
		{throw_out<warn_report>, "throw_exce", "thrown one\nthrown two\n\n\n(thrower.cpp line 77)"},
		{throw_out<int>, "throw_int", "Caught an unhandled unknown exception\n\n\n\n("},
	};
	for (auto& c : cases) {
		EXPECT_EXIT({
			open_test_log(c.name);
			set_test_run();
			run_on_new_thread(c.fn);
			THREAD_check_exception(0);
			exit(4);
		}, ::testing::ExitedWithCode(1), "") << c.name;
		EXPECT_NE(read_file(std::string(VANTOR_BINARY_DIR) + "/thread_logs/" + c.name + ".log").find(c.want),
		          std::string::npos) << c.name;
	}
}

TEST_F(ServiceTest, ReportsSentOnMainThreadAreQueued)
{
	open_test_log("main_send");
	set_test_run();
	THREAD_send_exception(exce_class("dropped", "", "", "", __FILE__, __LINE__, t_choose_language));
	THREAD_check_exception(1);	// nothing queued: returns
	EXPECT_EXIT({
		THREAD_send_exception(exce_class("queued", "", "", "", __FILE__, __LINE__, t_exit));
		xer << "send returned\n";
		THREAD_check_exception(0);
		exit(4);
	}, ::testing::ExitedWithCode(1), "");
	std::string text = read_file(std::string(VANTOR_BINARY_DIR) + "/thread_logs/main_send.log");
	EXPECT_NE(text.find("send returned\nqueued\n"), std::string::npos);
	EXPECT_EQ(text.find("dropped"), std::string::npos);
}

// Off the main thread a report only logs and stops the run; neither it nor a
// shutdown asked for there may stop the service from inside a worker.
TEST_F(ServiceTest, WorkerCannotShutTheServiceDown)
{
	std::string log = open_test_log("report_off_main");
	app_done = 0;
	run_on_new_thread([](void*) -> void* {
		exce_class("off main", "", "", "", "here.cpp", 5, t_alert).Report();
		THREAD_shutdown();
		return nullptr;
	});
	EXPECT_TRUE(THREAD_is_inited());
	EXPECT_EQ(app_done, 1);
	app_done = 0;
	xer.flush();
	EXPECT_NE(read_file(log).find("EXCEPTION REPORTED FROM THREAD!!  File: here.cpp, line 5.\noff main\n"), std::string::npos);
}

static void* add_one(void* a) { return (void*)((intptr_t)a + 1); }
static void* wait_on_queue(void* q) { return UTL_message_queue_read((UTL_message_queue*)q, 10000); }

TEST_F(ServiceTest, AsyncCallsAndCookies)
{
	THREAD_make_workers();
	ASSERT_NE(g_threadpool, nullptr);
	EXPECT_EQ(g_threadpool->get_num_threads(), 0) << "threaded GL is off without the shell's hooks";

	next_cookie = 0;
	THREAD_call* a = THREAD_run_async(add_one, (void*)1);
	THREAD_call* b = THREAD_run_async(add_one, (void*)10);
	EXPECT_EQ(a->cookie, 4);
	EXPECT_EQ(b->cookie, 8);
	EXPECT_EQ(THREAD_is_done(a, -1), 1);
	EXPECT_EQ(THREAD_cleanup(a), (void*)2);
	EXPECT_EQ(THREAD_is_done(b, -1), 1);
	EXPECT_EQ(THREAD_cleanup(b), (void*)11);

	// A finished call is reused; one still running is not done after a poll.
	UTL_message_queue* gate;
	UTL_message_queue_create(&gate);
	THREAD_call* c = THREAD_run_async(wait_on_queue, gate);
	EXPECT_TRUE(c == a || c == b);
	EXPECT_EQ(c->cookie, 12);
	EXPECT_EQ(THREAD_is_done(c, 0), 0);
	EXPECT_EQ(THREAD_is_done(c, 20), 0);
	UTL_message_queue_write(gate, (void*)5);
	EXPECT_EQ(THREAD_is_done(c, -1), 1);
	EXPECT_EQ(THREAD_cleanup(c), (void*)5);
	UTL_message_queue_destroy(gate);

	// The counter wraps without signed overflow and never hands out 0.
	next_cookie = -8;
	THREAD_call* d = THREAD_run_async(add_one, nullptr);
	EXPECT_EQ(d->cookie, -4);
	EXPECT_EQ(THREAD_is_done(d, -1), 1);
	THREAD_cleanup(d);
	d = THREAD_run_async(add_one, nullptr);
	EXPECT_EQ(d->cookie, 4);
	EXPECT_EQ(THREAD_is_done(d, -1), 1);
	THREAD_cleanup(d);
	next_cookie = INT_MAX - 1;
	d = THREAD_run_async(add_one, nullptr);
	EXPECT_EQ(d->cookie, INT_MIN + 2);
	EXPECT_EQ(THREAD_is_done(d, -1), 1);
	THREAD_cleanup(d);
}

TEST_F(ServiceTest, CleanupBeforeDoneIsFatal)
{
	EXPECT_EXIT({
		open_test_log("cleanup_early");
		set_test_run();
		THREAD_make_workers();
		THREAD_call* c = THREAD_run_async(add_one, nullptr);
		UTL_sleep(50);	// finished, but nobody saw it finish
		THREAD_cleanup(c);
		exit(4);
	}, ::testing::ExitedWithCode(1), "");
	EXPECT_NE(read_file(std::string(VANTOR_BINARY_DIR) + "/thread_logs/cleanup_early.log")
	              .find("Thread cleanup called on not-done call."), std::string::npos);
}

// A call that ends its worker on a fatal report still posts its finish, so a
// caller waiting in THREAD_is_done wakes up (and raises the report there).
TEST_F(ServiceTest, AsyncCallEndingOnFatalReportStillFinishes)
{
	set_test_run();
	THREAD_make_workers();
	THREAD_call* c = THREAD_run_async(raise_fatal, nullptr);
	EXPECT_EQ(UTL_message_queue_read(c->done_queue, 10000), (void*)(intptr_t)c->cookie);
	EXPECT_EQ(after_fatal, 0);
	// Cleanup would raise the report; the call is freed by hand instead.
	UTL_message_queue_destroy(c->done_queue);
	UTL_critical_section_destroy(&c->lock);
	delete c;
	// The service's shutdown joins the ended worker with the live ones.
}

static int gl_on, gl_failed_calls, contexts_made, contexts_set, fail_make, fail_set;
static int dummy_context;

class ThreadedGlTest : public ThreadTest {
protected:
	void SetUp() override
	{
		ThreadTest::SetUp();
		gl_on = 1;
		gl_failed_calls = contexts_made = contexts_set = fail_make = fail_set = 0;
		THREAD_gl_hooks.threaded_avail = [] { return gl_on; };
		THREAD_gl_hooks.make_context_loader = []() -> void* {
			__atomic_add_fetch(&contexts_made, 1, __ATOMIC_SEQ_CST);
			return fail_make ? nullptr : &dummy_context;
		};
		THREAD_gl_hooks.set_context_loader = [](void* ctx) -> int {
			if (ctx != &dummy_context) return 0;
			__atomic_add_fetch(&contexts_set, 1, __ATOMIC_SEQ_CST);	// runs on the new thread
			return fail_set ? 0 : 1;
		};
		THREAD_gl_hooks.threaded_ogl_failed = [] {
			gl_failed_calls++;
			gl_on = 0;
		};
	}
	void TearDown() override
	{
		ThreadTest::TearDown();
		THREAD_gl_hooks = {};
	}
};

TEST_F(ThreadedGlTest, WorkersAndPoolWithLoaderContexts)
{
	std::string log = open_test_log("workers_gl");
	int n = UTL_count_processors();
	THREAD_make_workers();
	xer.flush();
	EXPECT_NE(read_file(log).find("CPU count        : " + std::to_string(n) + "\n"), std::string::npos);
	ASSERT_NE(g_threadpool, nullptr);
	int pool = n - 1 > 1 ? n - 1 : 1;
	EXPECT_EQ(g_threadpool->get_num_threads(), pool);
	EXPECT_EQ(contexts_made, n + pool);
	EXPECT_EQ(__atomic_load_n(&contexts_set, __ATOMIC_SEQ_CST), n + pool);
	EXPECT_EQ(gl_failed_calls, 0);
}

TEST_F(ThreadedGlTest, ContextThatCannotBeMadeSwitchesThreadedGlOff)
{
	fail_make = 1;
	THREAD_make_workers();
	EXPECT_EQ(gl_failed_calls, 1);
	EXPECT_EQ(contexts_made, 1) << "asked once; later threads start without GL";
	EXPECT_EQ(g_threadpool->get_num_threads(), 0);
}

TEST_F(ThreadedGlTest, ContextThatCannotBeMadeCurrentSwitchesThreadedGlOff)
{
	fail_set = 1;
	THREAD_make_workers();
	EXPECT_EQ(gl_failed_calls, 1);
	EXPECT_EQ(__atomic_load_n(&contexts_set, __ATOMIC_SEQ_CST), 1);
	EXPECT_EQ(g_threadpool->get_num_threads(), 0);
}

static int hook_runs = 0, hook_saw_service = 0;
static void shutdown_hook()
{
	hook_runs++;
	hook_saw_service = THREAD_is_inited() && g_threadpool != nullptr;
}

TEST(ServiceShutdown, RunsHooksFirstThenJoinsEverything)
{
	std::string log = open_test_log("shutdown");
	THREAD_init();
	THREAD_make_workers();
	THREAD_add_shutdown_hook(shutdown_hook);
	THREAD_add_shutdown_hook(shutdown_hook);	// once is enough
	THREAD_call* c = THREAD_run_async(add_one, nullptr);
	EXPECT_EQ(THREAD_is_done(c, -1), 1);
	THREAD_cleanup(c);
	// Unraised reports are dropped at shutdown.
	THREAD_send_exception(exce_class("left over", "", "", "", __FILE__, __LINE__, t_alert));
	hook_runs = 0;
	THREAD_shutdown();
	EXPECT_EQ(hook_runs, 1);
	EXPECT_EQ(hook_saw_service, 1);
	EXPECT_FALSE(THREAD_is_inited());
	EXPECT_EQ(g_threadpool, nullptr);
	THREAD_shutdown();	// a second call does nothing
	EXPECT_EQ(hook_runs, 1);
	xer.flush();
	std::string text = read_file(log);
	EXPECT_NE(text.find("Clean exit from threads.\n"), std::string::npos);
	EXPECT_EQ(text.find("left over"), std::string::npos);
}

// A failed OS thread call on a worker: its error text is formatted without the
// main thread's scratch string, and the report ends the program on the main thread.
TEST_F(ServiceTest, OsErrorOnWorkerIsFatalAndLeavesScratchStringAlone)
{
	if (THREAD_TEST_TSAN) GTEST_SKIP() << "the sanitizer reports the wrong-thread unlock itself";
	EXPECT_EXIT({
		open_test_log("os_error");
		set_test_run();
		stl_global = "untouched";
		run_on_new_thread([](void*) -> void* {
			pthread_mutex_t m;
			UTL_critical_section_create(&m);
			UTL_critical_section_unlock(&m);	// not held: EPERM for a recursive mutex
			return nullptr;
		});
		if (stl_global != "untouched") exit(3);
		THREAD_check_exception(0);
		exit(4);
	}, ::testing::ExitedWithCode(1), "");
	EXPECT_NE(read_file(std::string(VANTOR_BINARY_DIR) + "/thread_logs/os_error.log")
	              .find("\"pthread_mutex_unlock\" OS error\nerr=" + std::to_string(EPERM) + ".000000\n"),
	          std::string::npos);
}
