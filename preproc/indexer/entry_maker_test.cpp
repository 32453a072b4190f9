#include "preproc/indexer/entry_maker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "indexformat/index_format.h"

namespace preproc {
namespace {

// A tree of n words "Wnnnnnn" (inserted in descending order), word i in
// every (1 + i % 5)th article up to (i % 7) * 400, and the word "ZZ" in 2,501
// articles. Articles are added in ascending order, as a run adds them.
void Fill(WordTree& tree, int n) {
  std::vector<std::uint32_t> nodes;
  char word[16];
  for (int i = n - 1; i >= 0; --i) {
    std::snprintf(word, sizeof word, "W%06d", i);
    nodes.push_back(tree.InsertWord(word));
  }
  const std::uint32_t zz = tree.InsertWord("ZZ");
  for (int a = 0; a < 2501; ++a) {
    for (int k = 0; k < n; ++k) {
      const int i = n - 1 - k;
      if (a <= (i % 7) * 400 && a % (1 + i % 5) == 0) tree.AddArticle(nodes[k], a);
    }
    tree.AddArticle(zz, a);
  }
}

// Every node's entry comes in word order, as the one entry writer of the
// format builds it, across many chunks; a word in more articles than an entry
// holds keeps the first 2,500 and says it was cut.
TEST(EntryMaker, EntriesInWordOrderAsTheFormatWritesThem) {
  WordTree tree;
  const int n = 3000;  // about 3 MiB of entries: many chunks, the maker waits for room
  Fill(tree, n);
  tree.FinishArticleLists();
  std::vector<std::string> expected;
  for (std::uint32_t node : tree.SortedNodes()) {
    std::vector<int> numbers;
    for (std::uint32_t a : tree.articles(node)) numbers.push_back(static_cast<int>(a) + 1);
    if (numbers.size() > 2500) numbers.resize(2500);
    std::string entry;
    indexformat::AppendEntry(tree.word(node), numbers.data(), numbers.size(), &entry);
    expected.push_back(entry);
  }
  EntryMaker maker(tree);
  EntryMaker::Entry entry;
  std::size_t i = 0;
  for (; maker.Next(&entry); ++i) {
    ASSERT_LT(i, expected.size());
    ASSERT_EQ(entry.bytes, expected[i]) << "entry " << i;
    const bool zz = i + 1 == expected.size();
    EXPECT_EQ(entry.cut, zz);
    EXPECT_EQ(entry.count, zz ? 2500 : static_cast<long>((expected[i].size() - 1 - 7 - 4) / 4));
  }
  EXPECT_EQ(i, expected.size());
  EXPECT_FALSE(maker.Next(&entry));  // and stays at the end
}

// An empty tree has no entries; a consumer that stops early ends the maker
// though it waits for room with every chunk full.
TEST(EntryMaker, EmptyTreeAndEarlyStop) {
  WordTree empty;
  empty.FinishArticleLists();
  EntryMaker none(empty);
  EntryMaker::Entry entry;
  EXPECT_FALSE(none.Next(&entry));

  WordTree tree;
  Fill(tree, 3000);
  tree.FinishArticleLists();
  for (int taken = 0; taken < 3; ++taken) {
    EntryMaker maker(tree);
    for (int i = 0; i < taken; ++i) ASSERT_TRUE(maker.Next(&entry));
  }  // destroyed here: joins
}

}  // namespace
}  // namespace preproc
