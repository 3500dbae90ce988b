# Cross-compiling toolchain: 64-bit Windows with the MinGW-w64 POSIX-threads compiler. The library's
# target is the 32-bit DLL; this build runs the same Windows code under 64-bit Wine on machines whose
# kernel cannot start 32-bit programs (see docs/platforms.md).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QVO_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
# Tests and the tour run under 64-bit Wine in the prefix build/wineprefix64.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run;--win64)
