#!/usr/bin/env bash
# The Windows build generates what the Linux build does: its inspection program,
# under Wine on an X server (run under xvfb-run), writes the same texture manifest,
# mesh table and meshes, and the same animated surfaces and trails rebuilt at
# several times, byte for byte, as the Linux one.
#   wine_same_content.sh 32|64 LINUX_TOOL WINDOWS_TOOL_EXE WORK_DIR
set -uo pipefail
bits=$1 linux=$2 exe=$3 work=$4
. "$(dirname "$0")/wine.sh"
fail() { echo "FAIL: $*"; wine_stop; exit 1; }
[ -f "$exe" ] || fail "no Windows build at $exe"
use_wine "$bits" "$work"
rm -rf "$work/linux$bits" "$work/windows$bits"

# Scene times across the animations' periods, the first and the last frame among them.
times=(--at 0 --at 777 --at 4321 --at 9000 --at 17311)
for what in textures meshes; do
    args=()
    [ "$what" = meshes ] && args=("${times[@]}")
    "$linux" "$what" "$work/linux$bits/$what" "${args[@]}" >/dev/null 2>&1 || fail "the Linux $what dump failed"
    wine_run "$exe" "$what" "$work/windows$bits/$what" "${args[@]}" >/dev/null 2>"$work/wine${bits}_$what.log" ||
        fail "the Windows $what dump failed: $(tail -3 "$work/wine${bits}_$what.log")"
done
wine_stop

compared=0 animated=0
for file in textures/manifest.tsv meshes/meshes.tsv meshes/animated.tsv meshes/mesh_*.obj meshes/animated_*.obj; do
    for path in "$work/linux$bits"/$file; do
        [ -f "$path" ] || fail "the Linux build wrote no $file"
        name=${path#"$work/linux$bits/"}
        cmp -s "$path" "$work/windows$bits/$name" || fail "$name differs between the Linux and $bits-bit Windows builds"
        compared=$((compared + 1))
        [[ $name == meshes/animated_* ]] && animated=$((animated + 1))
    done
done
[ "$compared" -ge 150 ] && [ "$animated" -ge 30 ] || fail "only $compared files ($animated animated meshes) were compared"
echo "PASS: $compared files (texture manifest, mesh tables, $animated animated meshes) equal on $bits-bit Windows and Linux"
