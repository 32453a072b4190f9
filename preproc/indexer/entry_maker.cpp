#include "preproc/indexer/entry_maker.h"

#include <cstdint>

#include "indexformat/index_format.h"

namespace preproc {
namespace {

using indexformat::kFieldWidth;
using indexformat::kMaxBlockArticles;

constexpr std::uint32_t kCutBit = 0x80000000;

}  // namespace

EntryMaker::EntryMaker(WordTree& tree)
    : tree_(tree), producer_(kChunkBytes, kChunks, [this](ChunkPipe& pipe) { MakeAll(pipe); }) {}

void EntryMaker::MakeAll(ChunkPipe& pipe) {
  WordTree::WordOrder order(tree_);
  constexpr std::size_t kAhead = 16;  // nodes whose records are on their way
  for (auto group = order.NextGroup(); !group.empty(); group = order.NextGroup()) {
    for (std::size_t i = 0; i < group.size(); ++i) {
      if (i + kAhead < group.size()) tree_.PrefetchNode(group[i + kAhead]);
      if (i + kAhead / 2 < group.size()) tree_.PrefetchNodeData(group[i + kAhead / 2]);
      if (!Put(pipe, group[i])) return;  // the consumer has gone
    }
  }
}

// Builds the node's entry in place in the pipe; false once the consumer has
// gone.
bool EntryMaker::Put(ChunkPipe& pipe, std::uint32_t node) {
  char* out = pipe.ReserveRecord(indexformat::kMaxEntryBytes);
  if (out == nullptr) return false;
  const std::string_view word = tree_.word(node);
  const ArticleList articles = tree_.articles(node);
  std::uint32_t written = static_cast<std::uint32_t>(articles.size());
  std::uint32_t count = written;
  if (written > static_cast<std::uint32_t>(kMaxBlockArticles)) {
    written = kMaxBlockArticles;
    count = written | kCutBit;
  }
  const std::size_t header = 1 + word.size() + kFieldWidth;
  out[0] = static_cast<char>(static_cast<unsigned char>(word.size()));
  word.copy(out + 1, word.size());
  indexformat::WriteField(static_cast<int>(written), out + 1 + word.size());
  for (std::uint32_t i = 0; i < written; ++i) {
    indexformat::WriteField(static_cast<int>(articles[i] + 1), out + header + i * kFieldWidth);
  }
  pipe.CommitRecord(count, static_cast<std::uint32_t>(header + written * kFieldWidth));
  return true;
}

bool EntryMaker::Next(Entry* entry) {
  ChunkPipe::Record record;
  if (!producer_.NextRecord(&record)) return false;
  entry->bytes = std::string_view(record.data, record.size);
  entry->count = static_cast<long>(record.key & ~kCutBit);
  entry->cut = (record.key & kCutBit) != 0;
  return true;
}

}  // namespace preproc
