#include "preproc/indexer/article_indexer.h"

#include <string_view>

#include "indexformat/index_format.h"

namespace preproc {

void ArticleIndexer::Enter(const char* word, std::size_t length, std::uint32_t article,
                           RunCounters& counters) {
  std::uint32_t node = tree_.InsertWord(std::string_view(word, length));
  ++counters.word_count;
  counters.new_pairs += tree_.AddArticle(node, article);
}

void ArticleIndexer::IndexArticle(const char* text, std::uint32_t article_index,
                                  RunCounters& counters) {
  bool letter_marks[26] = {};
  char word[kWordBufferSize];
  const char* position = text;
  while ((position = NextWord(position, word, delimiters_, html_)) != nullptr) {
    std::size_t length = 0;
    for (; word[length] != '\0'; ++length) {
      word[length] = static_cast<char>(upper_[static_cast<unsigned char>(word[length])]);
    }
    if (length == 0) continue;
    Enter(word, length, article_index, counters);
    auto first = static_cast<unsigned char>(word[0]);
    if (indexformat::IsUpperLetter(first) && !letter_marks[first - 'A']) {
      letter_marks[first - 'A'] = true;
      Enter(word, 1, article_index, counters);
    }
  }
}

}  // namespace preproc
