#include "UTL_alert.h"
#include "UTL_log.h"
#include "UTL_cmdline.h"
#include "UTL_exce.h"
#include "UTL_format.h"
#include "UTL_debug.h"
#include "UTL_memory.h"
#include "UTL_translate.h"
#include "THREAD_service.h"
#include "PLAT_platform.h"
#include "MACIBM_mnw.h"
#include "pref.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

MACIBM_shell_hooks_t MACIBM_shell_hooks = {};

static int in_alert = 0;

// Two of an alert's lines as one sentence: a part left empty adds no blank.
static std::string alert_joined(const std::string& a, const std::string& b)
{
	return a.empty() || b.empty() ? a + b : a + " " + b;
}

void __MACIBM_alert(int return_window, std::string msg1, std::string msg2, std::string msg3,
                    std::string msg4, int type, const char* file, int line)
{
	// A worker never draws: its report goes to the main thread.
	if (THREAD_is_inited() && !THREAD_is_main_thread()) {
		exce_class e(msg1, msg2, msg3, msg4, file, line, type);
		THREAD_send_exception(e);
		return;
	}

	// Location text.
	char num[12];
	int_to_str(line, num, 0, 0);
	std::string location = std::string("(") + (file ? file : "") + " line " + num + ")";

	// Stack crawl of a fatal alert.
	if (type == t_exit) {
		if (FILE* f = fopen("stack_crawl.txt", "a")) {
			UTL_dump_stack(f, nullptr, nullptr);
			(void)fclose(f);	// the program ends: nowhere left to tell it
		}
	}

	// Test runs only log.
	if (UTL_cmdline::has_option("--fps_test")) {
		xer << msg1 << "\n" << msg2 << "\n" << msg3 << "\n" << msg4 << "\n" << location << "\n";
		xer.flush();
		if (type == t_exit) exit(1);
		return;
	}

	// Guard against an alert raised from inside another.
	int recursive = (in_alert != 0);
	in_alert = 1;

	// Display.
	if (recursive || !ogl_inited || !MACIBM_shell_hooks.alert_window) {
		PLAT_standard_alert(alert_joined(msg1, msg2), alert_joined(msg3, msg4));
	} else if (msg1.empty() && msg2.empty() && msg3.empty() && msg4.empty()) {
		// nothing to show
	} else {
		MACIBM_shell_hooks.alert_window(return_window, msg1, msg2, msg3, msg4, type, location);
	}

	// Log.
	if (type == t_alert || type == t_exit || recursive) {
		dump_mem_stats("This is the dump_mem_stats call from the following code: if(type==t_exit || type == t_alert || recursive_error)");
		xer << "\n" << msg1 << "\n" << msg2 << "\n" << msg3 << "\n" << msg4 << "\n" << location << "\n";
		xer.flush();
	}

	// Return from a plain alert.
	if (type != t_exit && !recursive) {
		in_alert = 0;
		return;
	}

	// Everything else ends the program.
	MACIBM_finishup(0);
	app_done = 1;
	exit(1);
}

void MACIBM_finishup(int save)
{
	if (save == 1) {
		if (!UTL_cmdline::has_option("--fps_test")) {
			pref.IO_set(pref_file_installer, 1);
			if (MACIBM_shell_hooks.save_keys) MACIBM_shell_hooks.save_keys();
		}
		THREAD_shutdown();
	}
	if (MACIBM_shell_hooks.shell_down) MACIBM_shell_hooks.shell_down();
	if (xer.is_open()) xer.close();
}

void MACIBM_setupforlang()
{
	if (mnw.language == 0)
		UTL_translate_clear();
	else
		UTL_translate_load(mnw.language);
}

int UTL_url_is_web(const std::string& url)
{
	size_t host = 0;
	for (const char* scheme : {"http://", "https://"}) {
		size_t n = strlen(scheme);
		if (url.size() > n && strncasecmp(url.c_str(), scheme, n) == 0) host = n;
	}
	if (host == 0 || url[host] == '/') return 0;
	for (unsigned char c : url)
		if (c <= ' ' || c == 0x7f) return 0;
	return 1;
}

// An address as the log shows it: a long one cut, control characters escaped.
static std::string logged_url(const std::string& url)
{
	enum { shown = 200 };
	std::string out;
	for (size_t i = 0; i < url.size() && i < shown; ++i) {
		unsigned char c = url[i];
		if (c < ' ' || c == 0x7f) {
			char buf[8];
			snprintf(buf, sizeof buf, "\\x%02x", c);
			out += buf;
		} else {
			out += (char)c;
		}
	}
	if (url.size() > shown) out += "... (" + std::to_string(url.size()) + " characters)";
	return out;
}

int go_to_URL(std::string url)
{
	if (!UTL_url_is_web(url)) {
		xer << "Refused to open \"" << logged_url(url) << "\" in the browser: only http and https addresses are opened.\n";
		xer.flush();
		return 0;
	}
	std::string why;
	if (!PLAT_open_url(url, &why)) {
		xer << "Could not open \"" << logged_url(url) << "\" in the browser: " << why << "\n";
		xer.flush();
		return 0;
	}
	xer << "Opening \"" << logged_url(url) << "\" in the browser.\n";
	xer.flush();
	return 1;
}

int MACIBM_nuke_alert(std::string name, int allow_cancel)
{
	if (!MACIBM_shell_hooks.nuke_alert) return 3;
	return MACIBM_shell_hooks.nuke_alert(name, allow_cancel);
}

void IBM_turnoff() {}
