# Cross build for 64-bit Windows with the MinGW-w64 compiler of Debian
# (package g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DNAKILON_BENCH=OFF -DCMAKE_PREFIX_PATH=<Qt for MinGW> \
#         -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
# (scripts/qt-mingw gives the Qt; -DNAKILON_GUI=OFF builds without it).
# The posix flavour is needed for std::thread and std::mutex. The C++ runtime
# is linked one way for every module: as the DLLs that Qt's own DLLs use
# (libstdc++-6, libgcc_s_seh-1, libwinpthread-1), which the build puts beside
# the programs and the installer ships (cmake/WindowsRuntime.cmake). A second,
# static runtime in a program would not share its heap, exceptions or
# streams with Qt's.
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
# A Qt for MinGW sits in a folder of its own, named by CMAKE_PREFIX_PATH: that
# folder is a root of the target too, so that find_package finds it there and
# never takes the build machine's Linux Qt instead.
foreach(prefix IN LISTS CMAKE_PREFIX_PATH)
  list(APPEND CMAKE_FIND_ROOT_PATH ${prefix})
endforeach()

# Lets CTest (and test discovery) run the Windows programs on this machine.
find_program(NAKILON_WINE NAMES wine wine64)
if(NAKILON_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${NAKILON_WINE})
endif()
