#include <gtest/gtest.h>
#include "UTL_log.h"
#include "UTL_memory.h"
#include "UTL_stat.h"
#include "core_support.h"
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

// More than any allocator here will hand out.
static const size_t too_much = (size_t)1 << 50;

static void new_one(size_t n) { ::operator delete(::operator new(n)); }
static void new_many(size_t n) { ::operator delete[](::operator new[](n)); }
static void new_here(size_t n) { ::operator delete(::operator new(n, __FILE__, __LINE__)); }

static int handler_calls;
static void counting_handler()
{
	if (++handler_calls == 3) std::set_new_handler(nullptr);	// gives up on the third call
}
static void throwing_handler()
{
	++handler_calls;
	throw std::bad_alloc();
}

TEST(Memory, ZeroSizeAndNullDelete)
{
	char* a = new char[0];
	char* b = new char[0];
	ASSERT_NE(a, nullptr);
	EXPECT_NE(a, b);
	delete[] a;
	delete[] b;
	void* p = ::operator new(0);
	EXPECT_NE(p, nullptr);
	::operator delete(p);
	::operator delete(nullptr);
	::operator delete[](nullptr);
	int* loc = new (__FILE__, __LINE__) int(5);
	EXPECT_EQ(*loc, 5);
	delete loc;
}

TEST(Memory, FailureGoesThroughTheNewHandlerUntilItGivesUp)
{
	std::set_new_handler(nullptr);
	EXPECT_THROW(new_one(too_much), std::bad_alloc);
	EXPECT_EQ(::operator new(too_much, std::nothrow), nullptr);

	handler_calls = 0;
	std::set_new_handler(counting_handler);
	EXPECT_THROW(new_many(too_much), std::bad_alloc);
	EXPECT_EQ(handler_calls, 3);
	handler_calls = 0;
	std::set_new_handler(counting_handler);
	EXPECT_EQ(::operator new[](too_much, std::nothrow), nullptr);
	EXPECT_EQ(handler_calls, 3);

	// a handler that throws: the nothrow forms still return null
	handler_calls = 0;
	std::set_new_handler(throwing_handler);
	EXPECT_EQ(::operator new(too_much, std::nothrow, __FILE__, __LINE__), nullptr);
	EXPECT_THROW(new_here(too_much), std::bad_alloc);
	EXPECT_EQ(handler_calls, 2);
	std::set_new_handler(nullptr);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CORE_SANITIZED 1
#else
#define CORE_SANITIZED 0
#endif

static void* reserve;
static int   reserve_freed;
static void free_the_reserve()
{
	free(reserve);
	reserve = nullptr;
	++reserve_freed;
	std::set_new_handler(nullptr);
}

// Under an address-space limit, memory held back frees room for the retry.
TEST(Memory, HandlerThatFreesAReserveLetsTheRetrySucceed)
{
	if (CORE_SANITIZED) GTEST_SKIP() << "the sanitizers' allocators hold freed memory back";
	EXPECT_EXIT(
		{
			struct rlimit rl;
			getrlimit(RLIMIT_AS, &rl);
			// room for the reserve, not for the reserve and the request together
			FILE* f = fopen("/proc/self/statm", "r");
			unsigned long long pages = 0;
			if (!f || fscanf(f, "%llu", &pages) != 1) exit(3);
			fclose(f);
			rl.rlim_cur = pages * 4096 + (300ULL << 20);
			if (setrlimit(RLIMIT_AS, &rl) != 0) exit(4);
			reserve = malloc(200 << 20);
			if (!reserve) exit(5);
			memset(reserve, 1, 200 << 20);
			std::set_new_handler(free_the_reserve);
			char* big = new char[200 << 20];
			big[0] = 1;
			exit(reserve_freed == 1 && big ? 0 : 6);
		},
		::testing::ExitedWithCode(0), "");
}

TEST(Memory, ByteCountsInShortForm)
{
	struct { unsigned long long b; unsigned n; char c; } rows[] = {
		{0, 0, 'B'}, {1433, 1433, 'B'}, {1434, 1, 'K'}, {1468006, 1433, 'K'}, {1468007, 1, 'M'},
		{2ULL << 30, 2048, 'M'}, {15032385536ULL, 14336, 'M'}, {15032385537ULL, 14, 'G'},
		{1ULL << 62, 1U << 2 << 30, 'G'},
	};
	for (auto& r : rows) {
		EXPECT_EQ(mem_to_number(r.b), r.n) << r.b;
		EXPECT_EQ(mem_to_suffix(r.b), r.c) << r.b;
	}
	EXPECT_STREQ(sm_string(1), "Copy-on-write");
	EXPECT_STREQ(sm_string(3), "Empty");
	EXPECT_STREQ(sm_string(7), "Shared-Aliased");
	EXPECT_STREQ(sm_string(0), "Unknown");
	EXPECT_STREQ(sm_string(8), "Unknown");
}

// The first report of a run replaces the file, later ones append.
TEST(Memory, ReportReplacedPerRunAppendedWithinOne)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");	// a fresh process for each run
	std::string dir = core_test_dir("memory_report");
	for (int run = 0; run < 2; ++run) {
		EXPECT_EXIT(
			{
				core_cwd here(dir);
				core_open_log("log.txt");
				dump_mem_stats("first");
				if (run == 0) dump_mem_stats("second");
				xer.close();
				exit(0);
			},
			::testing::ExitedWithCode(0), "");
		std::string rep = core_read_file(dir + "/MemoryLog.txt");
		EXPECT_EQ(core_count(rep, "dump_mem_stats: "), run == 0 ? 2 : 1);
		EXPECT_EQ(rep.rfind("dump_mem_stats: first\nOS X Info:\n    Page size:            4K      ", 0), 0u) << rep;
		EXPECT_NE(rep.find("    I will now print the entire map of virtual memory.\n"
		                   "        Address           Size    r-private r-shared sharing-mode (ref count)\n"
		                   "        0x00000000"), std::string::npos);	// the walk starts with the gap at 0
		EXPECT_NE(rep.find("               --------\n"), std::string::npos);
		EXPECT_NE(rep.find("Copy-on-write (  1)       test_core\n"), std::string::npos);
		EXPECT_NE(rep.find("    Total gap:       "), std::string::npos);
		EXPECT_EQ(core_read_file(dir + "/log.txt"),
		          run == 0 ? "OK check MemoryLog.txt! I just sent him a dump from first\n"
		                     "OK check MemoryLog.txt! I just sent him a dump from second\n"
		                   : "OK check MemoryLog.txt! I just sent him a dump from first\n");
	}
	GTEST_FLAG_SET(death_test_style, "fast");
}

TEST(Memory, LazyPool)
{
	float before = UTL_lazy_mempool::global_total;
	{
		UTL_lazy_mempool p;
		EXPECT_EQ(p.total, 0);
		EXPECT_EQ(p.blocks, nullptr);
		char* a = (char*)p.alloc(100);
		char* b = (char*)p.alloc(30000);
		memset(a, 1, 100);
		memset(b, 2, 30000);
		EXPECT_EQ(UTL_lazy_mempool::global_total, before + 32768);
		char* c = (char*)p.alloc(5000);	// does not fit the rest: a new block
		ASSERT_NE(c, nullptr);
		memset(c, 3, 5000);
		EXPECT_EQ(UTL_lazy_mempool::global_total, before + 2 * 32768);
		EXPECT_GT(p.wasted, 0);
		EXPECT_EQ(p.alloc(40000), nullptr);

		std::string dir = core_test_dir("memory_pool");
		core_open_log(dir + "/log.txt");
		p.dump();
		xer.close();
		char want[200];
		snprintf(want, sizeof(want), "Total memory allocated: %d\nTotal wasted memory: %d\nTotal ready memory: %d\n", p.total,
		         p.wasted, p.ready);
		EXPECT_EQ(core_read_file(dir + "/log.txt"), want);
	}
	EXPECT_EQ(UTL_lazy_mempool::global_total, before);
	// the pools' total is published as a statistic that reads it in place
	bool found = false;
	for (UTL_stat* s = UTL_stat_waiting(); s; s = s->next)
		if (strcmp(s->name, "memory/lazy_pools") == 0 && s->value_ptr == &UTL_lazy_mempool::global_total) found = true;
	EXPECT_TRUE(found);
}
