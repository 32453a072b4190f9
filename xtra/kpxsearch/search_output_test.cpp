#include "xtra/kpxsearch/search_output.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kpxsearch {
namespace {

SearchOutcome OneLine(std::string text, std::vector<Occurrence> occurrences) {
  SearchOutcome outcome;
  outcome.count = 1;
  outcome.matches = {7};
  ArticleLines article;
  article.article = 7;
  article.lines.push_back({12, std::move(text), std::move(occurrences)});
  outcome.articles.push_back(article);
  return outcome;
}

TEST(SearchOutput, HighlightsMergedOccurrences) {
  // Two phrases that overlap ("NEW YORK" and "YORK CITY") show as one run.
  SearchOutcome outcome = OneLine("in new york city now", {{4, 11}, {8, 16}, {50, 60}});
  std::ostringstream coloured;
  WriteMatchedLines(coloured, outcome, {{7, "places\\ny.txt"}}, TextEncoding::kCp1252, true);
  EXPECT_EQ(coloured.str(),
            "\033[35marticle 7: places\\ny.txt\033[0m\n"
            "\033[32m12\033[0m:in \033[1;31mnew york city\033[0m now\n");
  std::ostringstream plain;
  WriteMatchedLines(plain, outcome, {}, TextEncoding::kCp1252, false);
  EXPECT_EQ(plain.str(), "article 7\n12:in new york city now\n");
}

TEST(SearchOutput, HighlightsOneCharacterOccurrences) {
  SearchOutcome outcome = OneLine("a cat", {{1, 1}, {4, 4}});
  std::ostringstream coloured;
  WriteMatchedLines(coloured, outcome, {}, TextEncoding::kCp1252, true);
  EXPECT_EQ(coloured.str(),
            "\033[35marticle 7\033[0m\n"
            "\033[32m12\033[0m:\033[1;31ma\033[0m c\033[1;31ma\033[0mt\n");
}

TEST(SearchOutput, JsonIsValidUtf8WithCharacterColumns) {
  SearchOutcome outcome = OneLine("\"\xE9t\xE9\"\t\x80 cat", {{7, 9}});
  std::ostringstream cp1252;
  WriteJson(cp1252, outcome, {}, TextEncoding::kCp1252, {"cp1252-accent-free", true});
  EXPECT_EQ(cp1252.str(),
            "{\"count\": 1, \"fold\": {\"name\": \"cp1252-accent-free\", \"recorded\": true}, "
            "\"articles\": [{\"article\": 7, \"name\": null, \"lines\": "
            "[{\"line\": 12, \"text\": \"\\\"\xC3\xA9t\xC3\xA9\\\"\\t\xE2\x82\xAC cat\", "
            "\"occurrences\": [[7, 9]]}]}]}\n");
  // In UTF-8 "\xC3\xA9" is one character; a stray byte becomes U+FFFD.
  outcome = OneLine("\xC3\xA9 \xFF cat", {{6, 8}});
  std::ostringstream utf8;
  WriteJson(utf8, outcome, {{7, "x"}}, TextEncoding::kUtf8, {"ascii", false});
  EXPECT_NE(utf8.str().find("\"text\": \"\xC3\xA9 \xEF\xBF\xBD cat\", \"occurrences\": [[5, 7]]"),
            std::string::npos)
      << utf8.str();
}

TEST(SearchOutput, ListWithAndWithoutNames) {
  SearchOutcome outcome;
  outcome.count = 2;
  outcome.matches = {3, 9};
  std::ostringstream out;
  ArticleNames names = {{3, "a.txt"}};
  WriteArticleList(out, outcome, &names);
  EXPECT_EQ(out.str(), "2\n3\ta.txt\n9\t\n");
}

TEST(MatchList, ParsesTheStatement) {
  std::vector<Occurrence> occurrences;
  ASSERT_TRUE(ParseMatchList("set t123Match = [5,7,20,22]\r", &occurrences));
  ASSERT_EQ(occurrences.size(), 2u);
  EXPECT_EQ(occurrences[1].first, 20);
  EXPECT_EQ(occurrences[1].last, 22);
  EXPECT_TRUE(ParseMatchList("set t123Match = []\r", &occurrences));
  EXPECT_TRUE(occurrences.empty());
  EXPECT_FALSE(ParseMatchList("set t123Match = [5]\r", &occurrences));
  EXPECT_FALSE(ParseMatchList("set t123Match = [5,7]", &occurrences));
  EXPECT_FALSE(ParseMatchList("-1", &occurrences));
}

}  // namespace
}  // namespace kpxsearch
