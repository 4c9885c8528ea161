#include "thread_test_util.h"
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <thread>
#include <vector>

static void* item(intptr_t v) { return (void*)v; }

static int waiting_readers(UTL_message_queue* q)
{
	pthread_mutex_lock(&q->mutex);
	int n = q->waiting;
	pthread_mutex_unlock(&q->mutex);
	return n;
}

static void wait_for_readers(UTL_message_queue* q, int n)
{
	auto t0 = std::chrono::steady_clock::now();
	while (waiting_readers(q) < n && seconds_since(t0) < 10) UTL_sleep(1);
	ASSERT_EQ(waiting_readers(q), n);
}

TEST(MessageQueue, PollTimedAndBlockingReads)
{
	UTL_message_queue* q;
	UTL_message_queue_create(&q);

	auto t0 = std::chrono::steady_clock::now();
	EXPECT_EQ(UTL_message_queue_read(q, 0), nullptr);
	EXPECT_LT(seconds_since(t0), 5.0);	// a poll never waits for a message (a hang guard, not a speed test)
	EXPECT_EQ(waiting_readers(q), 0);

	t0 = std::chrono::steady_clock::now();
	EXPECT_EQ(UTL_message_queue_read(q, 100), nullptr);
	double waited = seconds_since(t0);
	EXPECT_GE(waited, 0.095);
	EXPECT_LT(waited, 10.0);	// the time-out ends the wait (a hang guard)
	EXPECT_EQ(waiting_readers(q), 0);

	// A time-out longer than a second carries into the seconds correctly.
	std::thread late([q] { UTL_sleep(30); UTL_message_queue_write(q, item(7)); });
	EXPECT_EQ(UTL_message_queue_read(q, 1999), item(7));
	late.join();

	std::thread writer([q] { UTL_sleep(50); UTL_message_queue_write(q, item(42)); });
	t0 = std::chrono::steady_clock::now();
	EXPECT_EQ(UTL_message_queue_read(q, -1), item(42));
	EXPECT_GE(seconds_since(t0), 0.04);
	writer.join();
	UTL_message_queue_destroy(q);
}

static void reverse_items(std::vector<void*>& v, void* ref)
{
	std::reverse(v.begin(), v.end());
	v.push_back(ref);
}

TEST(MessageQueue, OrderNullItemsFrontWritesAndEdit)
{
	UTL_message_queue* q;
	UTL_message_queue_create(&q);
	UTL_message_queue_write(q, nullptr);
	EXPECT_EQ(UTL_message_queue_read(q, 0), nullptr);	// the null item, taken like an empty poll
	EXPECT_EQ(UTL_message_queue_read(q, 0), nullptr);

	UTL_message_queue_write(q, item(0xA));
	UTL_message_queue_write(q, item(0xB));
	void* front[] = {item(0xC), item(0xD)};
	UTL_message_queue_multi_write(q, front, 2, 1);
	void* back[] = {item(0xE), item(0xF)};
	UTL_message_queue_multi_write(q, back, 2, 0);
	for (intptr_t want : {0xC, 0xD, 0xA, 0xB, 0xE, 0xF}) EXPECT_EQ(UTL_message_queue_read(q, 0), item(want));
	EXPECT_EQ(UTL_message_queue_read(q, 0), nullptr);

	for (intptr_t v = 1; v <= 3; ++v) UTL_message_queue_write(q, item(v));
	UTL_message_queue_edit(q, reverse_items, item(9));
	for (intptr_t want : {3, 2, 1, 9}) EXPECT_EQ(UTL_message_queue_read(q, 0), item(want));

	// Destroying a queue that still holds items drops the pointers only.
	int kept = 5;
	UTL_message_queue_write(q, &kept);
	UTL_message_queue_destroy(q);
	EXPECT_EQ(kept, 5);
}

TEST(MessageQueue, MultiWriteWakesOneReaderPerItem)
{
	UTL_message_queue* q;
	UTL_message_queue_create(&q);
	std::atomic<int> got{0};
	auto reader = [&] { if (UTL_message_queue_read(q, 10000)) got++; };
	std::thread r1(reader), r2(reader);
	wait_for_readers(q, 2);
	void* three[] = {item(1), item(2), item(3)};
	UTL_message_queue_multi_write(q, three, 3, 0);
	r1.join();
	r2.join();
	EXPECT_EQ(got.load(), 2);
	EXPECT_EQ(UTL_message_queue_read(q, 0), item(3));
	UTL_message_queue_destroy(q);
}

// Several producers and consumers: every item arrives exactly once, and each
// consumer sees one producer's items in the order they were written.
TEST(MessageQueue, ContentionManyProducersAndConsumers)
{
	const int producers = 4, consumers = 3, per_producer = 20000;
	UTL_message_queue* q;
	UTL_message_queue_create(&q);
	std::vector<std::atomic<int>> seen(producers * per_producer);
	std::atomic<int> out_of_order{0};

	std::vector<std::thread> cons;
	for (int c = 0; c < consumers; ++c) {
		cons.emplace_back([&, c] {
			std::vector<int> last(producers, -1);
			for (;;) {
				// One consumer polls with time-outs, the others block.
				void* it = UTL_message_queue_read(q, c == 0 ? 5 : -1);
				if (c == 0 && !it) continue;
				intptr_t v = (intptr_t)it;
				if (v == -1) break;
				int n = (int)(v - 1), p = n / per_producer, i = n % per_producer;
				if (i <= last[p]) out_of_order++;
				last[p] = i;
				seen[n]++;
			}
		});
	}
	std::vector<std::thread> prods;
	for (int p = 0; p < producers; ++p) {
		prods.emplace_back([&, p] {
			for (int i = 0; i < per_producer; ++i) {
				intptr_t v = (intptr_t)p * per_producer + i + 1;
				if (i % 100 == 0) {
					void* pair[] = {item(v)};
					UTL_message_queue_multi_write(q, pair, 1, 0);
				} else {
					UTL_message_queue_write(q, item(v));
				}
			}
		});
	}
	for (auto& t : prods) t.join();
	for (int c = 0; c < consumers; ++c) UTL_message_queue_write(q, item(-1));
	for (auto& t : cons) t.join();

	int missing = 0, doubled = 0;
	for (auto& s : seen) {
		if (s == 0) missing++;
		if (s > 1) doubled++;
	}
	EXPECT_EQ(missing, 0);
	EXPECT_EQ(doubled, 0);
	EXPECT_EQ(out_of_order.load(), 0);
	EXPECT_EQ(UTL_message_queue_read(q, 0), nullptr);
	UTL_message_queue_destroy(q);
}

TEST(CriticalSection, RecursiveAndExclusive)
{
	pthread_mutex_t m;
	UTL_critical_section_create(&m);
	UTL_critical_section_lock(&m);
	UTL_critical_section_lock(&m);
	auto other_gets_it = [&] {
		int r = pthread_mutex_trylock(&m);
		if (r == 0) pthread_mutex_unlock(&m);
		return r == 0;
	};
	bool got = true;
	std::thread([&] { got = other_gets_it(); }).join();
	EXPECT_FALSE(got);
	UTL_critical_section_unlock(&m);
	std::thread([&] { got = other_gets_it(); }).join();
	EXPECT_FALSE(got) << "one unlock of two must keep the section held";
	UTL_critical_section_unlock(&m);
	std::thread([&] { got = other_gets_it(); }).join();
	EXPECT_TRUE(got);

	// Nested locking under contention keeps a plain counter exact.
	long counter = 0;
	std::vector<std::thread> ts;
	for (int t = 0; t < 4; ++t)
		ts.emplace_back([&] {
			for (int i = 0; i < 20000; ++i) {
				UTL_critical_section_lock(&m);
				UTL_critical_section_lock(&m);
				counter++;
				UTL_critical_section_unlock(&m);
				UTL_critical_section_unlock(&m);
			}
		});
	for (auto& t : ts) t.join();
	EXPECT_EQ(counter, 80000);
	UTL_critical_section_destroy(&m);
}

TEST(Threads, CreateJoinAndFailedJoinOnlyLogs)
{
	std::string log = open_test_log("join");
	pthread_t t, j, id;
	static int arg = 41;
	UTL_thread_create([](void* a) -> void* { return (void*)(intptr_t)(*(int*)a + 1); }, &arg, &t, &j, &id);
	EXPECT_TRUE(pthread_equal(t, j) && pthread_equal(t, id));
	EXPECT_EQ(UTL_thread_join(&t, &j), (void*)42);

	pthread_t self = UTL_get_current_thread();
	EXPECT_EQ(UTL_thread_join(&self, &self), nullptr);	// joining oneself fails: logged only
	xer.flush();
	EXPECT_NE(read_file(log).find("Warning: wait on thread cleanup failed with error " + std::to_string(EDEADLK) + "\n"),
	          std::string::npos);

	auto t0 = std::chrono::steady_clock::now();
	UTL_sleep(0);
	UTL_sleep(-20);
	EXPECT_LT(seconds_since(t0), 5.0);	// no sleep at all, not a wrapped-around one (a hang guard)
	EXPECT_GE(UTL_count_processors(), 1);
}
