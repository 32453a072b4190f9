// ArticleWordReader: the article phase's second thread. It reads the listed
// articles one after the other, finds every word, folds and hashes it (what
// costs most per byte of text) and hands the words on in chunks, in listing
// order. The run's own thread enters them into the word tree and reports the
// progress, so reading one article overlaps entering the words of the ones
// before; the tree, the services and the log stay on the run's thread.
//
// The reader runs at most kChunks chunks ahead and stops at the first article
// it cannot read; what reading throws (no memory for an article) is thrown
// again on the consumer's thread, where that article's words would be.
// Destroying the reader stops and joins the thread whatever state it is in.
#ifndef KPX_PREPROC_INDEXER_ARTICLE_WORD_READER_H_
#define KPX_PREPROC_INDEXER_ARTICLE_WORD_READER_H_

#include <cstddef>
#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/code_page.h"
#include "preproc/indexer/chunk_pipe.h"
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
  ~ArticleWordReader();
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
  // The pipe's chunks hold records back to back, each 8-byte aligned: hash,
  // length (0 marks an article's end, kUnreadableMark an unreadable article),
  // then the padded word.
  static constexpr std::size_t kChunkBytes = 64 * 1024;
  static constexpr std::size_t kChunks = 32;  // 2 MiB ahead at most
  static constexpr std::uint32_t kUnreadableMark = 0xFFFFFFFF;

  void ReadAll();  // the thread
  bool ReadArticle(const std::string& path, std::string& text);
  void PutMark(std::uint32_t mark);

  const std::vector<std::string> paths_;
  const Delimiters& delimiters_;
  const bool html_;
  const FoldTable fold_;
  ChunkPipe pipe_{kChunkBytes, kChunks};

  bool abandoned_ = false;       // the reader's: the consumer has gone
  std::exception_ptr failure_;   // what reading threw; read by the consumer after the mark
  std::span<const char> taken_;  // the consumer's chunk, and its position in it
  std::size_t position_ = 0;

  std::thread thread_;  // last: starts once everything above is ready
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_ARTICLE_WORD_READER_H_
