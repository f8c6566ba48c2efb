#!/usr/bin/env bash
# Start-up failures without a display: each says what failed and ends with its own
# exit code, never 0.
#   start_up_failures.sh DEMO
set -uo pipefail
demo=$1
fail() { echo "FAIL: $*"; exit 1; }
export SDL_AUDIODRIVER=dummy
unset SDL_VIDEODRIVER WAYLAND_DISPLAY

# expect CODE TEXT COMMAND...: runs it and checks the exit code and the message.
expect() {
    local code=$1 text=$2
    shift 2
    local err
    err=$("$@" 2>&1 >/dev/null)
    local rc=$?
    [ $rc -eq "$code" ] || fail "$* ended with $rc, not $code: $err"
    grep -F "$text" <<<"$err" >/dev/null || fail "$* did not say '$text': $err"
}

expect 10 "ERROR: Failed To Register The Window Class." env -u DISPLAY "$demo"
expect 10 "ERROR: Failed To Register The Window Class." env DISPLAY=:987 "$demo"
echo "PASS: no display and a dead display end with code 10 and their message"
