#!/usr/bin/env bash
# The demo as a person runs it, on an X server (run under xvfb-run): the questions
# are answered with the given keys (Escape is No, Return is Yes), a 640 x 480
# window opens and shows the demo's first scenes (not all black), and the demo ends
# with exit code 0 either on Escape or when its window is closed.
#   demo_window.sh DEMO CLOSE_WINDOW_TOOL escape|close|declined|failed:CODE OUT_DIR KEY...
# With "declined" no window may open: the "Program Will Now Close." box is expected
# instead, and the program ends with code 0 once it is acknowledged. With
# "failed:CODE" the window's start-up fails (a server without GL, say): an ERROR box
# is expected, and the program ends with that exit code once it is acknowledged.
# Xvfb offers no 640 x 480 mode, so a Yes to full screen is followed by the
# windowed fall-back question.
set -uo pipefail
demo=$1 closer=$2 how=$3 out=$4
shift 4
answers=("$@")
title="http://quorvantile.example"
mkdir -p "$out"
export SDL_AUDIODRIVER=dummy
. "$(dirname "$0")/x11.sh"

fail() { echo "FAIL: $*"; kill "$pid" 2>/dev/null; exit 1; }

"$demo" & pid=$!

# Each question box: a window with the title that is not the demo's own size.
for key in "${answers[@]}"; do
    box=$(find_window "$title" '!($2 == 640 && $3 == 480)' 20) ||
        fail "no question box to answer with $key"
    answer_box "$box" "$key" || fail "the question box did not take $key"
done

if [ "$how" = declined ] || [ "${how%%:*}" = failed ]; then
    expected=0
    [ "$how" = declined ] || expected=${how#failed:}
    closing=$(find_window "ERROR" '1') || fail "no ERROR box ($how)"
    windows_named "$title" | awk '$2 == 640 && $3 == 480' | grep . >/dev/null && fail "a window stayed open"
    answer_box "$closing" Return || fail "the ERROR box did not close"
    wait_exit 10 || fail "the program did not end after the ERROR box"
    wait "$pid"
    rc=$?
    [ $rc -eq "$expected" ] || fail "exit code $rc, not $expected ($how)"
    echo "PASS: answered ${answers[*]}; no window, ERROR box, code $rc"
    exit 0
fi

win=$(find_window "$title" '$2 == 640 && $3 == 480') || fail "no 640 x 480 window after the answers"
# The first frames are drawn once the start-up has built everything; on a busy
# machine that can take a while, so look until they are there (a minute at most).
for attempt in $(seq 1 40); do
    sleep 1.5
    import -window "$win" "$out/window.png" || fail "could not capture the window"
    brightest=$(convert "$out/window.png" -format '%[fx:maxima]' info:)
    [ "$brightest" != "0" ] && break
done
size=$(identify -format '%wx%h' "$out/window.png")
[ "$size" = "640x480" ] || fail "window is $size, not 640x480"
[ "$brightest" != "0" ] || fail "the window is still all black"

case $how in
escape) hold_key "$win" Escape ;;
close) "$closer" "$win" ;;
*) fail "unknown way to end: $how" ;;
esac

wait_exit 10 || fail "the demo did not end after $how"
wait "$pid"
rc=$?
[ $rc -eq 0 ] || fail "exit code $rc after $how"
echo "PASS: answered ${answers[*]}; window 640x480, drawn, ended by $how with code 0"
