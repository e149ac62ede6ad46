# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix threads, which
# std::thread and std::jthread need), the programs run under Wine.
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes and winpthread linked in, so a program runs from a
# plain folder without MinGW's DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Tests (and gtest_discover_tests) run the programs under Wine, with a prefix
# of the build's own and Wine's chatter off. The prefix comes from
# OMBREL_WINEPREFIX in the environment, else it sits in the build directory.
set(OMBREL_WINE /usr/lib/wine/wine64 CACHE FILEPATH "Wine loader for 64-bit programs")
if(DEFINED ENV{OMBREL_WINEPREFIX})
  set(OMBREL_WINEPREFIX "$ENV{OMBREL_WINEPREFIX}" CACHE PATH "Wine prefix of the tests")
else()
  set(OMBREL_WINEPREFIX "${CMAKE_BINARY_DIR}/wine-prefix" CACHE PATH "Wine prefix of the tests")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR
    /usr/bin/env WINEPREFIX=${OMBREL_WINEPREFIX} WINEDEBUG=-all ${OMBREL_WINE})

# The Qt for Windows that scripts/qt-windows.sh builds: its libraries and
# CMake packages from its prefix, its moc, uic and rcc from the host's Qt of
# the same version.
if(OMBREL_QT_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${OMBREL_QT_PREFIX})
  list(APPEND CMAKE_PREFIX_PATH ${OMBREL_QT_PREFIX})
  set(QT_HOST_PATH /usr)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
endif()

# Release programs without their symbol tables: the Qt linked in would
# otherwise double their size.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
