# 64-bit Windows (x86_64): tarvik.exe, kpxsearch.exe and a 64-bit KPXSearch.x32.
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
set(KPX_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
