#include "thread_test_util.h"
#include "UTL_alert.h"
#include "UTL_worker_threads.h"
#include <atomic>
#include <cerrno>
#include <new>
#include <stdexcept>
#include <vector>

using WorkerSetTest = ThreadTest;

static std::atomic<int> alive_tasks{0};

struct counting_task : UTL_work_task {
	int id;
	std::vector<std::atomic<int>>* runs;
	int calls = 0;
	counting_task(int i, std::vector<std::atomic<int>>* r) : id(i), runs(r) { alive_tasks++; }
	~counting_task() override { alive_tasks--; }
	void do_it() override
	{
		calls++;
		if (runs) (*runs)[id]++;
		volatile unsigned x = (unsigned)id;	// a little work
		for (int i = 0; i < 200; ++i) x = x * 1664525u + 1013904223u;
	}
};

// The owner loop the install engine runs every frame: fill free slots, collect without waiting.
TEST_F(WorkerSetTest, ManyTasksBoundedInFlightEachReturnedOnce)
{
	const int count = 20000, limit = 8;
	std::vector<std::atomic<int>> runs(count), returned(count);
	UTL_worker_threads* set = new UTL_worker_threads(4, limit);
	int next = 0, max_seen = 0, max_alive = 0;
	while (next < count || set->count_total_tasks() > 0) {
		while (next < count && set->has_free_slot()) set->enqueue_task(new counting_task(next++, &runs));
		max_seen = std::max(max_seen, set->count_total_tasks());
		max_alive = std::max(max_alive, alive_tasks.load());
		while (UTL_work_task* t = set->check_retired_tasks()) {
			std::string msg;
			EXPECT_EQ(t->check_error(msg), 0);
			returned[((counting_task*)t)->id]++;
			delete t;
		}
	}
	delete set;
	EXPECT_LE(max_seen, limit);
	EXPECT_LE(max_alive, limit);
	int bad = 0;
	for (int i = 0; i < count; ++i)
		if (runs[i] != 1 || returned[i] != 1) bad++;
	EXPECT_EQ(bad, 0);
	EXPECT_EQ(alive_tasks.load(), 0);
}

TEST_F(WorkerSetTest, EmptySetsAndLimits)
{
	UTL_worker_threads none(2, 0);
	EXPECT_FALSE(none.has_free_slot());
	EXPECT_EQ(none.wait_retired_tasks(), nullptr);	// nothing outstanding: at once
	EXPECT_EQ(none.check_retired_tasks(), nullptr);

	UTL_worker_threads two(1, 2);
	EXPECT_TRUE(two.has_free_slot());
	counting_task a(0, nullptr), b(1, nullptr);
	two.enqueue_task(&a);
	EXPECT_TRUE(two.has_free_slot());
	two.enqueue_task(&b);
	EXPECT_FALSE(two.has_free_slot());
	EXPECT_NE(two.wait_retired_tasks(), nullptr);
	EXPECT_NE(two.wait_retired_tasks(), nullptr);
	EXPECT_EQ(two.wait_retired_tasks(), nullptr);
	EXPECT_EQ(two.count_total_tasks(), 0);
}

TEST_F(WorkerSetTest, DestroyRunsQueuedWorkFirstAndKeepsObjects)
{
	std::vector<std::atomic<int>> runs(50);
	std::vector<counting_task*> tasks;
	UTL_worker_threads* set = new UTL_worker_threads(2, 100);
	for (int i = 0; i < 50; ++i) {
		tasks.push_back(new counting_task(i, &runs));
		set->enqueue_task(tasks.back());
	}
	delete set;
	EXPECT_EQ(alive_tasks.load(), 50);
	for (int i = 0; i < 50; ++i) EXPECT_EQ(runs[i].load(), 1);
	for (auto t : tasks) delete t;
}

// A task that holds its thread until the test lets it go.
struct held_task : UTL_work_task {
	test_signal started, open;
	void do_it() override
	{
		started.post();
		open.wait();
	}
};

// An owner abandoning a deep queue: what no thread started comes back unrun
// and marked, the running task finishes, and the set takes new work after.
TEST_F(WorkerSetTest, CancelQueuedHandsBackUnrunWorkAndLetsRunningWorkFinish)
{
	std::vector<std::atomic<int>> runs(6);
	UTL_worker_threads set(1, 100);
	held_task* gate = new held_task;
	set.enqueue_task(gate);
	for (int i = 0; i < 5; ++i) set.enqueue_task(new counting_task(i, &runs));
	ASSERT_TRUE(gate->started.wait());
	set.cancel_queued();
	gate->open.post();
	int cancelled = 0, gate_back = 0;
	while (UTL_work_task* t = set.wait_retired_tasks()) {
		std::string msg;
		int err = t->check_error(msg);
		if (t == gate) {
			EXPECT_EQ(0, err);
			gate_back++;
		} else {
			EXPECT_EQ(ECANCELED, err);
			EXPECT_FALSE(msg.empty());
			cancelled++;
		}
		delete t;
	}
	EXPECT_EQ(1, gate_back);
	EXPECT_EQ(5, cancelled);
	for (int i = 0; i < 5; ++i) EXPECT_EQ(0, runs[i].load()) << i;
	set.enqueue_task(new counting_task(5, &runs));
	delete set.wait_retired_tasks();
	EXPECT_EQ(1, runs[5].load());
	EXPECT_EQ(0, set.count_total_tasks());
}

TEST_F(WorkerSetTest, ChainedSetsRunOneObjectTwice)
{
	UTL_worker_threads first(2, 10), second(3, 10);
	std::vector<counting_task*> tasks;
	for (int i = 0; i < 10; ++i) {
		tasks.push_back(new counting_task(i, nullptr));
		first.enqueue_task(tasks.back());
	}
	int done = 0;
	while (UTL_work_task* t = first.wait_retired_tasks()) second.enqueue_task(t);
	while (UTL_work_task* t = second.wait_retired_tasks()) {
		EXPECT_EQ(((counting_task*)t)->calls, 2);
		delete t;
		done++;
	}
	EXPECT_EQ(done, 10);
}

struct throwing_task : UTL_work_task {
	int kind;
	explicit throwing_task(int k) : kind(k) {}
	void do_it() override
	{
		if (kind == 0) throw std::bad_alloc();
		if (kind == 1) throw std::runtime_error("disk on fire");
		throw 5;
	}
};

// Nothing around do_it may let an exception kill the thread or lose the task.
TEST_F(WorkerSetTest, ThrowingTaskComesBackWithError)
{
	UTL_worker_threads set(1, 10);
	for (int k = 0; k < 3; ++k) set.enqueue_task(new throwing_task(k));
	counting_task* after = new counting_task(0, nullptr);
	set.enqueue_task(after);
	int want[] = {ENOMEM, ECANCELED, ECANCELED};
	for (int k = 0; k < 3; ++k) {
		UTL_work_task* t = set.wait_retired_tasks();
		ASSERT_NE(t, nullptr);
		std::string msg;
		EXPECT_EQ(t->check_error(msg), want[k]) << k;
		EXPECT_FALSE(msg.empty());
		if (k == 1) {
			EXPECT_EQ(msg, "disk on fire");
		}
		delete t;
	}
	EXPECT_EQ(set.wait_retired_tasks(), after) << "the thread goes on after a throwing task";
	EXPECT_EQ(after->calls, 1);
	delete after;
}

struct fatal_task : UTL_work_task {
	test_signal* started;
	test_signal* go;
	int finished = 0;
	fatal_task(test_signal* s, test_signal* g) : started(s), go(g) {}
	void do_it() override
	{
		started->post();
		go->wait();
		APL_alert("task failed", "for good", "", "", t_exit);
		finished = 1;
	}
};

// Both threads end on fatal reports: their tasks, the ones still queued and one
// enqueued afterwards all come back failed, so the owner's drain ends.
static int drain_after_fatal_reports()
{
	test_signal started, go;
	UTL_worker_threads* set = new UTL_worker_threads(2, 100);
	fatal_task* k1 = new fatal_task(&started, &go);
	fatal_task* k2 = new fatal_task(&started, &go);
	set->enqueue_task(k1);
	set->enqueue_task(k2);
	if (!started.wait() || !started.wait()) return 10;	// each thread holds one
	for (int i = 0; i < 10; ++i) set->enqueue_task(new counting_task(i, nullptr));
	go.post();
	go.post();
	int killed = 0, unrun = 0;
	while (UTL_work_task* t = set->wait_retired_tasks()) {
		std::string msg;
		int err = t->check_error(msg);
		if (err != ECANCELED) return 11;
		if (t == k1 || t == k2) {
			if (((fatal_task*)t)->finished) return 12;
			killed++;
		} else {
			if (((counting_task*)t)->calls != 0) return 13;
			unrun++;
		}
		delete t;
	}
	if (killed != 2 || unrun != 10) return 14;
	counting_task* late = new counting_task(0, nullptr);
	set->enqueue_task(late);
	if (set->wait_retired_tasks() != late || late->calls != 0) return 15;
	delete late;
	delete set;
	return 0;
}

TEST_F(WorkerSetTest, FatalReportInTaskStillRetiresEveryTask)
{
	set_test_run();
	test_watchdog dog(20000);
	EXPECT_EQ(drain_after_fatal_reports(), 0);
}

TEST_F(WorkerSetTest, FatalReportInTaskIsRaisedOnMainThreadAfterDrain)
{
	EXPECT_EXIT({
		open_test_log("set_fatal");
		set_test_run();
		int r = drain_after_fatal_reports();
		if (r) exit(r);
		xer << "drained\n";
		THREAD_check_exception(1);
		exit(4);
	}, ::testing::ExitedWithCode(1), "");
	std::string text = read_file(std::string(VANTOR_BINARY_DIR) + "/thread_logs/set_fatal.log");
	EXPECT_NE(text.find("drained\ntask failed\nfor good\n"), std::string::npos);
}
