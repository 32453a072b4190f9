// WordTree: the index run's whole vocabulary in memory. One WordNode per
// distinct upper-cased word (letter entries included), each with the ordered
// ArticleList of the articles that contain it.
//
// Words are found through a hash table, so any insertion order (a vocabulary
// that arrives already sorted included) costs the same and nothing recurses;
// the ascending order the index writer needs is made once, by sorting, when
// the tree is walked. Words compare byte by byte as unsigned values, a word
// that begins another sorting first.
//
// Node ids are dense, starting at 0, and stay valid until Clear.
#ifndef KPX_PREPROC_INDEXER_WORD_TREE_H_
#define KPX_PREPROC_INDEXER_WORD_TREE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace preproc {

// Article indices (0-based), appended at the tail only, so ascending.
using ArticleList = std::vector<std::uint32_t>;

struct WordNode {
  std::uint32_t word_offset;  // into the tree's word text
  std::uint32_t word_length;  // 1..255
  ArticleList articles;
};

class WordTree {
 public:
  WordTree();

  // The node holding word (1..255 bytes), created when new.
  std::uint32_t InsertWord(std::string_view word);

  // Adds article to the node's list. Returns 1 when it was added, 0 when it
  // was already the list's last entry.
  int AddArticle(std::uint32_t node, std::uint32_t article);

  std::size_t size() const { return nodes_.size(); }
  bool empty() const { return nodes_.empty(); }
  std::string_view word(std::uint32_t node) const {
    const WordNode& n = nodes_[node];
    return std::string_view(text_).substr(n.word_offset, n.word_length);
  }
  const ArticleList& articles(std::uint32_t node) const { return nodes_[node].articles; }

  // Every node id, in ascending word order.
  std::vector<std::uint32_t> SortedNodes() const;

  // Frees every node, word and list.
  void Clear();

 private:
  void Grow();

  std::vector<WordNode> nodes_;
  std::string text_;                  // every word, back to back
  std::vector<std::uint32_t> slots_;  // open addressing: node id + 1, 0 = empty
  std::vector<std::uint32_t> hashes_; // per node, to rehash without rereading words
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_WORD_TREE_H_
