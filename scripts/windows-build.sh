#!/usr/bin/env bash
# Cross-builds the Windows deliverables with Debian's mingw-w64 compilers:
#   build-win32/  32-bit Windows (i686), the shipped programs: KPXSearch.x32,
#                 the plug-in the host loads, tarvik.exe, tarvik-gui.exe (the
#                 desktop form, preproc/win32), kpxsearch.exe (the host
#                 simulator), kpxdump.exe and every unit test
#   build-win64/  64-bit Windows (x86_64): tarvik.exe, KPXSearch.x32 and
#                 kpxsearch.exe
# scripts/windows-test.sh runs them under Wine.
# Usage: scripts/windows-build.sh   (JOBS=n sets the parallel jobs)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}

for compiler in i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix; do
  if ! command -v "$compiler" >/dev/null; then
    echo "windows-build: $compiler is missing; run scripts/install-deps.sh" >&2
    exit 1
  fi
done

common=(-DCMAKE_BUILD_TYPE=Release -DKPX_BUILD_GUI=OFF -DKPX_BUILD_BENCH=OFF)

echo "== Windows i686: KPXSearch.x32, tarvik.exe, tarvik-gui.exe, kpxsearch.exe, kpxdump.exe, the unit tests (build-win32)"
cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake "${common[@]}" \
  -DKPX_BUILD_TESTS=ON >/dev/null
cmake --build build-win32 -j "$jobs"

echo "== Windows x86_64: tarvik.exe, KPXSearch.x32, kpxsearch.exe (build-win64)"
cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake "${common[@]}" \
  -DKPX_BUILD_TESTS=OFF >/dev/null
targets=(tarvik KPXSearch)
# The host simulator is built where its folder is part of the tree.
if [ -f xtra/kpxsearch/CMakeLists.txt ]; then targets+=(kpxsearch); fi
cmake --build build-win64 -j "$jobs" --target "${targets[@]}"

echo "== Built:"
# The shipped programs are the 32-bit ones: each must be there.
shipped=(build-win32/xtra/host/KPXSearch.x32 build-win32/preproc/cli/tarvik.exe
         build-win32/preproc/win32/tarvik-gui.exe
         build-win32/indexformat/kpxdump.exe)
if [ -f xtra/kpxsearch/CMakeLists.txt ]; then shipped+=(build-win32/xtra/kpxsearch/kpxsearch.exe); fi
for file in "${shipped[@]}"; do
  if [ ! -f "$file" ]; then
    echo "windows-build: $file was not built" >&2
    exit 1
  fi
  echo "  $file"
done
for file in build-win64/preproc/cli/tarvik.exe build-win64/xtra/host/KPXSearch.x32 \
            build-win64/xtra/kpxsearch/kpxsearch.exe; do
  if [ -f "$file" ]; then echo "  $file"; fi
done
