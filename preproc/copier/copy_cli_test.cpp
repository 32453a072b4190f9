// "tarvik copy" end to end: exit statuses and messages of the copy run's
// failure rows as a script sees them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/testing/run_command.h"
#include "platform/testing/temp_dir.h"

namespace {

using platform::testing::CommandResult;
using platform::testing::RunCommand;
using platform::testing::ShellQuote;
using platform::testing::TempDir;

class TarvikCopy : public ::testing::Test {
 protected:
  TarvikCopy() {
    dir_.Write("articles/news/may.txt", "<p>May,</p>\tnews\r\n");
    dir_.Write("listing.txt", "news\\may.txt\n|comment\nnews\\may.txt\n");
  }
  CommandResult Copy(const std::string& listing, const std::string& articles,
                     const std::string& copy, const std::string& extra = "") {
    return RunCommand(std::string(TARVIK_PATH) + " copy --listing " + ShellQuote(listing) +
                          " --articles " + ShellQuote(articles) + " --copy " + ShellQuote(copy) +
                          " " + extra,
                      dir_.path());
  }
  std::string Log() const { return dir_.Read("kpxsindx.log"); }

  TempDir dir_;
};

TEST_F(TarvikCopy, CopiesTheListing) {
  CommandResult r = Copy("listing.txt", "articles", "copies", "--html --delimiters ,");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir_.Read("copies/a1/t0001"), "May  news\r\n");
  EXPECT_EQ(dir_.Read("copies/a1/t0002"), "May  news\r\n");
  EXPECT_NE(Log().find("Copying File   1: articles/news/may.txt to copies/a1/t0001\n"),
            std::string::npos);
  EXPECT_NE(Log().find("# KPXScopy: Completed copying 2 files to copies/\n"), std::string::npos);
  EXPECT_EQ(RunCommand(std::string(TARVIK_PATH) + " copy --listing listing.txt").status, 2);
}

TEST_F(TarvikCopy, ARunLogThatCannotBeCreatedIsAWarning) {
  CommandResult r = Copy("listing.txt", "articles", "copies", "--log no/dir/run.log");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("tarvik copy: WARNING, could not write the run log 'no/dir/run.log'"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(dir_.Exists("copies/a1/t0002"));
}

TEST_F(TarvikCopy, FailureRowsExitWithOne) {
  struct Row {
    std::string listing, articles, copy, message;
  };
  dir_.Write("plain", "x");
  const Row rows[] = {
      {"nope.txt", "", "", "ERROR, could not open Article's listing file 'nope.txt'"},
      {"listing.txt", "", "copies", "ERROR, no Article Path specified."},
      {"listing.txt", "articles", "", "ERROR, no Copy Path specified."},
      {"listing.txt", "plain/a", "copies", "ERROR, could not find/create article path 'plain/a/'"},
      {"listing.txt", "articles", "plain/c",
       "ERROR, could not find/create index file path 'plain/c/'"},
  };
  for (const Row& row : rows) {
    CommandResult r = Copy(row.listing, row.articles, row.copy);
    EXPECT_EQ(r.status, 1) << row.message;
    EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
    EXPECT_NE(Log().find(row.message), std::string::npos) << row.message;
  }
}

// The run completes and writes the good copies, but it reported errors: exit 1.
TEST_F(TarvikCopy, ArticleErrorsAreReportedTheRunCompletesAndExitsWithOne) {
  dir_.Write("gaps.txt", "gone.txt\n\nnews/may.txt\n");
  CommandResult r = Copy("gaps.txt", "articles", "copies");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("ERROR, could not open source article'articles/gone.txt'"),
            std::string::npos);
  EXPECT_NE(r.err.find("ERROR, during copy of file 'articles/'"), std::string::npos);
  EXPECT_NE(r.err.find("tarvik copy: 2 of 3 article(s) could not be copied"), std::string::npos)
      << r.err;
  EXPECT_TRUE(dir_.Exists("copies/a1/t0003"));
  EXPECT_NE(Log().find("# KPXScopy: Finished.\n"), std::string::npos);

  dir_.Write("gone.txt", "a.txt\nb.txt\nc.txt\n");  // every listed article missing
  r = Copy("gone.txt", "articles", "copies");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("3 of 3 article(s) could not be copied"), std::string::npos) << r.err;

  dir_.Write("plain", "x");  // the copy path passes, its a1 cannot be made
  r = Copy("listing.txt", "articles", "plain");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("ERROR, could not find/create path 'plain/a1/'"), std::string::npos);
  EXPECT_NE(Log().find("Completed copying 1 files"), std::string::npos);
}

// Every article is copied, but the listing goes on past article 32767: the
// cut-off is reported, the run completes with the 32767, and exits with 1.
// The copies go to memory where it can: 32767 files are slow to make on a
// busy disk.
TEST_F(TarvikCopy, ListingPastTheArticleCutOffExitsWithOne) {
  const TempDir copies(access("/dev/shm", W_OK) == 0 ? std::string("/dev/shm")
                                                     : platform::TemporaryDirectory());
  ASSERT_FALSE(copies.path().empty());
  dir_.Write("articles/a.txt", "x");
  std::string listing;
  for (int n = 0; n < 32768; ++n) listing += "a.txt\n";
  dir_.Write("long.txt", listing);
  CommandResult r = Copy("long.txt", "articles", copies.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("# KPXScopy: ERROR, no more files copied after # 32767"), std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("could not be copied"), std::string::npos) << "no article failed";
  EXPECT_EQ(copies.Read("a328/t32767"), "x");
  EXPECT_NE(Log().find("# KPXScopy: Completed copying 32767 files to " + copies.path() + "/\n"),
            std::string::npos);
}

#ifndef _WIN32  // ulimit, SIGXFSZ and symlink are POSIX
// A write past the file size limit (its signal ignored, as on a full disk).
TEST_F(TarvikCopy, WriteFailureAbandonsTheRun) {
  dir_.Write("articles/news/may.txt", std::string(20000, 'x'));
  CommandResult r = RunCommand("trap '' XFSZ; ulimit -f 8; " + std::string(TARVIK_PATH) +
                                   " copy --listing listing.txt --articles articles --copy copies",
                               dir_.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("An unknown error occurred while accessing copies/a1/t0001."),
            std::string::npos)
      << r.err;
  EXPECT_EQ(Log().find("Finished"), std::string::npos);
  EXPECT_FALSE(dir_.Exists("copies/a1/t0002"));
}

// A link planted under a partial copy's name is removed, never written
// through: the file outside the copy path keeps its bytes.
TEST_F(TarvikCopy, APlantedPartialCopyLinkIsNotFollowed) {
  std::filesystem::create_directories(dir_.Join("copies/a1"));
  const std::string outside = dir_.Write("outside.txt", "not a copy");
  ASSERT_EQ(symlink(outside.c_str(), dir_.Join("copies/a1/t0002.part").c_str()), 0);
  CommandResult r = Copy("listing.txt", "articles", "copies");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir_.Read("outside.txt"), "not a copy");
  EXPECT_EQ(dir_.Read("copies/a1/t0002"), dir_.Read("copies/a1/t0001"));
  EXPECT_FALSE(std::filesystem::is_symlink(dir_.Join("copies/a1/t0002")));
  EXPECT_FALSE(dir_.Exists("copies/a1/t0002.part"));
}

// A listing that fails to read changes no copy; a FIFO as the listing or as
// an article is refused at once (a time limit guards against a blocked open).
TEST_F(TarvikCopy, ListingsAndArticlesThatCannotBeReadAreErrors) {
  ASSERT_EQ(Copy("listing.txt", "articles", "copies").status, 0);
  const std::string copy = dir_.Read("copies/a1/t0001");
  dir_.Write("articles/news/may.txt", "changed");
  ASSERT_EQ(mkfifo(dir_.Join("fifo").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(dir_.Join("articles/pipe.txt").c_str(), 0600), 0);
  const std::string timed = "timeout 20 " + std::string(TARVIK_PATH) + " copy --articles articles";
  CommandResult r;
#ifdef __linux__
  r = RunCommand(timed + " --listing /proc/self/mem --copy copies", dir_.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("ERROR, could not read Article's listing file '/proc/self/mem'"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(dir_.Read("copies/a1/t0001"), copy);
#endif
  r = RunCommand(timed + " --listing fifo --copy copies", dir_.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("ERROR, could not open Article's listing file 'fifo'"), std::string::npos);
  EXPECT_EQ(dir_.Read("copies/a1/t0001"), copy);
  dir_.Write("piped.txt", "pipe.txt\n");
  r = RunCommand(timed + " --listing piped.txt --copy copies", dir_.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("ERROR, could not open source article'articles/pipe.txt'"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(dir_.Read("copies/a1/t0001"), copy);
}
#endif

}  // namespace
