#include "thread_test_util.h"
#include "UTL_threadpool.h"
#include <atomic>
#include <mutex>
#include <vector>

using PoolTest = ThreadTest;

static std::atomic<int> pool_deleted{0};

struct count_task : UTL_pool_task {
	std::vector<std::atomic<int>>* runs;
	int id;
	bool delete_me;
	pthread_t ran_on = 0;
	count_task(std::vector<std::atomic<int>>* r, int i, bool del) : runs(r), id(i), delete_me(del) {}
	~count_task() override { pool_deleted++; }
	bool do_it() override
	{
		if (runs) (*runs)[id]++;
		ran_on = pthread_self();
		return delete_me;
	}
	const char* get_debug_name() override { return "count"; }
};

TEST_F(PoolTest, ManyTasksEachRunOnceAndDeletedByThePool)
{
	const int count = 20000;
	std::vector<std::atomic<int>> runs(count);
	pool_deleted = 0;
	UTL_threadpool* pool = new UTL_threadpool(4);
	EXPECT_EQ(pool->get_num_threads(), 4);
	for (int i = 0; i < count; ++i) pool->queue_task(new count_task(&runs, i, true), i % 7 == 0);
	delete pool;	// runs what is queued before the stop items
	EXPECT_EQ(pool_deleted.load(), count);
	int bad = 0;
	for (auto& r : runs) bad += r != 1;
	EXPECT_EQ(bad, 0);
}

struct gate_task : UTL_pool_task {
	test_signal started, open;
	bool do_it() override
	{
		started.post();
		open.wait();
		return false;
	}
	const char* get_debug_name() override { return "gate"; }
};

struct order_task : UTL_pool_task {
	std::vector<int>* order;
	std::mutex* m;
	int tag;
	order_task(std::vector<int>* o, std::mutex* mm, int t) : order(o), m(mm), tag(t) {}
	bool do_it() override
	{
		std::lock_guard<std::mutex> l(*m);
		order->push_back(tag);
		return true;
	}
	const char* get_debug_name() override { return "order"; }
};

TEST_F(PoolTest, UrgentTasksStartFirstLatestFirst)
{
	UTL_threadpool* pool = new UTL_threadpool(1);
	gate_task gate;
	pool->queue_task(&gate, 0);
	ASSERT_TRUE(gate.started.wait());
	std::vector<int> order;
	std::mutex m;
	pool->queue_task(new order_task(&order, &m, 1), 0);
	pool->queue_task(new order_task(&order, &m, 2), 0);
	pool->queue_task(new order_task(&order, &m, 3), 1);
	pool->queue_task(new order_task(&order, &m, 4), 1);
	gate.open.post();
	delete pool;
	EXPECT_EQ(order, (std::vector<int>{4, 3, 1, 2}));
}

TEST_F(PoolTest, KeptTasksLiveOnAndCallerCanHelp)
{
	pool_deleted = 0;
	UTL_threadpool pool(0);
	EXPECT_FALSE(pool.help_a_bit());	// empty: at once
	UTL_message_queue_write(pool.task_queue, (void*)1);
	EXPECT_TRUE(pool.help_a_bit());	// the wake-up item is taken
	EXPECT_FALSE(pool.help_a_bit());

	count_task kept(nullptr, 0, false);
	pool.queue_task(&kept, 0);
	pool.queue_task(new count_task(nullptr, 0, true), 0);
	EXPECT_TRUE(pool.help_a_bit());
	EXPECT_TRUE(pthread_equal(kept.ran_on, pthread_self()));
	EXPECT_EQ(pool_deleted.load(), 0);
	EXPECT_TRUE(pool.help_a_bit());
	EXPECT_EQ(pool_deleted.load(), 1);
	EXPECT_FALSE(pool.help_a_bit());

	// A barrier or rendezvous on a pool without threads does nothing.
	UTL_threadpool_barrier barrier(&pool, "barrier");
	barrier.halt_pool_start(0);
	barrier.halt_pool_finish();
	barrier.restart_pool();
	UTL_threadpool_sync sync(&pool, "sync");
	sync.queue_me([](void*) { ADD_FAILURE(); }, nullptr, 0, 0);
	EXPECT_FALSE(pool.help_a_bit());
}

struct flag_task : UTL_pool_task {
	std::atomic<int> ran{0};
	test_signal done;
	bool do_it() override
	{
		ran = 1;
		done.post();
		return false;
	}
	const char* get_debug_name() override { return "flag"; }
};

struct rendezvous_check {
	UTL_threadpool* pool;
	UTL_threadpool_sync* sync;
	std::atomic<int> calls{0};
	int arrived_seen = 0;
	int queued_task_ran = 0;
	flag_task probe;
	test_signal called;
};

static void rendezvous_cb(void* p)
{
	rendezvous_check* c = (rendezvous_check*)p;
	c->calls++;
	c->arrived_seen = __atomic_load_n(&c->sync->arrived, __ATOMIC_SEQ_CST);
	// Every other pool thread is parked: a task queued now cannot start yet.
	c->pool->queue_task(&c->probe, 0);
	UTL_sleep(50);
	c->queued_task_ran = c->probe.ran;
	c->called.post();
}

struct deleted_sync : UTL_threadpool_sync {
	using UTL_threadpool_sync::UTL_threadpool_sync;
	~deleted_sync() override { pool_deleted++; }
};

TEST_F(PoolTest, RendezvousRunsCallbackOnceWhileOthersWait)
{
	UTL_threadpool pool(3);
	rendezvous_check c;
	c.pool = &pool;
	UTL_threadpool_sync sync(&pool, "sync");
	c.sync = &sync;
	sync.queue_me(rendezvous_cb, &c, 0, 0);
	ASSERT_TRUE(c.called.wait());
	ASSERT_TRUE(c.probe.done.wait());
	EXPECT_EQ(c.calls.load(), 1);
	EXPECT_EQ(c.arrived_seen, 3);
	EXPECT_EQ(c.queued_task_ran, 0);
	auto t0 = std::chrono::steady_clock::now();
	while (__atomic_load_n(&sync.arrived, __ATOMIC_SEQ_CST) != 0 && seconds_since(t0) < 10) UTL_sleep(1);
	EXPECT_EQ(__atomic_load_n(&sync.arrived, __ATOMIC_SEQ_CST), 0);

	// Reused, then handed to the pool to delete after its last use.
	pool_deleted = 0;
	deleted_sync* once = new deleted_sync(&pool, "once");
	rendezvous_check c2;
	c2.pool = &pool;
	c2.sync = once;
	once->queue_me(rendezvous_cb, &c2, 1, 1);
	ASSERT_TRUE(c2.called.wait());
	ASSERT_TRUE(c2.probe.done.wait());
	t0 = std::chrono::steady_clock::now();
	while (pool_deleted.load() == 0 && seconds_since(t0) < 10) UTL_sleep(1);
	UTL_sleep(20);
	EXPECT_EQ(pool_deleted.load(), 1);
	EXPECT_EQ(c2.calls.load(), 1);
}

TEST_F(PoolTest, BarrierHoldsThePoolAndFeedsItsOwnWork)
{
	UTL_threadpool pool(3);
	UTL_threadpool_barrier* barrier = new UTL_threadpool_barrier(&pool, "barrier");
	for (int round = 0; round < 2; ++round) {
		barrier->halt_pool_start(round);
		barrier->halt_pool_finish();
		flag_task on_pool, through_barrier;
		pool.queue_task(&on_pool, 0);
		barrier->queue_task(&through_barrier);
		ASSERT_TRUE(through_barrier.done.wait());
		EXPECT_FALSE(on_pool.done.wait(50)) << "the pool's own queue waits while halted";
		barrier->restart_pool();
		EXPECT_TRUE(on_pool.done.wait());
	}
	delete barrier;
}
