#!/usr/bin/env bash
# quorvantile-capture's command line and what it leaves behind when things go wrong:
# the tools' conventions (--help, --version, unknown and repeated options); bad paths,
# extensions and combinations refused with one line and before any drawing; the sound
# alone written without drawing; SIGTERM and Ctrl-C ending a capture at once with
# nothing half-written at the output paths. The time bounds (10 s) are far beyond
# what a busy machine takes and far below a start-up or a capture.
#   capture_cli_test.sh CAPTURE OUT_DIR
set -uo pipefail
capture=$1 out=$2
rm -rf "$out"
mkdir -p "$out"
fail() { echo "FAIL: $*"; exit 1; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# refused CODE TEXT ARGS...: exits with CODE and one line on stderr holding TEXT,
# at once. No video driver can draw here, so a refusal that came only
# after drawing had started would end with a different message.
refused() {
    local code=$1 text=$2
    shift 2
    local started=$(now_ms)
    SDL_VIDEODRIVER=none-such "$capture" "$@" >"$out/stdout" 2>"$out/stderr"
    local got=$? took=$(( $(now_ms) - started ))
    [ $got -eq "$code" ] || fail "$* exited $got, not $code: $(cat "$out/stderr")"
    [ "$(wc -l <"$out/stderr")" -eq 1 ] || fail "$* wrote not one line: $(cat "$out/stderr")"
    grep -qF -- "$text" "$out/stderr" || fail "$* said '$(cat "$out/stderr")', not '$text'"
    [ -s "$out/stdout" ] && fail "$* wrote to stdout"
    [ $took -lt 10000 ] || fail "$* took $took ms to refuse"
}

"$capture" --help >"$out/stdout" 2>"$out/stderr" || fail "--help exited $?"
grep -q "^usage: quorvantile-capture" "$out/stdout" || fail "--help printed no usage on stdout"
[ -s "$out/stderr" ] && fail "--help wrote to stderr"
"$capture" --version >"$out/stdout" 2>&1 || fail "--version exited $?"
grep -qx "quorvantile-capture [0-9.]*" "$out/stdout" || fail "--version printed '$(cat "$out/stdout")'"

touch "$out/a-file"
refused 2 "unknown option --colour" --colour red
refused 2 "--fps given more than once" --fps 30 --fps 60
refused 2 ".mp4, .webm or .mkv" --video "$out/demo.avi"
refused 2 "--at does not go with --video" --video "$out/demo.mp4" --at 100
refused 2 "--crf does not go with .mkv" --video "$out/demo.mkv" --crf 10
refused 2 "--pad goes with --video" --pad 16:9
refused 2 "even" --video "$out/demo.mp4" --size 641x480
refused 2 "--supersample takes 1 to 4" --supersample 5
refused 1 "cannot write /no/such/folder/demo.mp4: No such file or directory" --video /no/such/folder/demo.mp4
refused 1 "cannot write $out/no/demo.wav: No such file or directory" --audio "$out/no/demo.wav"
refused 1 "cannot write /no/such/sheet.png" --contact-sheet /no/such/sheet.png --out "$out/frames"
refused 1 "cannot make $out/a-file/frames" --out "$out/a-file/frames"
if [ -e "$out/demo.avi" ] || [ -e "$out/demo.mp4" ] || [ -n "$(ls -A "$out/frames" 2>/dev/null)" ]; then
    fail "a refused run left a file"
fi
# Nothing to write (the one frame asked for is the end, which is never drawn): refused
# before the output folder is made.
SDL_VIDEODRIVER=none-such "$capture" --at 17312 --out "$out/late" 2>"$out/stderr"
got=$?
[ $got -eq 1 ] && grep -q "no frame to write" "$out/stderr" || fail "--at 17312 ended with $got: $(cat "$out/stderr")"
[ -e "$out/late" ] && fail "a run with no frame to write made its output folder"

# The sound alone: no drawing, so no video driver is needed. One second: 44,100
# stereo frames of 4 bytes after a 44-byte header.
SDL_VIDEODRIVER=none-such "$capture" --audio "$out/second.wav" --range 100:200 2>"$out/stderr" ||
    fail "--audio failed: $(cat "$out/stderr")"
[ "$(stat -c %s "$out/second.wav")" -eq $(( 44 + 44100 * 4 )) ] || fail "second.wav has the wrong size"

# interrupt SIGNAL CODE ARGS...: starts a long capture, waits for its first output,
# signals it and checks the exit code, the time it took and what is left.
interrupt() {
    local signal=$1 code=$2
    shift 2
    SDL_VIDEODRIVER=offscreen "$capture" --range 0:17000 --size 160x120 "$@" 2>"$out/stderr" &
    local pid=$!
    for _ in $(seq 200); do
        [ -n "$(ls -A "$out/run" 2>/dev/null)" ] && break
        sleep 0.1
    done
    sleep 0.5
    local started=$(now_ms)
    kill -s "$signal" $pid
    wait $pid
    local got=$? took=$(( $(now_ms) - started ))
    [ $got -eq "$code" ] || fail "$signal: exit code $got, not $code: $(cat "$out/stderr")"
    [ $took -lt 10000 ] || fail "$signal: took $took ms to stop"
    [ -n "$(find "$out/run" -name '*.part-*')" ] && fail "$signal left a temporary file: $(ls -A "$out/run")"
    return 0
}

mkdir -p "$out/run"
interrupt TERM 143 --video "$out/run/demo.mp4"
[ -e "$out/run/demo.mp4" ] && fail "SIGTERM left an unfinished video"

rm -rf "$out/run"
interrupt INT 130 --out "$out/run" --contact-sheet "$out/run/sheet.png"
[ -e "$out/run/sheet.png" ] && fail "Ctrl-C left a contact sheet"
for f in "$out"/run/frame_*.png; do
    [ "$(tail -c 8 "$f" | head -c 4)" = "IEND" ] || fail "$(basename "$f") is not complete"
done

echo "PASS: conventions, refusals before drawing, sound alone, interruptions"
