# Cross-building the Windows programs on Debian with mingw-w64 (posix threads, so that
# std::thread works). The libraries come from the prefix scripts/windows_deps.sh fills,
# given as PIXTRAIL_WINDOWS_DEPS; the tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(PIXTRAIL_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PIXTRAIL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PIXTRAIL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${PIXTRAIL_MINGW}-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)

set(PIXTRAIL_WINDOWS_DEPS "$ENV{PIXTRAIL_WINDOWS_DEPS}" CACHE PATH
    "Prefix holding the cross-built libraries (scripts/windows_deps.sh)")
set(CMAKE_FIND_ROOT_PATH /usr/${PIXTRAIL_MINGW} ${PIXTRAIL_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config answers for the Windows libraries only, with what a static link needs.
set(ENV{PKG_CONFIG_LIBDIR} "${PIXTRAIL_WINDOWS_DEPS}/lib/pkgconfig:/usr/${PIXTRAIL_MINGW}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
set(PKG_CONFIG_ARGN --static)

# Test programs (and test discovery) run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
