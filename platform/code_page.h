// The code-page upper-case table: how the index builder folds the case of a
// word's bytes.
//
// kCp1252 (the default here) maps 'a'..'z' and the Windows-1252 small letters
// of 128..255 to their capitals (é to É, š to Š, œ to Œ, ž to Ž, ÿ to Ÿ, à..þ
// to À..Þ except ÷; ß and µ stay), so a set built here is byte-identical to
// one built with the Western code page of the author's desktop. kAscii folds
// 'a'..'z' only, which leaves UTF-8 sequences intact. kAnsi, on Windows only
// and the default there, is the system's own upper-casing (CharUpperA) in the
// active ANSI code page, as the author's desktop folds.
#ifndef KPX_PLATFORM_CODE_PAGE_H_
#define KPX_PLATFORM_CODE_PAGE_H_

#include <array>
#include <cstdint>

namespace platform {

enum class CaseFold {
  kCp1252,
  kAscii,
#if defined(_WIN32)
  kAnsi,
#endif
};

#if defined(_WIN32)
inline constexpr CaseFold kDefaultCaseFold = CaseFold::kAnsi;
#else
inline constexpr CaseFold kDefaultCaseFold = CaseFold::kCp1252;
#endif

using UpperCaseTable = std::array<std::uint8_t, 256>;

// The table for a fold; the tables are built once, at first use, and never
// change (kAnsi reads the code page active then).
const UpperCaseTable& GetUpperCaseTable(CaseFold fold);

}  // namespace platform

#endif  // KPX_PLATFORM_CODE_PAGE_H_
