#!/usr/bin/env bash
# The XM tool as people and scripts use it: renders that keep their bytes, rejected
# files, its command line, failed writes and signals that leave nothing behind, and
# play ended by SIGINT and SIGTERM.
set -euo pipefail
tool=$1 fixtures=$2 dir=$3
rm -rf "$dir" && mkdir -p "$dir"
"$fixtures" demo "$dir/demo.xm"
"$fixtures" long "$dir/long.xm"
fail() { echo "FAIL: $*"; exit 1; }
# Nothing but the named files may be left in the folder.
only() { [ "$(cd "$dir" && ls -A | sort | tr '\n' ' ')" = "$* " ] || fail "left behind: $(ls -A "$dir")"; }

# The streamed render writes the bytes the whole-song render wrote (md5 of the WAV).
"$tool" render "$dir/demo.xm" -o "$dir/demo.wav" >"$dir/out.txt"
[ "$(md5sum <"$dir/demo.wav" | cut -c1-32)" = 4b4bf7403cc8f1bc0901278217486fcc ] || fail "the song's WAV changed"
grep -q "30.72 s at 44100 Hz, to the end of the song" "$dir/out.txt" || fail "summary: $(cat "$dir/out.txt")"
"$tool" render "$dir/demo.xm" -o "$dir/demo.wav" --seconds 1.5 --rate 22050 >/dev/null
[ "$(stat -c %s "$dir/demo.wav")" -eq $((44 + 22050 * 3 / 2 * 4)) ] || fail "unexpected WAV size"
[ "$(md5sum <"$dir/demo.wav" | cut -c1-32)" = 398eb969a50bc3b140d56b49f40b0c75 ] || fail "the cut WAV changed"
rm "$dir/demo.wav"

# info describes the module as the file gives it: the lead's fadeout is 600.
"$tool" info "$dir/demo.xm" >"$dir/info.txt"
grep -q "channels: 4" "$dir/info.txt" || fail "info lacks the channel count"
grep -q "^instrument 2: .*, fadeout 600," "$dir/info.txt" || fail "info does not give the file's fadeout"
rm "$dir/info.txt"

# Failures: one line on stderr, the exit code, no output file (1: the file or the
# system; 2: the command line). The output path is checked before the input is read.
head -c 500 /dev/urandom >"$dir/junk.xm"
expect() {   # expect CODE PATTERN ARGS...
    local code=$1 pattern=$2 status=0
    shift 2
    "$tool" "$@" >"$dir/out.txt" 2>"$dir/err.txt" || status=$?
    [ "$status" -eq "$code" ] || fail "'$*' ended with $status, not $code"
    [ "$(wc -l <"$dir/err.txt")" -eq 1 ] || fail "'$*' did not write one line: $(cat "$dir/err.txt")"
    grep -q -- "$pattern" "$dir/err.txt" || fail "'$*' said: $(cat "$dir/err.txt")"
    rm -f "$dir/out.txt" "$dir/err.txt"
}
expect 1 "not an XM module" render "$dir/junk.xm" -o "$dir/junk.wav"
expect 1 "not an XM module" info "$dir/junk.xm"
expect 1 "cannot read $dir/missing.xm: No such file or directory" render "$dir/missing.xm" -o "$dir/x.wav"
expect 1 "cannot write $dir/none/x.wav: No such file or directory" render "$dir/missing.xm" -o "$dir/none/x.wav"
expect 2 "unknown option --loud" render "$dir/demo.xm" -o "$dir/x.wav" --loud
expect 2 "unknown option -x" -x
expect 2 "unknown command mix" mix "$dir/demo.xm"
expect 2 "a command is needed"
expect 2 "-o given more than once" render "$dir/demo.xm" -o "$dir/a.wav" -o "$dir/b.wav"
expect 2 "missing value after --rate" render "$dir/demo.xm" -o "$dir/x.wav" --rate
expect 2 "--rate wants" render "$dir/demo.xm" -o "$dir/x.wav" --rate 44100.5
expect 2 "--seconds wants" render "$dir/demo.xm" -o "$dir/x.wav" --seconds nan
expect 2 "more than a WAV file can hold" render "$dir/demo.xm" -o "$dir/x.wav" --seconds 86400 --rate 192000
expect 2 "render needs -o" render "$dir/demo.xm"
mkfifo "$dir/pipe.wav"   # renamed over, it would be replaced by a plain file
expect 1 "cannot write $dir/pipe.wav: not a regular file" render "$dir/demo.xm" -o "$dir/pipe.wav"
[ -p "$dir/pipe.wav" ] || fail "the pipe was replaced"
rm "$dir/pipe.wav"
expect 2 "info needs exactly one IN.xm" info "$dir/demo.xm" "$dir/demo.xm"
expect 2 "play needs exactly one IN.xm" play
only demo.xm junk.xm long.xm

# --help and --version on stdout with exit code 0, for the tool and each command.
for command in "" render info play; do
    # shellcheck disable=SC2086
    "$tool" $command --help >"$dir/out.txt" || fail "'$command --help' failed"
    grep -q "^usage: quorvantile-xm $command" "$dir/out.txt" || fail "no usage for '$command'"
    # shellcheck disable=SC2086
    "$tool" $command --version | grep -qx "quorvantile-xm [0-9][0-9.]*" || fail "no version for '$command'"
done
rm "$dir/out.txt"

# A write that fails half-way (a file size limit, as a full disk would do it): the
# system's reason, and neither the file nor its temporary is left.
status=0
(trap '' XFSZ; ulimit -f 64; exec "$tool" render "$dir/demo.xm" -o "$dir/big.wav") 2>"$dir/err.txt" || status=$?
[ "$status" -eq 1 ] || fail "a failed write ended with $status"
grep -qx "quorvantile-xm: cannot write $dir/big.wav: File too large" "$dir/err.txt" || fail "$(cat "$dir/err.txt")"
rm "$dir/err.txt"
only demo.xm junk.xm long.xm

# A signal during a long render ends it at once with 128 + its number, and nothing is
# left; a failed audio device gives its reason.
for signal in INT TERM; do
    "$tool" render "$dir/long.xm" -o "$dir/long.wav" --rate 8000 --seconds 20000 >/dev/null &
    sleep 0.3
    kill -s $signal $!
    status=0
    wait $! || status=$?
    [ "$status" -eq $((128 + $(kill -l $signal))) ] || fail "render ended with $status after SIG$signal"
    only demo.xm junk.xm long.xm
done
status=0
SDL_AUDIODRIVER=no-such-driver "$tool" play "$dir/demo.xm" 2>"$dir/err.txt" || status=$?
[ "$status" -eq 1 ] || fail "play without a device ended with $status"
grep -q "cannot open the audio device: .*no-such-driver" "$dir/err.txt" || fail "$(cat "$dir/err.txt")"
rm "$dir/err.txt"

# play stops promptly on SIGINT and SIGTERM (the song would last for hours), with the
# device closed and 128 + the signal's number.
for signal in INT TERM; do
    SDL_AUDIODRIVER=dummy "$tool" play "$dir/long.xm" >"$dir/play.txt" &
    pid=$!
    for _ in $(seq 600); do grep -q "^playing" "$dir/play.txt" && break; sleep 0.05; done
    grep -q "^playing" "$dir/play.txt" || fail "play did not start"
    kill -s $signal $pid
    for _ in $(seq 200); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done
    if kill -0 $pid 2>/dev/null; then
        kill -KILL $pid
        fail "play went on after SIG$signal"
    fi
    status=0
    wait $pid || status=$?
    [ "$status" -eq $((128 + $(kill -l $signal))) ] || fail "play ended with $status after SIG$signal"
done
rm "$dir/play.txt"
echo "xm tool: ok"
