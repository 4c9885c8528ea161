#include "PLAT_machine.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

// "name : value" lines of a /proc file; returns the first value for the key.
static bool proc_value(const char* file, const char* key, std::string* value)
{
	FILE* f = fopen(file, "r");
	if (!f) return false;
	char line[512];
	size_t klen = strlen(key);
	bool found = false;
	while (fgets(line, sizeof(line), f)) {
		if (strncmp(line, key, klen) != 0) continue;
		const char* p = line + klen;
		while (*p == ' ' || *p == '\t') ++p;
		if (*p != ':') continue;
		++p;
		while (*p == ' ' || *p == '\t') ++p;
		*value = p;
		while (!value->empty() && (value->back() == '\n' || value->back() == ' ')) value->pop_back();
		found = true;
		break;
	}
	(void)fclose(f);	// read only
	return found;
}

void PLAT_get_machine_info(PLAT_machine_info* out)
{
	out->os_major = out->os_minor = out->os_bugfix = -1;
	out->cpu_mhz = out->bus_mhz = -1;
	out->ram_mb = -1;
	out->cpu_count = -1;
	out->os_name.clear();
	out->cpu_name.clear();

	struct utsname u;
	if (uname(&u) == 0) {
		out->os_name = u.sysname;
		int a = -1, b = -1, c = -1;
		int n = sscanf(u.release, "%d.%d.%d", &a, &b, &c);
		if (n >= 1) out->os_major = a;
		if (n >= 2) out->os_minor = b;
		if (n >= 3) out->os_bugfix = c;
	}

	std::string v;
	if (proc_value("/proc/cpuinfo", "model name", &v) || proc_value("/proc/cpuinfo", "Model", &v))
		out->cpu_name = v;
	// the rated clock when the kernel knows it, else the clock of the moment
	if (FILE* f = fopen("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq", "r")) {
		long khz = 0;
		if (fscanf(f, "%ld", &khz) == 1 && khz > 0) out->cpu_mhz = (int)(khz / 1000);
		(void)fclose(f);	// read only
	}
	if (out->cpu_mhz < 0 && proc_value("/proc/cpuinfo", "cpu MHz", &v)) {
		double mhz = atof(v.c_str());
		if (mhz > 0) out->cpu_mhz = (int)(mhz + 0.5);
	}

	struct sysinfo si;
	if (sysinfo(&si) == 0)
		out->ram_mb = (long long)((unsigned long long)si.totalram * si.mem_unit / (1024 * 1024));
	long n = sysconf(_SC_NPROCESSORS_ONLN);
	if (n > 0) out->cpu_count = (int)n;
}

static unsigned long long meminfo_bytes(const char* key)
{
	std::string v;
	if (!proc_value("/proc/meminfo", key, &v)) return 0;
	return strtoull(v.c_str(), nullptr, 10) * 1024ULL;	// the file counts in kB
}

void PLAT_get_mem_figures(PLAT_mem_figures* out)
{
	memset(out, 0, sizeof(*out));
	long ps = sysconf(_SC_PAGESIZE);
	if (ps > 0) out->page_size = (unsigned long long)ps;
	if (FILE* f = fopen("/proc/self/statm", "r")) {
		unsigned long long size = 0, resident = 0;
		if (fscanf(f, "%llu %llu", &size, &resident) == 2) {
			out->vsize = size * out->page_size;
			out->rsize = resident * out->page_size;
		}
		(void)fclose(f);	// read only
	}
	out->free_bytes = meminfo_bytes("MemFree");
	out->active_bytes = meminfo_bytes("Active");
	out->inactive_bytes = meminfo_bytes("Inactive");
	out->wired_bytes = meminfo_bytes("Unevictable");
	struct sysinfo si;
	if (sysinfo(&si) == 0) {
		out->swap_total = (unsigned long long)si.totalswap * si.mem_unit;
		out->swap_avail = (unsigned long long)si.freeswap * si.mem_unit;
		out->swap_used = out->swap_total - out->swap_avail;
	}
}

bool PLAT_get_regions(std::vector<PLAT_region>& out, bool residency)
{
	out.clear();
	FILE* f = fopen(residency ? "/proc/self/smaps" : "/proc/self/maps", "r");
	if (!f) return false;
	char line[4096];
	while (fgets(line, sizeof(line), f)) {
		unsigned long long a, b;
		char perms[8] = "";
		int path_at = 0;
		// region lines begin with "start-end perms"; smaps detail lines with a key
		if (sscanf(line, "%llx-%llx %7s %*s %*s %*s %n", &a, &b, perms, &path_at) >= 3 && strchr(line, '-') < strchr(line, ' ')) {
			PLAT_region r;
			r.start = a;
			r.end = b;
			r.res_private = r.res_shared = 0;
			r.readable = perms[0] == 'r';
			r.writable = perms[1] == 'w';
			r.path = path_at > 0 ? line + path_at : "";
			while (!r.path.empty() && (r.path.back() == '\n' || r.path.back() == ' ')) r.path.pop_back();
			bool shared = perms[3] == 's';
			bool no_access = perms[0] == '-' && perms[1] == '-' && perms[2] == '-';
			if (shared) r.share_mode = PLAT_share_shared;
			else if (no_access) r.share_mode = PLAT_share_empty;
			else if (!r.path.empty() && r.path[0] == '/') r.share_mode = PLAT_share_cow;
			else r.share_mode = PLAT_share_private;
			out.push_back(r);
			continue;
		}
		if (!residency || out.empty()) continue;
		unsigned long long kb = 0;
		if (sscanf(line, "Private_Clean: %llu", &kb) == 1 || sscanf(line, "Private_Dirty: %llu", &kb) == 1)
			out.back().res_private += kb * 1024ULL;
		else if (sscanf(line, "Shared_Clean: %llu", &kb) == 1 || sscanf(line, "Shared_Dirty: %llu", &kb) == 1)
			out.back().res_shared += kb * 1024ULL;
	}
	(void)fclose(f);	// read only
	return true;
}
