# Shared set-up of the tests that run the Windows programs under Wine. Source it,
# then call `use_wine BITS WORK_DIR`: it picks Wine's loader and server for 32- or
# 64-bit programs, gives each its own prefix under WORK_DIR and defines `wine_run`
# and `wine_stop`.
#
# Some kernels cannot execute 32-bit programs at all (no IA-32 emulation, common in
# virtual machines), and then no 32-bit Windows program can run under Wine there.
# For 32 bits use_wine first runs a 32-bit probe of its own and, where the kernel
# refuses it, prints "SKIP: ..." and ends the test with code 0; CTest reports the
# test as skipped with that reason. The 64-bit loader runs everywhere and is called
# directly: /usr/bin/wine would choose the 32-bit loader whenever wine32 is installed.

WINE_LIB=${WINE_LIB:-/usr/lib/wine}

# A minimal static 32-bit x86 Linux program that exits with code 0: an ELF header, one
# program header and `mov eax, 1; xor ebx, ebx; int 0x80`.
write_32bit_probe() {
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000'          >"$1"  # ident
    printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$1"  # exec, i386, entry
    printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000' >>"$1"  # sizes, 1 phdr
    printf '\000\000\000\000'                                                  >>"$1"
    printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >>"$1"  # PT_LOAD at 0x8048000
    printf '\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000' >>"$1"  # 93 bytes, r-x
    printf '\270\001\000\000\000\061\333\315\200'                              >>"$1"  # exit(0)
    chmod +x "$1"
}

# True when this kernel runs 32-bit programs.
kernel_runs_32bit() {
    local probe
    probe=$(mktemp) || return 1
    write_32bit_probe "$probe"
    { "$probe"; } 2>/dev/null   # also the shell's report of a killed probe
    local rc=$?
    rm -f "$probe"
    return $rc
}

use_wine() {
    local bits=$1 work=$2
    case $bits in
    32)
        kernel_runs_32bit || {
            echo "SKIP: this kernel cannot execute 32-bit programs, so no 32-bit Windows program runs under Wine here"
            exit 0
        }
        WINE_LOADER=$WINE_LIB/wine ;;
    64) WINE_LOADER=$WINE_LIB/wine64 ;;
    *) echo "FAIL: use_wine takes 32 or 64, not $bits"; exit 1 ;;
    esac
    [ -x "$WINE_LOADER" ] || { echo "FAIL: no Wine loader for $bits-bit programs at $WINE_LOADER"; exit 1; }
    # The 64-bit server serves both kinds of program; the 32-bit one where it is alone.
    WINESERVER=$WINE_LIB/wineserver64
    [ -x "$WINESERVER" ] || WINESERVER=$WINE_LIB/wineserver32
    export WINELOADER=$WINE_LOADER WINESERVER
    export WINEPREFIX="$work/prefix$bits" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        "$WINE_LOADER" wineboot -i >/dev/null 2>&1
        "$WINESERVER" -w
    fi
}

wine_run() {
    "$WINE_LOADER" "$@"
}

wine_stop() {
    "$WINESERVER" -k 2>/dev/null
}
