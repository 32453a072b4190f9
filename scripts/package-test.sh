#!/usr/bin/env bash
# Checks the packages as a new user gets them:
#   1. `make package` on a fresh clone of this repository's HEAD writes the
#      .deb, the zip and the installer (a Release build without the tests, to
#      keep this quick)
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
#      the KPXSearch.x32 beside it, and find what the Linux kpxsearch finds.
#      A program the 32-bit tree does not build yet is reported as skipped,
#      not failed.
#   5. the installer, under 32-bit Wine in a fresh 32-bit prefix: a silent
#      install into a chosen folder whose name has a space puts the zip's
#      files there, the Start-menu shortcuts and the Uninstall registry entry;
#      the installed programs index, copy and search the sample articles as in
#      4; the silent uninstall then leaves no file, shortcut or registry entry
#      of the kit, and nothing else changed under C: but the files the test
#      put in the folder, which stay, and the folder with them.
#
# Usage: scripts/package-test.sh   (JOBS=n sets the parallel jobs)
#        scripts/package-test.sh --built [LINUX_BUILD [WIN32_BUILD]]
# Uncommitted changes are not part of the clone: commit before running it.
# --built checks the packages already in the two trees (default build and
# build-win32, written by make package or by cpack in each) instead of a fresh
# clone's; the trees stay, so they could be found by the unpacked programs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${JOBS:-$(nproc)}
built=
if [ "${1:-}" = --built ]; then
  built_linux=$(realpath "${2:-build}")
  built_win32=$(realpath "${3:-build-win32}")
  built=1
fi

# The clone lies inside the tree, at the depth of the tree's own build
# folders, so the shared compiler cache serves it.
work=$root/build-package-test
rm -rf "$work"
mkdir -p "$work"
# Wine: no display, no messages, no Mono/Gecko set-up, and no menu entries
# on this machine's desktop for the shortcuts the installer makes.
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=d;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
cleanup() {
  for prefix in "$work/wineprefix" "$work/wine-setup"; do
    if [ -d "$prefix" ]; then
      WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true
    fi
  done
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

if [ -n "$built" ]; then
  echo "== 1. the packages in $built_linux and $built_win32"
  linux_tree=$built_linux
  win32_tree=$built_win32
  examples=$root/examples
else
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
  linux_tree=$work/clone/build
  win32_tree=$work/clone/build-win32
  examples=$work/clone/examples
fi
deb=$(ls "$linux_tree"/harbour-search-kit_"$version"_*.deb 2>/dev/null | head -1)
zip=$win32_tree/harbour-search-kit-$version-win32.zip
setup=$win32_tree/harbour-search-kit-$version-win32-setup.exe
[ -n "$deb" ] && pass "wrote $(basename "$deb")" || fail "no .deb in build/"
for package in "$zip" "$setup"; do
  [ -f "$package" ] && pass "wrote $(basename "$package")" || fail "no $(basename "$package") in build-win32/"
done
[ -n "$deb" ] && [ -f "$zip" ] && [ -f "$setup" ] || exit 1
cp "$deb" "$zip" "$setup" "$work/"
deb=$work/$(basename "$deb")
zip=$work/$(basename "$zip")
setup=$work/$(basename "$setup")
if [ -z "$built" ]; then
  # Nothing of the build may be found by the unpacked programs.
  rm -rf "$work/clone/build" "$work/clone/build-win32"
fi

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
  elif grep -qs "Linking CXX executable $program.exe" "$work/package.log"; then
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

# The programs in DIR under 32-bit Wine (WINEPREFIX as set): each answers
# --version; tarvik.exe indexes and copies the sample articles, copied into
# DIR so the Windows paths stay short; kpxsearch.exe, with the KPXSearch.x32
# beside it, finds what the Linux kpxsearch found in section 3.
check_windows_programs() { # check_windows_programs DIR WHERE
  local dir=$1 where=$2 program
  cp -r "$examples" "$dir/examples"
  run_wine() { (cd "$dir" && timeout 300 "$wine" "$@" 2>>"$work/wine.err"); }
  for program in "${programs[@]}"; do
    [ "$program" = tarvik-gui ] && continue  # a window: started by its own test
    if run_wine "$program.exe" --version | tr -d '\r' | grep -qx "$program $version"; then
      pass "$where: $program.exe --version under 32-bit Wine"
    else
      fail "$where: $program.exe --version under 32-bit Wine"
    fi
  done
  if [[ " ${programs[*]} " == *" tarvik "* ]]; then
    if run_wine tarvik.exe index --html --listing examples\\listing.txt --articles examples\\articles \
         --index index --log index.log >/dev/null &&
       run_wine tarvik.exe copy --html --listing examples\\listing.txt --articles examples\\articles \
         --copy copies --log copy.log >/dev/null; then
      pass "$where: tarvik.exe indexes and copies the sample articles"
    else
      fail "$where: tarvik.exe index/copy under Wine"
    fi
  fi
  if [[ " ${programs[*]} " == *" kpxsearch "* ]] && [ -d "$dir/index" ]; then
    if run_wine kpxsearch.exe --index index --articles copies --list --names "new york" |
         tr -d '\r' >"$work/wine-search.txt" && cmp -s "$work/wine-search.txt" "$out/search.txt"; then
      pass "$where: kpxsearch.exe finds the articles the Linux kpxsearch finds for 'new york'"
    else
      diff "$out/search.txt" "$work/wine-search.txt" | head -10
      tail -10 "$work/wine.err" 2>/dev/null
      fail "$where: kpxsearch.exe under 32-bit Wine"
    fi
  fi
}

wine=$(command -v wine || true)
have_wine32=
if [ -n "$wine" ] && dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "ok installed"; then
  have_wine32=1
fi
# On a kernel without 32-bit x86 execution (scripts/runs-32bit.sh) no 32-bit
# program runs, under Wine or not: the zip's programs and the installer
# cannot be run on such a machine.
no_32bit_kernel=
if [ -n "$have_wine32" ] && ! "$root/scripts/runs-32bit.sh"; then
  have_wine32=
  no_32bit_kernel=1
fi
not_run=()
if [ -n "$no_32bit_kernel" ]; then
  echo "  not run: this kernel cannot execute 32-bit x86 programs"
  not_run+=("the zip's programs under 32-bit Wine")
elif [ -z "$have_wine32" ]; then
  skip "32-bit Wine is not installed (scripts/install-deps.sh installs it)"
elif [ ${#programs[@]} -eq 0 ]; then
  skip "no 32-bit program to run"
else
  check_windows_programs "$work/zip/$top" "zip"
fi

echo "== 5. the Windows installer"
head -c 2 "$setup" | grep -q '^MZ' && grep -aq NullsoftInst "$setup" &&
  pass "$(basename "$setup") is an NSIS installer for Windows" || fail "$(basename "$setup") is no NSIS installer"
if [ -n "$no_32bit_kernel" ]; then
  echo "  not run: this kernel cannot execute 32-bit x86 programs"
  not_run+=("the installer's install and uninstall under 32-bit Wine")
elif [ -z "$have_wine32" ]; then
  skip "32-bit Wine is not installed (scripts/install-deps.sh installs it)"
else
  # A fresh 32-bit prefix of its own: one Windows registry view, and nothing
  # the zip's runs left.
  export WINEPREFIX=$work/wine-setup WINEARCH=win32
  timeout 300 "$wine" wineboot -i >/dev/null 2>>"$work/wine.err" || true
  timeout 120 "$wineserver" -w || true
  drive=$WINEPREFIX/drive_c
  title="Harbour Search Kit"
  uninstall_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$title"
  # The keys the installer writes, and where a per-user install would write them.
  keys=("$uninstall_key" "HKLM\\Software\\Harbour search kit"
        "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$title"
        "HKCU\\Software\\Harbour search kit")
  # Everything under C: but the temporary files, to see what the two runs left.
  snapshot() { (cd "$drive" && find . -path '*/Temp' -prune -o -print | LC_ALL=C sort); }
  # Waits for every process of the prefix: an installer or uninstaller that
  # returned at once may still be at work (the uninstaller runs a copy of
  # itself from the temporary folder unless given _?=).
  settle() { timeout 120 "$wineserver" -w; }
  snapshot >"$work/drive-before.txt"

  folder='C:\Some Folder\Kit'
  installed="$drive/Some Folder/Kit"
  # /D= must be the last option and is read to the end of the command line,
  # unquoted: wine quotes an argument holding a space, so the folder is given
  # in words, which wine joins with spaces.
  read -r -a folder_words <<<"/D=$folder"
  if (cd "$work" && timeout 300 "$wine" "$(basename "$setup")" /S "${folder_words[@]}" \
        2>>"$work/wine.err") && settle; then
    pass "the installer runs silently (/S /D=$folder)"
  else
    fail "the silent install"
  fi
  kit_files=(KPXSearch.x32 README.txt lingo.md Uninstall.exe)
  for program in "${programs[@]}"; do kit_files+=("$program.exe"); done
  missing=
  for file in "${kit_files[@]}"; do
    [ -f "$installed/$file" ] || { fail "the install has no $folder\\$file"; missing=1; }
  done
  [ -n "$missing" ] || pass "installed into $folder: ${kit_files[*]}"
  # The programs are stripped for each package, each stamped with its own time.
  cmp -s "$installed/README.txt" "$work/zip/$top/README.txt" &&
    cmp -s "$installed/lingo.md" "$work/zip/$top/lingo.md" &&
    pass "the installed README.txt and lingo.md are the zip's" || fail "the installed documents differ from the zip's"

  # The Start-menu folder: for all users, or the user's own.
  menu=$(find "$drive" -type d -path "*/Start Menu/Programs/$title" | head -1)
  shortcuts=("Read me.lnk" "Uninstall.lnk")
  [[ " ${programs[*]} " == *" tarvik-gui "* ]] && shortcuts+=("TARVIK desktop form.lnk")
  missing=
  for link in "${shortcuts[@]}"; do
    [ -n "$menu" ] && [ -f "$menu/$link" ] || { fail "no Start-menu shortcut $link"; missing=1; }
  done
  [ -n "$missing" ] || pass "the Start-menu folder $title holds ${shortcuts[*]}"
  if [[ " ${programs[*]} " == *" tarvik-gui "* ]] && [ -f "$menu/TARVIK desktop form.lnk" ]; then
    # Its run log goes to the current folder: the shortcut starts it in Documents.
    { strings -a "$menu/TARVIK desktop form.lnk"; strings -a -el "$menu/TARVIK desktop form.lnk"; } \
      >"$work/form-link.txt"
    grep -qxF "$folder\\tarvik-gui.exe" "$work/form-link.txt" &&
      grep -qE '^C:\\.*\\Documents$' "$work/form-link.txt" &&
      pass "the desktop form's shortcut starts tarvik-gui.exe in the Documents folder" ||
      fail "the desktop form's shortcut: not tarvik-gui.exe, or not in Documents"
  fi

  timeout 60 "$wine" reg query "$uninstall_key" 2>>"$work/wine.err" | tr -d '\r' >"$work/uninstall-key.txt" || true
  entry_ok=1
  for value in "DisplayName	REG_SZ	$title $version" "DisplayVersion	REG_SZ	$version" \
               "UninstallString	REG_SZ	\"$folder\\Uninstall.exe\"" "NoModify	REG_DWORD	0x1"; do
    grep -qF "    ${value//	/    }" "$work/uninstall-key.txt" || { fail "the Uninstall entry lacks: $value"; entry_ok=; }
  done
  grep -qE '^    Publisher    REG_SZ    .+' "$work/uninstall-key.txt" || { fail "the Uninstall entry has no Publisher"; entry_ok=; }
  # EstimatedSize: the installed files in KiB, within a tenth.
  size=$(sed -n 's/^    EstimatedSize    REG_DWORD    0x\([0-9a-f]*\)$/\1/p' "$work/uninstall-key.txt")
  files_kib=$(cd "$installed" && du -k --apparent-size -c "${kit_files[@]}" 2>/dev/null | tail -1 | cut -f1)
  if [ -n "$size" ] && [ $((16#$size * 10)) -ge $((files_kib * 9)) ] && [ $((16#$size * 10)) -le $((files_kib * 11)) ]; then
    :
  else
    fail "EstimatedSize ${size:+0x$size }is not the installed size (${files_kib:-?} KiB)"
    entry_ok=
  fi
  if [ -n "$entry_ok" ]; then
    pass "the Uninstall entry: DisplayName, DisplayVersion, Publisher, EstimatedSize, UninstallString"
  else
    cat "$work/uninstall-key.txt"
  fi

  # The title author's work in the folder: the runs' index set, copies and
  # logs, the sample articles, and a file of their own.
  check_windows_programs "$installed" "installed"
  echo "the author's own notes" >"$installed/notes.txt"
  kit_pattern=$(printf '%s\n' "${kit_files[@]}" | sed 's/[.]/\\./g; s|^|^./Some Folder/Kit/|; s/$/$/')
  { cat "$work/drive-before.txt"; snapshot | grep '^./Some Folder' | grep -v -f <(echo "$kit_pattern") || true; } |
    LC_ALL=C sort >"$work/drive-expected.txt"

  if timeout 300 "$wine" "$installed/Uninstall.exe" /S 2>>"$work/wine.err" && settle; then
    pass "the uninstaller runs silently (Uninstall.exe /S)"
  else
    fail "the silent uninstall"
  fi
  left=()
  for file in "${kit_files[@]}"; do [ -e "$installed/$file" ] && left+=("$file"); done
  [ ${#left[@]} -eq 0 ] && pass "no file of the kit is left in $folder" ||
    fail "the uninstall left ${left[*]}"
  [ -n "$menu" ] && [ ! -e "$menu" ] && pass "the Start-menu folder and its shortcuts are gone" ||
    fail "the Start-menu folder ${menu:-(none)} is still there"
  left=()
  for key in "${keys[@]}"; do
    timeout 60 "$wine" reg query "$key" >/dev/null 2>&1 && left+=("$key")
  done
  [ ${#left[@]} -eq 0 ] && pass "no registry key of the kit is left" || fail "the uninstall left ${left[*]}"
  [ -f "$installed/notes.txt" ] && [ -f "$installed/index.log" ] && [ -d "$installed/index" ] &&
    pass "the author's own files and the folder stay" || fail "the uninstall removed the author's files"
  if snapshot | cmp -s - "$work/drive-expected.txt"; then
    pass "nothing else under C: changed between install and uninstall"
  else
    snapshot | diff "$work/drive-expected.txt" - | head -20
    fail "the install and uninstall changed other files under C:"
  fi
fi

echo "package-test: $passed passed, $failed failed, $skipped skipped"
if [ "${#not_run[@]}" -gt 0 ]; then
  echo "package-test: NOT RUN on this machine, whose kernel cannot execute 32-bit x86 programs:"
  printf 'package-test:   %s\n' "${not_run[@]}"
fi
[ "$failed" -eq 0 ]
