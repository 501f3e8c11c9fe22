#!/usr/bin/env python3
"""Whole-process figures of one run of the game: time from launch to its window being mapped and to the
title being painted in it, then CPU while the title idles with the music playing, and resident memory
once a click has started the opening and its text is on screen (music and fonts loaded). One line of JSON.

Usage: process_probe.py GAME IDLE_SECONDS   (DISPLAY must name a running X server, e.g. Xvfb)

The window is seen through X itself: the probe listens for MapNotify on the root window before it starts
the game, so the figure holds no polling delay. "Painted" is read from the window's own pixels: three rows
across it are read back every half millisecond, and the title counts as painted from the first moment
the rows hold what they still hold once the title has stood for seconds. Nothing in the game reports it.
Standard library only (Xlib through ctypes); the click is xdotool's.
"""
import ctypes
import json
import os
import select
import signal
import subprocess
import sys
import time

MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
Z_PIXMAP = 2
ALL_PLANES = 0xFFFFFFFF
SETTLE_SECONDS = 3.0  # the title picture is up and the sound font has loaded long before this


class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("override_redirect", ctypes.c_int)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xmap", XMapEvent), ("pad", ctypes.c_long * 24)]


class XImage(ctypes.Structure):  # the leading fields of Xlib's XImage, enough to read the pixels
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int)]


class XWindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int), ("height", ctypes.c_int),
                ("border_width", ctypes.c_int), ("depth", ctypes.c_int), ("pad", ctypes.c_char * 256)]


ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
# A window read while it changes size answers BadMatch; Xlib's default handler would end the probe.
ignore_errors = ERROR_HANDLER(lambda display, event: 0)


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    # utime and stime are fields 14 and 15 of the whole line; after the command name they are 12 and 13.
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def status_kib(pid, key):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return 0


def load_xlib():
    x = ctypes.cdll.LoadLibrary("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDefaultRootWindow.restype = ctypes.c_ulong
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
    x.XPending.argtypes = [ctypes.c_void_p]
    x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
    x.XFlush.argtypes = [ctypes.c_void_p]
    x.XConnectionNumber.argtypes = [ctypes.c_void_p]
    x.XGetImage.restype = ctypes.POINTER(XImage)
    x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                            ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(XWindowAttributes)]
    x.XFree.argtypes = [ctypes.c_void_p]
    x.XSetErrorHandler.argtypes = [ERROR_HANDLER]
    x.XSetErrorHandler(ignore_errors)
    return x


def read_rows(x, dpy, window):
    """Three rows across the window (a third, half and two thirds down), as bytes; None when unreadable."""
    attrs = XWindowAttributes()
    if not x.XGetWindowAttributes(dpy, window, ctypes.byref(attrs)) or attrs.width <= 0 or attrs.height <= 2:
        return None
    rows = []
    for y in (attrs.height // 3, attrs.height // 2, attrs.height * 2 // 3):
        image = x.XGetImage(dpy, window, 0, y, attrs.width, 1, ALL_PLANES, Z_PIXMAP)
        if not image:
            return None
        rows.append(ctypes.string_at(image.contents.data, image.contents.bytes_per_line))
        x.XFree(image.contents.data)
        x.XFree(image)
    return (attrs.width, attrs.height, b"".join(rows))


def main():
    game, idle_seconds = sys.argv[1], float(sys.argv[2])
    x = load_xlib()
    dpy = x.XOpenDisplay(None)
    if not dpy:
        print(json.dumps({"error": "no X display"}))
        return 1
    x.XSelectInput(dpy, x.XDefaultRootWindow(dpy), SUBSTRUCTURE_NOTIFY_MASK)
    x.XFlush(dpy)
    # The pointer rests outside the window, so no tooltip comes up over the title.
    subprocess.run(["xdotool", "mousemove", "0", "0"], check=False)

    start = time.monotonic()
    game = os.path.abspath(game)
    proc = subprocess.Popen([game], cwd=os.path.dirname(game),
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    mapped = None
    window = None
    seen = []  # (time, rows) each time the rows changed
    event = XEvent()
    fd = x.XConnectionNumber(dpy)
    while time.monotonic() - start < 20 and proc.poll() is None:
        while x.XPending(dpy):
            x.XNextEvent(dpy, ctypes.byref(event))
            if event.type == MAP_NOTIFY and not event.xmap.override_redirect and mapped is None:
                mapped = time.monotonic()
                window = event.xmap.window
        if window is None:
            select.select([fd], [], [], 0.05)
            continue
        rows = read_rows(x, dpy, window)
        now = time.monotonic()
        if rows is not None and (not seen or seen[-1][1] != rows):
            seen.append((now, rows))
        if now - mapped >= SETTLE_SECONDS:
            break
        time.sleep(0.0005)

    result = {}
    if mapped is None:
        result["error"] = "the window was never mapped"
    elif proc.poll() is not None:
        result["error"] = "the game ended by itself"
    else:
        result["launch_ms"] = (mapped - start) * 1000.0
        if seen:
            final = seen[-1][1]
            painted = next(t for t, rows in seen if rows == final)
            result["painted_ms"] = (painted - start) * 1000.0
            result["changes_seen"] = len(seen)
            result["window"] = f"{final[0]}x{final[1]}"
        cpu0, t0 = cpu_seconds(proc.pid), time.monotonic()
        time.sleep(idle_seconds)
        cpu1, t1 = cpu_seconds(proc.pid), time.monotonic()
        result["idle_cpu_percent"] = (cpu1 - cpu0) / (t1 - t0) * 100.0
        result["rss_title_mib"] = status_kib(proc.pid, "VmRSS") / 1024.0
        # A left click on the title starts EASY: the opening's text rows load the fonts.
        subprocess.run(["xdotool", "mousemove", "--window", str(window), "300", "300", "click", "1",
                        "mousemove", "0", "0"], check=False)
        time.sleep(2.0)
        if proc.poll() is None:
            result["rss_text_mib"] = status_kib(proc.pid, "VmRSS") / 1024.0
            result["peak_rss_mib"] = status_kib(proc.pid, "VmHWM") / 1024.0
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)  # closes the window: the game's own shut-down
        try:
            proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    result["stderr"] = proc.stderr.read().decode("utf-8", "replace")[-400:]
    print(json.dumps(result))
    return 0


if __name__ == "__main__":
    sys.exit(main())
