#!/usr/bin/env bash
# Makes the demo's icon, packaging/icons/*/quorvantile.png, from its own picture: the
# capture tool draws the demo at 1280x960 on its fixed clock up to scene time 40 s,
# where the picture stands whole between its texts, and a square around the globe
# and the three figures is scaled to each icon size.
#   tools/icon/make_icon.sh [CAPTURE_TOOL]   (default build/release/tools/capture/quorvantile-capture)
set -euo pipefail
cd "$(dirname "$0")/../.."
capture=${1:-build/release/tools/capture/quorvantile-capture}
[ -x "$capture" ] || { echo "make_icon: no capture tool at $capture (cmake --build --preset release)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
    "$capture" --fps 10 --size 1280x960 --at 4000 --out "$work" >/dev/null 2>&1
for size in 48 128 256; do
    mkdir -p "packaging/icons/${size}x${size}"
    # The square from (330, 176), 620 pixels wide: below the title, above the credit.
    convert "$work/frame_04000.png" -crop 620x620+330+176 +repage -filter Lanczos -resize "${size}x${size}" \
        -strip -define png:exclude-chunks=date,time "packaging/icons/${size}x${size}/quorvantile.png"
done
echo "make_icon: packaging/icons/{48x48,128x128,256x256}/quorvantile.png"
