# Cross-compiles for 64-bit Windows with Debian's mingw-w64 GCC, posix thread model (the
# standard library's threads and mutexes): cmake --toolchain platform/win32/toolchain.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TUVORAN_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TUVORAN_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TUVORAN_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TUVORAN_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TUVORAN_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
