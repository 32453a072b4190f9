#include "indexformat/index_file_check.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "indexformat/letter_files.h"

namespace indexformat {
namespace {

std::string Entry(const std::string& word, std::vector<int> articles) {
  std::string bytes;
  AppendEntry(word, articles.data(), articles.size(), &bytes);
  return bytes;
}

const IndexFileId kCA = IndexFileId::OfLetterSlot(LetterFileSlot('C', 'A'));
const IndexFileId kC = IndexFileId::OfLetterSlot(LetterFileSlot('C'));

TEST(ReadsAsIndexFile, WellFormedFilesOfTheirName) {
  EXPECT_TRUE(ReadsAsIndexFile(Entry("C", {1, 2}), kC));
  EXPECT_TRUE(
      ReadsAsIndexFile(Entry("CA", {1}) + Entry("CAT", {1, 9999}) + Entry("CAZ", {3}), kCA));
  EXPECT_TRUE(ReadsAsIndexFile(Entry("CA\xC9", {5}), kCA));  // a high byte after the letters
  EXPECT_TRUE(ReadsAsIndexFile("", IndexFileId::Extras()));  // no word of the extras class
  EXPECT_TRUE(ReadsAsIndexFile(Entry("1997", {2}) + Entry("A4", {1}) + Entry("\xC9T\xC9", {3}),
                               IndexFileId::Extras()));
}

TEST(ReadsAsIndexFile, AnythingElseIsForeign) {
  const std::string cat = Entry("CAT", {1, 2});
  const struct {
    std::string bytes;
    const char* why;
  } cases[] = {
      {"", "empty"},
      {"my precious notes", "text"},
      {cat.substr(0, cat.size() - 1), "cut off in its article numbers"},
      {cat + "\x03", "cut off after a good entry"},
      {Entry("CAT", {1}) + Entry("CAT", {2}), "a word twice"},
      {Entry("CAT", {1}) + Entry("CAR", {2}), "descending"},
      {Entry("DOG", {1}), "a word of another file"},
      {Entry("C", {1}), "a one-letter word in a two-letter file"},
      {Entry("CAT", {2, 2}), "article numbers not ascending"},
      {Entry("CAT", {0}), "article number 0"},
      {Entry("CAT", {}), "count 0"},
      {std::string("\x03") + "CAT" + "0001" + "00x1", "an article number not in digits"},
  };
  for (const auto& c : cases) EXPECT_FALSE(ReadsAsIndexFile(c.bytes, kCA)) << c.why;
  EXPECT_FALSE(ReadsAsIndexFile(Entry("C", {1}) + Entry("C", {2}), kC)) << "two entries";
  EXPECT_FALSE(ReadsAsIndexFile(Entry("D", {1}), kC)) << "another letter";
  EXPECT_FALSE(ReadsAsIndexFile(Entry("CA", {1}), kC)) << "a two-letter word";
  EXPECT_FALSE(ReadsAsIndexFile(Entry("CAT", {1}), IndexFileId::Extras())) << "a letter word";
}

// Records what the walk reports, in order, and may end it early.
class Recorder : public IndexFileObserver {
 public:
  explicit Recorder(int stop_after = -1) : stop_after_(stop_after) {}
  bool OnProblem(const IndexFileProblem& p) override {
    std::ostringstream line;
    line << static_cast<int>(p.fault) << '@' << p.offset;
    switch (p.fault) {
      case IndexFileFault::kDamagedEntry:
        line << ' ' << DescribeDamage(p.entry->damage);
        break;
      case IndexFileFault::kWordNotAscending:
        line << " after " << p.previous_word;
        break;
      case IndexFileFault::kForeignWord:
        break;
      case IndexFileFault::kBadArticleNumber:
        line << ' ' << std::string_view(reinterpret_cast<const char*>(p.field), kFieldWidth);
        break;
      case IndexFileFault::kArticlesNotAscending:
        line << ' ' << p.article << "<=" << p.previous_article;
        break;
      case IndexFileFault::kEntryCount:
        line << ' ' << p.entries;
        break;
    }
    log.push_back(line.str());
    return stop_after_ < 0 || ++problems_ < stop_after_;
  }
  void OnArticle(const EntryView& entry, size_t offset, int article) override {
    std::ostringstream line;
    line << entry.word << '@' << offset << '=' << article;
    log.push_back(line.str());
  }
  std::vector<std::string> log;

 private:
  int stop_after_;
  int problems_ = 0;
};

// Each fault once per place, in file order, with the article numbers that
// could be read between them: what tarvik verify words as its findings.
TEST(CheckIndexFile, ReportsEveryFaultInFileOrder) {
  std::string bad_field = Entry("CAR", {4, 5});
  bad_field[11] = 'x';  // the first article number: "000x"
  const std::string bytes = Entry("CAT", {3, 1}) + Entry("CAB", {2}) + Entry("DOG", {6}) +
                            bad_field +
                            "\x05"
                            "CA";
  Recorder recorder;
  EXPECT_FALSE(CheckIndexFile(bytes, kCA, &recorder));
  const std::vector<std::string> expected = {
      "CAT@0=3",
      "4@0 1<=3",  // kArticlesNotAscending, and the number is still read
      "CAT@0=1",
      "1@16 after CAT",  // kWordNotAscending
      "CAB@16=2",
      "2@28",  // kForeignWord
      "DOG@28=6",
      "1@40 after DOG",
      "3@40 000x",  // kBadArticleNumber: not read
      "CAR@40=5",
      "0@56 entry runs past the end of the file",  // kDamagedEntry ends the walk
  };
  EXPECT_EQ(recorder.log, expected);

  Recorder letter;
  EXPECT_FALSE(CheckIndexFile(std::string(1, '\0') + Entry("C", {1}), kC, &letter));
  EXPECT_EQ(letter.log, (std::vector<std::string>{"0@0 length byte 0", "5@11 0"}));
}

TEST(CheckIndexFile, AnObserverMayEndTheWalk) {
  Recorder recorder(1);
  EXPECT_FALSE(
      CheckIndexFile(Entry("CAT", {1}) + Entry("CAT", {2}) + Entry("DOG", {3}), kCA, &recorder));
  EXPECT_EQ(recorder.log, (std::vector<std::string>{"CAT@0=1", "1@12 after CAT"}));
  Recorder sound;
  EXPECT_TRUE(CheckIndexFile(Entry("CAT", {1, 7}), kCA, &sound));
  EXPECT_EQ(sound.log, (std::vector<std::string>{"CAT@0=1", "CAT@0=7"}));
}

}  // namespace
}  // namespace indexformat
