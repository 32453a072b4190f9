// RepeatFilter: drops most of the words an article repeats before they reach
// the word tree. The ArticleWordReader asks it about every word of an
// article; a repeated word would only find its node again and leave its
// list as it was (AddArticle adds an article to a node once), and most of an
// article's words are repeats ("the", "of", ...). The filter's small table
// stays in the processor's cache, so it decides them on the reader's thread
// for less than the tree's large table would cost on the run's.
//
// It remembers words of up to 7 bytes (their first 8 bytes, zero-padded, are
// all of them; most repeats are such words), one per slot of a
// direct-mapped table, a later word evicting an earlier one of the same
// slot. So it never drops a word the article has not given already, and
// lets through some that it has (the tree then finds them present), every
// longer word among them: remembering words of 8 to 15 bytes as well cost
// the reader's thread, the busier one, more than it saved the run's. Each
// slot carries the article's stamp in its last byte (always zero in such a
// word), so a new article starts without clearing the table, except once
// every 255 articles. No allocation after construction, no global state.
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
  // remembers when it has fewer than 8 bytes.
  bool IsRepeat(const char* padded, std::uint32_t length) {
    if (length >= 8) return false;
    unsigned char bytes[8];
    std::memcpy(bytes, padded, 8);
    bytes[7] = stamp_;  // zero in the word
    std::uint64_t stamped;
    std::memcpy(&stamped, bytes, 8);
    std::uint64_t& slot = table_[Home(stamped)];
    if (slot == stamped) return true;
    slot = stamped;
    return false;
  }

 private:
  static constexpr int kSlotBits = 12;  // 4,096 slots of 8 bytes: 32 KiB

  // Fibonacci hashing: the product's top bits choose the slot.
  static std::size_t Home(std::uint64_t key) {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - kSlotBits));
  }
  void Forget() { table_.fill(0); }

  std::array<std::uint64_t, std::size_t{1} << kSlotBits> table_;
  unsigned char stamp_ = 1;  // of the article being read; 0 is no article's
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_REPEAT_FILTER_H_
