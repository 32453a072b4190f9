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

void EvaluatePhrase(SearchState& state, int slot) {
  std::memset(state.phraseFlags, 0, sizeof state.phraseFlags);
  // The phrase as the set's words were folded.
  char phrase[kFieldSize];
  const size_t length = BoundedLength(state.wordPhrases[slot], kFieldSize - 1);
  std::memcpy(phrase, state.wordPhrases[slot], length);
  phrase[length] = '\0';
  FoldBytes(state.foldTable, phrase, length);
  const size_t firstLength = FirstWordLength(phrase, length);
  if (length == 0) return;
  const bool leadingSpace = IsSpaceChar(static_cast<unsigned char>(phrase[0]));
  const bool multiWord = length > firstLength || leadingSpace;
  const bool exact = state.wordSearchMode != 0 || multiWord;
  // A phrase that begins with whitespace needs its first word's file (the
  // extras file) to open, reads nothing from it and starts from every article.
  if (leadingSpace) {
    if (!IndexFileOpens(state.indexPath, phrase, firstLength)) return;
    std::memset(state.phraseFlags, 1, sizeof state.phraseFlags);
  } else {
    PostingMark mark{state.phraseFlags, -1, 1};
    if (ScanIndexFile(state.indexPath, phrase, firstLength, exact, mark, state.readBuffer,
                      sizeof state.readBuffer) == ScanResult::kNoFile) {
      return;
    }
  }
  if (multiWord) LookupRemainingWords(state, phrase, length);
  if (state.keyRangeCount != 0) ApplyKeyRanges(state);
  if (multiWord) VerifyPhraseInArticles(state, phrase, length);
}

std::int32_t KPXSearchCountMatches(SearchState& state) {
  state.matchCursor = 0;
  ReadSetFold(state);  // the set may have been replaced since the last search
  if (state.phraseCount <= 0) {
    state.matchCount = 0;
    return 0;
  }
  std::int32_t count = 0;
  for (int slot = 0; slot < state.phraseCount && slot < kMaxPhrases; ++slot) {
    if (slot == 1 && state.booleanMode == 0) break;
    EvaluatePhrase(state, slot);
    count = CombinePhrase(state, slot);
  }
  state.matchCount = count;
  return count;
}

}  // namespace engine
