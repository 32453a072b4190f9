// The Lingo method table of the Xtra "KPXSearch": the text the registration
// class hands to the host under "msgTable", and the selectors the host gives
// the dispatcher for each declared method (0 is `new`, then the twelve lines
// that begin with "*", in table order).
#ifndef KPX_XTRA_HOST_METHOD_TABLE_H_
#define KPX_XTRA_HOST_METHOD_TABLE_H_

#include <cstdint>

namespace xtra {

// 16 lines, each ending in one line feed; NUL-terminated. The layout is part
// of the contract with the host: keep it byte for byte.
extern const char kMethodTableText[];

enum class Selector : std::uint32_t {
  kNew = 0,
  kSetIndexPath = 1,
  kSetArticlesPath = 2,
  kCountMatches = 3,
  kGetMatch = 4,
  kGetAt = 5,
  kAddWordPhrase = 6,
  kDeleteWordPhrase = 7,
  kAndOr = 8,
  kWholeWord = 9,
  kAddKeyRange = 10,
  kDeleteKeyRange = 11,
  kCreateMatchesList = 12,
};

inline constexpr std::uint32_t kLastSelector = 12;

}  // namespace xtra

#endif  // KPX_XTRA_HOST_METHOD_TABLE_H_
