# The browser build's folder of static files, build/web/dist: the page, the module
# (quorvantile.js, .wasm, and .worker.js for its threads) and the audio worklet.
# Included by the top-level CMakeLists.txt for the web preset.
set(QV_DIST ${CMAKE_BINARY_DIR}/dist)
set_target_properties(quorvantile PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QV_DIST} SUFFIX ".js")
target_link_options(quorvantile PRIVATE
    -pthread
    # One worker made with the module, so the music thread starts without waiting
    # for the page's event loop.
    -sPTHREAD_POOL_SIZE=1
    # Fixed: a growing shared memory would leave the audio worklet's view behind.
    -sINITIAL_MEMORY=64MB
    -sALLOW_MEMORY_GROWTH=0
    -sMODULARIZE=1
    -sEXPORT_NAME=createQuorvantile
    -sENVIRONMENT=web,worker
    -sMIN_WEBGL_VERSION=2
    -sMAX_WEBGL_VERSION=2
    -sFILESYSTEM=0
    -sEXIT_RUNTIME=0
    --js-library ${CMAKE_SOURCE_DIR}/platform/web/library.js
)
set_property(TARGET quorvantile APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/platform/web/library.js)

set(QV_PAGE_FILES index.html audio_worklet.js)
set(QV_PAGE_OUTPUTS)
foreach(file ${QV_PAGE_FILES})
    add_custom_command(OUTPUT ${QV_DIST}/${file}
        COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/platform/web/${file} ${QV_DIST}/${file}
        DEPENDS ${CMAKE_SOURCE_DIR}/platform/web/${file}
        VERBATIM)
    list(APPEND QV_PAGE_OUTPUTS ${QV_DIST}/${file})
endforeach()
add_custom_target(quorvantile_page ALL DEPENDS ${QV_PAGE_OUTPUTS})
