#include "xtra/engine/match_count.h"

#include <cstring>

#include "xtra/engine/char_classes.h"
#include "xtra/engine/index_lookup.h"
#include "xtra/engine/phrase_scan.h"
#include "xtra/engine/set_fold.h"

namespace engine {

void ApplyKeyRanges(SearchState& state) {
  std::uint8_t keep[kMaxArticles] = {};
  for (int r = 0; r < state.keyRangeCount && r < kMaxKeyRanges; ++r) {
    std::int32_t lower = state.keyRanges[r].lowerBound < 0 ? 0 : state.keyRanges[r].lowerBound;
    std::int32_t upper = state.keyRanges[r].upperBound;
    if (upper > kMaxArticles - 1) upper = kMaxArticles - 1;
    for (std::int32_t i = lower; i <= upper; ++i) keep[i] = 1;
  }
  for (int i = 0; i < kMaxArticles; ++i) {
    state.phraseFlags[i] = (keep[i] != 0 && state.phraseFlags[i] != 0) ? 1 : 0;
  }
}

std::int32_t CombinePhrase(SearchState& state, int slot) {
  std::int32_t count = 0;
  for (int i = 0; i < kMaxArticles; ++i) {
    bool phrase = state.phraseFlags[i] != 0;
    bool match = state.matchFlags[i] != 0;
    if (slot == 0) {
      match = phrase;
    } else if (state.booleanMode == 1) {
      match = match && phrase;
    } else {
      match = match || phrase;
    }
    state.matchFlags[i] = match ? 1 : 0;
    if (match) ++count;
  }
  return count;
}

namespace {

// A phrase slot folded as the set's words were.
struct FoldedPhrase {
  char text[kFieldSize];
  size_t length;
};

void FoldPhrase(const SearchState& state, int slot, FoldedPhrase* phrase) {
  phrase->length = BoundedLength(state.wordPhrases[slot], kFieldSize - 1);
  std::memcpy(phrase->text, state.wordPhrases[slot], phrase->length);
  phrase->text[phrase->length] = '\0';
  FoldBytes(state.foldTable, phrase->text, phrase->length);
}

// The index stage of a phrase: sets phraseFlags to the articles its words'
// entries and the key ranges leave (with only, right only for the articles
// it names: the flags of the others are cleared and stay so). True when those
// candidates must still be confirmed in the copies (a phrase of several
// words).
bool MarkCandidates(SearchState& state, const FoldedPhrase& folded,
                    const OnlyArticles* only = nullptr) {
  std::memset(state.phraseFlags, 0, sizeof state.phraseFlags);
  const char* phrase = folded.text;
  const size_t length = folded.length;
  const size_t firstLength = FirstWordLength(phrase, length);
  if (length == 0) return false;
  const bool leadingSpace = IsSpaceChar(static_cast<unsigned char>(phrase[0]));
  const bool multiWord = length > firstLength || leadingSpace;
  const bool exact = state.wordSearchMode != 0 || multiWord;
  // A phrase that begins with whitespace needs its first word's file (the
  // extras file) to open, reads nothing from it and starts from every article.
  if (leadingSpace) {
    if (!IndexFileOpens(state.indexPath, phrase, firstLength)) return false;
    std::memset(state.phraseFlags, 1, sizeof state.phraseFlags);
  } else {
    PostingMark mark{state.phraseFlags, -1, 1, only};
    if (ScanIndexFile(state.indexPath, phrase, firstLength, exact, mark, state.scanBuffer,
                      sizeof state.scanBuffer) == ScanResult::kNoFile) {
      return false;
    }
  }
  if (multiWord) LookupRemainingWords(state, phrase, length, only);
  if (state.keyRangeCount != 0) ApplyKeyRanges(state);
  return multiWord;
}

bool AnyFlag(const std::uint8_t* flags) {
  for (int i = 0; i < kMaxArticles; ++i) {
    if (flags[i] != 0) return true;
  }
  return false;
}

// Boolean mode 1: an article must hold both phrases, so each phrase is
// confirmed only in the articles that the index stages of both leave, and
// where the first leaves a few, the second's index stage looks for those
// alone.
std::int32_t CountBoth(SearchState& state) {
  FoldedPhrase first;
  FoldedPhrase second;
  FoldPhrase(state, 0, &first);
  FoldPhrase(state, 1, &second);
  const bool confirmFirst = MarkCandidates(state, first);
  std::memcpy(state.matchFlags, state.phraseFlags, sizeof state.matchFlags);
  if (AnyFlag(state.matchFlags)) {
    OnlyArticles only;
    const bool confirmSecond =
        MarkCandidates(state, second, FewFlagged(state.matchFlags, &only) ? &only : nullptr);
    for (int i = 0; i < kMaxArticles; ++i) {
      state.phraseFlags[i] = state.phraseFlags[i] != 0 && state.matchFlags[i] != 0 ? 1 : 0;
    }
    PhraseToConfirm confirm[2];
    int count = 0;
    if (confirmFirst) confirm[count++] = {first.text, first.length};
    if (confirmSecond) confirm[count++] = {second.text, second.length};
    if (count != 0) VerifyPhrasesInArticles(state, confirm, count);
  }
  return CombinePhrase(state, 0);
}

// Boolean mode 2: an article the first phrase matched needs no look at the
// second.
std::int32_t CountEither(SearchState& state) {
  EvaluatePhrase(state, 0);
  CombinePhrase(state, 0);
  FoldedPhrase second;
  FoldPhrase(state, 1, &second);
  if (MarkCandidates(state, second)) {
    for (int i = 0; i < kMaxArticles; ++i) {
      if (state.matchFlags[i] != 0) state.phraseFlags[i] = 0;
    }
    VerifyPhraseInArticles(state, second.text, second.length);
  }
  return CombinePhrase(state, 1);
}

}  // namespace

void EvaluatePhrase(SearchState& state, int slot) {
  FoldedPhrase phrase;
  FoldPhrase(state, slot, &phrase);
  if (MarkCandidates(state, phrase)) VerifyPhraseInArticles(state, phrase.text, phrase.length);
}

std::int32_t KPXSearchCountMatches(SearchState& state) {
  state.matchCursor = 0;
  ReadSetFold(state);  // the set may have been replaced since the last search
  if (state.phraseCount <= 0) {
    state.matchCount = 0;
    return 0;
  }
  std::int32_t count = 0;
  if (state.phraseCount < 2 || state.booleanMode == 0) {
    EvaluatePhrase(state, 0);  // mode 0 searches the first phrase alone
    count = CombinePhrase(state, 0);
  } else if (state.booleanMode == 1) {
    count = CountBoth(state);
  } else {
    count = CountEither(state);
  }
  state.matchCount = count;
  return count;
}

}  // namespace engine
