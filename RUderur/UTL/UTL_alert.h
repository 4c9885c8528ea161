#ifndef UTL_ALERT_H
#define UTL_ALERT_H
// The alert service: the one way to report a failure or show a message.
#include <string>

enum { t_choose_language = 0, t_alert = 1, t_exit = 2 };

void __MACIBM_alert(int return_window, std::string msg1, std::string msg2, std::string msg3,
                    std::string msg4, int type, const char* file, int line);

#define APL_alert(m1, m2, m3, m4, type) __MACIBM_alert(0, (m1), (m2), (m3), (m4), (type), __FILE__, __LINE__)

void MACIBM_finishup(int save);
void MACIBM_setupforlang();
// Opens a web page in the user's browser without waiting for it. Only http and
// https addresses are opened; 0 (and a log line) when the address is refused
// or the browser could not be started, else 1.
int  go_to_URL(std::string url);
// 1 when `url` is an http or https address with a host and no blanks or
// control characters, the only kind handed to the browser.
int  UTL_url_is_web(const std::string& url);
int  MACIBM_nuke_alert(std::string name, int allow_cancel);
void IBM_turnoff();

// The shell installs these once its window exists; the core stays free of GL.
// alert_window draws the modal alert (window 994) and returns when it is dismissed.
struct MACIBM_shell_hooks_t {
	void (*alert_window)(int return_window, const std::string& m1, const std::string& m2,
	                     const std::string& m3, const std::string& m4, int type,
	                     const std::string& location);
	int  (*nuke_alert)(const std::string& name, int allow_cancel);
	void (*save_keys)();		// key bindings, at a saving shutdown
	void (*shell_down)();		// restore the display, drop contexts, flush events
	// called by the frame timer (xtim_update)
	void (*unfocus_any)();		// a click anywhere takes the keyboard focus away
	void (*pulse_colours)(float level);	// colours 83-88 and the pulse field, level 0.4..1.0
};
extern MACIBM_shell_hooks_t MACIBM_shell_hooks;

extern int app_done;	// the main loop ends when set (Quit, the quit command, a fatal alert)
extern int ogl_inited;	// 1 once the GL window, context and workers exist: alerts are drawn then

#endif
