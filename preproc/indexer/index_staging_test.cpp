#include "preproc/indexer/index_staging.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/testing/temp_dir.h"

namespace preproc {
namespace {

using platform::testing::TempDir;

class IndexStagingTest : public ::testing::Test {
 protected:
  std::string Staged(const std::string& name) {
    return std::string("index/") + kStagingName + "/" + name;
  }
  TempDir dir_;
  IndexStaging staging_{dir_.Join("index/")};
};

TEST_F(IndexStagingTest, BeginRemovesWhatAnEarlierRunStagedAndStartsAfresh) {
  for (const char* name : {"log", "fold", "extras", "C/C", "C/CA"}) {
    dir_.Write(Staged(name), "half");
  }
  ASSERT_TRUE(staging_.Begin());
  EXPECT_TRUE(std::filesystem::is_empty(dir_.Join(Staged(""))));
  staging_.Discard();
  EXPECT_FALSE(dir_.Exists(Staged("")));
  EXPECT_TRUE(dir_.Exists("index"));
}

TEST_F(IndexStagingTest, OnlyItsOwnNamesAreRemoved) {
  dir_.Write(Staged("C/CA"), "staged");
  dir_.Write(Staged("notes.txt"), "the author's");
  dir_.Write(Staged("C/notes"), "the author's too");
  EXPECT_FALSE(staging_.Begin());
  EXPECT_FALSE(dir_.Exists(Staged("C/CA")));
  EXPECT_EQ(dir_.Read(Staged("notes.txt")), "the author's");
  EXPECT_EQ(dir_.Read(Staged("C/notes")), "the author's too");

  TempDir other;
  IndexStaging file_in_the_way(other.Join("index/"));
  other.Write(std::string("index/") + kStagingName, "a file of that name");
  EXPECT_FALSE(file_in_the_way.Begin());
  EXPECT_EQ(other.Read(std::string("index/") + kStagingName), "a file of that name");
}

#ifndef _WIN32
TEST_F(IndexStagingTest, ALinkOfTheStagingNameIsNotFollowed) {
  dir_.Write("elsewhere/log", "not staged");
  std::filesystem::create_directories(dir_.Join("index"));
  const std::string link = dir_.Join(std::string("index/") + kStagingName);
  ASSERT_EQ(symlink(dir_.Join("elsewhere").c_str(), link.c_str()), 0);
  EXPECT_FALSE(staging_.Begin());
  EXPECT_EQ(dir_.Read("elsewhere/log"), "not staged");
}
#endif

TEST_F(IndexStagingTest, ReplaceRenamesOverTheLiveNamesAndMakesLetterDirectories) {
  dir_.Write("index/log", "old log");
  ASSERT_TRUE(staging_.Begin());
  // The run names letter files with the platform's separator, as here.
  const std::vector<std::string> files = {std::string("C") + platform::kSeparator + "CA", "extras",
                                          "log"};
  for (const std::string& file : files) dir_.Write(Staged(file), "new " + file);
  dir_.Write("index/D", "a file where a letter directory would go");
  EXPECT_TRUE(staging_.Obstacles(files).empty());
  const std::string dodo = std::string("D") + platform::kSeparator + "DO";
  EXPECT_EQ(staging_.Obstacles({dodo}), std::vector<std::string>{dodo});
  EXPECT_TRUE(staging_.Replace(files).empty());
  for (const std::string& file : files) EXPECT_EQ(dir_.Read("index/" + file), "new " + file);
  staging_.Discard();
  EXPECT_FALSE(dir_.Exists(Staged("")));
}

// Where the live set has no letter directory yet, the staged one is moved
// whole, with every file of it; where it has one, the files go one by one
// and what else it holds stays.
TEST_F(IndexStagingTest, ALetterDirectoryNewToTheLiveSetMovesWhole) {
  dir_.Write("index/D/DO", "old DO");
  dir_.Write("index/D/notes", "the author's");
  ASSERT_TRUE(staging_.Begin());
  const char sep = platform::kSeparator;
  const std::vector<std::string> files = {std::string("C") + sep + "C",
                                          std::string("C") + sep + "CA",
                                          std::string("D") + sep + "DO", "extras", "log"};
  for (const std::string& file : files) dir_.Write(Staged(file), "new " + file);
  EXPECT_TRUE(staging_.Obstacles(files).empty());
  EXPECT_TRUE(staging_.Replace(files).empty());
  for (const std::string& file : files) EXPECT_EQ(dir_.Read("index/" + file), "new " + file);
  EXPECT_EQ(dir_.Read("index/D/notes"), "the author's");
  EXPECT_FALSE(dir_.Exists(Staged("C")));
  staging_.Discard();
  EXPECT_FALSE(dir_.Exists(Staged("")));
}

}  // namespace
}  // namespace preproc
