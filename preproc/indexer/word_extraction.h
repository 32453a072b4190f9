// Article word extraction: how an article's bytes are split into words.
//
// A word is a maximal run of bytes that are neither whitespace (9..13, 32) nor
// in the run's delimiter set, nor, for HTML articles, the start of a tag ("<"
// not followed by a space). Words are at most 255 bytes: the rest of a longer
// run is consumed and dropped. The text ends at its first NUL byte.
#ifndef KPX_PREPROC_INDEXER_WORD_EXTRACTION_H_
#define KPX_PREPROC_INDEXER_WORD_EXTRACTION_H_

#include <array>
#include <cstddef>
#include <string_view>

namespace preproc {

// The delimiter classes of one run: whitespace plus the bytes of the delimiter
// set. NUL is never a delimiter.
class Delimiters {
 public:
  explicit Delimiters(std::string_view set = {});
  bool IsDelimiter(unsigned char c) const { return delimiter_[c]; }
  // True for the bytes that end a run of word bytes: delimiters, NUL and,
  // in HTML, "<" (which ends a word only when it starts a tag).
  bool EndsRun(unsigned char c, bool html) const { return (html ? stop_html_ : stop_text_)[c]; }
  // True for the bytes the skip phase passes over without a second look:
  // delimiters, except "<" in HTML (which may start a tag first).
  bool Skips(unsigned char c, bool html) const { return (html ? skip_html_ : delimiter_)[c]; }

 private:
  std::array<bool, 256> delimiter_{};
  std::array<bool, 256> skip_html_{};
  std::array<bool, 256> stop_text_{};
  std::array<bool, 256> stop_html_{};
};

inline constexpr size_t kWordBufferSize = 256;  // 255 bytes and a NUL
inline constexpr size_t kMaxWordBytes = kWordBufferSize - 1;

// What FindNextFoldedWord folds by: each byte's upper-case form where it is a
// word byte, 0 where it ends a run (delimiters, NUL and, in HTML, "<"), and
// the form of a "<" that HTML lets into a word. The upper-case table must map
// no byte but NUL to NUL (no word holds a NUL).
struct FoldTable {
  FoldTable(const Delimiters& delimiters, bool html, const std::array<unsigned char, 256>& upper);
  std::array<unsigned char, 256> word_byte;
  unsigned char less_than;
};

// Finds the next word of text (NUL-terminated) and upper-cases it in the same
// pass: the first min(run, kMaxWordBytes) bytes of its run go to out, folded,
// and *length is their number. Returns the position of the byte that ended
// the run, or nullptr when the text holds no further word. The index run
// reads every word so.
const char* FindNextFoldedWord(const char* text, const Delimiters& delimiters, bool html,
                               const FoldTable& fold, char* out, size_t* length);

// Reads the next word from text (NUL-terminated) into word (kWordBufferSize
// bytes, NUL-terminated) and returns the position of the byte that ended it,
// or nullptr when the text holds no further word. The same words as
// FindNextFoldedWord, unfolded.
const char* NextWord(const char* text, char* word, const Delimiters& delimiters, bool html);

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_WORD_EXTRACTION_H_
