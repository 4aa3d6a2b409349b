#!/usr/bin/env python3
"""Generates made-up characters' save files, shaped like the game's.

Never use real players' saves: every byte here is invented. Each character
gets a .d2s (1 to 9 KB, laid out as the game's: a valid header and checksum,
its level among the stats, made-up items, and a corpse section), a .key
(1 KB), a .ma0 (2 to 20 KB) and sometimes a .map (24 bytes).

    make_saves.py DIR [--count N] [--seed S] [--names A,B,...] [--archives K]
                      [--history] [--dead A,...] [--corpse B,...]

--history gives each character a history, as weeks of play leave one:
states of three earlier hours, five earlier days and four earlier weeks, in
"Cairnkeep History/<name>/", named for their local time and its offset;
each earlier one a level or so lower, alive and with no corpse.
--dead makes those characters hardcore and dead; --corpse gives those a
corpse (a softcore character who died and has not picked it up yet).
"""
import argparse
import os
import random
import struct
import time
import zipfile

NAMES = ["Wulfgar", "Seraphine", "Tamsin", "Aldric", "Mirelle", "Kestrel", "Oswin", "Ysolde",
         "Brannoc", "Isolde", "Corvin", "Liesel", "Halvard", "Nimue", "Torvald", "Elowen"]
SIGNATURE = 0xAA55AA55
VERSION_110 = 0x60


def checksum(data: bytes) -> int:
    """The game's checksum: bytes 12-15 count as zero; sum = rotl(sum, 1) + byte."""
    total = 0
    for i, b in enumerate(data):
        if 12 <= i < 16:
            b = 0
        total = (((total << 1) | (total >> 31)) + b) & 0xFFFFFFFF
    return total


HEADER = 0x2FD  # where the stats begin, in versions 92 and 96
HARDCORE, DIED, EXPANSION = 0x04, 0x08, 0x20
STAT_WIDTHS = [10, 10, 10, 10, 10, 8, 21, 21, 21, 21, 21, 21, 7, 32, 25, 25]


def stats(level: int, rng: random.Random) -> bytes:
    """Stats 0 to 15, bit-packed least significant bit first, each a 9-bit id and its value, then 0x1FF."""
    bits, count = 0, 0
    for stat, width in enumerate(STAT_WIDTHS):
        value = level if stat == 12 else rng.getrandbits(width)
        bits |= (stat | value << 9) << count
        count += 9 + width
    bits |= 0x1FF << count
    return b"gf" + bits.to_bytes((count + 9 + 7) // 8, "little")


def item(rng: random.Random) -> bytes:
    """A made-up item: its own "JM", bits 16 to 19 zero, and a byte of 0x80 or more at +4."""
    return b"JM" + bytes([rng.randrange(16) << 4, rng.randrange(256), 0x80 | rng.randrange(128)]) + \
        rng.randbytes(rng.randint(9, 28))


def items(count: int, rng: random.Random) -> bytes:
    return b"JM" + struct.pack("<H", count) + b"".join(item(rng) for _ in range(count))


def d2s(name: str, size: int, rng: random.Random, version: int = VERSION_110, dead=False, corpse=False) -> bytes:
    """A save of about `size` bytes, laid out as the game writes it."""
    status = EXPANSION | (HARDCORE | DIED if dead else 0) | (DIED if corpse else 0)
    body = bytearray(rng.randbytes(HEADER))
    struct.pack_into("<III", body, 0, SIGNATURE, version, 0)
    encoded = name.encode("ascii")[:15]
    body[20:36] = encoded + bytes(16 - len(encoded))
    level = rng.randint(1, 99)
    body[0x24], body[0x28], body[0x2B] = status, rng.randrange(7), level
    body += stats(level, rng) + b"if" + rng.randbytes(30)
    body += items(max(1, (size - len(body)) // 24), rng)
    body += b"JM" + (struct.pack("<H", 1) + rng.randbytes(12) + items(rng.randint(1, 4), rng) if corpse
                     else struct.pack("<H", 0))
    body += b"jf" + b"kf" + b"\0"  # no mercenary, no golem
    struct.pack_into("<I", body, 8, len(body))
    struct.pack_into("<I", body, 12, checksum(bytes(body)))
    return bytes(body)


def semi_random(size: int, rng: random.Random) -> bytes:
    # Save files compress somewhat: runs of zeros among varied bytes.
    out = bytearray()
    while len(out) < size:
        out += rng.randbytes(rng.randint(4, 64)) if rng.random() < 0.5 else bytes(rng.randint(4, 128))
    return bytes(out[:size])


def character_files(name: str, rng: random.Random, dead=False, corpse=False) -> dict:
    files = {
        name + ".d2s": d2s(name, rng.randint(1024, 9 * 1024), rng, dead=dead, corpse=corpse),
        name + ".key": semi_random(1024, rng),
        name + ".ma0": semi_random(rng.randint(2 * 1024, 20 * 1024), rng),
    }
    if rng.random() < 0.5:
        files[name + ".map"] = rng.randbytes(24)
    return files


def names_for(count: int):
    # Save names hold letters only: past the list, add letters as a counter.
    out = []
    for i in range(count):
        suffix, k = "", i // len(NAMES)
        while k:
            k -= 1
            suffix = chr(ord("a") + k % 26) + suffix
            k //= 26
        out.append(NAMES[i % len(NAMES)] + suffix)
    return out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--count", type=int, default=3)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--names", default="")
    parser.add_argument("--archives", type=int, default=0,
                        help="also write this many older backup archives per character")
    parser.add_argument("--history", action="store_true", help="also write a history per character")
    parser.add_argument("--dead", default="", help="hardcore characters who died")
    parser.add_argument("--corpse", default="", help="characters whose save holds a corpse")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    os.makedirs(args.folder, exist_ok=True)
    names = args.names.split(",") if args.names else names_for(args.count)
    for name in names:
        files = character_files(name, rng, dead=name in args.dead.split(","),
                                corpse=name in args.corpse.split(","))
        for file_name, data in files.items():
            with open(os.path.join(args.folder, file_name), "wb") as f:
                f.write(data)
        for slot in range(1, args.archives + 1):
            archive = os.path.join(args.folder, f"{name}{slot}.zip")
            with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
                for file_name, data in files.items():
                    z.writestr(file_name, data)
            # Made one after the other, seven minutes apart, the last a while ago.
            made = time.time() - 7 * 60 * (args.archives - slot + 1)
            os.utime(archive, (made, made))
        if args.history:
            write_history(args.folder, name, files)


def write_history(folder, name, files):
    own = os.path.join(folder, "Cairnkeep History", name)
    os.makedirs(own, exist_ok=True)
    now = time.time()
    ago = [h * 3600 for h in (2, 3, 5)] + [d * 86400 for d in (1, 2, 3, 5, 8)] + [w * 7 * 86400 for w in (2, 3, 5, 9)]
    save = files[name + ".d2s"]
    rng = random.Random(name)
    for number, seconds in enumerate(ago, 1):
        earlier = bytearray(d2s(name, len(save), rng))
        earlier[0x2B] = max(1, save[0x2B] - (number + 1) // 2)
        struct.pack_into("<I", earlier, 12, checksum(bytes(earlier)))
        state = dict(files, **{name + ".d2s": bytes(earlier)})
        made = int(now - seconds)
        local = time.localtime(made)
        offset = local.tm_gmtoff // 60
        sign = "-" if offset < 0 else "+"
        stamp = time.strftime("%Y%m%d-%H%M%S", local) + f"{sign}{abs(offset) // 60:02d}{abs(offset) % 60:02d}"
        archive = os.path.join(own, f"{name}-{stamp}.zip")
        with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
            for file_name, data in state.items():
                z.writestr(zipfile.ZipInfo(file_name, time.localtime(made)[:6]), data, zipfile.ZIP_DEFLATED)
        os.utime(archive, (made, made))


if __name__ == "__main__":
    main()
