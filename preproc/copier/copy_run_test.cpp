#include "preproc/copier/copy_run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#endif

#include <chrono>
#include <filesystem>
#include <new>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/path_lock.h"
#include "platform/testing/full_disk.h"
#include "platform/testing/temp_dir.h"

namespace preproc {
namespace {

using platform::testing::TempDir;

class RecordingServices : public RunServices {
 public:
  using RunServices::RunServices;
  std::vector<std::pair<MessageKind, std::string>> boxes;
  std::vector<std::string> progress;  // every change the bar shows, "lower..upper+step@pos"
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes) texts.push_back(box.second);
    return texts;
  }

 protected:
  void ShowBox(std::string_view text, MessageKind kind) override {
    boxes.emplace_back(kind, std::string(text));
  }
  void ShowProgress(int lower, int upper, int pos) override {
    progress.push_back(std::to_string(lower) + ".." + std::to_string(upper) + "+" +
                       std::to_string(progress_step()) + "@" + std::to_string(pos));
  }
};

class CopyRunTest : public ::testing::Test {
 protected:
  CopyRunTest() : services_(dir_.Join("kpxsindx.log")) {
    settings_.listing_file = dir_.Join("listing.txt");
    settings_.article_path = dir_.Join("articles");
    settings_.copy_path = dir_.Join("copies");
  }
  void WriteListing(const std::string& lines) { dir_.Write("listing.txt", lines); }
  void WriteArticle(const std::string& name, const std::string& bytes) {
    dir_.Write("articles/" + name, bytes);
  }
  // A listing of count lines that all name the one article "a.txt".
  void WriteRepeatedListing(int count, const std::string& bytes) {
    WriteArticle("a.txt", bytes);
    std::string listing;
    for (int i = 0; i < count; ++i) listing += "a.txt\n";
    WriteListing(listing);
  }
  bool Run() { return CopyArticles(settings_, services_, &counts_); }
  std::string Log() const { return dir_.ReadText("kpxsindx.log"); }
  std::string Copy(const std::string& name) const { return dir_.Read("copies/" + name); }

  TempDir dir_;
  RecordingServices services_;
  RunSettings settings_;
  CopyCounts counts_;
};

TEST_F(CopyRunTest, SmallRunWritesNumberedCopiesAndItsExactLog) {
  WriteListing("intro.txt\r\n| not an article\r\nnews\\may.txt");  // no final line end
  WriteArticle("intro.txt", "Hello,\tworld\r\n");
  WriteArticle("news/may.txt", "<p>May</p>");
  settings_.article_type = kHtmlArticle;
  settings_.delimiters = ",";
  ASSERT_TRUE(Run());
  EXPECT_EQ(Copy("a1/t0001"), "Hello  world\r\n");
  EXPECT_EQ(Copy("a1/t0002"), "May");
  const std::string a = dir_.Join("articles/"), c = dir_.Join("copies/");
  std::string expected = "# KPXScopy: Duplication of files Started ...\n";
  expected += "# KPXScopy: Starting file duplication process\n\n";
  expected += "Copying File   1: " + a + "intro.txt to " + dir_.Join("copies/a1/t0001") + "\n";
  expected += "Copying File   2: " + dir_.Join("articles/news/may.txt") + " to " +
              dir_.Join("copies/a1/t0002") + "\n";
  expected += "# KPXScopy: Phrase accelerator: 0 word pairs of 2 articles, 4096 bytes\n";
  expected += "\\-/-\\/-\\/-\\/-\\/-\\/-\\/-\\/-\\-/\n";
  expected += "# KPXScopy: Completed copying 2 files to " + c + "\n";
  expected += "# KPXScopy: Finished.\n";
  EXPECT_EQ(Log(), expected);
  EXPECT_TRUE(services_.boxes.empty());
  EXPECT_EQ(services_.status_text(), "Done");
  EXPECT_EQ(services_.progress_pos(), 28);
  EXPECT_EQ(counts_.articles, 2);
  EXPECT_EQ(counts_.copied, 2);
}

// Every article starts with a fresh transformation state: as if a word had
// just been written and no tag were open, whatever the article before left.
TEST_F(CopyRunTest, EveryHtmlArticleStartsWithAFreshState) {
  WriteListing("tag_first.html\nopen_less.html\nyork.html\nopen_tag.html\nworld.html\n");
  WriteArticle("tag_first.html", "<p>\nHello\nworld</p>");
  WriteArticle("open_less.html", "text <");  // ends on a "<"
  WriteArticle("york.html", " new york");
  WriteArticle("open_tag.html", "Hello <b");  // ends inside a tag
  WriteArticle("world.html", "World");
  settings_.article_type = kHtmlArticle;
  ASSERT_TRUE(Run());
  EXPECT_EQ(Copy("a1/t0001"), " Hello\nworld");  // the LF behind the first tag is a blank
  EXPECT_EQ(Copy("a1/t0002"), "text ");
  EXPECT_EQ(Copy("a1/t0003"), " new york");
  EXPECT_EQ(Copy("a1/t0004"), "Hello ");
  EXPECT_EQ(Copy("a1/t0005"), "World");
}

TEST_F(CopyRunTest, HundredArticlesFillOneCopyBlock) {
  WriteRepeatedListing(101, "x");
  ASSERT_TRUE(Run());
  EXPECT_TRUE(dir_.Exists("copies/a1/t0100"));
  EXPECT_FALSE(dir_.Exists("copies/a1/t0101"));
  EXPECT_EQ(Copy("a2/t0101"), "x");
}

// Long listings: five-digit names from 10000 on, and the article counter's
// limit. Missing articles keep this quick; each still takes its number.
TEST_F(CopyRunTest, LongListingsRunToTheCountersLimit) {
  WriteArticle("a.txt", "x");
  std::string listing;
  for (int n = 1; n <= kMaxArticleNumber + 1; ++n) {
    listing += n >= 9999 && n <= 10001 ? "a.txt\n" : "gone\n";
  }
  WriteListing(listing + "|comment\nlast\n");
  ASSERT_TRUE(Run());
  EXPECT_EQ(Copy("a100/t9999"), "x");
  EXPECT_EQ(Copy("a100/t10000"), "x");
  EXPECT_EQ(Copy("a101/t10001"), "x");
  EXPECT_EQ(services_.boxes.size(), 2u * (kMaxArticleNumber - 3) + 1);
  EXPECT_EQ(services_.boxes.back().second,
            "# KPXScopy: ERROR, no more files copied after # 32767\n");
  const std::string log = Log();
  EXPECT_NE(log.find("Copying File 32767: "), std::string::npos);
  EXPECT_EQ(log.find("Copying File 32768"), std::string::npos);
  EXPECT_NE(log.find("# KPXScopy: ERROR, no more files copied after # 32767\n"
                     "# KPXScopy: Phrase accelerator: 0 word pairs of 2500 articles, 4096 bytes\n"
                     "\\-/-\\/-\\/-\\/-\\/-\\/-\\/-\\/-\\-/\n"
                     "# KPXScopy: Completed copying 32767 files to "),
            std::string::npos);
  EXPECT_EQ(counts_.articles, kMaxArticleNumber);
  EXPECT_EQ(counts_.copied, 3);
  EXPECT_TRUE(counts_.cut_off);
}

TEST_F(CopyRunTest, ArticlesThatCannotBeOpenedAreReportedAndTheRunGoesOn) {
  WriteListing("missing.txt\n\nok.txt\n");  // the empty line names the article path itself
  WriteArticle("ok.txt", "fine");
  ASSERT_TRUE(Run());
  const std::string a = dir_.Join("articles/");
  EXPECT_EQ(services_.Texts(),
            (std::vector<std::string>{
                "\n# KPXSindx: ERROR, could not open source article'" + a + "missing.txt'\n",
                "# KPXScopy: ERROR, during copy of file '" + a + "missing.txt'\n",
                "\n# KPXSindx: ERROR, could not open source article'" + a + "'\n",
                "# KPXScopy: ERROR, during copy of file '" + a + "'\n"}));
  EXPECT_FALSE(dir_.Exists("copies/a1/t0001"));
  EXPECT_EQ(Copy("a1/t0003"), "fine");
  EXPECT_NE(Log().find("Completed copying 3 files"), std::string::npos);
  EXPECT_EQ(counts_.copied, 1);
  EXPECT_EQ(counts_.failed, 2);
}

// One step per listed article over 0..28, the ones that failed included,
// passing 28 and starting again from 0; the bar ends full.
TEST_F(CopyRunTest, ProgressStepsOncePerListedArticleAndEndsFull) {
  std::string listing = "| a comment\n";
  for (int n = 1; n <= 31; ++n) listing += n == 2 || n == 30 ? "missing.txt\n" : "a.txt\n";
  WriteListing(listing);
  WriteArticle("a.txt", "x");
  ASSERT_TRUE(Run());
  std::vector<std::string> expected = {"0..28+10@0", "0..28+1@0"};
  for (int n = 1; n <= 31; ++n) expected.push_back("0..28+1@" + std::to_string(n % 29));
  expected.push_back("0..28+1@28");
  EXPECT_EQ(services_.progress, expected);
  EXPECT_EQ(counts_.failed, 2);
}

TEST_F(CopyRunTest, RegularFileInPlaceOfACopyBlockRefusesItsArticles) {
  WriteRepeatedListing(2, "x");
  dir_.Write("copies/a1", "not a directory");
  ASSERT_TRUE(Run());
  const std::string destination = dir_.Join("copies/a1/t0001");
  ASSERT_EQ(services_.boxes.size(), 4u);
  EXPECT_EQ(services_.boxes[0].second,
            "\n# KPXSindx: ERROR, could not open destination article '" + destination + "'\n");
  EXPECT_EQ(counts_.failed, 2);
}

// A copy run on a copy path another copy run holds is refused before its
// first copy; a run that completes leaves no lock file behind.
TEST_F(CopyRunTest, ALockedCopyPathIsRefused) {
  WriteRepeatedListing(1, "new");
  dir_.Write("copies/a1/t0001", "the running run's");
  {
    platform::PathLock held;
    ASSERT_EQ(held.Acquire(dir_.Join("copies/.kpxscopy-lock")),
              platform::PathLock::Result::kLocked);
    EXPECT_FALSE(Run());
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].second, "# KPXScopy: ERROR, copy path '" + dir_.Join("copies") +
                                             platform::kSeparator +
                                             "' is in use by another copy run\n");
    EXPECT_EQ(Copy("a1/t0001"), "the running run's");
  }
  EXPECT_TRUE(Run());
  EXPECT_EQ(Copy("a1/t0001"), "new");
  EXPECT_FALSE(dir_.Exists("copies/.kpxscopy-lock"));
}

#ifndef _WIN32  // a full disk is made with a file size limit
TEST_F(CopyRunTest, WriteFailureAbandonsTheRun) {
  WriteRepeatedListing(2, std::string(20000, 'x'));
  std::filesystem::create_directories(dir_.Join("copies/a1"));
  const std::string destination = dir_.Join("copies/a1/t0001");
  // The run log's first lines fit below the limit, the copy does not.
  EXPECT_TRUE(platform::testing::RunOnFullDisk(4096, [&] {
    return !Run() && services_.boxes.size() == 1u &&
           services_.boxes[0].first == MessageKind::kFatal &&
           services_.boxes[0].second ==
               "An unknown error occurred while accessing " + destination + ".";
  }));
  const std::string log = Log();
  EXPECT_NE(log.find("Copying File   1:"), std::string::npos);
  EXPECT_EQ(log.find("Copying File   2:"), std::string::npos);
  EXPECT_EQ(log.find("Completed"), std::string::npos);
  EXPECT_FALSE(dir_.Exists("copies/a1/t0002"));
}
#endif

#ifndef _WIN32  // fork is POSIX
// An article large enough to take a while: the run is killed while that copy
// is being written. The copy of the run before stays whole under its name.
TEST_F(CopyRunTest, ARunKilledInTheMiddleOfACopyLeavesOnlyWholeCopies) {
  WriteArticle("first.txt", "first");
  WriteArticle("big.txt", "the copy of the run before");
  WriteListing("first.txt\nbig.txt\n");
  ASSERT_TRUE(Run());
  const std::string earlier = Copy("a1/t0002");
  WriteArticle("big.txt", std::string(64 << 20, 'x'));
  pid_t child = fork();
  if (child == 0) _exit(Run() ? 0 : 1);
  for (int i = 0; i < 100000 && !dir_.Exists("copies/a1/t0002.part"); ++i) {
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  std::filesystem::remove(dir_.Join("articles/big.txt"));
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_TRUE(dir_.Exists("copies/a1/t0002.part"));
  EXPECT_EQ(Copy("a1/t0001"), "first");
  EXPECT_EQ(Copy("a1/t0002"), earlier);

  WriteArticle("next.txt", "the next run");  // the next copy of article 2 replaces the partial one
  WriteListing("first.txt\nnext.txt\n");
  ASSERT_TRUE(Run());
  EXPECT_EQ(Copy("a1/t0002"), "the next run");
  EXPECT_FALSE(dir_.Exists("copies/a1/t0002.part"));
}
#endif

// Run services whose front end runs out of memory at its n-th progress change
// (from 1), as a form's drawing may, in whichever step of the run it falls.
class NoMemoryAtProgress : public RecordingServices {
 public:
  NoMemoryAtProgress(std::string run_log_path, int fail_at)
      : RecordingServices(std::move(run_log_path)), fail_at_(fail_at) {}
  int changes = 0;

 protected:
  void ShowProgress(int lower, int upper, int pos) override {
    if (++changes == fail_at_) throw std::bad_alloc();
    RecordingServices::ShowProgress(lower, upper, pos);
  }

 private:
  const int fail_at_;
};

// Memory running out at any progress change fails the run with its one
// error, shown and logged last; every copy is whole, the run's or the one
// before it, and no partial copy is left.
TEST_F(CopyRunTest, RunningOutOfMemoryAnywhereLeavesOnlyWholeCopies) {
  const std::string error = "# KPXScopy: ERROR, not enough memory to copy the articles\n";
  WriteRepeatedListing(3, "before");
  NoMemoryAtProgress counting(dir_.Join("kpxsindx.log"), 0);
  ASSERT_TRUE(CopyArticles(settings_, counting));
  WriteArticle("a.txt", "after");
  for (int n = 1; n <= counting.changes; ++n) {
    NoMemoryAtProgress failing(dir_.Join("kpxsindx.log"), n);
    EXPECT_FALSE(CopyArticles(settings_, failing)) << n;
    EXPECT_EQ(failing.Texts(), std::vector<std::string>{error}) << n;
    const std::string log = Log();
    ASSERT_GE(log.size(), error.size());
    EXPECT_EQ(log.substr(log.size() - error.size()), error) << n;
    for (const char* copy : {"a1/t0001", "a1/t0002", "a1/t0003"}) {
      EXPECT_TRUE(Copy(copy) == "before" || Copy(copy) == "after") << n << " " << copy;
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Join("copies/a1"))) {
      EXPECT_EQ(entry.path().extension(), "") << n << " " << entry.path();
    }
  }
  EXPECT_EQ(counting.changes, 6);  // the range, the position, a step per article, the full bar
}

#ifndef _WIN32
// A copy block directory that is a link is refused, nothing written where
// it leads; a copy path that is a link is written through.
TEST_F(CopyRunTest, ACopyBlockDirectoryThatIsALinkIsRefused) {
  WriteArticle("a.txt", "alpha");
  WriteListing("a.txt\na.txt\n");
  std::filesystem::create_directories(dir_.Join("elsewhere"));
  std::filesystem::create_directories(dir_.Join("copies"));
  ASSERT_EQ(symlink(dir_.Join("elsewhere").c_str(), dir_.Join("copies/a1").c_str()), 0);
  EXPECT_TRUE(Run());
  EXPECT_EQ(services_.Texts(),
            std::vector<std::string>{"# KPXScopy: ERROR, copy block directory '" +
                                     dir_.Join("copies/a1/") +
                                     "' is a link; nothing is written through it\n"});
  EXPECT_TRUE(std::filesystem::is_empty(dir_.Join("elsewhere")));
  EXPECT_EQ(counts_.failed, 1);

  std::filesystem::remove(dir_.Join("copies/a1"));
  std::filesystem::rename(dir_.Join("copies"), dir_.Join("real"));
  ASSERT_EQ(symlink(dir_.Join("real").c_str(), dir_.Join("copies").c_str()), 0);
  services_.boxes.clear();
  ASSERT_TRUE(Run());
  EXPECT_TRUE(services_.boxes.empty());
  EXPECT_EQ(dir_.Read("real/a1/t0002"), "alpha");
}

// The identity of a copy: its inode.
ino_t InodeOf(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// A rerun leaves every copy whose bytes are unchanged as it was, inode
// included, and replaces only the copy of the article that changed.
TEST_F(CopyRunTest, ARerunRewritesOnlyTheCopiesThatChanged) {
  WriteArticle("a.txt", "alpha\tbeta");
  WriteArticle("b.txt", "gamma");
  WriteArticle("c.txt", std::string(3 * 4096 + 7, 'x'));
  WriteListing("a.txt\nb.txt\nc.txt\n");
  ASSERT_TRUE(Run());
  const std::vector<std::string> names = {"a1/t0001", "a1/t0002", "a1/t0003"};
  std::vector<ino_t> before;
  for (const std::string& name : names) before.push_back(InodeOf(dir_.Join("copies/" + name)));
  counts_ = CopyCounts();
  ASSERT_TRUE(Run());
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(InodeOf(dir_.Join("copies/" + names[i])), before[i]) << names[i];
  }
  EXPECT_EQ(counts_.copied, 3);    // an unchanged copy still counts as copied
  WriteArticle("b.txt", "gammb");  // same length, other bytes
  ASSERT_TRUE(Run());
  EXPECT_EQ(InodeOf(dir_.Join("copies/a1/t0001")), before[0]);
  EXPECT_NE(InodeOf(dir_.Join("copies/a1/t0002")), before[1]);
  EXPECT_EQ(InodeOf(dir_.Join("copies/a1/t0003")), before[2]);
  EXPECT_EQ(Copy("a1/t0002"), "gammb");
  EXPECT_EQ(Copy("a1/t0001"), "alpha beta");
  std::vector<std::string> left;
  platform::ListDirectory(dir_.Join("copies/a1"), &left);
  EXPECT_EQ(left.size(), 3u) << "no partial copy is left";
}

#endif

// A rerun shares its articles with a look-ahead from the last one back. What
// it writes, reports and counts is what a run alone does: unchanged copies
// stay as they were, a missing article is reported once wherever it lies, a
// changed article anywhere is copied again, and the accelerator is the one a
// fresh run writes.
TEST_F(CopyRunTest, ARerunSharedWithTheLookAheadDoesWhatARunAloneDoes) {
  constexpr int kArticles = 300;
  constexpr int kMissing = 250;
  std::string listing;
  for (int n = 1; n <= kArticles; ++n) {
    const std::string name = n == kMissing ? "missing.txt" : std::to_string(n) + ".txt";
    if (n != kMissing) {
      WriteArticle(name, "article " + std::to_string(n) + " of the set\nnew york " +
                             std::string(static_cast<size_t>(n * 37 % 5000), 'w'));
    }
    listing += name + "\n";
  }
  WriteListing(listing);
  ASSERT_TRUE(Run());
  const auto copy_name = [](int n) {
    return "copies/a" + std::to_string((n - 1) / 100 + 1) + "/t" +
           std::string(n < 10    ? "000"
                       : n < 100 ? "00"
                                 : "0") +
           std::to_string(n);
  };
  // Which copies a run rewrote: their identities before and after (POSIX:
  // the inode; elsewhere the bytes, which still show the edited one).
  const auto identity = [&](int n) {
#ifndef _WIN32
    return std::to_string(InodeOf(dir_.Join(copy_name(n))));
#else
    return dir_.Read(copy_name(n));
#endif
  };
  std::vector<std::string> before(kArticles + 1);
  for (int n = 1; n <= kArticles; ++n) {
    if (n != kMissing) before[static_cast<size_t>(n)] = identity(n);
  }
  const auto copying_lines = [](const std::string& log) {
    std::string lines;
    for (size_t at = 0; at < log.size();) {
      const size_t end = std::min(log.find('\n', at), log.size());
      const std::string line = log.substr(at, end - at);
      if (line.rfind("Copying File", 0) == 0 || line.find("ERROR") != std::string::npos) {
        lines += line + "\n";
      }
      at = end + 1;
    }
    return lines;
  };
  const std::string first_log = copying_lines(Log());
  const std::vector<std::string> first_errors = services_.Texts();
  // The fresh run's accelerator for the edited set, to compare with.
  const auto fresh_pairs = [&] {
    RunSettings fresh = settings_;
    fresh.copy_path = dir_.Join("fresh");
    RecordingServices quiet(dir_.Join("fresh.log"));
    EXPECT_TRUE(CopyArticles(fresh, quiet));
    return dir_.Read("fresh/kpxpairs");
  };

  for (int edited : {0, 290, 7}) {  // none, one the look-ahead meets, one the run meets
    if (edited != 0) WriteArticle(std::to_string(edited) + ".txt", "edited");
    services_.boxes.clear();
    counts_ = CopyCounts();
    ASSERT_TRUE(Run()) << edited;
    EXPECT_EQ(counts_.copied, kArticles - 1) << edited;
    EXPECT_EQ(counts_.failed, 1) << edited;
    EXPECT_EQ(services_.Texts(), first_errors) << edited;
    EXPECT_EQ(copying_lines(Log()), first_log) << edited;
    for (int n = 1; n <= kArticles; ++n) {
      if (n == kMissing) continue;
      const bool rewritten = n == edited;
      EXPECT_EQ(identity(n) != before[static_cast<size_t>(n)], rewritten) << edited << ": " << n;
    }
    if (edited != 0) {
      EXPECT_EQ(dir_.Read(copy_name(edited)), "edited");
      before[static_cast<size_t>(edited)] = identity(edited);
    }
    EXPECT_TRUE(dir_.Read("copies/kpxpairs") == fresh_pairs()) << edited;
  }
}
TEST_F(CopyRunTest, RunWithoutARunLogStillCopies) {
  RecordingServices no_log(dir_.path());  // a directory cannot be the run log
  WriteRepeatedListing(1, "x");
  EXPECT_TRUE(CopyArticles(settings_, no_log));
  EXPECT_EQ(Copy("a1/t0001"), "x");
}

}  // namespace
}  // namespace preproc
