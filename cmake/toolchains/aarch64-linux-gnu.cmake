# Cross-compiles for the robot controller, Linux on 64-bit ARM, with Debian's
# cross compiler (g++-aarch64-linux-gnu). Tests and other programs of the
# build run under user-mode emulation (qemu-aarch64 from qemu-user), so that
# ctest runs every test for aarch64 on the build machine.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(KELVARA_TARGET_TRIPLE aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${KELVARA_TARGET_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${KELVARA_TARGET_TRIPLE}-g++)

# The cross sysroot that Debian's cross packages install into. More roots,
# such as the install of a WPILib built for the target, can be given with
# -DCMAKE_FIND_ROOT_PATH=<dir>.
set(KELVARA_TARGET_SYSROOT /usr/${KELVARA_TARGET_TRIPLE})
list(APPEND CMAKE_FIND_ROOT_PATH ${KELVARA_TARGET_SYSROOT})
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
# Programs come from the build machine; libraries, headers and packages only
# from the root paths, so that no x86-64 library is taken by mistake.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(KELVARA_QEMU_AARCH64 qemu-aarch64)
if(KELVARA_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KELVARA_QEMU_AARCH64} -L ${KELVARA_TARGET_SYSROOT})
endif()
