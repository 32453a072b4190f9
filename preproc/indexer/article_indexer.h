// Indexing one article: every word of its text, upper-cased, is entered into
// the word tree with the article's index, and every letter that begins at
// least one of its words enters the article into that letter's entry (the
// one-byte word 'A'..'Z'), once per article. The words come from the
// ArticleWordReader, found and folded already, letter entries among them and
// most repeats left out, with the count of every word and letter entry the
// article entered.
#ifndef KPX_PREPROC_INDEXER_ARTICLE_INDEXER_H_
#define KPX_PREPROC_INDEXER_ARTICLE_INDEXER_H_

#include <cstdint>

#include "preproc/indexer/article_word_reader.h"
#include "preproc/indexer/word_tree.h"

namespace preproc {

// Kept over the whole run, never reset between articles.
struct RunCounters {
  long word_count = 0;  // words and letter entries entered
  long new_pairs = 0;   // entries that received an article they did not have
};

class ArticleIndexer {
 public:
  explicit ArticleIndexer(WordTree& tree) : tree_(tree) {}

  // Enters the words of the reader's next article under article_index; false
  // when that article could not be read.
  bool IndexNextArticle(ArticleWordReader& reader, std::uint32_t article_index,
                        RunCounters& counters);

 private:
  // Words are entered in batches: the slot of every word of a batch is
  // prefetched before the first is entered.
  static constexpr int kBatch = 16;

  void EnterBatch(const WordRecord* batch, int count, std::uint32_t article, RunCounters& counters);

  WordTree& tree_;
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_ARTICLE_INDEXER_H_
