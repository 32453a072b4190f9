#include "preproc/indexer/article_word_reader.h"

#include <cstring>
#include <utility>

#include "platform/file_system.h"
#include "preproc/indexer/word_tree.h"

namespace preproc {
namespace {

constexpr std::size_t kHeaderBytes = 8;  // hash, length
// The most one record takes: its header and the longest word, padded.
constexpr std::size_t kMaxRecordBytes = kHeaderBytes + WordTree::kPaddedBufferSize;

std::size_t Padded(std::uint32_t length) { return (length + 7) & ~std::size_t{7}; }

}  // namespace

ArticleWordReader::ArticleWordReader(std::vector<std::string> paths, const Delimiters& delimiters,
                                     bool html, const platform::UpperCaseTable& upper)
    : paths_(std::move(paths)),
      delimiters_(delimiters),
      html_(html),
      fold_(delimiters, html, upper) {
  for (std::size_t i = 0; i < kChunks; ++i) {
    chunks_.push_back(std::make_unique<Chunk>());
    empty_.push_back(chunks_.back().get());
  }
  thread_ = std::thread(&ArticleWordReader::ReadAll, this);
}

ArticleWordReader::~ArticleWordReader() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void ArticleWordReader::ReadAll() {
  std::string text;  // one article at a time
  for (const std::string& path : paths_) {
    bool read = false;
    try {
      read = ReadArticle(path, text);
    } catch (...) {  // no memory for the article: the consumer's thread throws it
      failure_ = std::current_exception();
    }
    if (!read) {
      PutMark(kUnreadableMark);
      break;
    }
    if (abandoned_) return;
  }
  HandOn();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
  }
  changed_.notify_all();
}

// Puts the article's words and its end mark into the chunks; false when it
// cannot be read.
bool ArticleWordReader::ReadArticle(const std::string& path, std::string& text) {
  if (!platform::ReadWholeFile(path, &text)) return false;
  const char* p = text.c_str();
  for (;;) {
    char* record = Reserve(kMaxRecordBytes);
    if (record == nullptr) return true;  // stopped
    char* word = record + kHeaderBytes;
    std::size_t found = 0;
    p = FindNextFoldedWord(p, delimiters_, html_, fold_, word, &found);
    if (p == nullptr) break;
    const auto length = static_cast<std::uint32_t>(found);
    std::memset(word + length, 0, 8);
    const std::uint32_t hash = WordTree::HashPaddedWord(word, length);
    std::memcpy(record, &hash, 4);
    std::memcpy(record + 4, &length, 4);
    filling_->used += kHeaderBytes + Padded(length);
  }
  PutMark(0);
  return true;
}

// Room for bytes at the end of the chunk being filled, handing it on and
// waiting for an empty one when it is full; nullptr once the consumer has gone.
char* ArticleWordReader::Reserve(std::size_t bytes) {
  if (filling_ != nullptr && kChunkBytes - filling_->used >= bytes) {
    return reinterpret_cast<char*>(filling_->words.get()) + filling_->used;
  }
  HandOn();
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return stop_ || !empty_.empty(); });
  if (stop_) {
    abandoned_ = true;
    return nullptr;
  }
  filling_ = empty_.front();
  empty_.pop_front();
  filling_->used = 0;
  return reinterpret_cast<char*>(filling_->words.get());
}

void ArticleWordReader::PutMark(std::uint32_t mark) {
  char* record = Reserve(kHeaderBytes);
  if (record == nullptr) return;
  std::memset(record, 0, 4);
  std::memcpy(record + 4, &mark, 4);
  filling_->used += kHeaderBytes;
}

void ArticleWordReader::HandOn() {
  if (filling_ == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    full_.push_back(std::exchange(filling_, nullptr));
  }
  changed_.notify_all();
}

// Gives the chunk just read back to the reader and waits for the next one.
bool ArticleWordReader::TakeNextChunk() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (reading_ != nullptr) {
    empty_.push_back(std::exchange(reading_, nullptr));
    changed_.notify_all();
  }
  changed_.wait(lock, [this] { return finished_ || !full_.empty(); });
  if (full_.empty()) return false;  // asked past the last article
  reading_ = full_.front();
  full_.pop_front();
  position_ = 0;
  return true;
}

ArticleWordReader::Next ArticleWordReader::NextWords(WordRecord* out, int max, int* count) {
  *count = 0;
  for (;;) {
    if (reading_ == nullptr || position_ >= reading_->used) {
      if (*count > 0)
        return Next::kWords;  // they point into this chunk: keep it until the next call
      if (!TakeNextChunk()) return Next::kUnreadable;
      continue;
    }
    const char* record = reinterpret_cast<const char*>(reading_->words.get()) + position_;
    std::uint32_t hash, length;
    std::memcpy(&hash, record, 4);
    std::memcpy(&length, record + 4, 4);
    if (length == 0 || length == kUnreadableMark) {
      if (*count > 0) return Next::kWords;
      if (length == kUnreadableMark) {
        if (failure_) std::rethrow_exception(failure_);  // handed on with the chunk
        return Next::kUnreadable;                        // and stays there
      }
      position_ += kHeaderBytes;
      return Next::kArticleEnd;
    }
    out[(*count)++] = WordRecord{hash, length, record + kHeaderBytes};
    position_ += kHeaderBytes + Padded(length);
    if (*count == max) return Next::kWords;
  }
}

}  // namespace preproc
