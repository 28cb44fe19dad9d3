# Shared by the MinGW-w64 toolchain files: cross-compiles for Windows with Debian's MinGW-w64
# compilers. ZEV_MINGW_TRIPLE names the target (x86_64-w64-mingw32 or i686-w64-mingw32).
#
# The -posix compilers, because only their thread model has std::mutex and std::thread in
# GCC 12. The programs are linked statically, libstdc++, libgcc and winpthread included, so
# that an .exe runs on its own: no DLL has to travel beside it.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${ZEV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEV_MINGW_TRIPLE}-windres)

# Libraries and headers come from the MinGW tree only, never from the host's /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${ZEV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ZLIB_USE_STATIC_LIBS ON)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
