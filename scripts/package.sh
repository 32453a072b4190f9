#!/usr/bin/env bash
# make package: writes the kit's packages with CPack
#   LINUX_BUILD/harbour-search-kit_VERSION_ARCH.deb          the Debian package
#   WIN32_BUILD/harbour-search-kit-VERSION-win32.zip         the 32-bit Windows zip
#   WIN32_BUILD/harbour-search-kit-VERSION-win32-setup.exe   the 32-bit Windows installer
# building each tree first (LINUX_BUILD as `make build` configures it;
# WIN32_BUILD with cmake/mingw-i686.cmake, as scripts/windows-build.sh does).
#
# Usage: scripts/package.sh [LINUX_BUILD] [WIN32_BUILD]   (default: build build-win32)
#   JOBS=n sets the parallel jobs; KPX_PACKAGE_CMAKE_ARGS adds cmake options
#   to both trees (the package test builds without the tests).
set -euo pipefail
cd "$(dirname "$0")/.."
linux=${1:-build}
win32=${2:-build-win32}
jobs=${JOBS:-$(nproc)}
read -r -a extra <<<"${KPX_PACKAGE_CMAKE_ARGS:-}"

for tool in cpack dpkg-shlibdeps help2man i686-w64-mingw32-g++-posix makensis; do
  if ! command -v "$tool" >/dev/null; then
    echo "package: $tool is missing; run scripts/install-deps.sh" >&2
    exit 1
  fi
done

echo "== Debian package ($linux)"
cmake -S . -B "$linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}" >/dev/null
cmake --build "$linux" -j "$jobs"
rm -f "$linux"/harbour-search-kit_*.deb
(cd "$linux" && cpack -G DEB)

echo "== Windows zip and installer ($win32)"
if [ ! -f "$win32/CMakeCache.txt" ]; then
  cmake -S . -B "$win32" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
    -DKPX_BUILD_GUI=OFF -DKPX_BUILD_BENCH=OFF "${extra[@]}" >/dev/null
else
  cmake -S . -B "$win32" "${extra[@]}" >/dev/null
fi
cmake --build "$win32" -j "$jobs"
rm -f "$win32"/harbour-search-kit-*-win32.zip "$win32"/harbour-search-kit-*-win32-setup.exe
(cd "$win32" && cpack -G ZIP && cpack -G NSIS)

echo "== make package wrote:"
ls "$linux"/harbour-search-kit_*.deb "$win32"/harbour-search-kit-*-win32.zip \
  "$win32"/harbour-search-kit-*-win32-setup.exe | sed 's/^/  /'
