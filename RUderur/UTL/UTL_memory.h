#ifndef UTL_MEMORY_H
#define UTL_MEMORY_H
// Memory services: the program's own operator new/delete and the memory report.
#include <string>

void dump_mem_stats(const std::string& why);

#endif
