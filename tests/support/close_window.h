#ifndef CLOSE_WINDOW_H
#define CLOSE_WINDOW_H
// Sends a top-level window the window manager's close message, as its close box
// does. Header-only; include it after the test framework (Xlib defines None, Bool
// and Status as macros) and link X11.
#include <X11/Xlib.h>
#include <cstdlib>
#include <string>

inline bool TS_close_window(const std::string& window_id)
{
	Display* dpy = XOpenDisplay(nullptr);
	if (!dpy) return false;
	XEvent ev = {};
	ev.xclient.type = ClientMessage;
	ev.xclient.window = strtoul(window_id.c_str(), nullptr, 10);
	ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
	ev.xclient.format = 32;
	ev.xclient.data.l[0] = (long)XInternAtom(dpy, "WM_DELETE_WINDOW", False);
	ev.xclient.data.l[1] = CurrentTime;
	XSendEvent(dpy, ev.xclient.window, False, NoEventMask, &ev);
	XCloseDisplay(dpy);
	return true;
}

#endif
