// The phrase accelerator against the copy scan: over sets the runs wrote,
// every search answers as it does without the accelerator, whatever the
// phrases, modes and ranges, and whatever has become of the accelerator.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "indexformat/phrase_pairs.h"
#include "preproc/copier/copy_run.h"
#include "preproc/indexer/index_run.h"
#include "xtra/engine/engine_test_support.h"
#include "xtra/hostsim/testing/index_set.h"

namespace engine {
namespace {

using V = std::vector<int>;

// One search: up to two phrases, the modes and key ranges.
struct Query {
  std::vector<std::string> phrases;
  int booleanMode = 0;
  int wholeWord = 0;
  std::vector<std::pair<int, int>> ranges;  // 1-based, inclusive
};

std::string Describe(const Query& q) {
  std::string text = "mode " + std::to_string(q.booleanMode) + " whole " +
                     std::to_string(q.wholeWord) + " phrases";
  for (const std::string& p : q.phrases) text += " [" + p + "]";
  for (auto [low, high] : q.ranges) {
    text += " range " + std::to_string(low) + ".." + std::to_string(high);
  }
  return text;
}

class PhraseIndexTest : public testing::EngineTest {
 protected:
  // Writes the articles, indexes and copies them with one fold.
  void MakeSets(const std::vector<std::string>& articles, bool ignoreAccents = false) {
    std::vector<hostsim::testing::TestArticle> named;
    for (size_t i = 0; i < articles.size(); ++i) {
      named.push_back({"art" + std::to_string(i + 1) + ".txt", articles[i]});
    }
    hostsim::testing::WriteIndexSet(dir_, named, ignoreAccents, "copies", &settings_);
    ASSERT_TRUE(std::filesystem::exists(PairsPath()));
  }

  std::string PairsPath() const { return dir_.Join("copies/kpxpairs"); }
  std::string AsidePath() const { return dir_.Join("kpxpairs.aside"); }

  V Run(const Query& q) {
    s_.phraseCount = 0;
    s_.keyRangeCount = 0;
    for (const std::string& p : q.phrases) KPXSearchAddWordPhrase(s_, p.c_str());
    KPXSearchAndOr(s_, q.booleanMode);
    KPXSearchWholeWord(s_, q.wholeWord);
    for (auto [low, high] : q.ranges) KPXSearchAddKeyRange(s_, "k", low, high);
    KPXSearchCountMatches(s_);
    return Matches();
  }

  // The answers with the accelerator as it is, then without it; the
  // accelerator is put back.
  void ExpectSameAnswers(const std::vector<Query>& queries) {
    std::vector<V> with;
    for (const Query& q : queries) with.push_back(Run(q));
    std::filesystem::rename(PairsPath(), AsidePath());
    for (size_t i = 0; i < queries.size(); ++i) {
      ASSERT_EQ(Run(queries[i]), with[i]) << Describe(queries[i]);
    }
    std::filesystem::rename(AsidePath(), PairsPath());
  }

  preproc::RunSettings settings_;
};

// Random articles over a small vocabulary, so that pairs repeat: mixed case,
// punctuation, accented letters, digits and one-letter words, separators of
// every kind, long runs without whitespace and articles longer than a read.
class RandomCorpus {
 public:
  explicit RandomCorpus(unsigned seed) : rng_(seed) {}

  std::string Word() {
    static const char* const kWords[] = {
        "new",     "York",  "YORKER",    "of",      "the",   "The",  "a",   "I",
        "in",      "cat",   "cats",      "catalog", "york,", "1997", "A4",  "caf\xE9",
        "CAF\xC9", "cafe",  "z\xFCrich", "to",      "be",    "or",   "not", "x",
        "of-the",  "\"new", "b",         "and",     "AND"};
    return kWords[Pick(sizeof kWords / sizeof kWords[0])];
  }

  std::string Separator() {
    switch (Pick(20)) {
      case 0:
        return "  ";
      case 1:
        return "\t";
      case 2:
        return "\r\n";
      case 3:
        return "\n";
      default:
        return " ";
    }
  }

  std::string Article() {
    std::string text;
    const size_t words = Pick(10) == 0 ? 3000 + Pick(3000) : Pick(200);
    if (Pick(8) == 0) text += " ";
    for (size_t i = 0; i < words; ++i) {
      if (i > 0) text += Separator();
      text += Pick(500) == 0 ? std::string(250 + Pick(20), 'q') : Word();
    }
    if (Pick(4) == 0) text += Separator();
    return text;
  }

  size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }

 private:
  std::mt19937 rng_;
};

// Phrases drawn from the copies themselves: runs of their tokens with the
// separators found there or single blanks, cut in a word, in another case,
// with whitespace at an end; and words of the vocabulary.
std::string DrawPhrase(RandomCorpus& corpus, const std::vector<std::string>& articles) {
  const std::string& text = articles[corpus.Pick(articles.size())];
  std::string phrase;
  if (!text.empty() && corpus.Pick(5) != 0) {
    size_t at = corpus.Pick(text.size());
    while (at > 0 && text[at - 1] != ' ' && text[at - 1] != '\n' && text[at - 1] != '\t') --at;
    const size_t words = 1 + corpus.Pick(4);
    size_t end = at;
    for (size_t w = 0; w < words && end < text.size(); ++w) {
      while (end < text.size() &&
             (text[end] == ' ' || text[end] == '\t' || text[end] == '\r' || text[end] == '\n')) {
        ++end;
      }
      while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != '\r' &&
             text[end] != '\n') {
        ++end;
      }
    }
    phrase = text.substr(at, end - at);
    if (corpus.Pick(2) == 0) {  // single blanks, as a reader types
      std::string blanked;
      for (char c : phrase) {
        const bool space = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (space && (blanked.empty() || blanked.back() == ' ')) continue;
        blanked += space ? ' ' : c;
      }
      phrase = blanked;
    }
  } else {
    phrase = corpus.Word() + " " + corpus.Word();
    if (corpus.Pick(3) == 0) phrase += " " + corpus.Word();
  }
  if (phrase.size() > 1 && corpus.Pick(3) == 0) phrase.resize(phrase.size() - corpus.Pick(3));
  if (corpus.Pick(2) == 0) {
    for (char& c : phrase) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  }
  if (corpus.Pick(12) == 0) phrase = " " + phrase;
  if (corpus.Pick(12) == 0) phrase += " ";
  if (phrase.size() > 200) phrase.resize(200);
  return phrase;
}

std::vector<Query> DrawQueries(RandomCorpus& corpus, const std::vector<std::string>& articles,
                               size_t count) {
  std::vector<Query> queries;
  for (size_t i = 0; i < count; ++i) {
    Query q;
    q.phrases.push_back(DrawPhrase(corpus, articles));
    q.booleanMode = static_cast<int>(corpus.Pick(3));
    if (q.booleanMode != 0 || corpus.Pick(4) == 0)
      q.phrases.push_back(DrawPhrase(corpus, articles));
    q.wholeWord = static_cast<int>(corpus.Pick(2));
    if (corpus.Pick(5) == 0) {
      const int n = static_cast<int>(articles.size());
      for (size_t r = 1 + corpus.Pick(2); r > 0; --r) {
        const int low = 1 + static_cast<int>(corpus.Pick(static_cast<size_t>(n)));
        q.ranges.emplace_back(low, low + static_cast<int>(corpus.Pick(static_cast<size_t>(n))));
      }
    }
    queries.push_back(q);
  }
  return queries;
}

TEST_F(PhraseIndexTest, RandomSearchesAnswerAsTheCopyScanDoes) {
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    RandomCorpus corpus(seed);
    std::vector<std::string> articles;
    for (size_t n = 20 + corpus.Pick(100); n > 0; --n) articles.push_back(corpus.Article());
    MakeSets(articles, seed == 3);
    ExpectSameAnswers(DrawQueries(corpus, articles, 400));
  }
}

// A copy gone since the accelerator was written loses its article in both
// paths; the later candidates are still found.
TEST_F(PhraseIndexTest, MissingCopiesLoseTheirArticleAsInTheScan) {
  std::vector<std::string> articles(30, "we saw new york and new york saw us");
  MakeSets(articles);
  std::filesystem::remove(dir_.Join("copies/a1/t0007"));
  Query q{{"new york"}, 0, 1, {}};
  V expected;
  for (int n = 1; n <= 30; ++n) {
    if (n != 7) expected.push_back(n);
  }
  EXPECT_EQ(Run(q), expected);
  ExpectSameAnswers({q, {{"new yo"}, 0, 0, {}}, {{"saw new york"}, 0, 1, {}}});
}

// A directory where a copy should be is no copy: its article is lost with
// the accelerator too, though the accelerator lists it.
TEST_F(PhraseIndexTest, ADirectoryInPlaceOfACopyLosesItsArticle) {
  std::vector<std::string> articles(12, "old new york");
  MakeSets(articles);
  std::filesystem::remove(dir_.Join("copies/a1/t0003"));
  std::filesystem::create_directory(dir_.Join("copies/a1/t0003"));
  V expected;
  for (int n = 1; n <= 12; ++n) {
    if (n != 3) expected.push_back(n);
  }
  EXPECT_EQ(Run({{"new york"}, 0, 1, {}}), expected);
  ExpectSameAnswers({{{"new york"}, 0, 1, {}}, {{"new yo"}, 0, 0, {}}, {{"old new"}, 1, 0, {}}});
}

// Where many listed copies share a block directory, the search reads the
// directory's names instead of looking for each copy: a link to a copy
// counts, a dangling link or a stray name does not, and a block directory
// spelt "A1" beside "a1" is chosen by the block's first copy found, as when
// each copy is looked for.
TEST_F(PhraseIndexTest, CopiesFoundInTheirDirectoryListingAsWhenLookedForOneByOne) {
#ifndef __linux__
  GTEST_SKIP() << "block directories are listed on Linux only (and need links and case)";
#endif
  namespace fs = std::filesystem;
  std::vector<std::string> articles(40, "we saw new york");
  MakeSets(articles);
  const fs::path block = dir_.Join("copies/a1");
  fs::rename(block / "t0004", block / "t0004.real");
  fs::create_symlink("t0004.real", block / "t0004");
  fs::remove(block / "t0006");
  fs::create_symlink("nowhere", block / "t0006");
  fs::remove(block / "t0008");
  dir_.Write("copies/a1/t008", "we saw new york");
  dir_.Write("copies/a1/t00080", "we saw new york");
  const Query q{{"new york"}, 0, 1, {}};
  V expected;
  for (int n = 1; n <= 40; ++n) {
    if (n != 6 && n != 8) expected.push_back(n);
  }
  EXPECT_EQ(Run(q), expected);
  ExpectSameAnswers({q, {{"saw new"}, 0, 0, {}}});

  // "A1" holds a copy the block lacks: the block's first copy is found in
  // "a1", so "a1" it is, and article 9 is lost.
  fs::create_directory(dir_.Join("copies/A1"));
  fs::rename(block / "t0009", dir_.Join("copies/A1/t0009"));
  expected.erase(std::find(expected.begin(), expected.end(), 9));
  EXPECT_EQ(Run(q), expected);
  ExpectSameAnswers({q});
  // Once "A1" holds the first copy, the block is read from "A1" alone.
  fs::copy_file(block / "t0001", dir_.Join("copies/A1/t0001"));
  EXPECT_EQ(Run(q), (V{1, 9}));
  ExpectSameAnswers({q});
}

// Two phrases answer as each phrase alone, combined: both (mode 1), either
// (mode 2), the first (mode 0); with copies gone or made directories, with
// and without the accelerator. The counts, the matches read back and the
// match list agree.
TEST_F(PhraseIndexTest, TwoPhrasesCombineTheirOwnAnswers) {
  RandomCorpus corpus(5);
  std::vector<std::string> articles;
  for (int n = 0; n < 140; ++n) articles.push_back(corpus.Article());
  MakeSets(articles);
  for (const char* gone : {"a1/t0004", "a1/t0050", "a2/t0101", "a2/t0133"}) {
    std::filesystem::remove(dir_.Join(std::string("copies/") + gone));
  }
  std::filesystem::create_directory(dir_.Join("copies/a1/t0050"));
  std::vector<Query> queries = DrawQueries(corpus, articles, 250);
  queries.push_back({{"new york", "of the"}, 1, 0, {}});
  queries.push_back({{"of the", "new york"}, 1, 1, {}});
  queries.push_back({{"new york", "of the"}, 2, 0, {{1, 60}}});
  for (bool accelerated : {true, false}) {
    SCOPED_TRACE(accelerated ? "with the accelerator" : "without it");
    if (!accelerated) std::filesystem::rename(PairsPath(), AsidePath());
    for (Query q : queries) {
      if (q.phrases.size() < 2) continue;
      const V both = Run(q);
      const std::int32_t count = s_.matchCount;
      std::vector<std::int32_t> readBack;
      for (std::int32_t k = 1; k <= count; ++k) readBack.push_back(KPXSearchGetAt(s_, k));
      Query alone = q;
      alone.booleanMode = 0;
      alone.phrases = {q.phrases[0]};
      const V first = Run(alone);
      alone.phrases = {q.phrases[1]};
      const V second = Run(alone);
      V expected;
      for (int n = 1; n <= kMaxArticles; ++n) {
        const bool inFirst = std::find(first.begin(), first.end(), n) != first.end();
        const bool inSecond = std::find(second.begin(), second.end(), n) != second.end();
        if (q.booleanMode == 0   ? inFirst
            : q.booleanMode == 1 ? inFirst && inSecond
                                 : inFirst || inSecond) {
          expected.push_back(n);
        }
      }
      ASSERT_EQ(both, expected) << Describe(q);
      ASSERT_EQ(count, static_cast<std::int32_t>(expected.size())) << Describe(q);
      ASSERT_EQ(readBack, std::vector<std::int32_t>(expected.begin(), expected.end()));
    }
  }
  std::filesystem::rename(AsidePath(), PairsPath());
}

// The answer really comes from the accelerator: a copy changed behind its
// back (no run does that) shows it.
TEST_F(PhraseIndexTest, TwoWordPhrasesAreAnsweredWithoutReadingTheCopies) {
  std::vector<std::string> articles(10, "alpha beta gamma");
  articles[4] = "alpha gamma beta";
  MakeSets(articles);
  dir_.Write("copies/a1/t0005", "alpha beta gamma");
  EXPECT_EQ(Run({{"alpha beta"}, 0, 1, {}}), (V{1, 2, 3, 4, 6, 7, 8, 9, 10}));
  // Three words are confirmed in the copies the pairs leave.
  EXPECT_EQ(Run({{"alpha beta gamma"}, 0, 1, {}}), (V{1, 2, 3, 4, 6, 7, 8, 9, 10}));
  // So is that of a single candidate whose copy is long; a short one is read.
  EXPECT_EQ(Run({{"alpha beta"}, 0, 1, {{5, 5}}}), (V{5}));
  std::string filler;
  while (filler.size() < 40000) filler += " delta";
  dir_.Write("copies/a1/t0005", "alpha beta gamma" + filler);
  EXPECT_EQ(Run({{"alpha beta"}, 0, 1, {{5, 5}}}), (V{}));
  std::filesystem::remove(PairsPath());
  EXPECT_EQ(Run({{"alpha beta"}, 0, 1, {}}), (V{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(Run({{"alpha beta"}, 0, 1, {{5, 5}}}), (V{5}));
}

// The accelerator blocks a state keeps from one search are not used once the
// file is another, even one of the same size under the same listing: here
// one word changed for another of its length, so the only leaf (the root)
// differs.
TEST_F(PhraseIndexTest, BlocksKeptFromAnEarlierSearchAreDroppedForAnotherFile) {
  MakeSets(std::vector<std::string>(10, "alpha beta gamma"));
  const V all{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  EXPECT_EQ(Run({{"alpha beta"}, 0, 1, {}}), all);  // the header and root are kept
  const std::uint64_t size = std::filesystem::file_size(PairsPath());
  MakeSets(std::vector<std::string>(10, "alpha bxta gamma"));
  ASSERT_EQ(std::filesystem::file_size(PairsPath()), size);
  EXPECT_EQ(Run({{"alpha bxta"}, 0, 1, {}}), all);
  EXPECT_EQ(Run({{"bxta gamma"}, 0, 1, {}}), all);
}

// An occurrence across the point where the scan's reads meet is found by
// both paths.
TEST_F(PhraseIndexTest, PhrasesAcrossReadBoundariesAreFound) {
  std::vector<std::string> articles;
  for (size_t pad = 9985; pad < 10005; ++pad) {
    articles.push_back(std::string(pad, 'x') + " new york city " + std::string(50, 'y'));
  }
  MakeSets(articles);
  V all;
  for (int n = 1; n <= 20; ++n) all.push_back(n);
  EXPECT_EQ(Run({{"new york"}, 0, 1, {}}), all);
  EXPECT_EQ(Run({{"new york city"}, 0, 1, {}}), all);
  ExpectSameAnswers({{{"new york"}, 0, 1, {}}, {{"york city"}, 0, 0, {}}});
}

class PhraseIndexDamageTest : public PhraseIndexTest {
 protected:
  void SetUp() override {
    RandomCorpus corpus(7);
    for (int n = 0; n < 60; ++n) articles_.push_back(corpus.Article());
    MakeSets(articles_);
    queries_ = DrawQueries(corpus, articles_, 150);
    for (const Query& q : queries_) expected_.push_back(RunWithout(q));
    good_ = dir_.Read("copies/kpxpairs");
  }

  V RunWithout(const Query& q) {
    std::filesystem::rename(PairsPath(), AsidePath());
    V answer = Run(q);
    std::filesystem::rename(AsidePath(), PairsPath());
    return answer;
  }

  void ExpectAnswersWith(const std::string& bytes, const std::string& what) {
    dir_.Write("copies/kpxpairs", bytes);
    for (size_t i = 0; i < queries_.size(); ++i) {
      ASSERT_EQ(Run(queries_[i]), expected_[i]) << what << ": " << Describe(queries_[i]);
    }
  }

  std::vector<std::string> articles_;
  std::vector<Query> queries_;
  std::vector<V> expected_;
  std::string good_;
};

TEST_F(PhraseIndexDamageTest, DamagedAcceleratorsChangeNoAnswer) {
  ASSERT_GT(good_.size(), 3 * indexformat::kPairBlockSize);
  ExpectAnswersWith(good_, "sound");
  ExpectAnswersWith(good_.substr(0, good_.size() - indexformat::kPairBlockSize), "last block cut");
  ExpectAnswersWith(good_.substr(0, 100), "header cut");
  ExpectAnswersWith("", "empty");
  std::mt19937 rng(11);
  for (int round = 0; round < 12; ++round) {
    std::string bad = good_;
    const size_t at = std::uniform_int_distribution<size_t>(0, bad.size() - 1)(rng);
    bad[at] = static_cast<char>(bad[at] ^ (1 + round));
    ExpectAnswersWith(bad, "byte " + std::to_string(at) + " flipped");
  }
  // Two leaves swapped: each is sound in itself, but not where it lies.
  std::string swapped = good_;
  swapped.replace(indexformat::kPairBlockSize, indexformat::kPairBlockSize, good_,
                  2 * indexformat::kPairBlockSize, indexformat::kPairBlockSize);
  swapped.replace(2 * indexformat::kPairBlockSize, indexformat::kPairBlockSize, good_,
                  indexformat::kPairBlockSize, indexformat::kPairBlockSize);
  ExpectAnswersWith(swapped, "blocks swapped");
}

// An accelerator written for another listing, or folded otherwise than the
// set, is not used.
TEST_F(PhraseIndexDamageTest, AcceleratorsOfAnotherSetAreNotUsed) {
  // Another listing order: the index set numbers the articles otherwise, and
  // the copies are made for the new numbering without an accelerator.
  std::string listing;
  for (int n = 60; n >= 1; --n) listing += "art" + std::to_string(n) + ".txt\n";
  dir_.Write("listing.txt", listing);
  preproc::RunSettings settings = settings_;
  settings.phrase_index = false;
  preproc::RunServices services(dir_.Join("kpxsindx.log"));
  ASSERT_TRUE(preproc::GenerateIndexFiles(settings, services));
  ASSERT_TRUE(preproc::CopyArticles(settings, services));
  ASSERT_FALSE(std::filesystem::exists(PairsPath()));
  std::vector<V> expected;
  for (const Query& q : queries_) expected.push_back(Run(q));
  dir_.Write("copies/kpxpairs", good_);  // the old listing's
  for (size_t i = 0; i < queries_.size(); ++i) {
    ASSERT_EQ(Run(queries_[i]), expected[i]) << Describe(queries_[i]);
  }
  // Same listing, another fold.
  settings.ignore_accents = true;
  settings.phrase_index = true;
  ASSERT_TRUE(preproc::CopyArticles(settings, services));
  settings.ignore_accents = false;
  ASSERT_TRUE(preproc::GenerateIndexFiles(settings, services));
  for (size_t i = 0; i < queries_.size(); ++i) {
    ASSERT_EQ(Run(queries_[i]), expected[i]) << Describe(queries_[i]);
  }
}

}  // namespace
}  // namespace engine
