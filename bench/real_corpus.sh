#!/usr/bin/env bash
# real_corpus.sh: the benchmark's corpora of real files found on this machine.
#
#   bench/real_corpus.sh select text|html   choose the files anew, write the manifest
#   bench/real_corpus.sh build text|html DIR
#                                           copy the manifest's files to DIR/articles
#                                           and write DIR/listing.txt, unless DIR
#                                           holds that very copy already
#
# text: plain-text documentation, licences and help files (Debian copyright
# files, READMEs and other uncompressed package documents under /usr/share/doc,
# /usr/share/common-licenses, CMake's Help, Vim's help). html: the HTML
# documents under /usr/share/doc (and /usr/share/gtk-doc). Compressed files are
# never candidates; binaries (any NUL byte), files under 200 bytes or over
# 2 MB and duplicates (same SHA-256, the first path in sort order kept) are
# skipped. At most 2,500 files are kept, evenly spaced over the sorted
# candidates, so every source stays represented.
#
# The selection is pinned by bench/corpus-KIND.manifest (sha256sum's format:
# checksum, two spaces, absolute path). build copies only the files whose
# checksum still matches and names every file that changed or is missing, so
# a rerun either measures the same files or says how it differs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
max_files=2500

candidates() {
  case "$1" in
    text)
      find /usr/share/doc -type f \( -name copyright -o -name 'README*' -o -name '*.txt' \
        -o -name '*.md' -o -name '*.rst' -o -name AUTHORS -o -name TODO -o -name THANKS \
        -o -name 'NEWS*' -o -name 'CONTRIBUTING*' -o -name 'changelog*' \) \
        ! -name '*.gz' ! -name '*.bz2' ! -name '*.xz' ! -name '*.zst' ! -name '*.html' 2>/dev/null
      find /usr/share/common-licenses -type f 2>/dev/null
      find /usr/share/cmake*/Help -type f -name '*.rst' 2>/dev/null
      find /usr/share/vim -path '*/doc/*.txt' -type f 2>/dev/null
      ;;
    html)
      find /usr/share/doc /usr/share/gtk-doc -type f \( -name '*.html' -o -name '*.htm' \) 2>/dev/null
      ;;
    *)
      echo "real_corpus.sh: unknown corpus '$1' (text or html)" >&2
      exit 2
      ;;
  esac
}

select_files() {
  local kind=$1 manifest=$here/corpus-$1.manifest
  local tmp
  tmp=$(mktemp -d)
  candidates "$kind" | LC_ALL=C sort -u >"$tmp/paths"
  : >"$tmp/kept"
  while IFS= read -r path; do
    size=$(stat -c %s "$path")
    [ "$size" -ge 200 ] && [ "$size" -le 2000000 ] || continue
    if LC_ALL=C grep -qaP '\x00' "$path"; then continue; fi
    sha256sum "$path" >>"$tmp/kept"
  done <"$tmp/paths"
  # First path of each checksum, in path order.
  awk '!seen[$1]++' "$tmp/kept" >"$tmp/unique"
  local n
  n=$(wc -l <"$tmp/unique")
  awk -v n="$n" -v k="$max_files" 'BEGIN { if (n <= k) k = n; j = 0 }
    { if (j < k && NR - 1 == int(j * n / k)) { print; ++j } }' "$tmp/unique" >"$manifest"
  echo "corpus-$kind.manifest: $(wc -l <"$manifest") files of $n unique candidates"
  rm -rf "$tmp"
}

build_corpus() {
  local kind=$1 dir=$2 manifest=$here/corpus-$1.manifest
  [ -f "$manifest" ] || {
    echo "real_corpus.sh: $manifest is missing; run 'bench/real_corpus.sh select $kind'" >&2
    exit 1
  }
  # One sha256sum over the whole manifest: "PATH: OK" or "PATH: FAILED...".
  local check
  check=$(LC_ALL=C sha256sum -c "$manifest" 2>/dev/null || true)
  # A copy made from the same files and still intact is kept: deleting and
  # recopying thousands of files just before they are measured would slow the
  # measured runs' own file creation (see bench/run.sh).
  if [ -f "$dir/check.txt" ] && [ "$check" = "$(cat "$dir/check.txt")" ] &&
    [ -f "$dir/copy.sha256" ] &&
    (cd "$dir/articles" && LC_ALL=C sha256sum --quiet -c ../copy.sha256 >/dev/null 2>&1); then
    local differ
    differ=$(grep -vc ': OK$' "$dir/check.txt" || true)
    if [ "$differ" -ne 0 ]; then
      echo "real_corpus.sh: $differ of the $kind corpus's files differ from the manifest;" \
        "the figures are not comparable with earlier runs" >&2
    fi
    wc -l <"$dir/listing.txt"
    return
  fi
  rm -rf "$dir"
  mkdir -p "$dir/articles"
  printf '%s\n' "$check" >"$dir/check.txt"
  : >"$dir/listing.txt"
  local changed=0 kept=0 path name
  while IFS= read -r line; do
    path=${line%: *}
    if [ "${line##*: }" != OK ]; then
      [ -f "$path" ] && echo "  changed: $path" >&2 || echo "  missing: $path" >&2
      changed=$((changed + 1))
      continue
    fi
    # Flat, unique names: the path with its separators made underscores.
    name=${path#/}
    name=${name//\//_}
    cp "$path" "$dir/articles/$name"
    echo "$name" >>"$dir/listing.txt"
    kept=$((kept + 1))
  done <"$dir/check.txt"
  if [ "$kept" -eq 0 ]; then
    echo "real_corpus.sh: none of the $kind corpus's files is on this machine; choose this" \
      "machine's with 'bench/real_corpus.sh select $kind'" >&2
    exit 1
  fi
  (cd "$dir/articles" && tr '\n' '\0' <../listing.txt | LC_ALL=C xargs -0 sha256sum >../copy.sha256)
  if [ "$changed" -ne 0 ]; then
    echo "real_corpus.sh: $changed of the $kind corpus's files differ from the manifest;" \
      "the figures are not comparable with earlier runs" >&2
  fi
  echo "$kept"
}

case "${1:-}" in
  select) select_files "${2:?text or html}" ;;
  build) build_corpus "${2:?text or html}" "${3:?directory}" ;;
  *)
    echo "usage: real_corpus.sh select text|html | build text|html DIR" >&2
    exit 2
    ;;
esac
