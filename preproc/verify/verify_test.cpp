#include "preproc/verify/verify.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "indexformat/fold_record.h"
#include "indexformat/index_format.h"
#include "platform/file_system.h"
#include "platform/testing/temp_dir.h"
#include "preproc/copier/copy_run.h"
#include "preproc/indexer/index_run.h"

namespace preproc::verify {
namespace {

// A small title made by the real runs: dir/index, dir/copy from dir/src.
class VerifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("src/one.txt", "the cat sat on a mat");
    dir_.Write("src/two.txt", "cats and dogs in new york 1997");
    dir_.Write("src/three.txt", "a dog called Rex");
    settings_.listing_file = dir_.Write("listing.txt", "one.txt\n|comment\ntwo.txt\nthree.txt\n");
    settings_.article_path = dir_.Join("src");
    settings_.index_path = dir_.Join("index");
    settings_.copy_path = dir_.Join("copy");
    RunServices services(dir_.Join("run.log"));
    ASSERT_TRUE(GenerateIndexFiles(settings_, services));
    ASSERT_TRUE(CopyArticles(settings_, services));
  }

  // Every finding of the three checks, formatted.
  std::vector<std::string> Verify(bool rerun = true) {
    std::vector<Finding> findings;
    int listed = CheckIndexSet(settings_.index_path, &findings);
    CheckCopies(settings_.copy_path, listed, &findings);
    CheckPhraseIndex(settings_.copy_path, settings_.index_path, &findings);
    if (rerun) {
      EXPECT_TRUE(CompareWithRuns(settings_, &findings));
    }
    std::vector<std::string> lines;
    for (const Finding& finding : findings) lines.push_back(FormatFinding(finding));
    return lines;
  }

  // Whether exactly one finding names file and holds text.
  static bool Names(const std::vector<std::string>& lines, const std::string& file,
                    const std::string& text) {
    int hits = 0;
    for (const std::string& line : lines) {
      if (line.rfind(file + ": ", 0) == 0 && line.find(text) != std::string::npos) ++hits;
    }
    return hits == 1;
  }

  static std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
  }

  platform::testing::TempDir dir_;
  RunSettings settings_;
};

// A file mapping log of n articles, as the index run writes it.
std::string LogOf(int n) {
  std::string log = " -- File Mapping Log --\n[#KeyRange]\t[#FileMatch]\t[Name]\t[NewName]\n";
  for (int i = 0; i < n; ++i) {
    char copy[16];
    std::snprintf(copy, sizeof copy, "t%04d", i + 1);
    log += std::to_string(i) + "\t" + std::to_string(i + 1) + "\tx.txt\t" + copy + "\n";
  }
  return log;
}

TEST_F(VerifyTest, AGoodSetHasNoFindings) {
  std::vector<std::string> lines = Verify();
  EXPECT_TRUE(lines.empty()) << Lines(lines);
}

TEST_F(VerifyTest, CopiesFromAReorderedListing) {
  dir_.Write("reordered.txt", "two.txt\none.txt\nthree.txt\n");
  RunSettings other = settings_;
  other.listing_file = dir_.Join("reordered.txt");
  RunServices services(dir_.Join("run.log"));
  ASSERT_TRUE(CopyArticles(other, services));
  std::vector<std::string> lines = Verify();
  EXPECT_TRUE(Names(lines, dir_.Join("copy/a1/t0001"), "differs from what tarvik copy writes"))
      << Lines(lines);
  EXPECT_TRUE(Names(lines, dir_.Join("copy/a1/t0002"), "differs")) << Lines(lines);
  // The accelerator belongs to the copies, not to the index set.
  EXPECT_TRUE(Names(lines, dir_.Join("copy/kpxpairs"), "written for another listing"))
      << Lines(lines);
  EXPECT_TRUE(Names(lines, dir_.Join("copy/kpxpairs"), "differs")) << Lines(lines);
  EXPECT_EQ(lines.size(), 4u) << Lines(lines);
}

// The phrase accelerator is optional, but when it is there it must be whole,
// folded as the set and not left half-written.
TEST_F(VerifyTest, ThePhraseAcceleratorIsReadWhole) {
  const std::string pairs = dir_.Read("copy/kpxpairs");
  std::remove(dir_.Join("copy/kpxpairs").c_str());
  std::vector<std::string> lines = Verify();
  EXPECT_TRUE(lines.empty()) << Lines(lines);
  std::string damaged = pairs;
  damaged[4096 + 10] = static_cast<char>(damaged[4096 + 10] ^ 0x20);
  dir_.Write("copy/kpxpairs", damaged);
  lines = Verify(false);
  EXPECT_TRUE(Names(lines, dir_.Join("copy/kpxpairs"),
                    "damaged phrase accelerator (checksum "
                    "mismatch in block 1)"))
      << Lines(lines);
  dir_.Write("copy/kpxpairs", "notes");
  dir_.Write("copy/kpxpairs.new", pairs);
  lines = Verify(false);
  EXPECT_TRUE(Names(lines, dir_.Join("copy/kpxpairs"), "not a phrase accelerator")) << Lines(lines);
  EXPECT_TRUE(Names(lines, dir_.Join("copy/kpxpairs.new"), "did not finish")) << Lines(lines);
  std::remove(dir_.Join("copy/kpxpairs.new").c_str());
  std::remove(dir_.Join("copy/kpxpairs").c_str());
  RunSettings accent_free = settings_;
  accent_free.ignore_accents = true;
  RunServices services(dir_.Join("run.log"));
  ASSERT_TRUE(CopyArticles(accent_free, services));
  lines = Verify(false);
  EXPECT_TRUE(Names(lines, dir_.Join("copy/kpxpairs"), "folded otherwise")) << Lines(lines);
  EXPECT_EQ(lines.size(), 1u) << Lines(lines);
}

TEST_F(VerifyTest, AStaleTwoLetterFile) {
  // A file of an earlier run whose words this listing no longer has.
  std::string entry;
  int articles[] = {1, 3};
  indexformat::AppendEntry("ZEBRA", articles, 2, &entry);
  dir_.Write("index/Z/ZE", entry);
  std::vector<std::string> lines = Verify();
  EXPECT_TRUE(Names(lines, dir_.Join("index/Z/ZE"), "stale: tarvik index on this listing"))
      << Lines(lines);
  EXPECT_TRUE(Names(lines, dir_.Join("index/Z/ZE"), "the letter file Z/Z is missing"))
      << Lines(lines);
  // Without the listing, the letter entry still gives a stale file away.
  // DOVE (article 1) sorts after DOGS, but the letter entry D lists 2 and 3.
  entry.clear();
  indexformat::AppendEntry("DOVE", articles, 1, &entry);
  dir_.Write("index/D/DO", dir_.Read("index/D/DO") + entry);
  lines = Verify(false);
  EXPECT_TRUE(Names(lines, dir_.Join("index/D/DO"), "does not list article(s) 1 of its entries"))
      << Lines(lines);
}

// The articles a letter entry misses are listed up to five; a sixth and more
// show as ", ...".
TEST_F(VerifyTest, ALetterEntryListsFiveMissingArticlesAtMost) {
  dir_.Write("index/log", LogOf(9));
  int first[] = {1};
  std::string letter;
  indexformat::AppendEntry("ZEBRA", first, 1, &letter);
  dir_.Write("index/Z/Z", letter);
  const std::string prefix =
      dir_.Join("index/Z/ZE") + ": the letter entry Z/Z does not list article(s) ";
  const std::string suffix = " of its entries: the two files come from different runs";
  int missing_five[] = {1, 2, 3, 4, 5, 6};
  int missing_six[] = {1, 2, 3, 4, 5, 6, 7};
  for (auto [articles, count, list] :
       {std::tuple<int*, int, std::string>{missing_five, 6, "2, 3, 4, 5, 6"},
        std::tuple<int*, int, std::string>{missing_six, 7, "2, 3, 4, 5, 6, ..."}}) {
    std::string entry;
    indexformat::AppendEntry("ZEBRA", articles, count, &entry);
    dir_.Write("index/Z/ZE", entry);
    std::vector<std::string> lines = Verify(false);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), prefix + list + suffix), 1) << Lines(lines);
  }
}

TEST_F(VerifyTest, ATruncatedIndexFile) {
  std::string bytes = dir_.Read("index/C/CA");
  dir_.Write("index/C/CA", bytes.substr(0, bytes.size() - 2));
  std::vector<std::string> lines = Verify();
  EXPECT_TRUE(Names(lines, dir_.Join("index/C/CA"),
                    "malformed entry at offset 27: entry runs past the end of the file"))
      << Lines(lines);
  EXPECT_TRUE(Names(lines, dir_.Join("index/C/CA"), "differs")) << Lines(lines);
}

TEST_F(VerifyTest, ADeletedCopy) {
  std::remove(dir_.Join("copy/a1/t0002").c_str());
  std::vector<std::string> lines = Verify();
  EXPECT_TRUE(
      Names(lines, dir_.Join("copy/a1/t0002"), "missing: the phrase search file of article 2"))
      << Lines(lines);
  EXPECT_TRUE(Names(lines, dir_.Join("copy/a1/t0002"), "missing: tarvik copy")) << Lines(lines);
}

// The engine opens a block directory written "A1" as well as "a1": a set
// copied that way is whole, to the file check and to the comparison alike.
TEST_F(VerifyTest, BlockDirectoriesInUpperCase) {
  ASSERT_EQ(std::rename(dir_.Join("copy/a1").c_str(), dir_.Join("copy/A1").c_str()), 0);
  std::vector<std::string> lines = Verify(false);
  EXPECT_TRUE(lines.empty()) << Lines(lines);
  lines = Verify();
  EXPECT_TRUE(lines.empty()) << Lines(lines);
}

TEST_F(VerifyTest, DamageInsideEntries) {
  auto entries = [](std::vector<std::pair<std::string, std::vector<int>>> list) {
    std::string bytes;
    for (auto& [word, articles] : list) {
      indexformat::AppendEntry(word, articles.data(), articles.size(), &bytes);
    }
    return bytes;
  };
  dir_.Write("index/D/DO", entries({{"DOGS", {2}}, {"DOG", {2, 3}}}));
  dir_.Write("index/N/NE", entries({{"NEW", {2}}, {"NEW", {2}}}));
  dir_.Write("index/R/RE", entries({{"REX", {3, 7}}}));
  dir_.Write("index/S/SA", entries({{"SAT", {1}}, {"MAT", {1}}}));
  std::string cat = entries({{"CAT", {1}}});
  cat[11] = 'x';  // "000x": a malformed article number
  dir_.Write("index/C/CA", cat);
  dir_.Write("index/extras", entries({{"1997", {2}}}) +
                                 "\x01"
                                 "A2501" +
                                 std::string(10004, '1'));
  std::vector<std::string> lines = Verify(false);
  EXPECT_TRUE(Names(lines, dir_.Join("index/D/DO"), "DOG at offset 13 is out of order"))
      << Lines(lines);
  EXPECT_TRUE(Names(lines, dir_.Join("index/N/NE"), "NEW at offset 12 is repeated"))
      << Lines(lines);
  EXPECT_TRUE(Names(lines, dir_.Join("index/R/RE"),
                    "REX names article 7, above the 3 articles of the file mapping log"))
      << Lines(lines);
  EXPECT_TRUE(Names(lines, dir_.Join("index/S/SA"), "holds MAT at offset 12, a word of another"))
      << Lines(lines);
  EXPECT_TRUE(Names(lines, dir_.Join("index/C/CA"), "malformed article number 000x"))
      << Lines(lines);
  EXPECT_TRUE(Names(lines, dir_.Join("index/extras"), "count above 2,500")) << Lines(lines);
}

TEST_F(VerifyTest, ListingsBeyondWhatThePluginReturns) {
  dir_.Write("index/log", LogOf(2600));
  std::vector<std::string> lines = Verify(false);
  EXPECT_TRUE(Names(lines, dir_.Join("index/log"),
                    "lists 2600 articles; the plug-in returns articles 1 to 2,500 only"))
      << Lines(lines);
  EXPECT_TRUE(Names(lines, dir_.Join("copy/a1/t0004"), "missing")) << Lines(lines);
}

// A letter entry holds the first 2,500 articles of its letter at most: the
// articles beyond them are the cap, told as such, not two runs.
TEST_F(VerifyTest, AFullLetterEntryIsTheCapNotAnotherRun) {
  dir_.Write("index/log", LogOf(2600));
  std::vector<int> first(2500);
  for (int i = 0; i < 2500; ++i) first[i] = i + 1;
  std::string letter, word;
  indexformat::AppendEntry("Z", first.data(), 2500, &letter);
  dir_.Write("index/Z/Z", letter);
  int beyond[] = {2499, 2501, 2600};
  indexformat::AppendEntry("ZEBRA", beyond, 3, &word);
  dir_.Write("index/Z/ZE", word);
  std::vector<std::string> lines = Verify(false);
  EXPECT_TRUE(Names(lines, dir_.Join("index/Z/ZE"),
                    "the letter entry Z/Z lists only its first 2,500 articles (an entry holds at "
                    "most 2,500), not article(s) 2501, 2600 of its entries"))
      << Lines(lines);
  EXPECT_EQ(Lines(lines).find("different runs"), std::string::npos) << Lines(lines);
}

// --index alone checks that the log numbers its lines as the runs do: key,
// article number and copy name, each in sequence; the first fault is told.
TEST_F(VerifyTest, TheFileMappingLogsLinesAreInSequence) {
  const std::string good = LogOf(3);
  const std::string log = dir_.Join("index/log");
  for (auto [from, to, what] : {std::tuple<std::string, std::string, std::string>{
                                    "1\t2\t", "1\t3\t", "line 4 numbers article 3 where 2"},
                                {"1\t2\t", "7\t2\t", "line 4 has the key 7 where 1"},
                                {"t0002", "t0020", "line 4 names the copy t0020 where t0002"},
                                {"1\t2\tx.txt\tt0002", "garbage", "line 4 is no article line"}}) {
    std::string changed = good;
    changed.replace(changed.find(from), from.size(), to);
    changed.replace(changed.find("t0003"), 5, "t0009");  // a second fault: not told
    dir_.Write("index/log", changed);
    std::vector<std::string> lines = Verify(false);
    EXPECT_TRUE(Names(lines, log, what)) << Lines(lines);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& line) { return line.rfind(log, 0) == 0; }),
              1)
        << Lines(lines);
  }
}

// A journal left by a killed index run is told: the set is part old.
TEST_F(VerifyTest, AReplacementLeftUnfinishedIsTold) {
  dir_.Write("index/.kpxsindx-staging/journal", "kpxsindx replacement 1\nR log\n");
  std::vector<std::string> lines = Verify(false);
  EXPECT_TRUE(Names(lines, dir_.Join("index/.kpxsindx-staging/journal"),
                    "an index run was killed while it replaced the set"))
      << Lines(lines);
}

#ifndef _WIN32
// The runs' private directory names its process; one a crashed verify left
// is removed when the next compares, and the new one goes when it is done.
TEST_F(VerifyTest, TheRunsDirectoryOfACrashedVerifyIsRemoved) {
  const std::string tmp = dir_.Join("tmp");
  ASSERT_TRUE(platform::MakeDirectory(tmp));
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  waitpid(gone, nullptr, 0);
  dir_.Write("tmp/tarvik-verify-" + std::to_string(gone) + "-Ab12Cd/index/log", "left");
  dir_.Write("tmp/tarvik-verify-1-Ab12Cd/index/log", "init's: a running process");
  const char* saved = std::getenv("TMPDIR");
  const std::string saved_value = saved != nullptr ? saved : "";
  setenv("TMPDIR", tmp.c_str(), 1);
  const std::vector<std::string> lines = Verify();
  if (saved != nullptr) {
    setenv("TMPDIR", saved_value.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
  EXPECT_TRUE(lines.empty()) << Lines(lines);
  std::vector<std::string> left;
  platform::ListDirectory(tmp, &left);
  EXPECT_EQ(left, std::vector<std::string>{"tarvik-verify-1-Ab12Cd"});
}
#endif

TEST_F(VerifyTest, CopiesBeyondTheListing) {
  dir_.Write("copy/a1/t0004", "old");
  dir_.Write("copy/a2/t0150", "older");
  std::vector<std::string> lines = Verify();
  EXPECT_TRUE(Names(lines, dir_.Join("copy/a1/t0004"), "beyond the 3 articles")) << Lines(lines);
  EXPECT_TRUE(Names(lines, dir_.Join("copy/a2/t0150"), "beyond the 3 articles")) << Lines(lines);
  EXPECT_TRUE(Names(lines, dir_.Join("copy/a1/t0004"), "stale: tarvik copy")) << Lines(lines);
}

// The fold record as the search reads it: the runs again fold as it says; a
// damaged one is told (the search falls back to the default), and so is a
// record that does not fit the words, or, without a record, words the
// default fold would change.
TEST_F(VerifyTest, TheFoldRecordIsReadAsTheSearchReadsIt) {
  dir_.Write("src/three.txt", "a dog called Rex in Z\xFCrich");
  RunServices services(dir_.Join("run.log"));
  RunSettings accent_free = settings_;
  accent_free.ignore_accents = true;
  ASSERT_TRUE(GenerateIndexFiles(accent_free, services));
  RunSettings bare_copies = settings_;  // the accelerator's own fold is checked elsewhere
  bare_copies.phrase_index = false;
  ASSERT_TRUE(CopyArticles(bare_copies, services));
  std::vector<std::string> lines = Verify();  // settings_ do not say ignore accents
  EXPECT_TRUE(lines.empty()) << Lines(lines);

  ASSERT_TRUE(GenerateIndexFiles(settings_, services));
  const std::string record = dir_.Read("index/fold");
  dir_.Write("index/fold",
             indexformat::EncodeFoldRecord("cp1252-accent-free", platform::kCp1252AccentFree));
  lines = Verify(false);
  EXPECT_TRUE(Names(lines, dir_.Join("index/extras"),
                    "Z\\xDCRICH at offset 13 is not folded as the fold record says "
                    "(cp1252-accent-free folds \\xDC to U): no search finds it"))
      << Lines(lines);
  EXPECT_EQ(lines.size(), 1u) << Lines(lines);

  dir_.Write("index/fold", "KPXFOLD 2\n" + record.substr(10));
  lines = Verify();
  EXPECT_TRUE(Names(lines, dir_.Join("index/fold"),
                    "damaged fold record (unknown version): the search folds the set with the "
                    "platform's default (cp1252) instead"))
      << Lines(lines);
  EXPECT_TRUE(Names(lines, dir_.Join("index/fold"), "differs from what tarvik index writes"))
      << Lines(lines);

  // A sound record of another system's code page: read, but no run here folds so.
  platform::UpperCaseTable code_page_1250 = platform::kCp1252UpperCase;
  code_page_1250[0xB9] = 0xA5;
  dir_.Write("index/fold", indexformat::EncodeFoldRecord("ansi-1250", code_page_1250));
  lines = Verify();
  EXPECT_TRUE(Names(lines, dir_.Join("index/fold"),
                    "the set was folded with ansi-1250, which tarvik index cannot fold with here"))
      << Lines(lines);

  std::remove(dir_.Join("index/fold").c_str());
  lines = Verify(false);
  EXPECT_TRUE(lines.empty()) << Lines(lines);  // the default folds as the words were
  lines = Verify();
  EXPECT_TRUE(Names(lines, dir_.Join("index/fold"), "missing: tarvik index on this listing"))
      << Lines(lines);
  settings_.fold = platform::CaseFold::kAscii;  // as --fold ascii did before the record
  ASSERT_TRUE(GenerateIndexFiles(settings_, services));
  std::remove(dir_.Join("index/fold").c_str());
  lines = Verify(false);
  EXPECT_TRUE(Names(lines, dir_.Join("index/extras"),
                    "is not folded as the search folds a set without a sound fold record (cp1252 "
                    "folds \\xFC to \\xDC): no search finds it; run tarvik index again"))
      << Lines(lines);
}

TEST_F(VerifyTest, RunErrorsAreFindingsAndNothingIsWritten) {
  std::remove(dir_.Join("src/three.txt").c_str());
  std::string before = dir_.Read("index/C/CA");
  std::vector<std::string> lines = Verify();
  EXPECT_TRUE(Names(lines, settings_.listing_file, "tarvik index on this listing reports"))
      << Lines(lines);
  EXPECT_EQ(dir_.Read("index/C/CA"), before);
  EXPECT_FALSE(dir_.Exists("kpxsindx.log"));
}

}  // namespace
}  // namespace preproc::verify
