#!/usr/bin/env python3
"""Frames drawn while the web updater installs into a deep folder tree: the
longest gap between two frames from the Installing screen to the finish
screen, whose first frames make the folders of the tree.

The release lists one small file at every LEVELS / 10th level of a tree
LEVELS folders deep (1000 by default), none of them in the copy given with
-path, so the update fetches them all. nginx on loopback is the site and the
mirror; the frames are the program's per-frame profiling lines, switched on
with gdb as bench/scan_frames.py does. Everything is made under /tmp and
removed after.

Run it on a display, in a network namespace of your own:
  unshare -n bash -c 'ip link set lo up; xvfb-run -a -s "-screen 0 1280x1024x24" \\
      python3 bench/deep_frames.py --program build/vantor-web-updater'
Options: --levels N (1000), --addr A (127.0.0.151), --dir D (where the
scratch folder is made, /tmp by default; a tmpfs leaves the disk's own
folder-making time out), --keep.
"""
import argparse
import hashlib
import os
import re
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from scan_frames import COPY, NEXT, RELEASE, Program, finish, load, publish, start_nginx  # noqa: E402


def make_release(work, levels):
    copy = os.path.join(work, COPY)
    for folder in ("Airfoils", "Instructions", "Output", "Resources"):	# what makes a folder a copy
        os.makedirs(os.path.join(copy, folder), exist_ok=True)
    mirror = os.path.join(work, "mirror", RELEASE)
    lines = ["A", "900 version", "INSTALLER", ""]
    deep = "All/Resources/deep/"
    every = max(1, levels // 10)
    for level in range(1, levels + 1):
        deep += "d/"
        if level % every:
            continue
        data = ("level %d\n" % level).encode() * 100
        arch = os.path.join(mirror, deep, "f.txt.zip")
        os.makedirs(os.path.dirname(arch), exist_ok=True)
        with zipfile.ZipFile(arch, "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr("f.txt", data)
        lines += ["", "DIR " + deep, "FILE 0 0 92102 1 %d %s f.txt" % (len(data) // 1000, hashlib.md5(data).hexdigest())]
    publish(work, lines, "Deep mirror")
    return copy


def install_gaps(log):
    """Gaps (seconds) of the frames from the Installing screen to the finish screen."""
    start = log.find("Wizard screen: Installing")
    end = log.find("Wizard screen: Finished Web Update", start)
    if start < 0 or end < 0:
        return None
    return [float(m.group(1)) for m in re.finditer(r"total:\s*([0-9.e+-]+) sec for topwi=", log[start:end])]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description="Frames drawn while an update makes a deep folder tree.")
    ap.add_argument("--program", default=os.path.join(here, "..", "build", "vantor-web-updater"))
    ap.add_argument("--levels", type=int, default=1000)
    ap.add_argument("--addr", default="127.0.0.151")
    ap.add_argument("--dir", default="/tmp")
    ap.add_argument("--keep", action="store_true")
    a = ap.parse_args()
    if not os.environ.get("DISPLAY"):
        sys.exit("deep_frames: needs a display (run it under xvfb-run)")
    work = tempfile.mkdtemp(prefix="deep_frames.", dir=a.dir)
    nginx = prog = None
    try:
        copy = make_release(work, a.levels)
        nginx = start_nginx(work, a.addr)
        run = os.path.join(work, "run")
        os.makedirs(run)
        prog = Program(run, a.program, a.addr, copy)
        prog.open_profiled("deep_frames")
        prog.click(NEXT)
        if not prog.wait_log("Wizard screen: Check Disk Space", 120):
            sys.exit("deep_frames: the scan did not end; see %s" % prog.log)
        prog.click(NEXT)
        if not prog.wait_log("Wizard screen: Finished Web Update", 600):
            sys.exit("deep_frames: the update did not end; see %s" % prog.log)
        text = prog.text()
        prog.stop()
        gaps = install_gaps(text)
        if not gaps:
            sys.exit("deep_frames: no frame lines during the install")
        made = os.path.isdir(os.path.join(copy, "Resources/deep/" + "d/" * a.levels))
        print("%d levels: %d frames while installing, longest gap %.3f s, tree made: %s  (load %.1f)" %
              (a.levels, len(gaps), max(gaps), "yes" if made else "NO", load()))
    finally:
        if prog and prog.proc.poll() is None:
            prog.stop()
        finish(work, a.keep, [nginx])


if __name__ == "__main__":
    main()
