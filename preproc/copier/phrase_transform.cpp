#include "preproc/copier/phrase_transform.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace preproc {

TransformRules::TransformRules(bool html_articles, std::string_view delimiter_set)
    : html(html_articles), delimiters(delimiter_set), written{}, unchanged_from(1) {
  for (int c = 0; c < 256; ++c) {
    const bool blank =
        delimiters.IsDelimiter(static_cast<unsigned char>(c)) && c != '\r' && c != '\n';
    written[c] = blank ? ' ' : static_cast<char>(c);
    if (blank && c != ' ') blanked.push_back(static_cast<char>(c));
  }
  for (char c : blanked) {
    const auto byte = static_cast<unsigned char>(c);
    unchanged_from =
        byte < 32 && unchanged_from != 0 ? std::max<unsigned char>(unchanged_from, byte + 1) : 0;
  }
}

namespace {

bool IsDelimiter(const TransformRules& rules, char c) {
  return rules.delimiters.IsDelimiter(static_cast<unsigned char>(c));
}

// The character step for one byte.
void WriteCharacter(char c, char*& out, const TransformRules& rules, TransformState& state) {
  *out++ = rules.written[static_cast<unsigned char>(c)];
  state.after_text = !IsDelimiter(rules, c);
}

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// The high bit of each of the eight bytes of w that is below n (n at most
// 128) or is a "<", by the usual bit tricks: exact for the lowest such byte
// (a borrow only runs upwards), maybe not for those above it.
std::uint64_t MayChange(std::uint64_t w, unsigned char n) {
  const std::uint64_t below = (w - kOnes * n) & ~w & kHighBits;
  const std::uint64_t lt = w ^ (kOnes * '<');
  return below | ((lt - kOnes) & ~lt & kHighBits);
}

// Copies from *from, eight bytes at a time, up to the first byte that may
// change or be a "<" (rules.unchanged_from says which bytes may change).
void CopyUnchanged(const char*& from, const char* end, char*& to, const TransformRules& rules) {
  if (rules.unchanged_from == 0) return;
  while (end - from >= 8) {
    std::uint64_t w;
    std::memcpy(&w, from, 8);
    std::memcpy(to, &w, 8);  // the bytes past the first that may change are written again
    const std::uint64_t changing = MayChange(w, rules.unchanged_from);
    if (changing != 0) {
      // In memory order the lowest byte comes first only on little-endian
      // machines; elsewhere the bytes of this word go one by one.
      const int same =
          std::endian::native == std::endian::little ? std::countr_zero(changing) / 8 : 0;
      from += same;
      to += same;
      return;
    }
    from += 8;
    to += 8;
  }
}

// The character step for the bytes from p up to the next "<" or end, in one
// pass: the transform's inner loop for HTML. Runs that the step leaves as
// they are are copied whole; each byte it may change goes through it alone.
// Returns where it stopped.
const char* WriteUpToTag(const char* p, const char* end, char*& out, const TransformRules& rules,
                         TransformState& state) {
  const char* from = p;
  char* to = out;
  while (from != end) {
    CopyUnchanged(from, end, to, rules);
    if (from == end || *from == '<') break;
    *to++ = rules.written[static_cast<unsigned char>(*from++)];
  }
  out = to;
  // Only the last byte decides whether a word character was written last.
  if (from != p) state.after_text = !IsDelimiter(rules, from[-1]);
  return from;
}

// Drops a tag from p (just past its "<", or where a pending tag goes on) up to
// its ">". A delimiter right behind the tag, when a word character was written
// before it, is written as one blank. Returns the position after what was
// consumed.
const char* SkipTag(const char* p, const char* end, char*& out, const TransformRules& rules,
                    TransformState& state) {
  const char* close = static_cast<const char*>(std::memchr(p, '>', static_cast<size_t>(end - p)));
  if (close == nullptr) {
    state.pending_tag = true;  // the tag goes on in the next block
    return end;
  }
  state.pending_tag = false;
  p = close + 1;
  if (p == end) {
    state.tag_closed = true;  // the byte behind the tag is the next block's first
    return end;
  }
  if (state.after_text && IsDelimiter(rules, *p)) {
    *out++ = ' ';
    ++p;
    state.after_text = false;
  }
  return p;
}

// Settles what the last block left open at its end with the first byte of
// this one: a "<" that opens a tag unless a blank follows, and a tag whose
// ">" was the last byte, behind which a delimiter after a word is one blank.
const char* ContinueFromLastBlock(const char* p, char*& out, const TransformRules& rules,
                                  TransformState& state) {
  if (*p == '\0') return p;  // an empty block: still open
  if (state.open_pending) {
    state.open_pending = false;
    if (*p == ' ') {
      WriteCharacter('<', out, rules, state);
    } else {
      state.pending_tag = true;
    }
  }
  if (state.tag_closed) {
    state.tag_closed = false;
    if (state.after_text && IsDelimiter(rules, *p)) {
      *out++ = ' ';
      ++p;
      state.after_text = false;
    }
  }
  return p;
}

// An HTML block: the text between tags goes through the character step in
// runs, each ending at the next "<"; a tag is skipped to its ">" at once.
void TransformHtml(const char* p, const char* end, char*& out, const TransformRules& rules,
                   TransformState& state) {
  p = ContinueFromLastBlock(p, out, rules, state);
  if (state.pending_tag) p = SkipTag(p, end, out, rules, state);
  while (p != end) {
    p = WriteUpToTag(p, end, out, rules, state);
    if (p == end) break;
    if (p + 1 == end) {
      state.open_pending = true;  // the next block's first byte decides
      p = end;
    } else if (p[1] == ' ') {
      WriteCharacter(*p++, out, rules, state);  // a "<" before a blank is text
    } else {
      p = SkipTag(p + 1, end, out, rules, state);
    }
  }
}

// A text block: the bytes that stay as they are (most of them: blanks and
// line ends included) are found with the C library's scan and copied whole.
void TransformText(const char* p, char*& out, const TransformRules& rules, TransformState& state) {
  for (;;) {
    const size_t same = std::strcspn(p, rules.blanked.c_str());
    std::memcpy(out, p, same);
    out += same;
    p += same;
    if (same != 0) state.after_text = !IsDelimiter(rules, p[-1]);
    if (*p == '\0') return;  // a NUL ends the block
    WriteCharacter(*p++, out, rules, state);
  }
}

}  // namespace

size_t PhraseSearchTransform(const char* block, char* out, const TransformRules& rules,
                             TransformState& state) {
  char* const start = out;
  if (rules.html) {
    TransformHtml(block, block + std::strlen(block), out, rules, state);  // a NUL ends the block
  } else {
    TransformText(block, out, rules, state);
  }
  *out = '\0';
  return static_cast<size_t>(out - start);
}

}  // namespace preproc
