# Sourced by the layer and browser tests: image comparison through ImageMagick.
# psnr A B: the peak signal-to-noise ratio of B against A in dB on stdout (99 for
# identical images); fails when either cannot be read or the sizes differ.
psnr() {
    local out
    out=$(compare -metric PSNR "$1" "$2" null: 2>&1 >/dev/null)
    case "$out" in
        inf*) echo 99 ;;
        [0-9]*) echo "${out%% *}" ;;
        *) echo "psnr: $1 against $2: $out" >&2; return 1 ;;
    esac
}

# at_least VALUE LIMIT: true when VALUE >= LIMIT (decimals allowed).
at_least() {
    awk -v v="$1" -v l="$2" 'BEGIN { exit !(v >= l) }'
}

# compare_pair LABEL A B LIMIT: prints LABEL and B's PSNR against A; below LIMIT, or
# when the two cannot be compared, says where to look and is false.
compare_pair() {
    local value
    value=$(psnr "$2" "$3") || return 1
    printf '%-20s %6s dB
' "$1" "$value"
    at_least "$value" "$4" || { echo "  below $4 dB: look at $2 and $3"; return 1; }
}
