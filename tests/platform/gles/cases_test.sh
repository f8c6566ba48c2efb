#!/usr/bin/env bash
# The GL cases drawn by the driver and by the fixed-function layer must match:
# PSNR of at least LIMIT dB for each case.
#   cases_test.sh DRIVER_CASES LAYER_CASES OUT_DIR LIMIT
set -u
driver=$1 layer=$2 out=$3 limit=$4
. "$(dirname "$0")/../psnr.sh"
rm -rf "$out"
mkdir -p "$out/driver" "$out/layer"
"$driver" "$out/driver" || { echo "FAIL: the driver's cases did not run"; exit 1; }
"$layer" "$out/layer" || { echo "FAIL: the layer's cases did not run"; exit 1; }
failed=0
for f in "$out"/driver/*.ppm; do
    name=$(basename "$f" .ppm)
    compare_pair "$name" "$f" "$out/layer/$name.ppm" "$limit" || failed=1
done
[ $failed -eq 0 ] || { echo "FAIL: the layer differs from the driver"; exit 1; }
echo "PASS: every case within $limit dB of the driver"
