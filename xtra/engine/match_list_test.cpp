#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "xtra/engine/search_engine.h"

namespace engine {
namespace {

class MatchListTest : public ::testing::Test {
 protected:
  MatchListTest() : state_(std::make_unique<SearchState>()), s_(*state_) { InitSearchState(s_); }

  // The state a search that matched articles leaves behind.
  void Matched(std::initializer_list<int> articles) {
    for (int a : articles) s_.matchFlags[a - 1] = 1;
    s_.matchCount = static_cast<int>(articles.size());
    s_.matchCursor = 0;
  }

  std::string List(std::initializer_list<const char*> phrases, std::string text) {
    s_.phraseCount = 0;
    for (const char* p : phrases) KPXSearchAddWordPhrase(s_, p);
    std::string out(kMatchListCapacity, '\xEE');
    size_t length = KPXSearchCreateMatchesList(s_, text.data(), text.size(), out.data());
    EXPECT_EQ(out[length], '\0');
    return out.substr(0, length);
  }

  std::unique_ptr<SearchState> state_;
  SearchState& s_;
};

TEST_F(MatchListTest, CursorStepsThroughTheMatchesAndWraps) {
  Matched({3, 8, 15});
  EXPECT_EQ(KPXSearchGetMatch(s_, 1), 3);
  EXPECT_EQ(KPXSearchGetMatch(s_, 2), 8);
  EXPECT_EQ(KPXSearchGetMatch(s_, 3), 15);
  EXPECT_EQ(KPXSearchGetMatch(s_, 1), 3);
  EXPECT_EQ(KPXSearchGetMatch(s_, 2), 8);
  EXPECT_EQ(KPXSearchGetMatch(s_, 4), 9);  // beyond the count: no scan
  EXPECT_EQ(KPXSearchGetMatch(s_, -1), 1);
  EXPECT_EQ(KPXSearchGetMatch(s_, 0), 3);
  EXPECT_EQ(KPXSearchGetAt(s_, 2), 8);
  EXPECT_EQ(KPXSearchGetAt(s_, 0), 3);
  EXPECT_EQ(KPXSearchGetAt(s_, 4), -1);
  EXPECT_EQ(s_.matchCursor, 3);  // GetAt leaves the cursor alone
}

TEST_F(MatchListTest, CursorNeverLoopsOrLeavesTheFlags) {
  EXPECT_EQ(KPXSearchGetAt(s_, 1), -1);
  EXPECT_EQ(KPXSearchGetMatch(s_, 1), 1);
  EXPECT_EQ(KPXSearchGetMatch(s_, 0), 1);  // no flag at all: the cursor stays
  Matched({2500});
  s_.matchCursor = 2499;
  EXPECT_EQ(KPXSearchGetMatch(s_, 1), 2500);
  EXPECT_EQ(KPXSearchGetMatch(s_, 5), 2501);  // past the flags
  EXPECT_EQ(KPXSearchGetMatch(s_, 1), 2500);  // scanned again from index 0
  Matched({1});
  s_.matchCursor = 7000;
  EXPECT_EQ(KPXSearchGetMatch(s_, 1), 1);
}

TEST_F(MatchListTest, StatementListsEachPhrasesWordStarts) {
  const std::string text = "the cat sat on the cat mat";
  EXPECT_EQ(List({"cat"}, text), "set t123Match = [5,7,20,22]\r");
  EXPECT_EQ(List({"CAT", "the"}, text), "set t123Match = [5,7,20,22,1,3,16,18]\r");
  EXPECT_EQ(List({"cat"}, "concatenate"), "set t123Match = []\r");
  EXPECT_EQ(List({"cat"}, "Catalog"), "set t123Match = [1,3]\r");
  EXPECT_EQ(List({"cat"}, "catcat cat"), "set t123Match = [1,3,8,10]\r");
  EXPECT_EQ(List({}, text), "set t123Match = []\r");
  EXPECT_EQ(List({"", "mat"}, text), "set t123Match = [24,26]\r");
  // Vertical tab and form feed separate words like a space.
  EXPECT_EQ(List({"cat"}, "the\vcat\fcat"), "set t123Match = [5,7,9,11]\r");
}

TEST_F(MatchListTest, StatementStopsGrowingPastTheLimit) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "ab ";
  std::string one = List({"ab"}, text);
  EXPECT_GT(one.size(), 24800u);
  EXPECT_LT(one.size(), 24800u + 40u);
  EXPECT_EQ(one.substr(one.size() - 2), "]\r");
  EXPECT_NE(one[one.size() - 3], ',');
  std::string two = List({"ab", "AB "}, text);  // a later phrase still adds its first pair
  EXPECT_EQ(two, one.substr(0, one.size() - 2) + ",1,3]\r");
}

}  // namespace
}  // namespace engine
