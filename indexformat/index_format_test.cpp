#include "indexformat/index_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace indexformat {
namespace {

TEST(WordClass, ChoosesTheFile) {
  EXPECT_EQ(RelativeFileName("CAT", '/'), "C/CA");
  EXPECT_EQ(RelativeFileName("AB", '\\'), "A\\AB");
  EXPECT_EQ(RelativeFileName("A", '/'), "A/A");
  EXPECT_EQ(RelativeFileName("A4", '/'), "extras");
  EXPECT_EQ(RelativeFileName("1997", '/'), "extras");
  EXPECT_EQ(RelativeFileName("'TIS", '/'), "extras");
  EXPECT_EQ(RelativeFileName("\xC9T\xC9", '/'), "extras");  // ÉTÉ: 128+ is no letter
  EXPECT_EQ(RelativeFileName("4", '/'), "extras");
}

// The array form writes the name and a NUL behind it, over whatever the
// buffer held before.
TEST(WordClass, ArrayFormWritesANulTerminatedName) {
  for (const std::string word : {"CAT", "A", "1997"}) {
    char out[kMaxRelativeName];
    std::memset(out, 'x', sizeof out);
    const size_t n = RelativeFileName(reinterpret_cast<const unsigned char*>(word.data()),
                                      word.size(), '\\', out);
    ASSERT_LT(n, kMaxRelativeName);
    ASSERT_EQ(out[n], '\0') << word;
    EXPECT_EQ(std::string(out), RelativeFileName(word, '\\'));
  }
}

TEST(Entry, LayoutAndRoundTrip) {
  std::vector<int> articles = {7, 12, 2500};
  std::string bytes;
  AppendEntry("CAT", articles.data(), articles.size(), &bytes);
  EXPECT_EQ(bytes, std::string("\x03"
                               "CAT0003000700122500"));
  std::string word255(255, 'Q');
  AppendEntry(word255, articles.data(), 1, &bytes);
  EXPECT_EQ(static_cast<unsigned char>(bytes[20]), 0xFF);
  EXPECT_EQ(DumpIndexFile(bytes), "CAT 3: 7 12 2500\n" + word255 + " 1: 7\n");
}

TEST(Entry, DecoderStopsCleanlyOnDamage) {
  std::vector<int> one = {1};
  std::string good;
  AppendEntry("DOG", one.data(), 1, &good);
  EXPECT_EQ(DumpIndexFile(good + std::string(1, '\0')), "DOG 1: 1\ncorrupt at offset 12\n");
  EXPECT_EQ(DumpIndexFile(good.substr(0, good.size() - 1)), "corrupt at offset 0\n");
  std::string not_digits = good;
  not_digits[5] = 'x';
  EXPECT_EQ(DumpIndexFile(not_digits), "corrupt at offset 0\n");
  std::string too_long =
      "\x09"
      "DOG";  // length byte beyond the end
  EXPECT_EQ(DumpIndexFile(too_long), "corrupt at offset 0\n");
  std::string count_too_big =
      "\x01"
      "A9999";
  EXPECT_EQ(DumpIndexFile(count_too_big), "corrupt at offset 0\n");
}

TEST(Entry, ParseDecimalPrefixStopsAtFirstNonDigit) {
  EXPECT_EQ(ParseDecimalPrefix(reinterpret_cast<const unsigned char*>("0042")), 42);
  EXPECT_EQ(ParseDecimalPrefix(reinterpret_cast<const unsigned char*>("12x4")), 12);
  EXPECT_EQ(ParseDecimalPrefix(reinterpret_cast<const unsigned char*>("x123")), 0);
}

}  // namespace
}  // namespace indexformat
