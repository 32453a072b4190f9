// LetterFiles: a set of the one- and two-letter files of an index set, by
// their slots in the format's one list of them (indexformat/letter_files.h).
// The index writer records what it wrote in one; the run replaces and keeps
// files by it.
#ifndef KPX_PREPROC_INDEXER_LETTER_FILES_H_
#define KPX_PREPROC_INDEXER_LETTER_FILES_H_

#include <array>

#include "indexformat/letter_files.h"

namespace preproc {

class LetterFiles {
 public:
  void Add(int slot) { files_[slot] = true; }
  bool Has(int slot) const { return files_[slot]; }
  int size() const {
    int n = 0;
    for (bool file : files_) n += file ? 1 : 0;
    return n;
  }

 private:
  std::array<bool, indexformat::kLetterFileCount> files_{};
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_LETTER_FILES_H_
