"""End-to-end tests of the real Cairnkeep.exe under Wine and Xvfb."""
import datetime
import os
import pathlib
import re
import shutil
import struct
import subprocess
import sys
import unittest
import zipfile
import zoneinfo

sys.path.insert(0, os.environ.get("CK_TOOLS") or os.path.join(os.path.dirname(__file__), "..", "..", "tools"))
from harness import TOOLS, WINE, WinePrefix, until  # noqa: E402
import harness  # noqa: E402

SAVE = "C:\\Games\\Diablo II\\Save\\"
WS_MAXIMIZEBOX = 0x00010000
WS_DISABLED = 0x08000000
WS_THICKFRAME = 0x00040000

IDC = {"cmdStart": 1000, "txtSaveDir": 1002, "StatusBar1": 1004, "txtInterval": 1005, "txtNumBackup": 1008,
       "File1": 1011}


def controls_by_name(window):
    by_id = {c["id"]: c for c in window["controls"]}
    return {name: by_id.get(number) for name, number in IDC.items()}


def make_saves(folder, *args):
    subprocess.run([sys.executable, os.path.join(TOOLS, "make_saves.py"), folder, *args], check=True)


class WineTest(unittest.TestCase):
    dpi = None

    def setUp(self):
        self.wine = WinePrefix(dpi=self.dpi)
        self.addCleanup(self.wine.close)

    def started(self, *archives, program=r"C:\Diablo II\Game.exe", show=None):
        """The program started on a save folder holding `archives`: its main window."""
        s = self.wine
        folder = s.make_folder(SAVE)
        for name in archives:
            open(os.path.join(folder, name), "wb").close()
        s.set_game(SAVE, program=program)
        s.start(show=show)
        return s.dump(s.main_window())


class StartUpTest(WineTest):
    def test_a_maximised_start_shows_the_fixed_window_centred_with_the_archives(self):
        archives = ["Wulfgar1.zip", "Wulfgar2.zip", "Ysolde1.zip", "Ysolde2.zip"]
        w = self.started(*archives, show="max")  # as from a shortcut set to "Maximized"
        self.assertEqual(w["text"], "Cairnkeep v1.0 by the Cairnkeep team...")
        self.assertEqual((w["zoomed"], w["visible"]), (False, True))
        left, top, right, bottom = w["window"]
        self.assertLessEqual(abs((left + right) // 2 - 512), 1)  # centred on the 1024 x 768 screen
        self.assertLessEqual(abs((top + bottom) // 2 - 384), 1)
        self.assertFalse(w["style"] & (WS_MAXIMIZEBOX | WS_THICKFRAME))
        self.assertEqual(controls_by_name(w)["File1"]["items"], archives)

    def test_a_missing_game_key_says_so_and_ends_without_a_window(self):
        s = self.wine
        s.start()
        box = s.dialog()
        self.assertIsNotNone(box, "no message box")
        self.assertEqual((box["text"], box["buttons"], box["icon"]),
                         ("Unable to locate Diablo II...closing.", ["OK"], False))
        self.assertIsNone(s.driver("find", "CairnkeepMain", "", 0, check=False))
        self.assertEqual(s.tray_icons(), [])
        # Start-up has not filled the settings: no tick finds an interval.
        c = controls_by_name(s.dump(s.driver("find", "CairnkeepMain", "", 0, "hidden")))
        self.assertEqual((c["txtInterval"]["text"], c["txtNumBackup"]["text"]), ("", ""))
        s.driver("command", box["hwnd"], 1)
        self.assertEqual(s.wait_exit(), 0)

    def test_missing_save_path_falls_back_to_c_with_its_message(self):
        s = self.wine
        open(s.unix_path("C:\\Root1.zip"), "wb").close()
        s.set_game(None)
        s.start()
        box = s.dialog()
        self.assertEqual((box["text"], box["buttons"]), ("Unable to read current Save dir...saving to C:\\", ["OK"]))
        s.driver("command", box["hwnd"], 1)
        c = controls_by_name(s.dump(s.main_window()))
        self.assertEqual(c["txtSaveDir"]["text"], "c:\\")
        self.assertIn("Root1.zip", c["File1"]["items"])
        # The settings are filled only after the message, and the program goes on.
        self.assertEqual(c["txtInterval"]["text"], "3")
        self.assertIsNone(s.app.poll())


class AboutTest(WineTest):
    def opened(self):
        """Help > About on a started program: the main window and the dialog."""
        main = self.wine.main_window() if self.wine.app else self.started()["hwnd"]
        self.wine.driver("command", main, 202)
        return main, self.wine.driver("find", "#32770", "About Cairnkeep", 20000)

    def wait_gone(self, hwnd, key):
        until(lambda: self.wine.driver("dump", hwnd, check=False), lambda dump: dump is None,
              what="the About box closed by " + key)

    def test_one_dialog_beside_a_live_window_and_the_keys_that_close_it(self):
        s = self.wine
        main, hwnd = self.opened()
        self.assertFalse(s.dump(main)["style"] & WS_DISABLED)
        _, again = self.opened()
        self.assertEqual(again, hwnd)
        for key in ("Escape", "Return"):
            s.xdotool("key", key)
            self.wait_gone(hwnd, key)
            _, hwnd = self.opened()


class DpiTest(WineTest):
    def test_every_window_keeps_its_proportions_and_every_text_fits(self):
        # The client areas of the main window, the About box and the history
        # window: their twips at each DPI.
        for dpi, main, about, history in ((96, [387, 272], [419, 230], [440, 324]),
                                          (120, [484, 340], [524, 288], [550, 405]),
                                          (144, [581, 408], [629, 345], [660, 486])):
            with self.subTest(dpi=dpi):
                self.wine.close()
                self.wine = s = WinePrefix(dpi=dpi)
                self.addCleanup(s.close)
                w = self.started()
                s.driver("command", w["hwnd"], 202)  # Help > About
                box = s.dump(s.driver("find", "#32770", "About Cairnkeep", 20000))
                s.driver("command", w["hwnd"], 206)  # File > History...
                rows = s.dump(s.driver("find", "#32770", "History", 20000))
                self.assertEqual((w["client"][2:], box["client"][2:], rows["client"][2:]), (main, about, history))
                # Moves to an x that is the number of a double click or a right
                # button up are only moves: no menu opens.
                for x in (515, 517) if dpi == 144 else ():
                    s.xdotool("mousemove", w["client_origin"][0] + x, w["client_origin"][1] + 110)
                self.assertIsNone(s.driver("find", "#32768", "", 1000, check=False))
                s.driver("command", w["hwnd"], 201)  # File > Exit
                s.wait_exit()
                # Fonts and text extents can be read only in the process that
                # made them: the Win32 tests' own windows, at this DPI.
                fit = subprocess.run([WINE, os.environ["CK_WIN32_TESTS"],
                                      "--gtest_filter=*.Dpi*"], env=s.env, stdin=subprocess.DEVNULL,
                                     capture_output=True, text=True, timeout=120)
                self.assertIn("[  PASSED  ] 1 test.", fit.stdout, fit.stdout[-2000:])


def choose(wine, menu, index, count):
    """Clicks item `index` of an open popup menu of `count` items."""
    left, top, right, bottom = wine.dump(menu)["window"]
    wine.xdotool("mousemove", (left + right) // 2, top + (2 * index + 1) * (bottom - top) // (2 * count),
                 "click", 1)


class TrayTest(WineTest):
    SC_MINIMIZE = (0x0112, 0xF020)

    def wait_shown(self, hwnd, shown):
        """Waits until the window is in front, or hidden behind its icon."""
        expected = {"visible": True, "iconic": False, "foreground": True} if shown else {"visible": False, "iconic": True}
        until(lambda: {k: v for k, v in self.wine.dump(hwnd).items() if k in expected}, expected.__eq__,
              what="the window " + ("in front" if shown else "hidden"))

    def open_tray_menu(self):
        """One right click on the icon: the menu it opens.

        Only while no window of ours has the X focus: a click on Wine's
        stand-in tray moves the X focus off our window, and when Wine reads
        that focus-out only after the menu has opened with our window in
        front, it takes it for the user leaving and ends the menu. Windows'
        tray is another process and has no such race. So the tests open the
        menu with the window hidden, or behind a message box that holds the
        focus."""
        s = self.wine
        s.click_at(s.tray_icons()[0], button=3)
        return s.driver("find", "#32768", "", 10000)

    def test_hide_come_back_and_exit_through_the_icon(self):
        s = self.wine
        hwnd = self.started()["hwnd"]
        self.assertEqual(len(s.tray_icons()), 1)
        s.driver("post", hwnd, *self.SC_MINIMIZE)
        self.wait_shown(hwnd, False)
        self.assertIsNone(s.app.poll())

        s.click_at(s.tray_icons()[0], clicks=2)
        self.wait_shown(hwnd, True)

        # A restarted shell has lost the icon; a change of DPI says the same
        # while the icon is still there.
        s.driver("untray", hwnd)
        for _ in range(2):
            s.driver("send", hwnd, "TaskbarCreated")
            self.assertEqual(len(s.tray_icons()), 1)
        left, top, right, bottom = s.tray_icons()[0]
        s.xdotool("mousemove", (left + right) // 2 + 1, (top + bottom) // 2)  # a move the tip sees
        self.assertEqual(s.dump(s.driver("find", "tooltips_class32", "", 5000))["text"], "Cairnkeep")

        # Exit while hidden: the program ends without showing the window again.
        s.driver("post", hwnd, *self.SC_MINIMIZE)
        self.wait_shown(hwnd, False)
        menu = self.open_tray_menu()
        self.assertFalse(s.dump(hwnd)["visible"])
        choose(s, menu, 1, 2)  # Exit
        self.assertEqual(s.wait_exit(), 0)
        self.assertEqual(s.tray_icons(), [])

    def test_a_second_start_shows_the_one_running_and_ends(self):
        s = self.wine
        hwnd = self.started()["hwnd"]
        s.driver("post", hwnd, *self.SC_MINIMIZE)
        self.wait_shown(hwnd, False)
        second = subprocess.run([WINE, harness.EXE], env=s.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, timeout=60)
        self.assertEqual(second.returncode, 0)
        self.wait_shown(hwnd, True)
        self.assertIsNone(s.app.poll())
        self.assertEqual(len(s.tray_icons()), 1)

    def test_the_list_names_the_selected_archive_and_exit_ends_a_message_box_too(self):
        s = self.wine
        w = self.started("Bob1.zip", "Bob2.zip")
        left, top, right, _ = controls_by_name(w)["File1"]["rect"]
        first_item = [left, top, right, top + 16]
        s.click_control(w, {"rect": first_item})
        s.click_control(w, {"rect": first_item}, button=3)
        box = s.dialog()
        self.assertEqual((box["text"], box["buttons"]), ("Bob1.zip", ["OK"]))

        choose(s, self.open_tray_menu(), 1, 2)  # Exit, with the message box open
        self.assertEqual(s.wait_exit(), 0)


class ExitTest(WineTest):
    def test_close_box_ends_the_program_at_once(self):
        w = self.started()
        left, top, right, _ = w["window"]
        # The close box sits at the right end of the caption bar.
        self.wine.xdotool("mousemove", right - 12, top + 12, "click", 1)
        self.assertEqual(self.wine.wait_exit(), 0)

    def test_every_menu_command_from_its_access_keys(self):
        s = self.wine
        left, top, _, _ = self.started(program="C:\\Games\\Nowhere\\Game.exe")["window"]

        def keys(*typed):  # after a click that gives the window the focus
            s.xdotool("mousemove", left + 200, top + 150, "click", 1, "key", *typed)
        keys("alt+h", "a")
        s.driver("command", s.driver("find", "#32770", "About Cairnkeep", 20000), 2)
        keys("alt+f", "s")  # a game that cannot start is reported, and the program goes on
        box = s.dialog()
        self.assertIsNotNone(box)
        self.assertTrue(box["text"].startswith("Unable to start Diablo II: "), box["text"])
        self.assertGreater(len(box["text"]), len("Unable to start Diablo II: "))
        s.driver("command", box["hwnd"], 1)
        keys("alt+f", "x")
        self.assertEqual(s.wait_exit(), 0)


BERLIN = zoneinfo.ZoneInfo("Europe/Berlin")
# The time of the files in the seed archives, a summer's day; and a winter's
# one. Whatever the season of the run, one of them lies in the other.
SUMMER = datetime.datetime(2026, 7, 7, 12, 0, 0, tzinfo=BERLIN).timestamp()
WINTER = datetime.datetime(2026, 1, 7, 12, 0, 0, tzinfo=BERLIN).timestamp()
SEEDS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fuzz", "seeds", "archives")


def unix_time(info):
    """The modification time in an entry's extended timestamp, as the central directory has it."""
    extra = info.extra
    while len(extra) >= 9 and struct.unpack_from("<HH", extra) != (0x5455, 5):
        extra = extra[4 + struct.unpack_from("<H", extra, 2)[0]:]
    return struct.unpack_from("<i", extra, 5)[0] if len(extra) >= 9 else None


class RestoreTest(WineTest):
    def ask(self, window, key=None):
        """A real double click on the list's first archive, or a click and `key`: the message box."""
        left, top, right, _ = controls_by_name(window)["File1"]["rect"]
        self.wine.click_control(window, {"rect": [left, top, right, top + 16]}, clicks=1 if key else 2)
        if key:
            self.wine.xdotool("key", key)
        return self.wine.dialog()

    def test_refused_while_the_game_runs_no_by_default_and_yes_restores(self):
        s, game = self.wine, r"C:\Diablo II\Game.exe"  # the registry's "Program": a stand-in that waits a minute
        shutil.copy(harness.DRIVER, os.path.join(s.make_folder(r"C:\Diablo II"), "Game.exe"))
        folder = s.make_folder(SAVE)
        make_saves(folder, "--names", "Bob")
        # In a zone with summer time, local time follows the rule of each
        # file's own date, never that of the day of the run; an odd second
        # shows the DOS time's two.
        was = {"Bob.d2s": SUMMER + 1, "Bob.key": WINTER + 1}
        for name, time in was.items():
            os.utime(os.path.join(folder, name), (time, time))
        # Python's zipfile writing to a stream that cannot seek, as Java and
        # many libraries write: data descriptors, and DOS times alone.
        shutil.copy(os.path.join(SEEDS, "python-streamed.zip"), os.path.join(folder, "Bob1.zip"))
        s.env["TZ"] = "Europe/Berlin"
        s.set_game(SAVE)
        s.start()
        w = s.dump(s.main_window())

        def files():
            return {n: pathlib.Path(folder, n).read_bytes() for n in os.listdir(folder) if n.startswith("Bob.")}
        before = files()

        running = subprocess.Popen([harness.WINE, game, "find", "NoSuchWindowClass", "", "60000"], env=s.env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(running.wait)
        self.addCleanup(running.kill)
        s.driver("running", "Game.exe", 20000)
        box = self.ask(w)
        self.assertEqual(box["text"], "Close Diablo II before restoring: it would save over the restored files.")
        s.driver("command", box["hwnd"], 1)
        running.kill()
        running.wait()
        self.assertEqual(self.ask(w, "Return")["buttons"], ["&Yes", "&No"])
        s.xdotool("key", "Return")  # No is the default
        until(lambda: s.driver("find", "#32770", "Cairnkeep", 0, check=False), lambda box: box is None,
              what="the question answered")
        self.assertEqual((files(), [n for n in os.listdir(folder) if "before-restore" in n]), (before, []))

        box = self.ask(w)
        self.assertRegex(box["text"], r"^Restore Bob from Bob1\.zip, made [^(]+\?\nBob is now level \d+\.\n"
                                      r"Bob's current files are kept first in a new Bob-before-restore archive\.$")
        s.driver("command", box["hwnd"], 6)  # Yes
        c = until(lambda: controls_by_name(s.dump(w["hwnd"])), lambda c: c["StatusBar1"]["text"].startswith(
            "Restored Bob from Bob1.zip at "), what="the status after the restore")
        kept = re.search(r" - the files before are kept in (Bob-before-restore-\d{8}-\d{6}\.zip)$",
                         c["StatusBar1"]["text"]).group(1)
        self.assertIn(kept, c["File1"]["items"])
        for archive, expected in (("Bob1.zip", files()), (kept, before)):
            with zipfile.ZipFile(os.path.join(folder, archive)) as z:
                self.assertEqual({n: z.read(n) for n in z.namelist()}, expected, archive)
        # Back to the local time of its date, from the DOS time alone.
        self.assertEqual({n: os.stat(os.path.join(folder, n)).st_mtime for n in files()},
                         dict.fromkeys(files(), SUMMER))
        # The archive the program wrote: each DOS time the local time of the
        # file's own date, and the exact time beside it.
        with zipfile.ZipFile(os.path.join(folder, kept)) as z:
            times = {i.filename: (datetime.datetime(*i.date_time, tzinfo=BERLIN).timestamp(), unix_time(i))
                     for i in z.infolist()}
        self.assertEqual({n: times[n] for n in was}, {n: (t - 1, int(t)) for n, t in was.items()})
    def test_a_restore_from_the_history_window_through_the_real_question(self):
        s = self.wine
        folder = s.make_folder(SAVE)
        make_saves(folder, "--names", "Bob", "--history")
        history = os.path.join(folder, "Cairnkeep History", "Bob")
        oldest = min(os.listdir(history), key=lambda n: os.stat(os.path.join(history, n)).st_mtime)
        with open(os.path.join(folder, "Bob.key"), "wb") as f:
            f.write(b"keys of a later state")
        s.set_game(SAVE)
        s.start()
        w = s.dump(s.main_window())
        x0, y0 = w["client_origin"]
        s.xdotool("mousemove", x0 + 200, y0 + 40, "click", 1, "key", "ctrl+h")
        window = s.driver("find", "#32770", "History of Bob", 20000)
        # The rows have the focus: the last is the oldest state.
        s.xdotool("key", "End", "Return")
        box = s.dialog()
        self.assertRegex(box["text"], r"^Restore Bob from %s, made [^(]+\(level \d+\)\?\nBob is now level \d+\.\n"
                                      r"Bob's current files are kept first in a new Bob-before-restore archive\.$"
                         % re.escape(oldest))
        s.driver("command", box["hwnd"], 6)  # Yes
        c = until(lambda: controls_by_name(s.dump(w["hwnd"])), lambda c: c["StatusBar1"]["text"].startswith(
            "Restored Bob from %s at " % oldest), what="the status after the restore")
        kept = re.search(r" - the files before are kept in (Bob-before-restore-\d{8}-\d{6}\.zip)$",
                         c["StatusBar1"]["text"]).group(1)
        with zipfile.ZipFile(os.path.join(history, oldest)) as z:
            self.assertEqual(pathlib.Path(folder, "Bob.key").read_bytes(), z.read("Bob.key"))
        with zipfile.ZipFile(os.path.join(folder, kept)) as z:
            self.assertEqual(z.read("Bob.key"), b"keys of a later state")
        # Esc closes the window, and the program goes on.
        s.xdotool("key", "Escape")
        until(lambda: s.driver("dump", window, check=False), lambda dump: dump is None, what="the window closed")
        s.driver("command", w["hwnd"], 201)  # File > Exit
        self.assertEqual(s.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
