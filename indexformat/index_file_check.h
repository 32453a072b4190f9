// The one rule of what an index file is: "these bytes read as the index file
// of this name". The removal of stale letter files asks it before it deletes
// a file (only an index file of its own name is taken for one), and tarvik
// verify asks it of every file of a set, wording each fault as a finding.
//
// Bytes read as the index file of their name when they hold well-formed
// entries (DecodeEntry) back to back from offset 0 to the end, their words
// strictly ascending as unsigned bytes and each a word of that file by the
// word classes, and within each entry article numbers of four ASCII digits,
// 1 to 9999, strictly ascending. A one-letter file holds exactly one entry,
// the one of its letter; a two-letter file holds at least one; the extras
// file may be empty (a run that meets no such word leaves it so). See
// FORMAT.md.
//
// CheckIndexFile walks the bytes once and tells an observer every fault it
// meets, in file order, and every article number it can read, so that each
// caller keeps its own wording and its own checks across files. Every stored
// length is checked before it is used; nothing is allocated.
#ifndef KPX_INDEXFORMAT_INDEX_FILE_CHECK_H_
#define KPX_INDEXFORMAT_INDEX_FILE_CHECK_H_

#include <cstddef>
#include <string_view>

#include "indexformat/index_format.h"

namespace indexformat {

// Which file of the set the bytes are read as.
struct IndexFileId {
  WordClass kind = WordClass::kExtras;
  char first = '\0';   // the letters of a one- or two-letter file
  char second = '\0';  // '\0' for a one-letter file

  static IndexFileId Extras() { return {}; }
  // The letter file of a slot of letter_files.h.
  static IndexFileId OfLetterSlot(int slot);

  // Whether word belongs to this file by the word classes.
  bool Holds(std::string_view word) const;
};

enum class IndexFileFault {
  kDamagedEntry,          // DecodeEntry found damage (entry->damage); the walk of entries ends
  kWordNotAscending,      // a word not above the word before it (equal: repeated)
  kForeignWord,           // a word of another file of the set
  kBadArticleNumber,      // an article number field that is not four digits, or is 0
  kArticlesNotAscending,  // an article number not above the one before it in its entry
  kEntryCount,            // a one-letter file without exactly one entry, a two-letter without any
};

struct IndexFileProblem {
  IndexFileFault fault = IndexFileFault::kDamagedEntry;
  size_t offset = 0;                     // the entry's offset; the file's size for kEntryCount
  const EntryView* entry = nullptr;      // the entry; for kEntryCount none
  std::string_view previous_word;        // kWordNotAscending: the word before
  const unsigned char* field = nullptr;  // kBadArticleNumber: its four bytes
  int article = 0;                       // kArticlesNotAscending: the number
  int previous_article = 0;              //   and the one before it
  int entries = 0;                       // kEntryCount: the well-formed entries read
};

class IndexFileObserver {
 public:
  virtual ~IndexFileObserver() = default;
  // One fault; returns whether the walk goes on.
  virtual bool OnProblem(const IndexFileProblem& problem) = 0;
  // Each article number that reads as four digits and is not 0, ascending
  // or not, after the faults the check finds in that entry up to it.
  virtual void OnArticle(const EntryView& entry, size_t offset, int article) {
    (void)entry, (void)offset, (void)article;
  }
};

// Walks bytes, a whole file, as file; true when they read as that index file.
// With no observer the walk ends at the first fault.
bool CheckIndexFile(std::string_view bytes, IndexFileId file, IndexFileObserver* observer);

inline bool ReadsAsIndexFile(std::string_view bytes, IndexFileId file) {
  return CheckIndexFile(bytes, file, nullptr);
}

}  // namespace indexformat

#endif  // KPX_INDEXFORMAT_INDEX_FILE_CHECK_H_
