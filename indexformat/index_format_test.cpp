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
  EXPECT_EQ(DumpIndexFile(good + std::string(1, '\0')),
            "DOG 1: 1\ncorrupt at offset 12: length byte 0\n");
  EXPECT_EQ(DumpIndexFile(good.substr(0, good.size() - 1)),
            "corrupt at offset 0: entry runs past the end of the file\n");
  std::string not_digits = good;
  not_digits[5] = 'x';
  EXPECT_EQ(DumpIndexFile(not_digits), "corrupt at offset 0: count field is not four digits\n");
  std::string too_long =
      "\x09"
      "DOG";  // length byte beyond the end
  EXPECT_EQ(DumpIndexFile(too_long), "corrupt at offset 0: entry runs past the end of the file\n");
  // A count above 2,500 is damage even when the file holds that many bytes.
  std::string count_too_big =
      "\x01"
      "A2501" +
      std::string(2501 * 4, '1');
  EXPECT_EQ(DumpIndexFile(count_too_big), "corrupt at offset 0: count above 2,500\n");
  EXPECT_EQ(DumpIndexFile("\x01"
                          "A0000"),
            "corrupt at offset 0: count 0\n");
}

TEST(Entry, HeadDecoderWorksOnAPieceOfTheFile) {
  std::vector<int> articles = {3, 9};
  std::string bytes;
  AppendEntry("NEW", articles.data(), articles.size(), &bytes);
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  EntryHead head;
  EXPECT_EQ(EntryHeadSize(data[0]), 8u);
  // The head alone is enough; the postings need not be at hand.
  ASSERT_EQ(DecodeEntryHead(data, 8, &head), EntryDamage::kNone);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(head.word), head.wordLength), "NEW");
  EXPECT_EQ(head.count, 2);
  EXPECT_EQ(head.headSize, 8u);
  EXPECT_EQ(head.postingsSize, 8u);
  EXPECT_EQ(DecodeEntryHead(data, 7, &head), EntryDamage::kTruncated);
  // The whole-buffer decoder refuses the same entry once its postings are cut.
  EntryView view;
  EXPECT_EQ(DecodeEntry(std::string_view(bytes).substr(0, 12), 0, &view), DecodeResult::kCorrupt);
  EXPECT_EQ(view.damage, EntryDamage::kTruncated);
  ASSERT_EQ(DecodeEntry(bytes, 0, &view), DecodeResult::kOk);
  EXPECT_EQ(PostingAt(view, 1), 9);
  EXPECT_EQ(DecodeEntry(bytes, view.size, &view), DecodeResult::kEnd);
}

TEST(Entry, ParseDecimalPrefixStopsAtFirstNonDigit) {
  EXPECT_EQ(ParseDecimalPrefix(reinterpret_cast<const unsigned char*>("0042")), 42);
  EXPECT_EQ(ParseDecimalPrefix(reinterpret_cast<const unsigned char*>("12x4")), 12);
  EXPECT_EQ(ParseDecimalPrefix(reinterpret_cast<const unsigned char*>("x123")), 0);
  // Every field of bytes on and around the digits' edges (where a word-wide
  // check could borrow or carry into a neighbour) parses as byte by byte.
  const unsigned char edges[] = {0x00, 0x01, '/',  '0',  '1',  '5',  '8',  '9',  ':',
                                 0x7F, 0x80, 0xAF, 0xB0, 0xB9, 0xBA, 0xC6, 0xCF, 0xFF};
  for (unsigned char a : edges) {
    for (unsigned char b : edges) {
      for (unsigned char c : edges) {
        for (unsigned char d : edges) {
          const unsigned char field[kFieldWidth] = {a, b, c, d};
          int expected = 0;
          for (unsigned char byte : field) {
            if (byte < '0' || byte > '9') break;
            expected = expected * 10 + (byte - '0');
          }
          ASSERT_EQ(ParseDecimalPrefix(field), expected)
              << int{a} << ' ' << int{b} << ' ' << int{c} << ' ' << int{d};
        }
      }
    }
  }
}

}  // namespace
}  // namespace indexformat
