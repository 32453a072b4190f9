#include "platform/code_page.h"

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#endif

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

#if defined(_WIN32)
// The default fold of the Windows builds is the system's CharUpperA. Asked one
// byte at a time (the call's single-character form), it must give the ANSI
// table; with the Western code page it must also agree with our cp1252 table,
// which is what makes a set built on Linux equal to one built on Windows.
TEST(CodePage, AnsiFoldIsCharUpperAAndMatchesCp1252OnTheWesternCodePage) {
  EXPECT_EQ(kDefaultCaseFold, CaseFold::kAnsi);
  const UpperCaseTable& ansi = GetUpperCaseTable(CaseFold::kAnsi);
  EXPECT_EQ(ansi[0], 0);
  for (int c = 1; c < 256; ++c) {
    auto upper = reinterpret_cast<ULONG_PTR>(CharUpperA(reinterpret_cast<LPSTR>(c)));
    EXPECT_EQ(ansi[c], upper & 0xFF) << "byte " << c;
  }
  if (GetACP() != 1252) GTEST_SKIP() << "active code page " << GetACP() << ", not 1252";
  const UpperCaseTable& cp1252 = GetUpperCaseTable(CaseFold::kCp1252);
  for (int c = 0; c < 256; ++c) EXPECT_EQ(ansi[c], cp1252[c]) << "byte " << c;
}
#endif

}  // namespace
}  // namespace platform
