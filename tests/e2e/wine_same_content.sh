#!/usr/bin/env bash
# The Windows build generates what the Linux build does: its inspection program,
# under Wine on an X server (run under xvfb-run), writes the same texture manifest,
# mesh table and meshes, byte for byte, as the Linux one.
#   wine_same_content.sh LINUX_TOOL WINDOWS_TOOL_EXE WORK_DIR
set -uo pipefail
linux=$1 exe=$2 work=$3
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
fail() { echo "FAIL: $*"; wineserver -k 2>/dev/null; exit 1; }
[ -f "$exe" ] || fail "no Windows build at $exe (cmake --build --preset win32)"
rm -rf "$work/linux" "$work/windows"
mkdir -p "$work"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
    wineserver -w
fi

for what in textures meshes; do
    "$linux" "$what" "$work/linux/$what" >/dev/null 2>&1 || fail "the Linux $what dump failed"
    wine "$exe" "$what" "$work/windows/$what" >/dev/null 2>"$work/wine_$what.log" ||
        fail "the Windows $what dump failed: $(tail -3 "$work/wine_$what.log")"
done
wineserver -k 2>/dev/null

compared=0
for file in textures/manifest.tsv meshes/meshes.tsv meshes/mesh_*.obj; do
    for path in "$work"/linux/$file; do
        name=${path#"$work/linux/"}
        cmp -s "$path" "$work/windows/$name" || fail "$name differs between the Linux and Windows builds"
        compared=$((compared + 1))
    done
done
[ "$compared" -ge 100 ] || fail "only $compared files were compared"
echo "PASS: $compared files (texture manifest, mesh table, meshes) equal on Windows and Linux"
