// Reading the matches back: the match cursor, the n-th match, and the match
// list statement for a text.
#include <cstring>
#include <string_view>

#include "xtra/engine/char_classes.h"
#include "xtra/engine/search_engine.h"

namespace engine {

namespace {

constexpr char kListHead[] = "set t123Match = [";
constexpr char kListTail[] = "]\r";
constexpr size_t kListLimit = 24800;  // a phrase adds no pair once the statement is longer

bool StandsOnMatch(const SearchState& state, std::int32_t cursor) {
  return cursor >= 0 && cursor < kMaxArticles && state.matchFlags[cursor] != 0;
}

// The statement being built in the caller's buffer of kMatchListCapacity bytes.
// Appends that would not fit are dropped; the limit keeps far below that.
class Statement {
 public:
  explicit Statement(char* out) : out_(out) { out_[0] = '\0'; }
  size_t Length() const { return length_; }

  void Append(const char* text, size_t length) {
    if (length >= kMatchListCapacity - length_) return;
    std::memcpy(out_ + length_, text, length);
    length_ += length;
    out_[length_] = '\0';
  }
  void Append(const char* text) { Append(text, std::strlen(text)); }

  void AppendNumber(size_t value) {
    char digits[24];
    size_t n = sizeof digits;
    do {
      digits[--n] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value > 0);
    Append(digits + n, sizeof digits - n);
  }

  void DropTrailingComma() {
    if (length_ > 0 && out_[length_ - 1] == ',') out_[--length_] = '\0';
  }

 private:
  char* out_;
  size_t length_ = 0;
};

// Appends "start,end," for every occurrence of phrase in text that begins at
// the search start or after a whitespace byte.
void ListPhrase(std::string_view text, std::string_view phrase, Statement& statement) {
  size_t q = 0;
  while (q <= text.size()) {
    size_t p = text.find(phrase, q);
    if (p == std::string_view::npos) return;
    if (p == q || IsSpaceChar(static_cast<unsigned char>(text[p - 1]))) {
      statement.AppendNumber(p + 1);
      statement.Append(",");
      statement.AppendNumber(p + phrase.size());
      statement.Append(",");
    }
    q = p + phrase.size();
    while (q < text.size() && !IsSpaceChar(static_cast<unsigned char>(text[q]))) ++q;
    if (statement.Length() > kListLimit) return;
  }
}

}  // namespace

std::int32_t KPXSearchGetMatch(SearchState& state, std::int32_t subscript) {
  if (subscript <= 0) state.matchCursor = 0;
  if (subscript >= 0 && subscript <= state.matchCount && !StandsOnMatch(state, state.matchCursor)) {
    std::int32_t probe = state.matchCursor;
    for (int step = 0; step < kMaxArticles; ++step) {
      probe = (probe >= 0 && probe < kMaxArticles - 1) ? probe + 1 : 0;
      if (StandsOnMatch(state, probe)) {
        state.matchCursor = probe;
        break;
      }
    }
  }
  return ++state.matchCursor;
}

std::int32_t KPXSearchGetAt(const SearchState& state, std::int32_t subscript) {
  if (subscript < 1) subscript = 1;
  if (state.matchCount <= 0) return -1;
  std::int32_t seen = 0;
  for (int i = 0; i < kMaxArticles; ++i) {
    if (state.matchFlags[i] != 0 && ++seen == subscript) return i + 1;
  }
  return -1;
}

std::size_t KPXSearchCreateMatchesList(const SearchState& state, char* text, std::size_t length,
                                       char* out) {
  FoldBytes(state.foldTable, text, length);
  Statement statement(out);
  statement.Append(kListHead);
  const std::string_view view(text, length);
  for (int j = 0; j < state.phraseCount && j < kMaxPhrases; ++j) {
    char phrase[kFieldSize];
    const size_t phraseLength = BoundedLength(state.wordPhrases[j], kFieldSize - 1);
    if (phraseLength == 0) continue;  // would be found everywhere without moving on
    std::memcpy(phrase, state.wordPhrases[j], phraseLength);
    FoldBytes(state.foldTable, phrase, phraseLength);
    ListPhrase(view, std::string_view(phrase, phraseLength), statement);
  }
  statement.DropTrailingComma();
  statement.Append(kListTail);
  return statement.Length();
}

}  // namespace engine
