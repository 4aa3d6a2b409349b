"""Runs the real Cairnkeep.exe in a fresh Wine prefix under a private Xvfb,
and looks at it from outside: through ckdriver.exe (window messages), through
xdotool (real mouse and keyboard) and through the files it writes.

A WinePrefix is one prefix with its own X server and the processes it
started, and it stops exactly those: by PID, and its own wineserver with
wineserver -k.
"""
import json
import os
import shutil
import subprocess
import tempfile
import time

TOOLS = os.environ.get("CK_TOOLS") or os.path.dirname(os.path.abspath(__file__))
EXE = os.environ.get("CK_EXE", "")
DRIVER = os.environ.get("CK_DRIVER", "")
WINE = os.path.join(TOOLS, "wine.sh")  # the loader for CK_WINE_ARCH

MAIN_CLASS = "CairnkeepMain"
GAME_KEY = r"Software\Blizzard Entertainment\Diablo II"


def until(probe, done=bool, timeout=20, what="the condition"):
    """Asks `probe` again and again until `done` holds for its answer, and
    returns that answer; fails naming `what` and the last answer once
    `timeout` seconds have passed."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if done(value):
            return value
        if time.monotonic() > deadline:
            raise AssertionError("%s: not within %g s (last seen: %r)" % (what, timeout, value))
        time.sleep(0.1)


def reg_string(text):
    """A string as Wine's registry files write it."""
    out = []
    for ch in text:
        if ch in '"\\':
            out.append("\\" + ch)
        elif ord(ch) > 127 or ord(ch) < 32:
            out.append("\\x%04x" % ord(ch))
        else:
            out.append(ch)
    return '"' + "".join(out) + '"'


class WinePrefix:
    def __init__(self, dpi=None):
        self.root = tempfile.mkdtemp(prefix="ck-e2e.")
        self.prefix = os.path.join(self.root, "prefix")
        subprocess.run([os.path.join(TOOLS, "wineprefix.sh"), "new", self.prefix], check=True,
                       stdout=subprocess.DEVNULL)
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all")
        self.app = None
        self.booted = False
        self.xvfb = None
        self._start_xvfb()
        if dpi:
            self.add_registry(r"Control Panel\Desktop", {"LogPixels": dpi})

    # --- set-up -----------------------------------------------------------
    def _start_xvfb(self):
        # Xvfb picks a free display and writes its number once it accepts clients.
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.env["DISPLAY"] = ":" + number

    def add_registry(self, key, values):
        """Adds values under HKCU before the prefix's wineserver starts."""
        assert not self.booted, "the registry is read when the first process starts"
        lines = ["", "[%s] 0" % key.replace("\\", "\\\\")]
        for name, value in values.items():
            if isinstance(value, int):
                lines.append('%s=dword:%08x' % (reg_string(name), value & 0xFFFFFFFF))
            else:
                lines.append("%s=%s" % (reg_string(name), reg_string(value)))
        with open(os.path.join(self.prefix, "user.reg"), "a", encoding="ascii") as f:
            f.write("\n".join(lines) + "\n")

    def set_game(self, save_dir=None, program=r"C:\Diablo II\Game.exe", **extra):
        values = {}
        if program is not None:
            values["Program"] = program
        if save_dir is not None:
            values["Save Path"] = save_dir
        values.update(extra)
        self.add_registry(GAME_KEY, values)

    def unix_path(self, windows_path):
        """The host path of a C:\\ path in this prefix."""
        assert windows_path[:3].lower() == "c:\\"
        return os.path.join(self.prefix, "drive_c", *[p for p in windows_path[3:].split("\\") if p])

    def make_folder(self, windows_path):
        path = self.unix_path(windows_path)
        os.makedirs(path, exist_ok=True)
        return path

    # --- running ----------------------------------------------------------
    def boot(self):
        """Starts the prefix's wineserver and services, once, before any
        other process of ours: two Wine processes started together in a new
        prefix race to set up its server, and the loser ends at once ("wine:
        chdir to /tmp/wine-.../server-...: No such file or directory"). No
        pipes to inherit either: the services outlive the first process and
        would hold a captured output open. A file keeps what Wine says if it
        cannot start at all."""
        if self.booted:
            return
        with open(os.path.join(self.root, "boot.log"), "w+b") as log:
            booted = subprocess.run([WINE, DRIVER, "find", "NoSuchWindowClass", "", "0"], env=self.env,
                                    stdin=subprocess.DEVNULL, stdout=log, stderr=log)
            log.seek(0)
            said = log.read().decode(errors="replace").strip()
            # The loader's trip at the end (see driver) comes after a start.
            if booted.returncode in (126, 127) and "Inconsistency detected by ld.so" not in said:
                raise RuntimeError("Wine could not start (exit %d): %s" % (booted.returncode, said))
        self.booted = True

    def start(self, show=None):
        """Starts the program, through `start /<show>` (min, max) if given."""
        self.boot()
        launcher = ["start", "/wait", "/" + show, "/unix"] if show else []
        self.app = subprocess.Popen([WINE, *launcher, EXE], env=self.env, stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return self.app

    def driver(self, *args, check=True, timeout=60, program=None):
        for attempt in range(3):
            result = subprocess.run([WINE, program or DRIVER, *[str(a) for a in args]], env=self.env,
                                    stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)
            # Now and then, under load, the 64-bit loader trips over itself
            # as the process ends, after the program's own work is done but
            # before its exit status is told. A question is asked again; a
            # message sent is not sent twice.
            if result.returncode != 127 or b"Inconsistency detected by ld.so" not in result.stderr:
                break
            if str(args[0]) not in ("find", "dump", "prop", "tip", "running"):
                result.returncode = 0
                break
        if check and result.returncode != 0:
            raise AssertionError("%s %s failed (%d): %s" % (
                os.path.basename(program or DRIVER), " ".join(map(str, args)), result.returncode,
                result.stderr.decode(errors="replace")))
        return result.stdout.decode("utf-8").strip() if result.returncode == 0 else None

    def main_window(self, timeout_ms=20000):
        return self.driver("find", MAIN_CLASS, "", timeout_ms)

    def dump(self, hwnd):
        return json.loads(self.driver("dump", hwnd))

    def dialog(self, title="Cairnkeep", timeout_ms=20000):
        """A message box: its text (in the static control 0xFFFF), the buttons
        it shows and whether it shows an icon (control 0x14)."""
        hwnd = self.driver("find", "#32770", title, timeout_ms, check=False)
        if not hwnd:
            return None
        shown = [c for c in self.dump(hwnd)["controls"] if c["visible"]]
        return {"hwnd": hwnd, "text": "".join(c["text"] for c in shown if c["id"] == 0xFFFF),
                "buttons": [c["text"] for c in shown if c["class"].lower() == "button"],
                "icon": any(c["id"] == 0x14 for c in shown)}

    def tray_icons(self):
        """The icons of Wine's own notification window (under a plain X
        server it has one), each with its rectangle on the screen."""
        tray = self.driver("find", "__winex11_standalone_tray", "", 0, "hidden", check=False)
        if not tray:
            return []
        window = self.dump(tray)
        x0, y0 = window["client_origin"]
        return [[x0 + left, y0 + top, x0 + right, y0 + bottom]
                for left, top, right, bottom in (c["rect"] for c in window["controls"]
                                                 if c["class"] == "__winex11_tray_icon")]

    def click_at(self, rect, button=1, clicks=1):
        left, top, right, bottom = rect
        self.xdotool("mousemove", (left + right) // 2, (top + bottom) // 2, "click", "--repeat", clicks, button)

    def click_control(self, window, control, clicks=1, button=1):
        x0, y0 = window["client_origin"]
        left, top, right, bottom = control["rect"]
        self.click_at([x0 + left, y0 + top, x0 + right, y0 + bottom], button, clicks)

    def type_into(self, hwnd, control_id, text):
        """Real typing: selects the box's text and types `text` over it."""
        window = self.dump(hwnd)
        self.click_control(window, next(c for c in window["controls"] if c["id"] == control_id), clicks=2)
        self.xdotool("key", "ctrl+a", *text)

    def xdotool(self, *args):
        subprocess.run(["xdotool", *[str(a) for a in args]], env=self.env, check=True)

    def wait_exit(self, timeout=20):
        return self.app.wait(timeout=timeout)

    def close(self):
        if self.app and self.app.poll() is None:
            self.app.kill()
            self.app.wait()
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait()
        shutil.rmtree(self.root, ignore_errors=True)

