#!/usr/bin/env bash
# compare-builds.sh OLD NEW [LISTING ARTICLES [--html]]
#
# Runs the pre-processor and the search of two build trees on the same
# articles and compares everything they write: the index set, the copies, the
# run logs, what each command prints (standard output, standard error, exit
# status), tarvik verify's findings and kpxsearch's answers to a set of
# searches in every output form. Any difference is shown as a diff and makes
# the script exit 1. Without LISTING and ARTICLES it uses examples/ (HTML).
#
# For changes that must leave every file and answer as it was: build the
# previous commit in a second tree, then compare.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -ge 2 ] || { echo "usage: compare-builds.sh OLD NEW [LISTING ARTICLES [--html]]" >&2; exit 2; }
old=$(cd "$1" && pwd)
new=$(cd "$2" && pwd)
listing=$(realpath "${3:-$root/examples/listing.txt}")
articles=$(realpath "${4:-$root/examples/articles}")
html=${5:-}
[ $# -lt 3 ] && html=--html

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The kpxsearch of a tree: xtra/kpxsearch now, xtra/hostsim before.
kpxsearch_of() {
  for candidate in "$1/xtra/kpxsearch/kpxsearch" "$1/xtra/hostsim/kpxsearch"; do
    [ -x "$candidate" ] && { echo "$candidate"; return; }
  done
  echo "compare-builds: no kpxsearch in $1" >&2
  exit 2
}

# Runs one command of a side, recording what it prints and its status under
# the step's name. Paths of the side's own directory are written as WORK.
record() {
  local side=$1 name=$2
  shift 2
  set +e
  (cd "$work/$side" && "$@") >"$work/$side/out/$name.stdout" 2>"$work/$side/out/$name.stderr"
  echo $? >"$work/$side/out/$name.status"
  set -e
  sed -i "s#$work/$side#WORK#g" "$work/$side/out/$name.stdout" "$work/$side/out/$name.stderr"
}

run_side() {
  local side=$1 build=$2 tarvik kpxsearch
  tarvik=$build/preproc/cli/tarvik
  kpxsearch=$(kpxsearch_of "$build")
  mkdir -p "$work/$side/out"
  local dir=$work/$side
  # shellcheck disable=SC2086
  record "$side" index "$tarvik" index $html --listing "$listing" --articles "$articles" \
    --index "$dir/index" --log "$dir/out/index.log"
  # shellcheck disable=SC2086
  record "$side" rerun "$tarvik" index $html --listing "$listing" --articles "$articles" \
    --index "$dir/index" --log "$dir/out/rerun.log"
  # shellcheck disable=SC2086
  record "$side" copy "$tarvik" copy $html --listing "$listing" --articles "$articles" \
    --copy "$dir/copies" --log "$dir/out/copy.log"
  # shellcheck disable=SC2086
  record "$side" verify "$tarvik" verify $html --index "$dir/index" --copy "$dir/copies" \
    --listing "$listing" --articles "$articles"
  record "$side" verify-index "$tarvik" verify --index "$dir/index" --copy "$dir/copies"
  local n=0
  while IFS= read -r query; do
    n=$((n + 1))
    # shellcheck disable=SC2086
    record "$side" "search$n" "$kpxsearch" --index "$dir/index" --articles "$dir/copies" \
      --color always --max-lines 5 $query
    # shellcheck disable=SC2086
    record "$side" "search$n-json" "$kpxsearch" --index "$dir/index" --articles "$dir/copies" \
      --json $query
    # shellcheck disable=SC2086
    record "$side" "search$n-list" "$kpxsearch" --index "$dir/index" --articles "$dir/copies" \
      --list --names $query
  done <"$work/queries"
  sed -e "s#INDEX#$dir/index#; s#COPIES#$dir/copies#" "$work/script.lingo" >"$dir/script.lingo"
  record "$side" script "$kpxsearch" --script "$dir/script.lingo"
  sed -i "s#$dir#WORK#g" "$dir/out/"*.log
}

# Searches: some of the articles' own words, as prefixes, whole words and
# phrases, with two phrases and with ranges.
words=$(cat "$articles"/* 2>/dev/null | tr -cs 'A-Za-z' '\n' | awk 'length($0) > 2' |
  sort | uniq -c | sort -rn | awk 'NR % 7 == 1 {print $2}' | head -12 || true)
{
  for w in $words; do
    echo "$w"
    echo "--whole-word $w"
  done
  echo "the"
  echo "--and $(echo "$words" | sed -n 1p) $(echo "$words" | sed -n 2p)"
  echo "--or $(echo "$words" | sed -n 3p) $(echo "$words" | sed -n 4p)"
  echo "--range r:2:5 $(echo "$words" | sed -n 1p)"
  echo "zzzznothing"
} >"$work/queries"
cat >"$work/script.lingo" <<'LINGO'
new
KPXSearchSetIndexPath "INDEX"
KPXSearchSetArticlesPath "COPIES"
KPXSearchAddWordPhrase "of the"
KPXSearchCountMatches
KPXSearchGetMatch 1
KPXSearchCreateMatchesList "Of the river, and of the sea."
LINGO

run_side old "$old"
run_side new "$new"

status=0
for part in index copies out; do
  if ! diff -r "$work/old/$part" "$work/new/$part" >"$work/diff-$part"; then
    echo "== $part differs:"
    head -40 "$work/diff-$part"
    status=1
  fi
done
files=$(find "$work/new/index" "$work/new/copies" -type f | wc -l)
steps=$(find "$work/new/out" -name '*.status' | wc -l)
if [ $status -eq 0 ]; then
  echo "compare-builds: identical ($files files, $steps commands, $(wc -l <"$work/queries") searches)"
fi
exit $status
