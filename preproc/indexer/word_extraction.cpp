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

// Skip phase: delimiters and (HTML) tags, up to the first word byte or NUL.
const char* SkipToWord(const char* p, const Delimiters& delimiters, bool html) {
  for (;;) {
    while (delimiters.Skips(static_cast<unsigned char>(*p), html)) ++p;
    if (!html || *p != '<') break;
    if (StartsTag(p)) {
      const char* close = std::strchr(p, '>');  // the tag ends there, or with the text
      p = close != nullptr ? close + 1 : p + std::strlen(p);
    } else if (delimiters.IsDelimiter('<')) {
      ++p;  // "< " with "<" in the delimiter set
    } else {
      break;  // "<" followed by a space is a word byte
    }
  }
  return p;
}

// A "<" inside a run that does not end it: followed by a space, in HTML, and
// not a delimiter.
bool IsWordLessThan(const char* p, const Delimiters& delimiters) {
  return *p == '<' && !StartsTag(p) && !delimiters.IsDelimiter('<');
}

}  // namespace

FoldTable::FoldTable(const Delimiters& delimiters, bool html,
                     const std::array<unsigned char, 256>& upper)
    : word_byte{}, less_than(upper['<']) {
  for (int c = 1; c < 256; ++c) {
    word_byte[c] = delimiters.EndsRun(static_cast<unsigned char>(c), html) ? 0 : upper[c];
  }
}

const char* FindNextFoldedWord(const char* text, const Delimiters& delimiters, bool html,
                               const FoldTable& fold, char* out, size_t* length) {
  const char* p = SkipToWord(text, delimiters, html);
  const char* const start = p;
  size_t n = 0;
  for (;;) {
    unsigned char folded;
    while ((folded = fold.word_byte[static_cast<unsigned char>(*p)]) != 0) {
      if (n < kMaxWordBytes) out[n++] = static_cast<char>(folded);
      ++p;
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

const char* NextWord(const char* text, char* word, const Delimiters& delimiters, bool html) {
  std::array<unsigned char, 256> same;
  for (int c = 0; c < 256; ++c) same[c] = static_cast<unsigned char>(c);
  const FoldTable unfolded(delimiters, html, same);
  size_t length = 0;
  const char* end = FindNextFoldedWord(text, delimiters, html, unfolded, word, &length);
  word[end != nullptr ? length : 0] = '\0';
  return end;
}

}  // namespace preproc
