#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "xtra/engine/search_engine.h"

namespace engine {
namespace {

class SearchStateTest : public ::testing::Test {
 protected:
  SearchStateTest() : state_(std::make_unique<SearchState>()), s_(*state_) {
    std::memset(&s_, 0x5A, sizeof s_);  // a never-used state holds anything
    InitSearchState(s_);
  }
  std::unique_ptr<SearchState> state_;
  SearchState& s_;
};

TEST_F(SearchStateTest, PhrasesAreUpperCasedHeldTwiceAndDeletedInOrder) {
  EXPECT_EQ(KPXSearchAddWordPhrase(s_, "cat \xE9t\xE9"), 1);
  // Held as given with a..z upper-cased; the set's fold applies when searched.
  EXPECT_STREQ(s_.wordPhrases[0], "CAT \xE9T\xE9");
  EXPECT_EQ(KPXSearchAddWordPhrase(s_, "Cat \xE9t\xE9"), 2);
  EXPECT_EQ(KPXSearchAddWordPhrase(s_, "third"), -1);
  EXPECT_EQ(s_.phraseCount, 2);
  // Deletion compares under the fold (the default one before any search), so
  // the capitals find the phrase added in small letters.
  EXPECT_EQ(KPXSearchDeleteWordPhrase(s_, "CAT \xC9T\xC9"), 1);
  EXPECT_EQ(KPXSearchDeleteWordPhrase(s_, "cat \xE9t\xC9"), 0);
  EXPECT_EQ(KPXSearchDeleteWordPhrase(s_, "cat"), -1);

  KPXSearchNew(s_);
  KPXSearchAddWordPhrase(s_, "A");
  KPXSearchAddWordPhrase(s_, "B");
  EXPECT_EQ(KPXSearchDeleteWordPhrase(s_, "a"), 1);
  EXPECT_STREQ(s_.wordPhrases[0], "B");
  EXPECT_EQ(KPXSearchDeleteWordPhrase(s_, "b"), 0);
  EXPECT_EQ(KPXSearchDeleteWordPhrase(s_, "b"), -1);
  EXPECT_EQ(KPXSearchAddWordPhrase(s_, ""), 1);  // stored, adds nothing when searched
}

TEST_F(SearchStateTest, OverlongStringsAreRefusedNotCut) {
  std::string longest(254, 'x');
  std::string tooLong(255, 'x');
  EXPECT_EQ(KPXSearchSetIndexPath(s_, "/data/index"), 0);
  EXPECT_EQ(KPXSearchSetIndexPath(s_, tooLong.c_str()), -1);
  EXPECT_STREQ(s_.indexPath, "/data/index");
  EXPECT_EQ(KPXSearchSetArticlesPath(s_, longest.c_str()), 0);
  EXPECT_EQ(KPXSearchSetArticlesPath(s_, tooLong.c_str()), -1);
  EXPECT_EQ(std::string(s_.articlesPath), longest);
  EXPECT_EQ(KPXSearchSetIndexPath(s_, nullptr), -1);

  EXPECT_EQ(KPXSearchAddWordPhrase(s_, tooLong.c_str()), -1);
  EXPECT_EQ(KPXSearchAddWordPhrase(s_, longest.c_str()), 1);
  EXPECT_EQ(std::string(s_.wordPhrases[0]), std::string(254, 'X'));
  EXPECT_EQ(KPXSearchDeleteWordPhrase(s_, tooLong.c_str()), -1);

  EXPECT_EQ(KPXSearchAddKeyRange(s_, std::string(20, 'k').c_str(), 1, 2), -1);
  EXPECT_EQ(KPXSearchAddKeyRange(s_, std::string(19, 'k').c_str(), 1, 2), 1);
  EXPECT_EQ(KPXSearchDeleteKeyRange(s_, std::string(20, 'k').c_str()), -1);
  EXPECT_EQ(KPXSearchDeleteKeyRange(s_, std::string(19, 'k').c_str()), 0);
}

TEST_F(SearchStateTest, KeyRangeBoundsBecomeIndexes) {
  EXPECT_EQ(KPXSearchAddKeyRange(s_, "a", 1, 10), 1);
  EXPECT_EQ(KPXSearchAddKeyRange(s_, "b", 0, 0), 2);
  EXPECT_EQ(KPXSearchAddKeyRange(s_, "c", 1, 0), 3);
  EXPECT_EQ(KPXSearchAddKeyRange(s_, "d", 10, 5), -1);
  EXPECT_EQ(s_.keyRanges[0].lowerBound, 0);
  EXPECT_EQ(s_.keyRanges[0].upperBound, 9);
  EXPECT_EQ(s_.keyRanges[1].upperBound, 0);
  EXPECT_EQ(s_.keyRanges[2].lowerBound, 0);
  EXPECT_EQ(s_.keyRanges[2].upperBound, 0);
  for (int i = 3; i < kMaxKeyRanges; ++i) EXPECT_EQ(KPXSearchAddKeyRange(s_, "x", 1, 1), i + 1);
  EXPECT_EQ(KPXSearchAddKeyRange(s_, "y", 1, 1), -1);

  EXPECT_EQ(KPXSearchDeleteKeyRange(s_, "A"), -1);  // names keep their case
  EXPECT_EQ(KPXSearchDeleteKeyRange(s_, "b"), 9);
  EXPECT_STREQ(s_.keyRanges[1].keyName, "c");
  EXPECT_EQ(KPXSearchDeleteKeyRange(s_, "b"), -1);
}

TEST_F(SearchStateTest, NewResetsEverythingButThePaths) {
  KPXSearchSetIndexPath(s_, "i");
  KPXSearchSetArticlesPath(s_, "c");
  KPXSearchAddWordPhrase(s_, "x");
  KPXSearchAddKeyRange(s_, "k", 1, 2);
  KPXSearchAndOr(s_, 1);
  KPXSearchWholeWord(s_, 1);
  s_.matchFlags[4] = 1;
  s_.matchCount = 1;
  s_.matchCursor = 5;
  EXPECT_EQ(KPXSearchNew(s_), 0);
  EXPECT_EQ(s_.matchCount, 0);
  EXPECT_EQ(s_.matchFlags[4], 0);
  EXPECT_EQ(s_.matchCursor, 0);
  EXPECT_EQ(s_.phraseCount + s_.keyRangeCount + s_.booleanMode + s_.wordSearchMode, 0);
  EXPECT_EQ(KPXSearchAndOr(s_, 3), -1);
  EXPECT_EQ(s_.booleanMode, 0);
  EXPECT_STREQ(s_.indexPath, "i");
  EXPECT_STREQ(s_.articlesPath, "c");
}

}  // namespace
}  // namespace engine
