# Cross-building the 32-bit Windows program with MinGW-w64 (posix threads model).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QV_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
