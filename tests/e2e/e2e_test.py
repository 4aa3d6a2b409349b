"""End-to-end tests of the real Cairnkeep.exe under Wine and Xvfb."""
import os
import shutil
import subprocess
import sys
import time
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(__file__))
from harness import WinePrefix  # noqa: E402

SAVE = "C:\\Games\\Diablo II\\Save\\"
WS_MINIMIZEBOX = 0x00020000
WS_MAXIMIZEBOX = 0x00010000
WS_THICKFRAME = 0x00040000
WS_DISABLED = 0x08000000
UDS_WRAP = 0x0001

# Where the design puts each control at 96 DPI, in client pixels.
DESIGN_96 = {"cmdStart": [8, 216, 377, 249], "Label1": [8, 8, 121, 25], "txtSaveDir": [128, 8, 377, 27],
             "Label2": [8, 40, 105, 65], "txtInterval": [128, 40, 145, 59], "udInterval": [144, 40, 160, 65],
             "Label3": [232, 40, 329, 65], "txtNumBackup": [336, 40, 362, 59], "udBackup": [360, 40, 376, 65],
             "Label4": [8, 80, 97, 97], "File1": [8, 96, 377, 206]}

IDC = {"cmdStart": 1000, "Label1": 1001, "txtSaveDir": 1002, "Label2": 1003, "StatusBar1": 1004,
       "txtInterval": 1005, "udInterval": 1006, "Label3": 1007, "txtNumBackup": 1008, "udBackup": 1009,
       "Label4": 1010, "File1": 1011}


def controls_by_name(window):
    by_id = {c["id"]: c for c in window["controls"]}
    return {name: by_id.get(number) for name, number in IDC.items()}


def make_saves(folder, *args):
    tools = os.environ.get("CK_TOOLS", os.path.join(os.path.dirname(__file__), "..", "..", "tools"))
    subprocess.run([sys.executable, os.path.join(tools, "make_saves.py"), folder, *args], check=True)


class WineTest(unittest.TestCase):
    dpi = None

    def setUp(self):
        self.wine = WinePrefix(dpi=self.dpi)
        self.addCleanup(self.wine.close)


class StartUpTest(WineTest):
    def test_window_shows_the_game_folder_settings_and_archives(self):
        s = self.wine
        folder = s.make_folder(SAVE)
        make_saves(folder, "--names", "Wulfgar,Ysolde", "--archives", "2")
        for stray in ("notes.zipx", "old.zip.bak"):
            open(os.path.join(folder, stray), "wb").close()
        os.makedirs(os.path.join(folder, "folder.zip"))
        s.set_game(SAVE)
        s.start(show="max")  # as from a shortcut set to "Maximized"
        w = s.dump(s.main_window())

        self.assertFalse(w["zoomed"])
        self.assertEqual(w["text"], "Cairnkeep v1.0 by the Cairnkeep team...")
        self.assertEqual(w["client"], [0, 0, 387, 272])
        left, top, right, bottom = w["window"]
        self.assertLessEqual(abs((left + right) // 2 - 512), 1)  # centred on the 1024 x 768 screen
        self.assertLessEqual(abs((top + bottom) // 2 - 384), 1)
        self.assertFalse(w["style"] & WS_MAXIMIZEBOX)
        self.assertFalse(w["style"] & WS_THICKFRAME)
        self.assertTrue(w["visible"])

        c = controls_by_name(w)
        self.assertEqual(c["txtSaveDir"]["text"], SAVE)
        self.assertTrue(c["txtSaveDir"]["style"] & WS_DISABLED)
        self.assertEqual(c["txtInterval"]["text"], "3")
        self.assertEqual(c["txtNumBackup"]["text"], "10")
        self.assertEqual((c["udInterval"]["pos"], c["udInterval"]["lower"], c["udInterval"]["upper"]), (3, 1, 60))
        self.assertEqual((c["udBackup"]["pos"], c["udBackup"]["lower"], c["udBackup"]["upper"]), (10, 1, 50))
        self.assertFalse(c["udInterval"]["style"] & UDS_WRAP or c["udBackup"]["style"] & UDS_WRAP)
        self.assertEqual({name: c[name]["rect"] for name in DESIGN_96}, DESIGN_96)
        self.assertEqual(c["cmdStart"]["text"], "&Start Diablo ][")
        self.assertEqual(c["Label1"]["text"], "Current Save Directory :")
        self.assertEqual(c["Label2"]["text"], "Backup Interval in Minutes:")
        self.assertEqual(c["Label3"]["text"], "Number of Backups to maintain :")
        self.assertEqual(c["Label4"]["text"], "Current Backups")
        self.assertEqual(c["File1"]["items"],
                         ["Wulfgar1.zip", "Wulfgar2.zip", "Ysolde1.zip", "Ysolde2.zip"])

        bar = c["StatusBar1"]
        self.assertEqual(bar["parts"], [193, 289, 385])
        self.assertEqual(bar["panels"][0], "")
        self.assertNotEqual(bar["panels"][1], "")
        self.assertNotEqual(bar["panels"][2], "")
        self.assertEqual(bar["rect"][3], 272)

    def test_missing_game_key_says_so_and_ends_without_a_window(self):
        s = self.wine
        s.start()
        box = s.dialog()
        self.assertIsNotNone(box, "no message box")
        self.assertEqual(box["text"], "Unable to locate Diablo II...closing.")
        self.assertEqual(box["buttons"], ["OK"])
        self.assertFalse(box["icon"])
        self.assertIsNone(s.driver("find", "CairnkeepMain", "", 0, check=False))
        self.assertEqual(s.tray_icons(), [])
        # Start-up has not filled the settings: no tick finds an interval.
        c = controls_by_name(s.dump(s.driver("find", "CairnkeepMain", "", 0, "hidden")))
        self.assertEqual((c["txtInterval"]["text"], c["txtNumBackup"]["text"]), ("", ""))
        s.driver("command", box["hwnd"], 1)
        self.assertEqual(s.wait_exit(), 0)

    def test_an_empty_program_value_counts_as_missing(self):
        s = self.wine
        s.set_game(SAVE, program="")
        s.start()
        box = s.dialog()
        self.assertEqual(box["text"], "Unable to locate Diablo II...closing.")
        s.driver("command", box["hwnd"], 1)
        self.assertEqual(s.wait_exit(), 0)

    def test_missing_save_path_falls_back_to_c_with_its_message(self):
        s = self.wine
        open(s.unix_path("C:\\Root1.zip"), "wb").close()
        s.set_game(None)
        s.start()
        box = s.dialog()
        self.assertEqual(box["text"], "Unable to read current Save dir...saving to C:\\")
        self.assertEqual(box["buttons"], ["OK"])
        s.driver("command", box["hwnd"], 1)
        c = controls_by_name(s.dump(s.main_window()))
        self.assertEqual(c["txtSaveDir"]["text"], "c:\\")
        self.assertIn("Root1.zip", c["File1"]["items"])
        # The interval box is filled only after the message: the ticks while
        # it was open did nothing, and the program is still running.
        self.assertEqual(c["txtInterval"]["text"], "3")
        self.assertIsNone(s.app.poll())

    def test_new_save_path_wins_and_a_folder_beyond_ascii_is_shown_whole(self):
        s = self.wine
        current = "C:\\Users\\Public\\Sauvegardes \u00e9t\u00e9\\"
        folder = s.make_folder(current)
        open(os.path.join(folder, "H\u00e9l\u00e8ne1.zip"), "wb").close()
        s.set_game(SAVE, NewSavePath=current)
        s.start()
        c = controls_by_name(s.dump(s.main_window()))
        self.assertEqual(c["txtSaveDir"]["text"], current)
        self.assertEqual(c["File1"]["items"], ["H\u00e9l\u00e8ne1.zip"])

    def test_a_missing_save_folder_leaves_the_list_empty(self):
        s = self.wine
        s.set_game("C:\\No Such Folder\\")
        s.start()
        c = controls_by_name(s.dump(s.main_window()))
        self.assertEqual(c["File1"]["items"], [])
        self.assertIsNone(s.app.poll())


class BackupTest(WineTest):
    def test_one_real_pass_after_the_interval_typed_into_the_box(self):
        s = self.wine
        folder = s.make_folder(SAVE)
        make_saves(folder, "--names", "Wulfgar,Ysolde,Bob")
        helene = "H\u00e9l\u00e8ne"
        for f in os.listdir(folder):
            if f.startswith("Ysolde."):
                shutil.copy(os.path.join(folder, f), os.path.join(folder, helene + f[len("Ysolde"):]))
        with open(os.path.join(folder, "Bob.bin"), "wb") as f:
            f.truncate(100 << 20)  # sparse: far beyond any save, and no cost to the disk
        names = ("Bob", helene, "Wulfgar", "Ysolde")  # as the list sorts them
        s.set_game(SAVE)
        s.start()
        w = s.dump(s.main_window())
        # Real typing: select the box's text and type 1.
        s.click_control(w, controls_by_name(w)["txtInterval"], clicks=2)
        s.xdotool("key", "ctrl+a", "1")
        self.assertEqual(controls_by_name(s.dump(w["hwnd"]))["txtInterval"]["text"], "1")

        deadline = time.time() + 150
        while time.time() < deadline and not all(os.path.exists(os.path.join(folder, n + "1.zip")) for n in names):
            time.sleep(1)
        time.sleep(1)
        self.assertIsNone(s.app.poll())
        c = controls_by_name(s.dump(w["hwnd"]))
        status = c["StatusBar1"]["panels"][0]
        self.assertTrue(status.startswith("Last save was at "), status)
        self.assertTrue(status.endswith(" - left out, too large: Bob.bin"), status)
        self.assertNotIn("not saved", status)
        self.assertEqual(c["File1"]["items"], [n + "1.zip" for n in names])

        # Info-ZIP and Python read every archive under the names the files
        # have, byte for byte, with each file's own time.
        unzipped = os.path.join(s.root, "unzipped")
        utf8 = dict(os.environ, LC_ALL="C.UTF-8")
        for name in names:
            archive = os.path.join(folder, name + "1.zip")
            expected = sorted(f for f in os.listdir(folder) if f.startswith(name + ".") and f != "Bob.bin")
            target = os.path.join(unzipped, name)
            os.makedirs(target)
            subprocess.run(["unzip", "-qo", archive, "-d", target], check=True, env=utf8)
            self.assertEqual(sorted(os.listdir(target)), expected)
            with zipfile.ZipFile(archive) as z:
                self.assertIsNone(z.testzip())
                self.assertEqual(sorted(z.namelist()), expected)
                for member in expected:
                    path = os.path.join(folder, member)
                    with open(path, "rb") as f:
                        self.assertEqual(z.read(member), f.read(), member)
                    info = z.getinfo(member)
                    self.assertEqual(info.flag_bits, 0 if member.isascii() else 0x800, member)
                    age = os.stat(path).st_mtime - time.mktime(info.date_time + (0, 0, -1))
                    self.assertTrue(0 <= age < 2, (member, info.date_time, age))
        self.assertEqual([f for f in os.listdir(folder) if f.endswith(".cktmp")], [])

        # A second pass finds nothing changed and writes nothing. Then the
        # game saves Bob anew, and the third pass writes his next slot.
        status = self.next_status(w, status)
        self.assertEqual(sorted(f for f in os.listdir(folder) if f.endswith(".zip")), [n + "1.zip" for n in names])
        fresh = os.path.join(s.root, "fresh")
        make_saves(fresh, "--names", "Bob", "--seed", "2")
        shutil.copy(os.path.join(fresh, "Bob.d2s"), os.path.join(folder, "Bob.d2s"))
        self.assertNotIn("not saved", self.next_status(w, status))
        self.assertEqual(controls_by_name(s.dump(w["hwnd"]))["File1"]["items"],
                         ["Bob1.zip", "Bob3.zip"] + [n + "1.zip" for n in names[1:]])

    def next_status(self, window, previous):
        """The first status panel once the next pass, a minute on, has changed its time."""
        for _ in range(90):
            status = controls_by_name(self.wine.dump(window["hwnd"]))["StatusBar1"]["panels"][0]
            if status != previous:
                return status
            time.sleep(1)
        self.fail("no pass after " + previous)


class SettingsAndLaunchTest(WineTest):
    GAME = "C:\\Program Files\\Diablo II\\Game.exe"

    def started(self, program=GAME):
        s = self.wine
        s.make_folder(SAVE)
        s.set_game(SAVE, program=program)
        s.start()
        return s.dump(s.main_window())

    def text(self, window, name):
        return controls_by_name(self.wine.dump(window["hwnd"]))[name]["text"]

    def test_typing_and_the_arrows(self):
        s = self.wine
        w = self.started()
        c = controls_by_name(w)
        s.click_control(w, c["txtInterval"], clicks=2)
        s.xdotool("key", "ctrl+a", "4", "5")
        self.assertEqual(self.text(w, "txtInterval"), "45")
        s.xdotool("key", "0")  # 450 is out of range
        self.assertEqual(self.text(w, "txtInterval"), "3")

        # A real click on the upper half of the interval's spin control.
        x0, y0 = w["client_origin"]
        left, top, right, bottom = c["udInterval"]["rect"]
        s.xdotool("mousemove", x0 + (left + right) // 2, y0 + top + (bottom - top) // 4, "click", 1)
        self.assertEqual(self.text(w, "txtInterval"), "4")

        s.click_control(w, c["txtNumBackup"], clicks=2)
        s.xdotool("key", "ctrl+a", "BackSpace")
        self.assertEqual(self.text(w, "txtNumBackup"), "10")
        self.assertIsNone(s.dialog(timeout_ms=0))

    def test_start_button_runs_the_game_minimised_each_time(self):
        s = self.wine
        record = s.install_recorder(self.GAME)
        w = self.started()
        button = controls_by_name(w)["cmdStart"]
        s.click_control(w, button)
        s.recorded(record, 1)
        time.sleep(1)  # let the first game take and give back the focus
        s.click_control(w, button)
        lines = s.recorded(record, 2)
        self.assertEqual(len(lines), 2, lines)
        for command, flags, show, folder in lines:
            self.assertEqual(command, '"C:\\Program Files\\Diablo II\\Game.exe"')
            self.assertEqual(int(flags) & 1, 1)  # STARTF_USESHOWWINDOW
            self.assertEqual(int(show), 2)       # minimised
            self.assertEqual(folder.lower(), "c:\\program files\\diablo ii")
        self.assertIsNone(s.app.poll())

    def test_a_game_that_cannot_start_is_reported_and_the_program_goes_on(self):
        for program in ("C:\\Games\\Nowhere\\Game.exe", "Game.exe"):
            with self.subTest(program=program):
                if program != "C:\\Games\\Nowhere\\Game.exe":
                    self.wine.close()
                    self.wine = WinePrefix()
                    self.addCleanup(self.wine.close)
                s = self.wine
                w = self.started(program)
                s.driver("command", w["hwnd"], 200)  # File > Start
                box = s.dialog()
                self.assertIsNotNone(box)
                self.assertTrue(box["text"].startswith("Unable to start Diablo II: "), box["text"])
                self.assertGreater(len(box["text"]), len("Unable to start Diablo II: "))
                s.driver("command", box["hwnd"], 1)
                time.sleep(0.5)
                self.assertIsNone(s.app.poll())


ABOUT = {"cmdOK": 1, "picIcon": 1100, "cmdSysInfo": 1101, "lblDescription": 1102, "lblTitle": 1103,
         "lblVersion": 1104, "Label1": 1105, "lblEmail": 1106}
ABOUT_96 = {"cmdOK": [224, 192, 308, 215], "picIcon": [16, 16, 52, 52], "cmdSysInfo": [320, 192, 403, 215],
            "lblDescription": [70, 75, 393, 153], "lblTitle": [70, 16, 329, 48], "lblVersion": [70, 52, 329, 67],
            "Label1": [64, 168, 257, 185], "lblEmail": [264, 168, 401, 185]}
ABOUT_TEXTS = {
    "cmdOK": "OK", "cmdSysInfo": "&System Info...", "lblTitle": "Cairnkeep", "lblVersion": "Version 1.0.0",
    "Label1": "Email me with any questions/comments:  ", "lblEmail": "cairnkeep@example.com",
    "lblDescription": "Ever played too far without saving and then find yourself dead?  This utility will back-up "
                      "your character/game info during gameplay at the intervals you specify.  Diablo ][ doesn't "
                      "save your game at intervals, but rather at certain points in the game.  This utility will "
                      "ONLY back-up what Diablo ][ has saved.  It merely provides a way to go back before you were "
                      "killed."}
TOOL = "C:\\Program Files\\System Tools\\MSINFO32.EXE"


class AboutTest(WineTest):
    def opened(self):
        """Help > About on a started program: the main window and the dialog."""
        s = self.wine
        if not s.app:
            s.make_folder(SAVE)
            s.set_game(SAVE)
            s.start()
        main = s.main_window()
        s.driver("command", main, 202)
        return main, s.driver("find", "#32770", "About Cairnkeep", 20000)

    def about(self, hwnd):
        w = self.wine.dump(hwnd)
        by_id = {c["id"]: c for c in w["controls"]}
        return w, {name: by_id[number] for name, number in ABOUT.items()}

    def gone(self, hwnd):
        deadline = time.time() + 10
        while time.time() < deadline and self.wine.driver("dump", hwnd, check=False):
            time.sleep(0.2)
        return self.wine.driver("dump", hwnd, check=False) is None

    def test_texts_layout_one_dialog_and_the_keys_that_close_it(self):
        s = self.wine
        main, hwnd = self.opened()
        w, c = self.about(hwnd)
        self.assertEqual(w["client"], [0, 0, 419, 230])
        self.assertFalse(w["style"] & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME))
        self.assertEqual({name: c[name]["rect"] for name in ABOUT_96}, ABOUT_96)
        self.assertEqual({name: c[name]["text"] for name in ABOUT_TEXTS}, ABOUT_TEXTS)
        self.assertEqual(len(ABOUT_TEXTS["lblDescription"]), 370)
        self.assertFalse(s.dump(main)["style"] & WS_DISABLED)

        _, again = self.opened()
        self.assertEqual(again, hwnd)
        for key in ("Escape", "Return"):
            s.xdotool("key", key)
            self.assertTrue(self.gone(hwnd), key)
            _, hwnd = self.opened()
            self.assertEqual(self.about(hwnd)[1]["lblVersion"]["text"], "Version 1.0.0")

    def test_system_info_starts_the_tool_from_either_place_or_says_it_cannot(self):
        s = self.wine
        record = s.install_recorder(TOOL)
        _, hwnd = self.opened()
        s.driver("command", hwnd, ABOUT["cmdSysInfo"])  # neither place holds anything
        box = s.dialog()
        self.assertEqual((box["text"], box["buttons"], box["icon"]),
                         ("System Information Is Unavailable At This Time", ["OK"], False))
        s.driver("command", box["hwnd"], 1)

        s.reg("add", "HKLM\\SOFTWARE\\Microsoft\\Shared Tools Location", "/v", "MSINFO", "/d",
              "C:\\Program Files\\System Tools\\")
        s.driver("command", hwnd, ABOUT["cmdSysInfo"])
        s.recorded(record, 1)
        s.reg("add", "HKLM\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "/v", "PATH", "/d", TOOL)
        s.driver("command", hwnd, ABOUT["cmdSysInfo"])
        lines = s.recorded(record, 2)
        # The folder of place 2 ends in a backslash, and another is added.
        self.assertEqual([line[0] for line in lines],
                         ["C:\\Program Files\\System Tools\\\\MSINFO32.EXE", TOOL])
        self.assertEqual([line[2] for line in lines], ["1", "1"])  # shown normally

    def test_the_mail_link_opens_a_new_mail_about_cairnkeep(self):
        s = self.wine
        record = s.install_recorder("C:\\Mail Tools\\mailer.exe")
        _, hwnd = self.opened()
        s.reg("add", "HKCR\\mailto\\shell\\open\\command", "/ve", "/d", '"C:\\Mail Tools\\mailer.exe" "%1"')
        w, c = self.about(hwnd)
        s.click_control(w, c["lblEmail"])
        lines = s.recorded(record, 1)
        self.assertEqual(lines[0][0], '"C:\\Mail Tools\\mailer.exe" "mailto:cairnkeep@example.com?subject=Cairnkeep"')
        self.assertEqual(lines[0][3].lower(), "c:\\")


class HighDpiTest(WineTest):
    dpi = 144

    def test_window_keeps_its_physical_size_and_mouse_moves_are_only_moves(self):
        s = self.wine
        s.make_folder(SAVE)
        s.set_game(SAVE)
        s.start()
        w = s.dump(s.main_window())
        self.assertEqual(w["client"], [0, 0, 581, 408])
        c = controls_by_name(w)
        self.assertEqual(c["cmdStart"]["rect"], [12, 324, 566, 374])
        # The numbers of a double click and a right button up, as x in the
        # client area, between the settings row and the list.
        x0, y0 = w["client_origin"]
        for x in (515, 517):
            s.xdotool("mousemove", x0 + x, y0 + 110)
        self.assertIsNone(s.driver("find", "#32768", "", 1000, check=False))


def choose(wine, menu, index, count):
    """Clicks item `index` of an open popup menu of `count` items."""
    left, top, right, bottom = wine.dump(menu)["window"]
    wine.xdotool("mousemove", (left + right) // 2, top + (2 * index + 1) * (bottom - top) // (2 * count),
                 "click", 1)


class TrayTest(WineTest):
    SC_MINIMIZE = (0x0112, 0xF020)

    def started(self, *archives):
        s = self.wine
        folder = s.make_folder(SAVE)
        for name in archives:
            open(os.path.join(folder, name), "wb").close()
        s.set_game(SAVE)
        s.start()
        return s.main_window()

    def open_tray_menu(self):
        # Wine's tray window takes the focus on a click now and then, after
        # the menu opened, and the menu closes: the pointer rests on the icon
        # first, and a second click follows a menu that did not stay.
        s = self.wine
        left, top, right, bottom = s.tray_icons()[0]
        s.xdotool("mousemove", (left + right) // 2, (top + bottom) // 2, "sleep", 1)
        for timeout_ms in (3000, 5000):
            s.xdotool("click", 3)
            menu = s.driver("find", "#32768", "", timeout_ms, check=timeout_ms == 5000)
            if menu:
                return menu

    def test_hide_come_back_and_exit_through_the_icon(self):
        s = self.wine
        hwnd = self.started()
        self.assertEqual(len(s.tray_icons()), 1)
        s.driver("post", hwnd, *self.SC_MINIMIZE)
        time.sleep(1)
        w = s.dump(hwnd)
        self.assertEqual((w["visible"], w["iconic"]), (False, True))
        self.assertIsNone(s.app.poll())

        s.click_at(s.tray_icons()[0], clicks=2)
        time.sleep(1)
        w = s.dump(hwnd)
        self.assertEqual((w["visible"], w["iconic"], w["foreground"]), (True, False, True))

        # A restarted shell has lost the icon; a change of DPI says the same
        # while the icon is still there.
        s.driver("untray", hwnd)
        for _ in range(2):
            s.driver("post", hwnd, "TaskbarCreated")
            time.sleep(1)
            icons = s.tray_icons()
            self.assertEqual(len(icons), 1)
        left, top, right, bottom = icons[0]
        s.xdotool("mousemove", (left + right) // 2 + 1, (top + bottom) // 2)  # a move the tip sees
        self.assertEqual(s.dump(s.driver("find", "tooltips_class32", "", 5000))["text"], "Cairnkeep")

        choose(s, self.open_tray_menu(), 1, 2)  # Exit
        self.assertEqual(s.wait_exit(), 0)
        self.assertEqual(s.tray_icons(), [])

    def test_the_list_names_the_selected_archive_and_exit_ends_a_message_box_too(self):
        s = self.wine
        w = s.dump(self.started("Bob1.zip", "Bob2.zip"))
        left, top, right, _ = controls_by_name(w)["File1"]["rect"]
        first_item = [left, top, right, top + 16]
        s.click_control(w, {"rect": first_item})
        s.click_control(w, {"rect": first_item}, button=3)
        box = s.dialog()
        self.assertEqual((box["text"], box["buttons"]), ("Bob1.zip", ["OK"]))

        choose(s, self.open_tray_menu(), 1, 2)  # Exit, with the message box open
        self.assertEqual(s.wait_exit(), 0)


class ExitTest(WineTest):
    def started(self):
        s = self.wine
        s.make_folder(SAVE)
        s.set_game(SAVE)
        s.start()
        return s.dump(s.main_window())

    def test_close_box_ends_the_program_at_once(self):
        w = self.started()
        left, top, right, _ = w["window"]
        # The close box sits at the right end of the caption bar.
        self.wine.xdotool("mousemove", right - 12, top + 12, "click", 1)
        self.assertEqual(self.wine.wait_exit(), 0)

    def test_file_exit_from_the_keyboard_ends_the_program(self):
        w = self.started()
        left, top, _, _ = w["window"]
        self.wine.xdotool("mousemove", left + 200, top + 150, "click", 1)
        self.wine.xdotool("key", "alt+f")
        self.wine.xdotool("key", "x")
        self.assertEqual(self.wine.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
