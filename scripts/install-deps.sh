#!/usr/bin/env bash
# Installs the Debian packages the build, the demo and the tests need, but only
# those that are missing. Runs apt-get update once, and only when something is
# to be installed.
set -euo pipefail

# base: what the build and the demo need; all: also what the tests need
# (sanitizer and fuzzer runtimes, Xvfb, Windows cross compilers and Wine).
profile=${1:-all}
[ $# -gt 0 ] && shift
packages=(
  cmake make g++ pkg-config
  libgtest-dev libgmock-dev libcli11-dev libwxgtk3.2-dev
)
if [ "$profile" = all ]; then
  packages+=(
    xvfb xauth imagemagick clang-14 libclang-rt-14-dev
    libbenchmark-dev sqlite3 libsqlite3-dev hyperfine
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64
  )
  # Wine's own fonts ("MS Sans Serif", Marlett): the Windows form's dialog font.
  packages+=(fonts-wine)
  # make package and its test: CPack's Debian package, zip and Windows
  # installer (NSIS's makensis), man pages.
  packages+=(dpkg-dev lintian help2man gzip zip unzip git nsis)
  # 32-bit Wine, for the 32-bit Windows programs: on amd64 it comes from the
  # i386 architecture, which dpkg may first have to be told about.
  if [ "$(dpkg --print-architecture)" = amd64 ]; then packages+=(wine32:i386); else packages+=(wine32); fi
fi
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
export DEBIAN_FRONTEND=noninteractive
if [[ " ${missing[*]} " == *:i386\ * ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
# A mirror that is being synced serves an index that does not match its
# release file for a while; apt-get update then fails. Try again a few times,
# then go on with the indexes that did download: the install itself says
# whether they are enough.
for attempt in 1 2 3; do
  if $SUDO apt-get update -qq; then break; fi
  if [ $attempt -eq 3 ]; then
    echo "install-deps: apt-get update failed three times; trying the install with the indexes at hand" >&2
  else
    sleep 60
  fi
done
if ! $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
  echo "install-deps: could not install: ${missing[*]}" >&2
  echo "install-deps: if apt-get update reported an index of unexpected size (a mirror being synced), run this again later" >&2
  exit 1
fi
