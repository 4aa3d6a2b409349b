"""End-to-end: three real backup passes of the real Cairnkeep.exe beside a
simulated game, read by independent zip readers. Mostly waiting for the
passes, it runs beside the other end-to-end tests."""
import os
import pathlib
import shutil
import subprocess
import time
import unittest
import zipfile

from e2e_test import IDC, SAVE, WineTest, controls_by_name, make_saves, until
from soak import Soak


class BackupTest(WineTest):
    def test_three_real_passes_beside_a_game_that_saves_all_the_while(self):
        s = self.wine
        folder = s.make_folder(SAVE)
        game = ("Akara", "Kashya")  # the simulated game rewrites these many times a second
        make_saves(folder, "--names", ",".join(("Wulfgar", "Ysolde", "Bob") + game))
        helene = "H\u00e9l\u00e8ne"
        for f in os.listdir(folder):
            if f.startswith("Ysolde."):
                shutil.copy(os.path.join(folder, f), os.path.join(folder, helene + f[len("Ysolde"):]))
        with open(os.path.join(folder, "Bob.bin"), "wb") as f:
            f.truncate(100 << 20)  # sparse: far beyond any save, and no cost to the disk
        names = ("Bob", helene, "Wulfgar", "Ysolde")  # as the list sorts them; the game leaves them alone

        def ours(files):
            return sorted(f for f in files if f.endswith(".zip") and not f.startswith(game))
        s.set_game(SAVE)
        soak = Soak(s, folder, game)
        soak.start_game()
        s.start()
        w = s.dump(s.main_window())
        s.type_into(w["hwnd"], IDC["txtInterval"], "1")
        self.assertEqual(controls_by_name(s.dump(w["hwnd"]))["txtInterval"]["text"], "1")

        status = soak.next_pass(w["hwnd"], timeout=150)
        self.assertIsNone(s.app.poll())
        self.assertRegex(status, r"(?i)left out, too large: Bob\.bin - ")
        self.assertFalse(set(soak.not_saved[-1]) - set(game), status)

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
                    info = z.getinfo(member)  # the UTF-8 flag on exactly the names beyond ASCII
                    self.assertEqual(info.flag_bits & 0x800, 0 if member.isascii() else 0x800, member)
                    when = info.date_time
                    age = os.stat(path).st_mtime - time.mktime(when + (0, 0, -1))
                    self.assertTrue(0 <= age < 2, (member, when, age))

        # A second pass finds them unchanged and writes nothing for them, but
        # for Wulfgar, who died since: his archive from before, alive, is kept
        # apart byte for byte, and his death takes his next slot.
        def saved_anew(name, *state):
            fresh = os.path.join(s.root, "fresh-" + name)
            make_saves(fresh, "--names", name, "--seed", "2", *state)
            shutil.copy(os.path.join(fresh, name + ".d2s"), os.path.join(folder, name + ".d2s"))

        def archived(names):
            # The game's own saves start a pass every few seconds: the one
            # that took these in is known by its archives, not by the status.
            until(lambda: all(os.path.exists(os.path.join(folder, n)) for n in names()), timeout=150,
                  what="the pass that keeps %s" % ", ".join(names()))
            return soak.next_pass(w["hwnd"], status)

        saved_anew("Wulfgar", "--dead", "Wulfgar")
        status = archived(lambda: ["Wulfgar2.zip"] + [n for n in os.listdir(folder)
                                                      if n.startswith("Wulfgar-before-death-")])
        kept = [n for n in os.listdir(folder) if n.startswith("Wulfgar-before-death-")]
        self.assertEqual(len(kept), 1)
        self.assertEqual(ours(os.listdir(folder)), sorted([n + "1.zip" for n in names] + ["Wulfgar2.zip"] + kept))
        self.assertEqual(pathlib.Path(folder, kept[0]).read_bytes(), pathlib.Path(folder, "Wulfgar1.zip").read_bytes())

        # Then Bob is saved anew, and Wulfgar again, dead as he is: the third
        # pass writes each one's next slot, whatever passes skipped him, and
        # keeps nothing more.
        saved_anew("Bob")
        saved_anew("Wulfgar", "--dead", "Wulfgar")
        with open(os.path.join(folder, "Wulfgar.key"), "ab") as f:
            f.write(b"!")
        archived(lambda: ["Bob2.zip", "Wulfgar3.zip"])
        self.assertFalse(set(soak.not_saved[-1]) - set(game))
        self.assertEqual(ours(controls_by_name(s.dump(w["hwnd"]))["File1"]["items"]),
                         sorted(["Bob1.zip", "Bob2.zip", "Wulfgar2.zip", "Wulfgar3.zip"] + kept +
                                [n + "1.zip" for n in names[1:]]))
        # The list marks each archive's character once it has read them all:
        # alive before the death, dead after.
        read, known, dead = 1 << 16, 1 << 17, 1 << 18
        rows = until(lambda: controls_by_name(s.dump(w["hwnd"]))["File1"],
                     lambda rows: all(data & read for data in rows["itemData"]), what="every archive read")
        marks = {name: data & (known | dead) for name, data in zip(rows["items"], rows["itemData"])}
        self.assertEqual({n: marks[n] for n in ["Wulfgar1.zip", kept[0], "Wulfgar2.zip", "Wulfgar3.zip"]},
                         {"Wulfgar1.zip": known, kept[0]: known, "Wulfgar2.zip": known | dead,
                          "Wulfgar3.zip": known | dead})
        # The game's archives, and the soak's own checks.
        report, failures = soak.finish()
        saved = sum(len(game) - len(skipped) for skipped in soak.not_saved)
        self.assertEqual((failures, report["archives verified"]), ([], saved + 8), report)

    def test_each_save_is_kept_within_seconds_on_its_own_notice(self):
        """The interval at an hour: the simulated game saves one character,
        then another, then one below the folder and one in it. Each save's
        archive comes on its own notice: the pass's own writes start none,
        and nothing below the folder is seen."""
        s = self.wine
        folder = s.make_folder(SAVE)
        os.makedirs(os.path.join(folder, "Older"))
        made = os.path.join(s.root, "made")
        make_saves(made, "--names", "Alice,Bob,Cain,Dan")
        s.set_game(SAVE)
        s.start()
        w = s.dump(s.main_window())
        s.type_into(w["hwnd"], IDC["txtInterval"], "60")
        bar = controls_by_name(w)["StatusBar1"]["hwnd"]

        def play(name, into=folder):
            """The game's files of `name`, the save last, written as the game
            writes it: truncated, each whole 4096 bytes at once, the rest at
            the close. The save, as the archive must hold it."""
            for f in sorted(os.listdir(made)):
                if f.startswith(name + ".") and not f.endswith(".d2s"):
                    shutil.copy(os.path.join(made, f), os.path.join(into, f))
            data = pathlib.Path(made, name + ".d2s").read_bytes()
            with open(os.path.join(into, name + ".d2s"), "wb", buffering=0) as f:
                whole = len(data) - len(data) % 4096
                for at in range(0, whole, 4096):
                    f.write(data[at:at + 4096])
                f.write(data[whole:])
            return data

        def kept(name, save):
            archive = os.path.join(folder, name + "1.zip")
            try:
                with zipfile.ZipFile(archive) as z:
                    return z.read(name + ".d2s") == save
            except (OSError, KeyError, zipfile.BadZipFile):
                return False

        def after(name, passes):
            """Once the archive is there: the passes run, and what the last acted on."""
            count = until(lambda: int(s.driver("prop", w["hwnd"], "Cairnkeep.Passes")), lambda n: n >= passes,
                          what="the count of passes")  # told just after the archive is in place
            self.assertEqual(count, passes)
            self.assertTrue(s.driver("tip", bar).endswith(" - after a change of %s.d2s" % name), s.driver("tip", bar))

        alice = play("Alice")
        until(lambda: kept("Alice", alice), timeout=30, what="Alice's archive")
        after("Alice", 1)
        bob = play("Bob")
        until(lambda: kept("Bob", bob), timeout=30, what="Bob's archive")
        after("Bob", 2)
        self.assertFalse(os.path.exists(os.path.join(folder, "Alice2.zip")))
        play("Cain", into=os.path.join(folder, "Older"))
        dan = play("Dan")
        until(lambda: kept("Dan", dan), timeout=30, what="Dan's archive")
        after("Dan", 3)
        self.assertFalse(os.path.exists(os.path.join(folder, "Cain1.zip")))

    def test_going_back_twice_through_the_window_keeps_every_state(self):
        """Three slots; back to the middle one and a pass; back to the oldest,
        a save and a pass: every state is still in an archive, the state gone
        back to in its own slot."""
        s = self.wine
        folder = s.make_folder(SAVE)
        make_saves(folder, "--names", "Bob")

        def present():
            return {n: pathlib.Path(folder, n).read_bytes() for n in os.listdir(folder) if n.startswith("Bob.")}

        def kept():
            found = []
            for n in sorted(os.listdir(folder)):
                if n.endswith(".zip"):
                    with zipfile.ZipFile(os.path.join(folder, n)) as z:
                        found.append((n, {m: z.read(m) for m in z.namelist()}))
            return found
        states, hour = [], time.time() - 4 * 3600
        for slot in (1, 2, 3):
            pathlib.Path(folder, "Bob.key").write_bytes(b"keys of S%d" % slot)
            states.append(present())
            archive = os.path.join(folder, "Bob%d.zip" % slot)
            with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
                for name, data in states[-1].items():
                    z.writestr(name, data)
            os.utime(archive, (hour + slot * 3600,) * 2)
        s.set_game(SAVE)
        s.start()
        w = s.dump(s.main_window())
        s.type_into(w["hwnd"], IDC["txtNumBackup"], "3")
        s.type_into(w["hwnd"], IDC["txtInterval"], "1")  # the next pass in a minute

        def status():
            return controls_by_name(s.dump(w["hwnd"]))["StatusBar1"]["text"]

        def go_back(archive):
            rows = controls_by_name(s.dump(w["hwnd"]))["File1"]
            s.driver("send", rows["hwnd"], 0x186, rows["items"].index(archive))  # LB_SETCURSEL
            s.driver("post", w["hwnd"], 0x8002)  # as Enter on the list
            box = s.dialog()
            self.assertTrue(box["text"].startswith("Restore Bob from " + archive), box["text"])
            s.driver("command", box["hwnd"], 6)  # Yes
            return until(status, lambda text: text.startswith("Restored Bob from " + archive), what="the restore")

        def next_pass(previous):
            return until(status, lambda text: text != previous, timeout=120, what="the next pass")

        slots = dict(kept())
        self.assertEqual(present(), states[2])
        after = next_pass(go_back("Bob2.zip"))
        self.assertTrue(after.startswith("Last save was at "), after)
        self.assertEqual(present(), states[1])
        self.assertEqual({n: c for n, c in kept() if n in slots}, slots)  # nothing written: no play since

        go_back("Bob1.zip")
        self.assertEqual(present(), states[0])
        pathlib.Path(folder, "Bob.key").write_bytes(b"keys played after going back")  # the game saves
        played = present()
        after = next_pass(status())
        self.assertTrue(after.startswith("Last save was at "), after)
        now = dict(kept())
        self.assertEqual((now["Bob1.zip"], now["Bob2.zip"], now["Bob3.zip"]), (states[0], played, states[2]))
        for state in states + [played]:
            self.assertIn(state, now.values())


if __name__ == "__main__":
    unittest.main()
