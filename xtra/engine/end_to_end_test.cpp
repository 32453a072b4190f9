// Searches over sets written by the pre-processor's own runs: the index
// generation run and the article duplication run over one listing.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "indexformat/fold_record.h"
#include "preproc/copier/copy_run.h"
#include "preproc/indexer/index_run.h"
#include "xtra/engine/engine_test_support.h"
#include "xtra/hostsim/testing/index_set.h"

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

// Sets with accented words (Windows-1252): the reader types them in any case,
// and in a set that ignores accents with or without them.
class AccentsTest : public testing::EngineTest {
 protected:
  void MakeSets(bool ignore_accents) {
    const char* articles[] = {
        "Un caf\xE9 noir \xE0 Z\xFCrich.",              // 1: café noir à Zürich.
        "CAF\xC9 NOIR, ZURICH",                         // 2
        "le Caf\xE9 Noir de Z\xDCRICH et d'\xE9t\xE9",  // 3: le Café Noir de ZÜRICH et d'été
        "cafe noire zurichoise",                        // 4
    };
    std::vector<hostsim::testing::TestArticle> named;
    for (int i = 0; i < 4; ++i) {
      named.push_back({"art" + std::to_string(i + 1) + ".txt", articles[i]});
    }
    hostsim::testing::WriteIndexSet(dir_, named, ignore_accents, "copies");
  }

  // Every spelling gets the same answer: prefix in prefix mode, whole in
  // whole-word mode.
  void ExpectSame(std::initializer_list<std::initializer_list<const char*>> spellings,
                  const V& prefix, const V& whole) {
    for (int mode = 0; mode < 2; ++mode) {
      KPXSearchWholeWord(s_, mode);
      for (const auto& phrases : spellings) {
        EXPECT_EQ(Search(phrases), mode == 0 ? prefix : whole)
            << *phrases.begin() << (mode == 0 ? " (prefix)" : " (whole word)");
      }
    }
    KPXSearchWholeWord(s_, 0);
  }

  std::string List(std::string text) {
    std::string out(kMatchListCapacity, '\0');
    out.resize(KPXSearchCreateMatchesList(s_, text.data(), text.size(), out.data()));
    return out;
  }
};

TEST_F(AccentsTest, AccentedWordsAreFoundInAnyCase) {
  MakeSets(false);
  ExpectSame({{"caf\xE9"}, {"CAF\xC9"}, {"Caf\xE9"}, {"cAF\xC9"}}, V{1, 2, 3}, V{1, 2, 3});
  ExpectSame({{"z\xFCrich"}, {"Z\xDCRICH"}, {"Z\xFCrich"}}, V{1, 3}, V{3});  // 1: "Z\xFCrich."
  ExpectSame({{"caf\xE9 noir"}, {"CAF\xC9 NOIR"}, {"Caf\xE9 Noir"}}, V{1, 2, 3}, V{1, 3});
  ExpectSame({{"\xE9t\xE9"}, {"\xC9T\xC9"}, {"\xC9t\xE9"}}, V{}, V{});  // d'été is one word
  ExpectSame({{"zurich"}, {"ZURICH"}}, V{2, 4}, V{2});                  // accents still count here
  KPXSearchAndOr(s_, 1);
  ExpectSame({{"caf\xE9 noir", "z\xFCrich"}, {"CAF\xC9 NOIR", "Z\xDCRICH"}}, V{1, 3}, V{3});
  KPXSearchAndOr(s_, 2);
  ExpectSame({{"z\xFCrich", "zurich"}, {"Z\xDCRICH", "ZURICH"}}, V{1, 2, 3, 4}, V{2, 3});
  // The match list folds the text the same way, and counts its bytes.
  KPXSearchAndOr(s_, 0);
  Search({"z\xFCrich"});
  EXPECT_EQ(List("Z\xFCrich, z\xFCrich, Z\xDCRICH or zurich"),
            "set t123Match = [1,6,9,14,17,22]\r");
}

TEST_F(AccentsTest, ASetThatIgnoresAccentsFindsWordsWithOrWithoutThem) {
  MakeSets(true);
  ExpectSame({{"zurich"}, {"Zurich"}, {"z\xFCrich"}, {"Z\xDCRICH"}}, V{1, 2, 3, 4}, V{2, 3});
  ExpectSame({{"cafe noir"}, {"caf\xE9 noir"}, {"CAF\xC9 NOIR"}, {"Cafe Noir"}}, V{1, 2, 3, 4},
             V{1, 3});
  ExpectSame({{"d'ete"}, {"D'\xC9T\xC9"}, {"d'\xE9t\xE9"}}, V{3}, V{3});
  // Positions are those of the unaccented text: one byte for one byte.
  Search({"z\xFCrich"});
  const std::string plain = List("Zurich zurich ZURICH");
  EXPECT_EQ(plain, "set t123Match = [1,6,8,13,15,20]\r");
  EXPECT_EQ(List("Z\xFCrich z\xFCrich Z\xDCRICH"), plain);
  // A phrase added in one spelling is deleted in another.
  EXPECT_EQ(KPXSearchDeleteWordPhrase(s_, "zurich"), 0);
}

// A set without the record (written before it existed) is folded with the
// platform's default; so is one whose record is damaged or unknown, which
// never stops a search.
TEST_F(AccentsTest, WithoutASoundRecordTheDefaultFoldApplies) {
  MakeSets(false);
  const std::string record = dir_.Read("index/fold");
  const V accented = Search({"caf\xE9 noir"});
  std::filesystem::remove(dir_.Join("index/fold"));
  EXPECT_EQ(Search({"caf\xE9 noir"}), accented);
  EXPECT_EQ(std::memcmp(s_.foldTable, platform::kCp1252UpperCase.data(), 256), 0);

  MakeSets(true);  // words without accents; each damaged record gives the default
  for (std::string damaged :
       {record.substr(0, 20), std::string("KPXFOLD 2\n") + record.substr(10), std::string(),
        indexformat::EncodeFoldRecord("ascii", platform::kCp1252AccentFree),
        std::string(20000, 'K')}) {
    dir_.Write("index/fold", damaged);
    EXPECT_EQ(Search({"z\xFCrich"}), (V{}));  // ZÜRICH is not in the set
    EXPECT_EQ(Search({"zurich"}), (V{1, 2, 3, 4}));
    EXPECT_EQ(std::memcmp(s_.foldTable, platform::kCp1252UpperCase.data(), 256), 0);
  }
  std::filesystem::remove(dir_.Join("index/fold"));
  std::filesystem::create_directories(dir_.Join("index/fold"));
  EXPECT_EQ(Search({"zurich"}), (V{1, 2, 3, 4}));
}

// The fold of one search is kept for the next while the record stays the same
// file: a record written anew between two searches, even with its size and
// modification time as before, or a set rebuilt in its place, is read again.
TEST_F(AccentsTest, ARecordWrittenBetweenSearchesIsReadAgain) {
  MakeSets(false);
  EXPECT_EQ(Search({"zurich"}), (V{2, 4}));
  EXPECT_EQ(Search({"zurich"}), (V{2, 4}));
  const std::string path = dir_.Join("index/fold");
  const auto written = std::filesystem::last_write_time(path);
  // Another fold whose record has the same size: u with diaeresis folds to U.
  platform::UpperCaseTable other = platform::kCp1252UpperCase;
  other[0xFC] = 'U';
  const std::string record = indexformat::EncodeFoldRecord("ansi-1", other);
  ASSERT_EQ(record.size(), dir_.Read("index/fold").size());
  dir_.Write("index/fold", record);
  std::filesystem::last_write_time(path, written);
  EXPECT_EQ(Search({"z\xFCrich"}), (V{2, 4}));
  EXPECT_EQ(s_.foldTable[0xFC], 'U');

  MakeSets(true);
  EXPECT_EQ(Search({"z\xFCrich"}), (V{1, 2, 3, 4}));
  MakeSets(false);
  EXPECT_EQ(Search({"z\xFCrich"}), (V{1, 3}));
  std::filesystem::remove(path);
  Search({"zurich"});
  EXPECT_EQ(std::memcmp(s_.foldTable, platform::kCp1252UpperCase.data(), 256), 0);
}

}  // namespace
}  // namespace engine
