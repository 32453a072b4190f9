#!/usr/bin/env bash
# Runs the Windows desktop form's test (tarvik_gui_win32_test.exe, the real
# windows driven with messages) under Wine on a virtual X display, against the
# Linux tarvik's files for the sample articles:
#   1. the Linux tarvik indexes and copies examples/ (--html) into a work folder
#   2. the test, in a throwaway Wine prefix, clicks the form's buttons on a
#      copy of the same articles and compares what the runs wrote, then
#      searches in the form's search window and compares the articles with
#      what the Linux kpxsearch lists (search.out)
# Every message box and dialog is answered by the test itself; everything
# runs under timeouts, so no run can hang.
#
# Usage: scripts/windows-form-test.sh [WIN32_BUILD [LINUX_BUILD]]
#          (defaults: build-win32 build)
#        scripts/windows-form-test.sh --screenshot FILE [--search-screenshot FILE2]
#                                     [WIN32_BUILD [LINUX_BUILD]]
#          also takes a PNG screenshot of the form after its runs, made again
#          on C:\Titles\Harbour (the work folder, linked into the prefix), and
#          of the search window on that set
# Exits 0 with a note when Wine, Xvfb or the Windows build is missing.
# KPX_WINE names the Wine to run the programs with (default: wine; the check
# of the Windows builds gives wine64 on a machine that runs no 32-bit program).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
wine=${KPX_WINE:-wine}

# One X display for the prefix's set-up and the test (this script, called
# again by xvfb-run). With a screenshot, the test runs on a Wine desktop of
# its own: Wine then draws the window's caption and frame, which the bare
# display, with no window manager, would leave out.
if [ "${1:-}" = --on-display ]; then
  timeout 120 "$wine" wineboot -i >/dev/null 2>&1 || true
  timeout 60 wineserver -w || true
  if [ -z "$screenshot" ]; then exec timeout 300 "$wine" "$test_exe"; fi
  export KPX_FORM_HOLD KPX_FORM_TITLE KPX_FORM_HOLD_SEARCH
  KPX_FORM_HOLD=$(windows_path "$work/screenshot.done")
  # The pictures show an author's paths: the work folder as C:\Titles\Harbour.
  mkdir -p "$WINEPREFIX/drive_c/Titles"
  ln -sfn "$work/windows" "$WINEPREFIX/drive_c/Titles/Harbour"
  KPX_FORM_TITLE='C:\Titles\Harbour'
  KPX_FORM_HOLD_SEARCH=""
  if [ -n "$search_screenshot" ]; then KPX_FORM_HOLD_SEARCH=$(windows_path "$work/search.done"); fi
  timeout 300 "$wine" explorer /desktop=form,800x600 "$test_exe" &
  pid=$!
  # The test writes each window's place on the Wine desktop (WxH+X+Y) into
  # NAME.ready and waits for NAME.done.
  shoot() {
    for _ in $(seq 2400); do
      [ -s "$work/windows/$1.ready" ] && break
      sleep 0.1
    done
    sleep 1
    import -window root -crop "$(head -1 "$work/windows/$1.ready")" +repage "$2" || true
    touch "$work/$1.done"
  }
  shoot screenshot "$screenshot"
  if [ -n "$search_screenshot" ]; then shoot search "$search_screenshot"; fi
  wait "$pid"
  exit
fi

screenshot=""
search_screenshot=""
if [ "${1:-}" = --screenshot ]; then
  screenshot=$(realpath -m "$2")
  shift 2
fi
if [ -n "$screenshot" ] && [ "${1:-}" = --search-screenshot ]; then
  search_screenshot=$(realpath -m "$2")
  shift 2
fi
win32_build=${1:-build-win32}
linux_build=${2:-build}

skip() {
  echo "windows-form: skipped: $1"
  exit 0
}
command -v "$wine" >/dev/null || skip "$wine is not installed (scripts/install-deps.sh installs it)"
command -v xvfb-run >/dev/null || skip "xvfb-run is not installed (scripts/install-deps.sh installs it)"
test_exe=$root/$win32_build/preproc/win32/tarvik_gui_win32_test.exe
[ -f "$test_exe" ] || skip "$test_exe is not built (scripts/windows-build.sh builds it)"
if [ -n "$screenshot" ]; then
  command -v import >/dev/null || skip "ImageMagick's import is not installed"
fi

# The form needs no DLL beyond the system's own.
gui_exe=$root/$win32_build/preproc/win32/tarvik-gui.exe
if command -v x86_64-w64-mingw32-objdump >/dev/null && [ -f "$gui_exe" ]; then
  foreign=""
  for dll in $(x86_64-w64-mingw32-objdump -p "$gui_exe" | sed -n 's/^\s*DLL Name: //p'); do
    case "${dll,,}" in
      kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | comdlg32.dll | msvcrt.dll) ;;
      *) foreign+=" $dll" ;;
    esac
  done
  if [ -n "$foreign" ]; then
    echo "windows-form: FAILED: tarvik-gui.exe needs non-system DLLs:$foreign"
    exit 1
  fi
fi

echo "== Linux reference ($linux_build)"
if [ ! -f "$linux_build/CMakeCache.txt" ]; then
  cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$linux_build" -j "${JOBS:-$(nproc)}" --target tarvik kpxsearch >/dev/null
tarvik=$(cd "$linux_build" && pwd)/preproc/cli/tarvik
kpxsearch=$(cd "$linux_build" && pwd)/xtra/kpxsearch/kpxsearch

work=$(mktemp -d "${TMPDIR:-/tmp}/kpx-windows-form.XXXXXX")
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d"
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

for side in linux windows; do
  mkdir -p "$work/$side"
  cp -r examples/articles examples/listing.txt "$work/$side/"
done
(cd "$work/linux" &&
  "$tarvik" index --html --listing listing.txt --articles articles --index index >index.out 2>/dev/null &&
  mv kpxsindx.log index.log &&
  "$tarvik" copy --html --listing listing.txt --articles articles --copy copies >copy.out 2>/dev/null &&
  mv kpxsindx.log copy.log &&
  "$kpxsearch" --index index --articles copies --list --names harbour >search.out)

export KPX_FORM_WORK KPX_FORM_REFERENCE
KPX_FORM_WORK=$(windows_path "$work/windows")
KPX_FORM_REFERENCE=$(windows_path "$work/linux")

export test_exe screenshot search_screenshot work

echo "== The Windows form under Wine (xvfb-run)"
status=0
timeout 600 xvfb-run -a -s "-screen 0 1024x768x24" "$root/scripts/windows-form-test.sh" --on-display || status=$?
if [ -n "$screenshot" ] && [ -f "$screenshot" ]; then echo "windows-form: screenshot $screenshot"; fi
if [ -n "$search_screenshot" ] && [ -f "$search_screenshot" ]; then
  echo "windows-form: screenshot $search_screenshot"
fi
if [ "$status" -ne 0 ]; then
  echo "windows-form: FAILED (exit $status)"
  exit "$status"
fi
echo "windows-form: passed"
