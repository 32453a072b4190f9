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

void ArticleIndexer::IndexArticle(const char* text, std::uint32_t article_index,
                                  RunCounters& counters) {
  bool letter_marks[26] = {};
  char word[kWordBufferSize];
  const char* position = text;
  while ((position = NextWord(position, word, delimiters_, html_)) != nullptr) {
    std::uint32_t hash = WordTree::kHashSeed;
    std::size_t length = 0;
    for (; word[length] != '\0'; ++length) {
      unsigned char c = upper_[static_cast<unsigned char>(word[length])];
      word[length] = static_cast<char>(c);
      hash = WordTree::HashStep(hash, c);
    }
    Enter(tree_.InsertWord(std::string_view(word, length), hash), article_index, counters);
    auto first = static_cast<unsigned char>(word[0]);
    if (indexformat::IsUpperLetter(first) && !letter_marks[first - 'A']) {
      letter_marks[first - 'A'] = true;
      Enter(LetterNode(first), article_index, counters);
    }
  }
}

}  // namespace preproc
