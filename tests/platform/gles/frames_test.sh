#!/usr/bin/env bash
# The demo's frames through the fixed-function layer against the same frames through
# the driver's fixed-function pipeline, both from the capture tool on the same fixed
# clock: PSNR of at least LIMIT dB at each time.
#   frames_test.sh DRIVER_CAPTURE LAYER_CAPTURE OUT_DIR LIMIT FPS TIME...
set -u
driver=$1 layer=$2 out=$3 limit=$4 fps=$5
shift 5
. "$(dirname "$0")/../psnr.sh"
[ -x "$driver" ] || { echo "FAIL: no driver capture tool at $driver (build the release preset first)"; exit 1; }
rm -rf "$out"
at=()
for t in "$@"; do at+=(--at "$t"); done
SDL_VIDEODRIVER=offscreen "$driver" --fps "$fps" "${at[@]}" --out "$out/driver" 2>/dev/null ||
    { echo "FAIL: the driver's capture failed"; exit 1; }
SDL_VIDEODRIVER=offscreen "$layer" --fps "$fps" "${at[@]}" --out "$out/layer" 2>/dev/null ||
    { echo "FAIL: the layer's capture failed"; exit 1; }
failed=0
for t in "$@"; do
    name=$(printf 'frame_%05d.png' "$t")
    compare_pair "$t cs" "$out/driver/$name" "$out/layer/$name" "$limit" || failed=1
done
[ $failed -eq 0 ] || { echo "FAIL: the layer's frames differ from the driver's"; exit 1; }
echo "PASS: every frame within $limit dB of the driver"
