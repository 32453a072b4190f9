// The byte classes of the search engine, and folding. Phrases are held with
// their ASCII letters upper-cased; phrases and text are compared after folding
// with the set's table (FoldBytes), which upper-cases ASCII letters and, as
// the set's fold says, the code page's small letters or accented letters.
// Letters for the choice of index file are 'A'..'Z' only. Words are separated
// by whitespace alone; punctuation belongs to the word it touches.
#ifndef KPX_XTRA_ENGINE_CHAR_CLASSES_H_
#define KPX_XTRA_ENGINE_CHAR_CLASSES_H_

#include <cstddef>

namespace engine {

// Tab, line feed, vertical tab, form feed, carriage return and space.
inline bool IsSpaceChar(unsigned char c) { return (c >= 9 && c <= 13) || c == 32; }

inline char UpperCaseAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c;
}

// Upper-cases length bytes in place; NUL bytes are ordinary bytes here.
inline void UpperCaseAscii(char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) text[i] = UpperCaseAscii(text[i]);
}

// Folds length bytes in place with a 256-byte table; NUL bytes are ordinary
// bytes here.
inline void FoldBytes(const unsigned char* table, char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    text[i] = static_cast<char>(table[static_cast<unsigned char>(text[i])]);
  }
}

// The length of a NUL-terminated string, or limit when it holds no NUL within
// its first limit bytes. Never reads beyond the NUL or past limit.
inline size_t BoundedLength(const char* text, size_t limit) {
  size_t n = 0;
  while (n < limit && text[n] != '\0') ++n;
  return n;
}

}  // namespace engine

#endif  // KPX_XTRA_ENGINE_CHAR_CLASSES_H_
