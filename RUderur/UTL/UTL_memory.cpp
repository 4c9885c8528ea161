#include "UTL_memory.h"

void dump_mem_stats(const std::string&) {}
