"""The release archive holds exactly its four files; its program is, byte for
byte, the 32-bit build that the Wine tests run on the 32-bit path
(build/windows/Cairnkeep.exe); its name carries that program's version
record; and its checksums hold."""
import hashlib
import os
import struct
import subprocess
import sys
import tempfile
import zipfile

root = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
exe = os.path.join(root, "build", "windows", "Cairnkeep.exe")
with open(exe, "rb") as f:
    built = f.read()
machine = struct.unpack_from("<H", built, struct.unpack_from("<I", built, 0x3C)[0] + 4)[0]
assert machine == 0x14C, "%s is not a 32-bit program (machine %#x)" % (exe, machine)
fixed = built.index(struct.pack("<I", 0xFEEF04BD))  # the version record's fixed part
ms, ls = struct.unpack_from("<II", built, fixed + 8)
name = "Cairnkeep-%d.%d.%d.zip" % (ms >> 16, ms & 0xFFFF, ls >> 16)

with tempfile.TemporaryDirectory() as out:
    subprocess.run([os.path.join(root, "tools", "dist.sh"), exe, out], check=True, stdout=subprocess.DEVNULL)
    assert sorted(os.listdir(out)) == [name, name + ".sha256"], os.listdir(out)
    with open(os.path.join(out, name), "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    with open(os.path.join(out, name + ".sha256")) as f:
        assert f.read() == "%s  %s\n" % (digest, name)
    with zipfile.ZipFile(os.path.join(out, name)) as z:
        assert sorted(z.namelist()) == ["Cairnkeep.exe", "LICENSE.txt", "README.txt", "SHA256SUMS.txt"], z.namelist()
        assert z.read("Cairnkeep.exe") == built, "the archive's program is not " + exe
        sums = {}
        for line in z.read("SHA256SUMS.txt").decode().splitlines():
            digest, member = line.split("  ")
            sums[member] = digest
        assert sums == {m: hashlib.sha256(z.read(m)).hexdigest() for m in z.namelist() if m != "SHA256SUMS.txt"}
print("ok: %s holds the 32-bit program as built, its README, its licence and their checksums" % name)
