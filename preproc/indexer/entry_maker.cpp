#include "preproc/indexer/entry_maker.h"

#include <cstdint>
#include <cstring>

#include "indexformat/index_format.h"

namespace preproc {
namespace {

using indexformat::kFieldWidth;
using indexformat::kMaxBlockArticles;

constexpr std::size_t kHeaderBytes = 8;  // size, count
constexpr std::uint32_t kCutBit = 0x80000000;
constexpr std::size_t kMaxRecordBytes = kHeaderBytes + indexformat::kMaxEntryBytes + 7;

std::size_t Padded(std::size_t bytes) { return (bytes + 7) & ~std::size_t{7}; }

}  // namespace

EntryMaker::EntryMaker(WordTree& tree) : tree_(tree), thread_(&EntryMaker::MakeAll, this) {}

EntryMaker::~EntryMaker() {
  pipe_.Close();
  thread_.join();
}

void EntryMaker::MakeAll() {
  try {
    WordTree::WordOrder order(tree_);
    constexpr std::size_t kAhead = 16;  // nodes whose records are on their way
    for (auto group = order.NextGroup(); !group.empty(); group = order.NextGroup()) {
      for (std::size_t i = 0; i < group.size(); ++i) {
        if (i + kAhead < group.size()) tree_.PrefetchNode(group[i + kAhead]);
        if (i + kAhead / 2 < group.size()) tree_.PrefetchNodeData(group[i + kAhead / 2]);
        if (!Put(group[i])) return;  // the consumer has gone
      }
    }
  } catch (...) {  // no memory for the sort: the consumer's thread throws it
    failure_ = std::current_exception();
  }
  pipe_.Finish();
}

// Builds the node's entry in place in the pipe; false once the consumer has
// gone.
bool EntryMaker::Put(std::uint32_t node) {
  char* record = pipe_.Reserve(kMaxRecordBytes);
  if (record == nullptr) return false;
  const std::string_view word = tree_.word(node);
  const ArticleList articles = tree_.articles(node);
  std::uint32_t written = static_cast<std::uint32_t>(articles.size());
  std::uint32_t count = written;
  if (written > static_cast<std::uint32_t>(kMaxBlockArticles)) {
    written = kMaxBlockArticles;
    count = written | kCutBit;
  }
  char* out = record + kHeaderBytes;
  const std::size_t header = 1 + word.size() + kFieldWidth;
  out[0] = static_cast<char>(static_cast<unsigned char>(word.size()));
  word.copy(out + 1, word.size());
  indexformat::WriteField(static_cast<int>(written), out + 1 + word.size());
  for (std::uint32_t i = 0; i < written; ++i) {
    indexformat::WriteField(static_cast<int>(articles[i] + 1), out + header + i * kFieldWidth);
  }
  const auto size = static_cast<std::uint32_t>(header + written * kFieldWidth);
  std::memcpy(record, &size, 4);
  std::memcpy(record + 4, &count, 4);
  pipe_.Commit(kHeaderBytes + Padded(size));
  return true;
}

bool EntryMaker::Next(Entry* entry) {
  if (position_ >= taken_.size()) {
    taken_ = pipe_.Take();
    position_ = 0;
    if (taken_.empty()) {
      if (failure_) std::rethrow_exception(failure_);
      return false;
    }
  }
  const char* record = taken_.data() + position_;
  std::uint32_t size, count;
  std::memcpy(&size, record, 4);
  std::memcpy(&count, record + 4, 4);
  entry->bytes = std::string_view(record + kHeaderBytes, size);
  entry->count = static_cast<long>(count & ~kCutBit);
  entry->cut = (count & kCutBit) != 0;
  position_ += kHeaderBytes + Padded(size);
  return true;
}

}  // namespace preproc
