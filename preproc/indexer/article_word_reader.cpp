#include "preproc/indexer/article_word_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "indexformat/index_format.h"
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
  ArticleWords words(pipe, fold_);
  for (const std::string& path : paths_) {
    if (!platform::ReadWholeFile(path, &text)) return;  // unreadable: nothing follows
    if (!words.Put(delimiters_, html_, text)) return;   // the consumer has gone
  }
}

// The word lies in the room reserved last; it is committed unless it is a
// known repeat, whose room is used again.
inline void ArticleWordReader::ArticleWords::Enter(char* padded, std::uint32_t length) {
  std::memset(padded + length, 0, 8);
  ++entered_;
  if (!repeats_.IsRepeat(padded, length)) pipe_.CommitRecord(0, length);
}

// Puts the article's words (bar repeats), its letter entries and its closing tally
// into the pipe.
bool ArticleWordReader::ArticleWords::Put(const Delimiters& delimiters, bool html,
                                          const std::string& text) {
  repeats_.NextArticle();
  std::fill(std::begin(letter_seen_), std::end(letter_seen_), false);
  const char* p = text.c_str();
  const char* const end = p + text.size();
  for (;;) {
    // A word and its letter entry add two at most: a tally that could
    // overflow goes first, before the word takes the room reserved for it.
    if (entered_ > kMaxTally - 2 && !Tally(entered_)) return false;
    char* word = pipe_.ReserveRecord(WordTree::kPaddedBufferSize);
    if (word == nullptr) return false;
    std::size_t found = 0;
    p = FindNextFoldedWord(p, end, delimiters, html, fold_, word, &found);
    if (p == nullptr) break;
    const auto first = static_cast<unsigned char>(word[0]);
    Enter(word, static_cast<std::uint32_t>(found));
    if (indexformat::IsUpperLetter(first) && !letter_seen_[first - 'A']) {
      letter_seen_[first - 'A'] = true;
      if (!EnterLetter(first)) return false;
    }
  }
  return Tally(entered_ | kArticleEnd);
}

bool ArticleWordReader::ArticleWords::EnterLetter(unsigned char letter) {
  char* padded = pipe_.ReserveRecord(8);
  if (padded == nullptr) return false;
  std::memset(padded, 0, 8);
  padded[0] = static_cast<char>(letter);
  ++entered_;
  if (!repeats_.IsRepeat(padded, 1)) pipe_.CommitRecord(0, 1);
  return true;
}

bool ArticleWordReader::ArticleWords::Tally(std::uint32_t key) {
  if (pipe_.ReserveRecord(0) == nullptr) return false;
  pipe_.CommitRecord(key, 0);
  entered_ = 0;
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
    if (record.size == 0) {                     // a tally
      entered_ += record.key & kMaxTally;
      if ((record.key & kArticleEnd) == 0) continue;
      ended_entered_ = std::exchange(entered_, 0);
      if (*count == 0) return Next::kArticleEnd;
      article_ended_ = true;
      break;
    }
    // Hashed here, for the tree: only the words given need it.
    out[(*count)++] =
        WordRecord{WordTree::HashPaddedWord(record.data, record.size), record.size, record.data};
  }
  return *count > 0 ? Next::kWords : Next::kUnreadable;
}

}  // namespace preproc
