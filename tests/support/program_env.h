#ifndef PROGRAM_ENV_H
#define PROGRAM_ENV_H
// Called in a test's child just before it starts one of the build's programs:
// in a sanitizer tree scripts/test.sh names the program's own sanitizer
// options (VANTOR_PROGRAM_ASAN_OPTIONS: leaks found at its exit end it with a
// failure), apart from the test program's.
#include <cstdlib>

inline void TS_program_env()
{
	if (const char* o = getenv("VANTOR_PROGRAM_ASAN_OPTIONS")) setenv("ASAN_OPTIONS", o, 1);
}

#endif
