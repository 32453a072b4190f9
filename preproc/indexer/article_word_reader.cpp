#include "preproc/indexer/article_word_reader.h"

#include <cstring>
#include <utility>

#include "platform/file_system.h"
#include "preproc/indexer/word_tree.h"

namespace preproc {

ArticleWordReader::ArticleWordReader(std::vector<std::string> paths, const Delimiters& delimiters,
                                     bool html, const platform::UpperCaseTable& upper)
    : paths_(std::move(paths)),
      delimiters_(delimiters),
      html_(html),
      fold_(delimiters, html, upper),
      producer_(kChunkBytes, kChunks, [this](ChunkPipe& pipe) { ReadAll(pipe); }) {}

void ArticleWordReader::ReadAll(ChunkPipe& pipe) {
  std::string text;  // one article at a time
  for (const std::string& path : paths_) {
    if (!platform::ReadWholeFile(path, &text)) return;  // unreadable: nothing follows
    if (!PutWords(pipe, text)) return;                  // the consumer has gone
  }
}

// Puts the article's words and its end into the pipe; false once the
// consumer has gone.
bool ArticleWordReader::PutWords(ChunkPipe& pipe, const std::string& text) {
  const char* p = text.c_str();
  for (;;) {
    char* word = pipe.ReserveRecord(WordTree::kPaddedBufferSize);
    if (word == nullptr) return false;
    std::size_t found = 0;
    p = FindNextFoldedWord(p, delimiters_, html_, fold_, word, &found);
    if (p == nullptr) break;
    const auto length = static_cast<std::uint32_t>(found);
    std::memset(word + length, 0, 8);
    pipe.CommitRecord(WordTree::HashPaddedWord(word, length), length);
  }
  pipe.CommitRecord(0, 0);  // in the room reserved last
  return true;
}

ArticleWordReader::Next ArticleWordReader::NextWords(WordRecord* out, int max, int* count) {
  *count = 0;
  if (std::exchange(article_ended_, false)) return Next::kArticleEnd;
  ChunkPipe::Record record;
  while (*count < max) {
    // The words given point into this chunk: keep it until the next call.
    if (*count > 0 && producer_.AtChunkEnd()) break;
    if (!producer_.NextRecord(&record)) break;  // no article follows
    if (record.size == 0) {
      if (*count == 0) return Next::kArticleEnd;
      article_ended_ = true;
      break;
    }
    out[(*count)++] = WordRecord{record.key, record.size, record.data};
  }
  return *count > 0 ? Next::kWords : Next::kUnreadable;
}

}  // namespace preproc
