#!/usr/bin/env python3
"""The soak: the real Cairnkeep.exe under Wine, its save folder watched and
the interval at a minute, beside a simulated game that rewrites its
characters' saves many times a second: a burst that never goes quiet, so a
pass every 10 seconds.

    soak.py [--minutes 30]      make soak; CK_EXE, CK_DRIVER, CK_SOAK name the programs

After each pass it samples the program's handles, GDI and USER objects and
private bytes, and checks that a character reported as not saved kept the
slot's older archive. At the end every archive must open and hold a whole
save, no temporary file may be left, and no count may grow steadily.
"""
import argparse
import json
import operator
import os
import re
import struct
import subprocess
import sys
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
from harness import WINE, WinePrefix  # noqa: E402
from make_saves import checksum  # noqa: E402

SOAK = os.environ.get("CK_SOAK", "")
SAVE = "C:\\Games\\Diablo II\\Save\\"
STATUS_BAR, INTERVAL = 1004, 1005
# A rise beyond these from the first third of the samples to the last, in
# every sample of the last third, is growth. The first sample is warm-up,
# and a list that grows a scroll bar costs a few GDI objects once.
TOLERANCE = {"handles": 4, "gdi": 16, "user": 4, "private": 256 << 10}


def whole_save(data):
    """The game's own test: signature, the size field and the checksum."""
    if len(data) < 16:
        return False
    signature, version, size, stored = struct.unpack_from("<IIII", data)
    return signature == 0xAA55AA55 and (version < 0x5C or (size == len(data) and stored == checksum(data)))


def read(path):
    with open(path, "rb") as f:
        return f.read()


def steady_growth(values, tolerance):
    steady = values[1:]
    third = max(1, len(steady) // 3)
    return len(steady) >= 2 and min(steady[-third:]) > max(steady[:third]) + tolerance


class Soak:
    def __init__(self, wine, folder, names, keep=10):
        self.wine, self.folder, self.names, self.keep = wine, folder, names, keep
        self.samples, self.not_saved, self.failures = [], [], []
        self.archives = self.read_archives()
        self.game = None

    def read_archives(self):
        out = {}
        for f in os.listdir(self.folder):
            if f.endswith(".zip"):
                with open(os.path.join(self.folder, f), "rb") as z:
                    out[f] = z.read()
        return out

    def start_game(self):
        """Starts the simulated game and waits until it has saved each of its
        characters once: a pass over saves it never touched would test
        nothing, so a game that does not get going fails here, saying so."""
        self.wine.boot()
        saves = [os.path.join(self.folder, name + ".d2s") for name in self.names]
        first = [read(path) for path in saves]
        self.game_out = os.path.join(self.wine.root, "game.out")
        with open(self.game_out, "wb") as out, open(self.game_out + ".err", "wb") as err:
            self.game = subprocess.Popen([WINE, SOAK, "game", SAVE, "86400", *self.names], env=self.wine.env,
                                         stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        deadline = time.monotonic() + 60
        while any(map(operator.eq, map(read, saves), first)):
            if self.game.poll() is not None or time.monotonic() > deadline:
                with open(self.game_out + ".err", "rb") as err:
                    said = err.read().decode(errors="replace").strip()[-1000:]
                raise AssertionError("the simulated game never wrote (exit status %s); it said: %s"
                                     % (self.game.poll(), said or "nothing"))
            time.sleep(0.1)

    def status(self, hwnd):
        return next(c["text"] for c in self.wine.dump(hwnd)["controls"] if c["id"] == STATUS_BAR)

    def next_pass(self, hwnd, previous="", timeout=90):
        """The status once the next pass has written it, after the checks of that pass."""
        deadline = time.time() + timeout
        status = self.status(hwnd)
        while status == previous or not status:
            if time.time() > deadline:
                raise AssertionError("no pass after " + repr(previous))
            time.sleep(1)
            status = self.status(hwnd)
        skipped = re.search(r"(?i)not saved: (.*?)(?: - |$)", status)
        skipped = skipped.group(1).split(", ") if skipped else []
        now = self.read_archives()
        for name in skipped:
            slots = re.compile(re.escape(name) + r"\d+\.zip")
            changed = sorted(a for a in set(now) | set(self.archives)
                             if slots.fullmatch(a) and now.get(a) != self.archives.get(a))
            if changed:
                self.failures.append("pass %d did not save %s but changed %s" % (len(self.not_saved) + 1, name,
                                                                                  changed))
        self.not_saved.append(skipped)
        self.archives = now
        self.samples.append(json.loads(self.wine.driver("probe", program=SOAK)))
        return status

    def finish(self):
        """The report, and what went wrong."""
        game = {}
        if self.game:
            self.game.kill()
            self.game.wait()
            with open(self.game_out) as out:
                lines = out.read().split()
            game = {"the game wrote": lines[-1] if lines else "nothing"}
        verified = 0
        for name, data in self.read_archives().items():
            try:
                with zipfile.ZipFile(os.path.join(self.folder, name)) as z:
                    bad = z.testzip()
                    saves = [m for m in z.namelist() if m.endswith(".d2s")]
                    if bad or len(saves) != 1 or not whole_save(z.read(saves[0])):
                        self.failures.append("%s: damaged member %s, or no whole save in %s" % (name, bad, saves))
            except zipfile.BadZipFile as e:
                self.failures.append("%s does not open: %s" % (name, e))
            verified += 1
        left = [f for f in os.listdir(self.folder) if f.endswith(".cktmp")]
        if left:
            self.failures.append("temporary files left: %s" % left)
        for key, tolerance in TOLERANCE.items():
            values = [s[key] for s in self.samples]
            if steady_growth(values, tolerance):
                self.failures.append("%s grow steadily: %s" % (key, values))
        skipped = [(i, n) for i, names in enumerate(self.not_saved) for n in names]
        retried = [(i, n) for i, n in skipped if any(n not in later for later in self.not_saved[i + 1:])]
        report = {"passes": len(self.not_saved), "archives verified": verified,
                  "not saved (torn or held) and retried": "%d, saved at a later pass: %d" % (len(skipped),
                                                                                              len(retried))}
        report.update({"largest " + key: max([s[key] for s in self.samples] or [0]) for key in TOLERANCE})
        report.update(game)
        return report, self.failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--minutes", type=float, default=30)
    parser.add_argument("--characters", type=int, default=5)
    args = parser.parse_args()
    wine = WinePrefix()
    try:
        folder = wine.make_folder(SAVE)
        subprocess.run([sys.executable, os.path.join(HERE, "make_saves.py"), folder, "--count",
                        str(args.characters)], check=True)
        names = sorted(f[:-4] for f in os.listdir(folder) if f.endswith(".d2s"))
        wine.set_game(SAVE)
        soak = Soak(wine, folder, names)
        soak.start_game()
        wine.start()
        hwnd = wine.main_window()
        wine.type_into(hwnd, INTERVAL, "1")
        end = time.time() + args.minutes * 60
        status = ""
        while time.time() < end:
            status = soak.next_pass(hwnd, status)
            print("pass %d: %s; %s" % (len(soak.samples), status, soak.samples[-1]), flush=True)
        report, failures = soak.finish()
    finally:
        wine.close()
    for key, value in report.items():
        print("%s: %s" % (key, value))
    for failure in failures:
        print("FAILED: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
