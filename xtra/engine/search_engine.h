// The search engine: one SearchState per plug-in instance, and the operations
// behind the Lingo methods of the KPXSearch Xtra. Host-free: the host layer
// (xtra/host) converts Lingo arguments to the plain values taken here and the
// integer or string results back to Lingo values.
//
// Contract:
//   - The engine allocates no memory. Every table, buffer and path is a
//     fixed-size field of SearchState; the caller owns the state (the host
//     layer embeds it in the instance record).
//   - No operation fails towards the caller: a refused operation returns -1
//     and leaves the state unchanged; a missing or damaged file only removes
//     candidates. Nothing is shown or logged.
//   - Files are opened only inside KPXSearchCountMatches, at most one at a
//     time, and none stays open between calls.
//   - One thread; instances share nothing.
//   - Strings passed in are NUL-terminated byte strings in the title's
//     single-byte code page. A string longer than its field is refused (-1),
//     never cut; every field stays NUL-terminated.
//   - Case: phrases, the article text a phrase is confirmed in and the text
//     given to KPXSearchCreateMatchesList are folded with the table the
//     set's words were folded with. KPXSearchCountMatches reads it from the
//     set's fold record (indexformat/fold_record.h) into foldTable, or takes
//     the platform's default fold (platform::FillDefaultUpperCaseTable) when
//     the set has no sound record; the other operations fold with the table
//     of the last search (the default before any). Phrases are held as given,
//     'a'..'z' upper-cased, and folded with the set's table when searched, so
//     a phrase added before the search meets the set's own fold. Every byte
//     folds to one byte: positions count the caller's text.
#ifndef KPX_XTRA_ENGINE_SEARCH_ENGINE_H_
#define KPX_XTRA_ENGINE_SEARCH_ENGINE_H_

#include <cstddef>
#include <cstdint>

#include "indexformat/index_format.h"

namespace engine {

// One result flag per article number the format lets a search return.
inline constexpr int kMaxArticles = 2500;
static_assert(kMaxArticles == indexformat::kMaxSearchableArticles,
              "the flag arrays cover exactly the article numbers a search can return");
inline constexpr int kMaxPhrases = 2;
inline constexpr int kMaxKeyRanges = 10;
inline constexpr int kFieldSize = 255;   // phrases and paths, NUL included
inline constexpr int kKeyNameSize = 20;  // key names, NUL included
inline constexpr int kReadBufferSize = 10000;
inline constexpr int kMatchListCapacity = 25000;  // the match list statement's buffer
inline constexpr int kFoldTableSize = 256;
inline constexpr int kPairBlockBytes = 4096;   // a block of the phrase accelerator
inline constexpr int kScanBufferSize = 32768;  // the index files' and copies' reads

struct KeyRange {
  char keyName[kKeyNameSize];
  std::int32_t lowerBound;  // 0-based article index, inclusive
  std::int32_t upperBound;  // 0-based article index, inclusive
};

struct SearchState {
  std::int32_t matchCount;
  std::uint8_t matchFlags[kMaxArticles];   // element n - 1 belongs to article n
  std::uint8_t phraseFlags[kMaxArticles];  // working flags and per-article word counters
  char wordPhrases[kMaxPhrases][kFieldSize];
  std::int32_t booleanMode;  // 0 first phrase only, 1 AND, 2 OR
  std::int32_t phraseCount;
  std::int32_t keyRangeCount;
  KeyRange keyRanges[kMaxKeyRanges];
  char readBuffer[kReadBufferSize];
  std::int32_t matchCursor;
  char indexPath[kFieldSize];
  char articlesPath[kFieldSize];
  std::int32_t wordSearchMode;  // 0 prefix, other whole word
  // The fold of the last search's set (the default before any): byte b of a
  // phrase or text is compared as foldTable[b].
  std::uint8_t foldTable[kFoldTableSize];
  // What an earlier search found of the phrase accelerator of these paths
  // (phrase_index.h): kPairCheckSound or kPairCheckUnusable while the
  // accelerator's header checksum and the file mapping log's size are the
  // ones in pairCheckKey (each 8 bytes, little-endian); kPairCheckUnknown
  // after InitSearchState and whenever a path is set. Bytes only, so the
  // state keeps its 4-byte alignment in the instance record.
  std::uint8_t pairCheckKey[16];
  std::int32_t pairCheck;
  // The identity (raw_file.h: size, times, device, inode) of the fold record
  // foldTable was last taken from; while the record shows the same identity
  // it is not read again. foldCheck is kFoldCheckUnknown after
  // InitSearchState and whenever the index path is set.
  std::uint8_t foldCheckKey[40];
  std::int32_t foldCheck;
  // The phrase accelerator's header block and root block as a search of
  // these paths last read them and found them sound, kept while the file
  // shows the identity in pairBlocksKey (raw_file.h), so that a search reads
  // neither again. pairBlocks is 0 after InitSearchState and whenever a path
  // is set (nothing kept), 1 with the header kept, 2 with the root as well.
  std::uint8_t pairBlocksKey[40];
  std::int32_t pairBlocks;
  std::uint8_t pairHeaderBlock[kPairBlockBytes];
  std::uint8_t pairRootBlock[kPairBlockBytes];
  // Where the index files and the copies are read, and the copy block
  // directories listed: most of those files come whole in one read of this
  // size, where readBuffer would take two to seven.
  char scanBuffer[kScanBufferSize];
};

inline constexpr std::int32_t kFoldCheckUnknown = 0;
inline constexpr std::int32_t kFoldCheckRead = 1;     // foldTable is the record's
inline constexpr std::int32_t kFoldCheckDefault = 2;  // the record is damaged: default fold

inline constexpr std::int32_t kPairCheckUnknown = 0;
inline constexpr std::int32_t kPairCheckSound = 1;
inline constexpr std::int32_t kPairCheckUnusable = 2;

// Puts a state that was never used (zeroed or not) into its first state:
// empty paths, no phrases, no key ranges, no matches, the default fold.
void InitSearchState(SearchState& state);

// Lingo `new`: resets matches, cursor, modes, phrase and key-range counts;
// keeps both paths and the fold of the last search. Returns 0.
std::int32_t KPXSearchNew(SearchState& state);

// Return 0, or -1 (path kept) when path has kFieldSize bytes or more.
std::int32_t KPXSearchSetIndexPath(SearchState& state, const char* path);
std::int32_t KPXSearchSetArticlesPath(SearchState& state, const char* path);

// Return the new phraseCount, or -1. Deletion removes the first phrase equal
// to wordPhrase under foldTable (so in any case the fold ignores).
std::int32_t KPXSearchAddWordPhrase(SearchState& state, const char* wordPhrase);
std::int32_t KPXSearchDeleteWordPhrase(SearchState& state, const char* wordPhrase);

// Returns mode (0..2), or -1.
std::int32_t KPXSearchAndOr(SearchState& state, std::int32_t mode);
// Returns 1.
std::int32_t KPXSearchWholeWord(SearchState& state, std::int32_t mode);

// Bounds are 1-based article numbers, as Lingo gives them. Return the new
// keyRangeCount, or -1.
std::int32_t KPXSearchAddKeyRange(SearchState& state, const char* keyName, std::int32_t lowerBound,
                                  std::int32_t upperBound);
std::int32_t KPXSearchDeleteKeyRange(SearchState& state, const char* keyName);

// Reads the set's fold into foldTable, runs the search over the two file
// sets, and returns and stores matchCount.
std::int32_t KPXSearchCountMatches(SearchState& state);

// Match retrieval: article numbers, 1-based.
std::int32_t KPXSearchGetMatch(SearchState& state, std::int32_t subscript);
std::int32_t KPXSearchGetAt(const SearchState& state, std::int32_t subscript);

// Builds "set t123Match = [...]\r" for text into out, NUL-terminated, and
// returns its length. text is the caller's working copy of length bytes; it is
// folded in place with foldTable. out must hold kMatchListCapacity bytes.
std::size_t KPXSearchCreateMatchesList(const SearchState& state, char* text, std::size_t length,
                                       char* out);

}  // namespace engine

#endif  // KPX_XTRA_ENGINE_SEARCH_ENGINE_H_
