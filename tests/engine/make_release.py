#!/usr/bin/env python3
"""Builds release sets for the engine tests and benchmarks, with the real zip and 7z tools.

  make_release.py web   OUT   a web release on a mirror folder, and an installed copy to update
  make_release.py dvd   OUT   two disc folders and a fresh install target
  make_release.py bench OUT COUNT KB   a release of COUNT files of about KB kilobytes each
  make_release.py names OUT  a web release whose names hold what a URL must escape

OUT/mirror/REL/...        archives (listed path + ".zip", leaf name inside) and directory.txt.zip
OUT/copy/                 the installed copy (web)
OUT/disc1/, OUT/disc2/    the discs (dvd): REL/<listed path>.zip or .7z
OUT/expect.txt            what the copy must hold afterwards:
    present MD5 REL_PATH | absent REL_PATH | exec REL_PATH | dir_absent REL_PATH | dir_present REL_PATH
"""
import hashlib
import os
import random
import shutil
import subprocess
import sys

REL = "vantor_92102"
NEW = 92102
OLD = 92001


def md5(data):
    return hashlib.md5(data).hexdigest()


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def make_archive(root, listed, data, seven=False):
    """Archive of one file: the leaf name inside, stored under root/listed + suffix."""
    suffix = ".7z" if seven else ".zip"
    target = os.path.join(root, listed + suffix)
    os.makedirs(os.path.dirname(target), exist_ok=True)
    work = target + ".work"
    os.makedirs(work, exist_ok=True)
    leaf = os.path.basename(listed)
    write(os.path.join(work, leaf), data)
    if os.path.exists(target):
        os.remove(target)
    if seven:
        subprocess.run(["7z", "a", "-bd", "-y", os.path.abspath(target), leaf], cwd=work, check=True,
                       stdout=subprocess.DEVNULL)
    else:
        subprocess.run(["zip", "-q", "-X", os.path.abspath(target), leaf], cwd=work, check=True)
    shutil.rmtree(work)
    return target


class Directory:
    """The directory file: DIR lines when the folder changes, FILE lines, DISK lines."""

    def __init__(self):
        self.lines = ["I", "900 version", "INSTALLER", ""]
        self.folder = None

    def disk(self, n):
        self.lines.append("DISK %d" % n)

    def file(self, os_code, version, kb1, kb2, sig, listed):
        folder, name = listed.rsplit("/", 1)
        folder += "/"
        if folder != self.folder:
            self.lines.append("")
            self.lines.append("DIR " + folder)
            self.folder = folder
        self.lines.append("FILE 0 %d %d %d %d %s %s" % (os_code, version, kb1, kb2, sig, name))

    def save_zipped(self, folder):
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, "directory.txt")
        write(path, ("\n".join(self.lines) + "\n").encode())
        zipped = path + ".zip"
        if os.path.exists(zipped):
            os.remove(zipped)
        subprocess.run(["zip", "-q", "-X", "directory.txt.zip", "directory.txt"], cwd=folder, check=True)
        os.remove(path)


def content(tag, size=3000):
    rnd = random.Random(tag)
    words = [("%s-%d " % (tag, rnd.randrange(1000))).encode() for _ in range(64)]
    out = bytearray()
    while len(out) < size:
        out += rnd.choice(words)
    return bytes(out[:size])


def below(listed):
    return listed.split("/", 1)[1]


def web(out):
    mirror = os.path.join(out, "mirror", REL)
    copy = os.path.join(out, "copy")
    d = Directory()
    expect = []

    def current(listed, data, os_code=0, older=None, archive=True):
        if older is not None:
            d.file(os_code, OLD, len(older) // 1000, len(older) // 1000, md5(older), listed)
        arch = make_archive(mirror, listed, data) if archive else None
        kb1 = os.path.getsize(arch) // 1000 if arch else 1
        d.file(os_code, NEW, kb1, len(data) // 1000, md5(data), listed)

    def local(listed, data):
        write(os.path.join(copy, below(listed)), data)

    # up to date
    a = content("uptodate")
    current("All/Resources/uptodate.txt", a)
    local("All/Resources/uptodate.txt", a)
    expect.append("present %s %s" % (md5(a), "Resources/uptodate.txt"))
    # an older listed version on disk: overwritten without a question
    old, new = content("older-a"), content("older-b")
    current("All/Resources/older.txt", new, older=old)
    local("All/Resources/older.txt", old)
    expect.append("present %s %s" % (md5(new), "Resources/older.txt"))
    # changed by the user: the test keeps this one ...
    mine = b"my own edit\n"
    current("All/Resources/changed_keep.txt", content("ck"), older=content("ck-old"))
    local("All/Resources/changed_keep.txt", mine)
    expect.append("present %s %s" % (md5(mine), "Resources/changed_keep.txt"))
    # ... and overwrites this one
    ov = content("co")
    current("All/Resources/changed_over.txt", ov)
    local("All/Resources/changed_over.txt", b"scribbled over\n")
    expect.append("present %s %s" % (md5(ov), "Resources/changed_over.txt"))
    # missing, in folders that do not exist yet, with blanks in the names
    m = content("missing", 70000)
    current("All/Aircraft/New Plane/plane file.acf", m)
    expect.append("present %s %s" % (md5(m), "Aircraft/New Plane/plane file.acf"))
    # the program inside an application bundle becomes executable
    exe = content("exe", 5000)
    current("Macintosh/Vantor.app/Contents/MacOS/Vantor", exe, os_code=1)
    expect.append("present %s %s" % (md5(exe), "Vantor.app/Contents/MacOS/Vantor"))
    expect.append("exec Vantor.app/Contents/MacOS/Vantor")
    # another platform's file: neither fetched nor touched
    win_local = b"windows build on disk\n"
    current("Windows/Resources/win_only.dll", content("win"), os_code=2)
    local("Windows/Resources/win_only.dll", win_local)
    expect.append("present %s %s" % (md5(win_local), "Resources/win_only.dll"))
    current("Windows/Resources/win_new.dll", content("win2"), os_code=2)
    expect.append("absent Resources/win_new.dll")
    # platform code changed between releases: new history first, the old one with its tombstone later
    plug_a, plug_b = content("plug-a"), content("plug-b")
    current("Macintosh/Resources/plugins/flight.vnk", plug_b, os_code=1)
    local("Macintosh/Resources/plugins/flight.vnk", plug_a)
    expect.append("present %s %s" % (md5(plug_b), "Resources/plugins/flight.vnk"))
    same_b = content("same-b")
    current("Macintosh/Resources/plugins/same.vnk", same_b, os_code=1)
    local("Macintosh/Resources/plugins/same.vnk", same_b)
    expect.append("present %s %s" % (md5(same_b), "Resources/plugins/same.vnk"))
    # obsolete, and the folders it leaves empty
    obs = content("obsolete")
    d.file(0, OLD, 2, 3, md5(obs), "All/Old Stuff/deep/obsolete.txt")
    d.file(0, NEW, 0, 0, "GONE", "All/Old Stuff/deep/obsolete.txt")
    local("All/Old Stuff/deep/obsolete.txt", obs)
    expect.append("absent Old Stuff/deep/obsolete.txt")
    expect.append("dir_absent Old Stuff/deep")
    expect.append("dir_absent Old Stuff")
    # obsolete next to a file of the user's own: the folder stays
    obs2 = content("obsolete2")
    d.file(0, OLD, 2, 3, md5(obs2), "All/Resources/old_data/gone.dat")
    d.file(0, NEW, 0, 0, "GONE", "All/Resources/old_data/gone.dat")
    local("All/Resources/old_data/gone.dat", obs2)
    local("All/Resources/old_data/notes_of_mine.txt", b"keep me\n")
    expect.append("absent Resources/old_data/gone.dat")
    expect.append("present %s %s" % (md5(b"keep me\n"), "Resources/old_data/notes_of_mine.txt"))
    expect.append("dir_present Resources/old_data")
    # obsolete and changed by the user: the test keeps it
    d.file(0, OLD, 2, 3, md5(content("oc-old")), "All/Resources/obs_changed.txt")
    d.file(0, NEW, 0, 0, "GONE", "All/Resources/obs_changed.txt")
    oc = b"changed after the release dropped it\n"
    local("All/Resources/obs_changed.txt", oc)
    expect.append("present %s %s" % (md5(oc), "Resources/obs_changed.txt"))
    # the old histories of the two plug-ins, platform "all", ending in tombstones
    d.file(0, OLD, 2, 3, md5(plug_a), "All/Resources/plugins/flight.vnk")
    d.file(0, NEW, 0, 0, "GONE", "All/Resources/plugins/flight.vnk")
    d.file(0, OLD, 2, 3, md5(content("same-a")), "All/Resources/plugins/same.vnk")
    d.file(0, NEW, 0, 0, "GONE", "All/Resources/plugins/same.vnk")
    # the user's own files, listed nowhere
    for rel, data in (("Output/situations/my flight.sit", b"sit"), ("Resources/mine.txt", b"mine")):
        write(os.path.join(copy, rel), data)
        expect.append("present %s %s" % (md5(data), rel))
    # a few plain files more, so that several streams have work
    for k in range(12):
        data = content("bulk%d" % k, 20000 + 1000 * k)
        listed = "All/Resources/bulk/file_%02d.dat" % k
        current(listed, data)
        expect.append("present %s %s" % (md5(data), below(listed)))
    d.save_zipped(mirror)
    write(os.path.join(out, "expect.txt"), ("\n".join(expect) + "\n").encode())


def dvd(out):
    discs = [os.path.join(out, "disc1", REL), os.path.join(out, "disc2", REL)]
    d = Directory()
    expect = []
    for n, disc in enumerate(discs, start=1):
        d.disk(n)
        for k in range(6):
            data = content("disc%d-%d" % (n, k), 4000 + 500 * k)
            listed = "All/Resources/disc%d/file_%d.txt" % (n, k)
            make_archive(disc, listed, data)
            d.file(0, NEW, 1, len(data) // 1000, md5(data), listed)
            expect.append("present %s %s" % (md5(data), below(listed)))
    # global scenery comes as 7z, on the second disc
    dsf = content("dsf", 9000)
    listed = "All/Resources/default scenery/DSF 820/Global Scenery/+40-080/+40-080.dsf"
    make_archive(discs[1], listed, dsf, seven=True)
    d.file(0, NEW, 5, 9, md5(dsf), listed)
    expect.append("present %s %s" % (md5(dsf), below(listed)))
    d.save_zipped(discs[0])
    shutil.copy(os.path.join(discs[0], "directory.txt.zip"), os.path.join(discs[1], "directory.txt.zip"))
    write(os.path.join(out, "expect.txt"), ("\n".join(expect) + "\n").encode())


def bench(out, count, kb, per_folder=100):
    """COUNT files of about KB kilobytes: half-compressible data, one archive each, PER_FOLDER a folder."""
    mirror = os.path.join(out, "mirror", REL)
    tree = os.path.join(out, "tree")
    d = Directory()
    rnd = random.Random(7)
    size = kb * 1000
    for k in range(count):
        listed = "All/Resources/set%02d/file_%04d.bin" % (k // per_folder, k)
        noise = rnd.randbytes(size // 2)
        data = noise + bytes(size - len(noise))
        write(os.path.join(tree, below(listed)), data)
        arch = make_archive(mirror, listed, data)
        d.file(0, NEW, os.path.getsize(arch) // 1000, size // 1000, md5(data), listed)
    d.save_zipped(mirror)


# Names with what a URL reserves or cannot hold as it is, control characters
# included (a line of the directory file ends only at its line end).
ODD_NAMES = [
    "All/Odd Names/100% sure.txt",
    "All/Odd Names/#1 hit?.txt",
    "All/Odd Names/na\u00efve \u00fcml\u00e4ut \u00e9t\u00e9.txt",
    "All/Odd Names/a+b=c&d;e,f'g(h)!$@~.txt",
    "All/Odd Names/[brackets] {braces} ^caret` |bar.txt",
    "All/Odd Names/%41%2F already escaped.txt",
    "All/Odd Names/\u65e5\u672c\u8a9e/plain.txt",
    "All/Odd Names/\"quote\" <angle> `tick`.txt",
    "All/Odd Names/tab\there.txt",
    "All/Odd Names/\x1b[31mred\x1b[0m bell\x07.txt",
    "All/Odd Names/cr\rmid del\x7f \x01.txt",
]


def names(out):
    mirror = os.path.join(out, "mirror", REL)
    d = Directory()
    expect = []
    for k, listed in enumerate(ODD_NAMES):
        data = content("odd%d" % k, 2000 + 100 * k)
        arch = make_archive(mirror, listed, data)
        d.file(0, NEW, os.path.getsize(arch) // 1000, len(data) // 1000, md5(data), listed)
        expect.append("present %s %s" % (md5(data), below(listed)))
    d.save_zipped(mirror)
    write(os.path.join(out, "expect.txt"), ("\n".join(expect) + "\n").encode())


def main():
    kind, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    if kind == "web":
        web(out)
    elif kind == "dvd":
        dvd(out)
    elif kind == "names":
        names(out)
    elif kind == "bench":
        bench(out, int(sys.argv[3]), int(sys.argv[4]), *[int(a) for a in sys.argv[5:6]])
    else:
        sys.exit("unknown kind " + kind)


if __name__ == "__main__":
    main()
