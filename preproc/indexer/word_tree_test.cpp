#include "preproc/indexer/word_tree.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace preproc {
namespace {

std::vector<std::string> SortedWords(const WordTree& tree) {
  std::vector<std::string> words;
  for (auto node : tree.SortedNodes()) words.emplace_back(tree.word(node));
  return words;
}

TEST(WordTree, OneNodePerWordInUnsignedByteOrder) {
  WordTree tree;
  std::string long_a(40, 'L'), long_b = long_a + "M", long_c = std::string(30, 'L') + "K";
  for (const std::string& w :
       {std::string("HAT"), std::string("CAT"), std::string("\xC9T\xC9"), std::string("CATS"),
        std::string("A"), std::string("CAT"), std::string("1997"), std::string("A4"),
        std::string("ABCDEFGHI"), std::string("ABCDEFGH"), long_a, long_b, long_c, long_a}) {
    tree.InsertWord(w);
  }
  EXPECT_EQ(tree.size(), 12u);
  EXPECT_EQ(SortedWords(tree),
            (std::vector<std::string>{"1997", "A", "A4", "ABCDEFGH", "ABCDEFGHI", "CAT", "CATS",
                                      "HAT", long_c, long_a, long_b, "\xC9T\xC9"}));
}

TEST(WordTree, AddArticleKeepsEachArticleOnce) {
  WordTree tree;
  auto node = tree.InsertWord("CAT");
  EXPECT_EQ(tree.AddArticle(node, 0), 1);
  EXPECT_EQ(tree.AddArticle(node, 0), 0);
  EXPECT_EQ(tree.AddArticle(node, 3), 1);
  auto other = tree.InsertWord("DOG");
  EXPECT_EQ(tree.AddArticle(other, 3), 1);
  EXPECT_EQ(tree.AddArticle(node, 3), 0);
  EXPECT_EQ(tree.AddArticle(node, 5), 1);
  tree.FinishArticleLists();
  auto list = tree.articles(node);
  EXPECT_EQ(std::vector<std::uint32_t>(list.begin(), list.end()),
            (std::vector<std::uint32_t>{0, 3, 5}));
  EXPECT_EQ(tree.articles(other).size(), 1u);
}

// A node remembers the last article it got in a mark; articles 256 apart, or
// first seen at 256 or beyond, are still told apart (listings run to 9,999).
TEST(WordTree, ArticleMarksHoldEveryArticleOfAListing) {
  WordTree tree;
  const auto late = tree.InsertWord("LATE");
  const auto back = tree.InsertWord("BACK");
  const auto last = tree.InsertWord("LAST");
  EXPECT_EQ(tree.AddArticle(back, 0), 1);
  EXPECT_EQ(tree.AddArticle(back, 255), 1);
  EXPECT_EQ(tree.AddArticle(late, 255), 1);
  EXPECT_EQ(tree.AddArticle(late, 255), 0);
  EXPECT_EQ(tree.AddArticle(back, 256), 1);
  EXPECT_EQ(tree.AddArticle(late, 256), 1);
  EXPECT_EQ(tree.AddArticle(late, 256), 0);
  EXPECT_EQ(tree.AddArticle(back, 512), 1);
  EXPECT_EQ(tree.AddArticle(back, 768), 1);
  EXPECT_EQ(tree.AddArticle(late, 4351), 1);  // 256 * 17 - 1
  EXPECT_EQ(tree.AddArticle(last, 9998), 1);
  EXPECT_EQ(tree.AddArticle(last, 9998), 0);
  tree.FinishArticleLists();
  using L = std::vector<std::uint32_t>;
  auto list = [&](std::uint32_t node) {
    return L(tree.articles(node).begin(), tree.articles(node).end());
  };
  EXPECT_EQ(list(back), (L{0, 255, 256, 512, 768}));
  EXPECT_EQ(list(late), (L{255, 256, 4351}));
  EXPECT_EQ(list(last), (L{9998}));
}

// A vocabulary that arrives in sorted order must neither recurse deeply nor
// take quadratic time; 300,000 words would take minutes in a plain tree.
TEST(WordTree, SortedInsertionOfAVeryLargeVocabulary) {
  WordTree tree;
  char word[16];
  const int n = 300000;
  for (int i = 0; i < n; ++i) {
    std::snprintf(word, sizeof word, "W%07d", i);
    tree.AddArticle(tree.InsertWord(word), 0);
  }
  for (int i = 0; i < n; i += 1000) {  // every word is found again, not duplicated
    std::snprintf(word, sizeof word, "W%07d", i);
    tree.InsertWord(word);
  }
  ASSERT_EQ(tree.size(), static_cast<size_t>(n));
  auto order = tree.SortedNodes();
  EXPECT_EQ(tree.word(order.front()), "W0000000");
  EXPECT_EQ(tree.word(order.back()), "W0299999");
  tree.Clear();
  EXPECT_TRUE(tree.empty());
}

}  // namespace
}  // namespace preproc
