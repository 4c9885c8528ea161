#!/usr/bin/env python3
"""A name server for the tests that answers slowly, on a loopback address.

  slow_dns.py --addr A [--port 53] --record FILE --lifetime S [--delay S]
              [--hold DIR] [--hold-limit S] NAME=ADDRESS ...

Answers A questions for the NAMEs given (other questions for them get no
records; any other name is unknown). Every question is written to FILE as
"asked NAME TYPE" when it comes and "answered NAME TYPE" when it is answered,
so that a test can count lookups and see which ones are still waiting. Each
answer waits --delay seconds, and while a file DIR/NAME exists (--hold), at
most --hold-limit seconds. FILE is made once the server listens.
"""
import argparse
import os
import socket
import struct
import threading
import time


def question(packet):
    """(name, type, end of the question) of a query, or None."""
    if len(packet) < 12 or struct.unpack(">H", packet[4:6])[0] != 1:
        return None
    at, labels = 12, []
    while at < len(packet):
        n = packet[at]
        at += 1
        if n == 0:
            break
        if n > 63 or at + n > len(packet):
            return None
        labels.append(packet[at:at + n].decode("latin-1"))
        at += n
    if at + 4 > len(packet):
        return None
    qtype = struct.unpack(">H", packet[at:at + 2])[0]
    return ".".join(labels).lower(), qtype, at + 4


def reply(packet, end, address):
    """The answer to a query: `address` (an A record), b"" (no records) or None (unknown name)."""
    flags = 0x8180 | (3 if address is None else 0)
    count = 1 if address else 0
    head = packet[:2] + struct.pack(">HHHHH", flags, 1, count, 0, 0)
    body = packet[12:end]
    if address:
        body += struct.pack(">HHHIH", 0xC00C, 1, 1, 60, 4) + socket.inet_aton(address)
    return head + body


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--addr", required=True)
    ap.add_argument("--port", type=int, default=53)
    ap.add_argument("--record", required=True)
    ap.add_argument("--lifetime", type=float, default=120)
    ap.add_argument("--delay", type=float, default=0)
    ap.add_argument("--hold")
    ap.add_argument("--hold-limit", type=float, default=20)
    ap.add_argument("names", nargs="*")
    a = ap.parse_args()
    table = dict(n.lower().split("=", 1) for n in a.names)

    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind((a.addr, a.port))
    lock = threading.Lock()
    record = open(a.record, "a", buffering=1)

    def note(what, name, qtype):
        with lock:
            record.write("%s %s %d\n" % (what, name, qtype))

    def answer(packet, peer, name, qtype, end):
        time.sleep(a.delay)
        if a.hold:
            until = time.monotonic() + a.hold_limit
            while os.path.exists(os.path.join(a.hold, name)) and time.monotonic() < until:
                time.sleep(0.02)
        address = table.get(name)
        out = reply(packet, end, address if qtype == 1 or address is None else b"")
        with lock:
            sock.sendto(out, peer)
        note("answered", name, qtype)

    sock.settimeout(0.2)
    stop = time.monotonic() + a.lifetime
    while time.monotonic() < stop:
        try:
            packet, peer = sock.recvfrom(4096)
        except socket.timeout:
            continue
        q = question(packet)
        if not q:
            continue
        note("asked", q[0], q[1])
        threading.Thread(target=answer, args=(packet, peer) + q, daemon=True).start()


if __name__ == "__main__":
    main()
