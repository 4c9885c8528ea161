#!/usr/bin/env python3
"""Frames drawn while the web updater scans an installed copy: the longest
and median gap between two frames during the scan, the number of frames and
the scan's length.

The release lists FILES files of KB kilobytes, all current in the copy given
with -path, so the Search for Updates screen checksums every one and finds
nothing to fetch. A loopback nginx is the site and the mirror, reached through
the proxy preferences as in the window tests. The frames are the program's own: its
per-frame profiling lines in the log, switched on from outside with gdb
(nothing in the program sets that switch), between the scan's " Start of MD5"
and " End of MD5" lines. Everything is made under /tmp and removed after.

Run it on a display, in a network namespace of your own:
  unshare -n bash -c 'ip link set lo up; xvfb-run -a -s "-screen 0 1280x1024x24" \\
      python3 bench/scan_frames.py --program build/vantor-web-updater'
Options: --files N (50000), --kb N (4), --addr A (127.0.0.151), --shot PNG (a
picture of the window during the scan), --keep (leave the scratch folder),
--program P again to compare builds, --engine build/bench/engine_checksum_bench
(the engine's own scan of the same copy, without a window), --rounds N
(alternating rounds over the same copy, medians and load averages printed).
"""
import argparse
import ctypes
import hashlib
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import zipfile

RELEASE = "Vantor 9.21rc2"
SITE = "www.tarrowfield.example"
MIRROR = "mirror.scan.example"
COPY = "home/Vantor 9"
FILES_PER_FOLDER = 250
SERVER_SECONDS = 1800	# nginx ends by itself after this, whatever happens to the bench
# Where Next and the finish screen's Quit are in the 800 by 600 window, y
# downwards (the window tests give them y upwards).
NEXT, QUIT_ON_FINISH = (720, 577), (742, 577)


def die_with_parent():
    """In the child before exec: a bench that dies leaves nothing running."""
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGKILL)	# PR_SET_PDEATHSIG


def make_release(work, files, kb):
    """The copy, the mirror's directory file and the site's server list."""
    copy = os.path.join(work, COPY)
    for folder in ("Airfoils", "Instructions", "Output", "Resources"):	# what makes a folder a copy
        os.makedirs(os.path.join(copy, folder), exist_ok=True)
    lines = ["A", "900 version", "INSTALLER", ""]
    for i in range(files):
        folder = "All/Resources/bench/folder %03d/" % (i // FILES_PER_FOLDER)
        if i % FILES_PER_FOLDER == 0:
            lines += ["", "DIR " + folder]
            os.makedirs(os.path.join(copy, folder.split("/", 1)[1]), exist_ok=True)
        leaf = "file %05d.dat" % i
        data = os.urandom(kb * 1024)
        with open(os.path.join(copy, folder.split("/", 1)[1], leaf), "wb") as f:
            f.write(data)
        lines.append("FILE 0 0 92102 %d %d %s %s" % (kb, kb, hashlib.md5(data).hexdigest(), leaf))
    publish(work, lines, "Scan mirror")


def publish(work, lines, label):
    """The mirror's zipped directory file of these lines, and the site's
    server list naming the mirror with its label."""
    mirror = os.path.join(work, "mirror", RELEASE)
    os.makedirs(mirror, exist_ok=True)
    with zipfile.ZipFile(os.path.join(mirror, "directory.txt.zip"), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("directory.txt", "\n".join(lines) + "\n")
    site = os.path.join(work, "site")
    os.makedirs(site)
    with open(os.path.join(site, "serverlist9.txt"), "w") as f:
        f.write("A\n820 version\nSERVERS\n\nFINAL %s\n" % RELEASE)
        f.write("SERVER %s\n/\n%s|%s{ the bench's mirror\nENDOFLIST\n" % (MIRROR, label, label))


def start_nginx(work, addr):
    ng = os.path.join(work, "nginx")
    os.makedirs(ng)
    with open(os.path.join(ng, "nginx.conf"), "w") as f:
        f.write("""daemon off;
master_process off;
worker_processes 1;
pid {ng}/nginx.pid;
error_log {ng}/error.log warn;
events {{ worker_connections 64; }}
http {{
  access_log off;
  client_body_temp_path {ng}/body;
  proxy_temp_path {ng}/proxy;
  fastcgi_temp_path {ng}/fastcgi;
  uwsgi_temp_path {ng}/uwsgi;
  scgi_temp_path {ng}/scgi;
  default_type application/octet-stream;
  server {{ listen {addr}:80 default_server; server_name {site}; root {work}/site; }}
  server {{ listen {addr}:80; server_name {mirror}; root {work}/mirror; }}
}}
""".format(ng=ng, addr=addr, site=SITE, mirror=MIRROR, work=work))
    proc = subprocess.Popen(["timeout", str(SERVER_SECONDS), "nginx", "-p", ng, "-c", ng + "/nginx.conf", "-e",
                             ng + "/error.log"], preexec_fn=die_with_parent)
    for _ in range(100):
        if subprocess.call(["bash", "-c", "exec 3<>/dev/tcp/%s/80" % addr], stderr=subprocess.DEVNULL) == 0:
            return proc
        time.sleep(0.1)
    proc.kill()
    sys.exit("scan_frames: nginx did not start on %s:80 (see %s/error.log)" % (addr, ng))


class Program:
    """The installer in a scratch home, its log beside it."""

    def __init__(self, work, program, addr, copy):
        self.app = os.path.join(work, "app")
        os.makedirs(self.app)
        for d in ("home", "config", "tmp"):
            os.makedirs(os.path.join(work, d), exist_ok=True)
        exe = os.path.join(self.app, os.path.basename(program))
        shutil.copy(program, exe)
        os.symlink(os.path.join(os.path.dirname(os.path.abspath(program)), "Resources"),
                   os.path.join(self.app, "Resources"))
        self.log = os.path.join(self.app, "Vantor Installer Log.txt")
        env = dict(os.environ, HOME=os.path.join(work, "home"), XDG_CONFIG_HOME=os.path.join(work, "config"),
                   TMPDIR=os.path.join(work, "tmp"))
        args = [exe, "-path", copy, "--fps_test", "--lang=en", "--pref:_proxy_host=" + addr, "--pref:_proxy_port_int=80",
                "--pref:_log_actions=1"]
        self.out = open(os.path.join(work, "stdout.txt"), "wb")
        self.proc = subprocess.Popen(args, cwd=self.app, env=env, stdout=self.out, stderr=subprocess.STDOUT,
                                     preexec_fn=die_with_parent)
        self.window = None

    def text(self):
        try:
            with open(self.log, "r", errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def wait_log(self, needle, seconds):
        until = time.monotonic() + seconds
        while time.monotonic() < until:
            if needle in self.text():
                return True
            if self.proc.poll() is not None:
                return False
            time.sleep(0.05)
        return False

    def find_window(self):
        for _ in range(100):
            r = subprocess.run(["xdotool", "search", "--pid", str(self.proc.pid)], capture_output=True, text=True)
            if r.stdout.split():
                self.window = r.stdout.split()[0]
                return True
            time.sleep(0.1)
        return False

    def click(self, at):
        subprocess.call(["xdotool", "mousemove", "--window", self.window, str(at[0]), str(at[1]), "sleep", "0.15",
                         "mousedown", "1", "sleep", "0.1", "mouseup", "1"])
        time.sleep(0.15)

    def profile_frames(self):
        """Turns the program's per-frame profiling lines on."""
        r = subprocess.run(["gdb", "-p", str(self.proc.pid), "-batch", "-ex", "set var mnw.profiling = 1",
                            "-ex", "print mnw.profiling", "-ex", "detach"], capture_output=True, text=True, timeout=120)
        return re.search(r"^\$1 = 1$", r.stdout, re.M) is not None

    def open_profiled(self, bench):
        """Waits for the updater's first screen and switches its frame lines on; the bench ends when it cannot."""
        if not self.wait_log("Wizard screen: Vantor 9 Web Updater", 60) or not self.find_window():
            sys.exit("%s: the program did not open its window; see %s" % (bench, self.log))
        if not self.profile_frames():
            sys.exit("%s: gdb could not switch the frame profiling on (a build with debug information?)" % bench)

    def stop(self):
        if self.proc.poll() is None and self.window:
            self.click(QUIT_ON_FINISH)
            try:
                self.proc.wait(30)
            except subprocess.TimeoutExpired:
                pass
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.out.close()


def scan_frames(log):
    """Gaps (seconds) of the frames that ended during the scan, up to the first
    one after it, the scan's length, and the median gap before the scan."""
    end = log.find(" End of MD5 at ")
    start = log.rfind(" Start of MD5 at ", 0, end)
    if end < 0 or start < 0:
        return None
    t0 = float(re.match(r" Start of MD5 at ([0-9.e+-]+)", log[start:]).group(1))
    t1 = float(re.match(r" End of MD5 at ([0-9.e+-]+)", log[end:]).group(1))
    before, during = [], []
    for m in re.finditer(r"total:\s*([0-9.e+-]+) sec for topwi=", log):
        if m.start() < start:
            before.append(float(m.group(1)))
        else:
            during.append(float(m.group(1)))
            if m.start() > end:
                break
    return during, t1 - t0, before[1:]	# the first total counts from the switch, not a frame


def finish(work, keep, servers):
    """Stops the servers, then keeps the scratch folder or removes it (rm goes deeper than shutil)."""
    for p in servers:
        if p:
            p.terminate()
            p.wait()
    if keep:
        print("scratch folder kept: %s" % work)
    else:
        subprocess.call(["rm", "-rf", work])


def load():
    with open("/proc/loadavg") as f:
        return float(f.read().split()[0])


def window_run(work, program, addr, shot=None):
    """One window's scan of the copy: (scan seconds, gaps, gaps before the scan)."""
    prog = Program(work, program, addr, os.path.join(os.path.dirname(work), COPY))
    try:
        prog.open_profiled("scan_frames")
        prog.click(NEXT)
        if not prog.wait_log(" Start of MD5 at ", 600):
            sys.exit("scan_frames: the scan did not start")
        if shot:
            time.sleep(1)
            subprocess.call(["import", "-window", "root", shot])
        if not prog.wait_log(" End of MD5 at ", 1200):
            sys.exit("scan_frames: the scan did not end")
        if not prog.wait_log("Wizard screen: Finished Web Update", 60):
            print("scan_frames: the copy was not found current; see %s" % prog.log, file=sys.stderr)
    finally:
        prog.stop()
    got = scan_frames(prog.text())
    if not got or not got[0]:
        sys.exit("scan_frames: no frame lines around the scan in %s" % prog.log)
    gaps, length, before = got
    return length, gaps, before


def engine_run(work, engine):
    """The engine's own scan of the same copy, without a window: its seconds."""
    r = subprocess.run([engine, "--copy", os.path.join(work, COPY) + "/", os.path.join(work, "directory.txt")],
                       capture_output=True, text=True, timeout=1200)
    m = re.search(r"engine scan: ([0-9.]+) s", r.stdout)
    if r.returncode != 0 or not m:
        sys.exit("scan_frames: the engine's scan failed: %s%s" % (r.stdout, r.stderr))
    return float(m.group(1))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description="Frames drawn during a checksum scan of a copy.")
    ap.add_argument("--program", action="append", help="the web updater; give it twice or more to compare builds "
                    "(default: build/vantor-web-updater)")
    ap.add_argument("--engine", help="engine_checksum_bench: its scan of the same copy, in every round")
    ap.add_argument("--rounds", type=int, default=1, help="alternating rounds over the same copy; medians printed")
    ap.add_argument("--files", type=int, default=50000)
    ap.add_argument("--kb", type=int, default=4)
    ap.add_argument("--addr", default="127.0.0.151")
    ap.add_argument("--shot", help="a PNG of the window taken during the scan")
    ap.add_argument("--keep", action="store_true", help="leave the scratch folder")
    a = ap.parse_args()
    programs = a.program or [os.path.join(here, "..", "build", "vantor-web-updater")]
    if not os.environ.get("DISPLAY"):
        sys.exit("scan_frames: needs a display (run it under xvfb-run)")
    for tool in ("nginx", "xdotool", "gdb"):
        if not shutil.which(tool):
            sys.exit("scan_frames: needs %s" % tool)
    for p in programs + ([a.engine] if a.engine else []):
        if not os.access(p, os.X_OK):
            sys.exit("scan_frames: no program at %s" % p)

    work = tempfile.mkdtemp(prefix="scan_frames.", dir="/tmp")
    nginx = None
    try:
        t = time.monotonic()
        make_release(work, a.files, a.kb)
        print("copy of %d files of %d KB made in %.1f s" % (a.files, a.kb, time.monotonic() - t))
        with zipfile.ZipFile(os.path.join(work, "mirror", RELEASE, "directory.txt.zip")) as z:
            z.extract("directory.txt", work)
        subprocess.call(["sync"])
        nginx = start_nginx(work, a.addr)
        runs = {p: [] for p in programs}	# (scan, longest gap, median gap, first gap, engine of the round, load)
        for r in range(a.rounds):
            engine = engine_run(work, a.engine) if a.engine else None
            if engine is not None:
                print("round %d  engine alone: %.2f s  (load %.1f)" % (r + 1, engine, load()))
            for i, p in enumerate(programs):
                run = os.path.join(work, "run")
                shutil.rmtree(run, ignore_errors=True)
                os.makedirs(run)
                length, gaps, before = window_run(run, p, a.addr, a.shot if r == 0 and i == 0 else None)
                rest = gaps[1:] or gaps
                runs[p].append((length, max(rest), statistics.median(rest), gaps[0], engine, load()))
                print("round %d  %s: scan %.2f s%s, %d frames, longest gap %.3f s, median %.3f s, 90th %.3f s, "
                      "gap of the frame that started it %.3f s, median gap before %.3f s  (load %.1f)" %
                      (r + 1, os.path.basename(os.path.dirname(os.path.abspath(p))) + "/" + os.path.basename(p),
                       length, " (%.2f of the engine)" % (length / engine) if engine else "", len(gaps), max(rest),
                       statistics.median(rest), statistics.quantiles(rest, n=10)[-1] if len(rest) >= 2 else max(rest),
                       gaps[0], statistics.median(before) if before else 0, load()))
                sys.stdout.flush()
        print("\nmedians of %d round(s) of %d files of %d KB:" % (a.rounds, a.files, a.kb))
        for p in programs:
            rs = runs[p]
            med = lambda k: statistics.median(x[k] for x in rs)
            line = "  %s: scan %.2f s, longest gap %.3f s, median gap %.3f s, first gap %.3f s" % (
                os.path.abspath(p), med(0), med(1), med(2), med(3))
            if a.engine:
                line += ", engine alone %.2f s, window / engine %.2f" % (
                    med(4), statistics.median(x[0] / x[4] for x in rs))
            print(line + "  (loads %s)" % " ".join("%.1f" % x[5] for x in rs))
    finally:
        finish(work, a.keep, [nginx])


if __name__ == "__main__":
    main()
