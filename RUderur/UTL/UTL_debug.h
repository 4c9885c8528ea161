#ifndef UTL_DEBUG_H
#define UTL_DEBUG_H
// Debug services: stack crawls, symbol lookup, hex dumps, resource paths.
#include <cstdio>
#include <string>

struct stack_frame {
	stack_frame* next;
	void*        return_address;
};

struct symbol_info {
	char  image_path[1024];
	void* image_base;
	char  symbol_name[1024];
	void* symbol_addr;
	char  source_file[1024];
	int   line;
};

void UTL_debug_init();
void UTL_get_debug_symbol(void* addr, symbol_info* out);
void print_symbol(FILE* f, void* addr);
void UTL_dump_stack(FILE* f, stack_frame* frame, void* pc);
void dump_hex(FILE* f, void* data, int n);
int  UTL_valid_memory(void* p, unsigned len, int need_read, int need_write);
int  UTL_path_is_resource(std::string& path);
std::string UTL_resource_get_file(const std::string& name);

#endif
