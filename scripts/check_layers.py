#!/usr/bin/env python3
"""The layer check: no library may use a layer it does not stand on.

Reads the list the build writes (BUILD/layers.txt, from layers.cmake) and
fails when
  - a library's archive leaves a symbol undefined that another library
    defines, and that library is not below it (nm of the archives);
  - a listed file includes a header of a layer not below its own (the
    compiler catches this across folders, not within one);
  - a source or header under RUderur/ or Installer-f/ is in no library, or
    in two.
The known exceptions of the list are allowed and printed.
    scripts/check_layers.py [BUILD]     (default build/)
Prints the graph of references between the libraries, with counts.
"""
import collections
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCE_DIRS = ("RUderur", "Installer-f")
# The programs' entry points are not in a library.
NOT_IN_A_LIBRARY = {"Installer-f/main.cpp"}
DEFINED_TYPES = set("TDBRVWGSu")


def read_list(build):
    archives, deps, files, exceptions = {}, {}, {}, set()
    with open(os.path.join(build, "layers.txt")) as f:
        for line in f:
            kind, name, *rest = line.split()
            if kind == "layer":
                archives[name] = rest[0]
            elif kind == "deps":
                deps[name] = rest
            elif kind == "files":
                files[name] = rest
            elif kind == "exception":
                exceptions.add((name, rest[0]))
    return archives, deps, files, exceptions


def below(deps):
    """Each library's layers below it, through its deps."""
    out = {}
    for name in deps:
        seen, todo = set(), list(deps[name])
        while todo:
            d = todo.pop()
            if d not in seen:
                seen.add(d)
                todo.extend(deps.get(d, []))
        out[name] = seen
    return out


def nm_symbols(archive):
    """(defined, undefined) symbol names of a static library."""
    run = subprocess.run(["nm", "--defined-only", "-g", archive], capture_output=True, text=True, check=True)
    defined = set()
    for line in run.stdout.splitlines():
        parts = line.split()
        if len(parts) == 3 and parts[1] in DEFINED_TYPES:
            defined.add(parts[2])
    run = subprocess.run(["nm", "-u", archive], capture_output=True, text=True, check=True)
    undefined = {line.split()[-1] for line in run.stdout.splitlines() if line.strip().startswith("U ")}
    return defined, undefined


def demangle(names):
    run = subprocess.run(["c++filt"], input="\n".join(names), capture_output=True, text=True)
    return run.stdout.splitlines() if run.returncode == 0 else names


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build")
    archives, deps, files, exceptions = read_list(build)
    allowed = below(deps)
    faults = []

    # Symbols: who defines what, then every reference between libraries.
    definer, undefined = {}, {}
    for name, archive in archives.items():
        if not os.path.exists(archive):
            faults.append(f"{name}: no archive {archive} (build first)")
            continue
        defined, undefined[name] = nm_symbols(archive)
        for s in defined:
            definer.setdefault(s, name)
    edges = collections.defaultdict(list)
    for name, syms in undefined.items():
        for s in syms:
            d = definer.get(s)
            if d and d != name:
                edges[(name, d)].append(s)
    upward = 0
    print("library graph (references to symbols of another library):")
    for (a, b), syms in sorted(edges.items()):
        mark = ""
        if (a, b) in exceptions:
            mark = "  (known exception)"
        elif b not in allowed[a]:
            mark = "  UPWARD"
            upward += len(syms)
            faults.append(f"{a} uses {b}, not below it: " + ", ".join(sorted(demangle(syms))[:8]))
        print(f"  {a} -> {b}: {len(syms)}{mark}")
    print(f"upward references: {upward}")

    # Headers: the include lines of every listed file.
    owner = {}
    listed = collections.Counter()
    for name, paths in files.items():
        for p in paths:
            listed[os.path.relpath(p, ROOT)] += 1
            if p.endswith(".h"):
                owner[os.path.basename(p)] = name
    include = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
    for name, paths in files.items():
        for p in paths:
            with open(p, errors="replace") as f:
                for n, line in enumerate(f, 1):
                    m = include.match(line)
                    if not m:
                        continue
                    o = owner.get(os.path.basename(m.group(1)))
                    if o and o != name and o not in allowed[name] and (name, o) not in exceptions:
                        faults.append(f"{os.path.relpath(p, ROOT)}:{n}: includes {m.group(1)} of {o}, not below {name}")

    # Every file in exactly one library.
    for top in SOURCE_DIRS:
        for dirpath, _, names in os.walk(os.path.join(ROOT, top)):
            for fn in names:
                if not fn.endswith((".cpp", ".h")):
                    continue
                rel = os.path.relpath(os.path.join(dirpath, fn), ROOT)
                if rel in NOT_IN_A_LIBRARY:
                    continue
                if listed[rel] == 0:
                    faults.append(f"{rel}: in no library (add it to layers.cmake)")
                elif listed[rel] > 1:
                    faults.append(f"{rel}: in {listed[rel]} libraries")

    for a, b in sorted(exceptions):
        print(f"known exception: {a} links {b}")
    if faults:
        print("layer check FAILED:")
        for f in faults:
            print("  " + f)
        return 1
    print("layer check passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
