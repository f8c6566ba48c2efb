# The demo's folders are layers: each builds as one static library that links only
# the layers below it. A layer's public include directory holds nothing but a link
# to its own folder, so that a file sees its own folder's headers and those of the
# layers it links, and an include of a layer above it fails to build; a call upward
# fails to link wherever a program or test links a lower layer alone.
#
#   qv_add_layer(TARGET FOLDER [DEPENDS layers and libraries...] [SOURCES files...])
#
# The demo's code is built without the C++ runtime's machinery (qv_demo_code): no
# exceptions, no RTTI, no thread-safe guards on function-local statics. Nothing of
# it throws (an allocation that fails ends the run with "Not Enough Memory."), and
# the shipped program links neither the unwinder nor the runtime's strings, streams
# and threads. The tools and tests keep exceptions: they link these same libraries
# and catch what the runtime throws in their own code (tools/common RunTool). Such
# a throw may pass through the demo's frames (a tool's operator new failing in a
# vector the demo fills), so every layer is built with -funwind-tables as well:
# -fno-exceptions leaves a function's unwind tables out on some targets (32-bit
# MinGW's DWARF unwinding), and a frame without them between a throw and its catch
# would end the process. With the tables in every layer's every object, no library
# of the build can be without them; they cost the shipped program only its
# .eh_frame, which the packer squeezes to little.
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
    target_link_libraries(${target} PRIVATE qv_demo_code)
endfunction()

add_library(qv_demo_code INTERFACE)
target_compile_options(qv_demo_code INTERFACE
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fno-threadsafe-statics>
    $<$<NOT:$<BOOL:${EMSCRIPTEN}>>:-funwind-tables>)
