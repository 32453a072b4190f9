#include "xtra/engine/index_lookup.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "indexformat/phrase_search_files.h"
#include "platform/file_system.h"
#include "xtra/engine/engine_test_support.h"
#include "xtra/engine/file_names.h"

namespace engine {
namespace {

using testing::EngineTest;
using testing::IndexBytes;

// A name as the engine builds it: base, then the parts after it joined with the
// platform's separator ("/" here, "\\" on Windows).
std::string Joined(const std::string& base, std::string parts) {
  for (char& c : parts) {
    if (c == '/') c = platform::kSeparator;
  }
  return base + platform::kSeparator + parts;
}

TEST(FileNamesTest, IndexFileFollowsTheWordClasses) {
  char name[kFileNameCapacity];
  ASSERT_TRUE(IndexFileName("/ix", "CAT", 3, name));
  EXPECT_EQ(std::string(name), Joined("/ix", "C/CA"));
  ASSERT_TRUE(IndexFileName("/ix", "A", 1, name));
  EXPECT_EQ(std::string(name), Joined("/ix", "A/A"));
  for (const char* word : {"1997", "A4", "3D", " NEW", "\xC9T\xC9"}) {
    ASSERT_TRUE(IndexFileName("/ix", word, std::strlen(word), name));
    EXPECT_EQ(std::string(name), Joined("/ix", "extras")) << word;
  }
}

TEST(FileNamesTest, ArticleFilesHoldAHundredPerBlock) {
  char name[kFileNameCapacity];
  ASSERT_TRUE(ArticleFileName("/c", 1, 'A', name));
  EXPECT_EQ(std::string(name), Joined("/c", "A1/t0001"));
  ASSERT_TRUE(ArticleFileName("/c", 100, 'a', name));
  EXPECT_EQ(std::string(name), Joined("/c", "a1/t0100"));
  ASSERT_TRUE(ArticleFileName("/c", 101, 'A', name));
  EXPECT_EQ(std::string(name), Joined("/c", "A2/t0101"));
  ASSERT_TRUE(ArticleFileName("/c", 2500, 'A', name));
  EXPECT_EQ(std::string(name), Joined("/c", "A25/t2500"));
  EXPECT_FALSE(ArticleFileName("/c", 0, 'A', name));
  EXPECT_FALSE(ArticleFileName("/c", 2501, 'A', name));
  std::string longest(254, 'p');  // the longest path a state holds still fits
  ASSERT_TRUE(ArticleFileName(longest.c_str(), 2500, 'A', name));
  EXPECT_EQ(std::string(name), Joined(longest, "A25/t2500"));
}

// The names of one verification, asked in any order and spelling, are the
// ones built for each article alone.
TEST(FileNamesTest, ArticleFileNamesOfOnePathAgreeWithEachNameAlone) {
  const std::string path(240, 'p');
  ArticleFileNames names(path.c_str());
  auto expect = [&](int article, char letter) {
    char relative[indexformat::kMaxCopyName];
    indexformat::RelativeCopyFileName(article, letter, '/', relative);
    const char* name = names.Name(article, letter);
    ASSERT_NE(name, nullptr) << article;
    EXPECT_EQ(std::string(name), Joined(path, relative)) << article << letter;
  };
  for (int article = 1; article <= kMaxArticles; ++article) expect(article, 'A');
  for (int article = kMaxArticles; article >= 1; article -= 7) expect(article, 'a');
  for (int article : {99, 100, 101, 1000, 1001, 9, 10, 2500, 1}) {
    expect(article, 'a');
    expect(article, 'A');
  }
  EXPECT_EQ(names.Name(0, 'a'), nullptr);
  EXPECT_EQ(names.Name(2501, 'a'), nullptr);
  expect(2500, 'a');  // a refusal leaves the next name whole
}

class IndexLookupTest : public EngineTest {
 protected:
  // The articles that ScanIndexFile marks for word.
  std::vector<int> Scan(const std::string& word, bool exact) {
    std::memset(s_.phraseFlags, 0, sizeof s_.phraseFlags);
    PostingMark mark{s_.phraseFlags, -1, 1};
    ScanIndexFile(s_.indexPath, word.data(), word.size(), exact, mark, s_.readBuffer,
                  sizeof s_.readBuffer);
    std::vector<int> articles;
    for (int i = 0; i < kMaxArticles; ++i) {
      if (s_.phraseFlags[i] != 0) articles.push_back(i + 1);
    }
    return articles;
  }
};

TEST_F(IndexLookupTest, PrefixAndExactComparison) {
  WriteIndexFor("CA",
                {{"CA", {9}}, {"CAT", {1}}, {"CATALOG", {2}}, {"CATS", {3, 4}}, {"CAU", {5}}});
  EXPECT_EQ(Scan("CAT", true), (std::vector<int>{1}));
  EXPECT_EQ(Scan("CAT", false), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(Scan("CATX", false), (std::vector<int>{}));
  EXPECT_EQ(Scan("CA", true), (std::vector<int>{9}));
}

TEST_F(IndexLookupTest, ScanStopsAtTheFirstGreaterEntryAndSkipsPostingsUnread) {
  // The skipped entry's postings are not digits; they are passed over, not parsed.
  std::string bytes = IndexBytes({{"DOG", {1}}});
  bytes += std::string(
      "\x03"
      "DOH"
      "0002"
      "xxxxyyyy",
      16);
  bytes += IndexBytes({{"DOT", {3}}, {"DOS", {4}}});  // out of order: DOS is never reached
  WriteIndexFor("DO", bytes);
  EXPECT_EQ(Scan("DOT", true), (std::vector<int>{3}));
  EXPECT_EQ(Scan("DOS", true), (std::vector<int>{}));
}

TEST_F(IndexLookupTest, LongWordsAndOutOfRangeArticleNumbers) {
  std::string longWord(255, 'Q');
  WriteIndexFor("QQ", {{"QQ", {0, 1, 2500, 2501, 9999}}, {longWord, {7}}});
  EXPECT_EQ(Scan("QQ", true), (std::vector<int>{1, 2500}));
  EXPECT_EQ(Scan(longWord, true), (std::vector<int>{7}));
  std::vector<int> all(2500);
  for (int i = 0; i < 2500; ++i) all[i] = i + 1;
  std::string bytes;
  indexformat::AppendEntry("ZZ", all.data(), all.size(), &bytes);  // a full 10,000-byte block
  WriteIndexFor("ZZ", bytes);
  EXPECT_EQ(Scan("ZZ", true).size(), 2500u);
}

TEST_F(IndexLookupTest, DamagedFilesEndTheScanCleanly) {
  const std::string first = IndexBytes({{"EAA", {1}}});
  WriteIndexFor("EA", std::string("\x00", 1) + first);  // length byte 0
  EXPECT_EQ(Scan("EAA", true), (std::vector<int>{}));
  WriteIndexFor("EA", first + std::string("\x03"
                                          "EAB"
                                          "00x1"
                                          "0002",
                                          12));
  EXPECT_EQ(Scan("EAA", true), (std::vector<int>{1}));
  EXPECT_EQ(Scan("EAB", true), (std::vector<int>{}));  // count not digits
  WriteIndexFor("EA", first + std::string("\x03"
                                          "EAB"
                                          "0900"
                                          "0002",
                                          12));
  EXPECT_EQ(Scan("EAB", true), (std::vector<int>{}));  // count larger than the file
  WriteIndexFor("EA", std::string("\x03"
                                  "EAA"
                                  "2501",
                                  8) +
                          std::string(10004, '1'));
  EXPECT_EQ(Scan("EAA", true), (std::vector<int>{}));  // more than a block holds
  WriteIndexFor("EA", std::string("\xFF"
                                  "EAA"
                                  "0001",
                                  8));  // word runs past the end
  EXPECT_EQ(Scan("EA", false), (std::vector<int>{}));
}

TEST_F(IndexLookupTest, TruncationAtEveryByteNeverReadsPastTheEnd) {
  const std::string good = IndexBytes({{"FAA", {1, 2}}, {"FAB", {3}}, {"FAC", {4, 5}}});
  for (size_t cut = 0; cut <= good.size(); ++cut) {
    WriteIndexFor("FA", good.substr(0, cut));
    std::vector<int> found = Scan("FAC", true);
    EXPECT_EQ(found.empty(), cut < good.size()) << cut;
  }
}

TEST_F(IndexLookupTest, FlippedBytesNeverMarkOutsideTheFlags) {
  const std::string good = IndexBytes({{"GAA", {1, 2500}}, {"GAB", {3}}, {"GAC", {4, 5}}});
  for (size_t at = 0; at < good.size(); ++at) {
    for (unsigned char value : {0x00, 0x39, 0x3A, 0xFF}) {
      std::string bad = good;
      bad[at] = static_cast<char>(value);
      WriteIndexFor("GA", bad);
      for (int article : Scan("GA", false)) EXPECT_TRUE(article >= 1 && article <= 2500);
    }
  }
}

TEST_F(IndexLookupTest, RemainingWordsCountEachArticleOncePerWord) {
  WriteIndexFor("YO", {{"YORK", {1, 2, 3}}, {"YORKER", {2, 4}}});
  WriteIndexFor("CI", {{"CITY", {1, 4}}});
  for (int article : {1, 2, 4}) s_.phraseFlags[article - 1] = 1;
  LookupRemainingWords(s_, "NEW YORK CITY", 13);  // prefix mode: YORK also finds YORKER
  EXPECT_EQ(s_.phraseFlags[0], 1);
  EXPECT_EQ(s_.phraseFlags[1], 0);  // YORK twice, no CITY: counted once, not carried
  EXPECT_EQ(s_.phraseFlags[3], 1);
  LookupRemainingWords(s_, "NEW YORK TOWN", 13);  // no T/TO file: no match at all
  EXPECT_EQ(s_.phraseFlags[0] + s_.phraseFlags[3], 0);
}

// A scan told to look for a few articles alone marks those exactly as the
// full scan does, whatever the fields hold (four digits, numbers cut short by
// other bytes, numbers past 2,500), and leaves every other flag as it was;
// so do the further words of a phrase.
TEST_F(IndexLookupTest, ScanningForAFewArticlesMarksThoseAsTheFullScan) {
  std::mt19937 rng(11);
  const char junk[] = {'/', ':', 'x', '\0', '\xB0', ' '};
  for (int round = 0; round < 200; ++round) {
    // One entry of up to 40 fields, the odd one damaged, over articles 1..60.
    std::string fields;
    const int count = 1 + static_cast<int>(rng() % 40);
    for (int f = 0; f < count; ++f) {
      char digits[5];
      std::snprintf(digits, sizeof digits, "%04d", 1 + static_cast<int>(rng() % 60));
      if (rng() % 6 == 0) digits[rng() % 4] = junk[rng() % sizeof junk];
      if (rng() % 20 == 0) std::memcpy(digits, "9999", 4);
      fields.append(digits, 4);
    }
    char head[8];
    std::snprintf(head, sizeof head, "%04d", count);
    WriteIndexFor("HA", std::string("\x03HAT") + head + fields);
    OnlyArticles only;
    std::uint8_t wanted[kMaxArticles] = {};
    const int few = 1 + static_cast<int>(rng() % OnlyArticles::kMost);
    for (int j = 0; j < few; ++j) wanted[rng() % 64] = 1;
    ASSERT_TRUE(FewFlagged(wanted, &only));
    for (const int whenEqual : {-1, 1}) {
      std::uint8_t full[kMaxArticles];
      std::uint8_t some[kMaxArticles];
      for (int i = 0; i < kMaxArticles; ++i)
        full[i] = some[i] = static_cast<std::uint8_t>(rng() % 3);
      const std::vector<std::uint8_t> before(some, some + kMaxArticles);
      ScanIndexFile(s_.indexPath, "HAT", 3, true, {full, whenEqual, 2}, s_.readBuffer,
                    sizeof s_.readBuffer);
      ScanIndexFile(s_.indexPath, "HAT", 3, true, {some, whenEqual, 2, &only}, s_.readBuffer,
                    sizeof s_.readBuffer);
      for (int i = 0; i < kMaxArticles; ++i) {
        ASSERT_EQ(some[i], wanted[i] != 0 ? full[i] : before[static_cast<size_t>(i)])
            << "round " << round << " article " << i + 1 << " when " << whenEqual;
      }
    }
  }
  // The further words of a phrase, for articles 2 and 4 alone.
  WriteIndexFor("YO", {{"YORK", {1, 2, 3, 4}}});
  WriteIndexFor("CI", {{"CITY", {1, 4}}});
  std::uint8_t two_four[kMaxArticles] = {};
  two_four[1] = two_four[3] = 1;
  OnlyArticles only;
  ASSERT_TRUE(FewFlagged(two_four, &only));
  for (int article : {1, 2, 4}) s_.phraseFlags[article - 1] = 1;
  LookupRemainingWords(s_, "NEW YORK CITY", 13, &only);
  EXPECT_EQ(s_.phraseFlags[1], 0);
  EXPECT_EQ(s_.phraseFlags[3], 1);
  // More flags than a few are refused.
  std::uint8_t many[kMaxArticles] = {};
  std::memset(many, 1, OnlyArticles::kMost + 1);
  EXPECT_FALSE(FewFlagged(many, &only));
}

}  // namespace
}  // namespace engine
