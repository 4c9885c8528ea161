#!/usr/bin/env python3
"""Writes truncated and mutated copies of the seed images given.
usage: make_corpus.py OUT_DIR SEED...   (deterministic: fixed random seed)"""
import os
import random
import struct
import sys
import zlib


def mutations(data, rng):
    n = len(data)
    # Every cut in the headers, then a spread of cuts through the data.
    for cut in list(range(0, min(n, 160))) + [n * k // 16 for k in range(1, 16)] + [n - 1]:
        yield "cut%d" % cut, data[:cut]
    for k in range(160):
        b = bytearray(data)
        for _ in range(rng.randint(1, 6)):
            pos = rng.randrange(min(n, 140)) if rng.random() < 0.7 else rng.randrange(n)
            b[pos] = rng.choice([0, 0xFF, 0x7F, 0x80, rng.randrange(256)])
        yield "flip%d" % k, bytes(b)
    # Size fields set to the values that break naive readers.
    for k, v in enumerate([0, 1, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 70000]):
        for off in (12, 16, 18, 22, 10, 28):
            if off + 4 <= n:
                b = bytearray(data)
                b[off:off + 4] = struct.pack("<I", v)
                yield "le%d_%d" % (off, k), bytes(b)
        if data[:4] == b"\x89PNG" and n > 33:
            b = bytearray(data)
            b[16:20] = struct.pack(">I", v)
            b[29:33] = struct.pack(">I", zlib.crc32(bytes(b[12:29])) & 0xFFFFFFFF)
            yield "ihdr%d" % k, bytes(b)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    rng = random.Random(20240)
    count = 0
    for seed in sys.argv[2:]:
        base = os.path.basename(seed)
        data = open(seed, "rb").read()
        for name, blob in mutations(data, rng):
            with open(os.path.join(out, "%s.%s" % (base, name)), "wb") as f:
                f.write(blob)
            count += 1
    print(count)


if __name__ == "__main__":
    main()
