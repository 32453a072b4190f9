#include "preproc/indexer/word_tree.h"

#include <algorithm>
#include <cstring>

namespace preproc {
namespace {

constexpr std::size_t kInitialSlots = 1 << 14;

// The first eight bytes of a word as a big-endian number, zero-padded: words
// whose keys differ sort as their keys do (no word holds a NUL byte).
std::uint64_t SortKey(std::string_view word) {
  std::uint64_t key = 0;
  for (size_t i = 0; i < 8; ++i) {
    key = (key << 8) | (i < word.size() ? static_cast<unsigned char>(word[i]) : 0u);
  }
  return key;
}

}  // namespace

WordTree::WordTree() : slots_(kInitialSlots, Slot{}) {}

bool WordTree::SlotHolds(const Slot& slot, std::string_view word, std::uint32_t hash) const {
  if (slot.hash != hash || slot.length != word.size()) return false;
  size_t head = std::min(word.size(), kInlineBytes);
  if (std::memcmp(slot.inline_bytes, word.data(), head) != 0) return false;
  return head == word.size() || this->word(slot.id_plus_one - 1) == word;
}

std::uint32_t WordTree::InsertWord(std::string_view word, std::uint32_t hash) {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot& slot = slots_[i];
    if (slot.id_plus_one == 0) {
      auto id = static_cast<std::uint32_t>(words_.size());
      words_.push_back(WordRef{static_cast<std::uint32_t>(text_.size()),
                               static_cast<std::uint32_t>(word.size())});
      text_.append(word);
      last_added_.push_back(0);
      slot.hash = hash;
      slot.id_plus_one = id + 1;
      slot.length = static_cast<std::uint8_t>(word.size());
      std::memcpy(slot.inline_bytes, word.data(), std::min(word.size(), kInlineBytes));
      if (words_.size() * 2 > slots_.size()) Grow();
      return id;
    }
    if (SlotHolds(slot, word, hash)) return slot.id_plus_one - 1;
  }
}

void WordTree::Grow() {
  LargeVector<Slot> slots(slots_.size() * 2, Slot{});
  const std::size_t mask = slots.size() - 1;
  for (const Slot& old : slots_) {
    if (old.id_plus_one == 0) continue;
    std::size_t i = old.hash & mask;
    while (slots[i].id_plus_one != 0) i = (i + 1) & mask;
    slots[i] = old;
  }
  slots_.swap(slots);
}

int WordTree::AddArticle(std::uint32_t node, std::uint32_t article) {
  const auto mark = static_cast<std::uint16_t>(article + 1);
  if (last_added_[node] == mark) return 0;
  last_added_[node] = mark;
  if (runs_.empty() || runs_.back().article != article) {
    runs_.push_back(ArticleRun{article, additions_.size()});
  }
  additions_.push_back(node);
  return 1;
}

void WordTree::FinishArticleLists() {
  list_start_.assign(words_.size() + 1, 0);
  for (std::uint32_t node : additions_) ++list_start_[node + 1];
  for (size_t i = 1; i < list_start_.size(); ++i) list_start_[i] += list_start_[i - 1];
  LargeVector<std::uint32_t> next(list_start_.begin(), list_start_.end() - 1);
  postings_.resize(additions_.size());
  for (size_t r = 0; r < runs_.size(); ++r) {
    size_t end = r + 1 < runs_.size() ? runs_[r + 1].first_addition : additions_.size();
    for (size_t i = runs_[r].first_addition; i < end; ++i) {
      postings_[next[additions_[i]]++] = runs_[r].article;
    }
  }
  additions_ = {};
  runs_ = {};
}

std::vector<std::uint32_t> WordTree::SortedNodes() const {
  struct Keyed {
    std::uint64_t key;
    std::uint32_t id;
  };
  LargeVector<Keyed> keyed(words_.size());
  for (std::uint32_t id = 0; id < keyed.size(); ++id) keyed[id] = Keyed{SortKey(word(id)), id};
  std::sort(keyed.begin(), keyed.end(), [this](const Keyed& a, const Keyed& b) {
    if (a.key != b.key) return a.key < b.key;
    return word(a.id) < word(b.id);
  });
  std::vector<std::uint32_t> order(keyed.size());
  for (size_t i = 0; i < keyed.size(); ++i) order[i] = keyed[i].id;
  return order;
}

void WordTree::Clear() { *this = WordTree(); }

}  // namespace preproc
