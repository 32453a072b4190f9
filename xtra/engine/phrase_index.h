// The phrase accelerator's reader: what the file kpxpairs of the articles path
// (indexformat/phrase_pairs.h) says of a phrase, so that VerifyPhraseInArticles
// opens only the copies that can hold it, and none for a two-word phrase in
// whole-word mode (beyond the look that tells the copy is there).
//
// The accelerator is used only when it is sound and belongs to the set: its
// header decodes, its fold table is the search's, and its log stamp is that of
// the index set's file mapping log. The stamp is checked once per instance and
// paths and kept in the state (pairCheck), and checked again whenever the
// accelerator's header or the log's size changes; while they stay the same the
// log's size is taken from the file system without opening it. Every block read is checked
// against its checksum; any damage makes the accelerator say nothing, and the
// search falls back to the copy scan, whose answers it never changes.
//
// Which phrases it answers: no whitespace at either end, at least two words,
// and exactly one blank between each two (a tab, a line break or two blanks
// go to the copy scan, as the accelerator records only pairs one blank
// apart). Its words are the copy's whitespace-separated runs, as the scan's
// occurrence rule sees them, so:
//   - two words, either word mode: the article holds the phrase exactly when
//     the pair is listed (whole-word mode: that pair; prefix mode: any pair of
//     the first word and a second word that begins with the phrase's second);
//   - more words: every adjacent pair must be listed (the last by prefix in
//     prefix mode); the copy scan decides among those.
// Allocates nothing; opens at most one file at a time (the accelerator; on a
// stamp check the log, then the accelerator again) and none stays open.
#ifndef KPX_XTRA_ENGINE_PHRASE_INDEX_H_
#define KPX_XTRA_ENGINE_PHRASE_INDEX_H_

#include <cstddef>
#include <cstdint>

#include "xtra/engine/search_engine.h"

namespace engine {

enum class PairAnswer {
  kNone,      // no use: the copy scan decides every candidate
  kExact,     // a set verdict means the article holds the phrase
  kNarrowed,  // a set verdict means it may: the copy scan decides
};

// What verdict[i] says of article i + 1.
inline constexpr std::uint8_t kPairRuledOut = 0;  // its copy does not hold the phrase
inline constexpr std::uint8_t kPairListed = 1;    // holds it (kExact) or may (kNarrowed)
inline constexpr std::uint8_t kPairUnknown = 2;   // not covered: scan its copy

// Fills verdict (kMaxArticles elements) for the phrase (folded, length
// bytes) and says how to read it. Uses readBuffer as scratch space.
PairAnswer LookUpPhrasePairs(SearchState& state, const char* phrase, size_t length,
                             std::uint8_t* verdict);

}  // namespace engine

#endif  // KPX_XTRA_ENGINE_PHRASE_INDEX_H_
