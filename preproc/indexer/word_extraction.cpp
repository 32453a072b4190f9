#include "preproc/indexer/word_extraction.h"

#include <cstring>

namespace preproc {

Delimiters::Delimiters(std::string_view set) {
  for (int c = 9; c <= 13; ++c) delimiter_[c] = true;
  delimiter_[' '] = true;
  for (char c : set) delimiter_[static_cast<unsigned char>(c)] = true;
  delimiter_[0] = false;
  skip_html_ = delimiter_;
  skip_html_['<'] = false;
  stop_text_ = delimiter_;
  stop_text_[0] = true;
  stop_html_ = stop_text_;
  stop_html_['<'] = true;
}

namespace {

bool StartsTag(const char* p) { return p[0] == '<' && p[1] != ' '; }

// The bytes from `from` up that fold as ASCII does (below 0x80; "<" left
// out in HTML, where it may start a tag).
unsigned char AsciiFrom(const std::array<unsigned char, 256>& word_byte, bool html) {
  int from = 0x80;
  while (from > 1) {
    const int c = from - 1;
    const int ascii = c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
    if (!(html && c == '<') && word_byte[c] != ascii) break;
    from = c;
  }
  return static_cast<unsigned char>(from);
}

}  // namespace

const char* SkipTagsToWord(const char* p, const Delimiters& delimiters) {
  for (;;) {
    if (*p != '<') break;
    if (StartsTag(p)) {
      const char* close = std::strchr(p, '>');  // the tag ends there, or with the text
      p = close != nullptr ? close + 1 : p + std::strlen(p);
    } else if (delimiters.IsDelimiter('<')) {
      ++p;  // "< " with "<" in the delimiter set
    } else {
      break;  // "<" followed by a space is a word byte
    }
    while (delimiters.Skips(static_cast<unsigned char>(*p), true)) ++p;
  }
  return p;
}

FoldTable::FoldTable(const Delimiters& delimiters, bool html,
                     const std::array<unsigned char, 256>& upper)
    : word_byte{}, less_than(upper['<']) {
  for (int c = 1; c < 256; ++c) {
    word_byte[c] = delimiters.EndsRun(static_cast<unsigned char>(c), html) ? 0 : upper[c];
  }
  ascii_from = AsciiFrom(word_byte, html);
  ascii_from_bytes = kEachByte * ascii_from;
}

const char* NextWord(const char* text, char* word, const Delimiters& delimiters, bool html) {
  std::array<unsigned char, 256> same;
  for (int c = 0; c < 256; ++c) same[c] = static_cast<unsigned char>(c);
  const FoldTable unfolded(delimiters, html, same);
  size_t length = 0;
  const char* next =
      FindNextFoldedWord(text, text + std::strlen(text), delimiters, html, unfolded, word, &length);
  word[next != nullptr ? length : 0] = '\0';
  return next;
}

}  // namespace preproc
