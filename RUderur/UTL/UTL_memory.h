#ifndef UTL_MEMORY_H
#define UTL_MEMORY_H
// Memory services: the program's own operator new/delete and the memory report.
#include <cstddef>
#include <new>
#include <string>

// Allocation with a source location (accepted, not used).
void* operator new(size_t size, const char* file, int line);
void* operator new[](size_t size, const char* file, int line);
void* operator new(size_t size, const std::nothrow_t&, const char* file, int line) noexcept;
void* operator new[](size_t size, const std::nothrow_t&, const char* file, int line) noexcept;
void  operator delete(void* p, const char* file, int line) noexcept;
void  operator delete[](void* p, const char* file, int line) noexcept;

// A byte count as a short number and its unit letter: 1433 B, 1 K, 2048 M.
unsigned    mem_to_number(unsigned long long bytes);
char        mem_to_suffix(unsigned long long bytes);
const char* sm_string(unsigned char mode);	// name of a region share mode

// Writes "MemoryLog.txt" (replaced by the first report of a run, appended to after).
void dump_mem_stats(const std::string& why);
void DumpMemCmd();

// A pool that hands out pieces of 32768-byte blocks and frees them all at once.
class UTL_lazy_mempool {
public:
	int   total;
	int   wasted;
	void* blocks;
	char* cursor;	// next free byte of the newest block
	int   ready;

	static float global_total;	// bytes held by all pools

	UTL_lazy_mempool();
	~UTL_lazy_mempool();
	void* alloc(int bytes);
	void  dump();
};

#endif
