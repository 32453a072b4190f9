// The tarvik command end to end: exit statuses, where messages go, and the
// index run's failure rows as a script sees them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

#include "indexformat/index_format.h"
#include "platform/testing/run_command.h"
#include "platform/testing/temp_dir.h"

namespace {

using platform::testing::CommandResult;
using platform::testing::RunCommand;
using platform::testing::ShellQuote;
using platform::testing::TempDir;

class TarvikCli : public ::testing::Test {
 protected:
  TarvikCli() {
    dir_.Write("articles/a.txt", "The cat sat.\n");
    dir_.Write("articles/b.txt", "A cat and a hat; 1997.\n");
    dir_.Write("listing.txt", "a.txt\n| comment\nb.txt\n");
  }

  CommandResult Index(const std::string& listing, const std::string& articles,
                      const std::string& index, const std::string& extra = "") {
    return RunCommand(std::string(TARVIK_PATH) + " index --listing " + ShellQuote(listing) +
                          " --articles " + ShellQuote(articles) + " --index " + ShellQuote(index) +
                          " " + extra,
                      dir_.path());
  }

  TempDir dir_;
};

TEST_F(TarvikCli, HelpAndUsageErrors) {
  CommandResult help = RunCommand(std::string(TARVIK_PATH) + " --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("index"), std::string::npos);
  EXPECT_NE(help.out.find("copy"), std::string::npos);
  CommandResult index_help = RunCommand(std::string(TARVIK_PATH) + " index --help");
  EXPECT_EQ(index_help.status, 0);
  for (const char* option : {"--listing", "--articles", "--index", "--html", "--delimiters",
                             "--fold", "--log", "--ignore-accents"}) {
    EXPECT_NE(index_help.out.find(option), std::string::npos) << option;
  }
  EXPECT_EQ(RunCommand(TARVIK_PATH).status, 2);
  EXPECT_EQ(RunCommand(std::string(TARVIK_PATH) + " index --listing x").status, 2);
  EXPECT_EQ(Index("listing.txt", "articles", "index", "--fold ebcdic").status, 2);
  EXPECT_EQ(Index("listing.txt", "articles", "index", "--bogus").status, 2);
  CommandResult utf8 = Index("listing.txt", "articles", "index", "--fold ascii --ignore-accents");
  EXPECT_EQ(utf8.status, 2);
  EXPECT_EQ(utf8.err,
            "tarvik index: --ignore-accents folds Windows-1252 text; it does not go with --fold "
            "ascii\n");
  EXPECT_FALSE(dir_.Exists("index"));
}

TEST_F(TarvikCli, IgnoreAccentsFoldsAccentsAwayAndTheSetRecordsIt) {
  dir_.Write("articles/b.txt", "A caf\xE9 in Z\xFCrich.\n");
  CommandResult r = Index("listing.txt", "articles", "index", "--ignore-accents");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(indexformat::DumpIndexFile(dir_.Read("index/C/CA")), "CAFE 1: 2\nCAT 1: 1\n");
  EXPECT_EQ(indexformat::DumpIndexFile(dir_.Read("index/Z/ZU")), "ZURICH. 1: 2\n");
  EXPECT_EQ(dir_.Read("index/fold").substr(0, 29), "KPXFOLD 1\ncp1252-accent-free\n");
  r = Index("listing.txt", "articles", "index");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(indexformat::DumpIndexFile(dir_.Read("index/C/CA")), "CAF\\xC9 1: 2\nCAT 1: 1\n");
  EXPECT_EQ(dir_.Read("index/fold").substr(0, 17), "KPXFOLD 1\ncp1252\n");
}

TEST_F(TarvikCli, IndexRunSucceeds) {
  CommandResult r = Index("listing.txt", "articles", "index", "--delimiters ';.'");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Words in vocabulary: 13\n");
  EXPECT_NE(r.err.find("Done -- Check log for statistics"), std::string::npos);
  EXPECT_EQ(indexformat::DumpIndexFile(dir_.Read("index/C/CA")), "CAT 2: 1 2\n");
  EXPECT_EQ(indexformat::DumpIndexFile(dir_.Read("index/extras")), "1997 1: 2\n");
  std::string log = dir_.Read("kpxsindx.log");
  EXPECT_EQ(log.rfind("# KPXSindx: Search Pre-processor Finished.\n"),
            log.size() - std::string("# KPXSindx: Search Pre-processor Finished.\n").size());
}

TEST_F(TarvikCli, LogOptionAndBackslashPaths) {
  std::filesystem::create_directories(dir_.Join("logs"));
  CommandResult r = Index("listing.txt", "articles", "out\\index", "--log logs/run.log");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(dir_.Exists("out/index/C/CA"));
  EXPECT_TRUE(dir_.Exists("logs/run.log"));
  EXPECT_FALSE(dir_.Exists("kpxsindx.log"));
}

// A run log that cannot be created, or whose writes fail, is a warning: the
// run goes on and its set is the same as with a log.
TEST_F(TarvikCli, ARunLogThatCannotBeWrittenIsAWarning) {
  CommandResult r = Index("listing.txt", "articles", "index", "--log no/such/dir/run.log");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("tarvik index: WARNING, could not write the run log 'no/such/dir/run.log'"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.out, "Words in vocabulary: 13\n");
  const std::string cat = dir_.Read("index/C/CA");
#ifndef _WIN32
  r = Index("listing.txt", "articles", "index", "--log /dev/full");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("WARNING, could not write the run log '/dev/full'"), std::string::npos);
  EXPECT_EQ(dir_.Read("index/C/CA"), cat);
#endif
  r = Index("listing.txt", "articles", "index");
  EXPECT_EQ(r.err.find("WARNING"), std::string::npos) << r.err;
}

TEST_F(TarvikCli, FailureRowsExitWithOneAndNameTheCause) {
  struct Row {
    std::string listing, articles, index, message;
  };
  dir_.Write("plain", "x");
  dir_.Write("missing.txt", "a.txt\nnot-there.txt\n");
  const Row rows[] = {
      {"nope.txt", "articles", "index", "ERROR, could not open Article's listing file 'nope.txt'"},
      {"listing.txt", "", "index", "ERROR, no Article Path specified."},
      {"listing.txt", "articles", "", "ERROR, no Index Path specified."},
      {"listing.txt", "plain/articles", "index",
       "ERROR, could not find/create article path 'plain/articles/'"},
      {"listing.txt", "articles", "plain/index",
       "ERROR, could not find/create index file path 'plain/index/'"},
      {"missing.txt", "articles", "index",
       "ERROR, could not open article 'articles/not-there.txt'"},
  };
  for (const Row& row : rows) {
    CommandResult r = Index(row.listing, row.articles, row.index);
    EXPECT_EQ(r.status, 1) << row.message;
    EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
    EXPECT_NE(dir_.Read("kpxsindx.log").find(row.message), std::string::npos) << row.message;
    EXPECT_EQ(r.out, "");
  }
  std::filesystem::create_directories(dir_.Join("idx2/extras"));
  CommandResult extras = Index("listing.txt", "articles", "idx2");
  EXPECT_EQ(extras.status, 1);
  EXPECT_NE(extras.err.find("ERROR, could not open the extras file 'idx2/extras'"),
            std::string::npos);
  std::filesystem::create_directories(dir_.Join("idx3/log"));
  CommandResult mapping = Index("listing.txt", "articles", "idx3");
  EXPECT_EQ(mapping.status, 1);
  EXPECT_NE(mapping.err.find("ERROR, could not open the file log file 'idx3/log'"),
            std::string::npos);
}

TEST_F(TarvikCli, UnwritableIndexFileFailsTheRun) {
  std::filesystem::create_directories(dir_.Join("index/H/HA"));
  CommandResult r = Index("listing.txt", "articles", "index");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("ERROR, could not write to index/H/HA"), std::string::npos);
  EXPECT_NE(r.err.find("ERROR, index set in 'index/' not replaced: 1 index file(s) could not be "
                       "written"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.out, "");  // no "Words in vocabulary"
}

#ifndef _WIN32  // ulimit and SIGXFSZ are POSIX
// Writes that fail in the middle of the walk (the file size limit, its signal
// ignored, as on a full disk): every failing file is named, the run exits 1
// and the set of the run before stays as it was.
TEST_F(TarvikCli, WriteErrorsExitWithOneAndKeepThePreviousSet) {
  ASSERT_EQ(Index("listing.txt", "articles", "index").status, 0);
  const std::string cat = dir_.Read("index/C/CA"), log = dir_.Read("index/log");
  std::string many;
  for (int i = 0; i < 600; ++i) many += "cat" + std::to_string(i * 7919) + "x ";
  dir_.Write("articles/c.txt", many);
  dir_.Write("more.txt", "c.txt\na.txt\n");
  CommandResult r = RunCommand("trap '' XFSZ; ulimit -f 4; " + std::string(TARVIK_PATH) +
                                   " index --listing more.txt --articles articles --index index",
                               dir_.path());
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("ERROR, could not write to index/C/CA"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("ERROR, index set in 'index/' not replaced"), std::string::npos);
  EXPECT_EQ(dir_.Read("index/C/CA"), cat);
  EXPECT_EQ(dir_.Read("index/log"), log);
  EXPECT_FALSE(dir_.Exists("index/.kpxsindx-staging"));
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KPX_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KPX_UNDER_SANITIZER 1
#endif
#endif

// Every file below root of this test's directory, by relative name, with its
// bytes ("" for a directory).
std::map<std::string, std::string> Files(const TempDir& dir, const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Join(root))) {
    const std::string name = std::filesystem::relative(entry.path(), dir.path()).string();
    files[name] = entry.is_regular_file() ? dir.Read(name) : "";
  }
  return files;
}

// A listing that fails to read (/proc/self/mem opens, its read fails), a
// FIFO as the listing or as an article (run with a time limit: they once
// blocked the run in its open): the run exits 1 with the error naming the
// file and the set of the run before stays as it was.
TEST_F(TarvikCli, ListingsAndArticlesThatCannotBeReadKeepThePreviousSet) {
  ASSERT_EQ(Index("listing.txt", "articles", "index").status, 0);
  const auto before = Files(dir_, "index");
  ASSERT_EQ(mkfifo(dir_.Join("fifo").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(dir_.Join("articles/pipe.txt").c_str(), 0600), 0);
  dir_.Write("piped.txt", "a.txt\npipe.txt\n");
  struct Row {
    std::string listing, message;
  };
  const Row rows[] = {
#ifdef __linux__
      {"/proc/self/mem", "ERROR, could not read Article's listing file '/proc/self/mem'"},
#endif
      {"fifo", "ERROR, could not open Article's listing file 'fifo'"},
      {"piped.txt", "ERROR, could not open article 'articles/pipe.txt'"},
  };
  for (const Row& row : rows) {
    CommandResult r = RunCommand("timeout 20 " + std::string(TARVIK_PATH) + " index --listing " +
                                     ShellQuote(row.listing) + " --articles articles --index index",
                                 dir_.path());
    EXPECT_EQ(r.status, 1) << row.listing << r.err;
    EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Files(dir_, "index"), before) << row.listing;
  }
}

// The file mapping log is staged like the letter files: a write to it that
// fails (here past the file size limit) fails the run, naming the log.
TEST_F(TarvikCli, AFailedWriteToTheFileMappingLogKeepsThePreviousSet) {
  ASSERT_EQ(Index("listing.txt", "articles", "index").status, 0);
  const auto before = Files(dir_, "index");
  std::string listing;
  for (int i = 0; i < 200; ++i) listing += "a-long-article-name-that-fills-the-log.txt\n";
  dir_.Write("long.txt", listing);
  CommandResult r = RunCommand("trap '' XFSZ; ulimit -f 4; " + std::string(TARVIK_PATH) +
                                   " index --listing long.txt --articles articles --index index",
                               dir_.path());
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("ERROR, could not write to index/log"), std::string::npos) << r.err;
  EXPECT_EQ(Files(dir_, "index"), before);
}

// Two index runs started together on one index path: one at a time writes
// there. Each exits 0, or 1 refused at once as the path is in use; the set
// left equals a clean run's, with no lock file.
TEST_F(TarvikCli, TwoIndexRunsAtOnceLeaveACleanSet) {
  std::string words;
  for (int i = 0; i < 200000; ++i) {
    words += 'w';
    words += std::to_string(i);
    words += ' ';
  }
  dir_.Write("articles/big.txt", words);
  dir_.Write("big.lst", "a.txt\nbig.txt\nb.txt\n");
  ASSERT_EQ(Index("big.lst", "articles", "clean").status, 0);
  std::map<std::string, std::string> clean;
  for (const auto& [name, bytes] : Files(dir_, "clean")) {
    clean[std::string(name).replace(0, 5, "index")] = bytes;  // "clean/..." as "index/..."
  }
  const std::string run = std::string(TARVIK_PATH) +
                          " index --listing big.lst --articles articles --index index --log ";
  for (int round = 0; round < 3; ++round) {
    CommandResult r = RunCommand("{ (" + run + "one.log 2>one.err; echo $? >one.rc) & (" + run +
                                     "two.log 2>two.err; echo $? >two.rc); wait; }",
                                 dir_.path());
    ASSERT_EQ(r.status, 0);
    int completed = 0;
    for (const std::string which : {"one", "two"}) {
      const std::string rc = dir_.Read(which + ".rc");
      if (rc == "0\n") {
        ++completed;
      } else {
        EXPECT_EQ(rc, "1\n");
        EXPECT_NE(dir_.Read(which + ".err")
                      .find("ERROR, index path 'index/' is in use by another "
                            "index run"),
                  std::string::npos)
            << dir_.Read(which + ".err");
      }
    }
    EXPECT_GE(completed, 1) << round;
    EXPECT_EQ(Files(dir_, "index"), clean) << round;
  }
}

// Both runs under a memory limit of 256 MiB, which lets tarvik start and run
// but not take in an article, or a listing line, of hundreds of MiB: an
// article of 1 GiB (its size alone is too much for the tree), a listing line
// of 1 GiB. Each run exits 1 with the error of its phase on standard error
// and in the run log; the index set and the copies of the runs before stay as
// they were. An article that never ends (a device) is not even opened.
TEST_F(TarvikCli, RunningOutOfMemoryExitsWithOneAndKeepsThePreviousSets) {
#if defined(KPX_UNDER_SANITIZER)
  GTEST_SKIP() << "a sanitizer's shadow memory needs more address space than the limit leaves";
#endif
  ASSERT_EQ(Index("listing.txt", "articles", "index").status, 0);
  const std::string tarvik = std::string(TARVIK_PATH);
  ASSERT_EQ(RunCommand(tarvik + " copy --listing listing.txt --articles articles --copy copies",
                       dir_.path())
                .status,
            0);
  const auto index = Files(dir_, "index"), copies = Files(dir_, "copies");
  ASSERT_EQ(symlink("/dev/zero", dir_.Join("articles/endless.txt").c_str()), 0);
  dir_.Write("articles/huge.txt", "huge");
  std::filesystem::resize_file(dir_.Join("articles/huge.txt"), 1 << 30);  // sparse
  dir_.Write("endless.lst", "a.txt\nendless.txt\nb.txt\n");
  dir_.Write("huge.lst", "a.txt\nhuge.txt\n");
  dir_.Write("long.lst", "a.txt\nb.txt\n");
  std::filesystem::resize_file(dir_.Join("long.lst"), 1 << 30);
  const struct {
    std::string arguments, message;
  } rows[] = {
      {"index --listing endless.lst --articles articles --index index",
       "\n# KPXSindx: ERROR, could not open article 'articles/endless.txt'\n"},
      {"index --listing huge.lst --articles articles --index index",
       "\n# KPXSindx: ERROR, not enough memory to read the articles\n"},
      {"index --listing long.lst --articles articles --index index",
       "\n# KPXSindx: ERROR, not enough memory to read the listing\n"},
      {"copy --listing long.lst --articles articles --copy copies",
       "# KPXScopy: ERROR, not enough memory to copy the articles\n"},
  };
  for (const auto& row : rows) {
    // Without the limit the command does not run at all.
    CommandResult r =
        RunCommand("ulimit -v 262144 && " + tarvik + " " + row.arguments, dir_.path());
    EXPECT_EQ(r.status, 1) << row.arguments << "\n" << r.err;
    EXPECT_NE(r.err.find(row.message.substr(row.message[0] == '\n')), std::string::npos)
        << row.arguments << "\n"
        << r.err;
    const std::string log = dir_.Read("kpxsindx.log");
    EXPECT_EQ(log.substr(log.size() - std::min(log.size(), row.message.size())), row.message)
        << row.arguments;
    EXPECT_EQ(r.out, "") << row.arguments;
    EXPECT_EQ(Files(dir_, "index"), index) << row.arguments;
    EXPECT_EQ(Files(dir_, "copies"), copies) << row.arguments;
  }
}
#endif

// Warnings keep exit 0: the block limit and the 9,999-name limit.
TEST_F(TarvikCli, WarningsKeepExitZero) {
  std::string listing;
  for (int i = 0; i < 10000; ++i) listing += "a.txt\n";
  dir_.Write("long.txt", listing);
  CommandResult r = Index("long.txt", "articles", "index");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("WARNING, word cnt for CAT > max block size (10000)"), std::string::npos);
  EXPECT_NE(dir_.Read("kpxsindx.log").find("Warning, no more files read in after # 9999"),
            std::string::npos);
}

}  // namespace
