#!/usr/bin/env python3
"""Whole-process figures of one run of the game: time from launch to its window being mapped, then CPU and
resident memory while the title screen idles with the music playing. Prints one line of JSON.

Usage: process_probe.py GAME IDLE_SECONDS   (DISPLAY must name a running X server, e.g. Xvfb)

The window is seen through X itself: the probe listens for MapNotify on the root window before it starts
the game, so the figure holds no polling delay. Standard library only (Xlib through ctypes).
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


class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("override_redirect", ctypes.c_int)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xmap", XMapEvent), ("pad", ctypes.c_long * 24)]


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


def main():
    game, idle_seconds = sys.argv[1], float(sys.argv[2])
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
    dpy = x.XOpenDisplay(None)
    if not dpy:
        print(json.dumps({"error": "no X display"}))
        return 1
    x.XSelectInput(dpy, x.XDefaultRootWindow(dpy), SUBSTRUCTURE_NOTIFY_MASK)
    x.XFlush(dpy)

    start = time.monotonic()
    game = os.path.abspath(game)
    proc = subprocess.Popen([game], cwd=os.path.dirname(game),
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    mapped = None
    event = XEvent()
    fd = x.XConnectionNumber(dpy)
    while mapped is None and time.monotonic() - start < 20 and proc.poll() is None:
        if x.XPending(dpy) == 0:
            select.select([fd], [], [], 0.05)
            continue
        x.XNextEvent(dpy, ctypes.byref(event))
        if event.type == MAP_NOTIFY and not event.xmap.override_redirect:
            mapped = time.monotonic()
    result = {}
    if mapped is None:
        result["error"] = "the window was never mapped"
    else:
        result["launch_ms"] = (mapped - start) * 1000.0
        time.sleep(3.0)  # the title picture is up and the sound font has loaded
        if proc.poll() is None:
            cpu0, t0 = cpu_seconds(proc.pid), time.monotonic()
            time.sleep(idle_seconds)
            cpu1, t1 = cpu_seconds(proc.pid), time.monotonic()
            result["idle_cpu_percent"] = (cpu1 - cpu0) / (t1 - t0) * 100.0
            result["rss_mib"] = status_kib(proc.pid, "VmRSS") / 1024.0
            result["peak_rss_mib"] = status_kib(proc.pid, "VmHWM") / 1024.0
        else:
            result["error"] = "the game ended by itself"
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
