#include "preproc/indexer/index_run.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <new>
#include <string>
#include <thread>
#include <utility>

#include "indexformat/fold_record.h"
#include "indexformat/index_format.h"
#include "platform/file_system.h"
#include "platform/path_lock.h"
#include "platform/testing/temp_dir.h"
#include "preproc/indexer/testing/recording_services.h"

namespace preproc {
namespace {

using platform::testing::TempDir;

// Everything below root, by relative name: a file's bytes, or a mark for a
// directory, a link or anything else. Entries whose names begin with skip are
// left out.
std::map<std::string, std::string> Snapshot(const std::string& root, const std::string& skip = "") {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> entries;
  if (!fs::exists(root)) return entries;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    const std::string relative = fs::relative(it->path(), root).generic_string();
    if (!skip.empty() && relative.rfind(skip, 0) == 0) {
      it.disable_recursion_pending();
      continue;
    }
    std::string& entry = entries[relative];
    if (it->is_symlink()) {
      entry = "<link>";
    } else if (it->is_directory()) {
      entry = "<directory>";
    } else if (it->is_regular_file()) {
      platform::ReadWholeFile(it->path().string(), &entry);
    } else {
      entry = "<other>";
    }
  }
  return entries;
}

class IndexRunTest : public ::testing::Test {
 protected:
  IndexRunTest() : services_(dir_.Join("kpxsindx.log")) {
    settings_.listing_file = dir_.Join("listing.txt");
    settings_.article_path = dir_.Join("articles");
    settings_.index_path = dir_.Join("index");
  }

  void Article(const std::string& name, const std::string& text) {
    dir_.Write("articles/" + name, text);
  }
  void Listing(const std::string& text) { dir_.Write("listing.txt", text); }
  bool Run() { return GenerateIndexFiles(settings_, services_); }
#ifndef _WIN32
  // Runs the index run in a child whose files may not grow past 1,500 bytes (a
  // full disk) and returns how often it reported error, or 99 when the run
  // succeeded or did not end with closing (when given).
  int RunOnFullDisk(const std::string& error, const std::string& closing) {
    pid_t child = fork();
    if (child == 0) {
      struct rlimit none = {0, 0};
      setrlimit(RLIMIT_CORE, &none);
      struct rlimit size = {1500, 1500};
      setrlimit(RLIMIT_FSIZE, &size);
      signal(SIGXFSZ, SIG_IGN);
      const bool ok = Run();
      const std::vector<std::string>& errors = services_.errors;
      if (ok || (!closing.empty() && (errors.empty() || errors.back() != closing))) _exit(99);
      _exit(static_cast<int>(std::count(errors.begin(), errors.end(), error)));
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
#endif
  std::string Dump(const std::string& file) {
    return indexformat::DumpIndexFile(dir_.Read("index/" + file));
  }
  std::string Log() { return dir_.ReadText("kpxsindx.log"); }

  TempDir dir_;
  RunSettings settings_;
  testing::RecordingServices services_;
};

TEST_F(IndexRunTest, TwoArticlesCatHatWholeRun) {
  Article("one.txt", "cat hat");
  Article("two.txt", "Cat");
  Listing("one.txt\n| a comment line\ntwo.txt\n");
  ASSERT_TRUE(Run());
  EXPECT_EQ(Dump("C/C"), "C 2: 1 2\n");
  EXPECT_EQ(Dump("C/CA"), "CAT 2: 1 2\n");
  EXPECT_EQ(Dump("H/H"), "H 1: 1\n");
  EXPECT_EQ(Dump("H/HA"), "HAT 1: 1\n");
  EXPECT_EQ(dir_.Read("index/extras"), "");
  EXPECT_EQ(dir_.Read("index/C/C"), std::string("\x01"
                                                "C000200010002"));
  EXPECT_EQ(dir_.ReadText("index/log"),
            " -- File Mapping Log --\n[#KeyRange]\t[#FileMatch]\t[Name]\t[NewName]\n"
            "0\t1\tone.txt\tt0001\n1\t2\ttwo.txt\tt0002\n");
  EXPECT_EQ(indexformat::DumpFoldRecord(dir_.Read("index/fold")).substr(0, 12), "fold cp1252\n");
  std::string index_path = dir_.Join("index/");
  EXPECT_EQ(Log(),
            "# KPXSindx: Search Pre-processor Started ...\n"
            "Listing of files to be word - tree'd\n\n"
            "\\-/-\\/-\\/-\\/-\\/-\\/-\\/-\\/-\\-/\n"
            "# KPXSindx: Reading words from 2 articles ...\n"
            "\n>> File#    1 << #wds =      4;      4 new"
            "\n>> File#    2 << #wds =      6;      6 new"
            "\n# KPXSindx: Completed word count/sort ... now writing out wordTree\n"
            "Running Total :: Char :: Cnt (1-ltr + 2-ltr + extras)\n"
            "WordCnt      4;  For C:    4  (   2 +    2 +    0)\n"
            "\n# KPXSindx: Completed file writing to " +
                index_path +
                "\n"
                "# KPXSindx: FREEing tree and list nodes.\n"
                "# KPXSindx: Search Pre-processor Finished.\n");
  EXPECT_EQ(services_.results, std::vector<std::string>{"Words in vocabulary: 6"});
  EXPECT_TRUE(services_.errors.empty());
  EXPECT_EQ(services_.status_text(), "Done -- Check log for statistics");
}

// The article phase steps once per article over 0..n; the writing phase once
// per group change over 0..28, and ends full.
TEST_F(IndexRunTest, ProgressStepsPerArticleThenPerGroupAndEndsFull) {
  Article("one.txt", "cat hat");
  Article("two.txt", "Cat");
  Listing("one.txt\n| a comment line\ntwo.txt\n");
  ASSERT_TRUE(Run());
  EXPECT_EQ(services_.progress,
            (std::vector<std::string>{"0..2+10@0", "0..2+1@1", "0..2+1@2",    // two articles
                                      "0..28+1@2", "0..28+1@0",               // C
                                      "0..28+1@1", "0..28+1@2", "0..28+1@3",  // CA, H, HA
                                      "0..28+1@28"}));
}

// 31 groups: the 29th of the 30 group changes starts the bar again from 0.
TEST_F(IndexRunTest, ProgressOfMoreThan28GroupsStartsAgainFromZero) {
  std::string words = "1997";
  for (char c = 'A'; c <= 'O'; ++c) words += std::string{' ', c, 'X'};  // a letter and a pair
  Article("one.txt", words);
  Listing("one.txt\n");
  ASSERT_TRUE(Run());
  std::vector<std::string> expected = {"0..1+10@0", "0..1+1@1", "0..28+1@1", "0..28+1@0"};
  for (int change = 1; change <= 30; ++change) {
    expected.push_back("0..28+1@" + std::to_string(change % 29));
  }
  expected.push_back("0..28+1@28");
  EXPECT_EQ(services_.progress, expected);
}

TEST_F(IndexRunTest, SecondRunGivesIdenticalFilesAndLog) {
  Article("a.txt", "The quick brown fox 1997 \xE9t\xE9 A4 a");
  Article("b.txt", "<p>jumps over</p> the lazy dog");
  Listing("a.txt\nb.txt");
  ASSERT_TRUE(Run());
  std::string log = Log(), extras = Dump("extras"), t = Dump("T/TH");
  ASSERT_TRUE(Run());
  EXPECT_EQ(Log(), log);
  EXPECT_EQ(Dump("extras"), extras);
  EXPECT_EQ(Dump("T/TH"), t);
  EXPECT_EQ(extras, "1997 1: 1\n<P>JUMPS 1: 2\nA4 1: 1\n\\xC9T\\xC9 1: 1\n");
  EXPECT_EQ(Dump("A/A"), "A 1: 1\n");  // the word A and the letter entry A are one
}

TEST_F(IndexRunTest, HtmlArticlesAndDelimiters) {
  Article("page.html", "<html><b>Cat</b>,dog</html>");
  Listing("page.html\n");
  settings_.article_type = kHtmlArticle;
  settings_.delimiters = ",";
  ASSERT_TRUE(Run());
  EXPECT_EQ(Dump("C/CA"), "CAT 1: 1\n");
  EXPECT_EQ(Dump("D/DO"), "DOG 1: 1\n");
  EXPECT_FALSE(dir_.Exists("index/H/HT"));
}

// Extras groups come between letter files in the walk; those that follow one
// another share one opening of the extras file, the others open it again.
// Either way every entry lands, in ascending order, and each letter file
// holds only its own group.
TEST_F(IndexRunTest, ExtrasGroupsBetweenLetterFilesAllLand) {
  Article("1.txt", "2000 1997 ab a4 a- b2 ba bb 1997 \xC9t\xC9");
  Article("2.txt", "ab 19 a4 zz");
  Listing("1.txt\n2.txt\n");
  ASSERT_TRUE(Run());
  EXPECT_EQ(Dump("extras"),
            "19 1: 2\n1997 1: 1\n2000 1: 1\nA- 1: 1\nA4 2: 1 2\nB2 1: 1\n\\xC9T\\xC9 1: 1\n");
  EXPECT_EQ(Dump("A/AB"), "AB 2: 1 2\n");
  EXPECT_EQ(Dump("B/BA"), "BA 1: 1\n");
  EXPECT_EQ(Dump("B/BB"), "BB 1: 1\n");
  EXPECT_EQ(Dump("Z/ZZ"), "ZZ 1: 2\n");
}

TEST_F(IndexRunTest, ChunksOf199KeepTheWholeGroupInOrder) {
  std::string text;
  for (int i = 0; i < 450; ++i) {
    text += "AB";
    text += static_cast<char>('A' + i / 26 % 26);
    text += static_cast<char>('A' + i % 26);
    text += ' ';
  }
  Article("ab.txt", text);
  Listing("ab.txt\n");
  ASSERT_TRUE(Run());
  std::string dump = Dump("A/AB");
  EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 450);
  EXPECT_EQ(dump.substr(0, 11), "ABAA 1: 1\nA");
  EXPECT_NE(dump.find("ABRH 1: 1\n"), std::string::npos);  // the last word, in the third chunk
}

// One "could not write to" per chunk of 199 that is lost.
#ifndef _WIN32
// Each chunk of 199 entries is lost or kept on its own, so a two-letter file
// that cannot grow reports every chunk it loses, then the run fails once;
// only the staged A/AB needs more than the child may write.
TEST_F(IndexRunTest, UnwritableGroupReportsEachOfItsChunks) {
  Listing("ab.txt\n");
  const std::string error =
      "\n# KPXSindx: ERROR, could not write to " + dir_.Join("index/A/AB") + "\n";
  const std::string closing = "\n# KPXSindx: ERROR, index set in '" + dir_.Join("index/") +
                              "' not replaced: 1 index file(s) could not be written\n";
  for (auto [entries, chunks] : {std::pair{199, 1}, {200, 2}, {398, 2}, {399, 3}}) {
    std::string text;
    for (int i = 0; i < entries; ++i) {
      text += {'A', 'B', static_cast<char>('A' + i / 26), static_cast<char>('A' + i % 26), ' '};
    }
    Article("ab.txt", text + "cat");
    EXPECT_EQ(RunOnFullDisk(error, closing), chunks) << entries;
    EXPECT_FALSE(dir_.Exists("index/C/CA")) << entries;  // nothing replaced
  }
}

// The extras groups of one first character go to the file in one write; one
// that stops short loses the group it stopped in, and every group after it
// is tried on its own and reports its loss, as each group written alone
// would. 26 groups "1A".."1Z" of ten 13-byte entries: 11 fit in 1,500 bytes.
TEST_F(IndexRunTest, ExtrasWriteStoppingShortLosesEachGroupFromThere) {
  std::string text;
  for (char second = 'A'; second <= 'Z'; ++second) {
    for (char last = 'A'; last < 'A' + 10; ++last) text += {'1', second, 'A', last, ' '};
  }
  Article("ab.txt", text);
  Listing("ab.txt\n");
  const std::string error =
      "\n# KPXSindx: ERROR, could not write to " + dir_.Join("index/extras") + "\n";
  EXPECT_EQ(RunOnFullDisk(error, ""), 26 - 11);
}
#endif

// A statistics line per first character, written when the walk has moved on
// to the next one: letters, digits and punctuation alike; the last gets none.
TEST_F(IndexRunTest, StatisticsLinesSumEachFileClassPerCharacter) {
  Article("1.txt", "ab ac a1 1997 2000");
  Article("2.txt", "ab ac 2000");
  Article("3.txt", "ab a1 #tag be");
  Listing("1.txt\n2.txt\n3.txt\n");
  ASSERT_TRUE(Run());
  const std::string log = Log();
  const std::string header = "Running Total :: Char :: Cnt (1-ltr + 2-ltr + extras)\n";
  const size_t from = log.find(header) + header.size();
  const size_t to = log.find("\n# KPXSindx: Completed file writing");
  ASSERT_LT(from, to);
  EXPECT_EQ(log.substr(from, to - from),
            "WordCnt      1;  For #:    1  (   0 +    0 +    1)\n"
            "WordCnt      2;  For 1:    1  (   0 +    0 +    1)\n"
            "WordCnt      4;  For 2:    2  (   0 +    0 +    2)\n"
            "WordCnt     14;  For A:   10  (   3 +    5 +    2)\n");
}

TEST_F(IndexRunTest, BlockLimitOf2500Articles) {
  std::string listing;
  for (int i = 0; i < 2501; ++i) listing += i < 2500 ? "both.txt\n" : "more.txt\n";
  Article("both.txt", "zz yy");
  Article("more.txt", "zz");
  Listing(listing);
  ASSERT_TRUE(Run());
  std::string yy = dir_.Read("index/Y/YY"), zz = dir_.Read("index/Z/ZZ");
  EXPECT_EQ(yy.size(), 1 + 2 + 4 + 10000u);  // exactly 2500: complete, no warning
  EXPECT_EQ(zz.size(), 1 + 2 + 4 + 10000u);  // 2501: the first 2500
  EXPECT_EQ(zz.substr(3, 4), "2500");
  EXPECT_EQ(zz.substr(zz.size() - 4), "2500");
  ASSERT_EQ(services_.errors.size(), 2u);  // Z's letter entry and ZZ
  EXPECT_EQ(services_.errors[1],
            "\n# KPXSindx: WARNING, word cnt for ZZ > max block size (10000)\n");
}

TEST_F(IndexRunTest, LongWordsAndLengthBytes) {
  std::string w255(255, 'q'), w300(300, 'r');
  Article("long.txt", w255 + " " + w300 + " abcdefghij");
  Listing("long.txt\n");
  ASSERT_TRUE(Run());
  std::string qq = dir_.Read("index/Q/QQ");
  ASSERT_FALSE(qq.empty());
  EXPECT_EQ(static_cast<unsigned char>(qq[0]), 0xFF);
  EXPECT_EQ(Dump("R/RR"), std::string(255, 'R') + " 1: 1\n");
  EXPECT_EQ(dir_.Read("index/A/AB")[0], '\x0A');
}

TEST_F(IndexRunTest, ListingOf10000LinesStopsAfter9999) {
  std::string listing;
  for (int i = 1; i < 9999; ++i) listing += "a.txt\n";
  listing += "n9999\nn10000\n";
  Listing(listing);
  Article("a.txt", "");
  Article("n9999", "");
  EXPECT_TRUE(Run());  // a warning, not an error
  EXPECT_NE(Log().find("# KPXSindx: Warning, no more files read in after # 9999 (n9999)\n"),
            std::string::npos);
  std::string log_file = dir_.ReadText("index/log");
  EXPECT_NE(log_file.find("9998\t9999\tn9999\tt9999\n"), std::string::npos);
  EXPECT_EQ(log_file.find("n10000"), std::string::npos);
}

TEST_F(IndexRunTest, EmptyListingCompletesWithEmptyVocabulary) {
  Listing("| only a comment\n");
  ASSERT_TRUE(Run());
  EXPECT_EQ(dir_.Read("index/extras"), "");
  EXPECT_EQ(services_.results, std::vector<std::string>{"Words in vocabulary: 0"});
}

TEST_F(IndexRunTest, FailuresReportTheirMessageAndEndTheRun) {
  EXPECT_FALSE(Run());  // no listing
  EXPECT_EQ(services_.errors.back(),
            "\n# KPXSindx: ERROR, could not open Article's listing file '" +
                settings_.listing_file + "'\n");
  EXPECT_EQ(Log(), "# KPXSindx: Search Pre-processor Started ...\n" + services_.errors.back());

  Listing("a.txt\n");
  RunSettings saved = settings_;
  settings_.article_path.clear();
  EXPECT_FALSE(Run());
  EXPECT_EQ(services_.errors.back(), "\n# KPXSindx: ERROR, no Article Path specified.");
  settings_ = saved;
  settings_.index_path.clear();
  EXPECT_FALSE(Run());
  EXPECT_EQ(services_.errors.back(), "\n# KPXSindx: ERROR, no Index Path specified.");

  settings_ = saved;
  dir_.Write("plain", "a regular file");
  settings_.index_path = dir_.Join("plain/index");
  EXPECT_FALSE(Run());
  EXPECT_EQ(services_.errors.back(),
            "\n# KPXSindx: ERROR, could not find/create index file path '" +
                dir_.Join("plain/index/") + "'\n");

  settings_ = saved;
  EXPECT_FALSE(Run());  // a.txt is missing; the article path was created empty
  EXPECT_EQ(services_.errors.back(),
            "\n# KPXSindx: ERROR, could not open article '" + dir_.Join("articles/a.txt") + "'\n");
  EXPECT_FALSE(services_.run_log_open());
}

TEST_F(IndexRunTest, EmptyListingLineNamesTheArticlePathItself) {
  Article("a.txt", "x");
  Listing("a.txt\n\n");
  EXPECT_FALSE(Run());
  EXPECT_EQ(services_.errors.back(),
            "\n# KPXSindx: ERROR, could not open article '" + dir_.Join("articles/") + "'\n");
}

TEST_F(IndexRunTest, BackslashesInTheListingAreSeparators) {
  Article("news/may.txt", "cat");
  Listing("news\\may.txt\r\n");
  ASSERT_TRUE(Run());
  EXPECT_EQ(Dump("C/CA"), "CAT 1: 1\n");
  EXPECT_NE(dir_.ReadText("index/log").find("0\t1\tnews\\may.txt\tt0001\n"), std::string::npos);
}

TEST_F(IndexRunTest, FailedRunKeepsThePreviousSet) {
  Article("a.txt", "cat 1997");
  Listing("a.txt\n");
  ASSERT_TRUE(Run());
  const std::string log = dir_.Read("index/log");
  Article("b.txt", "dog");
  Listing("b.txt\na.txt\nmissing.txt\n");
  EXPECT_FALSE(Run());
  EXPECT_EQ(Dump("C/CA"), "CAT 1: 1\n");
  EXPECT_EQ(Dump("extras"), "1997 1: 1\n");
  EXPECT_EQ(dir_.Read("index/log"), log);  // the names still match the numbers
  EXPECT_FALSE(dir_.Exists("index/D"));
  EXPECT_FALSE(dir_.Exists("index/.kpxsindx-staging"));
}

TEST_F(IndexRunTest, FilesOfAnEarlierListingAreRemoved) {
  Article("a.txt", "quiz cat");
  Article("b.txt", "cat");
  Listing("a.txt\n");
  ASSERT_TRUE(Run());
  ASSERT_TRUE(dir_.Exists("index/Q/QU"));
  dir_.Write("index/Q/notes", "the author's own file");
  std::filesystem::create_directories(dir_.Join("index/Z/ZZ"));
  Listing("b.txt\n");
  ASSERT_TRUE(Run());
  EXPECT_FALSE(dir_.Exists("index/Q/QU"));
  EXPECT_FALSE(dir_.Exists("index/Q/Q"));
  EXPECT_TRUE(dir_.Exists("index/Q/notes"));
  EXPECT_TRUE(dir_.Exists("index/Z/ZZ"));  // a directory stays
  EXPECT_EQ(Dump("C/CA"), "CAT 1: 1\n");
}

TEST_F(IndexRunTest, UnwritableIndexFileFailsTheRunWithOneClosingError) {
  Article("a.txt", "cat dog");
  Listing("a.txt\n");
  std::filesystem::create_directories(dir_.Join("index/C/CA"));  // a directory cannot be written
  EXPECT_FALSE(Run());
  ASSERT_EQ(services_.errors.size(), 2u);
  EXPECT_EQ(services_.errors[0],
            "\n# KPXSindx: ERROR, could not write to " + dir_.Join("index/C/CA") + "\n");
  EXPECT_EQ(services_.errors[1], "\n# KPXSindx: ERROR, index set in '" + dir_.Join("index/") +
                                     "' not replaced: 1 index file(s) could not be written\n");
  EXPECT_TRUE(services_.results.empty());  // no "Words in vocabulary"
  EXPECT_FALSE(dir_.Exists("index/D/DO"));
  EXPECT_FALSE(dir_.Exists("index/log"));
  EXPECT_EQ(Log().find("Completed file writing"), std::string::npos);
  EXPECT_EQ(Log().substr(Log().size() - services_.errors[1].size()), services_.errors[1]);
}

// The words go into the set folded by the chosen table, and the fold record
// names it: accent-free words are looked up by their letters (Z&Uuml;RICH
// lives in Z/ZU, not in extras), and their initials give letter entries.
TEST_F(IndexRunTest, FoldRecordNamesTheTableTheWordsWereFoldedWith) {
  Article("a.txt",
          "Z\xFCrich caf\xE9 \xC9T\xC9 \xE6"
          "bler zurich");
  Listing("a.txt\n");
  ASSERT_TRUE(Run());
  EXPECT_EQ(Dump("Z/ZU"), "ZURICH 1: 1\n");
  EXPECT_EQ(Dump("extras"), "Z\\xDCRICH 1: 1\n\\xC6BLER 1: 1\n\\xC9T\\xC9 1: 1\n");
  EXPECT_EQ(dir_.Read("index/fold"),
            indexformat::EncodeFoldRecord("cp1252", platform::kCp1252UpperCase));

  settings_.ignore_accents = true;
  ASSERT_TRUE(Run());
  EXPECT_EQ(Dump("Z/ZU"), "ZURICH 1: 1\n");
  EXPECT_EQ(Dump("C/CA"), "CAFE 1: 1\n");
  EXPECT_EQ(Dump("E/ET"), "ETE 1: 1\n");
  EXPECT_EQ(Dump("E/E"), "E 1: 1\n");
  EXPECT_EQ(Dump("extras"), "\\xC6BLER 1: 1\n");
  EXPECT_EQ(dir_.Read("index/fold"),
            indexformat::EncodeFoldRecord("cp1252-accent-free", platform::kCp1252AccentFree));

  settings_.ignore_accents = false;
  settings_.fold = platform::CaseFold::kAscii;
  ASSERT_TRUE(Run());
  EXPECT_EQ(Dump("extras"),
            "Z\\xFCRICH 1: 1\n\\xC9T\\xC9 1: 1\n\\xE6"
            "BLER 1: 1\n");
  EXPECT_FALSE(dir_.Exists("index/E/E"));
  EXPECT_EQ(indexformat::DumpFoldRecord(dir_.Read("index/fold")), "fold ascii\na..z -> A..Z\n");
}

TEST_F(IndexRunTest, UnwritableExtrasOrMappingLogFailsTheRun) {
  Article("a.txt", "cat");
  Listing("a.txt\n");
  std::filesystem::create_directories(dir_.Join("index/extras"));
  EXPECT_FALSE(Run());
  EXPECT_EQ(services_.errors.back(), "\n# KPXSindx: ERROR, could not open the extras file '" +
                                         dir_.Join("index/extras") + "'\n");
  std::filesystem::remove(dir_.Join("index/extras"));
  std::filesystem::create_directories(dir_.Join("index/log"));
  EXPECT_FALSE(Run());
  EXPECT_EQ(services_.errors.back(), "\n# KPXSindx: ERROR, could not open the file log file '" +
                                         dir_.Join("index/log") + "'\n");
  std::filesystem::remove(dir_.Join("index/log"));
  std::filesystem::create_directories(dir_.Join("index/fold"));
  EXPECT_FALSE(Run());
  EXPECT_EQ(services_.errors.back(), "\n# KPXSindx: ERROR, could not write the fold record '" +
                                         dir_.Join("index/fold") + "'\n");
  EXPECT_FALSE(dir_.Exists("index/C"));
}

TEST_F(IndexRunTest, BinaryArticleEndsAtItsFirstNulAndFoldsHighBytes) {
  std::string binary("caf\xE9 \xFF\x80\x01 na\xEFve\0hidden words", 27);
  Article("bin.dat", binary);
  Listing("bin.dat\n");
  ASSERT_TRUE(Run());
  EXPECT_EQ(Dump("C/CA"), "CAF\\xC9 1: 1\n");
  EXPECT_EQ(Dump("N/NA"), "NA\\xCFVE 1: 1\n");
  EXPECT_EQ(Dump("extras"), "\\x9F\\x80\\x01 1: 1\n");
  EXPECT_FALSE(dir_.Exists("index/H/HI"));
}

#ifndef _WIN32  // Windows' 8-bit file calls stop at 260 characters (MAX_PATH)
TEST_F(IndexRunTest, ThousandCharacterIndexPathWorks) {
  std::string deep = dir_.path();
  while (deep.size() < 1000) deep += "/" + std::string(90, 'd');
  settings_.index_path = deep;
  Article("a.txt", "cat");
  Listing("a.txt\n");
  ASSERT_TRUE(Run());
  std::string entry;
  EXPECT_TRUE(platform::ReadWholeFile(deep + "/C/CA", &entry));
  EXPECT_EQ(indexformat::DumpIndexFile(entry), "CAT 1: 1\n");
}
#endif

constexpr char kStaging[] = ".kpxsindx-staging";

// A failing run, at every step where it can fail, leaves the set of the run
// before it as it was, byte for byte, file mapping log included; and a clean
// run afterwards gives exactly the set a run into an empty directory gives.
class PreviousSetTest : public IndexRunTest {
 protected:
  void SetUp() override {
    Article("a.txt", "The cat sat on the mat in 1997.");
    Article("b.txt", "A quiz: the dog and the zebra.");
    std::string yodels;  // one chunk of a two-letter file of some 2,400 bytes
    for (int i = 0; i < 150; ++i) yodels += "yodel" + std::to_string(i) + " ";
    Article("c.txt", yodels + "new words");
    Listing("a.txt\nb.txt\n");
    ASSERT_TRUE(Run());
    previous_ = Snapshot(dir_.Join("index"));
    ASSERT_FALSE(previous_.empty());
    Listing("c.txt\nb.txt\na.txt\n");  // the next listing renumbers every article
    good_ = settings_;
  }
  // The index path after a killed run: the staging directory left out, and
  // the lock file the run held, which the next run takes over.
  std::map<std::string, std::string> KeptAfterAKill() {
    std::map<std::string, std::string> kept = Snapshot(dir_.Join("index"), kStaging);
    EXPECT_EQ(kept.erase(".kpxsindx-lock"), 1u);
    return kept;
  }
  void ExpectKept(const std::string& row) {
    EXPECT_EQ(Snapshot(dir_.Join("index")), previous_) << row;
  }
  // After a clean run, the set equals one written into an empty directory.
  void ExpectCleanRunMatchesAFreshOne() {
    settings_ = good_;
    ASSERT_TRUE(Run());
    const auto cleaned = Snapshot(dir_.Join("index"));
    settings_.index_path = dir_.Join("fresh");
    ASSERT_TRUE(Run());
    EXPECT_EQ(cleaned, Snapshot(dir_.Join("fresh")));
    EXPECT_FALSE(dir_.Exists(std::string("index/") + kStaging));
  }
#ifndef _WIN32
  // Runs the index run in a child process whose files may grow to limit
  // bytes; returns the child's wait status. With the size signal ignored a
  // write past the limit fails, as on a full disk; otherwise the signal
  // kills the run right there, in the middle of a write.
  int RunWithFileSizeLimit(rlim_t limit, bool ignore_signal, const std::string& expected_error) {
    pid_t child = fork();
    if (child == 0) {
      struct rlimit none = {0, 0};
      setrlimit(RLIMIT_CORE, &none);
      struct rlimit size = {limit, limit};
      setrlimit(RLIMIT_FSIZE, &size);
      signal(SIGXFSZ, ignore_signal ? SIG_IGN : SIG_DFL);
      const bool ok = Run();
      _exit(!ok && !services_.errors.empty() && services_.errors.back() == expected_error ? 3 : 4);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
  }
#endif

  std::map<std::string, std::string> previous_;
  RunSettings good_;
};

TEST_F(PreviousSetTest, EveryFailureRowKeepsIt) {
  settings_.listing_file = dir_.Join("nope.txt");
  EXPECT_FALSE(Run());
  ExpectKept("listing file cannot be opened");

  settings_ = good_;
  settings_.article_path.clear();
  EXPECT_FALSE(Run());
  ExpectKept("article path empty");

  settings_ = good_;
  dir_.Write("plain", "x");
  settings_.article_path = dir_.Join("plain/articles");
  EXPECT_FALSE(Run());
  ExpectKept("article path cannot be created");

  // A file of the staging directory's name is not the run's to remove, so
  // the run cannot stage its extras file.
  settings_ = good_;
  dir_.Write(std::string("index/") + kStaging, "the author's");
  EXPECT_FALSE(Run());
  EXPECT_EQ(services_.errors.back(), "\n# KPXSindx: ERROR, could not open the extras file '" +
                                         dir_.Join("index/extras") + "'\n");
  EXPECT_EQ(dir_.Read(std::string("index/") + kStaging), "the author's");
  std::filesystem::remove(dir_.Join(std::string("index/") + kStaging));
  ExpectKept("extras file cannot be created");

#ifndef _WIN32
  // 16 bytes: the empty extras file is made, the file mapping log's header is too long.
  EXPECT_EQ(
      RunWithFileSizeLimit(
          16, true, "\n# KPXSindx: ERROR, could not write to " + dir_.Join("index/log") + "\n"),
      3 << 8);
  ExpectKept("file mapping log cannot be written");
#endif

  settings_ = good_;
  Listing("c.txt\nb.txt\nmissing.txt\na.txt\n");
  EXPECT_FALSE(Run());
  EXPECT_EQ(services_.errors.back(), "\n# KPXSindx: ERROR, could not open article '" +
                                         dir_.Join("articles/missing.txt") + "'\n");
  ExpectKept("an article cannot be opened");
  Listing("c.txt\nb.txt\na.txt\n");

#ifndef _WIN32
  // Writes that fail in the walk: Y/YO outgrows the limit; every other file fits.
  EXPECT_EQ(RunWithFileSizeLimit(2000, true,
                                 "\n# KPXSindx: ERROR, index set in '" + dir_.Join("index/") +
                                     "' not replaced: 1 index file(s) could not be written\n"),
            3 << 8);
  ExpectKept("an index file cannot be written");
#endif
  ExpectCleanRunMatchesAFreshOne();
}

// Run services whose front end runs out of memory at its n-th progress change
// (from 1), as a form's drawing may: the failure comes from inside the run, in
// whichever phase that change falls, the writing phase's second thread busy.
class NoMemoryAtProgress : public testing::RecordingServices {
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

// Memory running out at any progress change fails the run with one error that
// names its phase, shown and logged last; the staging directory is gone and
// the previous set stays as it was, until the new one is in place.
TEST_F(PreviousSetTest, RunningOutOfMemoryAnywhereKeepsIt) {
  const std::string articles = "\n# KPXSindx: ERROR, not enough memory to read the articles\n";
  const std::string files = "\n# KPXSindx: ERROR, not enough memory to write the index files\n";
  const std::string finish = "\n# KPXSindx: ERROR, not enough memory to finish the run\n";
  NoMemoryAtProgress counting(dir_.Join("count.log"), 0);
  RunSettings fresh = settings_;
  fresh.index_path = dir_.Join("fresh");
  ASSERT_TRUE(GenerateIndexFiles(fresh, counting));
  const auto replaced = Snapshot(dir_.Join("fresh"));
  std::map<std::string, int> seen;
  for (int n = 1; n <= counting.changes; ++n) {
    NoMemoryAtProgress failing(dir_.Join("kpxsindx.log"), n);
    EXPECT_FALSE(GenerateIndexFiles(settings_, failing)) << n;
    ASSERT_EQ(failing.errors.size(), 1u) << n;
    const std::string& error = failing.errors[0];
    ++seen[error];
    EXPECT_TRUE(failing.results.empty()) << n;
    const std::string log = Log();
    ASSERT_GE(log.size(), error.size());
    EXPECT_EQ(log.substr(log.size() - error.size()), error) << n;
    EXPECT_FALSE(dir_.Exists(std::string("index/") + kStaging)) << n;
    if (error == finish) {
      EXPECT_EQ(Snapshot(dir_.Join("index")), replaced) << n;
      ASSERT_EQ(n, counting.changes);  // only the full bar is left then
    } else {
      ExpectKept("no memory at progress change " + std::to_string(n));
    }
  }
  EXPECT_EQ(seen[articles], 4);  // the range, then a step per article
  EXPECT_GT(seen[files], 3);     // the range, the position, a step per group
  EXPECT_EQ(seen[finish], 1);
  EXPECT_EQ(seen.size(), 3u) << "no other error";
  ExpectCleanRunMatchesAFreshOne();
}

TEST_F(PreviousSetTest, AnIndexFileThatCannotBeReplacedKeepsIt) {
  std::filesystem::create_directories(dir_.Join("index/Y/YO"));  // a directory: no file goes there
  previous_ = Snapshot(dir_.Join("index"));
  EXPECT_FALSE(Run());
  EXPECT_EQ(services_.errors.front(),
            "\n# KPXSindx: ERROR, could not write to " + dir_.Join("index/Y/YO") + "\n");
  ExpectKept("a directory in place of an index file");
  std::filesystem::remove(dir_.Join("index/Y/YO"));
  ExpectCleanRunMatchesAFreshOne();
}

#ifndef _WIN32
// Root writes anywhere; an immutable index directory refuses even root. Runs
// where the file system supports the attribute.
// A run on an index path another run holds is refused before it stages
// anything: not even the held run's staging directory is touched. A run that
// completes leaves no lock file behind.
TEST_F(PreviousSetTest, ALockedIndexPathIsRefusedAndKeepsIt) {
  const std::string staged = dir_.Write(std::string("index/") + kStaging + "/log", "running");
  {
    platform::PathLock held;
    ASSERT_EQ(held.Acquire(dir_.Join("index/.kpxsindx-lock")), platform::PathLock::Result::kLocked);
    EXPECT_FALSE(Run());
    EXPECT_EQ(services_.errors.back(), "\n# KPXSindx: ERROR, index path '" + dir_.Join("index") +
                                           platform::kSeparator +
                                           "' is in use by another index run\n");
    EXPECT_EQ(dir_.Read(std::string("index/") + kStaging + "/log"), "running");
  }
  std::filesystem::remove_all(dir_.Join(std::string("index/") + kStaging));
  ExpectKept("index path locked");
  ASSERT_TRUE(Run());
  EXPECT_FALSE(dir_.Exists("index/.kpxsindx-lock"));
}

TEST_F(PreviousSetTest, AnImmutableIndexPathKeepsIt) {
  const std::string index = dir_.Join("index");
  if (std::system(("chattr +i " + index + " 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "no immutable attribute on this file system";
  }
  struct Release {
    std::string path;
    ~Release() { std::system(("chattr -i " + path).c_str()); }
  } release{index};
  EXPECT_FALSE(Run());
  EXPECT_EQ(services_.errors.back(), "\n# KPXSindx: ERROR, could not open the extras file '" +
                                         dir_.Join("index/extras") + "'\n");
  ExpectKept("an index path that takes no new file");
}

// A large article holds the run among the articles: the listing is read, the
// file mapping log staged. The run is killed there; the next run removes what
// it staged.
TEST_F(PreviousSetTest, ARunKilledAtAnArticleKeepsItAndTheNextRunCleansUp) {
  std::string big;
  while (big.size() < (32u << 20)) big += "lorem ipsum dolor sit amet ";
  Article("big.txt", big);
  Listing("c.txt\nbig.txt\nb.txt\na.txt\n");
  const std::string staged_log = std::string("index/") + kStaging + "/log";
  pid_t child = fork();
  if (child == 0) _exit(Run() ? 0 : 1);
  for (int i = 0; i < 100000 && !dir_.Exists(staged_log); ++i) {
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_TRUE(dir_.Exists(std::string("index/") + kStaging + "/log"));
  EXPECT_EQ(KeptAfterAKill(), previous_);
  Listing("c.txt\nb.txt\na.txt\n");
  ExpectCleanRunMatchesAFreshOne();
}

// The file size signal kills the run in the middle of its first write past
// the limit: Y/YO, half-written in the staging directory.
TEST_F(PreviousSetTest, ARunKilledWhileWritingKeepsItAndTheNextRunCleansUp) {
  const int status = RunWithFileSizeLimit(2000, false, "");
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
  const std::string staged = dir_.Read(std::string("index/") + kStaging + "/Y/YO");
  EXPECT_EQ(staged.size(), 2000u);
  EXPECT_EQ(KeptAfterAKill(), previous_);
  ExpectCleanRunMatchesAFreshOne();
}
#endif

#ifndef _WIN32
// A rename of the replacement that fails puts back what was moved: the run
// fails naming the file, and the set is the previous one byte for byte.
TEST_F(PreviousSetTest, ARenameThatFailsWhileTheSetIsMovedInKeepsIt) {
  int renames = 0;  // counted on a copy of the set
  const StagingRename counting = [&renames](const std::string& from, const std::string& to) {
    ++renames;
    return platform::RenameOver(from, to);
  };
  std::filesystem::copy(dir_.Join("index"), dir_.Join("count"),
                        std::filesystem::copy_options::recursive);
  RunSettings copy = settings_;
  copy.index_path = dir_.Join("count");
  ASSERT_TRUE(GenerateIndexFiles(copy, services_, counting));
  const int total = renames;
  ASSERT_GT(total, 10);
  for (int n : {1, 2, total / 2, total - 1}) {
    int count = 0;
    const StagingRename failing = [&count, n](const std::string& from, const std::string& to) {
      return ++count != n && platform::RenameOver(from, to);
    };
    services_.errors.clear();
    EXPECT_FALSE(GenerateIndexFiles(settings_, services_, failing)) << n;
    ASSERT_FALSE(services_.errors.empty());
    EXPECT_NE(services_.errors.back().find("not replaced: could not rename '"), std::string::npos)
        << services_.errors.back();
    ExpectKept("rename " + std::to_string(n) + " fails");
  }
  ExpectCleanRunMatchesAFreshOne();
}

// A run killed at any rename of its replacement leaves its journal; the next
// run puts the previous set back before it starts (here one that then fails
// on a missing article, so what it restored shows), or finds the new set
// committed; a clean run afterwards gives the set a fresh one gives.
TEST_F(PreviousSetTest, ARunKilledWhileTheSetIsMovedInIsRestoredByTheNextRun) {
  RunSettings fresh = settings_;
  fresh.index_path = dir_.Join("fresh");
  ASSERT_TRUE(Run());
  const auto replaced = Snapshot(dir_.Join("index"));
  for (int n = 1;; ++n) {
    std::filesystem::remove_all(dir_.Join("index"));
    Listing("a.txt\nb.txt\n");
    ASSERT_TRUE(Run());
    Listing("c.txt\nb.txt\na.txt\n");
    pid_t child = fork();
    if (child == 0) {
      int count = 0;
      const StagingRename killing = [&count, n](const std::string& from, const std::string& to) {
        if (++count == n) raise(SIGKILL);
        return platform::RenameOver(from, to);
      };
      _exit(GenerateIndexFiles(settings_, services_, killing) ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status)) {  // past the last rename: the run completed
      ASSERT_EQ(WEXITSTATUS(status), 0);
      EXPECT_GT(n, 10);
      break;
    }
    ASSERT_TRUE(WIFSIGNALED(status)) << n;
    ASSERT_EQ(KeptAfterAKill().count(std::string(kStaging) + "/journal"), 0u);
    Listing("c.txt\nb.txt\nmissing.txt\na.txt\n");
    EXPECT_FALSE(Run()) << n;
    auto after = Snapshot(dir_.Join("index"));
    after.erase(".kpxsindx-lock");
    if (after != previous_) {
      // Only once the journal was committed, by the last rename but the cleanup.
      EXPECT_EQ(Snapshot(dir_.Join("index")), replaced) << n;
    }
    EXPECT_FALSE(dir_.Exists(std::string("index/") + kStaging)) << n;
    Listing("c.txt\nb.txt\na.txt\n");
    ASSERT_TRUE(Run());
    EXPECT_EQ(Snapshot(dir_.Join("index")), replaced) << n;
  }
  ExpectCleanRunMatchesAFreshOne();
}

// A letter directory that is a link is never written through: a run that
// would write there fails naming it, the set kept; a run that writes nothing
// there leaves what the link leads to as it is, stale-looking files included.
TEST_F(PreviousSetTest, ALetterDirectoryThatIsALinkIsRefused) {
  // Both read as index files of their names: stale, were they in the set.
  dir_.Write("elsewhere/YO", std::string("\x05") + "YODEL" + "00010001");
  dir_.Write("elsewhere/Y", std::string("\x01") + "Y" + "00010001");
  const auto elsewhere = Snapshot(dir_.Join("elsewhere"));
  ASSERT_EQ(symlink(dir_.Join("elsewhere").c_str(), dir_.Join("index/Y").c_str()), 0);
  previous_ = Snapshot(dir_.Join("index"));
  EXPECT_FALSE(Run());  // c.txt has words beginning with YO
  EXPECT_EQ(services_.errors.front(), "\n# KPXSindx: ERROR, letter directory '" +
                                          dir_.Join("index/Y") +
                                          "' is a link; nothing is written through it\n");
  ExpectKept("a letter directory that is a link");
  EXPECT_EQ(Snapshot(dir_.Join("elsewhere")), elsewhere);
  Listing("a.txt\nb.txt\n");
  ASSERT_TRUE(Run());
  EXPECT_EQ(Snapshot(dir_.Join("elsewhere")), elsewhere);
  EXPECT_EQ(Snapshot(dir_.Join("index")), previous_);
}

// The whole index path may be a link: the set is written where it leads.
TEST_F(IndexRunTest, AnIndexPathThatIsALinkIsWrittenThrough) {
  Article("a.txt", "cat hat");
  Listing("a.txt\n");
  std::filesystem::create_directories(dir_.Join("real"));
  ASSERT_EQ(symlink(dir_.Join("real").c_str(), dir_.Join("index").c_str()), 0);
  ASSERT_TRUE(Run());
  EXPECT_TRUE(dir_.Exists("real/C/CA"));
}

// The identity of a file: its inode.
std::map<std::string, std::uint64_t> Inodes(const std::string& root) {
  std::map<std::string, std::uint64_t> inodes;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    struct stat info;
    if (entry.is_regular_file() && stat(entry.path().c_str(), &info) == 0) {
      inodes[std::filesystem::relative(entry.path(), root).generic_string()] = info.st_ino;
    }
  }
  return inodes;
}

// A run over an unchanged set moves nothing in; after an edit of one article
// only the files whose bytes changed are replaced, and the set equals a
// fresh run's.
TEST_F(PreviousSetTest, ARerunReplacesOnlyTheFilesThatChanged) {
  settings_ = good_;
  Listing("a.txt\nb.txt\n");
  const auto before = Inodes(dir_.Join("index"));
  ASSERT_TRUE(Run());
  EXPECT_EQ(Snapshot(dir_.Join("index")), previous_);
  EXPECT_EQ(Inodes(dir_.Join("index")), before);

  Article("b.txt", "A quiz: the dog and the yak zebra.");  // only YAK is new
  ASSERT_TRUE(Run());
  const auto after = Inodes(dir_.Join("index"));
  std::vector<std::string> replaced;
  for (const auto& [name, inode] : after) {
    if (before.count(name) == 0 || before.at(name) != inode) replaced.push_back(name);
  }
  EXPECT_EQ(replaced, (std::vector<std::string>{"Y/Y", "Y/YA"}));
  EXPECT_NE(Snapshot(dir_.Join("index")), previous_);
  const auto rerun = Snapshot(dir_.Join("index"));
  settings_.index_path = dir_.Join("fresh");
  ASSERT_TRUE(Run());
  EXPECT_EQ(rerun, Snapshot(dir_.Join("fresh")));
}
#endif

// A run removes the letter files it did not write only when they read as
// index files of their names; anything else is kept and named.
TEST_F(IndexRunTest, ForeignFilesUnderIndexNamesSurviveAndAreNamed) {
  Article("a.txt", "hello world quiz");
  Article("b.txt", "hello world");
  Listing("a.txt\n");
  ASSERT_TRUE(Run());  // Q/Q and Q/QU now hold words of this listing
  const std::string binary("\x00\xFF\x01\x02garbage", 11);
  std::string broken;  // a good entry, then one cut off in its article numbers
  broken += std::string("\x03") + "DAB" + "00010001";
  broken += std::string("\x03") + "DAD" + "0002000";
  const std::string misplaced = std::string("\x03") + "CAT" + "00010001";  // not a D/DO word
  const std::string foreign[][2] = {
      {"D/DE", "my precious notes"}, {"B/BI", binary}, {"E/EM", ""}, {"D/DA", broken},
      {"D/DO", misplaced},           {"X/X", "X"}};
  for (const auto& file : foreign) dir_.Write("index/" + file[0], file[1]);
  std::filesystem::create_directories(dir_.Join("index/Z/ZZ"));
  Listing("b.txt\n");
  services_.errors.clear();
  ASSERT_TRUE(Run());
  EXPECT_FALSE(dir_.Exists("index/Q/QU"));  // a true stale file still goes
  EXPECT_FALSE(dir_.Exists("index/Q/Q"));
  EXPECT_TRUE(std::filesystem::is_directory(dir_.Join("index/Z/ZZ")));
  for (const auto& file : foreign) {
    EXPECT_EQ(dir_.Read("index/" + file[0]), file[1]) << file[0];
    const std::string warning =
        "\n# KPXSindx: WARNING, kept '" + dir_.Join("index/" + file[0]) + "': not an index file\n";
    EXPECT_NE(std::find(services_.errors.begin(), services_.errors.end(), warning),
              services_.errors.end())
        << file[0];
    EXPECT_NE(Log().find(warning), std::string::npos) << file[0];
  }
  EXPECT_EQ(services_.errors.size(), std::size(foreign));
  EXPECT_EQ(services_.results.size(), 2u);  // the run completed
}

}  // namespace
}  // namespace preproc
