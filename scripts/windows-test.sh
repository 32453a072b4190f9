#!/usr/bin/env bash
# Checks the Windows builds against the Linux build, running them under Wine
# (32-bit programs under 32-bit Wine):
#   1. the 32-bit KPXSearch.x32 exports exactly the five entry points,
#      undecorated, and its entry points are stdcall; no Windows binary needs
#      a DLL beyond the system's own
#   2. every i686 unit test program passes
#   3. tarvik.exe (32-bit, then 64-bit) writes the same index set and copies
#      as the Linux tarvik from the sample articles
#   4. kpxsearch.exe with KPXSearch.x32 (32-bit, then 64-bit), given Windows
#      paths, gives the same answers as the Linux kpxsearch for a script of
#      searches, also behind the version gate
#
# Usage: scripts/windows-test.sh [LINUX_BUILD]   (default: build)
# Exits 0 with a note when the cross compilers or Wine are not installed. On a
# machine whose kernel cannot execute 32-bit x86 programs at all, runs every
# check it can (the 64-bit programs under wine64) and names the 32-bit runs it
# could not make.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
linux_build=${1:-build}

skip() {
  echo "windows: skipped: $1 (scripts/install-deps.sh installs it)"
  exit 0
}
for tool in i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix \
            i686-w64-mingw32-objdump i686-w64-mingw32-nm xvfb-run; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
# Debian's wine runs 32-bit programs with its 32-bit loader (wine32:i386) and
# hands 64-bit ones on to wine64; without the 32-bit loader it would quietly
# run everything with wine64, which cannot start a 32-bit program.
wine=$(command -v wine || true)
[ -n "$wine" ] || skip "wine is not installed"
[ -x /usr/lib/wine/wine ] || skip "32-bit Wine (wine32:i386) is not installed"
[ -x /usr/lib/wine/wine64 ] || skip "wine64 is not installed"
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
# On a kernel without 32-bit x86 execution (scripts/runs-32bit.sh) nothing
# 32-bit can run, under Wine or not. The checks that run no 32-bit program
# still run, every program runs under wine64 itself (the wine wrapper starts
# the 32-bit loader first), and the summary names the 32-bit runs this
# machine could not make.
runs_32bit=yes
if ! ./scripts/runs-32bit.sh; then
  runs_32bit=no
  wine=/usr/lib/wine/wine64
fi
not_run=()

./scripts/windows-build.sh
echo "== Linux reference build ($linux_build)"
if [ ! -f "$linux_build/CMakeCache.txt" ]; then
  cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
linux_targets=(tarvik)
if [ -f xtra/kpxsearch/CMakeLists.txt ]; then linux_targets+=(KPXSearch kpxsearch); fi
cmake --build "$linux_build" -j "${JOBS:-$(nproc)}" --target "${linux_targets[@]}" >/dev/null
linux_build=$(cd "$linux_build" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/kpx-windows-test.XXXXXX")
# Wine: a prefix of its own, no display, no messages, no Mono/Gecko set-up.
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d"
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
pass() { echo "  ok: $1"; passed=$((passed + 1)); }
fail() { echo "  FAILED: $1"; failed=$((failed + 1)); }
# The Windows form of an absolute path: Wine's drive Z: is the root.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
# Runs a Windows program under Wine in directory $1, for at most 10 minutes;
# stderr goes to $work/wine.err.
run_wine() {
  local dir=$1
  shift
  (cd "$dir" && timeout 600 "$wine" "$@" 2>>"$work/wine.err")
}
crlf_to_lf() { tr -d '\r' <"$1"; }
# True when every line of the file ends in CR LF.
all_crlf() { [ "$(grep -c $'\r$' "$1")" -eq "$(tr -cd '\n' <"$1" | wc -c)" ]; }

echo "== 1. The 32-bit plug-in's exports"
x32=build-win32/xtra/host/KPXSearch.x32
headers=$(i686-w64-mingw32-objdump -p "$x32")
exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" |
          sed -n 's/^\s*\[ *[0-9]*\] \(.*\)$/\1/p' | sort)
expected=$(printf '%s\n' DllCanUnloadNow DllGetClassForm DllGetClassInfo DllGetClassObject \
                         DllGetInterface)
if grep -q '^Magic.*PE32)' <<<"$headers" && [ "$exports" = "$expected" ]; then
  pass "KPXSearch.x32 is a 32-bit DLL exporting exactly the five entry points, undecorated"
else
  fail "KPXSearch.x32 exports:"$'\n'"$exports"
fi
# The decorations the compiler gave the entry points (before --kill-at strips
# them from the export table) prove the stdcall convention: name@argument bytes.
symbols=$(i686-w64-mingw32-nm build-win32/xtra/host/CMakeFiles/KPXSearch.dir/exports.cpp.obj)
missing=""
for name in DllGetClassObject@12 DllCanUnloadNow@0 DllGetClassForm@16 DllGetInterface@16 \
            DllGetClassInfo@8; do
  grep -q " T _$name\$" <<<"$symbols" || missing+=" $name"
done
if [ -z "$missing" ]; then pass "the five entry points are stdcall"
else fail "not stdcall:$missing"; fi
# Only the system's own DLLs: the runtime is linked in.
foreign=""
for binary in build-win32/xtra/host/KPXSearch.x32 build-win32/preproc/cli/tarvik.exe \
              build-win32/xtra/kpxsearch/kpxsearch.exe build-win32/indexformat/kpxdump.exe \
              build-win64/xtra/host/KPXSearch.x32 build-win64/preproc/cli/tarvik.exe \
              build-win64/xtra/kpxsearch/kpxsearch.exe; do
  [ -f "$binary" ] || continue
  for dll in $(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^\s*DLL Name: //p'); do
    case "${dll,,}" in kernel32.dll | msvcrt.dll | user32.dll) ;; *) foreign+=" $binary:$dll" ;; esac
  done
done
if [ -z "$foreign" ]; then pass "the Windows binaries need no DLL beyond the system's"
else fail "non-system DLLs:$foreign"; fi

echo "== 2. The i686 unit tests under 32-bit Wine"
unit_build=build-win32
if [ "$runs_32bit" = no ]; then
  echo "  not run: this kernel cannot execute 32-bit x86 programs; the same tests built"
  echo "  for x86_64 (build-win64-tests) run under wine64 instead"
  not_run+=("the i686 unit tests (their x86_64 build ran instead)")
  unit_build=build-win64-tests
  cmake -S . -B "$unit_build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DKPX_BUILD_GUI=OFF -DKPX_BUILD_BENCH=OFF \
    -DKPX_BUILD_TESTS=ON >/dev/null
  cmake --build "$unit_build" -j "${JOBS:-$(nproc)}" >/dev/null
fi
# Each program runs whole, once, in its own build folder (where ctest would
# run it). The plug-in's tests run on a virtual display, where the version
# gate's message box really appears; they answer every box themselves. The
# Wine server is restarted around that run, so no other program sees the
# display and waits on a box.
# The Windows form's test needs a display and the Linux files; step 4 runs it.
mapfile -t unit_tests < <(find "$unit_build" -name '*_test.exe' -not -path '*/CMakeFiles/*' \
  -not -name 'tarvik_gui_win32_test.exe' | sort)
[ "${#unit_tests[@]}" -gt 5 ] || fail "only ${#unit_tests[@]} unit test programs in $unit_build"
for program in "${unit_tests[@]}"; do
  name=$(basename "$program" .exe)
  out=$work/$name.out
  status=0
  if [ "$name" = xtra_host_test ]; then
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
    (cd "$(dirname "$program")" &&
      timeout 600 xvfb-run -a "$wine" "./$name.exe" >"$out" 2>&1) || status=$?
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
  else
    run_wine "$(dirname "$program")" "./$name.exe" >"$out" 2>&1 || status=$?
  fi
  summary=$(tr -d '\r' <"$out" | sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\.$/\1/p')
  skipped=$(tr -d '\r' <"$out" | sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?,.*$/\1/p')
  if [ "$name" = xtra_host_test ] && [ -n "$skipped" ]; then
    fail "$name skipped $skipped tests on the virtual display (the message box checks)"
  elif [ "$status" -eq 0 ] && { [ -n "$summary" ] || [ "$name" = kpxsearch_header_test ]; }; then
    pass "$name: ${summary:-all} tests passed${skipped:+, $skipped skipped}"
  else
    fail "$name exited with $status"
    tr -d '\r' <"$out" | grep -E '^\[  FAILED  \]|Failure|error' | head -20 >&2 || true
    tail -5 "$out" >&2
  fi
done

# Both sides run in a folder of their own with the same relative paths, so the
# run logs name the same paths, apart from the separator. The sample articles
# get one more article holding every byte from 128 to 255, so the upper-casing
# of Western accented letters is compared too.
prepare_side() {
  mkdir -p "$1"
  cp -r examples/articles examples/listing.txt "$1/"
  for ((b = 128; b < 256; b++)); do
    printf -v byte '\\x%02x' "$b"
    printf "w${byte}w ${byte}${byte} "
  done >"$1/articles/accents.txt"
  printf 'accents.txt\n' >>"$1/listing.txt"
}
prepare_side "$work/linux"
tarvik_args=(--html --listing listing.txt --articles articles)
(cd "$work/linux" &&
  "$linux_build/preproc/cli/tarvik" index "${tarvik_args[@]}" --index index >/dev/null 2>&1 &&
  mv kpxsindx.log index.log &&
  "$linux_build/preproc/cli/tarvik" copy "${tarvik_args[@]}" --copy copies >/dev/null 2>&1 &&
  mv kpxsindx.log copy.log &&
  "$linux_build/preproc/cli/tarvik" index "${tarvik_args[@]}" --index accent-free \
    --ignore-accents --log accent-free.log >/dev/null 2>&1) ||
  fail "the Linux tarvik exited with $?"

# Index set: every file byte-identical, except the file mapping log "log",
# a text file with CR LF line ends on Windows.
compare_index() {
  local linux=$1 windows=$2 problems=""
  local names
  names=$( (cd "$linux" && find . -type f; cd "$windows" && find . -type f) | sort -u)
  for name in $names; do
    if [ ! -f "$linux/$name" ] || [ ! -f "$windows/$name" ]; then
      problems+=" $name(missing)"
    elif [ "$name" = ./log ]; then
      if ! all_crlf "$windows/log" || ! cmp -s "$linux/log" <(crlf_to_lf "$windows/log"); then
        problems+=" log"
      fi
    elif ! cmp -s "$linux/$name" "$windows/$name"; then
      problems+=" $name"
    fi
  done
  echo "$problems"
}

# Run logs: equal line for line after CR LF -> LF; a line may differ only in
# its path separators (the paths the run names: "\" on Windows, "/" here;
# listing lines are logged as written and may hold either).
compare_log() {
  local linux=$1 windows=$2
  all_crlf "$windows" || { echo "a line without CR LF"; return; }
  local mapped=0 l w
  local -a lines_l lines_w
  mapfile -t lines_l <"$linux"
  mapfile -t lines_w < <(crlf_to_lf "$windows")
  [ "${#lines_l[@]}" -eq "${#lines_w[@]}" ] ||
    { echo "${#lines_l[@]} lines here, ${#lines_w[@]} on Windows"; return; }
  for i in "${!lines_l[@]}"; do
    l=${lines_l[$i]} w=${lines_w[$i]}
    [ "$l" = "$w" ] && continue
    if [ "${l//\\//}" = "${w//\\//}" ]; then mapped=$((mapped + 1))
    else echo "line $((i + 1)): '$l' / '$w'"; return; fi
  done
  echo "ok $mapped"
}

# The script of searches with its two paths made absolute: Linux paths here,
# drive paths (Z:\...) on Windows.
absolute_paths() {
  local base=$1 line pattern='^(KPXSearchSet(Index|Articles)Path) "([^"]*)"$'
  while IFS= read -r line; do
    if [[ $line =~ $pattern ]]; then
      printf '%s "%s"\n' "${BASH_REMATCH[1]}" "$base${BASH_REMATCH[3]}"
    else printf '%s\n' "$line"; fi
  done <scripts/windows-searches.txt
}

# The 32-bit programs are the shipped ones; the 64-bit builds are checked the
# same way.
for arch in win32 win64; do
  bits=${arch#win}
  side=$work/windows-$arch
  echo "== 3. tarvik.exe ($bits-bit) under Wine against the Linux tarvik"
  if [ "$runs_32bit" = no ] && [ "$arch" = win32 ]; then
    echo "  not run: this kernel cannot execute 32-bit x86 programs"
    not_run+=("tarvik.exe and kpxsearch.exe (32-bit)")
    continue
  fi
  prepare_side "$side"
  tarvik_exe=$root/build-$arch/preproc/cli/tarvik.exe
  status=0
  # The default fold (the system's CharUpperA in code page 1252 under Wine).
  run_wine "$side" "$tarvik_exe" index "${tarvik_args[@]}" --index index >/dev/null &&
    mv "$side/kpxsindx.log" "$side/index.log" &&
    run_wine "$side" "$tarvik_exe" copy "${tarvik_args[@]}" --copy copies >/dev/null &&
    mv "$side/kpxsindx.log" "$side/copy.log" || status=$?
  # A second index run into a new folder three levels deep, given as a drive
  # path, with the fold named: EnsurePath creates each level from the fourth
  # character on.
  nested=$(windows_path "$side/nested/deeper/index")
  run_wine "$side" "$tarvik_exe" index "${tarvik_args[@]}" --index "$nested" --fold cp1252 \
    --log nested.log >/dev/null || status=$?
  # Words folded without accents (accepted: the code page under Wine is 1252).
  run_wine "$side" "$tarvik_exe" index "${tarvik_args[@]}" --index accent-free --ignore-accents \
    --log accent-free.log >/dev/null || status=$?
  if [ "$status" -ne 0 ]; then
    fail "tarvik.exe ($bits-bit) exited with $status"
    cat "$work/wine.err" >&2
  fi
  problems=$(compare_index "$work/linux/index" "$side/index")
  count=$(find "$work/linux/index" -type f | wc -l)
  if [ -z "$problems" ] && [ "$count" -gt 2 ]; then
    pass "index set: $count files equal (log after CR LF -> LF)"
  else fail "index set differs:$problems"; fi
  # The fold record is one of the files compared; both runs name the same fold.
  if [ -f "$side/index/fold" ] && cmp -s "$work/linux/index/fold" "$side/index/fold"; then
    pass "fold record equal: $(sed -n 2p "$side/index/fold")"
  else fail "fold record differs or is missing"; fi
  problems=$(compare_index "$work/linux/accent-free" "$side/accent-free")
  if [ -z "$problems" ] && [ "$(sed -n 2p "$side/accent-free/fold")" = cp1252-accent-free ]; then
    pass "index set written with --ignore-accents is the same"
  else fail "index set with --ignore-accents differs:$problems"; fi
  problems=$(compare_index "$work/linux/index" "$side/nested/deeper/index")
  if [ -z "$problems" ]; then pass "index set written with --fold cp1252 into a new nested drive path is the same"
  else fail "nested index set differs:$problems"; fi
  if diff -r "$work/linux/copies" "$side/copies" >/dev/null &&
     [ -f "$work/linux/copies/a1/t0001" ]; then
    pass "phrase search files: $(find "$work/linux/copies" -type f | wc -l) copies byte-identical"
  else fail "phrase search files differ"; fi
  for log in index.log copy.log; do
    result=$(compare_log "$work/linux/$log" "$side/$log")
    if [ "${result%% *}" = ok ]; then
      pass "run log $log equal (CR LF -> LF; ${result#ok } lines differ only in separators)"
    else fail "run log $log: $result"; fi
  done

  echo "== 4. kpxsearch.exe with KPXSearch.x32 ($bits-bit) under Wine against the Linux kpxsearch"
  kpxsearch_exe=$root/build-$arch/xtra/kpxsearch/kpxsearch.exe
  if [ ! -x "$linux_build/xtra/kpxsearch/kpxsearch" ] || [ ! -f "$kpxsearch_exe" ]; then
    echo "  (the host simulator is not built; searches skipped)"
    continue
  fi
  if [ ! -f "$work/linux/searches.out" ]; then
    absolute_paths "$work/linux/" >"$work/linux/searches.lingo"
    (cd "$work/linux" &&
      "$linux_build/xtra/kpxsearch/kpxsearch" --script searches.lingo >searches.out) ||
      fail "Linux kpxsearch exited with $?"
    # A host of major version 8 meets the version gate: a message box and no search.
    (cd "$work/linux" &&
      "$linux_build/xtra/kpxsearch/kpxsearch" --host-version 8 --script searches.lingo \
        >gate.out 2>&1) || true
  fi
  absolute_paths "$(windows_path "$side")\\" >"$side/searches.lingo"
  if grep -q 'Path "Z:' "$side/searches.lingo"; then
    pass "the Windows script sets its paths as drive paths"
  else fail "the Windows script holds no drive path"; fi
  plugin=$(windows_path "$root/build-$arch/xtra/host/KPXSearch.x32")
  script=$(windows_path "$side/searches.lingo")
  run_wine "$side" "$kpxsearch_exe" --plugin "$plugin" --script "$script" >"$side/searches.out" ||
    fail "kpxsearch.exe exited with $?"
  answers=$(grep -vc '^0$' "$work/linux/searches.out" || true)
  if cmp -s "$work/linux/searches.out" <(crlf_to_lf "$side/searches.out") &&
     [ "$answers" -gt 10 ]; then
    pass "$(wc -l <"$work/linux/searches.out") answers equal"
  else
    fail "answers differ"
    diff "$work/linux/searches.out" <(crlf_to_lf "$side/searches.out") >&2 || true
  fi
  # Without a display Wine's MessageBoxA returns at once.
  run_wine "$side" "$kpxsearch_exe" --plugin "$plugin" --host-version 8 --script "$script" \
    >"$side/gate.out" || true
  if grep -q 'KPXS1010' "$work/linux/gate.out" &&
     cmp -s <(grep -v KPXS1010 "$work/linux/gate.out") <(crlf_to_lf "$side/gate.out"); then
    pass "the version gate answers the same"
  else fail "the version gate answers differ"; fi
done

echo "== 4. The Windows desktop form (tarvik-gui.exe) under Wine and Xvfb"
if [ "$runs_32bit" = no ]; then
  echo "  not run for the 32-bit form: this kernel cannot execute 32-bit x86 programs; the"
  echo "  form built for x86_64 runs under wine64 instead"
  not_run+=("the Windows form (32-bit; its x86_64 build ran instead)")
  if KPX_WINE=$wine ./scripts/windows-form-test.sh "$unit_build" "$linux_build"; then
    pass "the Windows form's test (x86_64)"
  else fail "the Windows form's test (x86_64)"; fi
elif ./scripts/windows-form-test.sh build-win32 "$linux_build"; then pass "the Windows form's test"
else fail "the Windows form's test"; fi

echo "windows: $passed passed, $failed failed"
if [ "${#not_run[@]}" -gt 0 ]; then
  echo "windows: NOT RUN on this machine, whose kernel cannot execute 32-bit x86 programs:"
  printf 'windows:   %s\n' "${not_run[@]}"
fi
[ "$failed" -eq 0 ]
