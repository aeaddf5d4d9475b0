# The deliverable: 32-bit x86 Windows programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
include(${CMAKE_CURRENT_LIST_DIR}/require.cmake)
tk_need_program(tk_cross_cxx
  "${CMAKE_CXX_COMPILER} was not found: install the Debian packages \
g++-mingw-w64-i686-posix and binutils-mingw-w64-i686 (sh scripts/install-deps.sh build)"
  ${CMAKE_CXX_COMPILER})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Every program of this build runs through qemu-i386 and Wine's 32-bit
# loader with the build tree's own prefix (the state directory is the build
# tree's wine/, brought up by wine32-session.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/wine32-run.sh ${CMAKE_BINARY_DIR}/wine)
