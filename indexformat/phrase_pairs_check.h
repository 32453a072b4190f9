// A whole-file reading of a phrase accelerator (indexformat/phrase_pairs.h)
// for tarvik verify, kpxdump and the tests: every block's checksum, the
// header, every leaf entry, the order of all keys and the directory that
// leads to the leaves. Allocates; the search engine never calls it.
#ifndef KPX_INDEXFORMAT_PHRASE_PAIRS_CHECK_H_
#define KPX_INDEXFORMAT_PHRASE_PAIRS_CHECK_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "indexformat/phrase_pairs.h"

namespace indexformat {

struct PairEntry {
  std::string first;
  std::string second;
  std::vector<int> articles;
};

struct PairCheck {
  PairDamage damage = PairDamage::kNone;
  std::uint32_t block = 0;  // the block where the damage was found
  PairHeader header;        // filled when the header decodes
};

// Reads the file's bytes whole. *entries (when given) receives the leaf
// entries in order up to the damage found, if any.
PairCheck CheckPhrasePairs(std::string_view bytes, std::vector<PairEntry>* entries);

// "sound", or the damage and the block it lies in.
std::string DescribePairCheck(const PairCheck& check);

// kpxdump's text: the header's lines ("phrase accelerator: ...", "log stamp
// ...", "absent copies: ..." when there are any), then one line per pair,
// "FIRST SECOND count: n n n" (bytes outside printable ASCII as \xHH), and
// "corrupt phrase accelerator: WHY" after the last sound entry when damaged.
std::string DumpPhrasePairs(std::string_view bytes);

}  // namespace indexformat

#endif  // KPX_INDEXFORMAT_PHRASE_PAIRS_CHECK_H_
