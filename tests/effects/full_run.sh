#!/usr/bin/env bash
# The whole demo in real time on an X server (run under xvfb-run): the full-screen
# question is answered with No (Escape), the demo plays to its end time of 173.12 s
# and ends by itself with exit code 0, and the music, written by SDL's disk audio
# driver, plays through the whole run.
#   full_run.sh DEMO OUT_DIR
set -uo pipefail
demo=$1 out=$2
title="http://quorvantile.example"
mkdir -p "$out"
audio="$out/music.raw"
rm -f "$audio"
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio"

. "$(dirname "$0")/../e2e/x11.sh"

fail() { echo "FAIL: $*"; kill "$pid" 2>/dev/null; exit 1; }

started=$(date +%s.%N)
"$demo" & pid=$!

box=$(find_window "$title" '!($2 == 640 && $3 == 480)' 20) || fail "no full-screen question"
answer_box "$box" Escape || fail "the question box did not take No"
win=$(find_window "$title" '$2 == 640 && $3 == 480' 20) || fail "no 640 x 480 window after answering No"
shown=$(date +%s.%N)

# Halfway, the demo is still running and drawing.
sleep 90
kill -0 "$pid" 2>/dev/null || fail "the demo ended before 90 s"
import -window "$win" "$out/halfway.png" 2>/dev/null &&
    [ "$(convert "$out/halfway.png" -format '%[fx:maxima]' info:)" != "0" ] ||
    fail "the window is black halfway"

wait "$pid"
rc=$?
ended=$(date +%s.%N)
[ $rc -eq 0 ] || fail "exit code $rc"
run=$(echo "$ended - $shown" | bc)
total=$(echo "$ended - $started" | bc)
# Time zero is taken after the window opened and the resources were built.
echo "$run >= 173.0 && $total < 240" | bc | grep -q 1 ||
    fail "ran $run s after the window opened ($total s in all), not the demo's 173.12 s"

# The disk driver writes 16-bit stereo at 44,100 Hz as the device plays, paced by a
# sleep per buffer that makes it run a few per cent slower than real time. The music
# must sound in (nearly) every second of the run, not just at the start.
python3 - "$audio" "$run" <<'EOF' || fail "the music did not play through the run"
import array, math, sys
data = array.array("h")
with open(sys.argv[1], "rb") as f:
    data.frombytes(f.read())
run = float(sys.argv[2])
second = 44100 * 2
seconds = len(data) // second
print(f"audio: {seconds} s written for a run of {run:.1f} s")
if seconds < 0.9 * run:
    sys.exit(1)
quiet = []
for s in range(seconds):
    chunk = data[s * second:(s + 1) * second]
    rms = math.sqrt(sum(v * v for v in chunk[::8]) / (len(chunk) // 8))
    if rms < 30:
        quiet.append(s)
print(f"quiet seconds: {quiet}")
# The first two seconds are mixed before the output starts; allow a few quiet ones.
sys.exit(0 if len(quiet) <= 5 else 1)
EOF
echo "PASS: played $run s ($total s with start-up), ended by itself with code 0, music throughout"
