#include "preproc/indexer/article_indexer.h"

#include <cstring>
#include <string_view>

#include "indexformat/index_format.h"

namespace preproc {

void ArticleIndexer::Enter(std::uint32_t node, std::uint32_t article, RunCounters& counters) {
  ++counters.word_count;
  counters.new_pairs += tree_.AddArticle(node, article);
}

std::uint32_t ArticleIndexer::LetterNode(unsigned char letter) {
  int i = letter - 'A';
  if (!letter_known_[i]) {
    char word = static_cast<char>(letter);
    letter_nodes_[i] = tree_.InsertWord(std::string_view(&word, 1));
    letter_known_[i] = true;
  }
  return letter_nodes_[i];
}

int ArticleIndexer::ReadBatch(const char** position, PendingWord* batch) {
  int count = 0;
  while (count < kBatch && *position != nullptr) {
    PendingWord& w = batch[count];
    size_t length = 0;
    *position = FindNextFoldedWord(*position, delimiters_, html_, fold_, w.bytes, &length);
    if (*position == nullptr) break;
    std::memset(w.bytes + length, 0, 8);  // zero-padded to the next multiple of 8
    w.length = static_cast<std::uint32_t>(length);
    w.hash = WordTree::HashPaddedWord(w.bytes, w.length);
    tree_.PrefetchSlot(w.hash);
    ++count;
  }
  return count;
}

void ArticleIndexer::EnterBatch(const PendingWord* batch, int count, std::uint32_t article,
                                bool* letter_marks, RunCounters& counters) {
  for (int i = 0; i < count; ++i) {
    const PendingWord& w = batch[i];
    Enter(tree_.InsertPaddedWord(w.bytes, w.length, w.hash), article, counters);
    auto first = static_cast<unsigned char>(w.bytes[0]);
    if (indexformat::IsUpperLetter(first) && !letter_marks[first - 'A']) {
      letter_marks[first - 'A'] = true;
      Enter(LetterNode(first), article, counters);
    }
  }
}

void ArticleIndexer::IndexArticle(const char* text, std::uint32_t article_index,
                                  RunCounters& counters) {
  bool letter_marks[26] = {};
  PendingWord batch[kBatch];
  const char* position = text;
  int count;
  while ((count = ReadBatch(&position, batch)) > 0) {
    EnterBatch(batch, count, article_index, letter_marks, counters);
  }
}

}  // namespace preproc
