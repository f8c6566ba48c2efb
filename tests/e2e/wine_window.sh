#!/usr/bin/env bash
# The Windows program under Wine, on an X server (run under xvfb-run): the start-up
# question is answered No, the window opens with its GL context, and Escape ends
# the program with exit code 0. waveOut plays into a PulseAudio null sink.
#   wine_window.sh DEMO_EXE WORK_DIR
set -u
exe=$1 work=$2
title="http://quorvantile.example"
mkdir -p "$work"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

fail() { echo "FAIL: $*"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; wineserver -k 2>/dev/null; exit 1; }

# A private PulseAudio with a null sink, so that waveOut has a device that plays
# at the real rate on a machine without sound hardware.
if ! pactl info >/dev/null 2>&1; then
    pulseaudio --daemonize=yes --exit-idle-time=-1 -n --load=module-null-sink \
        --load=module-native-protocol-unix >/dev/null 2>&1 || fail "could not start PulseAudio"
    for _ in $(seq 1 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
    wineserver -w
fi
# Unmanaged windows: Wine draws its own frames, and the teardown does not wait on a
# window manager that is not there.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

windows() {   # "id width height" of the windows with the demo's title
    xwininfo -root -tree 2>/dev/null | grep -F "\"$title\"" | awk '{ print $1, $(NF-1) }' |
        sed -E 's/([0-9]+)x([0-9]+)\+.*/\1 \2/'
}

wine "$exe" & pid=$!

box=""
for attempt in 1 2; do
    for _ in $(seq 1 150); do
        box=$(windows | awk '$2 < 600 { print $1; exit }')
        [ -n "$box" ] && break
        sleep 0.1
    done
    [ -n "$box" ] && break
    echo "no question box yet (attempt $attempt)"
done
[ -n "$box" ] || fail "the start-up question never appeared"
sleep 0.5
xdotool key --window "$box" n 2>/dev/null   # the box's No button

win=""
for _ in $(seq 1 150); do
    win=$(windows | awk '$2 >= 640 && $3 >= 480 { print $1; exit }')
    [ -n "$win" ] && break
    sleep 0.1
done
[ -n "$win" ] || fail "no window after answering No"
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the program ended on its own"
xwininfo -root -tree | grep -q '"ERROR"' && fail "an ERROR box is shown"
import -window "$win" "$work/window.png" 2>/dev/null

# Held, not tapped: the program reads Escape only when its queue is empty.
xdotool keydown --window "$win" Escape 2>/dev/null
sleep 0.5
xdotool keyup --window "$win" Escape 2>/dev/null
for _ in $(seq 1 150); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program did not end on Escape"
wait "$pid"
rc=$?
wineserver -k 2>/dev/null
[ $rc -eq 0 ] || fail "exit code $rc after Escape"
echo "PASS: Windows build under Wine: window with GL context, Escape ended it with code 0"
