# Cross build for Windows with Debian's mingw-w64 compilers (shared part).
# Not used directly: cmake/mingw-i686.cmake and cmake/mingw-x86_64.cmake set
# KPX_MINGW_ARCH and include this file.
#
# The POSIX thread variants of the compilers are used: GoogleTest needs
# std::mutex, which the win32 thread model of GCC 12 lacks. Everything is
# linked statically (winpthread included), so KPXSearch.x32, tarvik.exe and
# kpxsearch.exe run without any DLL beyond the system's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${KPX_MINGW_ARCH})

set(KPX_MINGW_TRIPLET ${KPX_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${KPX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KPX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KPX_MINGW_TRIPLET}-windres)

# Libraries and headers come from the cross sysroot only, never from /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${KPX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# The header-only and source-only dependencies (CLI11, GoogleTest) are provided
# right after the top-level project() call.
set(CMAKE_PROJECT_kpxsearch_kit_INCLUDE ${CMAKE_CURRENT_LIST_DIR}/mingw-deps.cmake)
