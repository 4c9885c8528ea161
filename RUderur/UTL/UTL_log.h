#ifndef UTL_LOG_H
#define UTL_LOG_H
// The log "Vantor Installer Log.txt": the shell opens it, truncated, at start-up
// and shutdown closes it; until it is open, what is written to it is dropped.
#include <fstream>

extern std::ofstream xer;	// written by the main thread; workers report through alerts

#endif
