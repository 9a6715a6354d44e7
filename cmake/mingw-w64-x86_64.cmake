# Cross build for 64-bit Windows with MinGW-w64 (posix threads), tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KOV_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KOV_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KOV_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KOV_MINGW_PREFIX}-windres)

# Only the MinGW sysroot is searched for headers, libraries and packages: the host's /usr/include
# holds glibc's headers, which must never shadow MinGW's.
set(CMAKE_FIND_ROOT_PATH /usr/${KOV_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static, so the programs need none of MinGW's DLLs beside them (a dynamically linked test
# program exits with status 53 under Wine without a word).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/wine)
