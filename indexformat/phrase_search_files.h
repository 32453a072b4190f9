// The names of the phrase search files: the one naming rule the article
// duplication run (writer) and the search engine (reader) share besides the
// index file set. Article n is stored as copy path, "a" + k, separator,
// "t" + n zero-padded to four digits, with k = CopyBlockNumber(n): one
// hundred articles per copy block directory (a1 holds 1..100, a2 101..200).
// The reader also accepts "A" + k, the form a case-insensitive file system
// gives the same directory. See FORMAT.md.
#ifndef KPX_INDEXFORMAT_PHRASE_SEARCH_FILES_H_
#define KPX_INDEXFORMAT_PHRASE_SEARCH_FILES_H_

namespace indexformat {

inline constexpr int kArticlesPerCopyBlock = 100;

// The number k of article n's copy block directory (n from 1).
inline constexpr int CopyBlockNumber(int article) {
  return (article - 1) / kArticlesPerCopyBlock + 1;
}

static_assert(CopyBlockNumber(1) == 1 && CopyBlockNumber(100) == 1 && CopyBlockNumber(101) == 2);

}  // namespace indexformat

#endif  // KPX_INDEXFORMAT_PHRASE_SEARCH_FILES_H_
