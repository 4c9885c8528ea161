#ifndef UTL_GLOBALS_H
#define UTL_GLOBALS_H
// Program-wide objects, built before main in one fixed order (UTL_globals.cpp).
#include <fstream>
#include <string>

struct stls_class {
	std::string s1, s2, s3, s4;
	std::string window_title;	// fifth string
	std::string s6, s7;
	std::string mouse_help;		// eighth string
	std::string s9;
	int         i1;
	std::string s10, s11, s12;
	int         i2;
	std::string s13;
	int         i3;
	std::string table[400];
};

struct plg_struct { int unused[16]; };

extern std::string   stl_global;	// scratch: main thread only, valid until next use
extern std::string   app_path;		// empty for the whole run
extern std::string   dvd_path;		// product disc mount folder ending "/", or empty
extern std::ofstream ouf;		// typed text-file writer's stream
extern std::ofstream xer;		// the log
extern std::ofstream cyc;
extern std::ofstream dat;
extern stls_class    stls;
extern plg_struct    plg;

extern int app_done;		// main loop ends when set
extern int ogl_inited;		// 1 once the GL window, context and workers exist
extern int return_hit, escape_hit, delete_hit;
extern int is_demo;

extern float wx, wy, wx1, wy1, wx2, wy2, wx3, wy3, wx4, wy4, wx5, wy5;

extern float randrat[10000];	// filled once by start-up (seed 1)
void UTL_fill_randrat();
extern float lookup_sin[368];	// entries 0..360: sine and cosine of whole degrees,
extern float lookup_cos[368];	// filled by start-up

#endif
