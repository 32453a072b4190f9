// tarvik verify end to end: exit statuses and findings as a script sees them;
// and the note of tarvik index on a listing the search cannot reach whole.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/testing/run_command.h"
#include "platform/testing/temp_dir.h"

namespace {

using platform::testing::CommandResult;
using platform::testing::RunCommand;
using platform::testing::TempDir;

class VerifyCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("articles/a.txt", "The cat sat.\n");
    dir_.Write("articles/b.txt", "A dog and a hat.\n");
    dir_.Write("listing.txt", "a.txt\nb.txt\n");
    dir_.Write("reordered.txt", "b.txt\na.txt\n");
    ASSERT_EQ(
        Tarvik("index --listing listing.txt --articles articles --index index --log i.log").status,
        0);
    ASSERT_EQ(
        Tarvik("copy --listing listing.txt --articles articles --copy copy --log c.log").status, 0);
  }
  // environment: assignments for the command's environment, each followed by a space.
  CommandResult Tarvik(const std::string& arguments, const std::string& environment = "") {
    return RunCommand(environment + TARVIK_PATH + " " + arguments, dir_.path());
  }
  CommandResult Verify(const std::string& listing = "listing.txt") {
    return Tarvik("verify --index index --copy copy --listing " + listing + " --articles articles");
  }

  TempDir dir_;
};

TEST_F(VerifyCli, PassesAGoodSetAndNamesTheCauseOfABadOne) {
  CommandResult good = Verify();
  EXPECT_EQ(good.status, 0) << good.out << good.err;
  EXPECT_EQ(good.out, "");
  EXPECT_FALSE(dir_.Exists("kpxsindx.log")) << "verify writes no run log";

  ASSERT_EQ(
      Tarvik("copy --listing reordered.txt --articles articles --copy copy --log c.log").status, 0);
  CommandResult reordered = Verify();
  EXPECT_EQ(reordered.status, 1);
  EXPECT_NE(reordered.out.find("copy/a1/t0001: differs from what tarvik copy writes"),
            std::string::npos)
      << reordered.out;
  EXPECT_EQ(Verify("reordered.txt").status, 1) << "the index still holds the first order";

  std::remove(dir_.Join("copy/a1/t0002").c_str());
  CommandResult deleted = Tarvik("verify --index index --copy copy");
  EXPECT_EQ(deleted.status, 1);
  EXPECT_NE(deleted.out.find("copy/a1/t0002: missing: the phrase search file of article 2"),
            std::string::npos)
      << deleted.out;
}

// The runs' private copy of both sets goes once verify ends, whether it found
// nothing, a missing article or no listing at all.
TEST_F(VerifyCli, LeavesNoTemporaryDirectoryBehind) {
  const std::string scratch = dir_.Join("tmp");
  ASSERT_TRUE(std::filesystem::create_directory(scratch));
  auto verify = [&](const std::string& listing) {
    return Tarvik("verify --index index --copy copy --listing " + listing + " --articles articles",
                  "TMPDIR=" + platform::testing::ShellQuote(scratch) + " ");
  };
  CommandResult good = verify("listing.txt");
  EXPECT_EQ(good.status, 0) << good.out << good.err;
  EXPECT_TRUE(std::filesystem::is_empty(scratch)) << "after a good set";
  CommandResult nowhere = verify("nowhere.txt");
  EXPECT_EQ(nowhere.status, 1) << nowhere.out << nowhere.err;
  EXPECT_TRUE(std::filesystem::is_empty(scratch)) << "after a listing that does not exist";
  std::remove(dir_.Join("articles/b.txt").c_str());
  CommandResult missing = verify("listing.txt");
  EXPECT_EQ(missing.status, 1) << missing.out << missing.err;
  EXPECT_NE(missing.out.find("b.txt"), std::string::npos) << missing.out;
  EXPECT_TRUE(std::filesystem::is_empty(scratch)) << "after an article that is missing";
}

TEST_F(VerifyCli, UsageErrors) {
  EXPECT_EQ(Tarvik("verify").status, 2);
  EXPECT_EQ(Tarvik("verify --index nowhere").status, 2);
  EXPECT_EQ(Tarvik("verify --index index --listing listing.txt").status, 2);
  EXPECT_EQ(Tarvik("verify --index index --listing listing.txt --articles nowhere").status, 2);
  EXPECT_FALSE(dir_.Exists("nowhere")) << "verify creates nothing";
  EXPECT_EQ(Tarvik("verify --index index --fold ascii --ignore-accents").status, 2);
  EXPECT_EQ(Tarvik("verify --help").status, 0);
}

TEST(TarvikIndexNote, ListingsBeyond2500ArticlesGetANoteOutsideTheRunLog) {
  TempDir dir;
  dir.Write("articles/a.txt", "word\n");
  std::string listing;
  for (int i = 0; i < 2501; ++i) listing += "a.txt\n";
  dir.Write("long.txt", listing);
  dir.Write("short.txt", "a.txt\n|x\n");
  CommandResult longRun =
      RunCommand(std::string(TARVIK_PATH) +
                     " index --listing long.txt --articles articles --index index --log run.log",
                 dir.path());
  EXPECT_EQ(longRun.status, 0) << longRun.err;
  EXPECT_NE(longRun.err.find("the listing names 2501 articles; the search reaches articles 1 to "
                             "2,500 only"),
            std::string::npos)
      << longRun.err;
  EXPECT_EQ(dir.Read("run.log").find("2,500"), std::string::npos);
  CommandResult shortRun =
      RunCommand(std::string(TARVIK_PATH) +
                     " index --listing short.txt --articles articles --index index --log run.log",
                 dir.path());
  EXPECT_EQ(shortRun.err.find("2,500"), std::string::npos) << shortRun.err;
}

}  // namespace
