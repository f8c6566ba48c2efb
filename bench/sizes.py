#!/usr/bin/env python3
"""sizes: what every shipped artefact weighs, and where the Windows program's bytes
come from.

For each artefact that is built: its raw size, its size compressed with gzip -9 and,
for the Windows programs, the size of the packed program that the zip ships beside
it (the native programs are measured stripped, as they ship). Then, from the
Windows programs' link maps (written beside them by the build), their bytes by
origin: the project's own code, data and unwind tables per folder, and the runtime
(C++ and C libraries, start-up code, imports) per library.

usage: bench/sizes.py [--build DIR]
Run from the checkout after building the presets whose artefacts it should show.
"""
import argparse
import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile
from collections import defaultdict

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
STRIP = {"win32": "i686-w64-mingw32-strip", "win64": "x86_64-w64-mingw32-strip", "release": "strip"}
# Library names of the demo's layers that are not their folder's name.
LAYER_FOLDERS = {"music_module": "music", "music_mixer": "music", "music_player": "music"}


def gzip_size(data):
    return len(gzip.compress(data, compresslevel=9, mtime=0))


def stripped(path, preset):
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "stripped")
        subprocess.run([STRIP[preset], "-o", out, path], check=True)
        with open(out, "rb") as file:
            return file.read()


def artefacts(build):
    """(name, bytes, packed size or None) of every shipped artefact that is built."""
    found = []
    for preset in ("win32", "win64"):
        exe = os.path.join(build, preset, "quorvantile.exe")
        if os.path.exists(exe):
            packed = os.path.join(build, preset, "quorvantile-64k.exe")
            found.append((f"{preset}/quorvantile.exe (stripped)", stripped(exe, preset),
                          os.path.getsize(packed) if os.path.exists(packed) else None))
    native = os.path.join(build, "release", "quorvantile")
    if os.path.exists(native):
        found.append(("release/quorvantile (stripped)", stripped(native, "release"), None))
    dist = os.path.join(build, "web", "dist")
    if os.path.isdir(dist):
        for name in sorted(os.listdir(dist)):
            with open(os.path.join(dist, name), "rb") as file:
                found.append((f"web/dist/{name}", file.read(), None))
    single = os.path.join(build, "web", "quorvantile.html")
    if os.path.exists(single):
        with open(single, "rb") as file:
            found.append(("web/quorvantile.html", file.read(), None))
    for preset in ("win32", "win64", "release"):
        packages = os.path.join(build, preset, "packages")
        if os.path.isdir(packages):
            for name in sorted(os.listdir(packages)):
                if name.endswith((".zip", ".deb")):
                    with open(os.path.join(packages, name), "rb") as file:
                        found.append((f"{preset}/packages/{name}", file.read(), None))
    return found


def origin(source):
    """The folder of the project or the runtime library an input file comes from."""
    layer = re.search(r"libqv_(\w+)\.a\(", source)
    if layer:
        return LAYER_FOLDERS.get(layer.group(1), layer.group(1))
    own = re.search(r"CMakeFiles/quorvantile\.dir/(?:.*/)?(shell|platform|content)/", source)
    if own:
        return own.group(1)
    library = re.search(r"(lib[\w+-]+)\.a\(", source)
    if library:
        return "runtime: " + library.group(1)
    return "runtime: " + os.path.basename(source.split("(")[0])


def kind(section):
    if section.startswith((".text", ".init", ".fini", ".ctors", ".dtors")):
        return "code"
    if section.startswith(".bss"):
        return "bss"   # zeroed at start-up: memory, not bytes of the file
    if section.startswith((".data", ".rdata", ".rodata", ".tls", ".CRT")):
        return "data"
    if section.startswith((".eh_frame", ".pdata", ".xdata", ".gcc_except_table")):
        return "unwind"
    if section.startswith((".idata", ".edata")):
        return "imports"
    return None   # debug sections and the like: not in the shipped program


def by_origin(map_path):
    """{origin: {kind: bytes}} from a GNU ld link map."""
    totals = defaultdict(lambda: defaultdict(int))
    entry = re.compile(r"^ (\.\S+)\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$")
    continued = re.compile(r"^\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$")
    in_map = False
    pending = None
    with open(map_path, errors="replace") as file:
        for line in file:
            line = line.rstrip("\n")
            if line.startswith("Linker script and memory map"):
                in_map = True
                continue
            if not in_map:
                continue
            if pending:
                match = continued.match(line)
                if match:
                    add(totals, pending, int(match.group(1), 16), match.group(2))
                pending = None
                continue
            match = entry.match(line)
            if match:
                add(totals, match.group(1), int(match.group(2), 16), match.group(3))
            elif re.match(r"^ \.\S+$", line):
                pending = line.strip()
    return totals


def add(totals, section, size, source):
    what = kind(section)
    if what and size and not source.startswith("*"):
        totals[origin(source)][what] += size


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    args = parser.parse_args()

    print(f"{'artefact':52} {'raw':>10} {'gzip -9':>10} {'packed':>10}")
    found = artefacts(args.build)
    dist = [(len(data), gzip_size(data)) for name, data, _ in found if name.startswith("web/dist/")]
    if dist:
        found.append(("web/dist, all its files", b"", None))
    for name, data, packed in found:
        if not data:
            print(f"{name:52} {sum(r for r, _ in dist):>10,} {sum(g for _, g in dist):>10,} {'-':>10}")
            continue
        shown = format(packed, ",") if packed else "-"
        print(f"{name:52} {len(data):>10,} {gzip_size(data):>10,} {shown:>10}")

    for preset in ("win32", "win64"):
        map_path = os.path.join(args.build, preset, "quorvantile.map")
        if not os.path.exists(map_path):
            continue
        totals = by_origin(map_path)
        kinds = ("code", "data", "unwind", "imports", "bss")
        print(f"\n{preset}/quorvantile.exe by origin (bytes of its sections before alignment; the"
              " total leaves out bss, which takes no room in the file)")
        print(f"{'origin':40}" + "".join(f"{k:>10}" for k in kinds) + f"{'total':>10}")
        own = sorted((o for o in totals if not o.startswith("runtime")), key=lambda o: -sum(totals[o].values()))
        runtime = sorted((o for o in totals if o.startswith("runtime")), key=lambda o: -sum(totals[o].values()))
        sums = defaultdict(lambda: defaultdict(int))
        for name in own + runtime:
            group = "runtime" if name.startswith("runtime") else "own"
            for k in kinds:
                sums[group][k] += totals[name][k]
            print(f"{name:40}" + "".join(f"{totals[name][k]:>10,}" for k in kinds)
                  + f"{sum(totals[name].values()) - totals[name]['bss']:>10,}")
        for group in ("own", "runtime"):
            print(f"{'all ' + group:40}" + "".join(f"{sums[group][k]:>10,}" for k in kinds)
                  + f"{sum(sums[group].values()) - sums[group]['bss']:>10,}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
