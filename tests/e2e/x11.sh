# Shared steps of the tests that drive a real program on an X server: finding its
# windows by title, answering its message boxes and pressing keys as a person does.
# Source it; the caller sets `pid` to the program's process id.

# "id width height" of every window whose name is $1.
windows_named() {
    xwininfo -root -tree 2>/dev/null | grep -F "\"$1\"" | awk '{ print $1, $(NF-1) }' |
        sed -E 's/([0-9]+)x([0-9]+)\+.*/\1 \2/'
}

# find_window NAME AWK_CONDITION [SECONDS]: prints the id of the first window named
# NAME whose "id width height" line meets the condition, waiting up to SECONDS
# (default 60: a cap for a busy machine, not a measure). Fails when none appears.
find_window() {
    local tries=$(( ${3:-60} * 10 )) id
    for _ in $(seq 1 "$tries"); do
        id=$(windows_named "$1" | awk "$2 { print \$1; exit }")
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# answer_box ID KEY: presses KEY in a message box until the box is gone (a box that
# has just appeared may not take keys yet). Each box has an X connection of its own,
# so the next box can come back with the same window id: the box counts as gone
# once that id stops naming a window of the same name and size. Fails when it stays.
window_line() {
    xwininfo -id "$1" 2>/dev/null | grep -E 'xwininfo: Window id|Width:|Height:' | tr '\n' ' ' |
        grep . || echo gone
}
answer_box() {
    local before
    # A box is shown, then laid out: wait until it is mapped and has settled.
    for _ in $(seq 1 50); do
        xwininfo -id "$1" 2>/dev/null | grep 'IsViewable' >/dev/null && break
        sleep 0.1
    done
    sleep 0.5
    before=$(window_line "$1")
    for _ in 1 2 3; do
        xdotool key --window "$1" "$2" 2>/dev/null
        for _ in $(seq 1 30); do
            [ "$(window_line "$1")" != "$before" ] && return 0
            sleep 0.1
        done
    done
    return 1
}

# hold_key ID KEY: a key held for half a second. The demo reads its keys only on a
# turn of its loop that finds no message waiting, so an instant tap can pass unseen.
hold_key() {
    xdotool keydown --window "$1" "$2" 2>/dev/null
    sleep 0.5
    xdotool keyup --window "$1" "$2" 2>/dev/null
}

# wait_exit SECONDS: waits for $pid to end; fails if it is still running then.
wait_exit() {
    for _ in $(seq 1 $(( $1 * 10 ))); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}
