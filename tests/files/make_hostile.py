#!/usr/bin/env python3
"""Writes damaged and hostile zip archives into the folder given."""
import os, struct, sys, zipfile

out = sys.argv[1]

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
