#!/usr/bin/env bash
# The shipped program links none of the C++ runtime's heavy parts: no std::string,
# no stdexcept or exceptions' machinery, no streams, no demangler, no winpthread and
# not MinGW's C99 printf engine. Reads the program's symbols with nm (the Windows
# programs are linked statically, so whatever was pulled in shows by name).
#   runtime_free_test.sh NM PROGRAM
set -uo pipefail
nm=$1 program=$2
if [ ! -f "$program" ]; then
    echo "SKIP: $program is not built"
    exit 0
fi
symbols=$("$nm" -C "$program" 2>&1) || { echo "FAIL: $nm could not read $program: $symbols"; exit 1; }
if [ -z "$symbols" ] || grep -q "no symbols" <<<"$symbols"; then
    echo "FAIL: $program has no symbols to read (stripped?)"
    exit 1
fi
failed=0
# check WHAT PATTERN: a piece of the runtime and the symbols that betray it.
check() {
    local found
    found=$(grep -E "$2" <<<"$symbols" | head -5)
    if [ -n "$found" ]; then
        echo "FAIL: $program links $1:"
        echo "$found"
        failed=1
    fi
}
check "std::string" 'basic_string|char_traits'
check "stdexcept" 'logic_error|runtime_error|length_error|out_of_range|__throw_'
check "exceptions" '__cxa_throw|__cxa_begin_catch|__gxx_personality|bad_alloc|_Unwind_Resume'
check "iostream" 'ios_base|basic_ostream|basic_istream|basic_streambuf'
check "the demangler" '__cxa_demangle|d_print_comp|d_demangle'
check "threads of the runtime" 'pthread_|std::thread'
check "the C99 printf engine" '__mingw_pformat|__pformat_|__gdtoa|__mingw_vfprintf|__mingw_vsnprintf'
[ $failed -eq 0 ] || exit 1
echo "PASS: $program links no std::string, stdexcept, exceptions, iostream, demangler, runtime threads or C99 printf"
