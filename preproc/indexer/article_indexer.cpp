#include "preproc/indexer/article_indexer.h"

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

void ArticleIndexer::EnterBatch(const WordRecord* batch, int count, std::uint32_t article,
                                bool* letter_marks, RunCounters& counters) {
  for (int i = 0; i < count; ++i) tree_.PrefetchSlot(batch[i].hash);
  for (int i = 0; i < count; ++i) {
    const WordRecord& w = batch[i];
    Enter(tree_.InsertPaddedWord(w.padded, w.length, w.hash), article, counters);
    auto first = static_cast<unsigned char>(w.padded[0]);
    if (indexformat::IsUpperLetter(first) && !letter_marks[first - 'A']) {
      letter_marks[first - 'A'] = true;
      Enter(LetterNode(first), article, counters);
    }
  }
}

bool ArticleIndexer::IndexNextArticle(ArticleWordReader& reader, std::uint32_t article_index,
                                      RunCounters& counters) {
  bool letter_marks[26] = {};
  WordRecord batch[kBatch];
  int count = 0;
  for (;;) {
    switch (reader.NextWords(batch, kBatch, &count)) {
      case ArticleWordReader::Next::kWords:
        EnterBatch(batch, count, article_index, letter_marks, counters);
        break;
      case ArticleWordReader::Next::kArticleEnd:
        return true;
      case ArticleWordReader::Next::kUnreadable:
        return false;
    }
  }
}

}  // namespace preproc
