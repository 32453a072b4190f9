// The setters of the search state: paths, phrases, modes and key ranges.
#include <cstring>

#include "xtra/engine/char_classes.h"
#include "xtra/engine/search_engine.h"
#include "xtra/engine/set_fold.h"

namespace engine {

namespace {

// Copies text into a field of size bytes when it fits with its NUL; false
// (field untouched) when text is null or has size bytes or more.
bool CopyField(char* field, size_t size, const char* text) {
  if (text == nullptr) return false;
  size_t length = BoundedLength(text, size);
  if (length >= size) return false;
  std::memcpy(field, text, length);
  field[length] = '\0';
  return true;
}

// Whether a stored phrase and text are equal once both are folded.
bool EqualsFolded(const std::uint8_t* table, const char* stored, const char* text) {
  size_t i = 0;
  for (; i < kFieldSize && stored[i] != '\0'; ++i) {
    if (table[static_cast<unsigned char>(text[i])] !=
        table[static_cast<unsigned char>(stored[i])]) {
      return false;
    }
  }
  return text[i] == '\0';
}

// Converts a 1-based bound to an article index; 0 and below stay as given.
std::int32_t ToArticleIndex(std::int32_t bound) { return bound > 0 ? bound - 1 : bound; }

// A stored path fills the rest of its field with zero bytes, so a shorter
// path leaves no trace of a longer one before it.
std::int32_t SetPath(char (&field)[kFieldSize], const char* path) {
  if (!CopyField(field, sizeof field, path)) return -1;
  size_t length = std::strlen(field);
  std::memset(field + length, 0, sizeof field - length);
  return 0;
}

}  // namespace

void InitSearchState(SearchState& state) {
  std::memset(&state, 0, sizeof state);
  SetDefaultFold(state);
}

std::int32_t KPXSearchNew(SearchState& state) {
  state.matchCount = 0;
  std::memset(state.matchFlags, 0, sizeof state.matchFlags);
  state.matchCursor = 0;
  state.booleanMode = 0;
  state.phraseCount = 0;
  state.keyRangeCount = 0;
  state.wordSearchMode = 0;
  return 0;
}

// Another path may name another set: what was learnt of the accelerator is
// dropped either way.
std::int32_t KPXSearchSetIndexPath(SearchState& state, const char* path) {
  state.pairCheck = kPairCheckUnknown;
  state.pairBlocks = 0;
  state.foldCheck = kFoldCheckUnknown;
  return SetPath(state.indexPath, path);
}

std::int32_t KPXSearchSetArticlesPath(SearchState& state, const char* path) {
  state.pairCheck = kPairCheckUnknown;
  state.pairBlocks = 0;
  return SetPath(state.articlesPath, path);
}

std::int32_t KPXSearchAddWordPhrase(SearchState& state, const char* wordPhrase) {
  if (state.phraseCount < 0 || state.phraseCount >= kMaxPhrases) return -1;
  char* slot = state.wordPhrases[state.phraseCount];
  if (!CopyField(slot, kFieldSize, wordPhrase)) return -1;
  UpperCaseAscii(slot, std::strlen(slot));
  return ++state.phraseCount;
}

std::int32_t KPXSearchDeleteWordPhrase(SearchState& state, const char* wordPhrase) {
  if (wordPhrase == nullptr || state.phraseCount <= 0 || state.phraseCount > kMaxPhrases) {
    return -1;
  }
  for (int j = 0; j < state.phraseCount; ++j) {
    if (!EqualsFolded(state.foldTable, state.wordPhrases[j], wordPhrase)) continue;
    for (int later = j + 1; later < state.phraseCount; ++later) {
      std::memcpy(state.wordPhrases[later - 1], state.wordPhrases[later], kFieldSize);
    }
    return --state.phraseCount;
  }
  return -1;
}

std::int32_t KPXSearchAndOr(SearchState& state, std::int32_t mode) {
  if (mode < 0 || mode > 2) return -1;
  state.booleanMode = mode;
  return mode;
}

std::int32_t KPXSearchWholeWord(SearchState& state, std::int32_t mode) {
  state.wordSearchMode = mode;
  return 1;
}

std::int32_t KPXSearchAddKeyRange(SearchState& state, const char* keyName, std::int32_t lowerBound,
                                  std::int32_t upperBound) {
  if (state.keyRangeCount < 0 || state.keyRangeCount >= kMaxKeyRanges) return -1;
  std::int32_t lower = ToArticleIndex(lowerBound);
  std::int32_t upper = ToArticleIndex(upperBound);
  if (lower > upper) return -1;
  KeyRange& range = state.keyRanges[state.keyRangeCount];
  if (!CopyField(range.keyName, sizeof range.keyName, keyName)) return -1;
  range.lowerBound = lower;
  range.upperBound = upper;
  return ++state.keyRangeCount;
}

std::int32_t KPXSearchDeleteKeyRange(SearchState& state, const char* keyName) {
  if (keyName == nullptr || state.keyRangeCount <= 0 || state.keyRangeCount > kMaxKeyRanges) {
    return -1;
  }
  for (int j = 0; j < state.keyRangeCount; ++j) {
    // The stored name ends within its field, so equal names end there too.
    if (std::strncmp(state.keyRanges[j].keyName, keyName, kKeyNameSize) != 0) continue;
    for (int later = j + 1; later < state.keyRangeCount; ++later) {
      state.keyRanges[later - 1] = state.keyRanges[later];
    }
    return --state.keyRangeCount;
  }
  return -1;
}

}  // namespace engine
