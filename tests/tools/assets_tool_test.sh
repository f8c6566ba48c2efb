#!/usr/bin/env bash
# The inspection program as people and scripts use it: its command line, frame times
# taken as whole centiseconds, and a full disk that leaves only whole files behind.
#   assets_tool_test.sh TOOL WORK_DIR
set -uo pipefail
tool=$1 dir=$2
fail() { echo "FAIL: $*"; [ -n "${mounted:-}" ] && umount "$dir/full"; exit 1; }
rm -rf "$dir" && mkdir -p "$dir"

# expect CODE TEXT ARGS...: exit code, and one line on stderr holding TEXT.
expect() {
    local code=$1 text=$2 status=0
    shift 2
    "$tool" "$@" >"$dir/out.txt" 2>"$dir/err.txt" || status=$?
    [ "$status" -eq "$code" ] || fail "'$*' ended with $status, not $code: $(cat "$dir/err.txt")"
    [ "$(wc -l <"$dir/err.txt")" -eq 1 ] || fail "'$*' did not write one line: $(cat "$dir/err.txt")"
    grep -F -- "$text" "$dir/err.txt" >/dev/null || fail "'$*' said: $(cat "$dir/err.txt")"
}

# ---- Command line
for command in "" textures meshes timeline; do
    # shellcheck disable=SC2086
    "$tool" $command --help >"$dir/out.txt" 2>&1 || fail "'$command --help' failed"
    grep -q "^usage: quorvantile-inspect" "$dir/out.txt" || fail "no usage for '$command': $(cat "$dir/out.txt")"
done
"$tool" --version | grep -qx "quorvantile-inspect [0-9][0-9.]*" || fail "no version"
expect 2 "a sub-command is needed"
expect 2 "unknown sub-command paint" paint
expect 2 "unknown option --loud" --loud
expect 2 "unknown option --loud" textures "$dir/t" --loud
expect 2 "one operand is needed" textures
expect 2 "one operand is needed" meshes "$dir/a" "$dir/b"
expect 2 "missing value after --at" timeline --at
# Frame times are whole centiseconds from 0 to the last frame before the end.
for bad in nan inf -inf -1 17312 99999999 1.5 1e3 " 5" 12cs ""; do
    expect 2 "--at takes whole centiseconds from 0 to 17311" timeline --at "$bad"
done
"$tool" timeline --at 0 --at 17311 >"$dir/out.txt" || fail "good times refused"
grep -c "^t = " "$dir/out.txt" | grep -qx 2 || fail "two times, not $(grep -c "^t = " "$dir/out.txt") reports"
grep -qx "t = 17311.00 cs" "$dir/out.txt" || fail "the last frame time is not printed exactly"

for bad in -1 17312 1.5 x; do
    expect 2 "--at takes whole centiseconds from 0 to 17311" meshes "$dir/m" --at "$bad"
done

# ---- Animated meshes: one row and one OBJ per animation and time, each OBJ with the
# row's triangles; what a time gives does not depend on the times asked before it.
"$tool" meshes "$dir/a" --at 0 --at 5000 --at 17311 >/dev/null 2>&1 || fail "meshes --at failed"
"$tool" meshes "$dir/b" --at 5000 >/dev/null 2>&1 || fail "meshes --at 5000 failed"
rows=$(tail -n +2 "$dir/a/animated.tsv")
[ "$(wc -l <<<"$rows")" -eq 21 ] || fail "not 7 animations at 3 times: $rows"
while IFS=$'\t' read -r t name parameter mesh _ _ _ indices _; do
    obj="$dir/a/animated_${t}_${name}_${parameter}.obj"
    [ "$(grep -c '^f ' "$obj")" -eq $((indices / 3)) ] || fail "$obj does not hold the $((indices / 3)) triangles of its row"
    [ "$mesh" = 20 ] || [ "$mesh" = 21 ] || fail "$name $parameter rebuilds mesh $mesh"
done <<<"$rows"
[ "$(grep -c "^5000	" "$dir/a/animated.tsv")" -eq 7 ] || fail "no 7 rows at 5000"
diff <(grep "^5000	" "$dir/a/animated.tsv") <(tail -n +2 "$dir/b/animated.tsv") >/dev/null ||
    fail "the meshes at 5000 depend on the times asked before"
for obj in "$dir"/b/animated_*.obj; do
    cmp -s "$obj" "$dir/a/$(basename "$obj")" || fail "$(basename "$obj") depends on the times asked before"
done
[ "$(grep "^0	trail	0" "$dir/a/animated.tsv" | cut -f 8-)" != "$(grep "^17311	trail	0" "$dir/a/animated.tsv" | cut -f 8-)" ] ||
    fail "the trail does not move"

# Output paths are checked before any work, with the system's reason.
touch "$dir/plain"
expect 1 "cannot make $dir/plain/t" textures "$dir/plain/t"
expect 1 "cannot write $dir/none/chart.png: No such file or directory" timeline "$dir/none/chart.png"
expect 1 "cannot write $dir: Is a directory" timeline "$dir"

# ---- A full disk: the system's reason, and every file left is whole.
mkdir -p "$dir/full"
if [ "$(id -u)" -eq 0 ] && mount -t tmpfs -o size=600k tmpfs "$dir/full" 2>/dev/null; then
    mounted=1
    limit=""
else
    # Without root, a file size limit fails the writes the same way.
    limit="ulimit -f 64;"
fi
for command in "textures $dir/full/t" "meshes $dir/full/m" "timeline $dir/full/chart.png"; do
    status=0
    # shellcheck disable=SC2086
    (trap '' XFSZ; eval "$limit"; exec "$tool" $command) >/dev/null 2>"$dir/err.txt" || status=$?
    if [ $status -eq 0 ]; then
        continue   # it fitted
    fi
    [ $status -eq 1 ] || fail "'$command' on a full disk ended with $status"
    grep -E "cannot write .*: (No space left on device|File too large)" "$dir/err.txt" >/dev/null ||
        fail "'$command' on a full disk said: $(cat "$dir/err.txt")"
    full_seen=1
done
[ -n "${full_seen:-}" ] || fail "nothing filled the disk"
leftovers=$(find "$dir/full" -name '.*.part-*')
[ -z "$leftovers" ] || fail "temporaries left: $leftovers"
while read -r png; do
    tail -c 8 "$png" | od -An -c | grep -q "I   E   N   D" || fail "$png is truncated"
done < <(find "$dir/full" -name '*.png')
while read -r table; do
    [ "$(tail -c 1 "$table" | od -An -c | tr -d ' ')" = '\n' ] || fail "$table is truncated"
done < <(find "$dir/full" -name '*.tsv' -o -name '*.obj')
[ -n "${mounted:-}" ] && umount "$dir/full"
echo "PASS: command line, whole-centisecond times, animated meshes, checked paths and a full disk"
