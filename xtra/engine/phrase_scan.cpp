#include "xtra/engine/phrase_scan.h"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "indexformat/phrase_search_files.h"
#include "xtra/engine/char_classes.h"
#include "xtra/engine/file_names.h"
#include "xtra/engine/index_lookup.h"
#include "xtra/engine/phrase_index.h"

namespace engine {

namespace {

// The bytes [base, End()) of the article, folded, held in the buffer.
class ArticleWindow {
 public:
  ArticleWindow(RawFile& file, const std::uint8_t* fold, char* buffer, size_t capacity)
      : file_(file), fold_(fold), buffer_(buffer), capacity_(capacity) {}

  std::int64_t End() const { return base_ + static_cast<std::int64_t>(length_); }
  bool Ended() const { return ended_; }
  unsigned char At(std::int64_t position) const {
    return static_cast<unsigned char>(buffer_[position - base_]);
  }

  // Drops the bytes before keepFrom (base <= keepFrom <= End()) and reads more
  // behind the rest. False, and Ended() from then on, when nothing more came.
  bool Refill(std::int64_t keepFrom) {
    size_t drop = static_cast<size_t>(keepFrom - base_);
    std::memmove(buffer_, buffer_ + drop, length_ - drop);
    base_ = keepFrom;
    length_ -= drop;
    // A regular file holds no more than its size when opened: no read needed
    // to see its end.
    bool atEnd = ended_ || End() >= file_.Size();
    size_t n = atEnd ? 0 : file_.Read(buffer_ + length_, capacity_ - length_);
    if (n == 0) {
      ended_ = true;
      return false;
    }
    FoldBytes(fold_, buffer_ + length_, n);
    length_ += n;
    return true;
  }

  // The first occurrence of phrase lying wholly in the window at or after
  // from, or -1.
  std::int64_t Find(std::int64_t from, std::string_view phrase) const {
    if (from < base_) from = base_;
    if (from > End()) return -1;
    std::string_view held(buffer_ + (from - base_), static_cast<size_t>(End() - from));
    size_t at = held.find(phrase);
    return at == std::string_view::npos ? -1 : from + static_cast<std::int64_t>(at);
  }

  // The first whitespace position at or after from, reading on as needed;
  // the article's end when there is none. Keeps nothing before the answer.
  std::int64_t NextSpace(std::int64_t from) {
    for (;;) {
      while (from < End() && !IsSpaceChar(At(from))) ++from;
      if (from < End() || !Refill(End())) return from;
    }
  }

 private:
  RawFile& file_;
  const std::uint8_t* fold_;
  char* buffer_;
  size_t capacity_;
  std::int64_t base_ = 0;
  size_t length_ = 0;
  bool ended_ = false;
};

}  // namespace

// The window always holds the byte before the search position s when s is
// past q (it may be the byte before an occurrence), and never more than the
// phrase's length plus one byte is carried over between reads.
bool ArticleHoldsPhrase(RawFile& file, const char* phrase, size_t length, bool wholeWord,
                        const std::uint8_t* fold, char* buffer, size_t capacity) {
  if (length == 0 || capacity <= length + 1) return false;
  const std::string_view wanted(phrase, length);
  const auto span = static_cast<std::int64_t>(length);
  ArticleWindow window(file, fold, buffer, capacity);
  window.Refill(0);
  std::int64_t q = 0;  // the rule's search start
  std::int64_t s = 0;  // no occurrence lies in [q, s)
  for (;;) {
    std::int64_t p = window.Find(s, wanted);
    if (p < 0) {
      if (window.Ended()) return false;
      if (window.End() - span + 1 > s) s = window.End() - span + 1;
      window.Refill(s > q ? s - 1 : s);
      continue;
    }
    if (wholeWord && p + span == window.End() && !window.Ended()) {
      s = p;  // the byte after the occurrence is not read yet
      window.Refill(p > q ? p - 1 : p);
      continue;
    }
    bool startOk = p == q || IsSpaceChar(window.At(p - 1));
    bool endOk = !wholeWord || p + span == window.End() || IsSpaceChar(window.At(p + span));
    if (startOk && endOk) return true;
    std::int64_t next = window.NextSpace(p);
    q = s = (next == q) ? next + 1 : next;
  }
}

namespace {

// The copies of one verification: which of the block directory's two
// spellings was found in each block, so that each article costs one call to
// the file system; and, for the blocks listed whole (ListBlocks), which
// copies each spelling's directory holds, so those cost none.
class Copies {
 public:
  explicit Copies(const char* articlesPath) : names_(articlesPath) {}

  // Opens the phrase search file of article; one already found missing in
  // this search is not looked for again.
  bool Open(int article, RawFile& file) {
    const Seen* seen = Recall(article);
    if (seen != nullptr && !seen->there) return false;
    return Find(article, [&](const char* name) { return file.Open(name); });
  }

  // Whether the phrase search file of article would open, and its size;
  // opens nothing where the file system tells (CanOpen), and asks nothing
  // of a block listed whole when no size is wanted.
  bool There(int article, std::int64_t* size = nullptr) {
    const int block = indexformat::CopyBlockNumber(article) - 1;
    if (size == nullptr && listed_[block]) {
      const int bit = (article - 1) % indexformat::kArticlesPerCopyBlock;
      char& known = letters_[block];
      for (int spelling = 0; spelling < 2; ++spelling) {
        if (known != 0 && known != kLetters[spelling]) continue;
        if (present_[block][spelling][bit / 8] & (1u << (bit % 8))) {
          known = kLetters[spelling];
          return true;
        }
      }
      return false;
    }
    return LookFor(article, size);
  }

  static constexpr int kBlocks = kMaxArticles / indexformat::kArticlesPerCopyBlock;

  // Lists the block directories where wanted[block] (kBlocks elements) counts
  // at least kListedPerBlock copies to look for: one listing costs about as
  // much as that many single looks. buffer is scratch space.
  void ListBlocks(const int* wanted, char* buffer, size_t capacity) {
    for (int block = 0; block < kBlocks; ++block) {
      if (wanted[block] >= kListedPerBlock) {
        listed_[block] =
            ListSpelling(block, 0, buffer, capacity) && ListSpelling(block, 1, buffer, capacity);
      }
    }
  }

 private:
  static constexpr char kLetters[2] = {'A', 'a'};  // in the order Find tries them
  static constexpr int kListedPerBlock = 8;

  // A copy looked for one by one in this search: whether it was there, and
  // its size. The weighing of one phrase and the looks after its accelerator
  // answer, and those of the second phrase, mostly ask of the same few.
  struct Seen {
    int article;
    bool there;
    std::int64_t size;
  };
  static constexpr int kSeenCapacity = 16;

  // There for a copy of a block not listed: remembered, or asked of the
  // file system and then remembered.
  bool LookFor(int article, std::int64_t* size) {
    if (const Seen* seen = Recall(article)) {
      if (size != nullptr) *size = seen->size;
      return seen->there;
    }
    std::int64_t found = 0;
    const bool there = Find(article, [&found](const char* name) { return CanOpen(name, &found); });
    if (seenCount_ < kSeenCapacity) seen_[seenCount_++] = {article, there, found};
    if (size != nullptr) *size = found;
    return there;
  }

  const Seen* Recall(int article) const {
    for (int i = 0; i < seenCount_; ++i) {
      if (seen_[i].article == article) return &seen_[i];
    }
    return nullptr;
  }

  template <typename Try>
  bool Find(int article, Try&& tryName) {
    char& known = letters_[indexformat::CopyBlockNumber(article) - 1];
    if (known != 0) {
      const char* name = names_.Name(article, known);
      return name != nullptr && tryName(name);
    }
    for (char letter : kLetters) {
      const char* name = names_.Name(article, letter);
      if (name != nullptr && tryName(name)) {
        known = letter;
        return true;
      }
    }
    return false;
  }

  // Marks the copies the block's directory of one spelling holds: those its
  // listing shows as regular files, and those it shows as links (or does not
  // say) that CanOpen finds. False when the directory cannot be listed: its
  // copies are then looked for one by one.
  bool ListSpelling(int block, int spelling, char* buffer, size_t capacity) {
    const int first = block * indexformat::kArticlesPerCopyBlock + 1;
    const char* copy = names_.Name(first, kLetters[spelling]);
    if (copy == nullptr) return false;
    // The directory's name: the copy's without its separator and "tNNNN".
    char directory[kFileNameCapacity];
    const size_t length = std::strlen(copy) - 6;
    std::memcpy(directory, copy, length);
    directory[length] = '\0';
    unsigned char* present = present_[block][spelling];
    DirectoryListing listing;
    switch (listing.Open(directory, buffer, capacity)) {
      case DirectoryListing::Opening::kMissing:
        return true;  // nothing there in this spelling
      case DirectoryListing::Opening::kUnreadable:
        return false;
      case DirectoryListing::Opening::kOpened:
        break;
    }
    const char* name = nullptr;
    DirectoryListing::Kind kind;
    while (listing.Next(&name, &kind)) {
      const int article = CopyNumberInBlock(name, first);
      if (article == 0 || kind == DirectoryListing::Kind::kOther) continue;
      if (kind == DirectoryListing::Kind::kLinkOrUnknown) {
        const char* full = names_.Name(article, kLetters[spelling]);
        if (full == nullptr || !CanOpen(full)) continue;
      }
      const int bit = article - first;
      present[bit / 8] = static_cast<unsigned char>(present[bit / 8] | (1u << (bit % 8)));
    }
    return !listing.Failed();
  }

  // The article whose copy is called name when it lies in the block
  // beginning with article first, else 0. Articles 1..2500 have four digits:
  // "t00001" names no copy.
  static int CopyNumberInBlock(const char* name, int first) {
    const std::string_view own(name);
    const int number = own.size() == 5 ? indexformat::CopyFileNumber(own) : -1;
    return number >= first && number < first + indexformat::kArticlesPerCopyBlock ? number : 0;
  }

  ArticleFileNames names_;
  Seen seen_[kSeenCapacity] = {};
  int seenCount_ = 0;
  char letters_[kBlocks] = {};
  bool listed_[kBlocks] = {};
  unsigned char present_[kBlocks][2][(indexformat::kArticlesPerCopyBlock + 7) / 8] = {};
};

// A single candidate whose copy is short is read rather than looked up in
// the accelerator: its directory and leaf reads cost about as much as
// reading this many bytes. A long copy, or more candidates, go to the
// accelerator: weighing two or more costs a look at each of them, more than
// the accelerator's answer and a look at the copies it lists.
constexpr int kFewCandidates = 1;
constexpr std::int64_t kShortCopiesBytes = 32 * 1024;

enum class Candidates { kNone, kFewShort, kMore };

Candidates WeighCandidates(const SearchState& state, Copies& copies) {
  int count = 0;
  std::int64_t bytes = 0;
  for (int i = NextFlagged(state.phraseFlags, 0); i < kMaxArticles;
       i = NextFlagged(state.phraseFlags, i + 1)) {
    if (++count > kFewCandidates) return Candidates::kMore;
    std::int64_t size = 0;
    if (copies.There(i + 1, &size)) bytes += size;  // a missing copy costs no read
  }
  if (count == 0) return Candidates::kNone;
  return bytes <= kShortCopiesBytes ? Candidates::kFewShort : Candidates::kMore;
}

void VerifyOnePhrase(SearchState& state, Copies& copies, const char* phrase, size_t length) {
  const Candidates candidates = WeighCandidates(state, copies);
  if (candidates == Candidates::kNone) return;
  const bool wholeWord = state.wordSearchMode != 0;
  std::uint8_t verdict[kMaxArticles];
  const PairAnswer answer = candidates == Candidates::kFewShort
                                ? PairAnswer::kNone
                                : LookUpPhrasePairs(state, phrase, length, verdict);
  if (answer == PairAnswer::kExact) {
    // The copies to look for, by block: the candidates the accelerator holds
    // the phrase in.
    int wanted[Copies::kBlocks] = {};
    for (int i = NextFlagged(state.phraseFlags, 0); i < kMaxArticles;
         i = NextFlagged(state.phraseFlags, i + 1)) {
      if (verdict[i] == kPairListed) ++wanted[i / indexformat::kArticlesPerCopyBlock];
    }
    copies.ListBlocks(wanted, state.scanBuffer, sizeof state.scanBuffer);
  }
  for (int i = NextFlagged(state.phraseFlags, 0); i < kMaxArticles;
       i = NextFlagged(state.phraseFlags, i + 1)) {
    if (answer != PairAnswer::kNone && verdict[i] == kPairRuledOut) {
      state.phraseFlags[i] = 0;
      continue;
    }
    if (answer == PairAnswer::kExact && verdict[i] == kPairListed) {
      // Held; a copy that is gone still loses its article, as in the scan.
      state.phraseFlags[i] = copies.There(i + 1) ? 1 : 0;
      continue;
    }
    RawFile file;
    bool holds = copies.Open(i + 1, file) &&
                 ArticleHoldsPhrase(file, phrase, length, wholeWord, state.foldTable,
                                    state.scanBuffer, sizeof state.scanBuffer);
    state.phraseFlags[i] = holds ? 1 : 0;
  }
}

}  // namespace

void VerifyPhraseInArticles(SearchState& state, const char* phrase, size_t length) {
  Copies copies(state.articlesPath);
  VerifyOnePhrase(state, copies, phrase, length);
}

void VerifyPhrasesInArticles(SearchState& state, const PhraseToConfirm* phrases, int count) {
  Copies copies(state.articlesPath);
  for (int i = 0; i < count; ++i)
    VerifyOnePhrase(state, copies, phrases[i].text, phrases[i].length);
}

}  // namespace engine
