#include "preproc/indexer/article_indexer.h"

namespace preproc {

void ArticleIndexer::EnterBatch(const WordRecord* batch, int count, std::uint32_t article,
                                RunCounters& counters) {
  for (int i = 0; i < count; ++i) tree_.PrefetchSlot(batch[i].hash);
  for (int i = 0; i < count; ++i) {
    const WordRecord& w = batch[i];
    counters.new_pairs +=
        tree_.AddArticle(tree_.InsertPaddedWord(w.padded, w.length, w.hash), article);
  }
}

bool ArticleIndexer::IndexNextArticle(ArticleWordReader& reader, std::uint32_t article_index,
                                      RunCounters& counters) {
  WordRecord batch[kBatch];
  int count = 0;
  for (;;) {
    switch (reader.NextWords(batch, kBatch, &count)) {
      case ArticleWordReader::Next::kWords:
        EnterBatch(batch, count, article_index, counters);
        break;
      case ArticleWordReader::Next::kArticleEnd:
        counters.word_count += static_cast<long>(reader.EnteredWords());
        return true;
      case ArticleWordReader::Next::kUnreadable:
        return false;
    }
  }
}

}  // namespace preproc
