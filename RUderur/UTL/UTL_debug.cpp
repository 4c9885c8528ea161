#include "UTL_debug.h"
#include "PLAT_machine.h"
#include "PLAT_platform.h"
#include <csignal>
#include <cctype>
#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <cstdlib>
#include <cstring>
#include <cstdint>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

void UTL_debug_init() { (void)signal(SIGPIPE, SIG_IGN); }	// a valid signal: it cannot fail

static void copy_text(char* dst, const char* src)
{
	strncpy(dst, src, 1023);
	dst[1023] = 0;
}

// Source files and lines would need the debugging sections of the image;
// they stay empty and -1 here.
void UTL_get_debug_symbol(void* addr, symbol_info* out)
{
	memset(out, 0, sizeof(*out));
	out->line = -1;
	Dl_info info;
	if (!dladdr(addr, &info)) return;
	if (info.dli_fname) copy_text(out->image_path, info.dli_fname);
	out->image_base = info.dli_fbase;
	if (info.dli_sname) {
		int status = 0;
		char* dem = abi::__cxa_demangle(info.dli_sname, nullptr, nullptr, &status);
		copy_text(out->symbol_name, status == 0 && dem ? dem : info.dli_sname);
		free(dem);
		out->symbol_addr = info.dli_saddr;
	}
}

static const char* last_component(const char* path)
{
	const char* r = path;
	for (const char* p = path; *p; ++p)
		if (*p == '/' || *p == '\\') r = p + 1;
	return r;
}

void print_symbol(FILE* f, void* addr)
{
	symbol_info s;
	UTL_get_debug_symbol(addr, &s);
	char* a = (char*)addr;
	if (s.symbol_name[0]) {
		if (s.symbol_addr) fprintf(f, "%s + %d", s.symbol_name, (int)(a - (char*)s.symbol_addr));
		else fprintf(f, "0x%08lx", (unsigned long)addr);
	} else {
		if (s.symbol_addr) fprintf(f, "0x%08lx + %d", (unsigned long)s.symbol_addr, (int)(a - (char*)s.symbol_addr));
		else fprintf(f, "0x%08lx", (unsigned long)addr);
	}
	if (s.source_file[0]) fprintf(f, " (%s:%d)", last_component(s.source_file), s.line);
	if (s.image_path[0] && s.image_base)
		fprintf(f, " (%s + %d)\n", last_component(s.image_path), (int)(a - (char*)s.image_base));
	else if (s.image_base)
		fprintf(f, " (0x%08lx + %d)\n", (unsigned long)s.image_base, (int)(a - (char*)s.image_base));
	else
		fprintf(f, " (\?\?\?)\n");
}

void UTL_dump_stack(FILE* f, stack_frame* frame, void* pc)
{
	int count = 0;
	if (pc) {
		fprintf(f, " % 2d) ", 0);
		print_symbol(f, pc);
		count = 1;
	}
	if (!frame) {
		// The calling thread's own stack: the unwinder knows the frames even
		// where frame pointers are left out. Entry 0 lies in this function.
		void* frames[102];
		int n = backtrace(frames, 102);
		for (int i = 1; i < n && count <= 99; ++i, ++count) {
			fprintf(f, " % 2d) ", count);
			print_symbol(f, frames[i]);
		}
		(void)fflush(f);	// a crash report: nowhere left to tell it
		return;
	}
	while (frame) {
		if (!UTL_valid_memory(frame, sizeof(stack_frame), 1, 1)) break;
		if (count > 99) break;
		if ((char*)frame->next <= (char*)frame) break;
		fprintf(f, " % 2d) ", count);
		print_symbol(f, frame->return_address);
		++count;
		frame = frame->next;
	}
	(void)fflush(f);	// as above
}

void dump_hex(FILE* f, void* data, int n)
{
	const unsigned char* p = (const unsigned char*)data;
	for (int r = n; r > 0; r -= 16, p += 16) {
		for (int i = 0; i < 16; ++i) {
			if (i % 4 == 0) fputc(' ', f);
			if (i < r) fprintf(f, "%02X", p[i]);
			else fputs("  ", f);
		}
		fputs("    ", f);
		for (int i = 0; i < 16; ++i) {
			if (i % 4 == 0) fputc(' ', f);
			if (i < r) fputc(isprint(p[i]) ? p[i] : '.', f);
			else fputc(' ', f);
		}
		fputc('\n', f);
	}
}

int UTL_valid_memory(void* p, unsigned len, int need_read, int need_write)
{
	if (len == 0) return 1;
	std::vector<PLAT_region> regions;
	if (!PLAT_get_regions(regions, false)) return 0;
	unsigned long long at = (unsigned long long)(uintptr_t)p;
	unsigned long long end = at + len;
	for (const PLAT_region& r : regions) {
		if (r.end <= at) continue;
		if (r.start > at) return 0;	// a hole
		if ((need_read && !r.readable) || (need_write && !r.writable)) return 0;
		at = r.end;
		if (at >= end) return 1;
	}
	return 0;
}

int UTL_path_is_resource(std::string& path)
{
	if (path.size() >= 9 && path.compare(0, 9, "RESOURCE:") == 0) {
		path.erase(0, 9);
		return 1;
	}
	return 0;
}

// The resources are the "Resources/" folder beside the program; the shell
// makes the program's folder the current one, which covers programs (tests)
// started from elsewhere in the build tree.
std::string UTL_resource_get_file(const std::string& name)
{
	if (name.empty()) return std::string();
	struct stat st;
	std::string beside = PLAT_executable_folder();
	if (!beside.empty()) {
		std::string p = beside + "Resources/" + name;
		if (stat(p.c_str(), &st) == 0) return p;
	}
	if (char* cwd = getcwd(nullptr, 0)) {
		std::string p = std::string(cwd) + "/Resources/" + name;
		free(cwd);
		if (stat(p.c_str(), &st) == 0) return p;
	}
	return std::string();
}
