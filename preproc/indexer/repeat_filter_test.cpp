#include "preproc/indexer/repeat_filter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace preproc {
namespace {

// A word as the reader hands it to the filter: zero-padded to whole chunks.
struct Padded {
  explicit Padded(const std::string& word) : length(static_cast<std::uint32_t>(word.size())) {
    std::memcpy(bytes, word.data(), word.size());
  }
  char bytes[264] = {};
  std::uint32_t length;
};

bool IsRepeat(RepeatFilter& filter, const std::string& word) {
  Padded padded(word);
  return filter.IsRepeat(padded.bytes, padded.length);
}

// A word is a repeat only after the same article gave it; words that share
// their first bytes, or differ only in length, stay apart.
TEST(RepeatFilter, OnlyTheSameWordOfTheSameArticleRepeats) {
  RepeatFilter filter;
  for (const char* word : {"THE", "CAT", "A", "ABCDEFG"}) {
    EXPECT_FALSE(IsRepeat(filter, word)) << word;
    EXPECT_TRUE(IsRepeat(filter, word)) << word;
  }
  EXPECT_FALSE(IsRepeat(filter, "TH"));
  EXPECT_FALSE(IsRepeat(filter, "ABCDEF"));
  filter.NextArticle();
  EXPECT_FALSE(IsRepeat(filter, "THE"));
  EXPECT_FALSE(IsRepeat(filter, "ABCDEFG"));
}

// Words of 8 bytes and more are never taken for repeats, also those whose
// first 8 bytes a short word's slot would hold.
TEST(RepeatFilter, LongWordsAlwaysPass) {
  RepeatFilter filter;
  for (const std::string& word :
       {std::string("ABCDEFGH"), std::string("ABCDEFGHI"), std::string(255, 'Q')}) {
    EXPECT_FALSE(IsRepeat(filter, word)) << word;
    EXPECT_FALSE(IsRepeat(filter, word)) << word;
  }
}

// The article stamp is one byte: after 255 articles it goes round, and a
// word remembered that long ago still belongs to another article.
TEST(RepeatFilter, ForgetsWhenTheStampsGoRound) {
  RepeatFilter filter;
  EXPECT_FALSE(IsRepeat(filter, "THE"));
  EXPECT_FALSE(IsRepeat(filter, "ABCDEFG"));
  for (int article = 1; article <= 600; ++article) {
    filter.NextArticle();
    if (article % 255 == 0) {
      EXPECT_FALSE(IsRepeat(filter, "THE")) << article;
      EXPECT_FALSE(IsRepeat(filter, "ABCDEFG")) << article;
    }
  }
  // Many words of one article: some evict others, none is a repeat at first.
  filter.NextArticle();
  char word[16];
  for (int i = 0; i < 20000; ++i) {
    std::snprintf(word, sizeof word, "W%d", i);
    EXPECT_FALSE(IsRepeat(filter, word)) << word;
  }
}

}  // namespace
}  // namespace preproc
