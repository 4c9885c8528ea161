#ifndef UTL_GLOBALS_H
#define UTL_GLOBALS_H
// The program-wide strings of the globals unit (UTL_globals.cpp), which builds
// them and the other shared objects before main in one fixed order.
#include <string>

extern std::string stl_global;	// scratch: main thread only, valid until next use
extern std::string app_path;	// empty for the whole run
extern std::string dvd_path;	// product disc mount folder ending "/", or empty

#endif
