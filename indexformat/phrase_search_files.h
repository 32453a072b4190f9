// The names of the phrase search files: the one naming rule the article
// duplication run (writer) and the search engine (reader) share besides the
// index file set. Article n is stored as copy path, "a" + k, separator,
// "t" + n zero-padded to four digits, with k = CopyBlockNumber(n): one
// hundred articles per copy block directory (a1 holds 1..100, a2 101..200).
// The reader also accepts "A" + k, the form a case-insensitive file system
// gives the same directory. See FORMAT.md.
//
// The builders write into the caller's buffer and allocate nothing, so the
// engine uses them as they are. Every name of a phrase search file, in every
// module and test, is built here.
#ifndef KPX_INDEXFORMAT_PHRASE_SEARCH_FILES_H_
#define KPX_INDEXFORMAT_PHRASE_SEARCH_FILES_H_

#include <cstddef>
#include <string_view>

namespace indexformat {

inline constexpr int kArticlesPerCopyBlock = 100;

// The number k of article n's copy block directory (n from 1).
inline constexpr int CopyBlockNumber(int article) {
  return (article - 1) / kArticlesPerCopyBlock + 1;
}

static_assert(CopyBlockNumber(1) == 1 && CopyBlockNumber(100) == 1 && CopyBlockNumber(101) == 2);

// Room for every name below and its NUL, for any positive int.
inline constexpr size_t kMaxCopyName = 32;

// The copy block directory's own name: block_letter ('a' when writing, 'A'
// or 'a' when reading) and k: "a1", "a25", "A124". Returns the length.
size_t CopyBlockName(int article, char block_letter, char out[kMaxCopyName]);

// The file's own name: "t" and n zero-padded to four digits: "t0001",
// "t12345". Returns the length.
size_t CopyFileName(int article, char out[kMaxCopyName]);

// The file's name relative to the copy path: the block name, separator and
// the file's name: "a1/t0001", "A2/t0101". Returns the length.
size_t RelativeCopyFileName(int article, char block_letter, char separator, char out[kMaxCopyName]);

// The article number that a phrase search file's own name gives ("t0001" 1,
// "t12345" 12345): -1 when name is not "t" and at least four decimal digits;
// a number too large for an int gives INT_MAX.
int CopyFileNumber(std::string_view name);

}  // namespace indexformat

#endif  // KPX_INDEXFORMAT_PHRASE_SEARCH_FILES_H_
