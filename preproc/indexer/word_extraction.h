// Article word extraction: how an article's bytes are split into words.
//
// A word is a maximal run of bytes that are neither whitespace (9..13, 32) nor
// in the run's delimiter set, nor, for HTML articles, the start of a tag ("<"
// not followed by a space). Words are at most 255 bytes: the rest of a longer
// run is consumed and dropped. The text ends at its first NUL byte.
#ifndef KPX_PREPROC_INDEXER_WORD_EXTRACTION_H_
#define KPX_PREPROC_INDEXER_WORD_EXTRACTION_H_

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
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
//
// Most words are ASCII, and most tables fold ASCII as ASCII does: the bytes
// from ascii_from up to 0x7F (bar "<" in HTML, which never folds so) are word
// bytes that only a..z change, by 0x20, so eight of them are found and folded
// at once. ascii_from is 0x80 when no byte folds so.
struct FoldTable {
  FoldTable(const Delimiters& delimiters, bool html, const std::array<unsigned char, 256>& upper);
  std::array<unsigned char, 256> word_byte;
  unsigned char less_than;
  unsigned char ascii_from;
  std::uint64_t ascii_from_bytes;  // ascii_from in each of 8 bytes
};

// Finds the next word of the text from text to end (*end is a NUL, and the
// text ends at its first NUL) and upper-cases it in the same pass: the first
// min(run, kMaxWordBytes) bytes of its run go to out, folded, and *length is
// their number. Bytes of out past them may be overwritten. Returns the
// position of the byte that ended the run, or nullptr when the text holds no
// further word. The index run reads every word so (inline: it is the
// reader's inner loop).
inline const char* FindNextFoldedWord(const char* text, const char* end,
                                      const Delimiters& delimiters, bool html,
                                      const FoldTable& fold, char* out, size_t* length);

// Reads the next word from text (NUL-terminated) into word (kWordBufferSize
// bytes, NUL-terminated) and returns the position of the byte that ended it,
// or nullptr when the text holds no further word. The same words as
// FindNextFoldedWord, unfolded.
const char* NextWord(const char* text, char* word, const Delimiters& delimiters, bool html);

// --- FindNextFoldedWord's pieces ---

// The skip phase from a "<" in HTML on: tags, "< " when "<" is a delimiter,
// and the delimiters after them, up to the first word byte or NUL.
const char* SkipTagsToWord(const char* p, const Delimiters& delimiters);

// True for a "<" inside a run that does not end it: followed by a space, in
// HTML, and not a delimiter.
inline bool IsWordLessThan(const char* p, const Delimiters& delimiters) {
  return p[0] == '<' && p[1] == ' ' && !delimiters.IsDelimiter('<');
}

inline constexpr std::uint64_t kEachByte = 0x0101010101010101ull;
inline constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// The high bit of each of the eight bytes of w that may not fold as ASCII:
// below ascii_from, from 0x80 up, or (in HTML) a "<". By the usual bit tricks
// it is exact for the lowest such byte (a borrow only runs upwards), maybe
// not for those above it.
inline std::uint64_t NotAsciiBytes(std::uint64_t w, const FoldTable& fold, bool html) {
  std::uint64_t stop = ((w - fold.ascii_from_bytes) | w) & kHighBits;
  if (html) {
    const std::uint64_t lt = w ^ (kEachByte * '<');
    stop |= (lt - kEachByte) & ~lt & kHighBits;
  }
  return stop;
}

// w with its bytes a..z upper-cased: exact for the bytes below the first of
// 0x80 or above (a carry only runs upwards).
inline std::uint64_t FoldAsciiBytes(std::uint64_t w) {
  const std::uint64_t from_a = w + kEachByte * (0x80 - 'a');
  const std::uint64_t past_z = w + kEachByte * (0x80 - 'z' - 1);
  return w - (((from_a & ~past_z) & kHighBits) >> 2);
}

// Passes over the bytes from p that fold as ASCII, eight at a time while
// eight remain before end, and folds them into out from n while the word has
// room for eight more; the word's last few bytes of room go one by one (the
// caller's), and past them the run is only passed over. Stops at the first
// byte that may not fold so, which the caller looks at alone.
inline void FoldAsciiRun(const char*& p, const char* end, const FoldTable& fold, bool html,
                         char* out, size_t& n) {
  if constexpr (std::endian::native != std::endian::little) return;  // lowest byte first only
  while (end - p >= 8) {
    if (n > kMaxWordBytes - 8 && n != kMaxWordBytes) return;
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    const std::uint64_t stop = NotAsciiBytes(w, fold, html);
    const size_t same = stop == 0 ? 8 : static_cast<size_t>(std::countr_zero(stop)) / 8;
    if (n != kMaxWordBytes) {
      const std::uint64_t folded = FoldAsciiBytes(w);
      std::memcpy(out + n, &folded, 8);  // the bytes past the word's are written again
      n += same;
    }
    p += same;
    if (same < 8) return;
  }
}

inline const char* FindNextFoldedWord(const char* text, const char* end,
                                      const Delimiters& delimiters, bool html,
                                      const FoldTable& fold, char* out, size_t* length) {
  const char* p = text;
  while (delimiters.Skips(static_cast<unsigned char>(*p), html)) ++p;
  if (html && *p == '<') p = SkipTagsToWord(p, delimiters);
  const char* const start = p;
  size_t n = 0;
  for (;;) {
    FoldAsciiRun(p, end, fold, html, out, n);
    const unsigned char folded = fold.word_byte[static_cast<unsigned char>(*p)];
    if (folded != 0) {
      if (n < kMaxWordBytes) out[n++] = static_cast<char>(folded);
      ++p;
      continue;
    }
    if (html && IsWordLessThan(p, delimiters)) {
      if (n < kMaxWordBytes) out[n++] = static_cast<char>(fold.less_than);
      ++p;
      continue;
    }
    break;
  }
  if (*p == '\0' && p == start) return nullptr;
  *length = n;
  return p;
}
}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_WORD_EXTRACTION_H_
