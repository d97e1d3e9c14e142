# Cross-builds the Windows program on Linux with MinGW-w64, and runs what
# CTest runs under Wine:
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix thread model: with the win32 one GCC 12 has no std::mutex or
# std::thread. Installing the win32 variant moves the unsuffixed names to it,
# so the compilers are named with their suffix.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The W functions of the Windows headers throughout.
set(windows_definitions "-DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX")
set(CMAKE_C_FLAGS_INIT "${windows_definitions}")
set(CMAKE_CXX_FLAGS_INIT "${windows_definitions}")
# Programs start at wmain or wWinMain (-municode) and are one self-contained
# exe: without -static the posix thread model still needs
# libwinpthread-1.dll beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-municode -static -static-libgcc -static-libstdc++")
# CMake's own probes compile a plain main(), which -municode cannot link.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# Test programs run under Wine, in the prefix that WINEPREFIX names.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
