#!/usr/bin/env python3
"""A small HTTP server that misbehaves on purpose, for the client's tests.

Usage: fault_server.py --addr 127.0.0.23 --port 80 [--record DIR] [--lifetime 120]

Every request it reads (head and body) is stored byte for byte as DIR/NNNN.req (when
--record is given). The answer is chosen by the first segment of the path
(an absolute "http://host/..." request line, as a proxy gets it, counts by its
path); N is the number after it, e.g. "/ok/100":

  /ok/N            200, Content-Length N, N body bytes (byte i = i % 251)
  /noreason/N      like ok, status line "HTTP/1.1 200" without a reason
  /lower/N         like ok, header written "content-length:N"
  /interim/N       "100 Continue" head, then the ok answer, in one packet
  /dribble/N       like ok, sent in 7-byte pieces
  /stall/N         Content-Length N, N/2 bytes, then silence
  /stallhead       reads the request, never answers
  /reset/N         Content-Length N, N/2 bytes, then a connection reset
  /resetnow        reads the request, then resets the connection without a word
  /short/N         Content-Length N, N/2 bytes, then a normal close
  /long/N          Content-Length N, N+100 bytes, close
  /nolength/N      no Content-Length, N bytes, close
  /nolengthopen/N  no Content-Length, N bytes, then silence
  /status/CODE     that status with a small error page and its length
  /endless         a header line that never ends
  /manyheaders     header lines without end
  /negative        Content-Length: -5
  /badlength       Content-Length: 12abc
  /hugelength      Content-Length: 99999999999999999999
  /len64/N         Content-Length 2^32 + N, N bytes, close
  /badstatus       status line "HTTP/1.1 2x0 OK"
  /chunked/N       "Transfer-Encoding: chunked", N body bytes in chunks, close
  /clte/N          like chunked, with a Content-Length that counts the chunk framing too
  /bigbody/N       Content-Length N, then body bytes without end
  /twolengths/N    two Content-Length lines, N and N + 10, then N + 10 bytes
  /endlessbody     no Content-Length, body bytes without end

With --root DIR, archives below DIR (PATH is the rest of the path after the mode):

  /wrongonce/PATH    the first request for each PATH gets a valid zip with the same
                     entry names but other contents; later ones get the real file
  /wrongalways/PATH  always that zip with other contents
  /badzip/PATH       always the first half of the real file (not a readable zip)
  /plain/PATH        the real file
  /cutfirst/PATH     the first archive the server is asked for gets half the real file,
                     then, a second later, a close; every later request the real file
  /redirect/PATH     302 Found, to /plain/PATH on the same host
  /headclose/PATH    the real file's head (its length too), then a close
                     (these two serve a directory.txt.zip as it is: the mirror
                     fails only the files' archives)
  /chunks/PATH       the real file with "Transfer-Encoding: chunked", in chunks of 1000 bytes
  /closed/PATH       the real file as an HTTP/1.0 answer without a length, ended by the close

As a mirror behind nothing, or as the proxy a program is told to use:

  --files DIR     a path of no mode above is a file below DIR (404 when there is none);
                  the Host of an absolute request line is not looked at
  --rate N        files are sent at N bytes a second, each connection on its own
  --switch FILE   read at every request and every piece sent: "refuse" resets each
                  new connection at once and cuts those under way, "503" answers 503
                  Service Unavailable and cuts those under way, "portal" answers every
                  request with 200 and an HTML sign-in page (as a hotel's network does)
                  and cuts those under way, "silent" holds new connections without a
                  word and stops those under way (a router that restarts); anything
                  else, or no file, serves as usual

The server exits by itself after --lifetime seconds; silent connections are
held until the client leaves or the lifetime ends.
"""
import argparse
import io
import os
import re
import socket
import socketserver
import struct
import sys
import threading
import time
import urllib.parse
import zipfile

args = None
seq_lock = threading.Lock()
seq = [0]
deadline = [0.0]
served = set()
served_lock = threading.Lock()


def body(n):
    pattern = bytes(i % 251 for i in range(251))
    return (pattern * (n // 251 + 1))[:n]


def record(head):
    if not args.record:
        return
    with seq_lock:
        seq[0] += 1
        n = seq[0]
    path = os.path.join(args.record, "%04d.req" % n)
    with open(path + ".tmp", "wb") as f:
        f.write(head)
    os.rename(path + ".tmp", path)


def hold(sock):
    """Keep a connection open and silent until the client closes it."""
    sock.settimeout(0.5)
    while time.time() < deadline[0]:
        try:
            if not sock.recv(65536):
                return
        except socket.timeout:
            continue
        except OSError:
            return


def wrong_zip(real):
    """A zip with the entries of `real` but other contents, its CRCs right."""
    out = io.BytesIO()
    with zipfile.ZipFile(io.BytesIO(real)) as src, zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as dst:
        for info in src.infolist():
            if info.is_dir():
                dst.writestr(info, b"")
            else:
                dst.writestr(info.filename, src.read(info) + b" - not the release's copy\n")
    return out.getvalue()


def switched():
    if not args.switch:
        return ""
    try:
        with open(args.switch) as f:
            return f.read().strip()
    except OSError:
        return ""


def reset(sock):
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    sock.close()


PORTAL = (b"<!DOCTYPE html>\n<html><head><title>Sign in</title></head>\n"
          b"<body><h1>Welcome to the Airport Lounge network</h1><p>Please sign in to use the internet.</p></body></html>\n")


def send_file(sock, data):
    """The whole answer at --rate, cut when the switch says the network went away."""
    head = b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % len(data)
    sock.sendall(head)
    piece = max(1024, (args.rate or 0) // 10) if args.rate else 65536
    for i in range(0, len(data), piece):
        state = switched()
        if state in ("refuse", "503", "portal"):
            reset(sock)
            return
        if state == "silent":
            hold(sock)
            return
        sock.sendall(data[i:i + piece])
        if args.rate:
            time.sleep(len(data[i:i + piece]) / args.rate)


def serve_file(sock, rest):
    root = os.path.realpath(args.files)
    path = os.path.realpath(os.path.join(root, rest.lstrip("/")))
    if not path.startswith(root + os.sep) or not os.path.isfile(path):
        answer(sock, "404 Not Found", ["Content-Length: 0"], b"")
        return
    with open(path, "rb") as f:
        send_file(sock, f.read())


def archive(sock, kind, rest):
    path = os.path.realpath(os.path.join(args.root or "/nonexistent", rest.lstrip("/")))
    if not args.root or not path.startswith(os.path.realpath(args.root) + os.sep) or not os.path.isfile(path):
        answer(sock, "404 Not Found", ["Content-Length: 0"], b"")
        return
    with open(path, "rb") as f:
        real = f.read()
    data = real
    if kind == "badzip":
        data = real[:len(real) // 2]
    elif kind == "plain":
        data = real
    elif kind == "cutfirst":
        with served_lock:
            first = not served
            served.add(rest)
        if first:
            answer(sock, "200 OK", ["Content-Length: %d" % len(real)], real[:len(real) // 2])
            time.sleep(1)
            return
        data = real
    elif kind == "wrongalways":
        data = wrong_zip(real)
    elif kind in ("redirect", "headclose") and rest.endswith("/directory.txt.zip"):
        data = real
    elif kind == "redirect":
        answer(sock, "302 Found", ["Location: /plain/" + urllib.parse.quote(rest.lstrip("/")), "Content-Length: 0"], b"")
        return
    elif kind == "headclose":
        answer(sock, "200 OK", ["Content-Length: %d" % len(real)], b"")
        return
    elif kind == "chunks":
        answer(sock, "200 OK", ["Transfer-Encoding: chunked"], chunked(real))
        return
    elif kind == "closed":
        sock.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: application/zip\r\n\r\n" + real)
        return
    else:
        with served_lock:
            first = rest not in served
            served.add(rest)
        if first:
            data = wrong_zip(real)
    answer(sock, "200 OK", ["Content-Length: %d" % len(data)], data)


def chunked(data, piece=1000):
    out = b""
    for i in range(0, len(data), piece):
        part = data[i:i + piece]
        out += b"%x\r\n" % len(part) + part + b"\r\n"
    return out + b"0\r\n\r\n"


def pour(sock, head):
    """Send the head, then body bytes until the client leaves or the lifetime ends."""
    sock.sendall(head)
    block = body(65536)
    while time.time() < deadline[0]:
        sock.sendall(block)


def answer(sock, status, headers, data):
    head = "HTTP/1.1 %s\r\n" % status
    for h in headers:
        head += h + "\r\n"
    sock.sendall(head.encode() + b"\r\n" + data)


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        sock = self.request
        head = b""
        while b"\r\n\r\n" not in head and len(head) < 65536:
            try:
                chunk = sock.recv(4096)
            except OSError:
                return
            if not chunk:
                break
            head += chunk
        if not head:
            return  # a readiness probe
        m = re.search(rb"\r\ncontent-length: *(\d+)", head, re.I)
        if m and b"\r\n\r\n" in head:
            want = head.index(b"\r\n\r\n") + 4 + int(m.group(1))
            while len(head) < want:
                chunk = sock.recv(65536)
                if not chunk:
                    break
                head += chunk
        record(head)
        line = head.split(b"\r\n", 1)[0].decode("latin-1")
        parts = line.split(" ")
        target = parts[1] if len(parts) > 1 else "/"
        target = re.sub(r"^http://[^/]*", "", target)
        segs = target.split("/")
        kind = segs[1] if len(segs) > 1 else ""
        m = re.match(r"\d+", segs[2]) if len(segs) > 2 else None
        n = int(m.group(0)) if m else 0
        try:
            state = switched()
            if state == "refuse":
                reset(sock)
                return
            if state == "503":
                answer(sock, "503 Service Unavailable", ["Content-Length: 0"], b"")
                return
            if state == "portal":
                answer(sock, "200 OK", ["Content-Type: text/html", "Content-Length: %d" % len(PORTAL)], PORTAL)
                return
            if state == "silent":
                hold(sock)
                return
            if kind in ARCHIVE_KINDS:
                archive(sock, kind, urllib.parse.unquote("/".join(segs[2:]).split("?")[0]))
                return
            if args.files and kind not in KINDS:
                serve_file(sock, urllib.parse.unquote(target.split("?")[0]))
                return
            self.respond(sock, kind, n)
        except OSError:
            pass

    def respond(self, sock, kind, n):
        if kind == "ok":
            answer(sock, "200 OK", ["Content-Length: %d" % n], body(n))
        elif kind == "noreason":
            answer(sock, "200", ["Content-Length: %d" % n], body(n))
        elif kind == "lower":
            answer(sock, "200 OK", ["content-length:%d" % n], body(n))
        elif kind == "interim":
            sock.sendall(b"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % n + body(n))
        elif kind == "dribble":
            data = b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % n + body(n)
            for i in range(0, len(data), 7):
                sock.sendall(data[i:i + 7])
                time.sleep(0.001)
        elif kind == "stall":
            answer(sock, "200 OK", ["Content-Length: %d" % n], body(n // 2))
            hold(sock)
        elif kind == "stallhead":
            hold(sock)
        elif kind == "reset":
            answer(sock, "200 OK", ["Content-Length: %d" % n], body(n // 2))
            time.sleep(0.05)
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            sock.close()
        elif kind == "resetnow":
            reset(sock)
        elif kind == "short":
            answer(sock, "200 OK", ["Content-Length: %d" % n], body(n // 2))
        elif kind == "long":
            answer(sock, "200 OK", ["Content-Length: %d" % n], body(n + 100))
        elif kind == "nolength":
            answer(sock, "200 OK", [], body(n))
        elif kind == "nolengthopen":
            answer(sock, "200 OK", [], body(n))
            hold(sock)
        elif kind == "status":
            page = b"<html><body>error %d</body></html>\n" % n
            answer(sock, "%d Some Error" % n, ["Content-Length: %d" % len(page)], page)
        elif kind == "endless":
            sock.sendall(b"HTTP/1.1 200 OK\r\nX-Endless: ")
            while time.time() < deadline[0]:
                sock.sendall(b"a" * 4096)
        elif kind == "manyheaders":
            sock.sendall(b"HTTP/1.1 200 OK\r\n")
            i = 0
            while time.time() < deadline[0]:
                sock.sendall(b"".join(b"X-Header-%d: value\r\n" % (i + k) for k in range(100)))
                i += 100
        elif kind == "negative":
            answer(sock, "200 OK", ["Content-Length: -5"], b"hello")
        elif kind == "badlength":
            answer(sock, "200 OK", ["Content-Length: 12abc"], b"hello")
        elif kind == "hugelength":
            answer(sock, "200 OK", ["Content-Length: 99999999999999999999"], b"hello")
        elif kind == "len64":
            answer(sock, "200 OK", ["Content-Length: %d" % ((1 << 32) + n)], body(n))
        elif kind == "badstatus":
            answer(sock, "2x0 OK", ["Content-Length: 5"], b"hello")
        elif kind == "chunked":
            answer(sock, "200 OK", ["Transfer-Encoding: chunked"], chunked(body(n)))
        elif kind == "clte":
            data = chunked(body(n))
            answer(sock, "200 OK", ["Content-Length: %d" % len(data), "Transfer-Encoding: chunked"], data)
        elif kind == "bigbody":
            pour(sock, b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % n)
        elif kind == "twolengths":
            answer(sock, "200 OK", ["Content-Length: %d" % n, "Content-Length: %d" % (n + 10)], body(n + 10))
        elif kind == "endlessbody":
            pour(sock, b"HTTP/1.1 200 OK\r\n\r\n")
        else:
            answer(sock, "404 Not Found", ["Content-Length: 0"], b"")


KINDS = {"ok", "noreason", "lower", "interim", "dribble", "stall", "stallhead", "reset", "resetnow", "short", "long", "nolength",
         "nolengthopen", "status", "endless", "manyheaders", "negative", "badlength", "hugelength", "len64", "badstatus",
         "chunked", "clte", "bigbody", "twolengths", "endlessbody"}


ARCHIVE_KINDS = {"wrongonce", "wrongalways", "badzip", "plain", "cutfirst", "redirect", "headclose", "chunks", "closed"}


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main():
    global args
    p = argparse.ArgumentParser()
    p.add_argument("--addr", required=True)
    p.add_argument("--port", type=int, default=80)
    p.add_argument("--record")
    p.add_argument("--lifetime", type=float, default=120)
    p.add_argument("--root")
    p.add_argument("--files")
    p.add_argument("--rate", type=int, default=0)
    p.add_argument("--switch")
    args = p.parse_args()
    if not args.addr.startswith("127."):
        sys.exit("loopback addresses only")
    deadline[0] = time.time() + args.lifetime
    srv = Server((args.addr, args.port), Handler)
    threading.Thread(target=srv.serve_forever, daemon=True).start()
    print("ready", flush=True)
    while time.time() < deadline[0]:
        time.sleep(0.2)
    os._exit(0)


if __name__ == "__main__":
    main()
