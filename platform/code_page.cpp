#include "platform/code_page.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace platform {
namespace {

UpperCaseTable MakeTable(CaseFold fold) {
  UpperCaseTable table;
  for (int c = 0; c < 256; ++c) table[c] = static_cast<std::uint8_t>(c);
  for (int c = 'a'; c <= 'z'; ++c) table[c] = static_cast<std::uint8_t>(c - 32);
  if (fold == CaseFold::kCp1252) {
    table[0x9A] = 0x8A;  // š Š
    table[0x9C] = 0x8C;  // œ Œ
    table[0x9E] = 0x8E;  // ž Ž
    table[0xFF] = 0x9F;  // ÿ Ÿ
    for (int c = 0xE0; c <= 0xFE; ++c) {
      if (c != 0xF7) table[c] = static_cast<std::uint8_t>(c - 0x20);  // à..þ, not ÷
    }
  }
  return table;
}

#if defined(_WIN32)
// CharUpperA over the bytes 1..255 in one string; NUL stays NUL.
UpperCaseTable MakeAnsiTable() {
  char bytes[256];
  for (int c = 1; c < 256; ++c) bytes[c - 1] = static_cast<char>(c);
  bytes[255] = '\0';
  CharUpperA(bytes);
  UpperCaseTable table;
  table[0] = 0;
  for (int c = 1; c < 256; ++c) table[c] = static_cast<std::uint8_t>(bytes[c - 1]);
  return table;
}
#endif

}  // namespace

const UpperCaseTable& GetUpperCaseTable(CaseFold fold) {
  static const UpperCaseTable cp1252 = MakeTable(CaseFold::kCp1252);
  static const UpperCaseTable ascii = MakeTable(CaseFold::kAscii);
#if defined(_WIN32)
  if (fold == CaseFold::kAnsi) {
    static const UpperCaseTable ansi = MakeAnsiTable();
    return ansi;
  }
#endif
  return fold == CaseFold::kCp1252 ? cp1252 : ascii;
}

}  // namespace platform
