#!/usr/bin/env bash
# Checks the Windows builds against the Linux build:
#   1. the 32-bit KPXSearch.x32 exports exactly the five entry points,
#      undecorated, and its entry points are stdcall; no Windows binary needs
#      a DLL beyond the system's own
#   2. tarvik.exe (64-bit, under Wine) writes the same index set and copies as
#      the Linux tarvik from the sample articles
#   3. kpxsearch.exe (64-bit, under Wine) with the 64-bit KPXSearch.x32 gives
#      the same answers as the Linux kpxsearch for a script of searches, also
#      behind the version gate
# 32-bit Windows programs cannot run here (no 32-bit Wine loader), so the
# 32-bit build is checked by its export table and by building its tests.
#
# Usage: scripts/windows-test.sh [LINUX_BUILD]   (default: build)
# Exits 0 with a note when the cross compilers or Wine are not installed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
linux_build=${1:-build}

skip() {
  echo "windows: skipped: $1 (scripts/install-deps.sh installs it)"
  exit 0
}
for tool in i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix \
            i686-w64-mingw32-objdump i686-w64-mingw32-nm; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
wine=$(command -v wine64 || true)
[ -n "$wine" ] || { [ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64; } || true
[ -n "$wine" ] || skip "wine64 is not installed"

./scripts/windows-build.sh
echo "== Linux reference build ($linux_build)"
if [ ! -f "$linux_build/CMakeCache.txt" ]; then
  cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
linux_targets=(tarvik)
if [ -f xtra/hostsim/CMakeLists.txt ]; then linux_targets+=(KPXSearch kpxsearch); fi
cmake --build "$linux_build" -j "${JOBS:-$(nproc)}" --target "${linux_targets[@]}" >/dev/null
linux_build=$(cd "$linux_build" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/kpx-windows-test.XXXXXX")
# Wine: a prefix of its own, no display, no messages, no Mono/Gecko set-up.
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d"
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
  "$WINESERVER" -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
pass() { echo "  ok: $1"; passed=$((passed + 1)); }
fail() { echo "  FAILED: $1"; failed=$((failed + 1)); }
# The Windows form of an absolute path: Wine's drive Z: is the root.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
# Runs a Windows program under Wine in directory $1; stderr goes to $work/wine.err.
run_wine() {
  local dir=$1
  shift
  (cd "$dir" && "$wine" "$@" 2>>"$work/wine.err")
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
for binary in build-win32/xtra/host/KPXSearch.x32 build-win64/xtra/host/KPXSearch.x32 \
              build-win64/preproc/cli/tarvik.exe build-win64/xtra/hostsim/kpxsearch.exe; do
  [ -f "$binary" ] || continue
  for dll in $(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^\s*DLL Name: //p'); do
    case "${dll,,}" in kernel32.dll | msvcrt.dll | user32.dll) ;; *) foreign+=" $binary:$dll" ;; esac
  done
done
if [ -z "$foreign" ]; then pass "the Windows binaries need no DLL beyond the system's"
else fail "non-system DLLs:$foreign"; fi

echo "== 2. tarvik.exe under Wine against the Linux tarvik"
# Both sides run in a folder of their own with the same relative paths, so the
# run logs name the same paths, apart from the separator.
for side in linux windows; do
  mkdir -p "$work/$side"
  cp -r examples/articles examples/listing.txt "$work/$side/"
done
tarvik_args=(--html --listing listing.txt --articles articles)
(cd "$work/linux" &&
  "$linux_build/preproc/cli/tarvik" index "${tarvik_args[@]}" --index index >/dev/null 2>&1 &&
  mv kpxsindx.log index.log &&
  "$linux_build/preproc/cli/tarvik" copy "${tarvik_args[@]}" --copy copies >/dev/null 2>&1 &&
  mv kpxsindx.log copy.log)
tarvik_exe=$root/build-win64/preproc/cli/tarvik.exe
status=0
run_wine "$work/windows" "$tarvik_exe" index "${tarvik_args[@]}" --index index >/dev/null &&
  mv "$work/windows/kpxsindx.log" "$work/windows/index.log" &&
  run_wine "$work/windows" "$tarvik_exe" copy "${tarvik_args[@]}" --copy copies >/dev/null &&
  mv "$work/windows/kpxsindx.log" "$work/windows/copy.log" || status=$?
# A second index run into a new folder three levels deep, given as a drive
# path: EnsurePath creates each level from the fourth character on.
nested=$(windows_path "$work/windows/nested/deeper/index")
run_wine "$work/windows" "$tarvik_exe" index "${tarvik_args[@]}" --index "$nested" \
  --log nested.log >/dev/null || status=$?
if [ "$status" -ne 0 ]; then
  fail "tarvik.exe exited with $status"
  cat "$work/wine.err" >&2
fi

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
problems=$(compare_index "$work/linux/index" "$work/windows/index")
count=$(find "$work/linux/index" -type f | wc -l)
if [ -z "$problems" ] && [ "$count" -gt 2 ]; then
  pass "index set: $count files equal (log after CR LF -> LF)"
else fail "index set differs:$problems"; fi
problems=$(compare_index "$work/linux/index" "$work/windows/nested/deeper/index")
if [ -z "$problems" ]; then pass "index set written into a new nested drive path is the same"
else fail "nested index set differs:$problems"; fi
if diff -r "$work/linux/copies" "$work/windows/copies" >/dev/null &&
   [ -f "$work/linux/copies/a1/t0001" ]; then
  pass "phrase search files: $(find "$work/linux/copies" -type f | wc -l) copies byte-identical"
else fail "phrase search files differ"; fi

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
for log in index.log copy.log; do
  result=$(compare_log "$work/linux/$log" "$work/windows/$log")
  if [ "${result%% *}" = ok ]; then
    pass "run log $log equal (CR LF -> LF; ${result#ok } lines differ only in separators)"
  else fail "run log $log: $result"; fi
done

echo "== 3. kpxsearch.exe with KPXSearch.x32 under Wine against the Linux kpxsearch"
kpxsearch_exe=$root/build-win64/xtra/hostsim/kpxsearch.exe
if [ ! -x "$linux_build/xtra/hostsim/kpxsearch" ] || [ ! -f "$kpxsearch_exe" ]; then
  echo "  (the host simulator is not built; searches skipped)"
else
  searches=$root/scripts/windows-searches.txt
  (cd "$work/linux" && "$linux_build/xtra/hostsim/kpxsearch" --script "$searches" >searches.out) ||
    fail "Linux kpxsearch exited with $?"
  plugin=$(windows_path "$root/build-win64/xtra/host/KPXSearch.x32")
  run_wine "$work/windows" "$kpxsearch_exe" --plugin "$plugin" \
    --script "$(windows_path "$searches")" >"$work/windows/searches.out" ||
    fail "kpxsearch.exe exited with $?"
  answers=$(grep -vc '^0$' "$work/linux/searches.out" || true)
  if cmp -s "$work/linux/searches.out" <(crlf_to_lf "$work/windows/searches.out") &&
     [ "$answers" -gt 10 ]; then
    pass "$(wc -l <"$work/linux/searches.out") answers equal"
  else
    fail "answers differ"
    diff "$work/linux/searches.out" <(crlf_to_lf "$work/windows/searches.out") >&2 || true
  fi
  # A host of major version 8 meets the version gate: a message box
  # (MessageBoxA; without a display Wine returns from it at once) and no search.
  (cd "$work/linux" &&
    "$linux_build/xtra/hostsim/kpxsearch" --host-version 8 --script "$searches" >gate.out 2>&1) ||
    true
  run_wine "$work/windows" "$kpxsearch_exe" --plugin "$plugin" --host-version 8 \
    --script "$(windows_path "$searches")" >"$work/windows/gate.out" || true
  if grep -q 'KPXS1010' "$work/linux/gate.out" &&
     cmp -s <(grep -v KPXS1010 "$work/linux/gate.out") <(crlf_to_lf "$work/windows/gate.out"); then
    pass "the version gate answers the same"
  else fail "the version gate answers differ"; fi
fi

echo "== 4. The Windows desktop form (tarvik-gui.exe) under Wine and Xvfb"
if ./scripts/windows-form-test.sh build-win32 "$linux_build"; then pass "the Windows form's test"
else fail "the Windows form's test"; fi

echo "windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
