#ifndef UTL_LOG_H
#define UTL_LOG_H
// The log "Vantor Installer Log.txt": the shell opens it, truncated, at start-up
// and shutdown closes it; until it is open, what is written to it is dropped.
#include <fstream>
#include <string>

extern std::ofstream xer;	// written by the main thread; workers report through alerts

// `text` as the log shows it: every control byte (tab, CR, escape, ...) as
// \xNN, so that a name from a server or an archive can neither break a line of
// the log nor reach a terminal as a command. Other bytes stay as they are.
std::string UTL_log_safe(const std::string& text);

#endif
