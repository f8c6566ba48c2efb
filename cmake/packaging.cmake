# Release packages, made with `cmake --build --preset <preset> --target package`:
#   win32, win64: quorvantile-VERSION-win32.zip or -win64.zip, the stripped demo
#            (quorvantile.exe), the same program packed (quorvantile-64k.exe, at
#            most 65,536 bytes for 32-bit Windows), README.txt and quorvantile.html.
#   release: quorvantile_VERSION_amd64.deb, the demo and its tools in /usr/bin with
#            their shared-library dependencies declared, the demo's entry and icon
#            in the applications menu, and quorvantile.html in /usr/share/quorvantile.
# quorvantile.html is the browser demo in one file, made by the web preset; making a
# package builds it there first (configuring the preset where it is not yet).
set(CPACK_PACKAGE_NAME quorvantile)
set(CPACK_PACKAGE_VENDOR "quorvantile")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time 3D demo with its own XM music player")
set(CPACK_PACKAGE_HOMEPAGE_URL "http://quorvantile.example")
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)

set(QV_WEB_BUILD ${CMAKE_SOURCE_DIR}/build/web)
if(NOT EMSCRIPTEN)
    install(CODE "
        if(NOT EXISTS \"${QV_WEB_BUILD}/build.ninja\")
            execute_process(COMMAND \"${CMAKE_COMMAND}\" --preset web WORKING_DIRECTORY \"${CMAKE_SOURCE_DIR}\"
                            OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
        endif()
        execute_process(COMMAND \"${CMAKE_COMMAND}\" --build --preset web --target quorvantile_single_file
                        WORKING_DIRECTORY \"${CMAKE_SOURCE_DIR}\" OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)"
        COMPONENT demo)
endif()

if(WIN32)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(windows win64)
        set(QV_WINDOWS_NEEDS "64-bit Windows")
        set(QV_WINDOWS_PROCESSOR "on an x86-64 processor.")
    else()
        set(windows win32)
        set(QV_WINDOWS_NEEDS "Windows XP or later")
        set(QV_WINDOWS_PROCESSOR "on any x86 processor with SSE2.")
    endif()
    install(TARGETS quorvantile RUNTIME DESTINATION . COMPONENT demo)
    # The packed program: the stripped exe compressed by an LZMA exe packer (UPX from
    # Debian, which scripts/setup installs), so that it unpacks itself in memory when
    # started. The unpacked exe stays the default: packed programs can trip virus
    # scanners' heuristics. Installed as a file, so that CPack does not strip it.
    find_program(QV_UPX NAMES upx upx-ucl)
    if(QV_UPX)
        set(QV_PACKED_EXE ${CMAKE_BINARY_DIR}/quorvantile-64k.exe)
        add_custom_command(OUTPUT ${QV_PACKED_EXE}
            COMMAND ${CMAKE_STRIP} -o ${QV_PACKED_EXE}.stripped $<TARGET_FILE:quorvantile>
            COMMAND ${QV_UPX} -qqq --best --lzma -f -o ${QV_PACKED_EXE} ${QV_PACKED_EXE}.stripped
            COMMAND ${CMAKE_COMMAND} -E rm ${QV_PACKED_EXE}.stripped
            DEPENDS quorvantile $<TARGET_FILE:quorvantile>
            COMMENT "Packing quorvantile-64k.exe"
            VERBATIM)
        add_custom_target(quorvantile_packed ALL DEPENDS ${QV_PACKED_EXE})
        install(PROGRAMS ${QV_PACKED_EXE} DESTINATION . COMPONENT demo)
    else()
        message(WARNING "No exe packer (upx): quorvantile-64k.exe is not made; scripts/setup installs it")
    endif()
    # Notepad on older Windows wants CRLF.
    configure_file(${CMAKE_SOURCE_DIR}/packaging/README.txt ${CMAKE_BINARY_DIR}/README.txt @ONLY
                   NEWLINE_STYLE CRLF)
    install(FILES ${CMAKE_BINARY_DIR}/README.txt ${QV_WEB_BUILD}/quorvantile.html DESTINATION . COMPONENT demo)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME quorvantile-${PROJECT_VERSION}-${windows})
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
    include(GNUInstallDirs)
    install(TARGETS quorvantile RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT demo)
    foreach(tool quorvantile-inspect quorvantile-capture quorvantile-xm)
        if(TARGET ${tool})
            install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT demo)
        endif()
    endforeach()
    # Debian wants the changelog and the manual pages compressed, without timestamps.
    set(compressed ${CMAKE_BINARY_DIR}/packaging)
    file(MAKE_DIRECTORY ${compressed})
    # SOURCE=INSTALLED: the page in packaging/ and the name it is installed under.
    foreach(page changelog=changelog quorvantile.6=quorvantile.6 quorvantile-capture.1=quorvantile-capture.1
                 assets-tool.1=quorvantile-inspect.1 quorvantile-xm.1=quorvantile-xm.1)
        string(REPLACE "=" ";" names ${page})
        list(GET names 0 source)
        list(GET names 1 installed)
        execute_process(COMMAND gzip -n -9 -c ${CMAKE_SOURCE_DIR}/packaging/${source}
                        OUTPUT_FILE ${compressed}/${installed}.gz)
    endforeach()
    # In the applications menu: the entry and the icon (made by tools/icon/make_icon.sh).
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/quorvantile.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT demo)
    foreach(size 48x48 128x128 256x256)
        install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/${size}/quorvantile.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps COMPONENT demo)
    endforeach()
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${compressed}/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvantile COMPONENT demo)
    install(FILES ${compressed}/quorvantile.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT demo)
    install(FILES ${QV_WEB_BUILD}/quorvantile.html DESTINATION ${CMAKE_INSTALL_DATADIR}/quorvantile COMPONENT demo)
    install(FILES ${compressed}/quorvantile-capture.1.gz ${compressed}/quorvantile-inspect.1.gz
                  ${compressed}/quorvantile-xm.1.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT demo)
    set(CPACK_GENERATOR DEB)
    set(CPACK_COMPONENTS_ALL demo)
    set(CPACK_DEB_COMPONENT_INSTALL OFF)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "quorvantile developers <dev@quorvantile.example>")
    set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # Mesa's drivers come with libgl1 but are not a shared-library dependency.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
    string(CONCAT CPACK_PACKAGE_DESCRIPTION
        "Fourteen procedurally generated scenes on three timeline tracks for 173\n"
        "seconds, with music from its own XM player and software mixer. Every texture,\n"
        "mesh, glyph and sound is made at start-up from tables inside the program.\n"
        "The tools capture it as PNG frames or a video with sound, show its textures,\n"
        "meshes and timeline, and render, describe or play any XM module.")
endif()
include(CPack)
