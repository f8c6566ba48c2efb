# The demo's folders are layers: each builds as one static library that links only
# the layers below it. A layer's public include directory holds nothing but a link
# to its own folder, so that a file sees its own folder's headers and those of the
# layers it links, and an include of a layer above it fails to build; a call upward
# fails to link wherever a program or test links a lower layer alone.
#
#   qv_add_layer(TARGET FOLDER [DEPENDS layers and libraries...] [SOURCES files...])
function(qv_add_layer target folder)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    set(view ${CMAKE_BINARY_DIR}/layers/${target})
    file(MAKE_DIRECTORY ${view})
    if(NOT EXISTS ${view}/${folder})
        file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
    endif()
    add_library(${target} STATIC ${ARG_SOURCES})
    target_include_directories(${target} PUBLIC ${view})
    target_link_libraries(${target} PUBLIC qv_warnings ${ARG_DEPENDS})
endfunction()
