#!/usr/bin/env bash
# The benchmarks: index and copy throughput of tarvik over a generated corpus,
# side by side with SQLite FTS5 and cp -r on the same files, then the search
# engine's latency (if its benchmark is built). Figures go to standard output.
set -euo pipefail
build=${1:-build-bench}
cd "$(dirname "$0")/.."
root=$(pwd)
work=$build/bench-work
tarvik=$root/$build/preproc/cli/tarvik
mkdir -p "$work"

for kind in shuffled sorted; do
  if [ ! -f "$work/$kind/listing.txt" ]; then
    echo "generating the $kind corpus (9,999 articles)"
    "$build/bench/make_corpus" "$work/$kind" 9999 "$kind"
  fi
done
bytes=$(cat "$work"/shuffled/articles/* | wc -c)
mb=$(echo "scale=2; $bytes / 1000000" | bc 2>/dev/null || awk "BEGIN{print $bytes/1000000}")
echo "corpus: 9,999 articles, $mb MB of article text"

# One SQL script that builds an FTS5 index over the same files.
fts_sql=$work/fts5.sql
{
  echo "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
  echo "CREATE VIRTUAL TABLE docs USING fts5(body);"
  echo "BEGIN;"
  # Paths relative to $work, where hyperfine runs.
  for f in "$work"/shuffled/articles/*; do echo "INSERT INTO docs(body) VALUES (readfile('shuffled/articles/${f##*/}'));"; done
  echo "COMMIT;"
} > "$fts_sql"

cd "$work"
hyperfine --warmup 1 --runs 5 --export-csv index.csv \
  -n "tarvik index (shuffled)" \
  "$tarvik index --listing shuffled/listing.txt --articles shuffled/articles --index idx-shuffled --log idx.log >/dev/null 2>&1" \
  -n "tarvik index (sorted)" \
  "$tarvik index --listing sorted/listing.txt --articles sorted/articles --index idx-sorted --log idx.log >/dev/null 2>&1" \
  -n "sqlite3 FTS5 build" \
  "rm -f fts5.db && sqlite3 fts5.db < fts5.sql"
hyperfine --warmup 1 --runs 5 --export-csv copy.csv \
  -n "tarvik copy" --prepare "rm -rf copies" \
  "$tarvik copy --listing shuffled/listing.txt --articles shuffled/articles --copy copies --log copy.log >/dev/null 2>&1" \
  -n "cp -r" --prepare "rm -rf cp-copy" \
  "cp -r shuffled/articles cp-copy"

echo
echo "== throughput (MB/s of article text, mean of hyperfine runs)"
for f in index.csv copy.csv; do
  awk -F, -v bytes="$bytes" 'NR > 1 { printf "%-26s %8.1f MB/s  (%.3f s)\n", $1, bytes / $2 / 1e6, $2 }' "$f"
done

echo
echo "== peak memory"
"$root/$build/bench/peak_rss" "$tarvik" index --listing shuffled/listing.txt --articles shuffled/articles \
  --index idx-shuffled --log idx.log >/dev/null 2>peak.txt || true
echo "tarvik index: $(grep peak_rss_mib peak.txt | cut -d' ' -f2) MiB (corpus $mb MB)"

cd "$root"
for bench in "$build"/bench/*_bench; do
  [ -x "$bench" ] || continue
  echo
  echo "== $(basename "$bench")"
  "$bench" "$work"
done
