#include "preproc/indexer/word_extraction.h"

#include <cstring>

namespace preproc {

Delimiters::Delimiters(std::string_view set) {
  for (int c = 9; c <= 13; ++c) delimiter_[c] = true;
  delimiter_[' '] = true;
  for (char c : set) delimiter_[static_cast<unsigned char>(c)] = true;
  delimiter_[0] = false;
  stop_text_ = delimiter_;
  stop_text_[0] = true;
  stop_html_ = stop_text_;
  stop_html_['<'] = true;
}

namespace {

bool StartsTag(const char* p) { return p[0] == '<' && p[1] != ' '; }

}  // namespace

const char* NextWord(const char* text, char* word, const Delimiters& delimiters, bool html) {
  const char* p = text;
  // Skip phase: tags (HTML) and delimiters.
  while (*p != '\0') {
    if (html) {
      while (StartsTag(p)) {
        while (*p != '\0' && *p != '>') ++p;
        if (*p == '>') ++p;
      }
    }
    if (*p != '\0' && !delimiters.IsDelimiter(static_cast<unsigned char>(*p))) break;
    if (*p != '\0') ++p;
  }
  // Copy phase: find the end of the run, then keep its first 255 bytes.
  const char* start = p;
  for (;;) {
    while (!delimiters.EndsRun(static_cast<unsigned char>(*p), html)) ++p;
    if (*p == '<' && !StartsTag(p) && !delimiters.IsDelimiter('<')) {
      ++p;  // "<" followed by a space is a word byte
      continue;
    }
    break;
  }
  size_t stored = static_cast<size_t>(p - start);
  if (stored > kWordBufferSize - 1) stored = kWordBufferSize - 1;
  std::memcpy(word, start, stored);
  word[stored] = '\0';
  if (*p == '\0' && stored == 0) return nullptr;
  return p;
}

}  // namespace preproc
