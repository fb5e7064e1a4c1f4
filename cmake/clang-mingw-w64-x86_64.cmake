# Cross-compiles for 64-bit Windows with clang and lld, against the same MinGW-w64 headers and
# libraries as cmake/mingw-w64-x86_64.cmake; the results run here under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET ${triple})
# The MinGW-w64 headers and libraries, and nothing of this system's own under /usr.
set(CMAKE_SYSROOT /usr/${triple})
# The C++ runtime of g++'s POSIX threading flavour, as in the g++ build (GoogleTest needs
# std::mutex): clang does not find it by itself, since Debian names its folder 12-posix rather
# than by a version alone.
execute_process(COMMAND ${triple}-g++-posix -print-libgcc-file-name
  OUTPUT_VARIABLE libgcc OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(gcc_dir "${libgcc}" DIRECTORY)
set(cxx_headers ${gcc_dir}/include/c++)
set(CMAKE_CXX_FLAGS_INIT
  "-isystem ${cxx_headers} -isystem ${cxx_headers}/${triple} -isystem ${cxx_headers}/backward")
# -pthread links winpthread, which that runtime needs, as g++'s POSIX flavour does.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -pthread -L${gcc_dir}")
# LLVM's resource compiler, beside the clang that CMake finds: llvm-rc behind windres' options.
execute_process(COMMAND clang -print-prog-name=llvm-windres
  OUTPUT_VARIABLE CMAKE_RC_COMPILER OUTPUT_STRIP_TRAILING_WHITESPACE)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
