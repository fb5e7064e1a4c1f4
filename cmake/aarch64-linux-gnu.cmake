# Cross-compiles for 64-bit ARM Linux with Debian's cross compiler (g++-aarch64-linux-gnu); the
# results run here under qemu-user.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(triple aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${triple}-gcc)
set(CMAKE_CXX_COMPILER ${triple}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# By its full path, which a test's PATH cannot hide. The programs load Debian's arm64 C library
# (libc6:arm64), installed beside this system's: on the cross compiler's copy (-L
# /usr/aarch64-linux-gnu, 2.36-8cross1), the child of a fork hangs under qemu 7.2.
find_program(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 REQUIRED)
