#!/usr/bin/env python3
"""Moves the display's pointer back and forth over a window, one motion every
INTERVAL milliseconds for SECONDS, as a fast mouse does; xdotool cannot move
it that often. Usage: pointer_stream.py WINDOW_ID X Y INTERVAL_MS SECONDS"""
import ctypes
import sys
import time

window, x, y = int(sys.argv[1], 0), int(sys.argv[2]), int(sys.argv[3])
interval, seconds = float(sys.argv[4]) / 1000.0, float(sys.argv[5])

x11 = ctypes.CDLL("libX11.so.6")
xtst = ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XTranslateCoordinates.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                      ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int),
                                      ctypes.POINTER(ctypes.c_ulong)]
x11.XFlush.argtypes = [ctypes.c_void_p]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_ulong]

dpy = x11.XOpenDisplay(None)
if not dpy:
    sys.exit("no display")
root = x11.XDefaultRootWindow(dpy)
rx, ry, child = ctypes.c_int(), ctypes.c_int(), ctypes.c_ulong()
x11.XTranslateCoordinates(dpy, window, root, x, y, ctypes.byref(rx), ctypes.byref(ry), ctypes.byref(child))

start = time.monotonic()
n = 0
while time.monotonic() - start < seconds:
    xtst.XTestFakeMotionEvent(dpy, -1, rx.value + (n % 2) * 40, ry.value + (n // 2 % 3), 0)
    x11.XFlush(dpy)
    n += 1
    # keep to the interval on average, whatever one step took
    delay = start + n * interval - time.monotonic()
    if delay > 0:
        time.sleep(delay)
x11.XCloseDisplay(dpy)
print(n)
