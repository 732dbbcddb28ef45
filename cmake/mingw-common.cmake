# What both Windows toolchains share; mingw-x86_64.cmake and mingw-i686.cmake
# set the triple and the wine loader first. Debian's mingw-w64 in its posix
# threads flavour (std::thread), SSE2 arithmetic so floats and doubles round
# as in the Linux build, and everything linked statically into one .exe.
# CELLRUNE_WINDOWS_PREFIX names the libraries scripts/windows-deps built.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CELLRUNE_WINDOWS_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${CELLRUNE_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR ${wine_loader})
