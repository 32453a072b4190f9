#include "preproc/form/search_controller.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/testing/temp_dir.h"
#include "preproc/form/form_ids.h"
#include "xtra/hostsim/testing/index_set.h"

namespace preproc {
namespace {

using hostsim::testing::WriteIndexSet;
using platform::testing::TempDir;

// A search window without a toolkit: fields are strings, and what the
// controller shows is kept.
class FakeSearchWindow : public SearchWindow {
 public:
  std::map<int, std::string> fields;
  bool or_chosen = false;
  bool whole_words = false;
  std::string result;
  std::vector<std::string> rows;
  std::vector<ShownLine> lines;
  int results_shown = 0;

  std::string FieldText(int id) const override {
    auto field = fields.find(id);
    return field == fields.end() ? std::string() : field->second;
  }
  bool IsOrChosen() const override { return or_chosen; }
  bool IsWholeWordsChecked() const override { return whole_words; }
  void ShowResult(const std::string& text) override {
    result = text;
    ++results_shown;
  }
  void ShowArticles(const std::vector<std::string>& shown) override { rows = shown; }
  void ShowLines(const std::vector<ShownLine>& shown) override { lines = shown; }
};

class SearchControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteIndexSet(dir_, {{"intro.txt", "The harbour at night\n"},
                         {"places/pier.txt", "The old pier\nand the harbour lights\nby the pier\n"},
                         {"ships.txt", "A catalogue of ships\n"},
                         {"dog.txt", "the dog and the cat\n"}});
    controller_.SetPaths(dir_.Join("index"), dir_.Join("articles"));
  }
  // Searches for phrase (and second, when given) and returns the result line.
  std::string Search(const std::string& phrase, const std::string& second = "") {
    window_.fields[kIdSearchPhrase] = phrase;
    window_.fields[kIdSearchSecondPhrase] = second;
    controller_.OnSearch();
    return window_.result;
  }

  TempDir dir_;
  FakeSearchWindow window_;
  SearchController controller_{window_, KPX_PLUGIN_PATH};
};

using Rows = std::vector<std::string>;

// --- phrases, modes, ranges ---

TEST_F(SearchControllerTest, OnePhraseGivesTheCountAndTheListedNamesInOrder) {
  EXPECT_EQ(Search("harbour"), "2 articles");
  EXPECT_EQ(window_.rows, (Rows{"1  intro.txt", "2  places/pier.txt"}));
  EXPECT_TRUE(window_.lines.empty());
  EXPECT_EQ(Search("  night \t"), "1 article");  // blanks around a phrase are not part of it
  EXPECT_EQ(window_.rows, (Rows{"1  intro.txt"}));
  EXPECT_EQ(controller_.matches(), (std::vector<std::int32_t>{1}));
  EXPECT_EQ(Search("old pier"), "1 article");
  EXPECT_EQ(Search("pier old"), "No article holds \"pier old\".");
  EXPECT_TRUE(window_.rows.empty());
}

TEST_F(SearchControllerTest, WholeWordsAndTheSecondPhraseWithAndOrOr) {
  EXPECT_EQ(Search("cat"), "2 articles");  // "catalogue" begins with it
  window_.whole_words = true;
  EXPECT_EQ(Search("cat"), "1 article");
  EXPECT_EQ(window_.rows, (Rows{"4  dog.txt"}));
  EXPECT_EQ(Search("cata"), "No article holds \"cata\" as whole words.");
  window_.whole_words = false;

  EXPECT_EQ(Search("harbour", "pier"), "1 article");
  EXPECT_EQ(window_.rows, (Rows{"2  places/pier.txt"}));
  EXPECT_EQ(Search("harbour", "ships"), "No article holds \"harbour\" and \"ships\".");
  window_.or_chosen = true;
  EXPECT_EQ(Search("harbour", "dog"), "3 articles");
  EXPECT_EQ(window_.rows, (Rows{"1  intro.txt", "2  places/pier.txt", "4  dog.txt"}));
  EXPECT_EQ(Search("whale", "seal"), "No article holds \"whale\" or \"seal\".");
}

TEST_F(SearchControllerTest, TheRangeLimitsTheArticlesEitherEndMayBeLeftOut) {
  window_.fields[kIdSearchFrom] = "2";
  EXPECT_EQ(Search("the"), "2 articles");  // of 1, 2 and 4
  EXPECT_EQ(window_.rows, (Rows{"2  places/pier.txt", "4  dog.txt"}));
  window_.fields[kIdSearchFrom] = "";
  window_.fields[kIdSearchTo] = " 2 ";
  EXPECT_EQ(Search("the"), "2 articles");
  window_.fields[kIdSearchFrom] = "3";
  window_.fields[kIdSearchTo] = "4";
  EXPECT_EQ(Search("harbour"), "No article holds \"harbour\" among articles 3 to 4.");
}

TEST_F(SearchControllerTest, FieldsThatMakeNoSearchSayWhyAndClearTheList) {
  Search("harbour");
  ASSERT_EQ(window_.rows.size(), 2u);
  EXPECT_EQ(Search(" "), "Type a phrase to search for.");
  EXPECT_TRUE(window_.rows.empty());
  EXPECT_TRUE(controller_.matches().empty());
  EXPECT_EQ(Search("", "pier"), "Type the first phrase too, or search for the second alone.");
  EXPECT_EQ(Search(std::string(255, 'A')), "A phrase holds at most 254 characters.");
  EXPECT_EQ(Search(std::string(254, 'A')), "No article holds \"" + std::string(254, 'A') + "\".");
  const std::string bad_range = "The range's ends are article numbers from 1 to 9999 (or empty).";
  for (const char* end : {"x", "0", "-1", "10000", "2x"}) {
    window_.fields[kIdSearchFrom] = end;
    EXPECT_EQ(Search("harbour"), bad_range) << end;
  }
  window_.fields[kIdSearchFrom] = "3";
  window_.fields[kIdSearchTo] = "2";
  EXPECT_EQ(Search("harbour"), "The range's first article comes after its last.");
}

// --- the selected article's lines ---

TEST_F(SearchControllerTest, SelectingAnArticleShowsItsLinesWithEachOccurrence) {
  Search("pier");
  ASSERT_EQ(window_.rows, (Rows{"2  places/pier.txt"}));
  controller_.OnSelectArticle(0);
  const std::vector<ShownLine> expected = {
      {{"1: ", false}, {"The old ", false}, {"pier", true}},
      {{"3: ", false}, {"by the ", false}, {"pier", true}},
  };
  EXPECT_EQ(window_.lines, expected);
  EXPECT_EQ(window_.result, "1 article");

  window_.or_chosen = true;
  Search("harbour", "the");
  ASSERT_EQ(window_.rows.size(), 3u);
  controller_.OnSelectArticle(1);
  ASSERT_EQ(window_.lines.size(), 3u);
  // The match list gives the pairs phrase by phrase; the line shows them in
  // its own order.
  EXPECT_EQ(window_.lines[1], (ShownLine{{"2: ", false},
                                         {"and ", false},
                                         {"the", true},
                                         {" ", false},
                                         {"harbour", true},
                                         {" lights", false}}));
  // "CAT" lies within "CATALOGUE": one highlight.
  Search("catalogue", "cat");
  ASSERT_EQ(window_.rows, (Rows{"3  ships.txt", "4  dog.txt"}));
  controller_.OnSelectArticle(0);
  EXPECT_EQ(window_.lines,
            (std::vector<ShownLine>{
                {{"1: ", false}, {"A ", false}, {"catalogue", true}, {" of ships", false}}}));
  controller_.OnSelectArticle(-1);
  EXPECT_TRUE(window_.lines.empty());
  controller_.OnSelectArticle(3);  // no such row
  EXPECT_TRUE(window_.lines.empty());
}

TEST_F(SearchControllerTest, AnArticleWhoseCopyIsGoneSaysSoInTheLinesView) {
  Search("harbour");
  ASSERT_TRUE(platform::RemoveFile(dir_.Join("articles/a1/t0002")));
  controller_.OnSelectArticle(1);
  ASSERT_EQ(window_.lines.size(), 1u);
  EXPECT_EQ(window_.lines[0][0].text, "Article 2 has no readable copy in " + dir_.Join("articles") +
                                          ": copy the articles again.");
  EXPECT_EQ(window_.result, "2 articles");
}

// --- the paths and the plug-in ---

TEST_F(SearchControllerTest, PathsWithoutASetOrCopiesGiveAMessageAndNoSearch) {
  TempDir empty;
  controller_.SetPaths(empty.path(), dir_.Join("articles"));
  EXPECT_EQ(Search("harbour"),
            "No index set in " + empty.path() + ": generate the index files first.");
  controller_.SetPaths(empty.Join("nothing"), dir_.Join("articles"));
  EXPECT_EQ(Search("harbour"),
            "No index set in " + empty.Join("nothing") + ": generate the index files first.");
  controller_.SetPaths(dir_.Join("index"), empty.path());
  EXPECT_EQ(Search("harbour"),
            "No copied articles in " + empty.path() + ": copy the articles first.");
  controller_.SetPaths(dir_.Join("index"), dir_.Join("src/intro.txt"));
  EXPECT_EQ(Search("harbour"),
            "No copied articles in " + dir_.Join("src/intro.txt") + ": copy the articles first.");
  controller_.SetPaths("", dir_.Join("articles"));
  EXPECT_EQ(Search("harbour"),
            "The form's Index Path is empty: fill it in with the index files' path.");
  controller_.SetPaths(dir_.Join("index"), "");
  EXPECT_EQ(Search("harbour"),
            "The form's Copy Path is empty: fill it in with the copied articles' path.");
  EXPECT_TRUE(window_.rows.empty());
}

TEST_F(SearchControllerTest, ASetAndCopiesOfDifferentListingsAskForVerify) {
  TempDir three;
  WriteIndexSet(three, {{"a.txt", "harbour"}, {"b.txt", "pier"}, {"c.txt", "dog"}});
  const std::string tail =
      ": they come from different listings. Run both on one listing (tarvik verify shows what "
      "differs).";
  controller_.SetPaths(dir_.Join("index"), three.Join("articles"));
  EXPECT_EQ(Search("harbour"), "The index set in " + dir_.Join("index") +
                                   " lists 4 articles, but the copies in " +
                                   three.Join("articles") + " end before article 4" + tail);
  controller_.SetPaths(three.Join("index"), dir_.Join("articles"));
  EXPECT_EQ(Search("harbour"), "The index set in " + three.Join("index") +
                                   " lists 3 articles, but the copies in " + dir_.Join("articles") +
                                   " go on beyond it" + tail);
  EXPECT_TRUE(window_.rows.empty());
  controller_.SetPaths(three.Join("index"), three.Join("articles"));
  EXPECT_EQ(Search("harbour"), "1 article");
}

TEST(SearchControllerPlugin, APlugInThatCannotBeLoadedIsAMessageEverySearch) {
  TempDir dir;
  WriteIndexSet(dir, {{"a.txt", "harbour"}});
  FakeSearchWindow window;
  const std::string missing = dir.Join("KPXSearch.so");
  SearchController controller(window, missing);
  controller.SetPaths(dir.Join("index"), dir.Join("articles"));
  window.fields[kIdSearchPhrase] = "harbour";
  for (int attempt = 0; attempt < 2; ++attempt) {
    controller.OnSearch();
    EXPECT_EQ(window.result.rfind("The search plug-in " + missing + " cannot be loaded: ", 0), 0u)
        << window.result;
    EXPECT_TRUE(window.rows.empty());
  }
  // Not a library at all.
  dir.Write("KPXSearch.so", "not a library");
  controller.OnSearch();
  EXPECT_EQ(window.result.rfind("The search plug-in " + missing + " cannot be loaded: ", 0), 0u)
      << window.result;
}

// After a run: the window searches again only when it has searched before,
// and then on the new paths.
TEST_F(SearchControllerTest, ARebuiltSetIsSearchedAgainOnceTheWindowHasSearched) {
  TempDir other;
  WriteIndexSet(other, {{"a.txt", "harbour"}, {"b.txt", "harbour again"}, {"c.txt", "x"}});
  window_.fields[kIdSearchPhrase] = "harbour";
  controller_.OnSetRebuilt(other.Join("index"), other.Join("articles"));
  EXPECT_EQ(window_.results_shown, 0);
  EXPECT_EQ(controller_.index_path(), other.Join("index"));
  controller_.OnSearch();
  EXPECT_EQ(window_.result, "2 articles");
  controller_.OnSetRebuilt(dir_.Join("index"), dir_.Join("articles"));
  EXPECT_EQ(window_.results_shown, 2);
  EXPECT_EQ(window_.rows, (Rows{"1  intro.txt", "2  places/pier.txt"}));
}

}  // namespace
}  // namespace preproc
