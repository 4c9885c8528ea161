#include <gtest/gtest.h>
#include "UTL_debug.h"
#include "core_support.h"
#include <cstdio>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

static std::string capture(void (*fill)(FILE*, void*), void* arg)
{
	FILE* f = tmpfile();
	fill(f, arg);
	fflush(f);
	rewind(f);
	std::string s;
	char buf[4096];
	size_t n;
	while ((n = fread(buf, 1, sizeof(buf), f)) > 0) s.append(buf, n);
	fclose(f);
	return s;
}

TEST(Debug, ResourcePaths)
{
	std::string p = "RESOURCE:map.png";
	EXPECT_EQ(UTL_path_is_resource(p), 1);
	EXPECT_EQ(p, "map.png");
	p = "RESOURCE:";
	EXPECT_EQ(UTL_path_is_resource(p), 1);
	EXPECT_EQ(p, "");
	for (const char* keep : {"RESOURCE", "resource:map.png", "Resource:x", "/RESOURCE:x", ""}) {
		p = keep;
		EXPECT_EQ(UTL_path_is_resource(p), 0);
		EXPECT_EQ(p, keep);
	}

	EXPECT_EQ(UTL_resource_get_file("no such resource.png"), "");
	EXPECT_EQ(UTL_resource_get_file(""), "");
	std::string name = "core_test_resource_" + std::to_string(getpid()) + ".txt";
	std::string path = std::string(VANTOR_BINARY_DIR) + "/Resources/" + name;
	FILE* f = fopen(path.c_str(), "w");
	ASSERT_NE(f, nullptr);
	fclose(f);
	core_cwd here(VANTOR_BINARY_DIR);	// the program's folder is the current one
	std::string got = UTL_resource_get_file(name);
	unlink(path.c_str());
	EXPECT_TRUE(got.size() >= name.size() && got.compare(got.size() - name.size() - 10, std::string::npos, "Resources/" + name) == 0) << got;
}

TEST(Debug, HexDumpRows)
{
	unsigned char bytes[17] = {'A', 0x00, 0xff, 'z', ' ', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 'Q'};
	std::string one = capture([](FILE* f, void* d) { dump_hex(f, d, 5); }, bytes);
	ASSERT_EQ(one.size(), 61u);
	EXPECT_EQ(one.substr(0, 36), " 4100FF7A 20                        ");
	EXPECT_EQ(one.substr(36, 4), "    ");
	// a blank before each group of four, the blank byte itself, then padding
	EXPECT_EQ(one.substr(40), " A..z" + std::string(" ") + " " + std::string(13, ' ') + "\n");
	std::string two = capture([](FILE* f, void* d) { dump_hex(f, d, 17); }, bytes);
	ASSERT_EQ(two.size(), 122u);
	EXPECT_EQ(two.substr(61, 36), " 51                                 ");
	EXPECT_EQ(two.substr(61 + 40), " Q                  \n");
	EXPECT_EQ(capture([](FILE* f, void* d) { dump_hex(f, d, 0); }, bytes), "");
	EXPECT_EQ(capture([](FILE* f, void* d) { dump_hex(f, d, -3); }, bytes), "");
}

__attribute__((noinline)) int core_test_symbol_target(int x) { return x * 3 + 1; }

TEST(Debug, SymbolsAndLines)
{
	symbol_info s;
	void* fn = (void*)&core_test_symbol_target;
	UTL_get_debug_symbol((char*)fn + 4, &s);
	EXPECT_STREQ(s.symbol_name, "core_test_symbol_target(int)");
	EXPECT_EQ(s.symbol_addr, fn);
	EXPECT_NE(s.image_base, nullptr);
	EXPECT_EQ(s.line, -1);
	EXPECT_STREQ(s.source_file, "");
	std::string line = capture([](FILE* f, void* a) { print_symbol(f, a); }, (char*)fn + 4);
	EXPECT_EQ(line.rfind("core_test_symbol_target(int) + 4 (test_core + ", 0), 0u) << line;
	EXPECT_EQ(line.back(), '\n');

	UTL_get_debug_symbol((void*)0x10, &s);
	EXPECT_EQ(s.image_base, nullptr);
	EXPECT_EQ(s.symbol_addr, nullptr);
	EXPECT_STREQ(s.image_path, "");
	EXPECT_EQ(capture([](FILE* f, void* a) { print_symbol(f, a); }, (void*)0x10), "0x00000010 (\?\?\?)\n");
}

TEST(Debug, StackCrawlOfAFrameChain)
{
	// three records in rising addresses; the third points back at the first
	static stack_frame chain[3];
	void* ret = (char*)(void*)&core_test_symbol_target + 2;
	chain[0] = {&chain[1], ret};
	chain[1] = {&chain[2], ret};
	chain[2] = {&chain[0], ret};
	std::string out = capture([](FILE* f, void*) { UTL_dump_stack(f, &chain[0], nullptr); }, nullptr);
	EXPECT_EQ(core_count(out, "core_test_symbol_target(int) + 2"), 2) << out;
	EXPECT_EQ(out.rfind("  0) ", 0), 0u);
	EXPECT_NE(out.find("\n  1) "), std::string::npos);
	// with a pc, the pc is line 0
	out = capture([](FILE* f, void* pc) { UTL_dump_stack(f, &chain[1], pc); }, (void*)0x20);
	EXPECT_EQ(out.rfind("  0) 0x00000020 (\?\?\?)\n  1) core_test_symbol_target(int) + 2", 0), 0u) << out;
	// a record in unmapped memory ends the crawl without a line
	long page = sysconf(_SC_PAGESIZE);
	void* gone = mmap(nullptr, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
	ASSERT_NE(gone, MAP_FAILED);
	munmap(gone, page);
	chain[2].next = (stack_frame*)gone;	// above the record? not guaranteed, so start there
	out = capture([](FILE* f, void* g) { UTL_dump_stack(f, (stack_frame*)g, nullptr); }, gone);
	EXPECT_EQ(out, "");
	// the calling thread's own stack, with its caller first
	out = capture([](FILE* f, void*) { UTL_dump_stack(f, nullptr, nullptr); }, nullptr);
	EXPECT_EQ(out.rfind("  0) ", 0), 0u) << out;
	EXPECT_NE(out.find("Debug_StackCrawlOfAFrameChain_Test::TestBody()"), std::string::npos) << out;
	EXPECT_LE(core_count(out, ") "), 200);
}

TEST(Debug, ValidMemory)
{
	long page = sysconf(_SC_PAGESIZE);
	char* m = (char*)mmap(nullptr, 3 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
	ASSERT_NE(m, MAP_FAILED);
	// two adjacent regions that differ in protection
	ASSERT_EQ(mprotect(m + page, page, PROT_READ), 0);
	ASSERT_EQ(munmap(m + 2 * page, page), 0);
	EXPECT_EQ(UTL_valid_memory(m + page - 8, 16, 1, 0), 1);
	EXPECT_EQ(UTL_valid_memory(m + page - 8, 16, 1, 1), 0);	// the second is read-only
	EXPECT_EQ(UTL_valid_memory(m, page, 1, 1), 1);
	EXPECT_EQ(UTL_valid_memory(m + 2 * page - 4, 8, 1, 0), 0);	// runs into unmapped space
	EXPECT_EQ(UTL_valid_memory(m + 2 * page, 0, 1, 1), 1);	// an empty range
	EXPECT_EQ(UTL_valid_memory((void*)0x10, 4, 0, 0), 0);
	munmap(m, 2 * page);
}
