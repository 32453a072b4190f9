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

}  // namespace

WordRun FindNextWord(const char* text, const Delimiters& delimiters, bool html) {
  const char* p = text;
  // Skip phase: delimiters and (HTML) tags, up to the first word byte or NUL.
  for (;;) {
    while (delimiters.Skips(static_cast<unsigned char>(*p), html)) ++p;
    if (!html || *p != '<') break;
    if (StartsTag(p)) {
      while (*p != '\0' && *p != '>') ++p;
      if (*p == '>') ++p;
    } else if (delimiters.IsDelimiter('<')) {
      ++p;  // "< " with "<" in the delimiter set
    } else {
      break;  // "<" followed by a space is a word byte
    }
  }
  // Copy phase: find the end of the run.
  const char* start = p;
  for (;;) {
    while (!delimiters.EndsRun(static_cast<unsigned char>(*p), html)) ++p;
    if (*p == '<' && !StartsTag(p) && !delimiters.IsDelimiter('<')) {
      ++p;  // "<" followed by a space is a word byte
      continue;
    }
    break;
  }
  size_t length = static_cast<size_t>(p - start);
  if (length > kMaxWordBytes) length = kMaxWordBytes;
  if (*p == '\0' && length == 0) return WordRun{start, 0, nullptr};
  return WordRun{start, length, p};
}

const char* NextWord(const char* text, char* word, const Delimiters& delimiters, bool html) {
  WordRun run = FindNextWord(text, delimiters, html);
  std::memcpy(word, run.first, run.length);
  word[run.length] = '\0';
  return run.end;
}

}  // namespace preproc
