// The names of the files a search opens, built in fixed buffers.
//
// An index file name is the index path, the separator and the word's file
// relative to the index set (indexformat::RelativeFileName: "C/CA", "C/C" or
// "extras"), so the reader always picks the file the writer filled.
//
// The fold record's name is the index path, the separator and "fold"; the
// file mapping log's "log". The phrase accelerator's is the articles path,
// the separator and "kpxpairs".
//
// An article file name is the articles path, the separator, the copy block
// directory ("A" or "a" followed by k = (n - 1) / 100 + 1) and the separator,
// then "t" and n padded to four digits: article 101 is A2/t0101. The copier
// writes the directory in lower case; on a case-sensitive file system the
// search tries "A" first and then "a" (once per block directory and search),
// so sets made on either platform are found.
//
// kFileNameCapacity leaves room for every name built from a path of a field's
// size, so a name is never cut; the builders still refuse (false) a name that
// would not fit.
#ifndef KPX_XTRA_ENGINE_FILE_NAMES_H_
#define KPX_XTRA_ENGINE_FILE_NAMES_H_

#include <cstddef>

#include "xtra/engine/search_engine.h"

namespace engine {

inline constexpr size_t kFileNameCapacity = kFieldSize + 32;

// The index file of an upper-cased word of length bytes (length >= 1).
bool IndexFileName(const char* indexPath, const char* word, size_t length,
                   char (&out)[kFileNameCapacity]);

// The fold record of the set in indexPath.
bool FoldRecordFileName(const char* indexPath, char (&out)[kFileNameCapacity]);

// The set's file mapping log in indexPath.
bool FileMappingLogFileName(const char* indexPath, char (&out)[kFileNameCapacity]);

// The phrase accelerator in articlesPath (indexformat/phrase_pairs.h).
bool PhrasePairsFileName(const char* articlesPath, char (&out)[kFileNameCapacity]);

// The phrase search file of article number (1..2500); blockLetter is 'A' or 'a'.
bool ArticleFileName(const char* articlesPath, int article, char blockLetter,
                     char (&out)[kFileNameCapacity]);

// The phrase search file names of one articles path, for a verification that
// names hundreds of them: the path and its separator are copied once, and
// each name then writes only the part relative to the path.
class ArticleFileNames {
 public:
  explicit ArticleFileNames(const char* articlesPath);

  // The name ArticleFileName gives, valid until the next call; nullptr where
  // ArticleFileName refuses.
  const char* Name(int article, char blockLetter);

 private:
  char name_[kFileNameCapacity];
  size_t pathLength_ = 0;  // the path and separator; kFileNameCapacity when they do not fit
  // name_ holds the last name given; it lies in block block_ spelt letter_.
  // Articles 1..2500 have four digits, so a name of that block differs from
  // it only in its last four bytes.
  int block_ = 0;
  char letter_ = 0;
  size_t length_ = 0;
};

}  // namespace engine

#endif  // KPX_XTRA_ENGINE_FILE_NAMES_H_
