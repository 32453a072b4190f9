// IndexWriter: turns the word tree, walked in ascending order, into the index
// file set (layout in indexformat/FORMAT.md).
//
// EmitEntry builds a node's entry; QueueEntry queues it, flushing first when a
// group ends (the first two bytes of the word change; a one-byte word is a
// group of its own) or when 199 entries of one group are queued; FlushQueue
// writes the queued entries to their file and keeps the per-character
// statistics that go to the run log. A group of more than 199 entries is
// written in chunks: the first creates or truncates its two-letter file, the
// later ones append. At most one file is open at a time.
//
// An index file that cannot be opened loses that chunk: the error is reported
// and the walk goes on. A word in more than 2,500 articles keeps its first
// 2,500 article numbers, with a warning.
#ifndef KPX_PREPROC_INDEXER_INDEX_WRITER_H_
#define KPX_PREPROC_INDEXER_INDEX_WRITER_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "preproc/form/run_services.h"
#include "preproc/indexer/word_tree.h"

namespace preproc {

inline constexpr int kQueueChunk = 199;

class IndexWriter {
 public:
  // index_path ends in the separator.
  IndexWriter(std::string index_path, RunServices& services);

  // Emits every node of the tree in ascending word order, then writes the
  // last group (FlushQueue with 0).
  void WriteWordTree(const WordTree& tree);

  void EmitEntry(std::string_view word, const ArticleList& articles);
  void QueueEntry(std::string_view entry, long count);
  void FlushQueue(long total);

  // Removes the one- and two-letter files of the index path that this writer
  // did not write: they hold words of an earlier listing whose article
  // numbers now stand for other articles. Only regular files named exactly
  // like index files are touched.
  void RemoveStaleLetterFiles() const;

 private:
  std::string_view FirstQueuedWord() const;
  std::string OpenTarget(std::string_view word, long total, const char** mode);
  void KeepStatistics(unsigned char first);
  static int LetterSlot(unsigned char c, unsigned char d);  // c alone: d = 0

  std::string index_path_;
  RunServices& services_;
  std::string entry_;  // the entry being built
  std::string queue_;  // queued entries, back to back
  int queue_count_ = 0;
  std::string group_key_;  // first two bytes of the last queued word
  bool first_entry_ = true;
  const char* two_letter_mode_ = "wb";
  long pending_postings_ = 0;
  bool first_flush_ = true;
  unsigned char current_char_ = 0;
  long one_letter_total_ = 0;
  long two_letter_total_ = 0;
  long extras_total_ = 0;
  long running_total_ = 0;
  // Letter files this writer opened: 26 one-letter slots, then 26 x 26.
  std::array<bool, 26 + 26 * 26> written_{};
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_INDEX_WRITER_H_
