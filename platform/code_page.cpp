#include "platform/code_page.h"

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

}  // namespace

const UpperCaseTable& GetUpperCaseTable(CaseFold fold) {
  static const UpperCaseTable cp1252 = MakeTable(CaseFold::kCp1252);
  static const UpperCaseTable ascii = MakeTable(CaseFold::kAscii);
  return fold == CaseFold::kCp1252 ? cp1252 : ascii;
}

}  // namespace platform
