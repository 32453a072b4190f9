#include "xtra/engine/phrase_scan.h"

#include <cstdint>
#include <cstring>
#include <string_view>

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

// Opens the phrase search file of article, trying the block directory's two
// spellings; letters[k - 1] remembers the one found in block k for the rest
// of the verification, so each article costs one open.
bool OpenArticle(const char* articlesPath, int article, char (&letters)[kMaxArticles / 100],
                 RawFile& file) {
  char name[kFileNameCapacity];
  char& known = letters[(article - 1) / 100];
  if (known != 0) return ArticleFileName(articlesPath, article, known, name) && file.Open(name);
  for (char letter : {'A', 'a'}) {
    if (ArticleFileName(articlesPath, article, letter, name) && file.Open(name)) {
      known = letter;
      return true;
    }
  }
  return false;
}

// Whether the copy of article opens (it is closed again at once).
bool CopyOpens(const char* articlesPath, int article, char (&letters)[kMaxArticles / 100]) {
  RawFile file;
  return OpenArticle(articlesPath, article, letters, file);
}

// Below this many candidates reading their copies costs less than the
// accelerator's own reads.
constexpr int kFewCandidates = 4;

int CandidateCount(const SearchState& state) {
  int count = 0;
  for (int i = 0; i < kMaxArticles; ++i) count += state.phraseFlags[i] != 0 ? 1 : 0;
  return count;
}

}  // namespace

void VerifyPhraseInArticles(SearchState& state, const char* phrase, size_t length) {
  char letters[kMaxArticles / 100] = {};
  const bool wholeWord = state.wordSearchMode != 0;
  std::uint8_t verdict[kMaxArticles];
  const PairAnswer answer = CandidateCount(state) > kFewCandidates
                                ? LookUpPhrasePairs(state, phrase, length, verdict)
                                : PairAnswer::kNone;
  for (int i = 0; i < kMaxArticles; ++i) {
    if (state.phraseFlags[i] == 0) continue;
    if (answer != PairAnswer::kNone && verdict[i] == kPairRuledOut) {
      state.phraseFlags[i] = 0;
      continue;
    }
    if (answer == PairAnswer::kExact && verdict[i] == kPairListed) {
      // Held; a copy that is gone still loses its article, as in the scan.
      state.phraseFlags[i] = CopyOpens(state.articlesPath, i + 1, letters) ? 1 : 0;
      continue;
    }
    RawFile file;
    bool holds = OpenArticle(state.articlesPath, i + 1, letters, file) &&
                 ArticleHoldsPhrase(file, phrase, length, wholeWord, state.foldTable,
                                    state.readBuffer, sizeof state.readBuffer);
    state.phraseFlags[i] = holds ? 1 : 0;
  }
}

}  // namespace engine
