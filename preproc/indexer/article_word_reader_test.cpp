#include "preproc/indexer/article_word_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"
#include "preproc/indexer/word_tree.h"

namespace preproc {
namespace {

class ArticleWordReaderTest : public ::testing::Test {
 protected:
  ArticleWordReaderTest() {
    for (int c = 0; c < 256; ++c) {
      upper_[c] = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
  }

  // Every word the reader gives of its next article, and the article's
  // tally; false when it was unreadable.
  bool Article(ArticleWordReader& reader, std::vector<std::string>* words,
               std::uint64_t* entered = nullptr) {
    words->clear();
    WordRecord batch[5];
    int count = 0;
    for (;;) {
      switch (reader.NextWords(batch, 5, &count)) {
        case ArticleWordReader::Next::kWords:
          EXPECT_GT(count, 0);
          for (int i = 0; i < count; ++i) {
            const WordRecord& w = batch[i];
            words->emplace_back(w.padded, w.length);
            EXPECT_EQ(w.hash, WordTree::HashPaddedWord(w.padded, w.length));
            for (std::uint32_t k = w.length; k % 8 != 0; ++k) EXPECT_EQ(w.padded[k], '\0');
          }
          break;
        case ArticleWordReader::Next::kArticleEnd:
          if (entered != nullptr) *entered = reader.EnteredWords();
          return true;
        case ArticleWordReader::Next::kUnreadable:
          return false;
      }
    }
  }

  platform::testing::TempDir dir_;
  Delimiters delimiters_{","};
  platform::UpperCaseTable upper_{};
};

using V = std::vector<std::string>;

// The distinct words given, sorted: a repeat may or may not be given again.
V Distinct(V words) {
  std::sort(words.begin(), words.end());
  words.erase(std::unique(words.begin(), words.end()), words.end());
  return words;
}

// Articles come in listing order, each with its own words, folded, and the
// letter entries of its initials, also when an article's words fill several
// chunks and when an article has none; a word of more than 255 bytes keeps
// its first 255. The tally counts every word and letter entry, repeats
// included.
TEST_F(ArticleWordReaderTest, ArticlesInOrderAcrossChunks) {
  std::string big;
  V big_words;
  for (int i = 0; i < 30000; ++i) {
    const std::string number = std::to_string(i);
    big.append("w").append(number).append(i % 3 == 0 ? "," : " ");
    big_words.push_back(std::string("W").append(number));
  }
  const std::string long_word(300, 'x');
  const std::vector<std::string> paths = {dir_.Write("a.txt", "The cat,the hat"),
                                          dir_.Write("empty.txt", ""), dir_.Write("big.txt", big),
                                          dir_.Write("b.txt", " dog\n" + long_word + " end")};
  ArticleWordReader reader(paths, delimiters_, false, upper_);
  V words;
  std::uint64_t entered = 0;
  ASSERT_TRUE(Article(reader, &words, &entered));
  EXPECT_EQ(Distinct(words), (V{"C", "CAT", "H", "HAT", "T", "THE"}));
  EXPECT_EQ(entered, 7u);
  ASSERT_TRUE(Article(reader, &words, &entered));
  EXPECT_EQ(words, V{});
  EXPECT_EQ(entered, 0u);
  ASSERT_TRUE(Article(reader, &words, &entered));
  big_words.insert(big_words.begin() + 1, "W");  // the letter entry, after the first W word
  EXPECT_EQ(words, big_words);
  EXPECT_EQ(entered, 30001u);
  ASSERT_TRUE(Article(reader, &words, &entered));
  EXPECT_EQ(words, (V{"DOG", "D", std::string(255, 'X'), "X", "END", "E"}));
  EXPECT_EQ(entered, 6u);
  // Past the last article: an answer, not a wait.
  EXPECT_FALSE(Article(reader, &words));
}

// HTML articles lose their tags, as the index run reads them.
TEST_F(ArticleWordReaderTest, HtmlArticles) {
  const std::vector<std::string> paths = {dir_.Write("p.html", "<p>Cat</p>,<b>dog</b> a < b")};
  ArticleWordReader reader(paths, delimiters_, true, upper_);
  V words;
  ASSERT_TRUE(Article(reader, &words));
  // A and B are their own letter entries.
  EXPECT_EQ(words, (V{"CAT", "C", "DOG", "D", "A", "<", "B"}));
}

// The articles before an unreadable one give all their words; then the
// reader says so, and goes on saying so.
TEST_F(ArticleWordReaderTest, StopsAtAnUnreadableArticle) {
  const std::vector<std::string> paths = {dir_.Write("a.txt", "one two"), dir_.Join("missing.txt"),
                                          dir_.Write("c.txt", "three")};
  ArticleWordReader reader(paths, delimiters_, false, upper_);
  V words;
  ASSERT_TRUE(Article(reader, &words));
  EXPECT_EQ(words, (V{"ONE", "O", "TWO", "T"}));
  EXPECT_FALSE(Article(reader, &words));
  EXPECT_EQ(words, V{});
  EXPECT_FALSE(Article(reader, &words));
}

// A run that ends early (its consumer stops after one article) ends the
// reader too, though it waits for room with every chunk full.
TEST_F(ArticleWordReaderTest, EndsWhenItsConsumerStopsEarly) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text.append("word").append(std::to_string(i)).append(" ");
  std::vector<std::string> paths;
  for (int i = 0; i < 20; ++i) {
    paths.push_back(dir_.Write(std::string("a").append(std::to_string(i)).append(".txt"), text));
  }
  for (int read = 0; read < 3; ++read) {
    ArticleWordReader reader(paths, delimiters_, false, upper_);
    V words;
    for (int i = 0; i < read; ++i) ASSERT_TRUE(Article(reader, &words));
  }  // destroyed here: joins
}

}  // namespace
}  // namespace preproc
