#!/usr/bin/env python3
"""A small web release for the wizard's tests: the mirror tree (a release folder
with directory.txt.zip and one zip per listed file, the file's leaf name
inside), the update site's serverlist9.txt, and a manifest of what a Linux
install must hold (local path and MD5, one a line).

  make_release.py OUT RELEASE_NAME [--newer URL] [--size KB] [--copy DIR] [--obsolete] HOST ...

--copy also writes a Linux install of the release into DIR, as an existing copy.
--obsolete lists a file that an earlier release had and this one dropped; the
copy then holds that earlier file.
--big MB lists a file of MB megabytes that packs small, with an earlier version
of it in the directory file; the copy then holds that earlier version (with
--big-current, the current one), and OUT/earlier big terrain.dat holds it too.
--large KB lists a file of KB kilobytes that packs to about its own size.
"""
import hashlib
import os
import random
import sys
import zipfile

args = sys.argv[1:]
newer = None
size_kb = 600
if "--newer" in args:
    i = args.index("--newer")
    newer = args[i + 1]
    del args[i:i + 2]
if "--size" in args:
    i = args.index("--size")
    size_kb = int(args[i + 1])
    del args[i:i + 2]
copy = None
if "--copy" in args:
    i = args.index("--copy")
    copy = args[i + 1]
    del args[i:i + 2]
obsolete = {}  # listed path -> the earlier release's bytes
if "--obsolete" in args:
    args.remove("--obsolete")
    obsolete["All/Resources/objects/retired part.obj"] = b"an object the release no longer has\n" * 40
big_current = "--big-current" in args
if big_current:
    args.remove("--big-current")
big_mb = 0
if "--big" in args:
    i = args.index("--big")
    big_mb = int(args[i + 1])
    del args[i:i + 2]
large_kb = 0
if "--large" in args:
    i = args.index("--large")
    large_kb = int(args[i + 1])
    del args[i:i + 2]
out, release, hosts = args[0], args[1], args[2:]
rng = random.Random(11)



class Repeated:
    """A file's bytes made of one block written `times` times over, never held whole."""

    def __init__(self, block, times):
        self.block, self.times = block, times

    def chunks(self):
        for _ in range(self.times):
            yield self.block


def chunks_of(data):
    return data.chunks() if isinstance(data, Repeated) else iter([data])


def md5_of(data):
    h = hashlib.md5()
    for c in chunks_of(data):
        h.update(c)
    return h.hexdigest()


def size_of(data):
    return len(data.block) * data.times if isinstance(data, Repeated) else len(data)


def write_data(path, data):
    with open(path, "wb") as f:
        for c in chunks_of(data):
            f.write(c)


SIM = b"#!/bin/sh\n# stand-in simulator: notes that it ran\necho ran > \"$(dirname \"$0\")/../../../Output/ran.txt\"\n"

files = {}  # listed path -> (os, bytes)
files["Linux/Vantor.app/Contents/MacOS/Vantor"] = (3, SIM)
files["Macintosh/Vantor.app/Contents/MacOS/Vantor"] = (1, SIM + b"# mac\n")
files["Windows/Vantor.exe"] = (2, b"MZ not for this platform\n")
for folder in ("Airfoils", "Instructions", "Resources", "Output"):
    files["All/%s/readme %s.txt" % (folder, folder.lower())] = (0, ("About %s.\n" % folder).encode())
n = 24
for i in range(n):
    blob = bytes(rng.getrandbits(8) for _ in range(size_kb * 1000 // n))
    files["All/Resources/objects/part %02d.obj" % i] = (0, blob)
files["All/Instructions/Manual.txt"] = (0, b"Fly safely.\n" * 200)
older = {}  # listed path -> the earlier release's bytes, still listed in the file's history
if big_mb:
    stamp = bytes(rng.getrandbits(8) for _ in range(4096))
    big = "All/Resources/terrain/big terrain.dat"
    files[big] = (0, Repeated(stamp + bytes(1 << 20), big_mb))
    older[big] = stamp + b"the earlier terrain\n"
    os.makedirs(out, exist_ok=True)
    write_data(os.path.join(out, "earlier big terrain.dat"), older[big])

if large_kb:
    files["All/Resources/terrain/large terrain.dat"] = (0, bytes(rng.getrandbits(8) for _ in range(large_kb * 1000)))

mirror = os.path.join(out, "mirror", release)
site = os.path.join(out, "site")
os.makedirs(mirror, exist_ok=True)
os.makedirs(site, exist_ok=True)

lines = ["A", "900 version", "INSTALLER", ""]
manifest = []
cur_dir = None
for path in sorted(list(files) + list(obsolete)):
    folder, leaf = path.rsplit("/", 1)
    if path in obsolete:
        if folder + "/" != cur_dir:
            cur_dir = folder + "/"
            lines.append("")
            lines.append("DIR " + cur_dir)
        data = obsolete[path]
        lines.append("FILE 0 0 92000 1 1 %s %s" % (hashlib.md5(data).hexdigest(), leaf))
        lines.append("FILE 0 0 92102 0 0 GONE %s" % leaf)
        if copy:
            local = os.path.join(copy, path.split("/", 1)[1])
            os.makedirs(os.path.dirname(local), exist_ok=True)
            with open(local, "wb") as f:
                f.write(data)
        continue
    os_code, data = files[path]
    arc = os.path.join(mirror, path + ".zip")
    os.makedirs(os.path.dirname(arc), exist_ok=True)
    with zipfile.ZipFile(arc, "w", zipfile.ZIP_DEFLATED) as z:
        info = zipfile.ZipInfo(leaf, date_time=(2024, 1, 1, 0, 0, 0))
        info.external_attr = (0o755 if "MacOS" in path else 0o644) << 16
        info.compress_type = zipfile.ZIP_DEFLATED
        with z.open(info, "w", force_zip64=size_of(data) > (1 << 31)) as entry:
            for c in chunks_of(data):
                entry.write(c)
    md5 = md5_of(data)
    if folder + "/" != cur_dir:
        cur_dir = folder + "/"
        lines.append("")
        lines.append("DIR " + cur_dir)
    if path in older:
        lines.append("FILE 0 %d 92000 1 1 %s %s" % (os_code, hashlib.md5(older[path]).hexdigest(), leaf))
    lines.append("FILE 0 %d 92102 %d %d %s %s" % (os_code, int(os.path.getsize(arc) * 0.001),
                                                 int(size_of(data) * 0.001), md5, leaf))
    if os_code in (0, 3, 6):
        local = path.split("/", 1)[1]
        manifest.append("%s\t%s" % (local, md5))
        if copy:
            os.makedirs(os.path.dirname(os.path.join(copy, local)), exist_ok=True)
            write_data(os.path.join(copy, local), data if big_current else older.get(path, data))
directory = os.path.join(out, "directory.txt")
with open(directory, "w") as f:
    f.write("\n".join(lines) + "\n")
with zipfile.ZipFile(os.path.join(mirror, "directory.txt.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    z.write(directory, "directory.txt")
with open(os.path.join(out, "manifest.txt"), "w") as f:
    f.write("\n".join(manifest) + "\n")

with open(os.path.join(site, "serverlist9.txt"), "w") as f:
    f.write("A\n820 version\nSERVERS\n\n")
    f.write("BETA %s beta\nFINAL %s\n" % (release, release))
    if newer:
        f.write("INS_VERSION 20503 %s\n" % newer)
    else:
        f.write("INS_VERSION 20502 http://%s/old_installer.html\n" % (hosts[0] if hosts else "x"))
    for k, h in enumerate(hosts):
        f.write("SERVER %s\n/\nMirror %d|Mirror %d{loopback test mirror\n" % (h, k + 1, k + 1))
    f.write("ENDOFLIST\n")
print(len(files), "files")
