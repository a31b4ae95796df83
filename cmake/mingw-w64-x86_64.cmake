# Cross build for 64-bit Windows with the MinGW-w64 compiler of Debian
# (package g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DNAKILON_GUI=OFF -DNAKILON_BENCH=OFF
# The posix flavour is needed for std::thread and std::mutex. Everything is
# linked statically so that the programs and DLLs run under Wine (or on a
# bare Windows machine) without the compiler's runtime DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(NAKILON_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${NAKILON_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NAKILON_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${NAKILON_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${NAKILON_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Lets CTest (and test discovery) run the Windows programs on this machine.
find_program(NAKILON_WINE NAMES wine wine64)
if(NAKILON_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${NAKILON_WINE})
endif()
