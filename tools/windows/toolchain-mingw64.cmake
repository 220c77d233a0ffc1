# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (posix threads, for
# std::thread). MORLENTH_WINDOWS_DEPS names the prefix that build_deps.sh filled
# with SDL2, GLEW and mpg123 built from Debian's sources.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MORLENTH_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MORLENTH_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MORLENTH_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MORLENTH_TRIPLET}-windres)

# The compiler checks' own projects see the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MORLENTH_WINDOWS_DEPS)
# Libraries and headers come from the compiler's own root and the prefix, never
# from the host's /usr; programs (pkg-config, python3) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${MORLENTH_TRIPLET} ${MORLENTH_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} ${MORLENTH_WINDOWS_DEPS}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
