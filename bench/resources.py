#!/usr/bin/env python3
"""make bench's figures of the real program under Wine, each beside its goal:
start-up to the main window, CPU while idle (the program's own, from its
Linux threads' schedstat, and the extra of the prefix's wineserver against
the same prefix with no program running).

    resources.py    CK_EXE, CK_DRIVER, CK_SOAK name the programs;
                    CK_IDLE_SECONDS (600) how long to watch it idle
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from harness import EXE, TOOLS, WINE, WinePrefix  # noqa: E402

SOAK = os.environ.get("CK_SOAK", "")
SAVE = "C:\\Games\\Diablo II\\Save\\"
INTERVAL = 1005


def cpu(pid):
    """CPU nanoseconds and time slices of all of a Linux process's threads."""
    total = [0, 0]
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
            ns, _, slices = map(int, f.read().split())
        total = [total[0] + ns, total[1] + slices]
    return total


def watch(pids, seconds):
    """ms of CPU a second, and time slices a second, of each process."""
    before = [cpu(p) for p in pids]
    time.sleep(seconds)
    return [((b[0] - a[0]) / 1e6 / seconds, (b[1] - a[1]) / seconds) for a, b in zip(before, map(cpu, pids))]


def wineserver(prefix):
    """The prefix's own wineserver: the one whose folder is named for the prefix."""
    st = os.stat(prefix)
    folder = "server-%x-%x" % (st.st_dev, st.st_ino)
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if os.path.basename(os.readlink("/proc/%s/cwd" % pid)) == folder and "wineserver" in os.readlink(
                    "/proc/%s/exe" % pid):
                return int(pid)
        except OSError:
            continue
    raise RuntimeError("no wineserver for " + prefix)


def startup_ms(wine, exe):
    """cksoak's measure of one start, read from a file rather than a pipe, so
    that nothing that inherits the output can hold the bench. Now and then a
    start under Wine does not end (seen once in some twenty); it is tried
    again, and said."""
    for attempt in range(3):
        with tempfile.TemporaryFile() as out:
            try:
                subprocess.run([WINE, SOAK, "startup", exe], env=wine.env, stdin=subprocess.DEVNULL, stdout=out,
                               stderr=subprocess.DEVNULL, timeout=60, check=True)
            except subprocess.TimeoutExpired:
                print("  a start did not end within a minute; tried again", flush=True)
                continue
            out.seek(0)
            return json.loads(out.read())["startup_ms"]
    raise RuntimeError("three starts in a row did not end")


def main():
    idle = float(os.environ.get("CK_IDLE_SECONDS", 600))
    wine = WinePrefix()
    try:
        wine.env["WINEDLLOVERRIDES"] = "winebus.sys=d"  # Wine's HID bus would drown the figures
        subprocess.run([sys.executable, os.path.join(TOOLS, "make_saves.py"),
                        wine.make_folder(SAVE), "--count", "3"], check=True, stdout=subprocess.DEVNULL)
        wine.set_game(SAVE)
        wine.driver("find", "NoSuchWindowClass", "", 0, check=False)  # boots the prefix
        keeper = subprocess.Popen([WINE, SOAK, "wait", "100000"], env=wine.env, stdin=subprocess.DEVNULL)
        try:
            exe = "Z:" + os.path.abspath(EXE).replace("/", "\\")
            startups = [startup_ms(wine, exe) for _ in range(5)]
            time.sleep(10)
            server = wineserver(wine.prefix)
            [(server_alone, _)] = watch([server], min(idle, 120))
            app = wine.start()
            # No pass due while it is watched, and the focus out of the box,
            # whose caret would blink twice a second.
            wine.type_into(wine.main_window(), INTERVAL, "60")
            wine.xdotool("key", "Tab")
            time.sleep(5)
            [(program, slices), (server_with, _)] = watch([app.pid, server], idle)
        finally:
            keeper.kill()
            keeper.wait()
    finally:
        wine.close()
    rows = [("Start-up, process start to the main window shown (median of 5)",
             "%.0f ms" % statistics.median(startups), "under 300 ms"),
            ("CPU while idle, the program, all threads (%.0f s)" % idle, "%.2f ms/s" % program, "at most 0.5 ms/s"),
            ("  its time slices (wake-ups and waits on the wineserver)", "%.1f /s" % slices, ""),
            ("The wineserver's extra CPU for it (%.2f against %.2f ms/s alone)" % (server_with, server_alone),
             "%.2f ms/s" % (server_with - server_alone), "")]
    for figure, value, goal in rows:
        print("%-78s %12s   %s" % (figure, value, goal))


if __name__ == "__main__":
    main()
