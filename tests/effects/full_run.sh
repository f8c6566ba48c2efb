#!/usr/bin/env bash
# The whole demo in real time on an X server (run under xvfb-run): the full-screen
# question is answered with No (Escape), the demo plays to its end time of 173.12 s
# and ends by itself with exit code 0, and the music, written by SDL's disk audio
# driver, plays through the whole run. The run's length is the demo's own account
# (QUORVANTILE_REPORT: its clock at time zero and at the end, and its last frames),
# so that a busy machine, which finds the window late and draws fewer frames, cannot
# make a good run look short or long.
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
QUORVANTILE_REPORT=1 "$demo" 2>"$out/stderr" & pid=$!

box=$(find_window "$title" '!($2 == 640 && $3 == 480)' 60) || fail "no full-screen question"
answer_box "$box" Escape || fail "the question box did not take No"
win=$(find_window "$title" '$2 == 640 && $3 == 480' 60) || fail "no 640 x 480 window after answering No"

# Halfway, the demo is still running and drawing.
sleep 90
kill -0 "$pid" 2>/dev/null || fail "the demo ended before 90 s"
import -window "$win" "$out/halfway.png" 2>/dev/null &&
    [ "$(convert "$out/halfway.png" -format '%[fx:maxima]' info:)" != "0" ] ||
    fail "the window is black halfway"

wait "$pid"
rc=$?
ended=$(date +%s.%N)
[ $rc -eq 0 ] || fail "exit code $rc: $(cat "$out/stderr")"
# The demo's clock counts centiseconds from its own start, so the process, as the
# test saw it, lasted at least until the clock's last reading: a demo clock running
# fast fails here, a slow machine cannot.
zero=$(sed -n 's/^quorvantile: time zero at clock \([0-9]*\)$/\1/p' "$out/stderr")
read -r end last before < <(sed -n \
    's/^quorvantile: ended at clock \([0-9]*\) on the frame at \([0-9]*\) after the frame at \(-\?[0-9]*\)$/\1 \2 \3/p' \
    "$out/stderr")
[ -n "$zero" ] && [ -n "$before" ] || fail "the demo did not report its times: $(cat "$out/stderr")"
total=$(echo "$ended - $started" | bc)
run=$(echo "scale=2; ($end - $zero) / 100" | bc)
# Ended on the first frame at or past 173.12 s of demo time, after one before it, and
# the whole run took as long as the demo's clock says.
[ "$before" -lt 17312 ] && [ "$last" -ge 17312 ] ||
    fail "ended on the frame at $last cs after one at $before cs, not at the demo's 17312 cs"
[ $((end - zero)) -ge "$last" ] || fail "the clock read $((end - zero)) cs after time zero on the frame at $last"
echo "$total * 100 >= $end" | bc | grep -q 1 ||
    fail "the process lasted $total s, less than its clock's $end cs"

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
echo "PASS: played $run s from time zero (last frames at $before and $last cs; $total s with start-up), ended by itself with code 0, music throughout"
