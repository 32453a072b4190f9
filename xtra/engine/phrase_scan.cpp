#include "xtra/engine/phrase_scan.h"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "indexformat/phrase_search_files.h"
#include "xtra/engine/char_classes.h"
#include "xtra/engine/file_names.h"
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

  // Opens the phrase search file of article.
  bool Open(int article, RawFile& file) {
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
    return Find(article, [size](const char* name) { return CanOpen(name, size); });
  }

  // Lists the block directories that hold at least kListedPerBlock of the
  // articles flagged in wanted (kMaxArticles elements): one listing costs
  // about as much as that many single looks. buffer is scratch space.
  void ListBlocks(const std::uint8_t* wanted, char* buffer, size_t capacity) {
    constexpr int kBlocks = kMaxArticles / indexformat::kArticlesPerCopyBlock;
    for (int block = 0; block < kBlocks; ++block) {
      int count = 0;
      for (int i = 0; i < indexformat::kArticlesPerCopyBlock; ++i) {
        count += wanted[block * indexformat::kArticlesPerCopyBlock + i] != 0 ? 1 : 0;
      }
      if (count >= kListedPerBlock) {
        listed_[block] =
            ListSpelling(block, 0, buffer, capacity) && ListSpelling(block, 1, buffer, capacity);
      }
    }
  }

 private:
  static constexpr char kLetters[2] = {'A', 'a'};  // in the order Find tries them
  static constexpr int kListedPerBlock = 8;

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

  // The article whose copy is called name ("t" and four digits) when it lies
  // in the block beginning with article first, else 0.
  static int CopyNumberInBlock(const char* name, int first) {
    if (name[0] != 't') return 0;
    int number = 0;
    for (int i = 1; i <= 4; ++i) {
      if (name[i] < '0' || name[i] > '9') return 0;
      number = number * 10 + (name[i] - '0');
    }
    if (name[5] != '\0') return 0;
    return number >= first && number < first + indexformat::kArticlesPerCopyBlock ? number : 0;
  }

  ArticleFileNames names_;
  char letters_[kMaxArticles / indexformat::kArticlesPerCopyBlock] = {};
  bool listed_[kMaxArticles / indexformat::kArticlesPerCopyBlock] = {};
  unsigned char present_[kMaxArticles / indexformat::kArticlesPerCopyBlock][2]
                        [(indexformat::kArticlesPerCopyBlock + 7) / 8] = {};
};

// A few candidates whose copies are short together are read rather than
// looked up in the accelerator: its directory and leaf reads cost about as
// much as reading this many bytes. Long copies, or more of them, go to the
// accelerator.
constexpr int kFewCandidates = 4;
constexpr std::int64_t kShortCopiesBytes = 32 * 1024;

enum class Candidates { kNone, kFewShort, kMore };

Candidates WeighCandidates(const SearchState& state, Copies& copies) {
  int count = 0;
  std::int64_t bytes = 0;
  for (int i = 0; i < kMaxArticles; ++i) {
    if (state.phraseFlags[i] == 0) continue;
    if (++count > kFewCandidates) return Candidates::kMore;
    std::int64_t size = 0;
    if (copies.There(i + 1, &size)) bytes += size;  // a missing copy costs no read
  }
  if (count == 0) return Candidates::kNone;
  return bytes <= kShortCopiesBytes ? Candidates::kFewShort : Candidates::kMore;
}

}  // namespace

void VerifyPhraseInArticles(SearchState& state, const char* phrase, size_t length) {
  Copies copies(state.articlesPath);
  const Candidates candidates = WeighCandidates(state, copies);
  if (candidates == Candidates::kNone) return;
  const bool wholeWord = state.wordSearchMode != 0;
  std::uint8_t verdict[kMaxArticles];
  std::uint8_t wanted[kMaxArticles];
  const PairAnswer answer = candidates == Candidates::kFewShort
                                ? PairAnswer::kNone
                                : LookUpPhrasePairs(state, phrase, length, verdict);
  if (answer == PairAnswer::kExact) {
    // The copies to look for: the candidates the accelerator holds the phrase in.
    for (int i = 0; i < kMaxArticles; ++i) {
      wanted[i] = state.phraseFlags[i] != 0 && verdict[i] == kPairListed ? 1 : 0;
    }
    copies.ListBlocks(wanted, state.readBuffer, sizeof state.readBuffer);
  }
  for (int i = 0; i < kMaxArticles; ++i) {
    if (state.phraseFlags[i] == 0) continue;
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
                                    state.readBuffer, sizeof state.readBuffer);
    state.phraseFlags[i] = holds ? 1 : 0;
  }
}

}  // namespace engine
