#!/usr/bin/env bash
# Makes the fuzz targets' seeds: the same character zipped by this program
# and by other tools (Info-ZIP zip, Python's zipfile, bsdtar, 7-Zip), as
# they write plain, streamed, encrypted or otherwise unreadable archives,
# and the damaged ones the tests make. The tools are those that
# tools/install-deps.sh installs.
#   tools/make_fuzz_seeds.sh BUILD   (BUILD: the native build, e.g. build/native)
set -euo pipefail
build=${1:?the native build folder}
tools=$(cd "$(dirname "$0")" && pwd)
seeds=$tools/../tests/fuzz/seeds
archives=$seeds/archives saves=$seeds/saves
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$archives" "$saves"
mkdir -p "$archives" "$saves" "$work/save"

# The character the targets read archives against, dated on a summer's day,
# zipped where summer time applies.
"$build/tests/fuzz/fuzz_reader" --character "$work/save"
mv "$work/save/cairnkeep.zip" "$archives/"
touch -d '2026-07-07 10:00:00 UTC' "$work/save/"Bob.*
export TZ=Europe/Berlin
cd "$work/save"
zip -q "$archives/infozip.zip" Bob.*
zip -q -0 "$archives/infozip-stored.zip" Bob.*
zip -q -z "$archives/infozip-comment.zip" Bob.* <<<"Bob before the Countess"
zip -q - Bob.* | cat >"$archives/infozip-streamed.zip"
zip -q -P secret "$archives/infozip-encrypted.zip" Bob.*
zip -q -Z bzip2 "$archives/infozip-bzip2.zip" Bob.*
cat Bob.d2s | zip -q - - | cat >"$archives/infozip-zip64.zip"
(cd .. && zip -q -r "$archives/infozip-folder.zip" save)
bsdtar --format zip -cf "$archives/bsdtar.zip" Bob.*
7zz a -bd -bb0 "$archives/7zip.zip" Bob.* >/dev/null
7zz a -bd -bb0 -psecret -mem=AES256 "$archives/7zip-aes.zip" Bob.* >/dev/null
python3 - "$archives" <<'PY'
import glob, struct, sys, zipfile
out = sys.argv[1]
names = sorted(glob.glob('Bob.*'))

class Stream:  # a file that cannot seek, as a pipe or a socket
    def __init__(self, f): self.f = f
    def write(self, b): return self.f.write(b)
    def flush(self): self.f.flush()

with zipfile.ZipFile(f'{out}/python.zip', 'w', zipfile.ZIP_DEFLATED) as z:
    for n in names: z.write(n)
with open(f'{out}/python-streamed.zip', 'wb') as raw, zipfile.ZipFile(Stream(raw), 'w', zipfile.ZIP_DEFLATED) as z:
    for n in names: z.write(n)
with zipfile.ZipFile(f'{out}/python-lzma.zip', 'w', zipfile.ZIP_LZMA) as z:
    for n in names: z.write(n)
with zipfile.ZipFile(f'{out}/python-zip64.zip', 'w', zipfile.ZIP_DEFLATED) as z:
    for n in names:
        with open(n, 'rb') as f, z.open(n, 'w', force_zip64=True) as w: w.write(f.read())
# A thousand small bombs: each entry well within the limits, all of them not.
with zipfile.ZipFile(f'{out}/bombs.zip', 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('Bob.d2s', open('Bob.d2s', 'rb').read())
    for i in range(1030): z.writestr(f'Bob.b{i:04}', bytes(65536))

ours = bytes(open(f'{out}/cairnkeep.zip', 'rb').read())
end = len(ours) - 22
central = struct.unpack_from('<I', ours, end + 16)[0]

def damaged(name, *patches):
    """`ours` with 32-bit values put at offsets: each an offset or size that a sum would wrap round."""
    data = bytearray(ours)
    for at, value in patches:
        struct.pack_into('<I', data, at, value)
    open(f'{out}/{name}.zip', 'wb').write(data)

open(f'{out}/damaged-truncated.zip', 'wb').write(ours[:-1])
flipped = bytearray(ours); flipped[60] ^= 0x55
open(f'{out}/damaged-flipped.zip', 'wb').write(flipped)
damaged('damaged-central-offset', (end + 16, 0xFFFFFFF0), (end + 12, end + 0x10))
damaged('damaged-local-offset', (central + 42, 0xFFFFFFF0))
damaged('damaged-name-length', (central + 28, 0xFFFFFFFF))
crc = struct.unpack_from('<I', ours, 14)[0] ^ 1
damaged('damaged-crc', (14, crc), (central + 16, crc))
# A packed size that a sum would wrap round, of an entry that inflates.
damaged('damaged-packed-size', (18, 0xFFFFFFF0), (central + 20, 0xFFFFFFF0))
# Declares a size far beyond what it holds, in both headers.
damaged('declares-huge', (central + 24, 0x7FFFFFF0), (22, 0x7FFFFFF0))
PY

# Saves: whole ones of two versions; one cut short, one changed, one
# lengthened; one of an old version, which has no checksum.
cp Bob.d2s "$saves/whole.d2s"
python3 "$tools/make_saves.py" "$work/made" --count 1 --names Tamsin --seed 7 >/dev/null
cp "$work/made/Tamsin.d2s" "$saves/whole-made.d2s"
# Laid out as the game's: alive, hardcore and dead, and holding a corpse.
python3 "$tools/make_saves.py" "$work/states" --names Alive,Dead,Corpse --dead Dead --corpse Corpse --seed 5 >/dev/null
for state in Alive Dead Corpse; do cp "$work/states/$state.d2s" "$saves/made-$state.d2s"; done
head -c 300 Bob.d2s >"$saves/cut.d2s"
head -c 15 Bob.d2s >"$saves/cut-in-header.d2s"
python3 - Bob.d2s "$saves" <<'PY'
import sys
save = bytearray(open(sys.argv[1], 'rb').read())
open(f'{sys.argv[2]}/longer.d2s', 'wb').write(save + b'\0')
save[200] ^= 1
open(f'{sys.argv[2]}/changed.d2s', 'wb').write(save)
PY
python3 - "$saves/old.d2s" <<'PY'
import struct, sys
open(sys.argv[1], 'wb').write(struct.pack('<II', 0xAA55AA55, 0x59) + bytes(300))
PY
echo "seeds written to tests/fuzz/seeds"
