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
      fold_(delimiters, html, upper),
      thread_(&ArticleWordReader::ReadAll, this) {}

ArticleWordReader::~ArticleWordReader() {
  pipe_.Close();
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
  pipe_.Finish();
}

// Puts the article's words and its end mark into the pipe; false when it
// cannot be read.
bool ArticleWordReader::ReadArticle(const std::string& path, std::string& text) {
  if (!platform::ReadWholeFile(path, &text)) return false;
  const char* p = text.c_str();
  for (;;) {
    char* record = pipe_.Reserve(kMaxRecordBytes);
    if (record == nullptr) {
      abandoned_ = true;
      return true;
    }
    char* word = record + kHeaderBytes;
    std::size_t found = 0;
    p = FindNextFoldedWord(p, delimiters_, html_, fold_, word, &found);
    if (p == nullptr) break;
    const auto length = static_cast<std::uint32_t>(found);
    std::memset(word + length, 0, 8);
    const std::uint32_t hash = WordTree::HashPaddedWord(word, length);
    std::memcpy(record, &hash, 4);
    std::memcpy(record + 4, &length, 4);
    pipe_.Commit(kHeaderBytes + Padded(length));
  }
  PutMark(0);
  return true;
}

void ArticleWordReader::PutMark(std::uint32_t mark) {
  char* record = pipe_.Reserve(kHeaderBytes);
  if (record == nullptr) {
    abandoned_ = true;
    return;
  }
  std::memset(record, 0, 4);
  std::memcpy(record + 4, &mark, 4);
  pipe_.Commit(kHeaderBytes);
}

ArticleWordReader::Next ArticleWordReader::NextWords(WordRecord* out, int max, int* count) {
  *count = 0;
  for (;;) {
    if (position_ >= taken_.size()) {
      if (*count > 0)
        return Next::kWords;  // they point into this chunk: keep it until the next call
      taken_ = pipe_.Take();
      position_ = 0;
      if (taken_.empty()) return Next::kUnreadable;  // asked past the last article
      continue;
    }
    const char* record = taken_.data() + position_;
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
