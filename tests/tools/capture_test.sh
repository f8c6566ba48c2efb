#!/usr/bin/env bash
# quorvantile-capture end to end: the frames asked for, and nothing else, at the size
# asked for; the same bytes on a second run (the fixed clock); a contact sheet; and
# times at or past the end refused.
#   capture_test.sh CAPTURE OUT_DIR
set -uo pipefail
capture=$1 out=$2
rm -rf "$out"
mkdir -p "$out"
fail() { echo "FAIL: $*"; exit 1; }

"$capture" --size 160x120 --fps 25 --range 3600:3640 --at 3601 --out "$out/a" \
    --contact-sheet "$out/a.png" 2>"$out/a.log" || fail "capture failed: $(cat "$out/a.log")"
expected="frame_03600.png frame_03601.png frame_03604.png frame_03608.png frame_03612.png frame_03616.png frame_03620.png frame_03624.png frame_03628.png frame_03632.png frame_03636.png frame_03640.png"
actual=$(cd "$out/a" && ls | tr '\n' ' ' | sed 's/ $//')
[ "$actual" = "$expected" ] || fail "frames written: $actual"
[ -s "$out/a.png" ] || fail "no contact sheet"
grep -q "frame" "$out/a.log" || fail "no progress line on stderr"
size=$(python3 -c "import struct,sys; d=open(sys.argv[1],'rb').read(24); print(*struct.unpack('>II', d[16:24]))" "$out/a/frame_03600.png")
[ "$size" = "160 120" ] || fail "frame size $size"

"$capture" --size 160x120 --fps 25 --range 3600:3640 --at 3601 --out "$out/b" 2>/dev/null ||
    fail "second capture failed"
for f in "$out"/a/*.png; do
    cmp -s "$f" "$out/b/$(basename "$f")" || fail "$(basename "$f") differs between two runs"
done

"$capture" --size 64x48 --at 17312 --out "$out/c" 2>"$out/c.log" && fail "a frame at the end time was accepted"
grep -q "not before the end" "$out/c.log" || fail "no message for a frame at the end time"
"$capture" --fps 0 --out "$out/d" 2>/dev/null && fail "--fps 0 was accepted"

echo "PASS: frames, sizes, repeatability and refusals"
