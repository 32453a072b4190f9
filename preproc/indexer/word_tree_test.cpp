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
  for (const char* w : {"HAT", "CAT", "\xC9T\xC9", "CATS", "A", "CAT", "1997", "A4"}) {
    tree.InsertWord(w);
  }
  EXPECT_EQ(tree.size(), 7u);
  EXPECT_EQ(SortedWords(tree),
            (std::vector<std::string>{"1997", "A", "A4", "CAT", "CATS", "HAT", "\xC9T\xC9"}));
}

TEST(WordTree, AddArticleKeepsEachArticleOnce) {
  WordTree tree;
  auto node = tree.InsertWord("CAT");
  EXPECT_EQ(tree.AddArticle(node, 0), 1);
  EXPECT_EQ(tree.AddArticle(node, 0), 0);
  EXPECT_EQ(tree.AddArticle(node, 3), 1);
  EXPECT_EQ(tree.articles(node), (ArticleList{0, 3}));
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
