#!/usr/bin/env bash
# A 32-bit Wine test on a kernel that cannot execute 32-bit programs (run under
# scripts/without-32bit): it must say SKIP with the reason and end with code 0, having
# started nothing (no Wine prefix, and far sooner than Wine could start: 10 s is a
# bound that a busy machine does not reach, nor a test that started Wine miss).
#   wine_skip_test.sh WINE_TEST_SCRIPT EXE WORK_DIR
set -uo pipefail
script=$1 exe=$2 work=$3
rm -rf "$work"
start=$(date +%s%N)
out=$("$script" 32 "$exe" "$work" 2>&1)
rc=$?
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
fail() { echo "FAIL: $*"; exit 1; }
[ $rc -eq 0 ] || fail "ended with $rc: $out"
grep -q "^SKIP: this kernel cannot execute 32-bit programs" <<<"$out" || fail "no SKIP line: $out"
[ "$elapsed_ms" -lt 10000 ] || fail "took $elapsed_ms ms to decide"
[ ! -e "$work/prefix32" ] || fail "a Wine prefix was made"
echo "PASS: skipped in $elapsed_ms ms with '$out'"
