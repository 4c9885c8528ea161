#ifndef MAIN_PREFS_H
#define MAIN_PREFS_H
// The proxy port of the preferences: what the field may hold and what the
// program starts with.
#include <string>

enum { prefs_port_max = 65535 };
enum { prefs_warning_colour = 68 };	// the note beside a field that holds no port

// 1 with the number in *port when `text` is a port: decimal digits only,
// 0 (no proxy) to 65535; else 0 and *port untouched.
int prefs_port_number(const std::string& text, int* port);

// After the preference file and the "--pref:" options are read: a saved port
// that is no port gives way to the field's text when that is one, else to no
// proxy; the field then shows the port in use.
void prefs_check_proxy_port();

#endif
