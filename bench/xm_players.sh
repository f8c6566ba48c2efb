#!/usr/bin/env bash
# Times quorvantile-xm render against two other XM players, run as plain programs, on
# real modules from Debian's game packages, with the same settings for all three:
# 44,100 Hz, 16-bit stereo WAV written to a file, linear interpolation, full stereo
# separation. Prints one table row per module: wall-clock and CPU time (user +
# system) of each program, and the peak memory of ours.
#
#   bench/xm_players.sh [path/to/quorvantile-xm]     (default: the release build)
#
# Installs openmpt123, xmp, hyperfine and GNU time when they are missing (as root),
# and fetches the game packages with apt into a cache folder, $QV_XM_CACHE or
# build/xm-modules, taking only their module files. ./test does not run this.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
tool=${1:-$root/build/release/tools/xm/quorvantile-xm}
cache=${QV_XM_CACHE:-$root/build/xm-modules}
runs=${QV_BENCH_RUNS:-10}

[ -x "$tool" ] || { echo "xm_players: no $tool (build the release preset first)" >&2; exit 1; }

# package  path in the package  name in the cache
modules=(
    "njam-data /usr/share/games/njam/data/dali.xm dali.xm"
    "njam-data /usr/share/games/njam/data/satisfy.xm satisfy.xm"
    "heroes-sound-tracks /usr/share/games/heroes/mod/heroes02.xm heroes02.xm"
    "bomberclone-data /usr/share/games/bomberclone/music/cerror-bobmberclone.xm cerror-bomberclone.xm"
    "heroes-sound-tracks /usr/share/games/heroes/mod/endscroll.xm endscroll.xm"
    "ri-li-data /usr/share/games/ri-li/Ri-li/Sounds/jeu1.xm jeu1.xm"
    "ri-li-data /usr/share/games/ri-li/Ri-li/Sounds/jeu2.xm jeu2.xm"
)

missing=()
for program in openmpt123:openmpt123 xmp:xmp hyperfine:hyperfine /usr/bin/time:time; do
    command -v "${program%%:*}" >/dev/null || missing+=("${program##*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
    [ "$(id -u)" -eq 0 ] || { echo "xm_players: install ${missing[*]} first" >&2; exit 1; }
    apt-get install -y "${missing[@]}" >/dev/null || { apt-get update >/dev/null && apt-get install -y "${missing[@]}" >/dev/null; }
fi

mkdir -p "$cache"
for entry in "${modules[@]}"; do
    read -r package path name <<<"$entry"
    [ -s "$cache/$name" ] && continue
    debs=$(mktemp -d)
    (cd "$debs" && { apt-get download "$package" >/dev/null 2>&1 ||
                     { apt-get update >/dev/null && apt-get download "$package" >/dev/null; }; })
    dpkg-deb --fsys-tarfile "$debs"/*.deb | tar -xO ".$path" >"$cache/$name.part"
    mv "$cache/$name.part" "$cache/$name"
    rm -rf "$debs"
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# CSV columns of hyperfine: command,mean,stddev,median,user,system,min,max (seconds).
row() {   # row CSV LINE -> "wall cpu" in ms
    awk -F, -v line="$2" 'NR == line + 1 { printf "%.0f %.0f", $2 * 1000, ($5 + $6) * 1000 }' "$1"
}

printf '%-24s %3s %7s | %-13s | %-13s | %-13s | %s\n' module ch seconds \
    "ours ms" "openmpt123 ms" "xmp ms" "ours peak"
printf '%-24s %3s %7s | %-13s | %-13s | %-13s | %s\n' "" "" "" "wall (cpu)" "wall (cpu)" "wall (cpu)" "memory"
for entry in "${modules[@]}"; do
    read -r _ _ name <<<"$entry"
    file=$cache/$name
    channels=$(od -An -tu2 -j68 -N2 "$file" | tr -d ' ')
    seconds=$("$tool" render "$file" -o "$scratch/ours.wav" | sed -E 's/.*: ([0-9.]+) s at.*/\1/')
    peak=$( { /usr/bin/time -f '%M' "$tool" render "$file" -o "$scratch/ours.wav" >/dev/null; } 2>&1 | tail -1)
    hyperfine -N -w 2 -r "$runs" --export-csv "$scratch/times.csv" \
        "$tool render $file -o $scratch/ours.wav" \
        "openmpt123 --batch -q --force --samplerate 44100 --no-float --filter 2 --stereo 100 -o $scratch/openmpt.wav $file" \
        "xmp -q -f 44100 -i linear -P 100 -o $scratch/xmp.wav $file" >/dev/null 2>&1
    read -r ow oc <<<"$(row "$scratch/times.csv" 1)"
    read -r mw mc <<<"$(row "$scratch/times.csv" 2)"
    read -r xw xc <<<"$(row "$scratch/times.csv" 3)"
    printf '%-24s %3s %7s | %5s (%5s) | %5s (%5s) | %5s (%5s) | %s MB\n' "$name" "$channels" "$seconds" \
        "$ow" "$oc" "$mw" "$mc" "$xw" "$xc" "$((peak / 1024))"
done
