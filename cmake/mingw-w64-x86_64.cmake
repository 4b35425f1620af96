# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix thread
# model, which Qt needs). Used for Qt itself and for Kestro:
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake ...
# script/windows sets CMAKE_PREFIX_PATH to the Qt it builds for Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triple}-windres)
set(CMAKE_AR ${mingw_triple}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${mingw_triple}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries and headers come from the MinGW sysroot and the prefixes given
# (the Windows Qt); programs (moc, uic, rcc) from the Linux host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${mingw_triple} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test executables run under Wine when the emulator is found.
find_program(KESTRO_WINE wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KESTRO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KESTRO_WINE})
endif()
