# Cross-compiling toolchain: 32-bit Windows with the MinGW-w64 POSIX-threads compiler.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QVO_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
# Tests and the tour run under Wine in the 32-bit prefix build/wineprefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
