"""The release archive holds exactly its four files and is named for its
program's version record; the program is, byte for byte, the 32-bit build
that the Wine tests run on the 32-bit path (build/windows/Cairnkeep.exe);
its checksums hold."""
import hashlib
import os
import struct
import subprocess
import tempfile
import zipfile

root = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
exe = os.path.join(root, "build", "windows", "Cairnkeep.exe")
with open(exe, "rb") as f:
    built = f.read()
assert struct.unpack_from("<H", built, struct.unpack_from("<I", built, 0x3C)[0] + 4)[0] == 0x14C, exe + ": not 32-bit"
ms, ls = struct.unpack_from("<II", built, built.index(struct.pack("<I", 0xFEEF04BD)) + 8)  # the version record
name = "Cairnkeep-%d.%d.%d.zip" % (ms >> 16, ms & 0xFFFF, ls >> 16)
sums = lambda files: "".join("%s  %s\n" % (hashlib.sha256(data).hexdigest(), n) for n, data in files)  # noqa: E731
with tempfile.TemporaryDirectory() as out:
    subprocess.run([os.path.join(root, "tools", "dist.sh"), exe, out], check=True, stdout=subprocess.DEVNULL)
    assert sorted(os.listdir(out)) == [name, name + ".sha256"], os.listdir(out)
    with open(os.path.join(out, name), "rb") as archive, open(os.path.join(out, name + ".sha256")) as beside:
        assert beside.read() == sums([(name, archive.read())])
    with zipfile.ZipFile(os.path.join(out, name)) as z:
        assert z.namelist() == ["Cairnkeep.exe", "README.txt", "LICENSE.txt", "SHA256SUMS.txt"], z.namelist()
        assert z.read("Cairnkeep.exe") == built, "the archive's program is not " + exe
        assert z.read("SHA256SUMS.txt").decode() == sums((n, z.read(n)) for n in z.namelist()[:3])
print("ok: " + name)
