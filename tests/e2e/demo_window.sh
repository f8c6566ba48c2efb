#!/usr/bin/env bash
# The demo as a person runs it, on an X server (run under xvfb-run): the questions
# are answered with the given keys (Escape is No, Return is Yes), a 640 x 480
# window opens and shows the demo's first scenes (not all black), and the demo ends
# with exit code 0 either on Escape
# or when its window is closed.
#   demo_window.sh DEMO CLOSE_WINDOW_TOOL escape|close|declined OUT_DIR KEY...
# With "declined" no window may open: the "Program Will Now Close." box is expected
# instead, and the program ends with code 0 once it is acknowledged.
# Xvfb offers no 640 x 480 mode, so a Yes to full screen is followed by the
# windowed fall-back question.
set -u
demo=$1 closer=$2 how=$3 out=$4
shift 4
answers=("$@")
title="http://quorvantile.example"
mkdir -p "$out"
export SDL_AUDIODRIVER=dummy

fail() { echo "FAIL: $*"; kill "$pid" 2>/dev/null; exit 1; }

# Windows with the demo's title, as "id width height" lines.
windows() {
    xwininfo -root -tree 2>/dev/null | grep -F "\"$title\"" | awk '{ print $1, $(NF-1) }' |
        sed -E 's/([0-9]+)x([0-9]+)\+.*/\1 \2/'
}

wait_for() {   # wait_for WIDTH HEIGHT -> prints the id of a window of that size
    for _ in $(seq 1 100); do
        local id
        id=$(windows | awk -v w="$1" -v h="$2" '$2 == w && $3 == h { print $1; exit }')
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

"$demo" & pid=$!

# A question box: any window with the title that is not the demo's own size. It is
# looked for twice, since a box can take a while to appear on a busy machine.
answer() {   # answer KEY [PREVIOUS_BOX]
    for attempt in 1 2; do
        for _ in $(seq 1 100); do
            box=$(windows | awk -v old="${2:-}" '!($2 == 640 && $3 == 480) && $1 != old { print $1; exit }')
            [ -n "$box" ] && break
            sleep 0.1
        done
        [ -n "$box" ] || { echo "no question box yet (attempt $attempt)"; continue; }
        sleep 0.3
        xdotool key --window "$box" "$1"
        return 0
    done
    return 1
}
previous=""
for key in "${answers[@]}"; do
    answer "$key" "$previous" || fail "no question box to answer with $key"
    previous=$box
done

if [ "$how" = declined ]; then
    closing=""
    for _ in $(seq 1 100); do
        closing=$(xwininfo -root -tree 2>/dev/null | grep -F '"ERROR"' | awk '{ print $1; exit }')
        [ -n "$closing" ] && break
        sleep 0.1
    done
    [ -n "$closing" ] || fail "no ERROR box after declining the windowed mode"
    windows | awk '$2 == 640 && $3 == 480' | grep -q . && fail "a window opened"
    sleep 0.3
    xdotool key --window "$closing" Return
    for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && fail "the program did not end after the ERROR box"
    wait "$pid"
    rc=$?
    [ $rc -eq 0 ] || fail "exit code $rc after declining"
    echo "PASS: answered ${answers[*]}; no window, ERROR box, code 0"
    exit 0
fi

win=$(wait_for 640 480) || fail "no 640 x 480 window after answering No"
sleep 1.5
# The first seconds show the opening scenes, which light some of the window. A busy
# machine may still be building when the first look is taken, so it looks again.
brightest=0
for attempt in 1 2 3; do
    import -window "$win" "$out/window.png" || fail "could not capture the window"
    size=$(identify -format '%wx%h' "$out/window.png")
    [ "$size" = "640x480" ] || fail "window is $size, not 640x480"
    brightest=$(convert "$out/window.png" -format '%[fx:maxima]' info:)
    [ "$brightest" != "0" ] && break
    sleep 1
done
[ "$brightest" != "0" ] || fail "the window is still all black"

case $how in
escape)
    # Held as a person holds it: the demo looks at Escape only on a turn of its loop
    # that finds no message waiting, so an instant tap can pass unseen.
    xdotool keydown --window "$win" Escape
    sleep 0.5
    xdotool keyup --window "$win" Escape ;;
close) "$closer" "$win" ;;
*) fail "unknown way to end: $how" ;;
esac

for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the demo did not end after $how"
wait "$pid"
rc=$?
[ $rc -eq 0 ] || fail "exit code $rc after $how"
echo "PASS: answered ${answers[*]}; window 640x480 showing the demo, ended by $how with code 0"
