// Phrase confirmation: whether an article's phrase search file holds a phrase
// as the search means it.
//
// Occurrence rule, over the whole article folded with the set's table, the
// (folded) phrase matched byte for byte, whitespace included:
//   1. The search start q is the article's first byte.
//   2. Find the first occurrence p of the phrase at or after q; none: no match.
//   3. p is accepted when p is q or the byte before p is whitespace, and, in
//      whole-word mode, the byte after the occurrence is whitespace or the
//      article's end.
//   4. Otherwise q moves from p over non-whitespace bytes to the next
//      whitespace byte (or the end), and one byte further when that would
//      leave q where it was; continue at 2.
// The article is read in pieces through a scratch buffer that carries the
// last bytes of one read over into the next, so the answer is the same as if
// the article were held whole: an occurrence across two reads is found, and a
// read without whitespace neither ends nor skips the scan. A NUL byte is an
// ordinary byte. The scan of an article stops at its first accepted
// occurrence.
#ifndef KPX_XTRA_ENGINE_PHRASE_SCAN_H_
#define KPX_XTRA_ENGINE_PHRASE_SCAN_H_

#include <cstddef>
#include <cstdint>

#include "xtra/engine/raw_file.h"
#include "xtra/engine/search_engine.h"

namespace engine {

// Applies the occurrence rule to the rest of an open file, its bytes folded
// with fold (256 bytes). phrase holds length (1..kFieldSize - 1) bytes already
// folded; buffer holds capacity bytes, more than length + 1. False for an
// empty phrase.
bool ArticleHoldsPhrase(RawFile& file, const char* phrase, size_t length, bool wholeWord,
                        const std::uint8_t* fold, char* buffer, size_t capacity);

// Keeps each set phrase flag only if the article's phrase search file holds
// the phrase (folded with foldTable), the file folded with foldTable. An article whose file cannot
// be opened loses its flag; the other candidates are still checked. Where the
// copy path's phrase accelerator answers (phrase_index.h) the copies it rules
// out are not opened, and for a phrase it answers exactly a copy is only
// looked for (CanOpen: what would open, mostly without opening it); a block
// directory holding eight or more of them is listed instead (one listing, not
// a look per copy: a name the listing shows as a regular file counts as a
// copy that opens). A single candidate whose copy holds 32 KB or less is
// read instead of asking the accelerator.
void VerifyPhraseInArticles(SearchState& state, const char* phrase, size_t length);

// A folded phrase to confirm: length bytes at text.
struct PhraseToConfirm {
  const char* text;
  size_t length;
};

// VerifyPhraseInArticles for each of count phrases in turn, over the flags the
// one before left. What is learnt of the copies (which spelling each block
// directory has, which copies are there and their sizes) is learnt once for
// all of them: within one search a copy is taken to stay as it was found.
void VerifyPhrasesInArticles(SearchState& state, const PhraseToConfirm* phrases, int count);

}  // namespace engine

#endif  // KPX_XTRA_ENGINE_PHRASE_SCAN_H_
