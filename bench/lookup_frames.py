#!/usr/bin/env python3
"""Frames the web updater draws while its site and mirror are host names that
a slow name server answers: the longest gap between two frames from the first
Next to the finish screen, and how many questions the name server got.

The copy lacks FETCH of its FILES files, so the update reads the server list
from the site, the directory file from the mirror and fetches those files over
the pump's streams, all from one loopback nginx that tells site and mirror by
name. The names are answered by tests/support/slow_dns.py after --delay
seconds; the program asks it through the system's resolver, with
/etc/resolv.conf bind-mounted in a mount namespace of this script's own.
--proxy NAME reaches everything through the proxy preferences instead, the
proxy being that nginx under a host name of its own. Frames are read from the
program's per-frame profiling lines as in scan_frames.py (switched on with gdb).

Run it as root on a display, in a network namespace of your own:
  unshare -n bash -c 'ip link set lo up; xvfb-run -a -s "-screen 0 1280x1024x24" \\
      python3 bench/lookup_frames.py --program build/vantor-web-updater'
Options: --delay S (3), --files N (200), --fetch N (8), --addr A (127.0.0.171,
nginx; the name server is on A + 1), --keep.
"""
import argparse
import ctypes
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import scan_frames  # noqa: E402  the release, nginx and the program's driving are shared

CLONE_NEWNS = 0x00020000


def own_resolver(work, dns_addr):
    """This process and its children ask the name server at dns_addr."""
    conf = os.path.join(work, "resolv.conf")
    with open(conf, "w") as f:
        f.write("nameserver %s\noptions timeout:30 attempts:1\n" % dns_addr)
    if ctypes.CDLL(None, use_errno=True).unshare(CLONE_NEWNS) != 0:
        sys.exit("lookup_frames: unshare: %s (run it as root)" % os.strerror(ctypes.get_errno()))
    subprocess.check_call(["mount", "--make-rprivate", "/"])
    subprocess.check_call(["mount", "--bind", conf, "/etc/resolv.conf"])


def leave_out(work, count):
    """Takes the first `count` files out of the copy and puts their archives on the mirror."""
    copy = os.path.join(work, scan_frames.COPY)
    mirror = os.path.join(work, "mirror", scan_frames.RELEASE, "All")
    done = 0
    for root, _, names in sorted(os.walk(os.path.join(copy, "Resources", "bench"))):
        for leaf in sorted(names):
            if done == count:
                return
            local = os.path.join(root, leaf)
            archive = os.path.join(mirror, os.path.relpath(local, copy)) + ".zip"
            os.makedirs(os.path.dirname(archive), exist_ok=True)
            with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
                z.write(local, leaf)
            os.remove(local)
            done += 1


def main():
    ap = argparse.ArgumentParser(description="Frames drawn while host names are looked up slowly.")
    ap.add_argument("--program", default=os.path.join(HERE, "..", "build", "vantor-web-updater"))
    ap.add_argument("--delay", type=float, default=3)
    ap.add_argument("--files", type=int, default=200)
    ap.add_argument("--fetch", type=int, default=8)
    ap.add_argument("--addr", default="127.0.0.171")
    ap.add_argument("--proxy", help="a host name for the proxy (answered with the nginx address)")
    ap.add_argument("--keep", action="store_true", help="leave the scratch folder")
    a = ap.parse_args()
    if not os.environ.get("DISPLAY"):
        sys.exit("lookup_frames: needs a display (run it under xvfb-run)")
    if not os.access(a.program, os.X_OK):
        sys.exit("lookup_frames: no program at %s" % a.program)
    parts = a.addr.split(".")
    dns_addr = ".".join(parts[:3] + [str(int(parts[3]) + 1)])

    work = tempfile.mkdtemp(prefix="lookup_frames.", dir="/tmp")
    nginx = dns = prog = None
    try:
        scan_frames.make_release(work, a.files, 4)
        leave_out(work, a.fetch)
        nginx = scan_frames.start_nginx(work, a.addr)
        record = os.path.join(work, "queries.txt")
        names = [scan_frames.SITE, scan_frames.MIRROR] + ([a.proxy] if a.proxy else [])
        dns = subprocess.Popen([sys.executable, os.path.join(HERE, "..", "tests", "support", "slow_dns.py"),
                                "--addr", dns_addr, "--record", record, "--lifetime", "900", "--delay", str(a.delay)] +
                               ["%s=%s" % (n, a.addr) for n in names], preexec_fn=scan_frames.die_with_parent)
        for _ in range(100):
            if os.path.exists(record):
                break
            time.sleep(0.05)
        own_resolver(work, dns_addr)
        # an empty proxy host is no proxy: every name is looked up
        prog = scan_frames.Program(work, a.program, a.proxy or "", os.path.join(work, scan_frames.COPY))
        if not prog.wait_log("Wizard screen: Vantor 9 Web Updater", 60) or not prog.find_window():
            sys.exit("lookup_frames: the program did not open its window; see %s" % prog.log)
        if not prog.profile_frames():
            sys.exit("lookup_frames: gdb could not switch the frame profiling on (a build with debug information?)")
        start = len(prog.text())
        prog.click(scan_frames.NEXT)
        if not prog.wait_log("Wizard screen: Check Disk Space", 300):
            sys.exit("lookup_frames: the directory was not read; see %s" % prog.log)
        prog.click(scan_frames.NEXT)
        if not prog.wait_log("Wizard screen: Finished Web Update", 300):
            sys.exit("lookup_frames: the update did not finish; see %s" % prog.log)
        prog.stop()
        log = prog.text()
        gaps = [float(m.group(1)) for m in re.finditer(r"total:\s*([0-9.e+-]+) sec for topwi=", log[start:])]
        with open(record) as f:
            asked = [line.split()[1] for line in f if line.startswith("asked ") and line.split()[2] == "1"]
        print("program: %s" % os.path.abspath(a.program))
        print("name server delay: %.1f s; route: %s" % (a.delay, "proxy " + a.proxy if a.proxy else "direct"))
        print("files fetched: %d (EXPANDING lines: %d)" % (a.fetch, log.count("EXPANDING file ")))
        print("frames from the first Next to the finish screen: %d" % len(gaps))
        print("longest gap between frames: %.3f s; gaps over 100 ms: %d" %
              (max(gaps) if gaps else -1, sum(g > 0.1 for g in gaps)))
        print("lookups asked of the name server: %d (%s)" %
              (len(asked), ", ".join("%s %d" % (n, asked.count(n)) for n in sorted(set(asked)))))
    finally:
        if prog and prog.proc.poll() is None:
            prog.stop()
        for p in (nginx, dns):
            if p:
                p.terminate()
                p.wait()
        if a.keep:
            print("scratch folder kept: %s" % work)
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
