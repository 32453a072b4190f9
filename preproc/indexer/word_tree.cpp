#include "preproc/indexer/word_tree.h"

#include <algorithm>
#include <cstring>

namespace preproc {
namespace {

constexpr std::size_t kInitialSlots = 1 << 12;

std::uint32_t HashWord(std::string_view word) {
  std::uint32_t h = 2166136261u;  // FNV-1a
  for (unsigned char c : word) h = (h ^ c) * 16777619u;
  return h;
}

}  // namespace

WordTree::WordTree() : slots_(kInitialSlots, 0) {}

std::uint32_t WordTree::InsertWord(std::string_view word) {
  const std::uint32_t hash = HashWord(word);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    std::uint32_t slot = slots_[i];
    if (slot == 0) {
      auto id = static_cast<std::uint32_t>(nodes_.size());
      nodes_.push_back(WordNode{static_cast<std::uint32_t>(text_.size()),
                                static_cast<std::uint32_t>(word.size()), {}});
      hashes_.push_back(hash);
      text_.append(word);
      slots_[i] = id + 1;
      if (nodes_.size() * 2 > slots_.size()) Grow();
      return id;
    }
    std::uint32_t id = slot - 1;
    if (hashes_[id] == hash && this->word(id) == word) return id;
  }
}

void WordTree::Grow() {
  std::vector<std::uint32_t> slots(slots_.size() * 2, 0);
  const std::size_t mask = slots.size() - 1;
  for (std::uint32_t id = 0; id < nodes_.size(); ++id) {
    std::size_t i = hashes_[id] & mask;
    while (slots[i] != 0) i = (i + 1) & mask;
    slots[i] = id + 1;
  }
  slots_.swap(slots);
}

int WordTree::AddArticle(std::uint32_t node, std::uint32_t article) {
  ArticleList& list = nodes_[node].articles;
  if (!list.empty() && list.back() == article) return 0;
  list.push_back(article);
  return 1;
}

std::vector<std::uint32_t> WordTree::SortedNodes() const {
  std::vector<std::uint32_t> order(nodes_.size());
  for (std::uint32_t id = 0; id < order.size(); ++id) order[id] = id;
  std::sort(order.begin(), order.end(),
            [this](std::uint32_t a, std::uint32_t b) { return word(a) < word(b); });
  return order;
}

void WordTree::Clear() {
  nodes_ = {};
  text_ = {};
  hashes_ = {};
  slots_.assign(kInitialSlots, 0);
}

}  // namespace preproc
