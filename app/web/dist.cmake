# The browser build: build/web/dist, a folder of static files that plays from any
# static server (the page, the module as quorvantile.js and .wasm, the audio worklet
# and the music's own module quorvantile_music.wasm), and build/web/quorvantile.html,
# the same demo as one self-contained file. Included by app/CMakeLists.txt for the
# web preset.
set(QV_DIST ${CMAKE_BINARY_DIR}/dist)
set_target_properties(quorvantile PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QV_DIST} SUFFIX ".js")
target_link_options(quorvantile PRIVATE
    # Fixed: everything is allocated at start-up.
    -sINITIAL_MEMORY=64MB
    -sALLOW_MEMORY_GROWTH=0
    -sMODULARIZE=1
    -sEXPORT_NAME=createQuorvantile
    -sENVIRONMENT=web
    -sMIN_WEBGL_VERSION=2
    -sMAX_WEBGL_VERSION=2
    -sFILESYSTEM=0
    -sEXIT_RUNTIME=0
    # For size (the preset compiles and links with -Oz and LTO): the small allocator
    # (the demo allocates at start-up and hardly frees), no errno for the C library
    # in JavaScript, and nothing of GL beyond the calls the layer makes: the context
    # enables no extension by itself (platform/web/window.cpp), and the layer reads
    # neither GL errors nor strings.
    -sMALLOC=emmalloc
    -sSUPPORT_ERRNO=0
    -sTEXTDECODER=2
    -sDYNAMIC_EXECUTION=0
    -sMIN_CHROME_VERSION=85
    -sMIN_FIREFOX_VERSION=79
    -sMIN_SAFARI_VERSION=140100
    -sGL_SUPPORT_AUTOMATIC_ENABLE_EXTENSIONS=0
    -sGL_SUPPORT_SIMPLE_ENABLE_EXTENSIONS=0
    -sGL_TRACK_ERRORS=0
    -sGL_EXTENSIONS_IN_PREFIXED_FORMAT=0
    -sGL_EMULATE_GLES_VERSION_STRING_FORMAT=0
    --js-library ${CMAKE_SOURCE_DIR}/platform/web/library.js
)
set_property(TARGET quorvantile APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/platform/web/library.js)
# The module's script through the closure compiler (advanced optimisations): the
# names that the page and the worklet share with it are quoted in library.js. The
# compiler comes from npm (scripts/setup installs it into build/closure-compiler);
# emscripten is pointed at it for the link alone.
set(QV_CLOSURE_COMPILER ${CMAKE_SOURCE_DIR}/build/closure-compiler/node_modules/.bin/google-closure-compiler)
if(EXISTS ${QV_CLOSURE_COMPILER})
    target_link_options(quorvantile PRIVATE "SHELL:--closure 1")
    set_property(TARGET quorvantile PROPERTY RULE_LAUNCH_LINK
                 "${CMAKE_COMMAND} -E env EM_CLOSURE_COMPILER=${QV_CLOSURE_COMPILER}")
else()
    message(WARNING "No closure compiler at ${QV_CLOSURE_COMPILER}: the module's script is not minified (scripts/setup installs it)")
endif()

# The music for the audio worklet: the module, player, mixer and block filler as a
# WebAssembly module with no JavaScript of its own, which the worklet instantiates.
# The block filler is music/output.cpp; its device and thread are never called here,
# and the link drops them with every use of the platform.
add_executable(quorvantile_music ${CMAKE_CURRENT_LIST_DIR}/music_worklet.cpp ${CMAKE_SOURCE_DIR}/music/output.cpp)
target_link_libraries(quorvantile_music PRIVATE qv_base qv_music_player)
set_target_properties(quorvantile_music PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QV_DIST} SUFFIX ".wasm")
target_link_libraries(quorvantile_music PRIVATE qv_demo_code)
target_link_options(quorvantile_music PRIVATE
    --no-entry
    -sSTANDALONE_WASM=1
    -sTOTAL_STACK=256KB
    -sINITIAL_MEMORY=4MB
    -sALLOW_MEMORY_GROWTH=1
    -sMALLOC=emmalloc
    -sSUPPORT_ERRNO=0
    -sFILESYSTEM=0
)

# The page as it is; the worklet's script without its comments and with short local
# names (the closure compiler's simple optimisations, which keep every global and
# property name), or as it is where there is no compiler.
add_custom_command(OUTPUT ${QV_DIST}/index.html
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/index.html ${QV_DIST}/index.html
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/index.html
    VERBATIM)
if(EXISTS ${QV_CLOSURE_COMPILER})
    set(QV_COPY_WORKLET ${QV_CLOSURE_COMPILER} --compilation_level SIMPLE --language_out ECMASCRIPT_2020
        --js ${CMAKE_CURRENT_LIST_DIR}/audio_worklet.js --js_output_file ${QV_DIST}/audio_worklet.js)
else()
    set(QV_COPY_WORKLET ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/audio_worklet.js ${QV_DIST}/audio_worklet.js)
endif()
add_custom_command(OUTPUT ${QV_DIST}/audio_worklet.js
    COMMAND ${QV_COPY_WORKLET}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/audio_worklet.js
    VERBATIM)
set(QV_PAGE_OUTPUTS ${QV_DIST}/index.html ${QV_DIST}/audio_worklet.js)
add_custom_target(quorvantile_page ALL DEPENDS ${QV_PAGE_OUTPUTS})

# The single file: the page with the module's script, both WebAssembly modules and
# the worklet inlined.
find_program(QV_NODE NAMES node nodejs REQUIRED)
set(QV_SINGLE_FILE ${CMAKE_BINARY_DIR}/quorvantile.html)
add_custom_command(OUTPUT ${QV_SINGLE_FILE}
    COMMAND ${QV_NODE} ${CMAKE_CURRENT_LIST_DIR}/single_file.mjs ${QV_DIST} ${QV_SINGLE_FILE}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/single_file.mjs ${QV_PAGE_OUTPUTS} quorvantile quorvantile_music
            $<TARGET_FILE:quorvantile> $<TARGET_FILE:quorvantile_music>
    COMMENT "Writing the single file quorvantile.html"
    VERBATIM)
add_custom_target(quorvantile_single_file ALL DEPENDS ${QV_SINGLE_FILE})
