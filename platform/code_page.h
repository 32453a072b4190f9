// The code-page upper-case tables: how the index builder folds the case of a
// word's bytes, and how the search engine folds phrases and article text the
// same way.
//
// A table maps every byte to one byte (so a folded text keeps its length and
// every position in it), NUL to NUL and whitespace to itself.
//
// kCp1252 (the default here) maps 'a'..'z' and the Windows-1252 small letters
// of 128..255 to their capitals (é to É, š to Š, œ to Œ, ž to Ž, ÿ to Ÿ, à..þ
// to À..Þ except ÷; ß and µ stay), so a set built here is byte-identical to
// one built with the Western code page of the author's desktop. kAscii folds
// 'a'..'z' only, which leaves UTF-8 sequences intact. kAnsi, on Windows only
// and the default there, is the system's own upper-casing (CharUpperA) in the
// active ANSI code page, as the author's desktop folds.
//
// The accent-free table (kCp1252AccentFree) is the Windows-1252 capitals
// table followed by a mapping of the accented capitals to their letters
// without accent (À..Å to A, Ç to C, È..Ë to E, Ì..Ï to I, Ð to D, Ñ to N,
// Ò..Ö and Ø to O, Ù..Ü to U, Ý and Ÿ to Y, Š to S, Ž to Z); Æ, Œ, Þ, ß, ×
// and every other byte stay as the capitals table leaves them. It is what a
// set made with "ignore accents" is folded with.
//
// The tables are constant data; nothing here allocates. Only the kAnsi table
// depends on the system, and it is read from CharUpperA.
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

namespace code_page_detail {

constexpr UpperCaseTable MakeAsciiTable() {
  UpperCaseTable table{};
  for (int c = 0; c < 256; ++c) table[c] = static_cast<std::uint8_t>(c);
  for (int c = 'a'; c <= 'z'; ++c) table[c] = static_cast<std::uint8_t>(c - 32);
  return table;
}

constexpr UpperCaseTable MakeCp1252Table() {
  UpperCaseTable table = MakeAsciiTable();
  table[0x9A] = 0x8A;  // š Š
  table[0x9C] = 0x8C;  // œ Œ
  table[0x9E] = 0x8E;  // ž Ž
  table[0xFF] = 0x9F;  // ÿ Ÿ
  for (int c = 0xE0; c <= 0xFE; ++c) {
    if (c != 0xF7) table[c] = static_cast<std::uint8_t>(c - 0x20);  // à..þ, not ÷
  }
  return table;
}

// The letter without accent of a Windows-1252 capital, or the byte itself.
constexpr std::uint8_t WithoutAccent(std::uint8_t c) {
  if (c >= 0xC0 && c <= 0xC5) return 'A';
  if (c == 0xC7) return 'C';
  if (c >= 0xC8 && c <= 0xCB) return 'E';
  if (c >= 0xCC && c <= 0xCF) return 'I';
  if (c == 0xD0) return 'D';
  if (c == 0xD1) return 'N';
  if ((c >= 0xD2 && c <= 0xD6) || c == 0xD8) return 'O';
  if (c >= 0xD9 && c <= 0xDC) return 'U';
  if (c == 0xDD || c == 0x9F) return 'Y';
  if (c == 0x8A) return 'S';
  if (c == 0x8E) return 'Z';
  return c;
}

constexpr UpperCaseTable MakeCp1252AccentFreeTable() {
  UpperCaseTable table = MakeCp1252Table();
  for (std::uint8_t& folded : table) folded = WithoutAccent(folded);
  return table;
}

}  // namespace code_page_detail

inline constexpr UpperCaseTable kAsciiUpperCase = code_page_detail::MakeAsciiTable();
inline constexpr UpperCaseTable kCp1252UpperCase = code_page_detail::MakeCp1252Table();
inline constexpr UpperCaseTable kCp1252AccentFree = code_page_detail::MakeCp1252AccentFreeTable();

// The table for a fold (kAnsi: built once, at first use, from the code page
// active then).
const UpperCaseTable& GetUpperCaseTable(CaseFold fold);

// The table a run folds words with: kCp1252AccentFree when accents are
// ignored (whatever the fold: the front ends accept that choice only where
// the text is Windows-1252), else GetUpperCaseTable(fold).
const UpperCaseTable& GetUpperCaseTable(CaseFold fold, bool ignore_accents);

// The default fold's table computed afresh, without allocation and without
// keeping any state: kCp1252UpperCase here; on Windows CharUpperA in the code
// page active now. The search engine folds with it where a set records no
// fold.
void FillDefaultUpperCaseTable(UpperCaseTable* table);

// The active ANSI code page (GetACP) on Windows; 1252 elsewhere, whose text
// the tables here stand for.
unsigned ActiveCodePage();

// Whether this system's text can be folded without accents: only where the
// active code page is 1252, whose letters the accent-free table knows.
inline bool CanIgnoreAccents() { return ActiveCodePage() == 1252; }

}  // namespace platform

#endif  // KPX_PLATFORM_CODE_PAGE_H_
