// RepeatFilter: drops most of the words an article repeats before they reach
// the word tree. The ArticleWordReader asks it about every word of an
// article; a repeated word would only find its node again and leave its
// list as it was (AddArticle adds an article to a node once), and most of an
// article's words are repeats ("the", "of", ...). The filter's small table
// stays in the processor's cache, so it decides them on the reader's thread
// for less than the tree's large table would cost on the run's.
//
// It remembers words of up to 15 bytes whole (their first 8 or 16 bytes,
// zero-padded), one per slot of a direct-mapped table, a later word
// evicting an earlier one of the same slot; a table of one-chunk words (up
// to 7 bytes) and one of two-chunk words. So it never drops a word the
// article has not given already, and lets through some that it has (the
// tree then finds them present), longer words among them. Each slot carries
// the article's stamp in its last byte (always zero in such a word), so a
// new article starts without clearing the tables, except once every 255
// articles. No allocation after construction, no global state.
#ifndef KPX_PREPROC_INDEXER_REPEAT_FILTER_H_
#define KPX_PREPROC_INDEXER_REPEAT_FILTER_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace preproc {

class RepeatFilter {
 public:
  RepeatFilter() { Forget(); }

  // Forgets every word: the next article begins.
  void NextArticle() {
    if (++stamp_ == 0) {  // the stamps went round: forget for real
      Forget();
      stamp_ = 1;
    }
  }

  // True when the padded word of length bytes was given already in this
  // article and is remembered; false for every other word, which it then
  // remembers when it has fewer than 16 bytes.
  bool IsRepeat(const char* padded, std::uint32_t length) {
    if (length < 8) {
      const std::uint64_t stamped = Stamped(padded);
      std::uint64_t& slot = short_[Home(stamped, kShortBits)];
      if (slot == stamped) return true;
      slot = stamped;
      return false;
    }
    if (length < 16) {
      std::uint64_t first;
      std::memcpy(&first, padded, 8);
      const std::uint64_t stamped = Stamped(padded + 8);
      Pair& slot = pairs_[Home(first ^ (stamped * kMix), kPairBits)];
      if (slot.first == first && slot.second == stamped) return true;
      slot = Pair{first, stamped};
      return false;
    }
    return false;
  }

 private:
  struct Pair {
    std::uint64_t first, second;
  };
  static constexpr int kShortBits = 12;  // 4,096 slots of 8 bytes: 32 KiB
  static constexpr int kPairBits = 10;   // 1,024 slots of 16 bytes: 16 KiB
  static constexpr std::uint64_t kMix = 0xBF58476D1CE4E5B9ull;

  // The 8 bytes at chunk, the last of them (zero in the words remembered)
  // replaced by the stamp.
  std::uint64_t Stamped(const char* chunk) const {
    unsigned char bytes[8];
    std::memcpy(bytes, chunk, 8);
    bytes[7] = stamp_;
    std::uint64_t stamped;
    std::memcpy(&stamped, bytes, 8);
    return stamped;
  }
  // Fibonacci hashing: the product's top bits choose the slot.
  static std::size_t Home(std::uint64_t key, int bits) {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - bits));
  }
  void Forget() {
    short_.fill(0);
    pairs_.fill(Pair{0, 0});
  }

  std::array<std::uint64_t, std::size_t{1} << kShortBits> short_;
  std::array<Pair, std::size_t{1} << kPairBits> pairs_;
  unsigned char stamp_ = 1;  // of the article being read; 0 is no article's
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_REPEAT_FILTER_H_
