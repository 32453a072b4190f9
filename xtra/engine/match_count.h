// Match counting: the steps of KPXSearchCountMatches after the lookup of a
// phrase's words. Declared here so the tests can reach them; the host calls
// only KPXSearchCountMatches (search_engine.h).
#ifndef KPX_XTRA_ENGINE_MATCH_COUNT_H_
#define KPX_XTRA_ENGINE_MATCH_COUNT_H_

#include <cstdint>

#include "xtra/engine/search_engine.h"

namespace engine {

// Clears every phrase flag outside the union of the live key ranges. Bounds
// are clamped to the article indexes 0..2499; a range with its lower bound
// above its upper bound keeps nothing.
void ApplyKeyRanges(SearchState& state);

// Folds phraseFlags into matchFlags: slot 0 copies, slot 1 ANDs in boolean
// mode 1 and ORs otherwise. Returns the number of set matchFlags.
std::int32_t CombinePhrase(SearchState& state, int slot);

// Sets phraseFlags to the articles that match the phrase in slot.
void EvaluatePhrase(SearchState& state, int slot);

}  // namespace engine

#endif  // KPX_XTRA_ENGINE_MATCH_COUNT_H_
