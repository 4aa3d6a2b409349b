#!/usr/bin/env python3
"""make bench's figures of the real program under Wine, each beside its goal:
start-up to the main window; CPU while idle (the program's own, from its
Linux threads' schedstat, and the extra of the prefix's wineserver against
the same prefix with no program running), with the save folder watched and
with it not; and the time from a save written as the game writes it to its
archive in place.

    resources.py    CK_EXE, CK_DRIVER, CK_SOAK name the programs;
                    CK_IDLE_SECONDS (300) how long to watch it idle, each way
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from harness import EXE, TOOLS, WINE, WinePrefix  # noqa: E402
from make_saves import checksum  # noqa: E402

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


def idle_program(wine, idle):
    """The program started and left alone: no pass due while it is watched,
    and the focus out of the box, whose caret would blink twice a second.
    Its CPU and the wineserver's, and the program, still running."""
    app = wine.start()
    wine.type_into(wine.main_window(), INTERVAL, "60")
    wine.xdotool("key", "Tab")
    time.sleep(5)
    [(program, slices), (server, _)] = watch([app.pid, wineserver(wine.prefix)], idle)
    return app, program, slices, server


def stop(app):
    app.kill()
    app.wait()


def save_latency(folder, rounds=10):
    """Seconds from the close of a save, written as the game writes it, to an
    archive in place that holds it whole, `rounds` times."""
    name = sorted(f for f in os.listdir(folder) if f.endswith(".d2s"))[0][:-4]
    path = os.path.join(folder, name + ".d2s")
    times = []
    for _ in range(rounds):
        with open(path, "rb") as f:
            data = bytearray(f.read())
        data[0x30] = (data[0x30] + 1) & 0xFF  # the time last played moves
        data[12:16] = checksum(bytes(data)).to_bytes(4, "little")
        data = bytes(data)
        with open(path, "wb", buffering=0) as f:  # truncated; whole 4096-byte blocks, the rest at the close
            whole = len(data) - len(data) % 4096
            for at in range(0, whole, 4096):
                f.write(data[at:at + 4096])
            f.write(data[whole:])
        closed = time.monotonic()
        while not any(holds(os.path.join(folder, a), name + ".d2s", data) for a in os.listdir(folder)
                      if a.startswith(name) and a.endswith(".zip")):
            if time.monotonic() - closed > 60:
                raise RuntimeError("no archive of the save within a minute")
            time.sleep(0.01)
        times.append(time.monotonic() - closed)
        time.sleep(1)  # apart, as saves are
    return times


def holds(archive, member, data):
    try:
        with zipfile.ZipFile(archive) as z:
            return z.read(member) == data
    except (OSError, KeyError, zipfile.BadZipFile):
        return False


def main():
    idle = float(os.environ.get("CK_IDLE_SECONDS", 300))
    wine = WinePrefix()
    try:
        wine.env["WINEDLLOVERRIDES"] = "winebus.sys=d"  # Wine's HID bus would drown the figures
        folder = wine.make_folder(SAVE)
        subprocess.run([sys.executable, os.path.join(TOOLS, "make_saves.py"), folder, "--count", "3"], check=True,
                       stdout=subprocess.DEVNULL)
        wine.set_game(SAVE)
        wine.driver("find", "NoSuchWindowClass", "", 0, check=False)  # boots the prefix
        keeper = subprocess.Popen([WINE, SOAK, "wait", "100000"], env=wine.env, stdin=subprocess.DEVNULL)
        try:
            exe = "Z:" + os.path.abspath(EXE).replace("/", "\\")
            startups = [startup_ms(wine, exe) for _ in range(5)]
            time.sleep(10)
            server = wineserver(wine.prefix)
            [(server_alone, _)] = watch([server], min(idle, 120))
            app, program, slices, server_with = idle_program(wine, idle)
            latencies = save_latency(folder)
            stop(app)
            # The same program, its save folder gone: nothing to watch, the
            # timer alone, as before there was a watch.
            os.rename(folder, folder + ".away")
            app, unwatched, _, _ = idle_program(wine, idle)
            stop(app)
        finally:
            keeper.kill()
            keeper.wait()
    finally:
        wine.close()
    rows = [("Start-up, process start to the main window shown (median of 5)",
             "%.0f ms" % statistics.median(startups), "under 300 ms"),
            ("CPU while idle, the program, all threads (%.0f s), its folder watched" % idle, "%.2f ms/s" % program,
             "at most 0.5 ms/s"),
            ("  its time slices (wake-ups and waits on the wineserver)", "%.1f /s" % slices, ""),
            ("  the same, its folder not watched (%.2f ms/s): the watch's extra" % unwatched,
             "%.2f ms/s" % (program - unwatched), "at most 0.05 ms/s"),
            ("The wineserver's extra CPU for it (%.2f against %.2f ms/s alone)" % (server_with, server_alone),
             "%.2f ms/s" % (server_with - server_alone), ""),
            ("A save written as the game writes it, to its archive in place: median of %d" % len(latencies),
             "%.2f s" % statistics.median(latencies), "at most 2.5 s"),
            ("  and the worst", "%.2f s" % max(latencies), "at most 3.5 s")]
    for figure, value, goal in rows:
        print("%-78s %12s   %s" % (figure, value, goal))


if __name__ == "__main__":
    main()
