# What both MinGW toolchain files share: the POSIX-threads compilers of QVO_MINGW_TRIPLE and a search
# of libraries, headers and packages in that compiler's own root only.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${QVO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QVO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QVO_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QVO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
