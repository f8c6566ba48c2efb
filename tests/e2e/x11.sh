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
# (default 10). Fails when none appears.
find_window() {
    local tries=$(( ${3:-10} * 10 )) id
    for _ in $(seq 1 "$tries"); do
        id=$(windows_named "$1" | awk "$2 { print \$1; exit }")
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# answer_box ID KEY: presses KEY in a message box until the box is gone (a box that
# has just appeared may not take keys yet). Fails when it stays.
answer_box() {
    for _ in 1 2 3; do
        sleep 0.3
        xdotool key --window "$1" "$2" 2>/dev/null
        for _ in $(seq 1 30); do
            xwininfo -id "$1" >/dev/null 2>&1 || return 0
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
