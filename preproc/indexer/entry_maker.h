// EntryMaker: the writing phase's second thread. It walks the finished word
// tree in ascending word order (WordTree::WordOrder, a first byte at a time)
// and builds each node's index entry: length byte, word, count, then the
// article numbers (layout in indexformat/FORMAT.md). The run's thread takes
// the entries in that order and queues and writes them (IndexWriter), so
// sorting and building the later entries overlap writing the earlier ones;
// the services, the log and the files stay on the run's thread.
//
// The maker runs at most kChunks chunks ahead. What the walk throws (no
// memory for the sort) is thrown again by Next once the entries before it
// have been taken (ProducerThread). Destroying the maker stops and joins the
// thread whatever state it is in.
#ifndef KPX_PREPROC_INDEXER_ENTRY_MAKER_H_
#define KPX_PREPROC_INDEXER_ENTRY_MAKER_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "preproc/indexer/chunk_pipe.h"
#include "preproc/indexer/producer_thread.h"
#include "preproc/indexer/word_tree.h"

namespace preproc {

class EntryMaker {
 public:
  // tree: after FinishArticleLists, and unchanged until the maker is gone.
  explicit EntryMaker(WordTree& tree);
  EntryMaker(const EntryMaker&) = delete;
  EntryMaker& operator=(const EntryMaker&) = delete;

  struct Entry {
    std::string_view bytes;  // the whole entry
    long count;              // the article numbers in it
    bool cut;                // the word is in more articles than an entry holds:
                             // the entry keeps the first kMaxBlockArticles
  };

  // The next entry in word order, valid until the next call; false after the
  // last.
  bool Next(Entry* entry);

 private:
  // One record per entry: the key is its count (the top bit set when cut),
  // the data the entry.
  static constexpr std::size_t kChunkBytes = 64 * 1024;
  static constexpr std::size_t kChunks = 16;  // 1 MiB ahead at most

  void MakeAll(ChunkPipe& pipe);  // the producer's body
  bool Put(ChunkPipe& pipe, std::uint32_t node);

  WordTree& tree_;
  ProducerThread producer_;  // last: starts once everything above is ready
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_ENTRY_MAKER_H_
