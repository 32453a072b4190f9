#!/usr/bin/env bash
# The demo: index and copy the sample articles of examples/, then search them
# through the plug-in as a host would load it.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
tarvik=$build/preproc/cli/tarvik
kpxsearch=$build/xtra/kpxsearch/kpxsearch

echo "== tarvik index: examples/listing.txt -> examples/index"
"$tarvik" index --html --listing examples/listing.txt --articles examples/articles \
  --index examples/index --log examples/kpxsindx-index.log
echo "== tarvik copy: examples/listing.txt -> examples/copies"
"$tarvik" copy --html --listing examples/listing.txt --articles examples/articles \
  --copy examples/copies --log examples/kpxsindx-copy.log
echo "== tarvik verify: the two sets belong together"
"$tarvik" verify --html --index examples/index --copy examples/copies \
  --listing examples/listing.txt --articles examples/articles

if [ ! -x "$kpxsearch" ]; then
  echo "(kpxsearch is not built; skipping the searches)"
  exit 0
fi
search() {
  echo "== kpxsearch $*"
  "$kpxsearch" --index examples/index --articles examples/copies --max-lines 3 "$@" || true
}
search river
search "new york"
search --whole-word "new york"
search --and harbour moor
search --or otter heron
search --range first:1:7 harbour
echo "== kpxsearch --script (Lingo-style calls)"
"$kpxsearch" --script - <<'LINGO'
new
KPXSearchSetIndexPath "examples/index"
KPXSearchSetArticlesPath "examples/copies"
KPXSearchAddWordPhrase "new york"
KPXSearchCountMatches
KPXSearchGetMatch 1
KPXSearchGetMatch 2
KPXSearchCreateMatchesList "Sailors went to New York, then to new yorkshire."
LINGO
