#!/usr/bin/env python3
"""Writes the demo master tree: a few hundred files in the folders a release
needs, with a runnable simulator stand-in. Deterministic: the same tree every run."""
import os
import random
import stat
import sys

root = sys.argv[1]
rng = random.Random(9)


def put(rel, data, mode=0o644):
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    os.chmod(path, mode)


def text(lines):
    words = ["lift", "drag", "thrust", "weight", "flap", "trim", "rudder", "aileron", "pitch", "yaw",
             "roll", "gear", "stall", "glide", "climb", "cruise", "flare", "taxi", "runway", "beacon"]
    return "".join(" ".join(rng.choice(words) for _ in range(rng.randint(4, 12))) + "\n"
                   for _ in range(lines)).encode()


def blob(n):
    return bytes(rng.getrandbits(8) for _ in range(n))


SIM = """#!/bin/sh
# The demo's simulator stand-in.
here=$(cd "$(dirname "$0")/../../.." && pwd)
echo "Vantor 9 demo running from $here"
if command -v xmessage >/dev/null 2>&1 && [ -n "$DISPLAY" ]; then
  xmessage -center "Vantor 9 demo is installed in $here" &
fi
"""

for plat in ("Linux", "Macintosh"):
    put(f"{plat}/Vantor.app/Contents/MacOS/Vantor", SIM.encode(), 0o755)
    put(f"{plat}/Vantor.app/Contents/Info.txt", text(5))
put("Windows/Resources/readme windows.txt", text(8))

for plane in ("Trainer 172", "Glider ASK", "Jet Starling", "Seaplane Otter", "Twin Baron"):
    for i in range(30):
        put(f"All/Aircraft/{plane}/objects/part_{i:02d}.obj", text(rng.randint(20, 120)))
    for i in range(10):
        put(f"All/Aircraft/{plane}/liveries/livery_{i}.png", blob(rng.randint(2000, 20000)))
    put(f"All/Aircraft/{plane}/{plane}.acf", text(200))
for i in range(40):
    put(f"All/Airfoils/foil_{i:03d}.afl", text(30))
for i in range(6):
    put(f"All/Instructions/Manual chapter {i + 1}.txt", text(80))
put("All/Output/readme.txt", text(3))
put("All/Weapons/practice bomb.wpn", text(10))
for i in range(25):
    put(f"All/Resources/sounds/engine_{i:02d}.wav", blob(rng.randint(5000, 60000)))
for i in range(30):
    put(f"All/Resources/bitmaps/panel_{i:02d}.png", blob(rng.randint(1000, 30000)))
put("All/Resources/plugins/PluginAdminLin.vnk", blob(4000))
put("All/Resources/plugins/PluginAdminMac.vnk", blob(4000))
put("All/Resources/plugins/PluginAdminWin.vnk", blob(4000))
for i in range(20):
    put(f"All/Custom Scenery/Demo Airport/Earth nav data/apt_{i:02d}.dat", text(50))
