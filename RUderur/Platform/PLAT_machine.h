#ifndef PLAT_MACHINE_H
#define PLAT_MACHINE_H
// Machine facts for the log header and the memory report, from uname, /proc,
// sysinfo and sysconf. A value that cannot be had is -1 (or an empty text).
#include <string>
#include <vector>

struct PLAT_machine_info {
	std::string os_name;		// "Linux"
	int         os_major, os_minor, os_bugfix;
	std::string cpu_name;		// model name
	int         cpu_mhz;
	int         bus_mhz;
	long long   ram_mb;
	int         cpu_count;
};
void PLAT_get_machine_info(PLAT_machine_info* out);

// Memory figures in bytes (pages already multiplied out where the name says pages).
struct PLAT_mem_figures {
	unsigned long long page_size;
	unsigned long long vsize, rsize;
	unsigned long long free_bytes, active_bytes, inactive_bytes, wired_bytes;
	unsigned long long swap_total, swap_avail, swap_used;
};
void PLAT_get_mem_figures(PLAT_mem_figures* out);	// missing figures stay 0

// One mapped region of the process.
enum { PLAT_share_cow = 1, PLAT_share_private = 2, PLAT_share_empty = 3, PLAT_share_shared = 4 };
struct PLAT_region {
	unsigned long long start, end;
	unsigned long long res_private, res_shared;	// resident bytes
	int  share_mode;
	int  readable, writable;
	std::string path;				// backing file, or "[heap]" and the like, or empty
};
// Regions in address order; residency only when asked (it costs a read of smaps).
bool PLAT_get_regions(std::vector<PLAT_region>& out, bool residency);

#endif
