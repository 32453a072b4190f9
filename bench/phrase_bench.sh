#!/usr/bin/env bash
# The phrase accelerator's benchmarks, called by bench/run.sh (or alone, after
# one make bench has left the real text corpus in the work directory):
#   1. 60 phrase searches in one `kpxsearch --script` process, with the copy
#      path's accelerator and with bare copies, against one sqlite3 process
#      answering the same phrases as FTS5 MATCH queries, over the first 2,500
#      articles of the real text corpus; warm (page cache as the runs leave
#      it), then cold (the page cache dropped before every run, which needs
#      root: otherwise it says so and measures warm only);
#   2. the in-process engine benchmark over the same set, with and without
#      the accelerator (engine_bench with ENGINE_BENCH_CORPUS=text).
# Both kpxsearch runs must print the same counts: the accelerator changes no
# answer. Targets (README, "Performance"): the script in at most half FTS5's
# time warm and at most FTS5's time cold.
#
#   bench/phrase_bench.sh [BUILD [WORK]]     RUNS (default 7) runs per command
set -euo pipefail
build=${1:-build-bench}
cd "$(dirname "$0")/.."
root=$(pwd)
work=${2:-$build/bench-work}
[[ $work = /* ]] || work=$root/$work
runs=${RUNS:-7}
tarvik=$root/$build/preproc/cli/tarvik
kpxsearch=$root/$build/xtra/kpxsearch/kpxsearch
corpus=$work/text
dir=$work/phrase
if [ ! -f "$corpus/listing.txt" ]; then
  echo "phrase_bench: no text corpus in $corpus (run make bench first)" >&2
  exit 1
fi
mkdir -p "$dir"

# The set: the first 2,500 articles the text corpus lists, indexed, copied
# with the accelerator and copied bare; the same articles in FTS5.
if [ ! -f "$dir/copies/kpxpairs" ] || [ ! -f "$dir/fts5.db" ]; then
  rm -rf "$dir/index" "$dir/copies" "$dir/bare" "$dir/fts5.db"
  grep -v '^|' "$corpus/listing.txt" | head -n 2500 >"$dir/listing.txt"
  common=(--listing "$dir/listing.txt" --articles "$corpus/articles" --log "$dir/run.log")
  "$tarvik" index "${common[@]}" --index "$dir/index" >/dev/null
  "$tarvik" copy "${common[@]}" --copy "$dir/copies" 2>/dev/null
  "$tarvik" copy "${common[@]}" --copy "$dir/bare" --no-phrase-index 2>/dev/null
  {
    echo "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
    echo "CREATE VIRTUAL TABLE docs USING fts5(body);"
    echo "BEGIN;"
    while IFS= read -r name; do
      echo "INSERT INTO docs(body) VALUES (readfile('$corpus/articles/${name//\'/\'\'}'));"
    done <"$dir/listing.txt"
    echo "COMMIT;"
  } | sqlite3 "$dir/fts5.db" >/dev/null
fi
awk -v a="$(stat -c %s "$dir/copies/kpxpairs")" \
  -v c="$(cat "$dir"/copies/a*/t* | wc -c)" \
  'BEGIN { printf "phrase accelerator: %.1f MB for %.1f MB of copies (%.2fx; at most 1x)\n",
           a / 1e6, c / 1e6, a / c }'

# 20 common phrases, each in prefix and whole-word mode, and 20 AND pairs of
# them in prefix mode: 60 searches.
phrases=("of the" "in the" "to the" "on the" "and the" "for the" "it is" "can be" "is a"
  "of a" "at the" "from the" "with the" "by the" "free software" "this is" "in a" "to be"
  "will be" "as a")
{
  for whole in 0 1; do
    for p in "${phrases[@]}"; do
      printf 'new\nKPXSearchWholeWord %d\nKPXSearchAddWordPhrase "%s"\nKPXSearchCountMatches\n' \
        "$whole" "$p"
    done
  done
  for i in $(seq 0 19); do
    printf 'new\nKPXSearchAndOr 1\nKPXSearchAddWordPhrase "%s"\nKPXSearchAddWordPhrase "%s"\n' \
      "${phrases[$i]}" "${phrases[$(((i + 7) % 20))]}"
    printf 'KPXSearchCountMatches\n'
  done
} >"$dir/calls.txt"
for set in copies bare; do
  {
    printf 'new\nKPXSearchSetIndexPath "%s"\nKPXSearchSetArticlesPath "%s"\n' "$dir/index" "$dir/$set"
    cat "$dir/calls.txt"
  } >"$dir/script-$set.txt"
done
{
  for p in "${phrases[@]}"; do echo "SELECT count(*) FROM docs WHERE docs MATCH '\"$p\" *';"; done
  for p in "${phrases[@]}"; do echo "SELECT count(*) FROM docs WHERE docs MATCH '\"$p\"';"; done
  for i in $(seq 0 19); do
    echo "SELECT count(*) FROM docs WHERE docs MATCH '\"${phrases[$i]}\" * AND \"${phrases[$(((i + 7) % 20))]}\" *';"
  done
} >"$dir/fts5-phrases.sql"

"$kpxsearch" --script "$dir/script-copies.txt" >"$dir/counts-copies.txt"
"$kpxsearch" --script "$dir/script-bare.txt" >"$dir/counts-bare.txt"
if ! cmp -s "$dir/counts-copies.txt" "$dir/counts-bare.txt"; then
  echo "phrase_bench: the accelerator changed an answer:" >&2
  diff "$dir/counts-copies.txt" "$dir/counts-bare.txt" >&2 || true
  exit 1
fi
echo "60 searches: the same counts with and without the accelerator"

with="$kpxsearch --script $dir/script-copies.txt"
bare="$kpxsearch --script $dir/script-bare.txt"
fts="sqlite3 $dir/fts5.db < $dir/fts5-phrases.sql"
median() { awk -F, -v c="$2" '$1 == c { print $4 }' "$1"; }
report() { # csv, target over FTS5 for the accelerated script
  awk -v a="$(median "$1" accelerator)" -v b="$(median "$1" bare)" -v f="$(median "$1" FTS5)" \
    -v t="$2" 'BEGIN {
      printf "  accelerator %.3f s, bare copies %.3f s, FTS5 %.3f s: %.2fx FTS5'"'"'s time, ", a, b, f, a / f
      printf "target at most %.1fx: %s\n", t, (a <= t * f ? "met" : "NOT MET") }'
}
echo
echo "== 60 phrase searches, one process each: warm, median of $runs runs"
hyperfine --warmup 2 --runs "$runs" --export-csv "$dir/warm.csv" \
  -n accelerator "$with" -n bare "$bare" -n FTS5 "$fts" >/dev/null
report "$dir/warm.csv" 0.5
echo
if [ "$(id -u)" = 0 ] && [ -w /proc/sys/vm/drop_caches ]; then
  echo "== the same, cold: the page cache dropped before every run"
  drop='sync; echo 3 > /proc/sys/vm/drop_caches'
  hyperfine --runs "$runs" --export-csv "$dir/cold.csv" --prepare "$drop" \
    -n accelerator "$with" -n bare "$bare" -n FTS5 "$fts" >/dev/null
  report "$dir/cold.csv" 1.0
else
  echo "== cold: not measured (dropping the page cache needs root)"
fi

echo
echo "== engine_bench over the text set, with (engine/) and without (engine-bare/) the accelerator"
ENGINE_BENCH_CORPUS=text "$root/$build/bench/engine_bench" "$work"
