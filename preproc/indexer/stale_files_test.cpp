#include "preproc/indexer/stale_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "indexformat/index_format.h"

namespace preproc {
namespace {

std::string Entry(const std::string& word, std::vector<int> articles) {
  std::string bytes;
  indexformat::AppendEntry(word, articles.data(), articles.size(), &bytes);
  return bytes;
}

TEST(ReadsAsIndexFile, WellFormedFilesOfTheirName) {
  EXPECT_TRUE(ReadsAsIndexFile(Entry("C", {1, 2}), 'C', 0));
  EXPECT_TRUE(
      ReadsAsIndexFile(Entry("CA", {1}) + Entry("CAT", {1, 9999}) + Entry("CAZ", {3}), 'C', 'A'));
  EXPECT_TRUE(ReadsAsIndexFile(Entry("CA\xC9", {5}), 'C', 'A'));  // a high byte after the letters
}

TEST(ReadsAsIndexFile, AnythingElseIsForeign) {
  const std::string cat = Entry("CAT", {1, 2});
  const struct {
    std::string bytes;
    const char* why;
  } cases[] = {
      {"", "empty"},
      {"my precious notes", "text"},
      {cat.substr(0, cat.size() - 1), "cut off in its article numbers"},
      {cat + "\x03", "cut off after a good entry"},
      {Entry("CAT", {1}) + Entry("CAT", {2}), "a word twice"},
      {Entry("CAT", {1}) + Entry("CAR", {2}), "descending"},
      {Entry("DOG", {1}), "a word of another file"},
      {Entry("C", {1}), "a one-letter word in a two-letter file"},
      {Entry("CAT", {2, 2}), "article numbers not ascending"},
      {Entry("CAT", {0}), "article number 0"},
      {Entry("CAT", {}), "count 0"},
      {std::string("\x03") + "CAT" + "0001" + "00x1", "an article number not in digits"},
  };
  for (const auto& c : cases) EXPECT_FALSE(ReadsAsIndexFile(c.bytes, 'C', 'A')) << c.why;
  EXPECT_FALSE(ReadsAsIndexFile(Entry("C", {1}) + Entry("C", {2}), 'C', 0)) << "two entries";
  EXPECT_FALSE(ReadsAsIndexFile(Entry("D", {1}), 'C', 0)) << "another letter";
  EXPECT_FALSE(ReadsAsIndexFile(Entry("CA", {1}), 'C', 0)) << "a two-letter word";
}

}  // namespace
}  // namespace preproc
