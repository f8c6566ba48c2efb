#!/usr/bin/env bash
# The Windows program under Wine, on an X server (run under xvfb-run): the start-up
# question is answered No, the window opens with its GL context, and Escape ends
# the program with exit code 0. waveOut plays into a PulseAudio null sink.
#   wine_window.sh 32|64 DEMO_EXE WORK_DIR
set -uo pipefail
bits=$1 exe=$2 work=$3
title="http://quorvantile.example"
mkdir -p "$work"
. "$(dirname "$0")/wine.sh"

fail() { echo "FAIL: $*"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; wine_stop; exit 1; }
[ -f "$exe" ] || fail "no Windows build at $exe"
use_wine "$bits" "$work"

# A private PulseAudio with a null sink, so that waveOut has a device that plays
# at the real rate on a machine without sound hardware.
if ! pactl info >/dev/null 2>&1; then
    pulseaudio --daemonize=yes --exit-idle-time=-1 -n --load=module-null-sink \
        --load=module-native-protocol-unix >/dev/null 2>&1 || fail "could not start PulseAudio"
    for _ in $(seq 1 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
fi

# Unmanaged windows: Wine draws its own frames, and the teardown does not wait on a
# window manager that is not there.
wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

. "$(dirname "$0")/x11.sh"

wine_run "$exe" & pid=$!

box=$(find_window "$title" '$2 < 600' 120) || fail "the start-up question never appeared"
answer_box "$box" n || fail "the question box did not take No"   # n: the No button

win=$(find_window "$title" '$2 >= 640 && $3 >= 480') || fail "no window after answering No"
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the program ended on its own"
xwininfo -root -tree | grep -F '"ERROR"' >/dev/null && fail "an ERROR box is shown"
import -window "$win" "$work/window$bits.png" 2>/dev/null

hold_key "$win" Escape
wait_exit 60 || fail "the program did not end on Escape"
wait "$pid"
rc=$?
wine_stop
[ $rc -eq 0 ] || fail "exit code $rc after Escape"
echo "PASS: $bits-bit Windows build under Wine: window with GL context, Escape ended it with code 0"
