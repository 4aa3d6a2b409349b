# Cross-compiles for Windows with mingw-w64 (posix threads). The including
# toolchain file names the processor and the target triple.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${CK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${CK_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests of the Windows builds run under Wine, each in a prefix of its own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/winerun.sh)
