#include "platform/code_page.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(CodePage, Cp1252FoldsWesternSmallLetters) {
  const UpperCaseTable& t = GetUpperCaseTable(CaseFold::kCp1252);
  EXPECT_EQ(t['a'], 'A');
  EXPECT_EQ(t['z'], 'Z');
  EXPECT_EQ(t['A'], 'A');
  EXPECT_EQ(t[0xE9], 0xC9);  // é É
  EXPECT_EQ(t[0x9A], 0x8A);  // š Š
  EXPECT_EQ(t[0x9C], 0x8C);  // œ Œ
  EXPECT_EQ(t[0x9E], 0x8E);  // ž Ž
  EXPECT_EQ(t[0xFF], 0x9F);  // ÿ Ÿ
  EXPECT_EQ(t[0xFE], 0xDE);  // þ Þ
  EXPECT_EQ(t[0xF7], 0xF7);  // ÷ stays
  EXPECT_EQ(t[0xDF], 0xDF);  // ß stays
  EXPECT_EQ(t[0xB5], 0xB5);  // µ stays
  EXPECT_EQ(t['{'], '{');
}

TEST(CodePage, AsciiFoldLeavesHighBytes) {
  const UpperCaseTable& t = GetUpperCaseTable(CaseFold::kAscii);
  EXPECT_EQ(t['q'], 'Q');
  for (int c = 128; c < 256; ++c) EXPECT_EQ(t[c], c);
}

}  // namespace
}  // namespace platform
