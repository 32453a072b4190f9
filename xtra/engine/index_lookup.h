// Index lookup: finds the words of a phrase in the index file set and marks
// the articles their entries list in the state's phraseFlags.
//
// An index file is scanned entry by entry from its start (layout in
// indexformat/FORMAT.md) through the state's scanBuffer. Entries smaller than
// the query are passed over without parsing their article numbers; the first
// greater entry ends the scan, since the entries are in ascending order. In
// exact comparison an entry equals the query when the words are equal; in
// prefix comparison when the entry's word begins with the query.
//
// Every stored length is checked against what is left of the file: an entry
// head that indexformat::DecodeEntryHead refuses (a length byte of 0, a count
// field that is not four digits, a count of 0 or above 2,500) or postings that
// run past the end of the file end that file's scan (the damaged entry and
// everything behind it count as absent). Article numbers of 0 or
// above 2,500 are ignored. A file that cannot be opened holds no entry.
//
// Allocates nothing; opens at most one file at a time and closes it before
// returning.
#ifndef KPX_XTRA_ENGINE_INDEX_LOOKUP_H_
#define KPX_XTRA_ENGINE_INDEX_LOOKUP_H_

#include <cstddef>
#include <cstdint>

#include "xtra/engine/search_engine.h"

namespace engine {

// A few articles a search still cares about, for a phrase whose answer
// counts only there (the second phrase under AND, beside the first's
// candidates): their numbers ascending and each as the four digits an index
// entry holds, read as one little-endian word, so a posting is matched by
// one comparison instead of being parsed.
struct OnlyArticles {
  static constexpr int kMost = 8;
  int count = 0;
  int article[kMost] = {};
  std::uint32_t field[kMost] = {};
};

// The first index at or after from whose flag (of kMaxArticles) is set, or
// kMaxArticles: eight flags are passed at a time where all are clear.
int NextFlagged(const std::uint8_t* flags, int from);

// The articles flags (kMaxArticles elements) sets, when there are at most
// OnlyArticles::kMost; false when there are more.
bool FewFlagged(const std::uint8_t* flags, OnlyArticles* only);

// How the article numbers of an equal entry change phraseFlags: element n - 1
// becomes value, either always (whenEqual < 0) or only where it equals
// whenEqual (the per-article word counters of a multi-word phrase). With
// only, the articles outside it are passed over: their flags stay as they
// are.
struct PostingMark {
  std::uint8_t* flags;  // kMaxArticles elements
  int whenEqual;
  std::uint8_t value;
  const OnlyArticles* only = nullptr;
};

enum class ScanResult { kNoFile, kScanned };

// Scans the index file of word (length >= 1) under indexPath and applies mark
// to the article numbers of every entry equal to word. buffer holds capacity
// bytes (at least 260) of scratch space.
ScanResult ScanIndexFile(const char* indexPath, const char* word, size_t length, bool exact,
                         const PostingMark& mark, char* buffer, size_t capacity);

// Whether the index file of word opens (it is closed again at once).
bool IndexFileOpens(const char* indexPath, const char* word, size_t length);

// The next whitespace-separated word of phrase[0, length) at or after
// position: skips whitespace, then sets *start and *wordLength to the bytes up
// to the next whitespace byte or the end. Returns the position after the word
// (length and *wordLength 0 when none is left).
size_t NextToken(const char* phrase, size_t length, size_t position, size_t* start,
                 size_t* wordLength);

// Length of the first word of a phrase: the bytes up to its first whitespace
// byte at position 1 or later, so a leading whitespace byte belongs to it.
size_t FirstWordLength(const char* phrase, size_t length);

// Intersects phraseFlags (1 = article holds the first word) with the entries
// of the phrase's further words, compared by the word search mode. A word
// whose index file cannot be opened clears every flag. With only, the flags
// of the articles outside it are left as they are (so they are right only
// where only says).
void LookupRemainingWords(SearchState& state, const char* phrase, size_t length,
                          const OnlyArticles* only = nullptr);

}  // namespace engine

#endif  // KPX_XTRA_ENGINE_INDEX_LOOKUP_H_
