# Cross-compiling for 64-bit Windows with Debian's mingw-w64 compilers (posix thread model, which
# C++ threads need). DEMO_WINDOWS_PREFIX names the folder holding the cross-built SDL and
# libopenmpt (scripts/windows-libs.sh); pkg-config then looks there only.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(DEMO_WINDOWS_HOST x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${DEMO_WINDOWS_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DEMO_WINDOWS_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${DEMO_WINDOWS_HOST}-windres)

set(DEMO_WINDOWS_PREFIX "" CACHE PATH "Cross-built SDL 1.2 and libopenmpt for Windows")
# Try-compile projects see this toolchain file too, but not the cache; hand the prefix on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DEMO_WINDOWS_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${DEMO_WINDOWS_HOST} ${DEMO_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The build machine's .pc files describe Linux libraries: never use them.
set(ENV{PKG_CONFIG_LIBDIR} "${DEMO_WINDOWS_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# Programs carry the C++ runtime and winpthread inside, so they need no DLL of the compiler's;
# SDL stays a DLL (its import library is linked as it is).
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Wine runs the cross-built test programs.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
