# What the Windows cross-builds share; cmake/mingw-i686.cmake and
# cmake/mingw-x86_64.cmake name the target and include this.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${QV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QV_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# One self-contained exe, byte-identical across builds.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
# SSE2 arithmetic, as on x86-64 (where it is the default): x87 keeps intermediates
# at 80 bits and rounds them where register pressure decides, which changes the
# generated textures and meshes.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# The Windows presets build their release with -Os: a program a tenth smaller than at
# -O2 (and packed within 64 KiB), with the same results (no fast-math); the frame
# time is the GL driver's, and the start-up's cost is measured by bench/ (the Linux
# builds stay at -O2). No LTO: GCC 12's LTO crashes linking the inspection program.
