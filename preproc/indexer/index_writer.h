// IndexWriter: turns the word tree, walked in ascending order, into the index
// file set (layout in indexformat/FORMAT.md).
//
// The entries come built, in word order, from an EntryMaker on its own
// thread; QueueEntry queues each, flushing first when a group ends (the
// first two bytes of the word change; a one-byte word is a group of its
// own) or when 199 entries of one group are queued; FlushQueue
// writes the queued entries to their file and keeps the per-character
// statistics that go to the run log. A group of more than 199 entries is
// written in chunks: the first creates or truncates its two-letter file, the
// later ones append. At most one file is open at a time: a file stays open
// while the flushes that follow go to it too (the chunks of one group, a run
// of extras groups). The chunks flushed to one file are written to it
// together, up to kPendingBytes at a time, and a write that stops short is
// taken apart chunk by chunk, so a lost chunk is still told apart from the
// others and every chunk after it is tried on its own.
//
// The writer writes below its write path (the run's staging directory) and
// names files by the index path they will have once the run replaces the
// set. An index file that cannot be opened or written loses that chunk: "could
// not write to" is reported with the file's final path and the walk goes on,
// so every failing file is named; the failure stays in status(), which the run
// reads at the end. A word in more than 2,500 articles keeps its first 2,500
// article numbers, with a warning.
//
// A file is staged only when its bytes differ from the live file of its name:
// until then its writes are compared with the live file, read as they go,
// and at the first difference (or when the live file cannot be read, or ends
// sooner or later) the staged file is created, the equal bytes copied into it
// from the live file and the rest written there. A file left unstaged needs no
// replacement; staged() names the letter files that were staged.
#ifndef KPX_PREPROC_INDEXER_INDEX_WRITER_H_
#define KPX_PREPROC_INDEXER_INDEX_WRITER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "preproc/indexer/letter_files.h"
#include "preproc/indexer/word_tree.h"
#include "preproc/run/run_services.h"

namespace preproc {

// The writer's sticky failure state: once a file has failed, the run cannot
// replace the set, however the rest of the walk goes.
struct WriteStatus {
  int failed_files = 0;       // index files with at least one lost chunk
  std::string first_failure;  // the final path of the first of them
  bool ok() const { return failed_files == 0; }
};

class IndexWriter {
 public:
  // write_path receives the files; index_path names them in messages. Both
  // end in the separator.
  IndexWriter(std::string write_path, std::string index_path, RunServices& services);
  ~IndexWriter();
  IndexWriter(const IndexWriter&) = delete;
  IndexWriter& operator=(const IndexWriter&) = delete;

  // Emits every node of the tree in ascending word order, then writes the
  // last group (FlushQueue with 0) and closes the last file.
  void WriteWordTree(WordTree& tree);

  const WriteStatus& status() const { return status_; }
  // The one- and two-letter files written whole.
  const LetterFiles& written() const { return written_; }
  // Those of them staged below the write path: the others' bytes are the
  // live files'. extras_staged() tells the same of the extras file.
  const LetterFiles& staged() const { return staged_; }
  bool extras_staged() const { return extras_staged_; }

 private:
  // The largest number of entries of one group written as one chunk.
  static constexpr int kQueueChunk = 199;

  void QueueEntry(std::string_view entry, long count);
  void FlushQueue(long total);
  std::string_view FirstQueuedWord() const;
  std::string OpenTarget(std::string_view word, long total, const char** mode);
  std::FILE* TargetFile(std::string_view word, const std::string& relative, const char* mode);
  void OpenTargetFile(const std::string& relative, std::string_view key, const char* mode);
  void CloseTarget();
  void DropTarget();
  void WritePending();
  std::size_t Put(const char* data, std::size_t size);
  bool Stage(std::uint64_t equal);
  void FinishComparing();
  void FinishExtras();
  bool IsExtras(const std::string& relative) const;
  void ChunkWritten(std::string_view key);
  void LoseChunk(std::string_view key, const std::string& relative);
  void EnsureLetterDirectory(char letter);
  void KeepStatistics(unsigned char first);
  void NoteFailure(std::string_view word, const std::string& relative);

  std::string write_path_;
  std::string index_path_;
  RunServices& services_;
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
  // The chunks flushed to the open file and not yet written to it, back to
  // back, and where each ends: written when they reach kPendingBytes, before
  // the file is closed and before anything is logged or reported.
  static constexpr std::size_t kPendingBytes = 128 * 1024;
  std::string pending_;
  std::vector<std::size_t> pending_ends_;
  std::FILE* target_ = nullptr;   // the file of the last flush, while it went well
  std::string target_name_;       // its name relative to the write path
  std::string target_key_;        // the first two bytes of the word that opened it
  bool directory_made_[26] = {};  // the letter directories made below the write path
  // While comparing_, target_ is the live file, read for comparison, and
  // compared_ bytes of it were found equal; nothing is staged yet.
  bool comparing_ = false;
  std::uint64_t compared_ = 0;
  // The extras file is opened again for each run of its groups: how far its
  // comparison reached, and whether it has been staged.
  std::uint64_t extras_compared_ = 0;
  bool extras_staged_ = false;
  std::string compare_block_;  // what one comparison read of the live file
  LetterFiles written_;
  LetterFiles staged_;
  LetterFiles failed_;
  bool extras_failed_ = false;
  WriteStatus status_;
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_INDEX_WRITER_H_
