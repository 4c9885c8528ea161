#!/usr/bin/env python3
"""Writes damaged and hostile zip archives into the folder given.

  make_hostile.py OUT                 the archives, for the file tests
  make_hostile.py release KIND OUT    a hostile release on OUT/mirror/, for the engine's
                                      (KIND: chain_dots, chain_links, through, entries,
                                      bomb, directory_bomb, work; VANTOR_BOMB_MB sets how far
                                      the listed file's bomb inflates, 200 MB by default;
                                      VANTOR_SHARED_MB the shared stream of work, 20 MB)
"""
import os, struct, sys, warnings, zipfile

out = sys.argv[-1]

def entry(z, name, data, mode=None, dos=False):
    info = zipfile.ZipInfo(name, date_time=(2015, 6, 1, 12, 30, 0))
    info.compress_type = zipfile.ZIP_DEFLATED
    if dos:
        info.create_system = 0
        info.external_attr = 0x20
    elif mode is not None:
        info.create_system = 3
        info.external_attr = mode << 16
    z.writestr(info, data)

def make(name, entries):
    with zipfile.ZipFile(os.path.join(out, name), "w") as z:
        for e in entries:
            entry(z, *e)


LINK, FILE = 0o120777, 0o100644
VICTIM = b"the user's own file, outside the copy\n"


def filled_entry(path, name, size, prefix=b"", fill=b"\0"):
    """A zip of one entry: prefix, then the fill byte up to size, streamed in;
    its header says the size honestly."""
    piece = fill * (1 << 20)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        with z.open(name, "w", force_zip64=size > 0x7FFFFFFF) as f:
            f.write(prefix)
            left = size - len(prefix)
            while left > 0:
                f.write(piece[:min(left, len(piece))])
                left -= len(piece)


def shared_stream(path, names, size):
    """One deflate stream of `size` zero bytes, listed once for each name in the
    central directory: every entry points at the same stored bytes. Names of one
    length pass the reader's check of the local header."""
    filled_entry(path, names[0], size)
    data = open(path, "rb").read()
    end = data.rfind(b"PK\x05\x06")
    cd_size, cd_at = struct.unpack_from("<II", data, end + 12)
    record = data[cd_at:cd_at + cd_size]
    n = struct.unpack_from("<H", record, 28)[0]
    records = b"".join(record[:46] + name.encode() + record[46 + n:] for name in names)
    eocd = bytearray(data[end:])
    struct.pack_into("<HHII", eocd, 8, len(names), len(names), len(records), cd_at)
    open(path, "wb").write(data[:cd_at] + records + bytes(eocd))


def many_entries(path, count, wanted=None):
    """`count` tiny entries with names of control bytes, then (optional) the wanted one."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED) as z:
        for i in range(count):
            z.writestr("%05d" % i + "\x01" * 40, b"x")
        if wanted:
            z.writestr(wanted, b"wanted")


def release(kind):
    """Each listed file's archive is made here by hand: the release tools would refuse them."""
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "engine"))
    from make_release import Directory, md5, NEW, OLD, REL
    mirror = os.path.join(out, "mirror", REL)
    bomb = int(os.environ.get("VANTOR_BOMB_MB", "200")) << 20
    d = Directory()
    if kind == "directory_bomb":
        # a directory file of a good header and then blank lines without end
        os.makedirs(mirror, exist_ok=True)
        filled_entry(os.path.join(mirror, "directory.txt.zip"), "directory.txt", 300 << 20,
                     "\n".join(d.lines).encode() + b"\n", b"\n")
        return
    if kind == "work":
        # a line listed at a negative size whose archive inflates to the bomb's size,
        # and a file listed at its size whose archive lists it 100 times over one stream
        listed = "All/Resources/negative.bin"
        target = os.path.join(mirror, listed + ".zip")
        os.makedirs(os.path.dirname(target), exist_ok=True)
        filled_entry(target, "negative.bin", bomb)
        d.file(0, NEW, os.path.getsize(target) // 1000, -1, md5(bytes(bomb)), listed)
        shared = int(os.environ.get("VANTOR_SHARED_MB", "20")) << 20
        listed = "All/Resources/shared.bin"
        target = os.path.join(mirror, listed + ".zip")
        shared_stream(target, ["shared.bin"] * 100, shared)
        d.file(0, NEW, os.path.getsize(target) // 1000, shared // 1000, md5(bytes(shared)), listed)
    if kind == "bomb":
        # listed at 10 KB, its archive of about 1 MB inflates to the bomb's size
        listed = "All/Resources/bomb.bin"
        target = os.path.join(mirror, listed + ".zip")
        os.makedirs(os.path.dirname(target), exist_ok=True)
        filled_entry(target, "bomb.bin", bomb)
        d.file(0, NEW, os.path.getsize(target) // 1000, 10, md5(bytes(10000)), listed)
    # listed path -> the archive's entries (name, data, mode)
    files = {"All/Resources/ok.txt": [("ok.txt", b"a plain file\n", FILE)]}
    if kind == "chain_dots":
        # d is Resources itself, so a = Resources/../.. = the folder that holds the copy
        files["All/Resources/d"] = [("d", b".", LINK)]
        files["All/Resources/a"] = [("a", b"d/d/d/../..", LINK)]
    elif kind == "chain_links":
        files["All/Resources/q"] = [("q", b".", LINK)]
        files["All/Resources/q2"] = [("q2", b"q", LINK)]
        files["All/Resources/a"] = [("a", b"q2/q2/q2/../..", LINK)]
    elif kind == "through":
        # written and deleted through the link a that an earlier release made
        files["All/Resources/a/.config/autostart/evil.desktop"] = [("evil.desktop", b"[Desktop Entry]\nExec=evil\n", FILE)]
    elif kind == "entries":
        files["All/Resources/extra.dat"] = [("sub/", b"", 0o40755), ("sub/x.txt", b"extra", FILE),
                                            ("extra.dat", b"the listed file\n", FILE), ("more.txt", b"extra", FILE)]
        files["All/Resources/wrong.dat"] = [("other.dat", b"not the listed file\n", FILE)]
    if kind == "through":
        # first in the list, so that its deletion comes before any failure ends the run
        d.file(0, OLD, 1, 1, md5(VICTIM), "All/Resources/a/victim.txt")
        d.file(0, NEW, 0, 0, "GONE", "All/Resources/a/victim.txt")
    for listed in sorted(files):
        entries = files[listed]
        data = [e[1] for e in entries if e[0] == listed.rsplit("/", 1)[1]]
        target = os.path.join(mirror, listed + ".zip")
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with zipfile.ZipFile(target, "w") as z:
            for e in entries:
                entry(z, *e)
        size = len(data[0]) if data else 0
        d.file(0, NEW, os.path.getsize(target) // 1000, size // 1000, md5(data[0] if data else b"?"), listed)
    d.save_zipped(mirror)


if len(sys.argv) == 4 and sys.argv[1] == "release":
    release(sys.argv[2])
    sys.exit(0)

make("traversal.zip", [("ok.txt", b"fine", 0o100644), ("../escape.txt", b"bad", 0o100644)])
make("deep_traversal.zip", [("a/", b"", 0o40755), ("a/../../escape.txt", b"bad", 0o100644)])
make("absolute.zip", [("/tmp/vantor_abs_escape.txt", b"bad", 0o100644)])
make("link_absolute.zip", [("l", b"/etc", 0o120777)])
make("link_escape.zip", [("sub/", b"", 0o40755), ("sub/l", b"../../outside", 0o120777)])
# a harmless-looking link, then a file written through it
make("write_through.zip", [("real/", b"", 0o40755), ("l", b"real", 0o120777), ("l/x.txt", b"through", 0o100644)])
make("through_existing.zip", [("pre/file.txt", b"bad", 0o100644)])
# both link bits of 0xA000 set, but not a link: a plain file
make("odd_type.zip", [("odd", b"plain data", 0o160644)])
make("dos.zip", [("dos.txt", b"made on DOS", None, True)])
long_name = "d" * 120 + "/" + "n" * 200 + ".txt"
make("long_name.zip", [("d" * 120 + "/", b"", 0o40755), (long_name, b"long", 0o100644)])

# AppleDouble entries: a good one, a bad filler, descriptors pointing past the end
def apple_double(fork, finder=b"TEXTttxt" + bytes(24), filler=bytes(16), bad_offset=False):
    fork_off = 82 if not bad_offset else 5000
    hdr = struct.pack(">II", 0x00051607, 0x00020000) + filler + struct.pack(">h", 2)
    hdr += struct.pack(">III", 9, 50, 32) + struct.pack(">III", 2, fork_off, len(fork))
    return hdr + finder + fork

make("fork_good.zip", [("f.txt", b"data", 0o100644), ("__MACOSX/", b"", 0o40755),
                       ("__MACOSX/._f.txt", apple_double(b"RESOURCEFORK"), 0o100644)])
make("fork_bad_header.zip", [("f.txt", b"data", 0o100644),
                             ("__MACOSX/._f.txt", apple_double(b"R", filler=b"\x01" + bytes(15)), 0o100644)])
make("fork_bad_bounds.zip", [("f.txt", b"data", 0o100644),
                             ("__MACOSX/._f.txt", apple_double(b"RF", bad_offset=True), 0o100644)])
make("fork_orphan.zip", [("__MACOSX/._missing.txt", apple_double(b"RF"), 0o100644)])
make("fork_no_prefix.zip", [("f.txt", b"data", 0o100644), ("__MACOSX/f.txt", apple_double(b"RF"), 0o100644)])

# a good archive to damage: truncated, and with its compressed data flipped
big = bytes((i * 7919) % 251 for i in range(200000))
make("good.zip", [("big.bin", big, 0o100644)])
data = open(os.path.join(out, "good.zip"), "rb").read()
open(os.path.join(out, "truncated.zip"), "wb").write(data[: len(data) // 2])
bad = bytearray(data)
for i in range(200, 260):
    bad[i] ^= 0x55
open(os.path.join(out, "corrupt.zip"), "wb").write(bytes(bad))

# links that each look inside on their own and escape together: "d" is the
# folder itself, so d/d/d/../../.. climbs three folders from where it stands
make("chain_dots.zip", [("x/", b"", 0o40755), ("x/d", b".", 0o120777), ("x/a", b"d/d/../..", 0o120777)])
make("chain_links.zip", [("q", b".", 0o120777), ("q2", b"q", 0o120777), ("a", b"q2/q2/..", 0o120777)])
make("chain_inside.zip", [("real/", b"", 0o40755), ("real/deep/", b"", 0o40755), ("q", b"real", 0o120777),
                          ("a", b"q/deep/..", 0o120777)])

# an archive fetched for one file that holds others, or another name
make("extras.zip", [("sub/", b"", 0o40755), ("sub/x.txt", b"extra", 0o100644), ("f.txt", b"wanted", 0o100644),
                    ("g.txt", b"extra", 0o100644), ("__MACOSX/._f.txt", apple_double(b"FORK"), 0o100644)])
make("other_name.zip", [("not_f.txt", b"other", 0o100644)])
# the file asked for as a link, stored twice (the last one stays), or empty
warnings.filterwarnings("ignore", "Duplicate name")
make("wanted_link.zip", [("f.txt", b"g.txt", 0o120777), ("g.txt", b"extra", 0o100644)])
make("wanted_twice.zip", [("f.txt", b"first", 0o100644), ("f.txt", b"second and last", 0o100644)])
make("wanted_then_empty.zip", [("f.txt", b"first", 0o100644), ("f.txt", b"", 0o100644)])
make("wanted_empty.zip", [("f.txt", b"", 0o100644)])


def patch_sizes(path, name, size):
    """Makes the entry `name` claim `size` uncompressed bytes, in both headers."""
    data = bytearray(open(path, "rb").read())
    raw = name.encode()
    # local header and central directory: signature, name length at, name at, size at
    for sig, n_at, name_at, size_at in ((b"PK\x03\x04", 26, 30, 22), (b"PK\x01\x02", 28, 46, 24)):
        at = data.find(sig)
        while at >= 0:
            n = struct.unpack_from("<H", data, at + n_at)[0]
            if data[at + name_at:at + name_at + n] == raw:
                struct.pack_into("<I", data, at + size_at, size)
            at = data.find(sig, at + 4)
    open(path, "wb").write(bytes(data))


# a few hundred bytes that claim a resource fork of 2 GB
make("fork_bomb.zip", [("f.txt", b"data", 0o100644), ("__MACOSX/._f.txt", apple_double(b"RF"), 0o100644)])
patch_sizes(os.path.join(out, "fork_bomb.zip"), "__MACOSX/._f.txt", 0x7FFFFFF0)
# an honest fork bigger than a file attribute holds: dropped, the file kept
big_fork = bytes((i * 7919 + i // 977) % 251 for i in range(1500000))
make("fork_big.zip", [("f.txt", b"data", 0o100644), ("__MACOSX/._f.txt", apple_double(big_fork), 0o100644)])


def sizes_in_zip64_field(path, crc=None):
    """Moves the first entry's sizes into a zip64 extra field, as archives of
    entries over 4 GB keep them; crc (optional) replaces its CRC."""
    data = bytearray(open(path, "rb").read())
    at = data.rfind(b"PK\x01\x02")
    n, extra_len = struct.unpack_from("<HH", data, at + 28)
    packed, size = struct.unpack_from("<II", data, at + 20)
    field = struct.pack("<HHQQ", 1, 16, size, packed)
    struct.pack_into("<II", data, at + 20, 0xFFFFFFFF, 0xFFFFFFFF)
    struct.pack_into("<H", data, at + 30, extra_len + len(field))
    if crc is not None:
        struct.pack_into("<I", data, at + 16, crc)
        struct.pack_into("<I", data, 14, crc)
    data[at + 46 + n:at + 46 + n] = field
    end = data.rfind(b"PK\x05\x06")
    struct.pack_into("<I", data, end + 12, struct.unpack_from("<I", data, end + 12)[0] + len(field))
    open(path, "wb").write(bytes(data))


def make_zip64(name, data, crc=None):
    with zipfile.ZipFile(os.path.join(out, name), "w", zipfile.ZIP_DEFLATED) as z:
        with z.open("big.bin", "w", force_zip64=True) as f:	# the local header's sizes in its field
            f.write(data)
    sizes_in_zip64_field(os.path.join(out, name), crc)


make_zip64("zip64.zip", big)
make_zip64("zip64_bad_crc.zip", big, crc=0x12345678)
# small archives of entries that inflate far past what their caller expects
make("bomb.zip", [("bomb.bin", bytes(8 << 20), 0o100644)])
# a header that claims less than its entry inflates to
make("bomb_liar.zip", [("bomb.bin", bytes(8 << 20), 0o100644)])
patch_sizes(os.path.join(out, "bomb_liar.zip"), "bomb.bin", 5000)

# entries sharing one stream: the wanted name 100 times, or 100 names of one length
shared_stream(os.path.join(out, "shared_wanted.zip"), ["f.txt"] * 100, 1 << 20)
shared_stream(os.path.join(out, "shared_names.zip"), ["f%02d.txt" % i for i in range(100)], 1 << 20)
# the wanted name twice: a good copy, then a bad one
make("good_then_bad.zip", [("f.txt", b"wanted", 0o100644), ("f.txt", b"bad copy", 0o100644)])
# more entries than a release's archive holds, skipped but for the wanted one
many_entries(os.path.join(out, "many_entries.zip"), 3000, "f.txt")
