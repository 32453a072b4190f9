// ArticleWordReader: the article phase's second thread. It reads the listed
// articles one after the other, finds and folds every word (what costs most
// per byte of text) and hands the words on in chunks, in listing order,
// together with each article's letter entries: the one-letter word of every
// letter 'A'..'Z' that begins one of its words, once per article. Most
// words an article repeats are left out (RepeatFilter): the run's word count
// takes them from the tally that ends each article, the count of every word
// and letter entry the article entered. The run's own thread hashes the
// words, enters them into the word tree and reports the progress, so reading
// one article overlaps entering the words of the ones before; the tree, the
// services and the log stay on the run's thread.
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
#include "preproc/indexer/repeat_filter.h"
#include "preproc/indexer/word_extraction.h"

namespace preproc {

// One word as the reader hands it on: the folded bytes zero-padded to a
// multiple of 8 (as WordTree::InsertPaddedWord takes them) and their hash
// (WordTree::HashPaddedWord).
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

  // After kArticleEnd: the words and letter entries the article entered,
  // each repeat counted (what the run's word count adds for it).
  std::uint64_t EnteredWords() const { return ended_entered_; }

 private:
  // One record per word given: the data is the padded word (its size the
  // word's length), the key 0. A record of no data is a tally: its
  // key's low 31 bits count the words and letter entries entered since the
  // tally before; the top bit is set on the tally that ends the article (a
  // long article may need more than one). An article that cannot be read
  // ends the records.
  static constexpr std::size_t kChunkBytes = 64 * 1024;
  static constexpr std::size_t kChunks = 32;  // 2 MiB ahead at most
  static constexpr std::uint32_t kArticleEnd = 0x80000000;
  static constexpr std::uint32_t kMaxTally = kArticleEnd - 1;

  // The reader's side: the words of the article being read.
  class ArticleWords {
   public:
    ArticleWords(ChunkPipe& pipe, const FoldTable& fold) : pipe_(pipe), fold_(fold) {}
    // Put, EnterLetter and Tally return false once the consumer has gone.
    bool Put(const Delimiters& delimiters, bool html, const std::string& text);

   private:
    void Enter(char* padded, std::uint32_t length);
    bool EnterLetter(unsigned char letter);
    bool Tally(std::uint32_t key);

    ChunkPipe& pipe_;
    const FoldTable& fold_;
    RepeatFilter repeats_;
    bool letter_seen_[26] = {};
    std::uint32_t entered_ = 0;  // since the last tally
  };

  void ReadAll(ChunkPipe& pipe);  // the producer's body

  const std::vector<std::string> paths_;
  const Delimiters& delimiters_;
  const bool html_;
  const FoldTable fold_;
  // The consumer's: the end read with the last words given, and the tallies.
  bool article_ended_ = false;
  std::uint64_t entered_ = 0;        // of the article being given
  std::uint64_t ended_entered_ = 0;  // of the article that ended last

  ProducerThread producer_;  // last: starts once everything above is ready
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_ARTICLE_WORD_READER_H_
