#include "preproc/copier/phrase_index_writer.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "indexformat/file_mapping_log.h"
#include "indexformat/phrase_pairs_check.h"
#include "platform/testing/full_disk.h"
#include "platform/testing/temp_dir.h"
#include "preproc/copier/copy_run.h"

namespace preproc {
namespace {

using indexformat::PairEntry;
using platform::testing::TempDir;

const platform::UpperCaseTable& Fold() { return platform::kCp1252UpperCase; }

std::vector<PairEntry> EntriesOf(const std::string& bytes) {
  std::vector<PairEntry> entries;
  const indexformat::PairCheck check = indexformat::CheckPhrasePairs(bytes, &entries);
  EXPECT_EQ(check.damage, indexformat::PairDamage::kNone) << DescribePairCheck(check);
  return entries;
}

std::string Build(const std::vector<std::string>& texts, std::vector<bool> absent = {}) {
  std::vector<std::string_view> copies(texts.begin(), texts.end());
  absent.resize(texts.size());
  return BuildPhraseIndex(copies, absent, 42, 7, Fold());
}

// Pairs are the folded words one blank apart, as the search's scan sees
// them; other separators make no pair.
TEST(PhraseIndexWriter, PairsAreFoldedWordsOneBlankApart) {
  const std::string bytes =
      Build({"New york, new\tYork  new\r\nyork caf\xE9 noir", "x NEW YORK,", "", "a b"},
            {false, false, false, true});
  std::vector<std::tuple<std::string, std::string, std::vector<int>>> got;
  for (const PairEntry& e : EntriesOf(bytes)) got.emplace_back(e.first, e.second, e.articles);
  using T = std::tuple<std::string, std::string, std::vector<int>>;
  // Keys order by the first word's length, then its bytes, then the second word.
  EXPECT_EQ(
      got, (std::vector<T>{T{"X", "NEW", {2}}, T{"NEW", "YORK,", {1, 2}}, T{"CAF\xC9", "NOIR", {1}},
                           T{"YORK", "CAF\xC9", {1}}, T{"YORK,", "NEW", {1}}}));
  indexformat::PairHeader header;
  ASSERT_EQ(indexformat::DecodePairHeader(reinterpret_cast<const unsigned char*>(bytes.data()),
                                          static_cast<std::int64_t>(bytes.size()), &header),
            indexformat::PairDamage::kNone);
  EXPECT_EQ(header.log_stamp, 42u);
  EXPECT_EQ(header.log_lines, 7u);
  EXPECT_EQ(header.articles, 4u);
  EXPECT_TRUE(indexformat::PairArticleKnown(header, 3));
  EXPECT_FALSE(indexformat::PairArticleKnown(header, 4));
  EXPECT_FALSE(indexformat::PairArticleKnown(header, 5));
}

// The builder that collects the copies beside a run gives the bytes of the
// whole build over the same copies, those it reads from the copy path and
// the absent one included; one dropped before it finishes just stops.
TEST(PhraseIndexWriter, TheBuilderWritesWhatTheWholeBuildWrites) {
  TempDir dir;
  dir.Write("a1/t0002", "york city\nnew  york");
  dir.Write("a1/t0004", "city of york");
  const std::string copy_path = dir.Join("");
  PhraseIndexBuilder builder(copy_path, Fold());
  builder.Add(1, "new york city");
  builder.AddFromCopyPath(2);
  builder.AddFromCopyPath(3);  // no such copy
  builder.AddFromCopyPath(4);
  builder.Add(5, std::string(300, 'l') + " york new");
  const platform::LargeString built = builder.Finish(42, 7);
  EXPECT_EQ(std::string(built.begin(), built.end()),
            Build({"new york city", "york city\nnew  york", "", "city of york",
                   std::string(300, 'l') + " york new"},
                  {false, false, true, false, false}));
  PhraseIndexBuilder dropped(copy_path, Fold());
  for (int n = 1; n <= 100; ++n) dropped.AddFromCopyPath(n);
}

// A run copies each article into a text the builder is done with: those come
// back empty, never one still queued, and the accelerator is the same.
TEST(PhraseIndexWriter, TextsHandedBackAreEmptyAndFree) {
  std::vector<std::string> texts;
  PhraseIndexBuilder builder("", Fold());
  for (int n = 1; n <= 400; ++n) {
    std::string text = builder.SpareText();
    EXPECT_TRUE(text.empty()) << n;
    for (int w = 0; w < 200; ++w) {
      text += 'w';
      text += std::to_string((n * 7 + w * w) % 97);
      text += ' ';
    }
    texts.push_back(text);
    builder.Add(n, std::move(text));
  }
  const platform::LargeString built = builder.Finish(42, 7);
  EXPECT_TRUE(std::string(built.begin(), built.end()) == Build(texts));
}

// Many pairs: several directory levels, lists and bitmaps, words cut to the
// format's limit; every pair of the copies comes back with its articles.
// Both sets are large enough for the collecting to be shared out between two
// threads; the larger vocabulary has enough words and pairs for the work
// after it to be shared out too (the leaves of either half of the entries,
// the ordering of the words and of the pairs).
TEST(PhraseIndexWriter, LargeSetsReadBackWhole) {
  for (const unsigned vocabulary : {20000u, 400000u}) {
    std::mt19937 rng(5);
    std::vector<std::string> texts(2600);
    std::set<std::tuple<std::string, std::string, int>> expected;
    std::set<std::string> words;
    for (size_t n = 0; n < texts.size(); ++n) {
      std::string previous;
      for (int w = 0; w < 40; ++w) {
        std::string word = "W";
        word += std::to_string(rng() % (n < 50 ? 3 : vocabulary));
        if (rng() % 400 == 0) word = std::string(300, 'L') + std::to_string(w);
        texts[n] += (w > 0 ? " " : "") + word;
        if (word.size() > 255) word.resize(255);
        if (w > 0 && n < 2500) expected.emplace(previous, word, static_cast<int>(n) + 1);
        if (n < 2500) words.insert(word);
        previous = word;
      }
    }
    if (vocabulary > 20000u) {
      ASSERT_GT(words.size(), size_t{1} << 16) << "the words are shared out";
      ASSERT_GT(expected.size(), size_t{1} << 16) << "the pairs are shared out";
    }
    const std::string bytes = Build(texts);
    // The builder, which shares the copies out as they come, writes the
    // same bytes.
    PhraseIndexBuilder builder("", Fold());
    for (size_t n = 0; n < 2500; ++n) builder.Add(static_cast<int>(n) + 1, texts[n]);
    const platform::LargeString built = builder.Finish(42, 7);
    EXPECT_TRUE(std::string(built.begin(), built.end()) == bytes) << vocabulary;
    std::set<std::tuple<std::string, std::string, int>> got;
    for (const PairEntry& e : EntriesOf(bytes)) {
      for (int a : e.articles) got.emplace(e.first, e.second, a);
    }
    EXPECT_EQ(got, expected) << vocabulary;
    indexformat::PairHeader header;
    indexformat::DecodePairHeader(reinterpret_cast<const unsigned char*>(bytes.data()),
                                  static_cast<std::int64_t>(bytes.size()), &header);
    EXPECT_GE(header.height, 2u);
    EXPECT_EQ(header.articles, 2500u);  // the search's articles only
  }
}

// A copy holding more distinct pairs than the collector remembers at once,
// each met again long after, lists each pair once.
TEST(PhraseIndexWriter, PairsMetAgainFarApartAreListedOnce) {
  std::string far;
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 20000; ++i) {
      far += 'A';
      far += std::to_string(i);
      far += " B";
      far += std::to_string(i);
      far += '\n';
    }
  }
  // Late articles, whose lists are shorter than bitmaps: a pair listed
  // twice would show.
  std::vector<std::string> texts(2001);
  texts[1999] = far;
  texts[2000] = "A1 B1 A1 B1";
  const std::vector<PairEntry> entries = EntriesOf(Build(texts));
  ASSERT_EQ(entries.size(), 20001u);  // A<i> B<i> and B1 A1
  for (const PairEntry& e : entries) {
    if (e.first == "B1") {
      EXPECT_EQ(e.articles, std::vector<int>({2001}));
    } else if (e.first == "A1") {
      EXPECT_EQ(e.articles, std::vector<int>({2000, 2001}));
    } else {
      ASSERT_EQ(e.articles, std::vector<int>({2000})) << e.first << ' ' << e.second;
    }
  }
}

// Words that agree in their first bytes, hold NUL bytes or differ only past
// the kept 255 bytes come out in key order, each pair once with its articles.
TEST(PhraseIndexWriter, WordsAlikeInTheirFirstBytesKeepKeyOrder) {
  using namespace std::string_literals;
  const std::string cut(255, 'Q');
  const std::vector<std::string> texts = {
      "INTERNATIONALE INTERNATIONAL INTERNAT INTER\0 INTER INTERNATIONAL",
      "AB\0 AB AB\0\x01 \xFF\xFE AB " + cut + "X " + cut + "Y AB"s, "INTERNATIONAL INTERNATIONAL"};
  std::set<std::tuple<std::string, std::string, int>> expected;
  for (size_t n = 0; n < texts.size(); ++n) {
    std::vector<std::string> words;
    std::string word;
    for (char c : texts[n] + " ") {
      if (c != ' ') {
        word += c;
        continue;
      }
      words.push_back(word.substr(0, 255));
      word.clear();
    }
    for (size_t w = 1; w < words.size(); ++w) {
      expected.emplace(words[w - 1], words[w], static_cast<int>(n) + 1);
    }
  }
  std::set<std::tuple<std::string, std::string, int>> got;
  for (const PairEntry& e : EntriesOf(Build(texts))) {  // the check sees the key order
    for (int a : e.articles) got.emplace(e.first, e.second, a);
  }
  EXPECT_EQ(got, expected);
}

// The stamp is that of the log the index run writes for the same listing,
// whichever line end it was written with.
TEST(PhraseIndexWriter, StampIsTheFileMappingLogsStamp) {
  TempDir dir;
  const std::vector<std::string> names = {"one.txt", "sub\\two.txt", "three"};
  ASSERT_EQ(indexformat::WriteFileMappingLog(dir.Join("log"), names),
            indexformat::FileMappingLogWrite::kWritten);
  std::string log = dir.Read("log");
  EXPECT_EQ(indexformat::FileMappingLogText(names).size() <= log.size(), true);
  std::uint64_t stamp = 0;
  std::uint32_t lines = 0;
  StampOfListing(names, &stamp, &lines);
  indexformat::LogStamp written;
  written.Add(log.data(), log.size());
  EXPECT_EQ(written.Value(), stamp);
  EXPECT_EQ(lines, 3u);
  std::string crlf;
  for (char c : log) {  // the log as either platform writes it, with CR LF
    if (c == '\r') continue;
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  indexformat::LogStamp windows;
  for (char c : crlf) windows.Add(&c, 1);  // a CR LF cut between two pieces
  EXPECT_EQ(windows.Value(), stamp);
  StampOfListing({"one.txt", "sub\\two.txt", "four"}, &stamp, &lines);
  EXPECT_NE(written.Value(), stamp);
}

class PhraseIndexRunTest : public ::testing::Test {
 protected:
  PhraseIndexRunTest() : services_(dir_.Join("kpxsindx.log")) {
    settings_.listing_file = dir_.Join("listing.txt");
    settings_.article_path = dir_.Join("articles");
    settings_.copy_path = dir_.Join("copies");
    dir_.Write("articles/a.txt", "new york city");
    dir_.Write("articles/b.txt", "old york town");
    dir_.Write("listing.txt", "a.txt\nb.txt\n");
  }
  bool Run() { return CopyArticles(settings_, services_, &counts_); }
  std::string Pairs() const { return dir_.Join("copies/kpxpairs"); }

  TempDir dir_;
  RunServices services_;
  RunSettings settings_;
  CopyCounts counts_;
};

TEST_F(PhraseIndexRunTest, TheRunWritesItAndTheOptionLeavesItOut) {
  ASSERT_TRUE(Run());
  EXPECT_FALSE(counts_.any_error());
  EXPECT_EQ(EntriesOf(dir_.Read("copies/kpxpairs")).size(), 4u);
  EXPECT_FALSE(dir_.Exists("copies/kpxpairs.new"));
  settings_.phrase_index = false;
  ASSERT_TRUE(Run());
  EXPECT_FALSE(dir_.Exists("copies/kpxpairs"));  // the earlier one is gone too
}

// The author's own files of those names are kept, and the run says so.
TEST_F(PhraseIndexRunTest, ForeignFilesOfItsNameAreKept) {
  dir_.Write("copies/kpxpairs", "my notes");
  ASSERT_TRUE(Run());
  EXPECT_FALSE(counts_.any_error());
  EXPECT_EQ(dir_.Read("copies/kpxpairs"), "my notes");
  EXPECT_NE(dir_.ReadText("kpxsindx.log").find("WARNING, kept '" + Pairs() + "'"),
            std::string::npos);
  std::filesystem::remove(Pairs());
  dir_.Write("copies/kpxpairs.new", "mine too");
  ASSERT_TRUE(Run());
  EXPECT_EQ(dir_.Read("copies/kpxpairs.new"), "mine too");
  EXPECT_FALSE(dir_.Exists("copies/kpxpairs"));
}

#ifndef _WIN32
ino_t InodeOf(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// A rerun over unchanged copies writes nothing at all: no copy, no partial
// copy, no accelerator; the copy block directories are not even touched (the
// copy path is: the run's lock is made there).
TEST_F(PhraseIndexRunTest, AnUnchangedRerunWritesNothing) {
  ASSERT_TRUE(Run());
  const auto stamp = [&](const char* name) {
    struct stat info;
    EXPECT_EQ(stat(dir_.Join(name).c_str(), &info), 0) << name;
    return std::make_tuple(info.st_ino, info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
  };
  const std::vector<const char*> names = {"copies/a1", "copies/a1/t0001", "copies/a1/t0002",
                                          "copies/kpxpairs"};
  std::vector<std::tuple<ino_t, time_t, long>> before;
  for (const char* name : names) before.push_back(stamp(name));
  counts_ = CopyCounts();
  ASSERT_TRUE(Run());
  EXPECT_FALSE(counts_.any_error());
  EXPECT_EQ(counts_.copied, 2);
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(stamp(names[i]), before[i]) << names[i];
}

// A rerun that changes no copy keeps the accelerator it finds, file and all,
// while its header is sound, its size the header's, and it is made for the
// same listing, fold and copies; any difference writes it anew, with the
// bytes a first run writes.
TEST_F(PhraseIndexRunTest, ARerunThatChangesNoCopyKeepsIt) {
  ASSERT_TRUE(Run());
  const std::string first = dir_.Read("copies/kpxpairs");
  // A second link holds the file found, so a new file cannot get its inode.
  const std::string held = dir_.Join("held");
  const auto hold = [&] {
    std::filesystem::remove(held);
    std::filesystem::create_hard_link(Pairs(), held);
    return InodeOf(held);
  };
  const auto inode = [&] { return InodeOf(Pairs()); };
  const auto kept = hold();
  ASSERT_TRUE(Run());
  EXPECT_FALSE(counts_.any_error());
  EXPECT_EQ(inode(), kept);
  EXPECT_NE(dir_.ReadText("kpxsindx.log").find("Phrase accelerator kept: 4 word pairs"),
            std::string::npos);

  std::string damaged = first;
  damaged[100] ^= 1;  // in the header's fold table
  const auto rewritten = [&](const char* why) {
    SCOPED_TRACE(why);
    const auto before = hold();
    ASSERT_TRUE(Run());
    EXPECT_FALSE(counts_.any_error());
    EXPECT_NE(inode(), before);
    EXPECT_EQ(EntriesOf(dir_.Read("copies/kpxpairs")).size(), 4u);
  };
  dir_.Write("copies/kpxpairs", damaged);
  rewritten("a damaged header");
  EXPECT_EQ(dir_.Read("copies/kpxpairs"), first);
  dir_.Write("copies/kpxpairs", first.substr(0, first.size() - indexformat::kPairBlockSize));
  rewritten("a file cut short");
  EXPECT_EQ(dir_.Read("copies/kpxpairs"), first);
  dir_.Write("copies/a1/t0002", "old york");  // a copy changed by hand: the run puts it back
  rewritten("a changed copy");
  settings_.fold = platform::CaseFold::kAscii;
  rewritten("another fold");
  settings_.fold = platform::kDefaultCaseFold;
  dir_.Write("articles/b2.txt", "old york town");
  dir_.Write("listing.txt", "a.txt\nb2.txt\n");
  rewritten("another listing");
  // No copy changes, but the one of b is gone: the file knows it as absent.
  std::filesystem::remove(dir_.Join("copies/a1/t0002"));
  std::filesystem::remove(dir_.Join("articles/b2.txt"));
  const auto before = hold();
  ASSERT_TRUE(Run());
  EXPECT_EQ(counts_.failed, 1);
  EXPECT_NE(inode(), before);
  EXPECT_EQ(EntriesOf(dir_.Read("copies/kpxpairs")).size(), 2u);
}

// When the first change comes late in the listing, the copies before it are
// read back from the copy path: the accelerator has the bytes a first run
// into an empty copy path writes, the absent copy of an article that is not
// found included.
TEST_F(PhraseIndexRunTest, AChangeLateInTheListingWritesWhatAFirstRunWrites) {
  std::string listing;
  for (int n = 1; n <= 150; ++n) {  // two copy block directories
    const std::string name = "n" + std::to_string(n) + ".txt";
    dir_.Write("articles/" + name, "york city " + std::to_string(n % 7) + " new york");
    listing += name + "\n";
  }
  dir_.Write("listing.txt", listing + "missing.txt\nb.txt\n");
  ASSERT_TRUE(Run());
  dir_.Write("articles/b.txt", "old york state");
  counts_ = CopyCounts();
  ASSERT_TRUE(Run());
  EXPECT_EQ(counts_.failed, 1);  // the missing article
  const std::string rerun = dir_.Read("copies/kpxpairs");
  settings_.copy_path = dir_.Join("fresh");
  ASSERT_TRUE(Run());
  EXPECT_EQ(dir_.Read("fresh/kpxpairs"), rerun);
  // "york city", "city N" and "N new" for 7 N, "new york", "old york", "york state".
  EXPECT_EQ(EntriesOf(rerun).size(), 18u);
}

// A run that fails after changing copies leaves no accelerator, not even the
// one of the run before, nor a partial one; one that fails before changing
// any copy leaves the one that still describes them.
TEST_F(PhraseIndexRunTest, AFailedRunLeavesNoneThatDisagrees) {
  ASSERT_TRUE(Run());
  const std::string first = dir_.Read("copies/kpxpairs");
  dir_.Write("articles/b.txt", std::string(20000, 'y'));
  EXPECT_TRUE(platform::testing::RunOnFullDisk(8192, [&] { return !Run(); }));
  EXPECT_EQ(dir_.Read("copies/kpxpairs"), first);  // no copy changed
  dir_.Write("articles/a.txt", "new york state");
  EXPECT_TRUE(platform::testing::RunOnFullDisk(8192, [&] { return !Run(); }));
  EXPECT_FALSE(dir_.Exists("copies/kpxpairs"));
  EXPECT_FALSE(dir_.Exists("copies/kpxpairs.new"));
}

// Run services that kill the process once the progress bar reaches a
// position: whatever threads the run has, nothing after that point runs.
class DyingServices : public RunServices {
 public:
  DyingServices(std::string log, int die_at) : RunServices(std::move(log)), die_at_(die_at) {}

 protected:
  void ShowProgress(int, int, int pos) override {
    if (pos == die_at_) raise(SIGKILL);
  }

 private:
  const int die_at_;
};

// A run killed after its first changed copy leaves no accelerator; one killed
// before any change leaves it whole; the next run writes the file a first
// run writes.
TEST_F(PhraseIndexRunTest, AKilledRunLeavesNoneThatDisagrees) {
  dir_.Write("articles/c.txt", "york new");
  dir_.Write("listing.txt", "a.txt\nb.txt\nc.txt\n");
  ASSERT_TRUE(Run());
  const std::string first = dir_.Read("copies/kpxpairs");
  const auto killed_after = [&](int articles) {
    const pid_t child = fork();
    if (child == 0) {
      DyingServices dying(dir_.Join("kpxsindx.log"), articles);
      _exit(CopyArticles(settings_, dying) ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  };
  dir_.Write("articles/c.txt", "york new jersey");
  ASSERT_TRUE(killed_after(1));
  EXPECT_EQ(dir_.Read("copies/kpxpairs"), first);
  dir_.Write("articles/a.txt", "new york state");
  ASSERT_TRUE(killed_after(1));
  EXPECT_FALSE(dir_.Exists("copies/kpxpairs"));
  EXPECT_EQ(dir_.Read("copies/a1/t0001"), "new york state");
  ASSERT_TRUE(Run());
  EXPECT_FALSE(counts_.any_error());
  EXPECT_EQ(EntriesOf(dir_.Read("copies/kpxpairs")).size(), 6u);
}

// The accelerator that cannot be written is an error of the run; the copies
// are all written.
TEST_F(PhraseIndexRunTest, AnAcceleratorThatCannotBeWrittenIsAnError) {
  EXPECT_TRUE(platform::testing::RunOnFullDisk(1024, [&] {
    return Run() && counts_.phrase_index_failed && counts_.any_error() && counts_.copied == 2;
  }));
  EXPECT_FALSE(dir_.Exists("copies/kpxpairs"));
  EXPECT_FALSE(dir_.Exists("copies/kpxpairs.new"));
  EXPECT_NE(dir_.ReadText("kpxsindx.log").find("ERROR, could not write the phrase accelerator"),
            std::string::npos);
}
#endif

}  // namespace
}  // namespace preproc
