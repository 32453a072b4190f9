#include "preproc/indexer/word_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace preproc {
namespace {

std::vector<std::string> SortedWords(WordTree& tree) {
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
// The sort gives the same order in its own memory (before the lists are
// gathered) and in the emptied hash table (after), and the lists it leaves
// are intact: random words sharing long prefixes, so that both the radix
// passes and the comparisons of equal first eight bytes are at work, and
// beginning with several bytes, so that the sort's groups by first byte are.
TEST(WordTree, SortInTheEmptiedTableMatchesAPlainSort) {
  WordTree tree;
  std::vector<std::string> expected;
  std::uint32_t state = 12345;
  auto next = [&state] { return state = state * 1103515245u + 12345u; };
  const char kBytes[] = "0ABCD\xC9\xFF";  // digits before letters, bytes above 127 after
  for (int i = 0; i < 20000; ++i) {
    std::string word = (next() >> 16) % 3 == 0 ? "PREFIXES" : "";
    const int length = 1 + static_cast<int>((next() >> 16) % 12);
    for (int k = 0; k < length; ++k) word += kBytes[(next() >> 16) % (sizeof kBytes - 1)];
    tree.AddArticle(tree.InsertWord(word), static_cast<std::uint32_t>(i / 100));
    expected.push_back(word);
  }
  for (const char* word :
       {"PREFIXES", "PREFIXESAAAAAAAA", "PREFIXESAAAAAAAAA"}) {  // 8, 16, 17 bytes
    tree.AddArticle(tree.InsertWord(word), 200);
    expected.emplace_back(word);
  }
  std::sort(expected.begin(), expected.end(), [](const std::string& a, const std::string& b) {
    return std::string_view(a) < std::string_view(b);
  });
  expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
  EXPECT_EQ(SortedWords(tree), expected);
  tree.FinishArticleLists();
  const std::vector<std::uint32_t> order = tree.SortedNodes();
  std::vector<std::string> after;
  std::size_t postings = 0;
  for (std::uint32_t node : order) {
    after.emplace_back(tree.word(node));
    postings += tree.articles(node).size();
    ASSERT_TRUE(std::is_sorted(tree.articles(node).begin(), tree.articles(node).end()));
  }
  EXPECT_EQ(after, expected);
  EXPECT_GE(postings, expected.size());
  EXPECT_LE(postings, 20000u);
}

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
  // The same order from the emptied table, where the sort works after the lists are gathered.
  tree.FinishArticleLists();
  EXPECT_EQ(tree.SortedNodes(), order);
  tree.Clear();
  EXPECT_TRUE(tree.empty());
}

// A tree sized for a few words that receives many more grows as needed and
// loses none; one sized generously finds every word without growing. Words
// of 7, 8 and 9 bytes and long ones sharing their first 8 bytes sit on both
// sides of the slot's inline head.
TEST(WordTree, ReserveSizesTheTableAndGrowthPassesTheEstimate) {
  auto word_of = [](int i) {
    char w[32];
    const char* forms[] = {"S%06d", "E%07d", "PREFIXED%d", "P%d"};  // 7, 8, 9+ bytes, short
    std::snprintf(w, sizeof w, forms[i % 4], i);
    return std::string(w);
  };
  for (std::size_t estimate : {std::size_t{10}, std::size_t{50000}}) {
    WordTree tree;
    tree.Reserve(estimate);
    const std::size_t reserved = tree.capacity();
    EXPECT_GE(reserved * 3, 4 * estimate);
    std::vector<std::uint32_t> nodes;
    const int n = 40000;
    for (int i = 0; i < n; ++i) nodes.push_back(tree.InsertWord(word_of(i)));
    for (int i = 0; i < n; ++i) ASSERT_EQ(tree.InsertWord(word_of(i)), nodes[i]) << word_of(i);
    EXPECT_GE(tree.capacity() * 3, 4 * tree.size());
    if (estimate >= static_cast<std::size_t>(n)) {
      EXPECT_EQ(tree.capacity(), reserved);  // no growth below the estimate
    }
    for (int i = 0; i < n; i += 997) EXPECT_EQ(tree.word(nodes[i]), word_of(i));
  }
}

// The padded form hashes as the plain word does, whatever follows the
// padding; the estimate follows a corpus's size without running away.
TEST(WordTree, PaddedWordsAndTheSizeEstimate) {
  WordTree tree;
  char padded[WordTree::kPaddedBufferSize];
  std::memset(padded, 'x', sizeof padded);
  std::memcpy(padded, "ABCDEFGHIJ", 10);
  std::memset(padded + 10, 0, 8);
  auto node = tree.InsertPaddedWord(padded, 10, WordTree::HashPaddedWord(padded, 10));
  EXPECT_EQ(tree.InsertWord("ABCDEFGHIJ"), node);
  EXPECT_NE(tree.InsertWord("ABCDEFGHI"), node);
  EXPECT_NE(tree.InsertWord("ABCDEFGHIJK"), node);
  EXPECT_EQ(tree.word(node), "ABCDEFGHIJ");

  EXPECT_EQ(WordTree::EstimateWords(0), 0u);
  EXPECT_EQ(WordTree::EstimateWords(400), 100u);  // tiny: at most a word per 4 bytes
  std::size_t real = WordTree::EstimateWords(30'000'000);
  EXPECT_GT(real, 300'000u);  // a real text corpus of 30 MB held about 300,000 words
  EXPECT_LT(real, 1'000'000u);
}

}  // namespace
}  // namespace preproc
