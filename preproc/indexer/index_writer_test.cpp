#include "preproc/indexer/index_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "indexformat/index_format.h"
#include "platform/file_system.h"
#include "platform/testing/temp_dir.h"
#include "preproc/indexer/testing/recording_services.h"

namespace preproc {
namespace {

using platform::testing::TempDir;
namespace fs = std::filesystem;

// Every file below root, by its relative name, with its bytes.
std::map<std::string, std::string> Files(const std::string& root) {
  std::map<std::string, std::string> files;
  if (!fs::exists(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::string bytes;
    platform::ReadWholeFile(entry.path().string(), &bytes);
    files[fs::relative(entry.path(), root).generic_string()] = bytes;
  }
  return files;
}

// A set of one letter file, a two-letter file of many chunks written in
// several writes (some 270 KB), a few small ones and extras words before and
// after the letters.
class StagedWritesTest : public ::testing::Test {
 protected:
  StagedWritesTest() : services_(dir_.Join("kpxsindx.log")) {}

  // Writes the set into write (relative to the test directory), comparing
  // with the live set in live.
  void Write(const std::string& write, const std::string& live, bool more_yaks = false) {
    fs::create_directories(dir_.Join(write));
    fs::create_directories(dir_.Join(live));
    WordTree tree;
    std::vector<std::uint32_t> nodes;
    for (int i = 0; i < 3000; ++i) {
      char word[16];
      std::snprintf(word, sizeof word, "CA%05d", i);
      nodes.push_back(tree.InsertWord(word));
    }
    for (const char* word : {"1997", "A", "DOG", "YAK", "ZEBRA", "\xC4PFEL"}) {
      nodes.push_back(tree.InsertWord(word));
    }
    const std::size_t yak = 3003;
    for (std::uint32_t article = 0; article < 60; ++article) {
      for (std::size_t k = 0; k < nodes.size(); ++k) {
        if (k < 3000 && (k + article) % 3 != 0) continue;
        if (k == yak && article % 2 == 1 && !more_yaks) continue;
        tree.AddArticle(nodes[k], article);
      }
    }
    tree.FinishArticleLists();
    writer_ = std::make_unique<IndexWriter>(dir_.Join(write) + platform::kSeparator,
                                            dir_.Join(live) + platform::kSeparator, services_);
    writer_->WriteWordTree(tree);
  }
  // The staged letter files, by name.
  std::vector<std::string> StagedLetterFiles() const {
    std::vector<std::string> names;
    for (int slot = 0; slot < indexformat::kLetterFileCount; ++slot) {
      if (writer_->staged().Has(slot)) names.push_back(indexformat::LetterFileName(slot, '/'));
    }
    return names;
  }
  void SetUp() override {
    Write("live", "live");  // nothing there yet: every file is staged into it
    ASSERT_TRUE(writer_->status().ok());
    live_ = Files(dir_.Join("live"));
    ASSERT_EQ(live_.size(), 6u);
    ASSERT_GT(live_["C/CA"].size(), 200'000u);
  }

  TempDir dir_;
  testing::RecordingServices services_;
  std::unique_ptr<IndexWriter> writer_;
  std::map<std::string, std::string> live_;
};

TEST_F(StagedWritesTest, AnUnchangedSetStagesNothing) {
  Write("stage", "live");
  EXPECT_TRUE(writer_->status().ok());
  EXPECT_TRUE(Files(dir_.Join("stage")).empty());
  EXPECT_TRUE(fs::is_empty(dir_.Join("stage")));  // no letter directory either
  EXPECT_TRUE(StagedLetterFiles().empty());
  EXPECT_FALSE(writer_->extras_staged());
  EXPECT_EQ(writer_->written().size(), 5);
  EXPECT_EQ(Files(dir_.Join("live")), live_);
}

// A staged file holds the whole file however far its live one agreed: the
// equal bytes are copied from the live file.
TEST_F(StagedWritesTest, AFileThatDiffersAnywhereIsStagedWhole) {
  const std::string whole = live_["C/CA"];
  const std::string cases[] = {
      whole.substr(0, 200'001) + "?" + whole.substr(200'002),  // a byte in a later write
      whole + "tail",                                          // longer
      whole.substr(0, whole.size() - 1),                       // shorter
      "",                                                      // empty
  };
  for (const std::string& live : cases) {
    fs::remove_all(dir_.Join("stage"));
    std::FILE* file = std::fopen(dir_.Join("live/C/CA").c_str(), "wb");
    std::fwrite(live.data(), 1, live.size(), file);
    std::fclose(file);
    Write("stage", "live");
    EXPECT_TRUE(writer_->status().ok());
    const auto staged = Files(dir_.Join("stage"));
    ASSERT_EQ(staged.size(), 1u) << live.size();
    EXPECT_EQ(staged.begin()->first, "C/CA");
    EXPECT_TRUE(staged.begin()->second == whole) << live.size();
    EXPECT_EQ(StagedLetterFiles(), std::vector<std::string>{"C/CA"});
  }
}

// The extras file is compared across its two runs of groups, and checked for
// a longer live file only at the end of the walk.
TEST_F(StagedWritesTest, TheExtrasFileIsComparedAcrossItsGroups) {
  const std::string extras = live_[indexformat::kExtrasFileName];
  std::string first_differs = extras;  // built in place: gcc's -Wrestrict misreads "z" + ...
  first_differs[0] = 'z';
  for (const std::string& live :
       {extras + "x", extras.substr(0, extras.size() - 1), first_differs}) {
    fs::remove_all(dir_.Join("stage"));
    std::FILE* file = std::fopen(dir_.Join("live/extras").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(live.data(), 1, live.size(), file);
    std::fclose(file);
    Write("stage", "live");
    EXPECT_TRUE(writer_->extras_staged());
    EXPECT_TRUE(StagedLetterFiles().empty());
    const auto staged = Files(dir_.Join("stage"));
    ASSERT_EQ(staged.size(), 1u);
    EXPECT_TRUE(staged.begin()->second == extras);
  }
}

// Only the file whose words changed is staged; a live file that cannot be
// read counts as changed.
TEST_F(StagedWritesTest, OnlyChangedOrUnreadableFilesAreStaged) {
  Write("stage", "live", true);
  EXPECT_EQ(StagedLetterFiles(), std::vector<std::string>{"Y/YA"});
  EXPECT_EQ(Files(dir_.Join("stage")).size(), 1u);

  fs::remove_all(dir_.Join("stage"));
  fs::remove(dir_.Join("live/D/DO"));
  fs::create_directories(dir_.Join("live/D/DO"));  // no file to read
  Write("stage", "live");
  EXPECT_EQ(StagedLetterFiles(), std::vector<std::string>{"D/DO"});
  EXPECT_EQ(Files(dir_.Join("stage"))["D/DO"], live_["D/DO"]);
}

}  // namespace
}  // namespace preproc
