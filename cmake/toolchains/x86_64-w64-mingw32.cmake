# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 compilers in
# their posix-thread flavour (g++-mingw-w64-x86-64-posix), which provides
# std::thread and std::mutex. Tests and other programs of the build run
# under wine, so that ctest runs every test for Windows on the build machine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(KELVARA_TARGET_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KELVARA_TARGET_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KELVARA_TARGET_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KELVARA_TARGET_TRIPLE}-windres)

set(KELVARA_TARGET_SYSROOT /usr/${KELVARA_TARGET_TRIPLE})
list(APPEND CMAKE_FIND_ROOT_PATH ${KELVARA_TARGET_SYSROOT})
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(KELVARA_WINE wine)
if(KELVARA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KELVARA_WINE})
endif()
