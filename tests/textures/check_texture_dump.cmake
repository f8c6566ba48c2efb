# Runs `quorvantile-inspect textures OUT` and checks what it wrote: a PNG per layer
# and texture, the sheets, and a manifest row per curve, layer and texture.
# Usage: cmake -DINSPECT=<tool> -DOUT=<dir> -P check_texture_dump.cmake
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${INSPECT} textures ${OUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "quorvantile-inspect textures failed: ${result}")
endif()
foreach(name textures.png layers.png curves.png layer_00.png layer_28.png texture_00.png texture_32.png)
    if(NOT EXISTS ${OUT}/${name})
        message(FATAL_ERROR "${name} missing")
    endif()
endforeach()
file(STRINGS ${OUT}/manifest.tsv rows)
list(LENGTH rows count)
if(NOT count EQUAL 91)
    message(FATAL_ERROR "manifest.tsv has ${count} lines, expected a header and 90 rows")
endif()
list(GET rows 0 header)
list(GET rows 1 firstCurve)
list(GET rows 29 firstLayer)
list(GET rows 57 lastLayer)
list(GET rows 58 firstTexture)
list(GET rows 90 lastTexture)
foreach(check
        "kind\tnumber\tsize\tfnv1a64|${header}"
        "^curve\t1\t256\t[0-9a-f]+$|${firstCurve}"
        "^layer\t0\t128x128\t[0-9a-f]+$|${firstLayer}"
        "^layer\t28\t128x128\t[0-9a-f]+$|${lastLayer}"
        "^texture\t0\t128x128\t[0-9a-f]+$|${firstTexture}"
        "^texture\t32\t128x128\t[0-9a-f]+$|${lastTexture}")
    string(REPLACE "|" ";" parts "${check}")
    list(GET parts 0 pattern)
    list(GET parts 1 row)
    string(REPLACE "\\t" "\t" pattern "${pattern}")
    if(NOT row MATCHES "${pattern}")
        message(FATAL_ERROR "manifest row '${row}' does not match '${pattern}'")
    endif()
endforeach()
