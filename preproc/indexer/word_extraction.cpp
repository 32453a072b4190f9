#include "preproc/indexer/word_extraction.h"

namespace preproc {

Delimiters::Delimiters(std::string_view set) {
  for (int c = 9; c <= 13; ++c) table_[c] = true;
  table_[' '] = true;
  for (char c : set) table_[static_cast<unsigned char>(c)] = true;
  table_[0] = false;
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
  // Copy phase.
  size_t stored = 0;
  while (*p != '\0') {
    if (html && StartsTag(p)) break;
    if (delimiters.IsDelimiter(static_cast<unsigned char>(*p))) break;
    if (stored < kWordBufferSize - 1) word[stored++] = *p;
    ++p;
  }
  word[stored] = '\0';
  if (*p == '\0' && stored == 0) return nullptr;
  return p;
}

}  // namespace preproc
