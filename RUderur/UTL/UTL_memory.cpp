#include "UTL_memory.h"
#include "UTL_log.h"
#include "UTL_stat.h"
#include "PLAT_machine.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// ---------------------------------------------------------------------------
// The program's own allocation operators. malloc, and on failure the
// new-handler, again and again until memory is had or the handler gives up.

static void* alloc_or_throw(size_t size)
{
	if (size == 0) size = 1;
	for (;;) {
		if (void* p = malloc(size)) return p;
		std::new_handler h = std::get_new_handler();
		if (!h) throw std::bad_alloc();
		h();
	}
}

static void* alloc_or_null(size_t size) noexcept
{
	try {
		return alloc_or_throw(size);
	} catch (const std::bad_alloc&) {
		return nullptr;
	}
}

void* operator new(size_t size) { return alloc_or_throw(size); }
void* operator new[](size_t size) { return alloc_or_throw(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return alloc_or_null(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return alloc_or_null(size); }
void* operator new(size_t size, const char*, int) { return alloc_or_throw(size); }
void* operator new[](size_t size, const char*, int) { return alloc_or_throw(size); }
void* operator new(size_t size, const std::nothrow_t&, const char*, int) noexcept { return alloc_or_null(size); }
void* operator new[](size_t size, const std::nothrow_t&, const char*, int) noexcept { return alloc_or_null(size); }

void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { free(p); }
void operator delete(void* p, const char*, int) noexcept { free(p); }
void operator delete[](void* p, const char*, int) noexcept { free(p); }

// ---------------------------------------------------------------------------
// Byte counts in short form.

unsigned mem_to_number(unsigned long long b)
{
	if (b > 15032385536ULL) return (unsigned)(b >> 30);
	if ((double)b > 1468006.4) return (unsigned)(b >> 20);
	if ((double)b > 1433.6) return (unsigned)(b >> 10);
	return (unsigned)b;
}

char mem_to_suffix(unsigned long long b)
{
	if (b > 15032385536ULL) return 'G';
	if ((double)b > 1468006.4) return 'M';
	if ((double)b > 1433.6) return 'K';
	return 'B';
}

const char* sm_string(unsigned char mode)
{
	switch (mode) {
	case 1: return "Copy-on-write";
	case 2: return "Private";
	case 3: return "Empty";
	case 4: return "Shared";
	case 5: return "True-Shared";
	case 6: return "Private-Aliased";
	case 7: return "Shared-Aliased";
	default: return "Unknown";
	}
}

// ---------------------------------------------------------------------------
// The memory report.

#define MEM(v) mem_to_number(v), mem_to_suffix(v)

static std::string last_component(const std::string& path)
{
	size_t slash = path.rfind('/');
	return slash == std::string::npos ? path : path.substr(slash + 1);
}

void dump_mem_stats(const std::string& why)
{
	static int first_dump = 1;
	xer << "OK check MemoryLog.txt! I just sent him a dump from " << why << "\n";

	FILE* f = fopen("MemoryLog.txt", first_dump ? "w" : "a");
	first_dump = 0;
	if (!f) f = stdout;

	PLAT_mem_figures m;
	PLAT_get_mem_figures(&m);

	fprintf(f, "dump_mem_stats: %s\n", why.c_str());
	fprintf(f, "OS X Info:\n");
	fprintf(f, "    Page size:        %5u%c      This is the size of one virtual memory page.\n", MEM(m.page_size));
	fprintf(f, "    Vsize (reported): %5u%c      This is the total virtual address space used by Vantor (including empty regions).\n", MEM(m.vsize));
	fprintf(f, "    Rsize:            %5u%c      This is the total amount of real RAM used by Vantor (virtual pages resident in RAM).\n", MEM(m.rsize));
	fprintf(f, "    Free pages:       %5u%c      This is the total free RAM on the machine.\n", MEM(m.free_bytes));
	fprintf(f, "    Active Pages:     %5u%c      This is the total actively used RAM among all apps - it probably can't be paged out without causing huge performance problems.\n", MEM(m.active_bytes));
	fprintf(f, "    Inactive Pages:   %5u%c      This is the total inactive RAM from all apps - pages that is elligible to be paged out since it hasn't been used recently.\n", MEM(m.inactive_bytes));
	fprintf(f, "    Wired Pages:      %5u%c      This is the total wired RAM - pages that are 'wired down' and cannot ever be paged out.\n", MEM(m.wired_bytes));
	fprintf(f, "    Total Swap Pages: %5u%c\n", MEM(m.swap_total));
	fprintf(f, "    Avail Swap Pages: %5u%c\n", MEM(m.swap_avail));
	fprintf(f, "    Used  Swap Pages: %5u%c\n", MEM(m.swap_used));
	fprintf(f, "    I will now print the entire map of virtual memory.\n");
	fprintf(f, "        Address           Size    r-private r-shared sharing-mode (ref count)\n");

	// 64-bit totals: the gaps of a 64-bit address space overflow 32 bits
	std::vector<PLAT_region> regions;
	(void)PLAT_get_regions(regions, true);	// none read: the map is empty
	unsigned long long prev_end = 0, total_vsize = 0, total_rsize = 0, shared_rsize = 0, private_rsize = 0;
	unsigned long long largest_free = 0, total_free = 0, largest_gap = 0, total_gap = 0;
	for (const PLAT_region& r : regions) {
		unsigned long long size = r.end - r.start;
		if (r.start > prev_end) {
			unsigned long long gap = r.start - prev_end;
			fprintf(f, "        0x%08llX      %5u%c               --------\n", prev_end, MEM(gap));
			if (gap > largest_gap) largest_gap = gap;
			total_gap += gap;
		}
		std::string image = last_component(r.path);
		fprintf(f, "        0x%08llX      %5u%c       %5u%c %5u%c   %20s (% 3d)       %s\n", r.start, MEM(size),
		        MEM(r.res_private), MEM(r.res_shared), sm_string((unsigned char)r.share_mode), 1, image.c_str());
		if (r.share_mode != PLAT_share_empty) total_vsize += size;
		private_rsize += r.res_private;
		shared_rsize += r.res_shared;
		total_rsize += r.res_private + r.res_shared;
		if (r.share_mode == PLAT_share_empty) {
			if (size > largest_free) largest_free = size;
			total_free += size;
		}
		prev_end = r.end;
	}
	fprintf(f, "    Total vsize:     %5u%c      This is the total non-empty virtual address space used by Vantor.\n", MEM(total_vsize));
	fprintf(f, "    Total rsize:     %5u%c      This is the total amount of real memory used by Vantor (shared and exclusive).\n", MEM(total_rsize));
	fprintf(f, "    Shared rsize:    %5u%c      This is the total amonut of real memory used by Vantor that is shared with other processes.\n", MEM(shared_rsize));
	fprintf(f, "    Private rsize:   %5u%c      This is the total amount of real memory used by Vantor exclusively (private).\n", MEM(private_rsize));
	fprintf(f, "    Largest free:    %5u%c      This is the largest empty region in Vantor's address space.\n", MEM(largest_free));
	fprintf(f, "    Total free:      %5u%c      This is the size of all empty regions in Vantor's address space.\n", MEM(total_free));
	fprintf(f, "    Largest gap:     %5u%c      This is the size of the largest unused gap in Vantor's address space.\n", MEM(largest_gap));
	fprintf(f, "    Total gap:       %5u%c      This is the size of all of the gaps in Vantor's address space - that is, total unused address space.\n", MEM(total_gap));
	// the report is for a developer: a failed one says so in being short
	if (f != stdout) (void)fclose(f);
	else (void)fflush(stdout);
}

void DumpMemCmd() { dump_mem_stats("Remote Commanded Dump"); }

static UTL_remote_cmd dump_mem_now("Dump Memory Info", DumpMemCmd);

// ---------------------------------------------------------------------------
// The lazy pool.

enum { pool_block = 32768, pool_head = 16 };

float UTL_lazy_mempool::global_total = 0;
static UTL_stat lazy_pool_stat(&UTL_lazy_mempool::global_total, "memory/lazy_pools", stat_memory);

UTL_lazy_mempool::UTL_lazy_mempool() : total(0), wasted(0), blocks(nullptr), cursor(nullptr), ready(0) {}

UTL_lazy_mempool::~UTL_lazy_mempool()
{
	while (blocks) {
		void* next = *(void**)blocks;
		free(blocks);
		blocks = next;
		global_total -= pool_block;
	}
}

void* UTL_lazy_mempool::alloc(int bytes)
{
	if (bytes < 0 || bytes > pool_block - pool_head) return nullptr;
	bytes = (bytes + 15) & ~15;
	if (bytes > ready) {
		char* b = (char*)malloc(pool_block);
		if (!b) return nullptr;
		wasted += ready;
		*(void**)b = blocks;
		blocks = b;
		cursor = b + pool_head;
		ready = pool_block - pool_head;
		global_total += pool_block;
	}
	void* p = cursor;
	cursor += bytes;
	ready -= bytes;
	total += bytes;
	return p;
}

void UTL_lazy_mempool::dump()
{
	xer << "Total memory allocated: " << total << "\n";
	xer << "Total wasted memory: " << wasted << "\n";
	xer << "Total ready memory: " << ready << "\n";
}
