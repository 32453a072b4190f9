#include "preproc/copier/phrase_index_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <utility>

#include "indexformat/file_mapping_log.h"
#include "indexformat/index_format.h"
#include "platform/file_system.h"
#include "platform/large_allocator.h"
#include "preproc/copier/phrase_search_file.h"
#include "preproc/run/message_text.h"

namespace preproc {
namespace {

using indexformat::kPairBlockPayload;
using indexformat::kPairBlockSize;

// Word numbers and article numbers packed in one sort key: the first word's
// rank, the second word's rank, the article.
constexpr int kArticleBits = 12;
constexpr int kWordBits = 26;
constexpr std::uint64_t kMaxWords = std::uint64_t{1} << kWordBits;
static_assert(indexformat::kMaxPairArticles < (1 << kArticleBits));

bool IsSpace(unsigned char c) { return (c >= 9 && c <= 13) || c == 32; }

// Where the tables are this large, the work on them after the copies are all
// in is shared out between two threads (RunBoth); below, a thread costs more
// than it saves.
constexpr size_t kFewestApart = size_t{1} << 16;

// Runs first, then later, and returns once both are done: where apart, later
// on a second thread meanwhile (here after first when no thread can be
// started). What either throws (no memory) is thrown here, first's before
// later's.
template <typename First, typename Later>
void RunBoth(bool apart, First&& first, Later&& later) {
  if (!apart) {
    first();
    later();
    return;
  }
  std::exception_ptr later_failure;
  const auto run_later = [&] {
    try {
      later();
    } catch (...) {
      later_failure = std::current_exception();
    }
  };
  {
    // Joined however first ends, a throw included.
    struct Joined {
      std::thread thread;
      ~Joined() {
        if (thread.joinable()) thread.join();
      }
    } second;
    try {
      second.thread = std::thread(run_later);
    } catch (const std::system_error&) {  // no thread: later runs after first
    }
    first();
    if (!second.thread.joinable()) run_later();
  }
  if (later_failure) std::rethrow_exception(later_failure);
}

// The collector's big tables: blocks of 2 MiB and more come on huge pages
// where the platform gives them, which spares most page faults and TLB
// misses of the random probes into the word table.
using platform::LargeString;
using platform::LargeVector;

// The words of the copies and the pairs they form, article by article.
class PairCollector {
 public:
  // False when the words no longer fit the sort key.
  bool AddCopy(int article, std::string_view copy, const platform::UpperCaseTable& fold);
  // Takes in what later collected, whose copies all follow this one's and
  // were taken in from the last back: its words are numbered here, its pairs
  // go behind these, the other way round. Once, last; false when the words
  // no longer fit the sort key.
  bool TakeIn(PairCollector& later);
  // The pairs in key order, each (first rank, second rank, article) once:
  // the article in the low kArticleBits bits, the second rank in the
  // rank_bits() above them, the first rank above that. The copies must have
  // been added in the order of their articles.
  LargeVector<std::uint64_t> SortedPairs();
  int rank_bits() const { return rank_bits_; }
  std::string_view Word(std::uint32_t rank, bool first) const {
    return (first ? by_first_ : by_second_).Word(rank);
  }
  // Asks the processor to fetch the second word of that rank, whose bytes
  // the tree reads in an order of their own: first where the word lies, a
  // few pairs ahead, then its bytes.
  void PrefetchSecond(std::uint32_t rank, bool bytes) const {
#if defined(__GNUC__)
    if (bytes) {
      __builtin_prefetch(by_second_.bytes.data() + by_second_.at[rank]);
    } else {
      __builtin_prefetch(&by_second_.at[rank]);
    }
#else
    (void)rank;
    (void)bytes;
#endif
  }

 private:
  struct Stored {
    size_t at;           // in arena_
    std::uint64_t head;  // the first 8 bytes (zeros past the end): most words whole
    std::uint32_t length;
    std::uint32_t hash;
  };
  // head: the word's first 8 bytes, zeros past its end.
  std::uint32_t Intern(std::string_view word, std::uint32_t hash, std::uint64_t head);
  void Grow();

  // The distinct words end to end, each numbered in the order first met, and
  // an open-addressing table of their hashes (high half) and numbers plus
  // one (low half; 0: a free slot), so a probe past another word reads no word.
  LargeString arena_;
  LargeVector<Stored> stored_;  // by number
  LargeVector<std::uint64_t> slots_ = LargeVector<std::uint64_t>(1024, 0);
  LargeVector<std::string_view> words_;  // by number, once every word is in
  // The pairs, (number, number, article), in chunks of fixed size until
  // sorted: a chunk once filled never moves, so a corpus of millions of
  // pairs is not copied again and again as it grows. Most repeats of a pair
  // within a copy are left out as they come (below); the sort drops the rest.
  // Every chunk is full but the last, and the last taken in from a later
  // collector (TakeIn), whose pairs keep that one's numbers: later_numbers_
  // gives their numbers here. Those chunks come last.
  static constexpr size_t kChunkPairs = size_t{1} << 18;  // 2 MiB
  struct Chunk {
    LargeVector<std::uint64_t> pairs;
    size_t count = 0;
    bool later = false;
  };
  std::vector<Chunk> chunks_;
  size_t pair_count_ = 0;
  LargeVector<std::uint32_t> later_numbers_;
  // The pairs met lately, each in the slot its words pick: a pair found
  // there with its article is not kept again. Most repeats of a pair in one
  // copy are of a few frequent ones, and a table this small stays in the
  // processor's cache; the repeats it misses go when the pairs are sorted.
  static constexpr size_t kRecentPairSlots = size_t{1} << 12;
  std::vector<std::uint64_t> recent_pairs_ = std::vector<std::uint64_t>(kRecentPairSlots, 0);
  // The words of at most eight bytes, the last not 0, met lately: such a
  // word's head (its bytes, zeros after) is the word, so a hit here needs
  // neither the table nor the stored word. Most words of a text are short
  // and frequent.
  struct Recent {
    std::uint64_t head = 0;  // 0: none (a word's last byte is not 0)
    std::uint32_t number = 0;
  };
  static constexpr size_t kRecentSlots = size_t{1} << 14;
  std::vector<Recent> recent_ = std::vector<Recent>(kRecentSlots);
  // The words by rank, end to end in that order, so the tree, which reads
  // the first words in rank order and each one's second words in rank order,
  // reads nearby bytes.
  struct RankedWords {
    LargeString bytes;
    LargeVector<size_t> at;  // rank r: bytes[at[r], at[r + 1])
    std::string_view Word(std::uint32_t rank) const {
      return std::string_view(bytes.data() + at[rank], at[rank + 1] - at[rank]);
    }
  };
  RankedWords by_first_;
  RankedWords by_second_;
  int rank_bits_ = 0;
};

// The word's number; a word met for the first time gets the next one.
std::uint32_t PairCollector::Intern(std::string_view word, std::uint32_t hash, std::uint64_t head) {
  const size_t mask = slots_.size() - 1;
  size_t i = hash & mask;
  for (; slots_[i] != 0; i = (i + 1) & mask) {
    if (slots_[i] >> 32 != hash) continue;
    const auto number = static_cast<std::uint32_t>(slots_[i] - 1);
    const Stored& known = stored_[number];
    if (known.length == word.size() && known.head == head &&
        (word.size() <= sizeof head ||
         std::memcmp(arena_.data() + known.at + sizeof head, word.data() + sizeof head,
                     word.size() - sizeof head) == 0)) {
      return number;
    }
  }
  const auto number = static_cast<std::uint32_t>(stored_.size());
  stored_.push_back({arena_.size(), head, static_cast<std::uint32_t>(word.size()), hash});
  arena_.append(word);
  slots_[i] = std::uint64_t{hash} << 32 | (number + 1);
  if (stored_.size() * 2 > slots_.size()) Grow();  // at most half full: short probes
  return number;
}

// Doubles the table and places every word again.
void PairCollector::Grow() {
  slots_.assign(slots_.size() * 2, 0);
  const size_t mask = slots_.size() - 1;
  for (size_t n = 0; n < stored_.size(); ++n) {
    const std::uint32_t hash = stored_[n].hash;
    size_t i = hash & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = std::uint64_t{hash} << 32 | (n + 1);
  }
}

constexpr std::uint64_t kArticleMask = (std::uint64_t{1} << kArticleBits) - 1;

// A hash of a word in its buffer, zeros past its end, eight bytes a step.
std::uint32_t HashOfWord(const unsigned char* word, size_t length) {
  std::uint64_t hash = length;
  for (size_t i = 0; i < length; i += 8) {
    std::uint64_t w = 0;
    std::memcpy(&w, word + i, sizeof w);
    hash = (hash ^ w) * 0x9e3779b97f4a7c15u;
  }
  hash ^= hash >> 29;
  hash *= 0xbf58476d1ce4e5b9u;
  return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

bool PairCollector::AddCopy(int article, std::string_view copy,
                            const platform::UpperCaseTable& fold) {
  // Every byte's folded value, with kWhite added where that is whitespace:
  // one look per byte folds it and tells words from gaps.
  constexpr std::uint16_t kWhite = 0x100;
  std::array<std::uint16_t, 256> kind;
  for (size_t c = 0; c < kind.size(); ++c) {
    kind[c] = static_cast<std::uint16_t>(fold[c] | (IsSpace(fold[c]) ? kWhite : 0));
  }
  const auto* text = reinterpret_cast<const unsigned char*>(copy.data());
  const size_t size = copy.size();
  unsigned char word[indexformat::kMaxPairWord + 8];  // the word's kept bytes, then zeros
  bool have_previous = false;
  std::uint32_t previous = 0;
  size_t at = 0;
  while (at < size) {
    const size_t gap_start = at;
    while (at < size && kind[text[at]] >= kWhite) ++at;
    if (at == size) break;
    const bool one_blank = at == gap_start + 1 && kind[text[gap_start]] == (kWhite | ' ');
    // The head (first eight bytes, zeros after) is gathered in a register:
    // read back from the bytes just stored, it would wait on those stores.
    size_t length = 0;
    std::uint64_t head = 0;
    for (; at < size; ++at) {
      const std::uint16_t k = kind[text[at]];
      if (k >= kWhite) break;
      if (length < sizeof head) head |= static_cast<std::uint64_t>(k) << (8 * length);
      if (length < indexformat::kMaxPairWord) word[length++] = static_cast<unsigned char>(k);
    }
    std::memset(word + length, 0, 8);
    std::uint32_t number = 0;
    Recent* recent = nullptr;
    if (length <= sizeof head && word[length - 1] != 0) {
      recent = &recent_[static_cast<size_t>((head * 0x9e3779b97f4a7c15u) >> 50) % kRecentSlots];
    }
    if (recent != nullptr && recent->head == head) {
      number = recent->number;
    } else {
      number = Intern(std::string_view(reinterpret_cast<const char*>(word), length),
                      HashOfWord(word, length), head);
      if (stored_.size() > kMaxWords) return false;
      if (recent != nullptr) *recent = {head, number};
    }
    if (have_previous && one_blank) {
      const std::uint64_t pair =
          static_cast<std::uint64_t>(previous) << (kWordBits + kArticleBits) |
          static_cast<std::uint64_t>(number) << kArticleBits | static_cast<std::uint64_t>(article);
      std::uint64_t& recent_pair =
          recent_pairs_[static_cast<size_t>(((pair >> kArticleBits) * 0x9e3779b97f4a7c15u) >> 52) %
                        kRecentPairSlots];
      if (recent_pair != pair) {
        recent_pair = pair;
        if (chunks_.empty() || chunks_.back().count == kChunkPairs) {
          chunks_.push_back({LargeVector<std::uint64_t>(kChunkPairs), 0, false});
        }
        Chunk& chunk = chunks_.back();
        chunk.pairs[chunk.count++] = pair;
        ++pair_count_;
      }
    }
    have_previous = true;
    previous = number;
  }
  return true;
}

bool PairCollector::TakeIn(PairCollector& later) {
  later_numbers_.resize(later.stored_.size());
  constexpr size_t kAhead = 8;  // words between the fetch of a word's slot and its probe
  for (size_t n = 0; n < later.stored_.size(); ++n) {
#if defined(__GNUC__)
    if (n + kAhead < later.stored_.size()) {
      __builtin_prefetch(&slots_[later.stored_[n + kAhead].hash & (slots_.size() - 1)]);
    }
#endif
    const Stored& word = later.stored_[n];
    later_numbers_[n] =
        Intern(std::string_view(later.arena_.data() + word.at, word.length), word.hash, word.head);
    if (stored_.size() > kMaxWords) return false;
  }
  for (Chunk& chunk : later.chunks_) {
    chunk.later = true;
    chunks_.push_back(std::move(chunk));
  }
  pair_count_ += later.pair_count_;
  later.chunks_.clear();
  later.pair_count_ = 0;
  return true;
}

// Sorts the keys stably by their bits low_bit to low_bit + bits - 1 (those
// above must be 0): a least significant digit radix sort over those bits
// only, in as few passes of at most 16 bits as they need. Each pass counts
// and moves either half of the keys on a thread of its own; the second
// half's keys of a digit go behind the first half's, so the sort stays
// stable.
void SortKeys(LargeVector<std::uint64_t>& keys, int low_bit, int bits) {
  const size_t n = keys.size();
  if (n < 2 || bits <= 0) return;
  const int passes = (bits + 15) / 16;
  const int digit_bits = (bits + passes - 1) / passes;
  const size_t digits = size_t{1} << digit_bits;
  const std::uint64_t mask = digits - 1;
  const size_t half = n / 2;
  const bool apart = n >= kFewestApart;
  std::vector<size_t> starts[2] = {std::vector<size_t>(digits), std::vector<size_t>(digits)};
  LargeVector<std::uint64_t> other(n);
  std::uint64_t* from = keys.data();
  std::uint64_t* to = other.data();
  for (int p = 0; p < passes; ++p) {
    const int shift = low_bit + p * digit_bits;
    const auto count = [&](int h, size_t begin, size_t end) {
      std::vector<size_t>& counts = starts[h];
      std::fill(counts.begin(), counts.end(), 0);
      for (size_t i = begin; i < end; ++i) ++counts[(from[i] >> shift) & mask];
    };
    RunBoth(
        apart, [&] { count(0, 0, half); }, [&] { count(1, half, n); });
    const size_t digit = (from[0] >> shift) & mask;
    if (starts[0][digit] + starts[1][digit] == n) continue;  // one digit: nothing moves
    size_t at = 0;
    for (size_t d = 0; d < digits; ++d) {
      for (std::vector<size_t>& start : starts) at += std::exchange(start[d], at);
    }
    const auto move = [&](int h, size_t begin, size_t end) {
      size_t* const start = starts[h].data();
      for (size_t i = begin; i < end; ++i) to[start[(from[i] >> shift) & mask]++] = from[i];
    };
    RunBoth(
        apart, [&] { move(0, 0, half); }, [&] { move(1, half, n); });
    std::swap(from, to);
  }
  if (from != keys.data()) std::copy(from, from + n, keys.data());
}

LargeVector<std::uint64_t> PairCollector::SortedPairs() {
  // A key orders by the first word's length, its bytes, then the second word.
  const size_t n = stored_.size();
  words_.clear();
  words_.reserve(n);
  for (const Stored& word : stored_) words_.emplace_back(arena_.data() + word.at, word.length);
  // The second words in byte order: first by their leading 8 bytes read
  // big-endian (zeros past the end), which orders two words unless those are
  // equal, then by the bytes.
  // Sorted side by side with the numbers, so a comparison of two leading
  // parts reads no word.
  struct Leading {
    std::uint64_t bytes;
    std::uint32_t number;
  };
  LargeVector<Leading> leading(n);
  for (size_t i = 0; i < n; ++i) {
    std::uint64_t bytes = 0;
    for (size_t k = 0; k < 8; ++k) {
      const auto c = k < words_[i].size() ? static_cast<unsigned char>(words_[i][k]) : 0u;
      bytes = bytes << 8 | c;
    }
    leading[i] = {bytes, static_cast<std::uint32_t>(i)};
  }
  // By the leading bytes in radix passes of 16 bits, then each run of equal
  // leading bytes (words of eight bytes or more that begin alike) by its
  // words' bytes.
  if (n > 1) {
    LargeVector<Leading> other(n);
    std::vector<size_t> starts(size_t{1} << 16);
    for (int shift = 0; shift < 64; shift += 16) {
      std::fill(starts.begin(), starts.end(), 0);
      for (const Leading& l : leading) ++starts[(l.bytes >> shift) & 0xFFFF];
      if (starts[(leading[0].bytes >> shift) & 0xFFFF] == n) continue;  // one digit: no move
      size_t at = 0;
      for (size_t& start : starts) at += std::exchange(start, at);
      for (const Leading& l : leading) other[starts[(l.bytes >> shift) & 0xFFFF]++] = l;
      leading.swap(other);
    }
  }
  // The runs of either half of the words on a thread each.
  const auto sort_runs = [&](size_t begin, size_t end) {
    for (size_t i = begin; i < end;) {
      size_t last = i + 1;
      while (last < end && leading[last].bytes == leading[i].bytes) ++last;
      if (last - i > 1) {
        std::sort(leading.begin() + static_cast<std::ptrdiff_t>(i),
                  leading.begin() + static_cast<std::ptrdiff_t>(last),
                  [&](const Leading& a, const Leading& b) {
                    return words_[a.number] < words_[b.number];
                  });
      }
      i = last;
    }
  };
  size_t middle = n / 2;
  while (middle > 0 && leading[middle - 1].bytes == leading[middle].bytes) --middle;
  RunBoth(
      n >= kFewestApart, [&] { sort_runs(0, middle); }, [&] { sort_runs(middle, n); });
  LargeVector<std::uint32_t> second_order(n);  // word numbers by rank
  for (size_t i = 0; i < n; ++i) second_order[i] = leading[i].number;
  LargeVector<Leading>().swap(leading);
  // The first words by length, those of one length in byte order: the byte
  // order above, stably counted out by length.
  std::vector<size_t> length_starts(indexformat::kMaxPairWord + 2, 0);
  for (const std::string_view word : words_) ++length_starts[word.size() + 1];
  for (size_t l = 1; l < length_starts.size(); ++l) length_starts[l] += length_starts[l - 1];
  LargeVector<std::uint32_t> first_order(n);
  for (const std::uint32_t number : second_order) {
    first_order[length_starts[words_[number].size()]++] = number;
  }
  LargeVector<std::uint32_t> first_rank(n);
  LargeVector<std::uint32_t> second_rank(n);
  // Each order on a thread of its own: the words' bytes are gathered from
  // all over the arena.
  const auto lay_out = [&](const LargeVector<std::uint32_t>& order, RankedWords& ranked,
                           LargeVector<std::uint32_t>& rank) {
    ranked.at.assign(n + 1, 0);
    ranked.bytes.assign(arena_.size(), '\0');
    char* const bytes = ranked.bytes.data();
    size_t at = 0;
    // Each word is fetched a few ranks ahead: where it lies first, then its
    // bytes and its rank's place.
    constexpr size_t kAhead = 8;
    for (size_t r = 0; r < n; ++r) {
#if defined(__GNUC__)
      if (r + 2 * kAhead < n) __builtin_prefetch(&words_[order[r + 2 * kAhead]]);
      if (r + kAhead < n) {
        __builtin_prefetch(words_[order[r + kAhead]].data());
        __builtin_prefetch(&rank[order[r + kAhead]], 1);
      }
#endif
      const std::string_view word = words_[order[r]];
      rank[order[r]] = static_cast<std::uint32_t>(r);
      std::memcpy(bytes + at, word.data(), word.size());
      at += word.size();
      ranked.at[r + 1] = at;
    }
  };
  RunBoth(
      n >= kFewestApart, [&] { lay_out(first_order, by_first_, first_rank); },
      [&] { lay_out(second_order, by_second_, second_rank); });
  // The words live on in rank order only.
  LargeVector<std::string_view>().swap(words_);
  LargeVector<Stored>().swap(stored_);
  LargeVector<std::uint64_t>().swap(slots_);
  LargeString().swap(arena_);
  // The ranks take rank_bits_ bits each, the second's just above the
  // article, so the sort passes over those bits only. The pairs came
  // article by article: a stable sort by the ranks leaves each pair's
  // articles in order, so the article bits need no pass.
  rank_bits_ = 0;
  while (rank_bits_ < kWordBits && (std::uint64_t{1} << rank_bits_) < n) ++rank_bits_;
  // Each chunk is let go once its pairs are in sorted; the two halves of
  // the chunks on a thread each.
  constexpr std::uint64_t kWordMask = kMaxWords - 1;
  LargeVector<std::uint64_t> sorted(pair_count_);
  const size_t chunks = chunks_.size();
  std::vector<size_t> bases(chunks + 1, 0);  // where each chunk's pairs go
  for (size_t c = 0; c < chunks; ++c) bases[c + 1] = bases[c] + chunks_[c].count;
  // The later collector's pairs, last, go the other way round, as it took
  // its copies from the last back: pair p of them to mirror - p. Each pair's
  // articles are then in order for the stable sort.
  size_t later_begin = pair_count_;
  for (size_t c = chunks; c > 0 && chunks_[c - 1].later; --c) later_begin = bases[c - 1];
  const size_t mirror = later_begin + pair_count_ - 1;
  const auto map_chunks = [&](size_t begin, size_t end) {
    for (size_t c = begin; c < end; ++c) {
      const std::uint64_t* chunk = chunks_[c].pairs.data();
      const size_t base = bases[c];
      const size_t count = chunks_[c].count;
      const bool later = chunks_[c].later;
      const std::uint32_t* number = later ? later_numbers_.data() : nullptr;
      for (size_t i = 0; i < count; ++i) {
        const std::uint64_t pair = chunk[i];
        std::uint64_t a = pair >> (kWordBits + kArticleBits);
        std::uint64_t b = (pair >> kArticleBits) & kWordMask;
        if (number != nullptr) {
          a = number[a];
          b = number[b];
        }
        sorted[later ? mirror - (base + i) : base + i] =
            static_cast<std::uint64_t>(first_rank[a]) << (rank_bits_ + kArticleBits) |
            static_cast<std::uint64_t>(second_rank[b]) << kArticleBits | (pair & kArticleMask);
      }
      LargeVector<std::uint64_t>().swap(chunks_[c].pairs);
    }
  };
  RunBoth(
      pair_count_ >= kFewestApart, [&] { map_chunks(0, chunks / 2); },
      [&] { map_chunks(chunks / 2, chunks); });
  chunks_.clear();
  pair_count_ = 0;
  LargeVector<std::uint32_t>().swap(later_numbers_);
  SortKeys(sorted, kArticleBits, 2 * rank_bits_);
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  return sorted;
}

// Lays the blocks out: leaves as entries come, then the directory levels.
class TreeWriter {
 public:
  // Block 0 is left for the header.
  explicit TreeWriter(LargeString* file) : file_(file) { file_->assign(kPairBlockSize, '\0'); }

  // The entry of the pair of first and second (each at most kMaxPairWord
  // bytes), keyed as MakePairKey keys them, listing the articles in the low
  // kArticleBits bits of pairs[0, count), in order.
  void AddEntry(std::string_view first, std::string_view second, const std::uint64_t* pairs,
                size_t count);
  // Puts the leaves of later, whose keys all follow this writer's, behind
  // this writer's leaves, each sealed under its new number (later's block 0
  // is not taken).
  void Append(TreeWriter& later);
  // Seals the last leaf, writes the directory; fills the header's tree fields.
  void Finish(indexformat::PairHeader* header);

 private:
  struct Child {
    std::string first_key;
    std::uint32_t block;
  };
  unsigned char* Block(std::uint32_t number) {
    return reinterpret_cast<unsigned char*>(file_->data()) + size_t{number} * kPairBlockSize;
  }
  std::uint32_t NewBlock() {
    file_->append(kPairBlockSize, '\0');
    return static_cast<std::uint32_t>(file_->size() / kPairBlockSize - 1);
  }
  void SealLeaf();

  LargeString* file_;
  std::vector<Child> leaves_;
  std::uint32_t leaf_ = 0;  // the leaf being filled, 0 before the first
  size_t used_ = 0;         // bytes of its payload in use
  std::uint16_t count_ = 0;
  // The words of the entry added last to the leaf being filled, where the
  // collector keeps them; what it shares with the next key is found from them.
  std::string_view last_first_;
  std::string_view last_second_;
  std::uint64_t entries_ = 0;
};

// An entry's postings: one article in the tag, or a distance list or a
// bitmap, whichever is shorter.
size_t EncodePostings(const std::uint64_t* pairs, size_t count, unsigned char* out) {
  const auto article = [pairs](size_t i) {
    return static_cast<std::uint32_t>(pairs[i] & kArticleMask);
  };
  if (count == 1) return indexformat::PutPairVarint(article(0) * 4 + 2, out);
  unsigned char list[indexformat::kMaxPairArticles * 2 + 8];
  size_t list_length = 0;
  std::uint32_t last = 0;
  for (size_t i = 0; i < count; ++i) {
    list_length += indexformat::PutPairVarint(article(i) - last, list + list_length);
    last = article(i);
  }
  const size_t bitmap_bytes = (last + 7) / 8;
  size_t n = 0;
  if (bitmap_bytes < list_length) {
    n = indexformat::PutPairVarint(static_cast<std::uint32_t>(bitmap_bytes * 2 + 1), out);
    std::memset(out + n, 0, bitmap_bytes);
    for (size_t i = 0; i < count; ++i) {
      out[n + (article(i) - 1) / 8] |= static_cast<unsigned char>(1u << ((article(i) - 1) % 8));
    }
    return n + bitmap_bytes;
  }
  n = indexformat::PutPairVarint(static_cast<std::uint32_t>(count * 4), out);
  std::memcpy(out + n, list, list_length);
  return n + list_length;
}

// How many leading bytes a and b share: eight bytes a step where the machine
// loads them little-endian, then byte by byte.
size_t SharedPrefix(std::string_view a_bytes, std::string_view b_bytes) {
  const auto* a = reinterpret_cast<const unsigned char*>(a_bytes.data());
  const auto* b = reinterpret_cast<const unsigned char*>(b_bytes.data());
  const size_t length = std::min(a_bytes.size(), b_bytes.size());
  size_t shared = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; shared + 8 <= length; shared += 8) {
      std::uint64_t x = 0;
      std::uint64_t y = 0;
      std::memcpy(&x, a + shared, sizeof x);
      std::memcpy(&y, b + shared, sizeof y);
      if (x != y) return shared + static_cast<size_t>(std::countr_zero(x ^ y) / 8);
    }
  }
  while (shared < length && a[shared] == b[shared]) ++shared;
  return shared;
}

void TreeWriter::SealLeaf() {
  if (leaf_ == 0) return;
  unsigned char* block = Block(leaf_);
  block[0] = static_cast<unsigned char>(count_);
  block[1] = static_cast<unsigned char>(count_ >> 8);
  indexformat::SealPairBlock(block, leaf_);
}

void TreeWriter::AddEntry(std::string_view first, std::string_view second,
                          const std::uint64_t* pairs, size_t count) {
  const size_t key_length = 1 + first.size() + second.size();
  unsigned char entry[indexformat::kMaxPairKey + indexformat::kPairArticleBitmapBytes + 32];
  for (bool fresh : {false, true}) {
    // The key's first byte is the first word's length: a key shares
    // nothing with one whose first word is of another length, else that
    // byte and what the words share, first word then second.
    size_t shared = 0;
    if (!fresh && leaf_ != 0 && first.size() == last_first_.size()) {
      const size_t first_shared = SharedPrefix(first, last_first_);
      shared = 1 + first_shared;
      if (first_shared == first.size()) shared += SharedPrefix(second, last_second_);
    }
    size_t n = indexformat::PutPairVarint(static_cast<std::uint32_t>(shared), entry);
    n += indexformat::PutPairVarint(static_cast<std::uint32_t>(key_length - shared), entry + n);
    // The key's bytes from shared on.
    if (shared == 0) entry[n++] = static_cast<unsigned char>(first.size());
    const size_t from_first = shared == 0 ? 0 : std::min(shared - 1, first.size());
    std::memcpy(entry + n, first.data() + from_first, first.size() - from_first);
    n += first.size() - from_first;
    const size_t from_second = shared <= 1 + first.size() ? 0 : shared - 1 - first.size();
    std::memcpy(entry + n, second.data() + from_second, second.size() - from_second);
    n += second.size() - from_second;
    n += EncodePostings(pairs, count, entry + n);
    if (!fresh && (leaf_ == 0 || used_ + n > kPairBlockPayload - 2 || count_ == 0xFFFF)) {
      SealLeaf();
      leaf_ = NewBlock();
      used_ = 0;
      count_ = 0;
      unsigned char key[indexformat::kMaxPairKey];
      const size_t length = indexformat::MakePairKey(first, second, key);
      leaves_.push_back({std::string(reinterpret_cast<const char*>(key), length), leaf_});
      continue;  // encode again with nothing shared
    }
    std::memcpy(Block(leaf_) + 2 + used_, entry, n);
    used_ += n;
    ++count_;
    last_first_ = first;
    last_second_ = second;
    ++entries_;
    return;
  }
}

void TreeWriter::Append(TreeWriter& later) {
  SealLeaf();
  leaf_ = 0;
  later.SealLeaf();
  const auto offset = static_cast<std::uint32_t>(file_->size() / kPairBlockSize - 1);
  file_->append(later.file_->data() + kPairBlockSize, later.file_->size() - kPairBlockSize);
  for (Child& child : later.leaves_) {
    child.block += offset;
    indexformat::SealPairBlock(Block(child.block), child.block);
    leaves_.push_back(std::move(child));
  }
  entries_ += later.entries_;
}

void TreeWriter::Finish(indexformat::PairHeader* header) {
  SealLeaf();
  header->leaf_blocks = static_cast<std::uint32_t>(leaves_.size());
  header->pairs = entries_;
  header->height = 0;
  header->root = leaves_.empty() ? 0 : leaves_.front().block;
  std::vector<Child> level = std::move(leaves_);
  while (level.size() > 1) {
    std::vector<Child> upper;
    std::uint32_t block = 0;
    size_t used = 0;
    std::uint16_t count = 0;
    auto seal = [&] {
      if (block == 0) return;
      Block(block)[0] = static_cast<unsigned char>(count);
      Block(block)[1] = static_cast<unsigned char>(count >> 8);
      indexformat::SealPairBlock(Block(block), block);
    };
    for (const Child& child : level) {
      unsigned char entry[indexformat::kMaxPairKey + 16];
      size_t n =
          indexformat::PutPairVarint(static_cast<std::uint32_t>(child.first_key.size()), entry);
      std::memcpy(entry + n, child.first_key.data(), child.first_key.size());
      n += child.first_key.size();
      n += indexformat::PutPairVarint(child.block, entry + n);
      if (block == 0 || used + n > kPairBlockPayload - 2 || count == 0xFFFF) {
        seal();
        block = NewBlock();
        used = 0;
        count = 0;
        upper.push_back({child.first_key, block});
      }
      std::memcpy(Block(block) + 2 + used, entry, n);
      used += n;
      ++count;
    }
    seal();
    level = std::move(upper);
    ++header->height;
  }
  if (!level.empty()) header->root = level.front().block;
  header->blocks = static_cast<std::uint32_t>(file_->size() / kPairBlockSize);
}

bool IsAbsent(const std::vector<bool>& absent, size_t i) { return i < absent.size() && absent[i]; }

// The header's fields the copies decide (all but the tree's), from the
// copies' lengths (sizes[n - 1] of article n).
indexformat::PairHeader HeaderOfCopies(const std::vector<std::uint64_t>& sizes,
                                       const std::vector<bool>& absent, std::uint64_t log_stamp,
                                       std::uint32_t log_lines,
                                       const platform::UpperCaseTable& fold) {
  indexformat::PairHeader header;
  header.log_stamp = log_stamp;
  header.log_lines = log_lines;
  header.articles = static_cast<std::uint32_t>(
      std::min(sizes.size(), static_cast<size_t>(indexformat::kMaxPairArticles)));
  std::memcpy(header.fold, fold.data(), sizeof header.fold);
  for (std::uint32_t i = 0; i < header.articles; ++i) {
    if (IsAbsent(absent, i)) {
      header.absent[i / 8] = static_cast<unsigned char>(header.absent[i / 8] | (1u << (i % 8)));
    } else {
      header.copy_bytes += sizes[i];
    }
  }
  return header;
}

// Whether the file at path is an accelerator whose header block is sound, whose
// size is the header's and whose fields are the ones the copies give (*found
// then holds it). The other blocks are not read: the search checks every block
// it reads and ignores one that is damaged, and verify reads them all, so a
// damaged block never changes an answer; what must not outlive a change of
// the copies is a header that describes other copies.
bool DescribesCopies(const std::string& path, const indexformat::PairHeader& expected,
                     PhraseIndexResult* found) {
  std::FILE* file = platform::OpenRegularFile(path);
  if (file == nullptr) return false;
  unsigned char block[kPairBlockSize];
  const bool read = std::fread(block, 1, sizeof block, file) == sizeof block;
  std::fclose(file);
  const std::uint64_t file_bytes = platform::RegularFileSize(path);
  indexformat::PairHeader& header = found->header;
  if (!read || indexformat::DecodePairHeader(block, static_cast<std::int64_t>(file_bytes),
                                             &header) != indexformat::PairDamage::kNone) {
    return false;
  }
  found->file_bytes = file_bytes;
  return header.log_stamp == expected.log_stamp && header.log_lines == expected.log_lines &&
         header.articles == expected.articles && header.copy_bytes == expected.copy_bytes &&
         std::memcmp(header.fold, expected.fold, sizeof header.fold) == 0 &&
         std::memcmp(header.absent, expected.absent, sizeof header.absent) == 0;
}

}  // namespace

bool ReadsAsPhraseIndex(const std::string& path) {
  std::FILE* file = platform::OpenRegularFile(path);
  if (file == nullptr) return false;
  char magic[sizeof indexformat::kPhrasePairsMagic - 1];
  const bool ours = std::fread(magic, 1, sizeof magic, file) == sizeof magic &&
                    std::memcmp(magic, indexformat::kPhrasePairsMagic, sizeof magic) == 0;
  std::fclose(file);
  return ours;
}

bool RemovePhraseIndex(const std::string& copy_path, std::string* file, bool* foreign) {
  *foreign = false;
  for (const char* name : {indexformat::kPhrasePairsName, indexformat::kPhrasePairsTempName}) {
    const std::string path = copy_path + name;
    if (!platform::Exists(path)) continue;
    if (!ReadsAsPhraseIndex(path)) {
      *foreign = true;
      continue;
    }
    if (!platform::RemoveFile(path)) {
      *file = path;
      return false;
    }
  }
  return true;
}

void StampOfListing(const std::vector<std::string>& names, std::uint64_t* stamp,
                    std::uint32_t* lines) {
  const size_t count = std::min(names.size(), static_cast<size_t>(indexformat::kMaxListedArticles));
  const std::vector<std::string> logged(names.begin(),
                                        names.begin() + static_cast<std::ptrdiff_t>(count));
  const std::string text = indexformat::FileMappingLogText(logged);
  indexformat::LogStamp log_stamp;
  log_stamp.Add(text.data(), text.size());
  *stamp = log_stamp.Value();
  *lines = static_cast<std::uint32_t>(count);
}

namespace {

// Writes the entries of pairs[begin, end) (sorted, begin and end at entry
// boundaries) into tree.
void WriteEntries(const PairCollector& collector, const LargeVector<std::uint64_t>& pairs,
                  size_t begin, size_t end, TreeWriter& tree) {
  const int rank_bits = collector.rank_bits();
  const std::uint64_t second_mask = (std::uint64_t{1} << rank_bits) - 1;
  constexpr size_t kAhead = 8;  // pairs between the fetch of a word's place and its bytes
  for (size_t i = begin; i < end;) {
    if (i + 2 * kAhead < end) {
      collector.PrefetchSecond(
          static_cast<std::uint32_t>((pairs[i + 2 * kAhead] >> kArticleBits) & second_mask), false);
      collector.PrefetchSecond(
          static_cast<std::uint32_t>((pairs[i + kAhead] >> kArticleBits) & second_mask), true);
    }
    const std::uint64_t words = pairs[i] >> kArticleBits;
    const size_t from = i;
    for (++i; i < end && pairs[i] >> kArticleBits == words; ++i) {
    }
    const auto first = static_cast<std::uint32_t>(words >> rank_bits);
    const auto second = static_cast<std::uint32_t>(words & second_mask);
    tree.AddEntry(collector.Word(first, true), collector.Word(second, false), pairs.data() + from,
                  i - from);
  }
}

// Where the entries are cut in two halves, one for each thread: the start of
// the entry that holds the middle pair; 0 (no cut) for sets too small to
// gain from a second thread.
size_t HalfOfEntries(const LargeVector<std::uint64_t>& pairs) {
  if (pairs.size() < kFewestApart) return 0;
  size_t cut = pairs.size() / 2;
  while (cut > 0 && pairs[cut - 1] >> kArticleBits == pairs[cut] >> kArticleBits) --cut;
  return cut;
}

// The accelerator's bytes: the tree of the pairs collected, under header,
// which holds the copies' fields. The leaves of the second half of the
// entries are written on a second thread, into a file of their own that then
// follows the first half's leaves; the directory is written over both.
LargeString WritePairTree(PairCollector& collector, indexformat::PairHeader header) {
  const LargeVector<std::uint64_t> pairs = collector.SortedPairs();
  // Room for the file at once, so it is never copied as it grows: about 10
  // bytes a pair on real text; never more than the copies' bytes except for
  // tiny sets, which grow the string as needed. Room untouched costs nothing.
  constexpr std::uint64_t kMostReserved = std::uint64_t{256} << 20;
  const auto room = [&](size_t count) {
    return static_cast<size_t>(
        std::min(std::max<std::uint64_t>(12 * count, header.copy_bytes), kMostReserved) +
        2 * kPairBlockSize);
  };
  const size_t cut = HalfOfEntries(pairs);
  LargeString file;
  file.reserve(room(pairs.size()));
  TreeWriter tree(&file);
  if (cut == 0) {
    WriteEntries(collector, pairs, 0, pairs.size(), tree);
  } else {
    LargeString later_file;
    TreeWriter later(&later_file);
    RunBoth(
        true, [&] { WriteEntries(collector, pairs, 0, cut, tree); },
        [&] {
          later_file.reserve(room(pairs.size() - cut));
          WriteEntries(collector, pairs, cut, pairs.size(), later);
        });
    tree.Append(later);
  }
  tree.Finish(&header);
  indexformat::EncodePairHeader(header, reinterpret_cast<unsigned char*>(file.data()));
  return file;
}

}  // namespace

namespace {

// What one thread collects of a run of copies: the first part in article
// order, a later one from its last article back.
struct CollectedPart {
  // Takes in the copy of article (its text, or missing); nothing once there
  // are too many words.
  void Add(int article, std::string_view text, bool missing, const platform::UpperCaseTable& fold) {
    if (too_many) return;
    sizes.push_back(text.size());
    absent.push_back(missing);
    if (!missing) too_many = !collector.AddCopy(article, text, fold);
  }

  PairCollector collector;
  std::vector<std::uint64_t> sizes;  // of each copy taken in
  std::vector<bool> absent;
  bool too_many = false;
};

// The accelerator of what first and then later (copies that all follow
// first's) collected; empty when there are too many words.
LargeString WriteParts(CollectedPart& first, CollectedPart* later, std::uint64_t log_stamp,
                       std::uint32_t log_lines, const platform::UpperCaseTable& fold) {
  if (later != nullptr) {
    first.too_many = first.too_many || later->too_many || !first.collector.TakeIn(later->collector);
    std::reverse(later->sizes.begin(), later->sizes.end());
    std::reverse(later->absent.begin(), later->absent.end());
    first.sizes.insert(first.sizes.end(), later->sizes.begin(), later->sizes.end());
    first.absent.insert(first.absent.end(), later->absent.begin(), later->absent.end());
  }
  if (first.too_many) return LargeString();
  return WritePairTree(first.collector,
                       HeaderOfCopies(first.sizes, first.absent, log_stamp, log_lines, fold));
}

// Where the copies are this large in all, BuildPairs collects either half on
// a thread of its own.
constexpr std::uint64_t kFewestBytesApart = std::uint64_t{1} << 18;

LargeString BuildPairs(const std::vector<std::string_view>& copies, const std::vector<bool>& absent,
                       std::uint64_t log_stamp, std::uint32_t log_lines,
                       const platform::UpperCaseTable& fold) {
  const size_t articles =
      std::min(copies.size(), static_cast<size_t>(indexformat::kMaxPairArticles));
  std::uint64_t total = 0;
  for (size_t i = 0; i < articles; ++i) total += copies[i].size();
  // The first article of the second half: the one after the middle byte's.
  const bool apart = total >= kFewestBytesApart;
  size_t cut = articles;
  if (apart) {
    cut = 0;
    for (std::uint64_t before = 0; before <= total / 2; ++cut) before += copies[cut].size();
  }
  CollectedPart first;
  CollectedPart later;
  const auto add = [&](CollectedPart& part, size_t i) {
    part.Add(static_cast<int>(i) + 1, copies[i], IsAbsent(absent, i), fold);
  };
  RunBoth(
      apart,
      [&] {
        for (size_t i = 0; i < cut; ++i) add(first, i);
      },
      [&] {
        for (size_t i = articles; i > cut; --i) add(later, i - 1);
      });
  return WriteParts(first, apart ? &later : nullptr, log_stamp, log_lines, fold);
}

}  // namespace

std::string BuildPhraseIndex(const std::vector<std::string_view>& copies,
                             const std::vector<bool>& absent, std::uint64_t log_stamp,
                             std::uint32_t log_lines, const platform::UpperCaseTable& fold) {
  const LargeString bytes = BuildPairs(copies, absent, log_stamp, log_lines, fold);
  return std::string(bytes.begin(), bytes.end());
}

// What the builder's thread and the run share. The thread alone touches
// first and failure until it is joined.
struct PhraseIndexBuilder::Shared {
  struct Copy {
    int article;
    bool read;  // from the copy path, not text
    std::string text;
  };
  Shared(std::string path, const platform::UpperCaseTable& table)
      : copy_path(std::move(path)), fold(table) {}

  // Takes one copy into part: reads it where it is to be read, collects its
  // pairs. What fails (no memory) is kept in *failed.
  void Take(CollectedPart& part, Copy& copy, std::exception_ptr* failed) {
    if (*failed || part.too_many) return;
    try {
      bool missing = false;
      if (copy.read) {
        missing =
            !platform::ReadWholeFile(PhraseSearchFileName(copy_path, copy.article), &copy.text);
        if (missing) copy.text.clear();
      }
      part.Add(copy.article, copy.text, missing, fold);
    } catch (...) {  // no memory: thrown again in the run by Finish
      *failed = std::current_exception();
    }
  }
  void Work() {
    Copy copy;
    for (;;) {
      {
        std::unique_lock<std::mutex> lock(mutex);
        KeepSpare(copy.text);
        wake.wait(lock, [this] { return !queue.empty() || closed || dropped; });
        if (dropped || queue.empty()) return;  // dropped, or closed with every copy taken in
        copy = std::move(queue.front());
        queue.pop_front();
      }
      Take(first, copy, &failure);
    }
  }
  // Keeps a text taken in for the run to copy into again (mutex held).
  void KeepSpare(std::string& text) {
    if (text.capacity() == 0 || spare.size() >= kMostSpare) return;
    text.clear();
    spare.push_back(std::move(text));
  }

  const std::string copy_path;
  const platform::UpperCaseTable& fold;
  CollectedPart first;  // what the thread collects
  std::exception_ptr failure;
  std::mutex mutex;  // guards queue, closed and dropped
  std::condition_variable wake;
  std::deque<Copy> queue;
  // Texts taken in, for the run to reuse; a few are enough, as the thread
  // keeps up with the run or falls behind it for good.
  static constexpr size_t kMostSpare = 4;
  std::vector<std::string> spare;
  bool closed = false;   // no copy comes after those queued
  bool dropped = false;  // the builder is going: the copies queued are left
};

PhraseIndexBuilder::PhraseIndexBuilder(std::string copy_path, const platform::UpperCaseTable& fold)
    : shared_(std::make_unique<Shared>(std::move(copy_path), fold)) {
  try {
    thread_ = std::thread([this] { shared_->Work(); });
  } catch (const std::system_error&) {  // no thread: every copy is taken in as it comes
  }
}

PhraseIndexBuilder::~PhraseIndexBuilder() { Close(true); }

void PhraseIndexBuilder::Close(bool drop) {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->closed = true;
    shared_->dropped = drop;
  }
  shared_->wake.notify_one();
  thread_.join();
}

void PhraseIndexBuilder::Put(int article, bool read, std::string text) {
  Shared::Copy copy{article, read, std::move(text)};
  if (!thread_.joinable()) {
    shared_->Take(shared_->first, copy, &shared_->failure);
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->KeepSpare(copy.text);
    return;
  }
  {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->queue.push_back(std::move(copy));
  }
  shared_->wake.notify_one();
}

void PhraseIndexBuilder::Add(int article, std::string text) {
  Put(article, false, std::move(text));
}

void PhraseIndexBuilder::AddFromCopyPath(int article) { Put(article, true, std::string()); }

std::string PhraseIndexBuilder::SpareText() {
  const std::lock_guard<std::mutex> lock(shared_->mutex);
  if (shared_->spare.empty()) return std::string();
  std::string text = std::move(shared_->spare.back());
  shared_->spare.pop_back();
  return text;
}

LargeString PhraseIndexBuilder::Finish(std::uint64_t log_stamp, std::uint32_t log_lines) {
  // The copies the thread has not come to yet are shared out as it goes:
  // it takes them from the front of the queue, this thread from the back,
  // into a collector of its own, until none is left.
  CollectedPart later;
  std::exception_ptr later_failure;
  while (thread_.joinable()) {
    Shared::Copy copy;
    {
      const std::lock_guard<std::mutex> lock(shared_->mutex);
      if (shared_->queue.empty()) break;
      copy = std::move(shared_->queue.back());
      shared_->queue.pop_back();
    }
    shared_->Take(later, copy, &later_failure);
  }
  Close(false);
  if (shared_->failure) std::rethrow_exception(shared_->failure);
  if (later_failure) std::rethrow_exception(later_failure);
  return WriteParts(shared_->first, later.sizes.empty() ? nullptr : &later, log_stamp, log_lines,
                    shared_->fold);
}

PhraseIndexResult WritePhraseIndex(const std::string& copy_path, int articles,
                                   const std::vector<std::string>& names,
                                   const platform::UpperCaseTable& fold, const KnownCopies& known,
                                   bool may_keep, PhraseIndexBuilder* builder) {
  PhraseIndexResult result;
  const std::string final_path = copy_path + indexformat::kPhrasePairsName;
  const std::string temp_path = copy_path + indexformat::kPhrasePairsTempName;
  const int covered = builder != nullptr ? 0 : std::min(articles, indexformat::kMaxPairArticles);
  std::vector<std::string> contents(static_cast<size_t>(covered));  // the copies read here
  std::vector<std::string_view> copies(static_cast<size_t>(covered));
  std::vector<std::uint64_t> sizes(static_cast<size_t>(covered), 0);
  std::vector<bool> absent(static_cast<size_t>(covered), false);
  const auto is_known = [&known](size_t i) {
    return i < known.copied.size() && known.copied[i] && i < known.bytes.size();
  };
  const auto read = [&](size_t i) {
    absent[i] = !platform::ReadWholeFile(PhraseSearchFileName(copy_path, static_cast<int>(i) + 1),
                                         &contents[i]);
    if (absent[i]) contents[i].clear();
    copies[i] = contents[i];
    sizes[i] = contents[i].size();
  };
  // The copies the run did not make nor find are read now: the keep check
  // counts them.
  for (size_t i = 0; i < static_cast<size_t>(covered); ++i) {
    if (is_known(i)) {
      sizes[i] = known.bytes[i];
    } else {
      read(i);
    }
  }
  std::uint64_t stamp = 0;
  std::uint32_t lines = 0;
  StampOfListing(names, &stamp, &lines);
  if (may_keep && builder == nullptr &&
      DescribesCopies(final_path, HeaderOfCopies(sizes, absent, stamp, lines, fold), &result)) {
    result.outcome = PhraseIndexOutcome::kKept;
    result.file = final_path;
    return result;
  }
  result = PhraseIndexResult();
  // One that does not describe these copies goes first, so a write that
  // fails, or a foreign file in the way, leaves none.
  if (ReadsAsPhraseIndex(final_path) && !platform::RemoveFile(final_path)) {
    result.outcome = PhraseIndexOutcome::kNotWritten;
    result.file = final_path;
    return result;
  }
  for (const std::string& path : {final_path, temp_path}) {
    if (platform::Exists(path) && !ReadsAsPhraseIndex(path)) {
      result.outcome = PhraseIndexOutcome::kForeign;
      result.file = path;
      return result;
    }
  }
  // The copies known are read back for the build.
  for (size_t i = 0; i < static_cast<size_t>(covered); ++i) {
    if (is_known(i)) read(i);
  }
  LargeString bytes = builder != nullptr ? builder->Finish(stamp, lines)
                                         : BuildPairs(copies, absent, stamp, lines, fold);
  std::vector<std::string>().swap(contents);
  if (bytes.empty()) {
    result.outcome = PhraseIndexOutcome::kTooLarge;
    result.file = final_path;
    return result;
  }
  indexformat::DecodePairHeader(reinterpret_cast<const unsigned char*>(bytes.data()),
                                static_cast<std::int64_t>(bytes.size()), &result.header);
  result.file_bytes = bytes.size();
  if (platform::WriteNewFile(temp_path, bytes) != platform::NewFileWrite::kWritten) {
    platform::RemoveFile(temp_path);
    result.outcome = PhraseIndexOutcome::kNotWritten;
    result.file = temp_path;
    return result;
  }
  if (!platform::RenameOver(temp_path, final_path)) {
    platform::RemoveFile(temp_path);
    result.outcome = PhraseIndexOutcome::kNotWritten;
    result.file = final_path;
    return result;
  }
  return result;
}

std::string DropPhraseIndex(const std::string& copy_path) {
  std::string file;
  bool foreign = false;
  if (RemovePhraseIndex(copy_path, &file, &foreign)) return std::string();
  return FormatMessage(
      "# KPXScopy: ERROR, could not remove the phrase accelerator '%s'; no copy was changed\n",
      file.c_str());
}

bool AddPhraseIndex(const std::string& copy_path, int articles,
                    const std::vector<std::string>& names, const platform::UpperCaseTable& fold,
                    const KnownCopies& known, bool may_keep, PhraseIndexBuilder* builder,
                    RunServices& services) {
  services.SetStatusText("Writing the phrase accelerator");
  const PhraseIndexResult result =
      WritePhraseIndex(copy_path, articles, names, fold, known, may_keep, builder);
  switch (result.outcome) {
    case PhraseIndexOutcome::kKept:
    case PhraseIndexOutcome::kWritten:
      services.LogText(FormatMessage(
          "# KPXScopy: Phrase accelerator%s: %lu word pairs of %u articles, %lu bytes\n",
          result.outcome == PhraseIndexOutcome::kKept ? " kept" : "",
          static_cast<unsigned long>(result.header.pairs), result.header.articles,
          static_cast<unsigned long>(result.file_bytes)));
      return true;
    case PhraseIndexOutcome::kForeign:
      services.ReportError(FormatMessage(
          "# KPXScopy: WARNING, kept '%s': not a phrase accelerator; none was written\n",
          result.file.c_str()));
      return true;
    case PhraseIndexOutcome::kTooLarge:
      services.ReportError(
          FormatMessage("# KPXScopy: WARNING, the copies hold too many distinct words for a phrase "
                        "accelerator; none was written ('%s')\n",
                        result.file.c_str()));
      return true;
    case PhraseIndexOutcome::kNotWritten:
      break;
  }
  services.ReportError(FormatMessage(
      "# KPXScopy: ERROR, could not write the phrase accelerator '%s'\n", result.file.c_str()));
  return false;
}

}  // namespace preproc
