#include "xtra/engine/match_count.h"

#include <gtest/gtest.h>

#include <vector>

#include "xtra/engine/engine_test_support.h"

namespace engine {
namespace {

using testing::EngineTest;
using V = std::vector<int>;

class MatchCountTest : public EngineTest {
 protected:
  MatchCountTest() {
    WriteIndexFor("NE", {{"NEST", {9}}, {"NEW", {1, 2, 3, 4, 5, 7}}, {"NEWS", {6}}});
    WriteIndexFor("YO", {{"YORK", {1, 2, 3, 4, 5, 7}}, {"YORKER", {2, 6}}});
    WriteIndexFor("N", {{"N", {1, 2, 3, 4, 5, 6, 7, 9}}});
    WriteIndexFor("1997", {{"1997", {3}}, {"A4", {8}}});
    WriteArticle(1, "In New York today.");
    WriteArticle(2, "the new yorker");
    WriteArticle(3, "NEW YORK, 1997");
    WriteArticle(4, "new\nyork");
    WriteArticle(5, "new  york");
    WriteArticle(6, "news of the yorker");
    WriteArticle(7, "renew york");
  }
};

TEST_F(MatchCountTest, OneWordPhrasesAnswerFromTheIndexAlone) {
  EXPECT_EQ(Search({"new"}), (V{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(Search({"n"}), (V{1, 2, 3, 4, 5, 6, 7, 9}));
  EXPECT_EQ(Search({"a4"}), (V{8}));
  KPXSearchWholeWord(s_, 1);
  EXPECT_EQ(Search({"new"}), (V{1, 2, 3, 4, 5, 7}));
  EXPECT_EQ(Search({"n"}), (V{1, 2, 3, 4, 5, 6, 7, 9}));
}

TEST_F(MatchCountTest, MultiWordPhrasesAreConfirmedInTheCopies) {
  EXPECT_EQ(Search({"NEW YORK"}), (V{1, 2, 3}));
  EXPECT_EQ(Search({"NEW YO"}), (V{1, 2, 3}));
  EXPECT_EQ(Search({"NE YORK"}), (V{}));  // the first word is compared exactly
  EXPECT_EQ(Search({"NEW "}), (V{1, 2, 3, 5}));
  KPXSearchWholeWord(s_, 1);
  EXPECT_EQ(Search({"NEW YORK"}), (V{1}));
  EXPECT_EQ(Search({"NEW YO"}), (V{}));
}

// A vertical tab or form feed ends the phrase's first word as a space does,
// and the scan then looks for the phrase byte for byte.
TEST_F(MatchCountTest, VerticalTabAndFormFeedSeparateThePhrasesWords) {
  WriteArticle(4, "in new\vyork");
  WriteArticle(5, "\fnew\fyork");
  EXPECT_EQ(Search({"NEW\vYORK"}), (V{4}));
  EXPECT_EQ(Search({"NEW\fYORK"}), (V{5}));
  EXPECT_EQ(Search({"NEW\v"}), (V{4}));  // multi-word: NEW exactly, then the text
  KPXSearchWholeWord(s_, 1);
  EXPECT_EQ(Search({"NEW\fYORK"}), (V{5}));
}

TEST_F(MatchCountTest, PhraseBeginningWithWhitespaceStartsFromEveryArticle) {
  EXPECT_EQ(Search({" YORK"}), (V{1, 2, 3, 5, 6, 7}));
  KPXSearchWholeWord(s_, 1);
  EXPECT_EQ(Search({" YORK"}), (V{1, 5, 7}));
}

TEST_F(MatchCountTest, BooleanModesAndKeyRanges) {
  EXPECT_EQ(Search({"YORKER", "NEW YORK"}), (V{2, 6}));  // mode 0: first phrase only
  KPXSearchAndOr(s_, 1);
  EXPECT_EQ(Search({"YORKER", "NEW YORK"}), (V{2}));
  KPXSearchAndOr(s_, 2);
  EXPECT_EQ(Search({"YORKER", "NEW YORK"}), (V{1, 2, 3, 6}));
  KPXSearchAddKeyRange(s_, "low", 1, 2);
  KPXSearchAddKeyRange(s_, "high", 6, 9);
  EXPECT_EQ(Search({"YORKER", "NEW YORK"}), (V{1, 2, 6}));
  EXPECT_EQ(Search({"N"}), (V{1, 2, 6, 7, 9}));
}

TEST_F(MatchCountTest, KeyRangesAreClampedToTheFlags) {
  std::vector<int> every(2500);
  for (int i = 0; i < 2500; ++i) every[i] = i + 1;
  std::string bytes;
  indexformat::AppendEntry("ALL", every.data(), every.size(), &bytes);
  WriteIndexFor("AL", bytes);
  KPXSearchAddKeyRange(s_, "first", 1, 10);
  KPXSearchAddKeyRange(s_, "third", 21, 30);
  V expected = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30};
  EXPECT_EQ(Search({"ALL"}), expected);
  KPXSearchNew(s_);
  KPXSearchAddKeyRange(s_, "below", -50, -3);
  KPXSearchAddKeyRange(s_, "beyond", 2499, 100000);
  KPXSearchAddKeyRange(s_, "outside", 3000, 4000);
  EXPECT_EQ(Search({"ALL"}), (V{2499, 2500}));
}

TEST_F(MatchCountTest, NoPhraseKeepsTheFlagsAndEmptyPhraseAddsNothing) {
  Search({"NEW YORK"});
  s_.phraseCount = 0;
  EXPECT_EQ(KPXSearchCountMatches(s_), 0);
  EXPECT_EQ(Matches(), (V{1, 2, 3}));
  EXPECT_EQ(Search({""}), (V{}));
  KPXSearchAndOr(s_, 2);
  EXPECT_EQ(Search({"", "YORKER"}), (V{2, 6}));
}

TEST_F(MatchCountTest, MissingFilesOnlyRemoveCandidates) {
  EXPECT_EQ(Search({"NEW CITY"}), (V{}));  // no C/CI file
  KPXSearchSetArticlesPath(s_, dir_.Join("nowhere").c_str());
  EXPECT_EQ(Search({"NEW YORK"}), (V{}));
  EXPECT_EQ(Search({"YORK"}), (V{1, 2, 3, 4, 5, 6, 7}));
  KPXSearchSetIndexPath(s_, dir_.Join("nowhere").c_str());
  EXPECT_EQ(Search({"YORK"}), (V{}));
}

}  // namespace
}  // namespace engine
