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
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/large_allocator.h"

namespace preproc {

// The tree's tables grow to hundreds of MiB on large listings.
using platform::LargeVector;

// A node's article indices (0-based), ascending, each once.
using ArticleList = std::span<const std::uint32_t>;

class WordTree {
 public:
  WordTree();

  // Article indices are below this (the index run numbers at most 9,999).
  static constexpr std::uint32_t kMaxArticles = 65535;

  // Sizes the tables for about this many distinct words and article
  // additions, so a run that knows roughly what it will hold fills them
  // without growing them (each growth allocates, clears and rehashes or
  // copies). A run that exceeds the estimate still grows as needed; one that
  // stays below it wastes only untouched address space. Call before the
  // first InsertWord.
  void Reserve(std::size_t expected_words, std::size_t expected_additions = 0);

  // Slots in the hash table (a power of two, kept at least 4/3 of size()).
  std::size_t capacity() const { return slot_count_; }

  // The estimate Reserve takes for articles of this many bytes in all: a
  // generous reading of how real text's vocabulary grows with its length
  // (about the square root), never more than one word per four bytes.
  static std::size_t EstimateWords(std::uint64_t article_bytes);
  // The additions (distinct words of each article) Reserve takes for them:
  // one per eight bytes, well above real text's one per thirty.
  static std::size_t EstimateAdditions(std::uint64_t article_bytes) {
    return static_cast<std::size_t>(article_bytes / 8);
  }

  // A word as InsertPaddedWord takes it: its bytes (1..255), then zero bytes
  // up to the next multiple of 8, so words are hashed eight bytes at a time.
  // kPaddedBufferSize holds any word padded so.
  static constexpr std::size_t kPaddedBufferSize = 256 + 8;

  // The node holding the padded word of length bytes, created when new. hash
  // must be HashPaddedWord(padded, length).
  std::uint32_t InsertPaddedWord(const char* padded, std::uint32_t length, std::uint32_t hash);
  // The same for any word of 1..255 bytes.
  std::uint32_t InsertWord(std::string_view word);

  static std::uint32_t HashPaddedWord(const char* padded, std::uint32_t length) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ length;
    for (std::uint32_t i = 0; i < length; i += 8) {
      std::uint64_t chunk;
      std::memcpy(&chunk, padded + i, 8);
      h = (h ^ chunk) * 0xBF58476D1CE4E5B9ull;
      h ^= h >> 31;
    }
    return static_cast<std::uint32_t>((h * 0x94D049BB133111EBull) >> 32);
  }

  // Asks the processor to fetch the slot a word of this hash starts its
  // search at, so a batch of lookups overlaps its cache misses.
  void PrefetchSlot(std::uint32_t hash) const {
#if defined(__GNUC__)
    __builtin_prefetch(&slots_[hash & (slot_count_ - 1)]);
#else
    (void)hash;
#endif
  }

  // Adds article to the node's list. Returns 1 when it was added, 0 when it
  // was already the list's last entry. article must not be smaller than any
  // article added before, and below kMaxArticles.
  int AddArticle(std::uint32_t node, std::uint32_t article) {
    const auto mark = static_cast<std::uint16_t>(article + 1);
    if (last_added_[node] == mark) return 0;
    last_added_[node] = mark;
    if (article != current_article_) StartArticle(article);
    additions_.push_back(node);
    return 1;
  }

  // Gathers the article lists; call once, after the last InsertWord and
  // AddArticle and before articles(). It empties the hash table, whose memory
  // the sort then works in: from here on the tree is only read (until Clear).
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

  // Ask the processor for what word() and articles() of a node read, in
  // two steps: the node's records, then (once those have arrived) its text
  // and list. The walk in word order goes to them out of order.
  void PrefetchNode(std::uint32_t node) const {
#if defined(__GNUC__)
    __builtin_prefetch(&words_[node]);
    __builtin_prefetch(&list_start_[node]);
#else
    (void)node;
#endif
  }
  void PrefetchNodeData(std::uint32_t node) const {
#if defined(__GNUC__)
    __builtin_prefetch(text_.data() + words_[node].offset);
    __builtin_prefetch(postings_.data() + list_start_[node]);
#else
    (void)node;
#endif
  }

 private:
  // A node and its sort key: its first eight bytes (zero-padded) as one
  // number that orders as they do, then, among nodes sharing those, the next
  // eight. The size of a Slot, so the sort can work in the table's memory.
  struct Keyed {
    std::uint64_t key;
    std::uint32_t id;
  };

 public:
  // The node ids in ascending word order, one first byte at a time, each
  // byte's group sorted only when it is asked for, so a walk can write the
  // words of one byte while the next are sorted (on another thread: the
  // tree must not change meanwhile). After FinishArticleLists it sorts in the
  // hash table's memory, which was already touched: on a large vocabulary,
  // fresh pages are a good part of the run's cost. One at a time per tree.
  class WordOrder {
   public:
    explicit WordOrder(WordTree& tree);
    WordOrder(const WordOrder&) = delete;
    WordOrder& operator=(const WordOrder&) = delete;

    // The next first byte's nodes, sorted (valid until the next call); empty
    // once every node has been given.
    std::span<const std::uint32_t> NextGroup();

   private:
    const Keyed* SortGroup(Keyed* group, Keyed* scratch, std::size_t n) const;
    unsigned char FirstByte(std::uint32_t id) const;

    const WordTree& tree_;
    LargeVector<Keyed> own_;          // when the hash table's memory cannot be used
    Keyed* keyed_;                    // every node, grouped by first byte
    Keyed* spare_;                    // as much as the largest group, for the sort
    std::vector<std::uint32_t> ids_;  // the group given last
    std::size_t group_end_[256];      // where each byte's group ends in keyed_
    int next_byte_ = 0;
  };

  // Every node id, in ascending word order (WordOrder's groups one after
  // the other).
  std::vector<std::uint32_t> SortedNodes();

  // Frees every node, word and list.
  void Clear();

 private:
  // One slot of the hash table, kept small: the table is what every rare
  // word misses the cache on, and what the kernel clears page by page. A
  // word of up to 7 bytes is decided by its slot's head (its first 8 bytes,
  // zero-padded; no word holds a NUL); a longer one is then confirmed
  // against its stored text.
  struct Slot {
    std::uint32_t hash;
    std::uint32_t id_plus_one;  // 0: empty
    std::uint64_t head;
  };
  struct WordRef {
    std::uint32_t offset;
    std::uint32_t length;
  };
  struct ArticleRun {
    std::uint32_t article;
    std::size_t first_addition;  // index into additions_
  };
  // The slot table: zeroed on allocation, never copied.
  struct SlotTable {
    Slot* slots = nullptr;
    std::size_t count = 0;
    SlotTable() = default;
    explicit SlotTable(std::size_t n);
    SlotTable(SlotTable&& other) noexcept : slots(other.slots), count(other.count) {
      other.slots = nullptr;
      other.count = 0;
    }
    SlotTable& operator=(SlotTable&& other) noexcept;
    ~SlotTable();
  };

  bool SameWord(std::uint32_t node, const char* padded, std::uint32_t length) const;
  std::uint64_t SecondKey(std::uint32_t node) const;
  std::uint32_t AddNode(Slot& slot, const char* padded, std::uint32_t length, std::uint32_t hash);
  void Resize(std::size_t slot_count);
  void StartArticle(std::uint32_t article);

  SlotTable table_;
  Slot* slots_;             // table_.slots
  std::size_t slot_count_;  // table_.count
  LargeVector<WordRef> words_;
  platform::LargeString text_;  // every word, zero-padded to whole chunks of 8 bytes, back to back
  LargeVector<std::uint16_t> last_added_;         // per node: last article + 1, 0 none (small: hot)
  LargeVector<std::uint32_t> additions_;          // node ids, in the order articles were added
  std::vector<ArticleRun> runs_;                  // where each article's additions start
  std::uint32_t current_article_ = kMaxArticles;  // the article of runs_.back()
  LargeVector<std::uint32_t> list_start_;         // per node, into postings_ (after Finish)
  LargeVector<std::uint32_t> postings_;
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_WORD_TREE_H_
