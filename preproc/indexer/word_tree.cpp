#include "preproc/indexer/word_tree.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <new>
#include <utility>

namespace preproc {
namespace {

constexpr std::size_t kInitialSlots = 1 << 14;

}  // namespace

WordTree::SlotTable::SlotTable(std::size_t n)
    : slots(static_cast<Slot*>(platform::AllocateZeroedLarge(n * sizeof(Slot)))), count(n) {}

WordTree::SlotTable& WordTree::SlotTable::operator=(SlotTable&& other) noexcept {
  if (this != &other) {
    platform::FreeLarge(slots, count * sizeof(Slot));
    slots = other.slots;
    count = other.count;
    other.slots = nullptr;
    other.count = 0;
  }
  return *this;
}

WordTree::SlotTable::~SlotTable() { platform::FreeLarge(slots, count * sizeof(Slot)); }

WordTree::WordTree() : table_(kInitialSlots), slots_(table_.slots), slot_count_(table_.count) {}

std::size_t WordTree::EstimateWords(std::uint64_t article_bytes) {
  auto root = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(article_bytes)));
  return static_cast<std::size_t>(std::min(article_bytes / 4, root * 64));
}

void WordTree::Reserve(std::size_t expected_words, std::size_t expected_additions) {
  std::size_t wanted = std::bit_ceil(std::max(expected_words / 3 * 4 + 4, kInitialSlots));
  if (wanted > slot_count_) Resize(wanted);
  words_.reserve(expected_words);
  last_added_.reserve(expected_words);
  text_.reserve(expected_words * 16);  // padded words of real text average under that
  additions_.reserve(expected_additions);
}

// Both words are zero-padded to whole chunks of 8 bytes.
bool WordTree::SameWord(std::uint32_t node, const char* padded, std::uint32_t length) const {
  const WordRef& w = words_[node];
  if (w.length != length) return false;
  const char* stored = text_.data() + w.offset;
  for (std::uint32_t i = 0; i < length; i += 8) {
    std::uint64_t a, b;
    std::memcpy(&a, stored + i, 8);
    std::memcpy(&b, padded + i, 8);
    if (a != b) return false;
  }
  return true;
}

std::uint32_t WordTree::AddNode(Slot& slot, const char* padded, std::uint32_t length,
                                std::uint32_t hash) {
  auto id = static_cast<std::uint32_t>(words_.size());
  words_.push_back(WordRef{static_cast<std::uint32_t>(text_.size()), length});
  text_.append(padded, (length + 7) & ~7u);  // padded too, for SameWord
  last_added_.push_back(0);
  slot.hash = hash;
  slot.id_plus_one = id + 1;
  std::memcpy(&slot.head, padded, 8);
  if (words_.size() * 4 > slot_count_ * 3) Resize(slot_count_ * 2);
  return id;
}

std::uint32_t WordTree::InsertPaddedWord(const char* padded, std::uint32_t length,
                                         std::uint32_t hash) {
  const std::size_t mask = slot_count_ - 1;
  std::uint64_t head;
  std::memcpy(&head, padded, 8);
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot& slot = slots_[i];
    if (slot.id_plus_one == 0) return AddNode(slot, padded, length, hash);
    if (slot.hash == hash && slot.head == head &&
        (length < 8 || SameWord(slot.id_plus_one - 1, padded, length))) {
      return slot.id_plus_one - 1;
    }
  }
}

std::uint32_t WordTree::InsertWord(std::string_view word) {
  char padded[kPaddedBufferSize] = {};
  std::memcpy(padded, word.data(), word.size());
  auto length = static_cast<std::uint32_t>(word.size());
  return InsertPaddedWord(padded, length, HashPaddedWord(padded, length));
}

void WordTree::Resize(std::size_t slot_count) {
  SlotTable bigger(slot_count);
  const std::size_t mask = slot_count - 1;
  for (std::size_t s = 0; s < slot_count_; ++s) {
    const Slot& old = slots_[s];
    if (old.id_plus_one == 0) continue;
    std::size_t i = old.hash & mask;
    while (bigger.slots[i].id_plus_one != 0) i = (i + 1) & mask;
    bigger.slots[i] = old;
  }
  table_ = std::move(bigger);
  slots_ = table_.slots;
  slot_count_ = table_.count;
}

void WordTree::StartArticle(std::uint32_t article) {
  runs_.push_back(ArticleRun{article, additions_.size()});
  current_article_ = article;
}

// A counting sort of the additions by node: list_start_ first counts each
// node's additions, then (summed) says where its list starts, serves as the
// cursor each list is filled at, which leaves it where the next list starts,
// and is moved up by one place at the end.
void WordTree::FinishArticleLists() {
  list_start_.assign(words_.size() + 1, 0);
  for (std::uint32_t node : additions_) ++list_start_[node + 1];
  for (size_t i = 1; i < list_start_.size(); ++i) list_start_[i] += list_start_[i - 1];
  postings_.resize(additions_.size());
  for (size_t r = 0; r < runs_.size(); ++r) {
    size_t end = r + 1 < runs_.size() ? runs_[r + 1].first_addition : additions_.size();
    for (size_t i = runs_[r].first_addition; i < end; ++i) {
      postings_[list_start_[additions_[i]]++] = runs_[r].article;
    }
  }
  std::copy_backward(list_start_.begin(), list_start_.end() - 1, list_start_.end());
  list_start_[0] = 0;
  additions_ = {};
  runs_ = {};
  // The walk needs neither the hash table nor the marks. The marks' memory
  // goes back; the table's is kept for the sort.
  slots_ = nullptr;
  slot_count_ = 0;
  last_added_ = {};
}

// Bytes 8..15 of a word as one number that orders as they do; 0 for a word
// of at most 8 bytes (whose stored padding ends at byte 8).
std::uint64_t WordTree::SecondKey(std::uint32_t node) const {
  const WordRef& w = words_[node];
  if (w.length <= 8) return 0;
  std::uint64_t key;
  std::memcpy(&key, text_.data() + w.offset + 8, 8);  // padded: 8 bytes are there
  if constexpr (std::endian::native == std::endian::little) key = __builtin_bswap64(key);
  return key;
}

WordTree::WordOrder::WordOrder(WordTree& tree) : tree_(tree) {
  static_assert(sizeof(Keyed) == sizeof(Slot) && alignof(Keyed) <= alignof(Slot));
  const std::size_t n = tree.size();
  std::size_t count[256] = {};
  for (std::uint32_t id = 0; id < n; ++id) ++count[FirstByte(id)];
  std::size_t largest = 0;
  std::size_t sum = 0;
  for (int b = 0; b < 256; ++b) {
    group_end_[b] = sum += count[b];
    largest = std::max(largest, count[b]);
  }
  // Every node, and room to sort the largest group: in an emptied hash table
  // when it holds them (it has at least 4 slots per 3 words, and no group is
  // all of them on real text); otherwise (before FinishArticleLists, or one
  // first byte for most words) they are allocated.
  Keyed* memory;
  if (tree.slots_ == nullptr && tree.table_.count >= n + largest) {
    memory = reinterpret_cast<Keyed*>(tree.table_.slots);
  } else {
    own_.resize(n + largest);
    memory = own_.data();
  }
  keyed_ = memory;
  spare_ = memory + n;
  ids_.resize(largest);
  // Keyed by the first eight bytes, grouped by the first byte, keeping node
  // order within a group.
  std::size_t next[256];
  for (int b = 0; b < 256; ++b) next[b] = group_end_[b] - count[b];
  for (std::uint32_t id = 0; id < n; ++id) {
    std::uint64_t key;
    std::memcpy(&key, tree.text_.data() + tree.words_[id].offset, 8);  // padded: 8 bytes are there
    if constexpr (std::endian::native == std::endian::little) key = __builtin_bswap64(key);
    new (&keyed_[next[key >> 56]++])
        Keyed{key, id};  // begins each record's life in the reused memory
  }
}

unsigned char WordTree::WordOrder::FirstByte(std::uint32_t id) const {
  return static_cast<unsigned char>(tree_.text_[tree_.words_[id].offset]);
}

std::span<const std::uint32_t> WordTree::WordOrder::NextGroup() {
  for (; next_byte_ < 256; ++next_byte_) {
    const std::size_t begin = next_byte_ == 0 ? 0 : group_end_[next_byte_ - 1];
    const std::size_t n = group_end_[next_byte_] - begin;
    if (n == 0) continue;
    ++next_byte_;
    const Keyed* sorted = SortGroup(keyed_ + begin, spare_, n);
    for (std::size_t i = 0; i < n; ++i) ids_[i] = sorted[i].id;
    return std::span<const std::uint32_t>(ids_).first(n);
  }
  return {};
}

// Sorts a group sharing its first byte with a radix sort of the other seven
// (a stable pass per byte, the last byte first; a byte that every key shares
// is skipped), then each run of words sharing all eight by comparison.
// Returns where the sorted group lies: in group or in scratch.
const WordTree::Keyed* WordTree::WordOrder::SortGroup(Keyed* group, Keyed* scratch,
                                                      std::size_t n) const {
  constexpr int kDigits = 7;
  std::size_t counts[kDigits][256] = {};
  for (std::size_t i = 0; i < n; ++i) {
    for (int d = 0; d < kDigits; ++d) ++counts[d][(group[i].key >> (8 * d)) & 0xFF];
  }
  Keyed* from = group;
  Keyed* to = scratch;
  for (int d = 0; d < kDigits; ++d) {
    std::size_t* count = counts[d];
    if (count[(from[0].key >> (8 * d)) & 0xFF] == n) continue;  // one value
    std::size_t sum = 0;
    for (int b = 0; b < 256; ++b) sum += std::exchange(count[b], sum);
    for (std::size_t i = 0; i < n; ++i) {
      new (&to[count[(from[i].key >> (8 * d)) & 0xFF]++]) Keyed(from[i]);
    }
    std::swap(from, to);
  }
  // A run of words sharing their first eight bytes is sorted by the next
  // eight (zero past a word's end, and no word holds a NUL, so a shorter word
  // still sorts first), and only words sharing sixteen bytes are compared
  // whole. The run's common key makes room for the second one.
  for (std::size_t i = 0; i < n;) {
    std::size_t j = i + 1;
    while (j < n && from[j].key == from[i].key) ++j;
    if (j - i > 1) {
      for (std::size_t k = i; k < j; ++k) from[k].key = tree_.SecondKey(from[k].id);
      std::sort(from + i, from + j, [this](const Keyed& a, const Keyed& b) {
        return a.key != b.key ? a.key < b.key : tree_.word(a.id) < tree_.word(b.id);
      });
    }
    i = j;
  }
  return from;
}

std::vector<std::uint32_t> WordTree::SortedNodes() {
  std::vector<std::uint32_t> order;
  order.reserve(size());
  WordOrder groups(*this);
  for (auto group = groups.NextGroup(); !group.empty(); group = groups.NextGroup()) {
    order.insert(order.end(), group.begin(), group.end());
  }
  return order;
}

void WordTree::Clear() { *this = WordTree(); }

}  // namespace preproc
