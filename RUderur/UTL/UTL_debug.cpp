#include "UTL_debug.h"
#include <csignal>
#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <cstdlib>
#include <cstring>

void UTL_debug_init() { signal(SIGPIPE, SIG_IGN); }

void UTL_get_debug_symbol(void* addr, symbol_info* out)
{
	memset(out, 0, sizeof(*out));
	out->line = -1;
	Dl_info info;
	if (!dladdr(addr, &info)) return;
	if (info.dli_fname) strncpy(out->image_path, info.dli_fname, 1023);
	out->image_base = info.dli_fbase;
	if (info.dli_sname) {
		int status = 0;
		char* dem = abi::__cxa_demangle(info.dli_sname, nullptr, nullptr, &status);
		strncpy(out->symbol_name, status == 0 && dem ? dem : info.dli_sname, 1023);
		free(dem);
	}
	out->symbol_addr = info.dli_saddr;
}

void print_symbol(FILE* f, void* addr)
{
	symbol_info s;
	UTL_get_debug_symbol(addr, &s);
	fprintf(f, "%p %s + %ld (%s)\n", addr, s.symbol_name[0] ? s.symbol_name : "???",
	        s.symbol_addr ? (long)((char*)addr - (char*)s.symbol_addr) : 0L, s.image_path);
}

void UTL_dump_stack(FILE* f, stack_frame*, void* pc)
{
	if (pc) print_symbol(f, pc);
	void* frames[64];
	int n = backtrace(frames, 64);
	for (int i = 1; i < n; ++i) print_symbol(f, frames[i]);
}

void dump_hex(FILE* f, void* data, int n)
{
	unsigned char* p = (unsigned char*)data;
	for (int i = 0; i < n; i += 16) {
		fprintf(f, "%08x:", i);
		for (int j = i; j < i + 16 && j < n; ++j) fprintf(f, " %02x", p[j]);
		fprintf(f, "\n");
	}
}

int UTL_valid_memory(void*, unsigned, int, int) { return 1; }

int UTL_path_is_resource(std::string& path)
{
	if (path.size() >= 9 && path.compare(0, 9, "RESOURCE:") == 0) {
		path.erase(0, 9);
		return 1;
	}
	return 0;
}

std::string UTL_resource_get_file(const std::string& name)
{
	return "Resources/" + name;
}
