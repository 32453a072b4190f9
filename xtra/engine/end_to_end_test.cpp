// Searches over sets written by the pre-processor's own runs: the index
// generation run and the article duplication run over one listing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "preproc/copier/copy_run.h"
#include "preproc/indexer/index_run.h"
#include "xtra/engine/engine_test_support.h"

namespace engine {
namespace {

using V = std::vector<int>;

class EndToEndTest : public testing::EngineTest {
 protected:
  EndToEndTest() {
    const char* articles[] = {
        "In New York today, the news.",                  // 1
        "The New Yorker reviews\r\nnew\r\nyork lines.",  // 2
        "Cats and a CATALOG of the city",                // 3
        "New York, 1997: renew york",                    // 4
    };
    std::string listing;
    for (int i = 0; i < 4; ++i) {
      std::string name = "art" + std::to_string(i + 1) + ".txt";
      dir_.Write("articles/" + name, articles[i]);
      listing += name + "\n";
      if (i == 1) listing += "| a skipped line\n";
    }
    dir_.Write("listing.txt", listing);
    preproc::RunSettings settings;
    settings.listing_file = dir_.Join("listing.txt");
    settings.article_path = dir_.Join("articles");
    settings.index_path = dir_.Join("index");
    settings.copy_path = dir_.Join("copies");
    preproc::RunServices services(dir_.Join("kpxsindx.log"));
    EXPECT_TRUE(preproc::GenerateIndexFiles(settings, services));
    EXPECT_TRUE(preproc::CopyArticles(settings, services));
  }
};

TEST_F(EndToEndTest, PhrasesFoundInSetsTheRunsWrote) {
  EXPECT_EQ(Search({"new york"}), (V{1, 2, 4}));
  EXPECT_EQ(Search({"cat"}), (V{3}));
  EXPECT_EQ(Search({"c"}), (V{3}));
  EXPECT_EQ(Search({"1997:"}), (V{4}));
  EXPECT_EQ(Search({"of the"}), (V{3}));
  KPXSearchWholeWord(s_, 1);
  EXPECT_EQ(Search({"new york"}), (V{1}));  // "York," and "Yorker" end differently
  EXPECT_EQ(Search({"york"}), (V{1, 2, 4}));
  EXPECT_EQ(Search({"new york,"}), (V{4}));
  KPXSearchAndOr(s_, 2);
  EXPECT_EQ(Search({"the news.", "cats"}), (V{1, 3}));
}

}  // namespace
}  // namespace engine
