// The phrase search transformation: how one block of an article becomes the
// bytes of its phrase search file.
//
// Every input byte yields at most one output byte:
//   - a delimiter (whitespace 9..13 and 32, or a byte of the run's delimiter
//     set) is written as a blank, except CR and LF, which are kept;
//   - for HTML articles a tag, from a "<" not followed by a blank up to the
//     next ">", is dropped whole, also when it spans block boundaries; when a
//     word character was written just before the tag and a delimiter follows
//     the ">" at once, that delimiter is written as one blank (even a CR or LF);
//   - every other byte is copied unchanged.
// So the copy of a text article without NUL bytes has exactly its length. A
// block ends at its first NUL: whatever follows a NUL in the block is dropped.
// Apart from NUL bytes, how an article is cut into blocks never changes its
// copy: a "<" that is a block's last byte, and the byte behind a tag whose ">"
// is, are settled with the next block's first byte, as in one block.
//
// The state carries a tag that is still open, whether the last written byte
// was a word character, and what a block's last byte left undecided from one
// block of an article to the next; start every article with a fresh
// TransformState. No allocation, no global state.
#ifndef KPX_PREPROC_COPIER_PHRASE_TRANSFORM_H_
#define KPX_PREPROC_COPIER_PHRASE_TRANSFORM_H_

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "preproc/indexer/word_extraction.h"

namespace preproc {

// What a run's transformation depends on: the article type and delimiter set,
// and what the character step writes for each byte.
struct TransformRules {
  TransformRules(bool html_articles, std::string_view delimiter_set);
  bool html;
  Delimiters delimiters;
  std::array<char, 256> written;  // a blank for a delimiter, CR and LF kept, the byte otherwise
  std::string blanked;            // the bytes written as a blank, apart from the blank itself
  // When every byte of blanked is below 32: one more than the largest of
  // them (1 when there is none), so that a run of bytes none of which is
  // below it or a "<" is copied as it is, eight bytes at a time. 0 otherwise.
  unsigned char unchanged_from;
};

// Carried from block to block within one article.
struct TransformState {
  bool pending_tag = false;   // a tag began in an earlier block, its ">" not yet seen
  bool after_text = true;     // the last written byte was not a delimiter
  bool open_pending = false;  // the last block ended in a "<": tag or text, its next byte decides
  bool tag_closed = false;    // the last block ended with a tag's ">"
};

// Transforms the NUL-terminated block into out, which must hold at least the
// block's length plus two bytes (a "<" held back from the last block may be
// written before this block's bytes); NUL-terminates out and returns the
// number of bytes written before that NUL.
size_t PhraseSearchTransform(const char* block, char* out, const TransformRules& rules,
                             TransformState& state);

}  // namespace preproc

#endif  // KPX_PREPROC_COPIER_PHRASE_TRANSFORM_H_
