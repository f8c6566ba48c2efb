#!/usr/bin/env bash
# The include graph between the demo's folders runs one way, downward through the
# layers: each folder includes only folders of a lower rank, so that no arrow runs
# back up and no two folders include each other, directly or around a circle. The
# build fails for an include of a layer it does not link (cmake/layers.cmake); this
# checks the order itself, whatever the CMake files say.
#   layers_test.sh SOURCE_DIR
set -uo pipefail
cd "$1" || exit 1
# Top to bottom; folders of one rank (core and music) may not include each other.
ranks="app:8 shell:7 engine:6 effects:5 geometry:4 textures:3 core:2 music:2 platform:1 content:0"
rank() { for r in $ranks; do [ "${r%%:*}" = "$1" ] && echo "${r##*:}" && return; done; echo -1; }

wrong=0 edges=0
for entry in $ranks; do
    folder=${entry%%:*} own=${entry##*:}
    while IFS=: read -r file included; do
        [ "$included" = "$folder" ] && continue
        edges=$((edges + 1))
        below=$(rank "$included")
        if [ "$below" -lt 0 ] || [ "$below" -ge "$own" ]; then
            echo "FAIL: $file includes $included/, which is not below $folder/"
            wrong=1
        fi
    done < <(grep -rEo '^#include "[a-z_]+/' "$folder" --include='*.cpp' --include='*.h' |
             sed -E 's/^([^:]*):#include "([a-z_]+)\/$/\1:\2/')
done
[ $wrong -eq 0 ] || exit 1
echo "PASS: $edges includes between folders, every one downward"
