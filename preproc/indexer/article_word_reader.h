// ArticleWordReader: the article phase's second thread. It reads the listed
// articles one after the other, finds every word, folds and hashes it (what
// costs most per byte of text) and hands the words on in chunks, in listing
// order. The run's own thread enters them into the word tree and reports the
// progress, so reading one article overlaps entering the words of the ones
// before; the tree, the services and the log stay on the run's thread.
//
// The reader runs at most kChunks chunks ahead and stops at the first article
// it cannot read; what reading throws (no memory for an article) is thrown
// again on the consumer's thread, where that article's words would be
// (ProducerThread). Destroying the reader stops and joins the thread whatever
// state it is in.
#ifndef KPX_PREPROC_INDEXER_ARTICLE_WORD_READER_H_
#define KPX_PREPROC_INDEXER_ARTICLE_WORD_READER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "preproc/indexer/chunk_pipe.h"
#include "preproc/indexer/producer_thread.h"
#include "preproc/indexer/word_extraction.h"

namespace preproc {

// One word as the reader hands it on: the folded bytes zero-padded to a
// multiple of 8 (as WordTree::InsertPaddedWord takes them) and their hash.
struct WordRecord {
  std::uint32_t hash;
  std::uint32_t length;  // 1..255
  const char* padded;
};

class ArticleWordReader {
 public:
  // paths: the articles, in listing order. delimiters and upper must outlive
  // the reader.
  ArticleWordReader(std::vector<std::string> paths, const Delimiters& delimiters, bool html,
                    const platform::UpperCaseTable& upper);
  ArticleWordReader(const ArticleWordReader&) = delete;
  ArticleWordReader& operator=(const ArticleWordReader&) = delete;

  enum class Next { kWords, kArticleEnd, kUnreadable };

  // Up to max words of the current article into out, valid until the next
  // call. kWords: count words (at least one) were given; kArticleEnd: the
  // article has no further word, and the next call begins the next article;
  // kUnreadable: the current article could not be read (nothing follows), or
  // every article has been given already.
  Next NextWords(WordRecord* out, int max, int* count);

 private:
  // One record per word: the key is its hash, the data the padded word (its
  // size the word's length); a record of no data ends an article. An
  // article that cannot be read ends the records.
  static constexpr std::size_t kChunkBytes = 64 * 1024;
  static constexpr std::size_t kChunks = 32;  // 2 MiB ahead at most

  void ReadAll(ChunkPipe& pipe);  // the producer's body
  bool PutWords(ChunkPipe& pipe, const std::string& text);

  const std::vector<std::string> paths_;
  const Delimiters& delimiters_;
  const bool html_;
  const FoldTable fold_;
  bool article_ended_ = false;  // the consumer's: the end read with the last words given

  ProducerThread producer_;  // last: starts once everything above is ready
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_ARTICLE_WORD_READER_H_
