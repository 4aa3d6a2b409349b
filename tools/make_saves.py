#!/usr/bin/env python3
"""Generates made-up characters' save files, shaped like the game's.

Never use real players' saves: every byte here is invented. Each character
gets a .d2s (1 to 9 KB, with a valid header and checksum), a .key (1 KB), a
.ma0 (2 to 20 KB) and sometimes a .map (24 bytes).

    make_saves.py DIR [--count N] [--seed S] [--names A,B,...] [--archives K]
"""
import argparse
import os
import random
import struct
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


def d2s(name: str, size: int, rng: random.Random, version: int = VERSION_110) -> bytes:
    body = bytearray(rng.randbytes(size))
    struct.pack_into("<III", body, 0, SIGNATURE, version, size)
    struct.pack_into("<I", body, 12, 0)
    encoded = name.encode("ascii")[:15]
    body[20:36] = encoded + bytes(16 - len(encoded))
    struct.pack_into("<I", body, 12, checksum(bytes(body)))
    return bytes(body)


def semi_random(size: int, rng: random.Random) -> bytes:
    # Save files compress somewhat: runs of zeros among varied bytes.
    out = bytearray()
    while len(out) < size:
        out += rng.randbytes(rng.randint(4, 64)) if rng.random() < 0.5 else bytes(rng.randint(4, 128))
    return bytes(out[:size])


def character_files(name: str, rng: random.Random) -> dict:
    files = {
        name + ".d2s": d2s(name, rng.randint(1024, 9 * 1024), rng),
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
    args = parser.parse_args()
    rng = random.Random(args.seed)
    os.makedirs(args.folder, exist_ok=True)
    names = args.names.split(",") if args.names else names_for(args.count)
    for name in names:
        files = character_files(name, rng)
        for file_name, data in files.items():
            with open(os.path.join(args.folder, file_name), "wb") as f:
                f.write(data)
        for slot in range(1, args.archives + 1):
            with zipfile.ZipFile(os.path.join(args.folder, f"{name}{slot}.zip"), "w",
                                 zipfile.ZIP_DEFLATED) as z:
                for file_name, data in files.items():
                    z.writestr(file_name, data)


if __name__ == "__main__":
    main()
