#include "preproc/indexer/index_staging.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>
#include <map>
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
  EXPECT_EQ(staging_.Replace(files, {}), IndexStaging::Outcome::kReplaced);
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
  EXPECT_EQ(staging_.Replace(files, {}), IndexStaging::Outcome::kReplaced);
  for (const std::string& file : files) EXPECT_EQ(dir_.Read("index/" + file), "new " + file);
  EXPECT_EQ(dir_.Read("index/D/notes"), "the author's");
  EXPECT_FALSE(dir_.Exists(Staged("C")));
  staging_.Discard();
  EXPECT_FALSE(dir_.Exists(Staged("")));
}

// Everything below root but the staging directory, by relative name: a
// file's bytes, or a mark for a directory.
std::map<std::string, std::string> LiveSet(const std::string& root) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> entries;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    const std::string relative = fs::relative(it->path(), root).generic_string();
    if (relative.rfind(kStagingName, 0) == 0) {
      it.disable_recursion_pending();
      continue;
    }
    std::string& entry = entries[relative];
    if (it->is_directory()) {
      entry = "<directory>";
    } else {
      platform::ReadWholeFile(it->path().string(), &entry);
    }
  }
  return entries;
}

// A replacement of every kind: files replaced (C/CA, extras, log), one new
// in a letter directory the set has (C/C), a letter directory new to the set
// (D, moved whole), a stale file removed (Q/QZ).
class ReplacementTest : public IndexStagingTest {
 protected:
  void SetUp() override {
    for (const char* name : {"log", "extras", "C/CA", "C/notes", "Q/QZ"}) {
      dir_.Write(std::string("index/") + name, std::string("old ") + name);
    }
    before_ = LiveSet(dir_.Join("index"));
  }
  // Stages the new set afresh into staging.
  void Stage(IndexStaging& staging) {
    ASSERT_TRUE(staging.Begin());
    for (const std::string& file : files_) dir_.Write(Staged(file), "new " + file);
  }
  // A rename seam that fails the n-th rename (from 1) and counts them all.
  StagingRename FailAt(int n, int* count) {
    return [n, count](const std::string& from, const std::string& to) {
      return ++*count != n && platform::RenameOver(from, to);
    };
  }
  void ExpectNewSet() {
    const auto after = LiveSet(dir_.Join("index"));
    for (const std::string& file : files_) {
      std::string name = file;
      for (char& c : name) c = c == platform::kSeparator ? '/' : c;
      EXPECT_EQ(after.at(name), "new " + file);
    }
    EXPECT_EQ(after.count("Q/QZ"), 0u);
    EXPECT_EQ(after.at("C/notes"), "old C/notes");
  }

  const char sep_ = platform::kSeparator;
  const std::vector<std::string> files_ = {std::string("C") + sep_ + "C",
                                           std::string("C") + sep_ + "CA",
                                           std::string("D") + sep_ + "DO", "extras", "log"};
  const std::vector<std::string> stale_ = {std::string("Q") + sep_ + "QZ"};
  std::map<std::string, std::string> before_;
};

TEST_F(ReplacementTest, EveryKindOfNameIsReplacedAndTheStagingDirectoryGoes) {
  int renames = 0;
  IndexStaging staging(dir_.Join("index/"), FailAt(0, &renames));
  Stage(staging);
  EXPECT_EQ(staging.Replace(files_, stale_), IndexStaging::Outcome::kReplaced);
  ExpectNewSet();
  // The journal, 3 set aside (C/CA, extras, log) and Q/QZ, 5 moved in (D whole), the commit.
  EXPECT_EQ(renames, 1 + 4 + 5 + 1);
  staging.Discard();
  EXPECT_FALSE(dir_.Exists(Staged("")));
}

// Whichever rename fails, what was moved is put back: the set is the
// previous one byte for byte, and no journal is left.
TEST_F(ReplacementTest, AFailedRenameAnywherePutsThePreviousSetBack) {
  for (int n = 1; n <= 11; ++n) {
    int renames = 0;
    IndexStaging staging(dir_.Join("index/"), FailAt(n, &renames));
    Stage(staging);
    EXPECT_EQ(staging.Replace(files_, stale_), IndexStaging::Outcome::kKept) << n;
    EXPECT_FALSE(staging.failed().empty()) << n;
    EXPECT_EQ(LiveSet(dir_.Join("index")), before_) << n;
    EXPECT_FALSE(dir_.Exists(Staged(kJournalName))) << n;
    staging.Discard();
    EXPECT_FALSE(dir_.Exists(Staged(""))) << n;
  }
}

// When putting back fails too, the journal stays and nothing is removed;
// Recover then finishes putting the set back, from what the journal says.
TEST_F(ReplacementTest, AnUndoThatFailsIsTakenUpByRecover) {
  int renames = 0;
  // The 8th rename (the second moved in) fails, and so does every one after it.
  IndexStaging staging(dir_.Join("index/"),
                       [&renames](const std::string& from, const std::string& to) {
                         return ++renames < 8 && platform::RenameOver(from, to);
                       });
  Stage(staging);
  EXPECT_EQ(staging.Replace(files_, stale_), IndexStaging::Outcome::kNotRestored);
  EXPECT_FALSE(staging.not_restored().empty());
  staging.Discard();
  EXPECT_TRUE(dir_.Exists(Staged(kJournalName)));
  EXPECT_NE(LiveSet(dir_.Join("index")), before_);
  IndexStaging next(dir_.Join("index/"));
  EXPECT_FALSE(next.Begin()) << "nothing is removed while the journal stands";
  EXPECT_EQ(next.Recover(), IndexStaging::Recovery::kRestored);
  EXPECT_EQ(LiveSet(dir_.Join("index")), before_);
  EXPECT_EQ(next.Recover(), IndexStaging::Recovery::kNothing);
  ASSERT_TRUE(next.Begin());
  next.Discard();
  EXPECT_FALSE(dir_.Exists(Staged("")));
}

// Only the journal tells what to undo, and it is read as hostile: a name
// outside the set, a kind it does not know, a line cut short or a wrong
// header leaves everything where it is.
TEST_F(ReplacementTest, AJournalThatDoesNotReadLeavesEverythingInPlace) {
  const std::string header = "kpxsindx replacement 1\n";
  for (const std::string& journal : std::vector<std::string>{
           header + "R ../outside\n", header + "X log\n", header + "R log", "another\nR log\n",
           header + "N CA\n", header + "R \n", std::string()}) {
    dir_.Write(Staged("previous/log"), "set aside");
    dir_.Write(Staged(kJournalName), journal);
    IndexStaging staging(dir_.Join("index/"));
    EXPECT_EQ(staging.Recover(), IndexStaging::Recovery::kFailed) << journal;
    EXPECT_EQ(staging.failed(), dir_.Join(Staged(kJournalName)));
    EXPECT_EQ(dir_.Read(Staged("previous/log")), "set aside");
    EXPECT_EQ(LiveSet(dir_.Join("index")), before_);
  }
}

// A replacement that committed and was killed before it cleaned up leaves
// only what it set aside: Recover removes it, the new set stays.
TEST_F(ReplacementTest, ACommittedReplacementIsFinished) {
  int renames = 0;
  IndexStaging staging(dir_.Join("index/"), FailAt(0, &renames));
  Stage(staging);
  ASSERT_EQ(staging.Replace(files_, stale_), IndexStaging::Outcome::kReplaced);
  EXPECT_TRUE(dir_.Exists(Staged(kCommittedName)));
  EXPECT_EQ(dir_.Read(Staged("previous/Q/QZ")), "old Q/QZ");
  IndexStaging next(dir_.Join("index/"));
  EXPECT_EQ(next.Recover(), IndexStaging::Recovery::kFinished);
  EXPECT_FALSE(dir_.Exists(Staged("")));
  ExpectNewSet();
}

TEST_F(ReplacementTest, FilesTheLiveSetHoldsAlreadyAreLeftOut) {
  ASSERT_TRUE(staging_.Begin());
  dir_.Write(Staged("log"), "old log");
  dir_.Write(Staged("extras"), "old extras, and more");
  dir_.Write(Staged("C/CA"), "old C/CB");
  dir_.Write(Staged("D/DO"), "new");
  const std::string ca = std::string("C") + sep_ + "CA", dodo = std::string("D") + sep_ + "DO";
  EXPECT_EQ(staging_.Changed({ca, dodo, "extras", "log"}),
            (std::vector<std::string>{ca, dodo, "extras"}));
  staging_.Discard();
}

}  // namespace
}  // namespace preproc
