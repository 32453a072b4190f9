// WordTree: the index run's whole vocabulary in memory. One node per distinct
// upper-cased word (letter entries included), each with the ascending list of
// the articles that contain it.
//
// Words are found through a hash table, so any insertion order (a vocabulary
// that arrives already sorted included) costs the same and nothing recurses;
// the ascending order the index writer needs is made once, by sorting, when
// the tree is walked. Words compare byte by byte as unsigned values, a word
// that begins another sorting first.
//
// Articles are added in listing order (non-decreasing article indices): the
// run reads the articles one after the other. While they are added, each
// addition is one appended record; FinishArticleLists then gathers every
// node's ArticleList in one pass. This keeps the article phase to about one
// cache miss per word, whatever the vocabulary's size.
//
// Node ids are dense, starting at 0, and stay valid until Clear.
#ifndef KPX_PREPROC_INDEXER_WORD_TREE_H_
#define KPX_PREPROC_INDEXER_WORD_TREE_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/large_allocator.h"

namespace preproc {

// The tree's tables grow to hundreds of MiB on large listings.
template <typename T>
using LargeVector = std::vector<T, platform::LargeAllocator<T>>;

// A node's article indices (0-based), ascending, each once.
using ArticleList = std::span<const std::uint32_t>;

class WordTree {
 public:
  WordTree();

  // Article indices are below this (the index run numbers at most 9,999).
  static constexpr std::uint32_t kMaxArticles = 65535;

  // The node holding word (1..255 bytes), created when new. hash must be
  // HashWord(word); callers that fold a word byte by byte compute it as they
  // go with HashStep.
  std::uint32_t InsertWord(std::string_view word, std::uint32_t hash);
  std::uint32_t InsertWord(std::string_view word) { return InsertWord(word, HashWord(word)); }

  // Asks the processor to fetch the slot a word of this hash starts its
  // search at, so a batch of lookups overlaps its cache misses.
  void PrefetchSlot(std::uint32_t hash) const {
#if defined(__GNUC__)
    __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
#else
    (void)hash;
#endif
  }

  // Adds article to the node's list. Returns 1 when it was added, 0 when it
  // was already the list's last entry. article must not be smaller than any
  // article added before, and below kMaxArticles.
  int AddArticle(std::uint32_t node, std::uint32_t article);

  // Gathers the article lists; call once, after the last AddArticle and
  // before articles().
  void FinishArticleLists();

  std::size_t size() const { return words_.size(); }
  bool empty() const { return words_.empty(); }
  std::string_view word(std::uint32_t node) const {
    const WordRef& w = words_[node];
    return std::string_view(text_).substr(w.offset, w.length);
  }
  ArticleList articles(std::uint32_t node) const {
    return ArticleList(postings_).subspan(list_start_[node],
                                          list_start_[node + 1] - list_start_[node]);
  }

  // Every node id, in ascending word order.
  std::vector<std::uint32_t> SortedNodes() const;

  // Frees every node, word and list.
  void Clear();

  // FNV-1a, one byte at a time, so it can be folded into a loop.
  static constexpr std::uint32_t kHashSeed = 2166136261u;
  static std::uint32_t HashStep(std::uint32_t h, unsigned char c) { return (h ^ c) * 16777619u; }
  static std::uint32_t HashWord(std::string_view word) {
    std::uint32_t h = kHashSeed;
    for (unsigned char c : word) h = HashStep(h, c);
    return h;
  }

 private:
  static constexpr std::size_t kInlineBytes = 22;

  // One slot of the hash table; short words are compared without leaving it.
  struct Slot {
    std::uint32_t hash;
    std::uint32_t id_plus_one;  // 0: empty
    std::uint8_t length;
    char inline_bytes[kInlineBytes];  // the word's first bytes
  };
  struct WordRef {
    std::uint32_t offset;
    std::uint32_t length;
  };
  struct ArticleRun {
    std::uint32_t article;
    std::size_t first_addition;  // index into additions_
  };

  bool SlotHolds(const Slot& slot, std::string_view word, std::uint32_t hash) const;
  void Grow();

  LargeVector<Slot> slots_;  // open addressing, linear probing, at most half full
  LargeVector<WordRef> words_;
  std::basic_string<char, std::char_traits<char>, platform::LargeAllocator<char>>
      text_;                               // every word, back to back
  LargeVector<std::uint16_t> last_added_;  // per node: last article + 1, 0 none (small: hot)
  LargeVector<std::uint32_t> additions_;   // node ids, in the order articles were added
  std::vector<ArticleRun> runs_;           // where each article's additions start
  LargeVector<std::uint32_t> list_start_;  // per node, into postings_ (after Finish)
  LargeVector<std::uint32_t> postings_;
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_WORD_TREE_H_
