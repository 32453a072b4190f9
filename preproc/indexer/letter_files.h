// LetterFiles: a set of the one- and two-letter files an index set can hold,
// 26 one-letter files (C/C) and 26 x 26 two-letter files (C/CA), by slot.
// The index writer records what it wrote in one; the run replaces and keeps
// files by it.
#ifndef KPX_PREPROC_INDEXER_LETTER_FILES_H_
#define KPX_PREPROC_INDEXER_LETTER_FILES_H_

#include <array>
#include <string>

#include "platform/file_system.h"

namespace preproc {

class LetterFiles {
 public:
  static constexpr int kCount = 26 + 26 * 26;

  // The slot of the file of letters c and d ('A'..'Z'); d = 0 for the
  // one-letter file of c.
  static int Slot(char c, char d = 0) { return d == 0 ? c - 'A' : 26 + (c - 'A') * 26 + (d - 'A'); }
  static char FirstLetter(int slot) {
    return static_cast<char>('A' + (slot < 26 ? slot : (slot - 26) / 26));
  }
  // The second letter of a two-letter file; 0 for a one-letter file.
  static char SecondLetter(int slot) {
    return slot < 26 ? '\0' : static_cast<char>('A' + (slot - 26) % 26);
  }
  // The file's name relative to the index path: "C/C" or "C/CA".
  static std::string RelativeName(int slot) {
    std::string name{FirstLetter(slot), platform::kSeparator, FirstLetter(slot)};
    if (slot >= 26) name.push_back(SecondLetter(slot));
    return name;
  }

  void Add(int slot) { files_[slot] = true; }
  bool Has(int slot) const { return files_[slot]; }
  int size() const {
    int n = 0;
    for (bool file : files_) n += file ? 1 : 0;
    return n;
  }

 private:
  std::array<bool, kCount> files_{};
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_LETTER_FILES_H_
