// Indexing one article: every word of its text is upper-cased and entered into
// the word tree with the article's index, and every letter that begins at
// least one of its words enters the article into that letter's entry (the
// one-byte word 'A'..'Z'), once per article.
#ifndef KPX_PREPROC_INDEXER_ARTICLE_INDEXER_H_
#define KPX_PREPROC_INDEXER_ARTICLE_INDEXER_H_

#include <cstdint>

#include "platform/code_page.h"
#include "preproc/indexer/word_extraction.h"
#include "preproc/indexer/word_tree.h"

namespace preproc {

// Kept over the whole run, never reset between articles.
struct RunCounters {
  long word_count = 0;  // words and letter entries entered
  long new_pairs = 0;   // entries that received an article they did not have
};

class ArticleIndexer {
 public:
  ArticleIndexer(WordTree& tree, const Delimiters& delimiters, bool html,
                 const platform::UpperCaseTable& upper)
      : tree_(tree), delimiters_(delimiters), html_(html), fold_(delimiters, html, upper) {}

  // text is NUL-terminated; it ends at its first NUL byte.
  void IndexArticle(const char* text, std::uint32_t article_index, RunCounters& counters);

 private:
  // Words are read in batches: every word of a batch is folded and hashed and
  // its slot prefetched before the first is entered.
  static constexpr int kBatch = 16;
  struct PendingWord {
    alignas(8) char bytes[WordTree::kPaddedBufferSize];  // folded, zero-padded
    std::uint32_t length;
    std::uint32_t hash;
  };

  int ReadBatch(const char** position, PendingWord* batch);
  void EnterBatch(const PendingWord* batch, int count, std::uint32_t article, bool* letter_marks,
                  RunCounters& counters);
  void Enter(std::uint32_t node, std::uint32_t article, RunCounters& counters);
  std::uint32_t LetterNode(unsigned char letter);

  WordTree& tree_;
  const Delimiters& delimiters_;
  bool html_;
  const FoldTable fold_;
  std::uint32_t letter_nodes_[26];  // node of each letter entry, once entered
  bool letter_known_[26] = {};
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_ARTICLE_INDEXER_H_
