#!/usr/bin/env bash
# The benchmarks: index and copy speed of tarvik over three corpora, side by
# side with SQLite FTS5 and cp -r on the same files, then the search engine's
# latency (if its benchmark is built). Figures go to standard output.
#
# Corpora: "shuffled" and "sorted", generated (bench/make_corpus.cpp); "text"
# and "html", real files of this machine pinned by bench/corpus-*.manifest
# (bench/real_corpus.sh, which names any file that changed since).
#
# Each comparison is one hyperfine call, so its commands share the machine's
# load; the ratios are of medians. RUNS (default 7) sets the runs per command.
set -euo pipefail
build=${1:-build-bench}
runs=${RUNS:-7}
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
# The real corpora are checked against their manifests every run and copied
# again only when they differ: a file that changed or vanished is named and
# left out.
for kind in text html; do
  echo "checking the real $kind corpus (bench/corpus-$kind.manifest)"
  bench/real_corpus.sh build "$kind" "$work/$kind" >/dev/null
done

# Nothing is deleted while the runs are measured. ext4 without a journal (as
# here) passes over inodes freed in the last minutes when it allocates new
# ones, at a cost per inode passed, so a "rm -rf" of thousands of files
# before a run would slow that run's file creation, and charge it to whatever
# runs next. Each run's output is moved aside into $work/trash instead, which
# is emptied when the benchmarks are done.
trash=$root/$work/trash
rm -rf "$trash"
mkdir -p "$trash"
trap 'rm -rf "$trash"' EXIT

# The files a corpus's listing names (lines beginning with "|" are comments),
# their bytes and their count.
listed() { grep -v '^|' "$work/$1/listing.txt"; }
corpus_bytes() { listed "$1" | (cd "$work/$1/articles" && tr '\n' '\0' | xargs -0 cat | wc -c); }
corpus_files() { listed "$1" | wc -l; }
declare -A bytes
for kind in shuffled text html; do
  bytes[$kind]=$(corpus_bytes "$kind")
  awk -v b="${bytes[$kind]}" -v n="$(corpus_files "$kind")" -v k="$kind" \
    'BEGIN { printf "corpus %-8s %5d articles, %6.1f MB\n", k, n, b / 1e6 }'
done

# One SQL script per corpus that builds an FTS5 index over the same files
# (paths relative to $work, where hyperfine runs).
for kind in shuffled text html; do
  {
    echo "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
    echo "CREATE VIRTUAL TABLE docs USING fts5(body);"
    echo "BEGIN;"
    while IFS= read -r name; do
      echo "INSERT INTO docs(body) VALUES (readfile('$kind/articles/${name//\'/\'\'}'));"
    done < <(listed "$kind")
    echo "COMMIT;"
  } >"$work/fts5-$kind.sql"
done

cd "$work"
index() { # corpus, extra options
  echo "$tarvik index ${2:-} --listing $1/listing.txt --articles $1/articles --index idx-$1 --log idx-$1.log"
}
fts() { echo "sqlite3 fts5-$1.db < fts5-$1.sql"; }
copy() { # corpus, extra options
  echo "$tarvik copy ${2:-} --listing $1/listing.txt --articles $1/articles --copy copies-$1 --log copy-$1.log"
}
quiet=">/dev/null 2>&1"

# Every build starts from nothing, as the FTS5 one does: a fresh index
# directory (the last one moved aside).
aside() { echo "if [ -e $1 ]; then mv $1 \"\$(mktemp -d trash/$1.XXXXXX)\"; fi"; }
hyperfine --warmup 1 --runs "$runs" --export-csv index.csv \
  -n "tarvik index shuffled" --prepare "$(aside idx-shuffled)" "$(index shuffled) $quiet" \
  -n "tarvik index sorted" --prepare "$(aside idx-sorted)" "$(index sorted) $quiet" \
  -n "FTS5 build shuffled" --prepare "$(aside fts5-shuffled.db)" "$(fts shuffled)" \
  -n "tarvik index text" --prepare "$(aside idx-text)" "$(index text) $quiet" \
  -n "FTS5 build text" --prepare "$(aside fts5-text.db)" "$(fts text)" \
  -n "tarvik index html" --prepare "$(aside idx-html)" "$(index html --html) $quiet" \
  -n "FTS5 build html" --prepare "$(aside fts5-html.db)" "$(fts html)"
hyperfine --warmup 1 --runs "$runs" --export-csv copy.csv \
  -n "tarvik copy shuffled" --prepare "$(aside copies-shuffled)" "$(copy shuffled) $quiet" \
  -n "cp -r shuffled" --prepare "$(aside cp-shuffled)" "cp -r shuffled/articles cp-shuffled" \
  -n "tarvik copy text" --prepare "$(aside copies-text)" "$(copy text) $quiet" \
  -n "cp -r text" --prepare "$(aside cp-text)" "cp -r text/articles cp-text" \
  -n "tarvik copy html" --prepare "$(aside copies-html)" "$(copy html --html) $quiet" \
  -n "cp -r html" --prepare "$(aside cp-html)" "cp -r html/articles cp-html" \
  -n "tarvik copy text without accelerator" --prepare "$(aside bare-text)" \
  "$tarvik copy --no-phrase-index --listing text/listing.txt --articles text/articles --copy bare-text --log bare-text.log $quiet" \
  -n "tarvik copy html without accelerator" --prepare "$(aside bare-html)" \
  "$tarvik copy --no-phrase-index --html --listing html/listing.txt --articles html/articles --copy bare-html --log bare-html.log $quiet"
# The reruns, last: a rerun that replaces files deletes the ones it
# replaces, which would slow every file creation measured after it. Beside
# the FTS5 build once more: the rerun over the set the run left (the
# articles unchanged), the rerun after 1% of the articles changed (a few
# words in 25 of the text corpus's files, different words every run, in a
# copy of the corpus kept for it: the measured corpus stays as its manifest
# says), and the copy run over the copies it made before.
# The edit, as a --prepare command (sh): each of the 25 files is the text
# corpus's own with one more line, "edited PID words", where PID is the
# prepare shell's, new every run.
edit_articles() { # corpus directory
  grep -v '^|' text/listing.txt | awk 'NR % 100 == 50' | head -25 | while IFS= read -r name; do
    printf 'cp "text/articles/%s" "%s/articles/%s" && echo "edited $$ words" >>"%s/articles/%s"; ' \
      "$name" "$1" "$name" "$1" "$name"
  done
}
if [ ! -f text-edit/listing.txt ] || ! cmp -s text/listing.txt text-edit/listing.txt; then
  rm -rf text-edit
  mkdir -p text-edit
  cp -r text/articles text-edit/articles
  cp text/listing.txt text-edit/listing.txt
fi
hyperfine --warmup 1 --runs "$runs" --export-csv rerun.csv \
  -n "tarvik index text over its set" --prepare "true" "$(index text) $quiet" \
  -n "FTS5 build text again" --prepare "$(aside fts5-text.db)" "$(fts text)" \
  -n "tarvik index text after a 1% edit" --prepare "$(edit_articles text-edit)" \
  "$(index text-edit) $quiet" \
  -n "tarvik copy shuffled over its copies" --prepare "true" \
  "$tarvik copy --listing shuffled/listing.txt --articles shuffled/articles --copy again-shuffled --log again-shuffled.log $quiet" \
  -n "tarvik copy text over its copies" --prepare "true" \
  "$tarvik copy --listing text/listing.txt --articles text/articles --copy again-text --log again-text.log $quiet" \
  -n "tarvik copy html over its copies" --prepare "true" \
  "$tarvik copy --html --listing html/listing.txt --articles html/articles --copy again-html --log again-html.log $quiet"

# hyperfine's CSV: command,mean,stddev,median,user,system,min,max.
median() { awk -F, -v c="$2" '$1 == c { print $4 }' "$1"; }
cpu() { awk -F, -v c="$2" '$1 == c { print $5 + $6 }' "$1"; }
ratio() { # what, slower command, faster command, target (- for none), csv [, csv of the faster]
  local faster_csv=${6:-$5}
  awk -v what="$1" -v a="$(median "$5" "$2")" -v b="$(median "$faster_csv" "$3")" \
    -v ca="$(cpu "$5" "$2")" -v cb="$(cpu "$faster_csv" "$3")" -v t="$4" 'BEGIN {
      r = a / b
      printf "%-34s %5.2fx  (medians %.3f s / %.3f s; CPU %.2fx)  ", what, r, a, b, ca / cb
      if (t == "-") print "no target"
      else printf "target %.1fx: %s\n", t, (r >= t ? "met" : "NOT MET") }'
}
# The same for a slower run that may take at most t times the other.
at_most() { # what, slower command, its csv, faster command, its csv, target
  awk -v what="$1" -v a="$(median "$3" "$2")" -v b="$(median "$5" "$4")" \
    -v ca="$(cpu "$3" "$2")" -v cb="$(cpu "$5" "$4")" -v t="$6" 'BEGIN {
      r = a / b
      printf "%-34s %5.2fx  (medians %.3f s / %.3f s; CPU %.2fx)  ", what, r, a, b, ca / cb
      printf "target at most %.1fx: %s\n", t, (r <= t ? "met" : "NOT MET") }'
}

echo
echo "== speed: median of $runs runs, MB/s of article text"
for kind in shuffled sorted text html; do
  b=${bytes[$kind]:-${bytes[shuffled]}}
  for cmd in "tarvik index $kind" "tarvik index $kind over its set" \
    "tarvik index $kind after a 1% edit" "FTS5 build $kind" "tarvik copy $kind" \
    "tarvik copy $kind over its copies" "cp -r $kind"; do
    for f in index.csv copy.csv rerun.csv; do
      m=$(median "$f" "$cmd")
      [ -n "$m" ] && awk -v c="$cmd" -v m="$m" -v b="$b" \
        'BEGIN { printf "%-26s %8.1f MB/s  (%.3f s)\n", c, b / m / 1e6, m }'
    done
  done
done

echo
echo "== ratios (the faster side's speed over the slower's)"
ratio "index, synthetic: tarvik / FTS5" "FTS5 build shuffled" "tarvik index shuffled" 4 index.csv
ratio "index, real text: tarvik / FTS5" "FTS5 build text" "tarvik index text" 3 index.csv
ratio "  the same, over its previous set" "FTS5 build text again" "tarvik index text over its set" 3 rerun.csv
at_most "  rerun after a 1% edit / fresh run" "tarvik index text after a 1% edit" rerun.csv \
  "tarvik index text" index.csv 1.3
ratio "index, real HTML: tarvik / FTS5" "FTS5 build html" "tarvik index html" 3 index.csv
ratio "index, sorted / shuffled vocabulary" "tarvik index shuffled" "tarvik index sorted" 0.5 index.csv
for kind in shuffled text html; do
  ratio "copy, $kind: tarvik / cp -r" "cp -r $kind" "tarvik copy $kind" 0.8 copy.csv
done
# The copy run an author makes with --no-phrase-index: what the accelerator
# costs is the difference.
for kind in text html; do
  ratio "  $kind, no accelerator / cp -r" "cp -r $kind" "tarvik copy $kind without accelerator" 0.8 \
    copy.csv
done
# cp -r as measured before any rerun deleted a file (copy.csv).
for kind in shuffled text html; do
  ratio "  $kind, over its copies / cp -r" "cp -r $kind" "tarvik copy $kind over its copies" 2 \
    copy.csv rerun.csv
done

echo
echo "== peak memory of tarvik index (target: at most 2x the corpus)"
for kind in shuffled text html; do
  opt=""
  [ "$kind" = html ] && opt=--html
  "$root/$build/bench/peak_rss" $(index "$kind" "$opt") >/dev/null 2>"peak-$kind.txt" || true
  awk -v k="$kind" -v m="$(grep peak_rss_mib "peak-$kind.txt" | cut -d' ' -f2)" -v b="${bytes[$kind]}" \
    'BEGIN { r = m * 1048576 / b
             printf "%-8s %6.1f MiB for %6.1f MB: %.2fx, %s\n", k, m, b / 1e6, r, (r <= 2 ? "met" : "NOT MET") }'
done

cd "$root"
bench/phrase_bench.sh "$build"  # the phrase accelerator: 60 phrases against FTS5, warm and cold
for bench in "$build"/bench/*_bench; do
  [ -x "$bench" ] || continue
  echo
  echo "== $(basename "$bench")"
  "$bench" "$work"
done
