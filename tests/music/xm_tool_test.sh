#!/usr/bin/env bash
# The XM tool on a good module, a rejected file and its help texts.
set -euo pipefail
tool=$1 fixtures=$2 dir=$3
rm -rf "$dir" && mkdir -p "$dir"
"$fixtures" demo "$dir/demo.xm"

"$tool" render "$dir/demo.xm" -o "$dir/demo.wav" --seconds 1.5 --rate 22050 >/dev/null
size=$(stat -c %s "$dir/demo.wav")
[ "$size" -eq $((44 + 22050 * 3 / 2 * 4)) ] || { echo "unexpected WAV size $size"; exit 1; }

"$tool" info "$dir/demo.xm" | grep -q "channels: 4" || { echo "info lacks the channel count"; exit 1; }

head -c 500 /dev/urandom > "$dir/junk.xm"
for command in "render $dir/junk.xm -o $dir/junk.wav" "info $dir/junk.xm" "render $dir/missing.xm -o $dir/junk.wav"; do
    if $tool $command >"$dir/out.txt" 2>"$dir/err.txt"; then
        echo "'$command' succeeded"; exit 1
    fi
    [ "$(wc -l < "$dir/err.txt")" -eq 1 ] || { echo "'$command' wrote more than one line"; exit 1; }
    [ ! -e "$dir/junk.wav" ] || { echo "'$command' left an output file"; exit 1; }
done

for command in render info play; do
    "$tool" "$command" --help | grep -q "quorvantile-xm $command" || { echo "no help for $command"; exit 1; }
done
echo "xm tool: ok"
