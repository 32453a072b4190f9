// The code-page upper-case table: how the index builder folds the case of a
// word's bytes.
//
// kCp1252 (the default) maps 'a'..'z' and the Windows-1252 small letters of
// 128..255 to their capitals (é to É, š to Š, œ to Œ, ž to Ž, ÿ to Ÿ, à..þ to
// À..Þ except ÷; ß and µ stay), so a set built here is byte-identical to one
// built with the Western code page of the author's desktop. kAscii folds
// 'a'..'z' only, which leaves UTF-8 sequences intact.
#ifndef KPX_PLATFORM_CODE_PAGE_H_
#define KPX_PLATFORM_CODE_PAGE_H_

#include <array>
#include <cstdint>

namespace platform {

enum class CaseFold { kCp1252, kAscii };

using UpperCaseTable = std::array<std::uint8_t, 256>;

// The table for a fold; the tables are built once and never change.
const UpperCaseTable& GetUpperCaseTable(CaseFold fold);

}  // namespace platform

#endif  // KPX_PLATFORM_CODE_PAGE_H_
