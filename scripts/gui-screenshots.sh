#!/usr/bin/env bash
# Takes the README's pictures of the wx form (docs/form.png) and its search
# window (docs/search-window.png) from real runs on the sample articles, laid
# out as an author's title: /home/anna/titles/harbour/{listing.txt,articles}.
# That folder lives on a private tmpfs in a mount namespace of this script's
# own (unshare, as root), so nothing is left on the machine.
#
# Usage: scripts/gui-screenshots.sh [BUILD]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
title=/home/anna/titles/harbour

if [ "${KPX_IN_NAMESPACE:-}" != 1 ]; then
  command -v xvfb-run >/dev/null || { echo "gui-screenshots: xvfb-run is missing" >&2; exit 1; }
  cmake --build "$build" -j "${JOBS:-$(nproc)}" --target tarvik_gui_test >/dev/null
  exec env KPX_IN_NAMESPACE=1 unshare -m "$0" "$@"
fi

mkdir -p /home
mount -t tmpfs tmpfs /home
mkdir -p "$title"
cp -r examples/articles examples/listing.txt "$title/"
KPX_SCREENSHOT_ROOT=$title xvfb-run -a "$build/preproc/wx/tarvik_gui_test" \
  --gtest_filter='*Screenshots*' >/dev/null
cp "$build/tarvik-gui-form.png" docs/form.png
cp "$build/tarvik-gui-search.png" docs/search-window.png
echo "gui-screenshots: docs/form.png docs/search-window.png"
