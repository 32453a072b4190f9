#!/usr/bin/env bash
# Checks the packages as a new user gets them:
#   1. `make package` on a fresh clone of this repository's HEAD writes the
#      .deb and the zip (a Release build without the tests, to keep this quick)
#   2. lintian reports no errors on the .deb
#   3. the .deb, unpacked into an empty tree with dpkg-deb -x, holds the
#      programs, the plug-in, its header, the documents and the man pages; its
#      tarvik answers --version and indexes and copies the sample articles, and
#      its kpxsearch searches them with the plug-in the package installed,
#      found on its own (no environment variable, no --plugin; the clone's
#      build trees are gone by then, so nothing else could be found)
#   4. the zip holds the 32-bit programs, KPXSearch.x32, README.txt with CR LF
#      line ends and lingo.md; under 32-bit Wine its programs answer --version
#      and index, copy and search the sample articles, kpxsearch.exe loading
#      the KPXSearch.x32 beside it. A program the 32-bit tree does not build
#      yet is reported as skipped, not failed.
#
# Usage: scripts/package-test.sh   (JOBS=n sets the parallel jobs)
# Uncommitted changes are not part of the clone: commit before running it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${JOBS:-$(nproc)}

# The clone lies inside the tree, at the depth of the tree's own build
# folders, so the shared compiler cache serves it.
work=$root/build-package-test
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d"
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  if [ -d "$WINEPREFIX" ]; then
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
skipped=0
pass() { echo "  ok: $1"; passed=$((passed + 1)); }
fail() { echo "  FAILED: $1"; failed=$((failed + 1)); }
skip() { echo "  skipped: $1"; skipped=$((skipped + 1)); }
check() { # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@" >>"$work/check.log" 2>&1; then pass "$what"; else fail "$what (see below)"; tail -20 "$work/check.log"; fi
}

version=$(sed -n 's/^project(kpxsearch_kit VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package-test: no version in CMakeLists.txt" >&2; exit 1; }

echo "== 1. make package on a fresh clone"
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "  note: uncommitted changes are not in the clone"
fi
git clone -q --no-hardlinks "$root" "$work/clone"
if KPX_PACKAGE_CMAKE_ARGS="-DKPX_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release" JOBS=$jobs \
   make -C "$work/clone" package >"$work/package.log" 2>&1; then
  pass "make package"
else
  tail -40 "$work/package.log"
  fail "make package (log above)"
  echo "package-test: $passed passed, $failed failed"
  exit 1
fi
deb=$(ls "$work"/clone/build/harbour-search-kit_"$version"_*.deb 2>/dev/null | head -1)
zip=$work/clone/build-win32/harbour-search-kit-$version-win32.zip
[ -n "$deb" ] && pass "wrote $(basename "$deb")" || fail "no .deb in build/"
[ -f "$zip" ] && pass "wrote $(basename "$zip")" || fail "no $(basename "$zip") in build-win32/"
[ -n "$deb" ] && [ -f "$zip" ] || exit 1
mv "$deb" "$zip" "$work/"
deb=$work/$(basename "$deb")
zip=$work/$(basename "$zip")
# Nothing of the build may be found by the unpacked programs.
rm -rf "$work/clone/build" "$work/clone/build-win32"
examples=$work/clone/examples

echo "== 2. lintian"
if lintian --fail-on error --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1; then
  pass "lintian: no errors ($(grep -c '^W:' "$work/lintian.log" || true) warnings)"
else
  cat "$work/lintian.log"
  fail "lintian reports errors"
fi
grep '^W:' "$work/lintian.log" | sed 's/^/    /' || true

echo "== 3. the .deb unpacked into an empty tree"
tree=$work/deb-root
mkdir -p "$tree"
dpkg-deb -x "$deb" "$tree"
for file in usr/bin/tarvik usr/bin/tarvik-gui usr/bin/kpxsearch usr/bin/kpxdump \
            usr/lib/harbour-search-kit/KPXSearch.so usr/include/xtra/host/kpxsearch.h \
            usr/include/xtra/host/host_interfaces.h \
            usr/share/doc/harbour-search-kit/README.md usr/share/doc/harbour-search-kit/FORMAT.md \
            usr/share/doc/harbour-search-kit/lingo.md usr/share/doc/harbour-search-kit/copyright \
            usr/share/man/man1/tarvik.1.gz usr/share/man/man1/tarvik-gui.1.gz \
            usr/share/man/man1/kpxsearch.1.gz usr/share/man/man1/kpxdump.1.gz; do
  [ -e "$tree/$file" ] || { fail "the package has no /$file"; missing=1; }
done
[ -n "${missing:-}" ] || pass "the package holds the programs, the plug-in, the header, the documents, the man pages"
dpkg-deb -f "$deb" Depends | grep -q libc6 && pass "Depends computed: $(dpkg-deb -f "$deb" Depends)" ||
  fail "no computed Depends"

# A clean environment: no KPXSEARCH_PLUGIN, the unpacked programs by path.
run() { env -i PATH=/usr/bin:/bin HOME="$work" "$@"; }
bin=$tree/usr/bin
out=$work/deb-run
mkdir -p "$out"
for program in tarvik kpxsearch kpxdump; do
  check "$program --version prints $program $version" \
    sh -c "$(printf '%q' "$bin/$program") --version | grep -qx '$program $version'"
done
# Drop one test's output into check.log, so a failure shows it.
check "tarvik index on the sample articles" \
  run "$bin/tarvik" index --html --listing "$examples/listing.txt" --articles "$examples/articles" \
  --index "$out/index" --log "$out/index.log"
check "tarvik copy on the sample articles" \
  run "$bin/tarvik" copy --html --listing "$examples/listing.txt" --articles "$examples/articles" \
  --copy "$out/copies" --log "$out/copy.log"
if run "$bin/kpxsearch" --index "$out/index" --articles "$out/copies" --list --names "new york" \
     >"$out/search.txt" 2>"$out/search.err" && [ "$(head -1 "$out/search.txt")" -gt 0 ]; then
  pass "kpxsearch finds 'new york' with the installed plug-in ($(head -1 "$out/search.txt") articles)"
else
  cat "$out/search.err"
  fail "kpxsearch with the installed plug-in"
fi
expected='set t123Match = [17,24]\r'
script=$'new\nKPXSearchSetIndexPath "'$out/index$'"\nKPXSearchSetArticlesPath "'$out/copies$'"\nKPXSearchAddWordPhrase "new york"\nKPXSearchCountMatches\nKPXSearchCreateMatchesList "Sailors went to New York."\n'
if printf '%s' "$script" | run "$bin/kpxsearch" --script - >"$out/script.txt" 2>&1 &&
   [ "$(tail -1 "$out/script.txt")" = "$expected" ]; then
  pass "kpxsearch --script: the match list statement"
else
  cat "$out/script.txt"
  fail "kpxsearch --script"
fi
check "kpxdump reads the index set" sh -c "$(printf '%q' "$bin/kpxdump") $(printf '%q' "$out/index/N/NE") | grep -q '^NEW '"

echo "== 4. the Windows zip"
top=harbour-search-kit-$version-win32
unzip -q "$zip" -d "$work/zip"
listing=$(unzip -Z1 "$zip")
for file in KPXSearch.x32 README.txt lingo.md; do
  grep -qx "$top/$file" <<<"$listing" && pass "the zip holds $file" || fail "the zip has no $file"
done
# The programs the 32-bit tree builds: what the clone's build log linked.
programs=()
for program in tarvik kpxsearch kpxdump tarvik-gui; do
  if grep -qx "$top/$program.exe" <<<"$listing"; then
    pass "the zip holds $program.exe"
    programs+=("$program")
  elif grep -q "Linking CXX executable $program.exe" "$work/package.log"; then
    fail "the 32-bit tree builds $program.exe but the zip lacks it"
  else
    skip "$program.exe: the 32-bit tree does not build it yet"
  fi
done
readme=$work/zip/$top/README.txt
if [ -f "$readme" ] && [ "$(grep -c $'\r$' "$readme")" -eq "$(tr -cd '\n' <"$readme" | wc -l)" ] &&
   [ "$(grep -c $'\r$' "$readme")" -gt 0 ]; then
  pass "README.txt has CR LF line ends"
else
  fail "README.txt lacks CR LF line ends"
fi

wine=$(command -v wine || true)
if [ -z "$wine" ] || ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "ok installed"; then
  skip "32-bit Wine is not installed (scripts/install-deps.sh installs it)"
elif [ ${#programs[@]} -eq 0 ]; then
  skip "no 32-bit program to run"
else
  dir=$work/zip/$top
  # Copies of the sample articles beside the programs: Windows paths stay short.
  cp -r "$examples" "$dir/examples"
  run_wine() { (cd "$dir" && timeout 300 "$wine" "$@" 2>>"$work/wine.err"); }
  for program in "${programs[@]}"; do
    [ "$program" = tarvik-gui ] && continue  # a window: started by its own test
    if run_wine "$program.exe" --version | tr -d '\r' | grep -qx "$program $version"; then
      pass "$program.exe --version under 32-bit Wine"
    else
      fail "$program.exe --version under 32-bit Wine"
    fi
  done
  if [[ " ${programs[*]} " == *" tarvik "* ]]; then
    if run_wine tarvik.exe index --html --listing examples\\listing.txt --articles examples\\articles \
         --index index --log index.log >/dev/null &&
       run_wine tarvik.exe copy --html --listing examples\\listing.txt --articles examples\\articles \
         --copy copies --log copy.log >/dev/null; then
      pass "tarvik.exe indexes and copies the sample articles"
    else
      fail "tarvik.exe index/copy under Wine"
    fi
  fi
  if [[ " ${programs[*]} " == *" kpxsearch "* ]] && [ -d "$dir/index" ]; then
    if run_wine kpxsearch.exe --index index --articles copies --list "new york" >"$work/wine-search.txt" &&
       [ "$(head -1 "$work/wine-search.txt" | tr -d '\r')" = "$(head -1 "$out/search.txt")" ]; then
      pass "kpxsearch.exe finds 'new york' with the KPXSearch.x32 beside it, as on Linux"
    else
      cat "$work/wine-search.txt" "$work/wine.err" 2>/dev/null | tail -20
      fail "kpxsearch.exe under 32-bit Wine"
    fi
  fi
fi

echo "package-test: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
