#include "xtra/engine/phrase_scan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/testing/temp_dir.h"
#include "xtra/engine/char_classes.h"
#include "xtra/engine/engine_test_support.h"

namespace engine {
namespace {

using namespace std::string_literals;

// The occurrence rule applied to a whole article held in memory.
bool WholeArticleRule(std::string text, const std::string& phrase, bool wholeWord) {
  FoldBytes(platform::kCp1252UpperCase.data(), text.data(), text.size());
  auto space = [&](size_t i) { return IsSpaceChar(static_cast<unsigned char>(text[i])); };
  size_t q = 0;
  for (;;) {
    size_t p = q > text.size() ? std::string::npos : text.find(phrase, q);
    if (p == std::string::npos) return false;
    bool end = p + phrase.size() == text.size();
    if ((p == q || space(p - 1)) && (!wholeWord || end || space(p + phrase.size()))) return true;
    size_t next = p;
    while (next < text.size() && !space(next)) ++next;
    q = next == q ? next + 1 : next;
  }
}

class PhraseScanTest : public ::testing::Test {
 protected:
  bool Holds(const std::string& text, const std::string& phrase, bool wholeWord,
             size_t capacity = kReadBufferSize,
             const platform::UpperCaseTable& fold = platform::kCp1252UpperCase) {
    std::string path = dir_.Write("article", text);
    RawFile file;
    EXPECT_TRUE(file.Open(path.c_str()));
    buffer_.assign(capacity, '\0');
    return ArticleHoldsPhrase(file, phrase.data(), phrase.size(), wholeWord, fold.data(),
                              buffer_.data(), capacity);
  }
  platform::testing::TempDir dir_;
  std::vector<char> buffer_;
};

TEST_F(PhraseScanTest, WordStartsAndEnds) {
  EXPECT_TRUE(Holds("in new york today", "NEW YORK", true));
  EXPECT_TRUE(Holds("New Yorker", "NEW YORK", false));
  EXPECT_FALSE(Holds("New Yorker", "NEW YORK", true));
  EXPECT_TRUE(Holds("NEW YORK, 1997", "NEW YORK", false));
  EXPECT_FALSE(Holds("NEW YORK, 1997", "NEW YORK", true));
  EXPECT_FALSE(Holds("NEW\r\nYORK", "NEW YORK", false));
  EXPECT_FALSE(Holds("NEW  YORK", "NEW YORK", false));
  EXPECT_FALSE(Holds("RENEW YORK", "NEW YORK", false));
  EXPECT_TRUE(Holds("RENEW YORK NEW YORK", "NEW YORK", true));
  EXPECT_TRUE(Holds("FOO BAR", "FOO ", false));
  EXPECT_FALSE(Holds("FOO BAR", "FOO ", true));  // the byte after the space is B
  EXPECT_TRUE(Holds("FOO \n", "FOO ", true));
  EXPECT_FALSE(Holds("FOO", "FOO ", false));
  EXPECT_TRUE(Holds("x\0y NEW YORK"s, "NEW YORK", true));  // a NUL is an ordinary byte
  EXPECT_FALSE(Holds("", "NEW YORK", false));
  EXPECT_FALSE(Holds("NEW YORK", "", false));
  // Vertical tab and form feed are whitespace around an occurrence.
  EXPECT_TRUE(Holds("x\vNEW YORK\f", "NEW YORK", true));
  EXPECT_TRUE(Holds("\f\fNEW YORK\vx", "NEW YORK", true));
  EXPECT_FALSE(Holds("x\v-NEW YORK", "NEW YORK", false));
}

// The text is folded with the set's table read by read, accented letters
// included, so "caf\xE9 noir" (caf&eacute; noir) is found in any case, and
// without its accents in an accent-free set.
TEST_F(PhraseScanTest, TextIsFoldedWithTheSetsTable) {
  EXPECT_TRUE(Holds("un caf\xE9 noir", "CAF\xC9 NOIR", true));
  EXPECT_TRUE(Holds("UN CAF\xC9 NOIR", "CAF\xC9 NOIR", true));
  EXPECT_FALSE(
      Holds("un caf\xE9 noir", "CAF\xC9 NOIR", true, kReadBufferSize, platform::kAsciiUpperCase));
  const std::string across = std::string(9994, 'x') + " Z\xFCrich Z\xDCRICH";
  for (const char* text : {"zurich", "Z\xFCrich", "Z\xDCRICH", across.c_str()}) {
    EXPECT_TRUE(Holds(text, "ZURICH", true, kReadBufferSize, platform::kCp1252AccentFree)) << text;
  }
  EXPECT_FALSE(Holds("Z\xFCrich", "ZURICH", true));
}

TEST_F(PhraseScanTest, LeadingSpacePhraseMovesOnInWholeWordMode) {
  EXPECT_TRUE(Holds("AB CD", " CD", false));  // rejected once, then found at the search start
  EXPECT_FALSE(Holds("AB CDX", " CD", true));
  EXPECT_TRUE(Holds("AB CDX CD", " CD", true));
}

TEST_F(PhraseScanTest, OccurrencesAcrossReadsAreFound) {
  std::string across = std::string(9995, 'x') + " NEW YORK";
  EXPECT_TRUE(Holds(across, "NEW YORK", true));
  std::string unbroken(1, ' ');  // appends: gcc -O2 sees a false overlap in " " + string
  unbroken.append(25000, 'y').append(" NEW YORK");
  EXPECT_TRUE(Holds(unbroken, "NEW YORK", true));
  std::string noSpace = std::string(25000, 'z') + "NEW YORK";
  EXPECT_FALSE(Holds(noSpace, "NEW YORK", false));
  std::string endTest = std::string(9992, 'x') + " NEW YORK" + "ER NEW YORK";
  EXPECT_TRUE(Holds(endTest, "NEW YORK", true));  // the byte after lies in the next read
  EXPECT_FALSE(Holds(std::string(9992, 'x') + " NEW YORKER", "NEW YORK", true));
}

TEST_F(PhraseScanTest, SmallReadsAgreeWithTheWholeArticleRule) {
  std::mt19937 random(20240611);
  const std::string alphabet = "ab \n";
  const std::vector<std::string> phrases = {"A B", "AB", " A", "B A B", "A ", "AB AB"};
  for (int round = 0; round < 400; ++round) {
    std::string text(random() % 60, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    const std::string& phrase = phrases[random() % phrases.size()];
    bool wholeWord = random() % 2 == 0;
    size_t capacity = phrase.size() + 2 + random() % 8;
    EXPECT_EQ(Holds(text, phrase, wholeWord, capacity), WholeArticleRule(text, phrase, wholeWord))
        << "text '" << text << "' phrase '" << phrase << "' whole " << wholeWord << " capacity "
        << capacity;
  }
}

// CanOpen says what Open would, opening nothing where it can.
TEST(RawFileTest, CanOpenAnswersAsOpenDoes) {
  platform::testing::TempDir dir;
  const std::string file = dir.Write("copy", "twelve bytes");
  const std::string empty = dir.Write("empty", "");
  dir.Write("folder/inner", "x");
  auto opens = [](const std::string& path) {
    RawFile raw;
    return raw.Open(path.c_str());
  };
  std::int64_t size = -1;
  EXPECT_TRUE(CanOpen(file.c_str(), &size));
  EXPECT_EQ(size, 12);
  EXPECT_TRUE(CanOpen(empty.c_str(), &size));
  EXPECT_EQ(size, 0);
  for (const std::string& refused :
       {dir.Join("folder"), dir.Join("absent"), dir.Join("copy/below"), std::string()}) {
    EXPECT_FALSE(CanOpen(refused.c_str())) << refused;
    EXPECT_FALSE(opens(refused)) << refused;
  }
#ifndef _WIN32
  // Unreadable by its mode: the answer is Open's, whoever runs the test.
  std::filesystem::permissions(file, std::filesystem::perms::none);
  EXPECT_EQ(CanOpen(file.c_str()), opens(file));
  std::filesystem::permissions(file, std::filesystem::perms::owner_read);
  EXPECT_EQ(CanOpen(file.c_str(), &size), opens(file));
  std::filesystem::permissions(file, std::filesystem::perms::owner_all);
#endif
}

TEST(RawFileTest, ReadAtReadsExactlyWhereAsked) {
  platform::testing::TempDir dir;
  const std::string path = dir.Write("blocks", "0123456789abcdef");
  RawFile file;
  ASSERT_TRUE(file.Open(path.c_str()));
  char bytes[8] = {};
  ASSERT_TRUE(file.ReadAt(10, bytes, 6));
  EXPECT_EQ(std::string(bytes, 6), "abcdef");
  ASSERT_TRUE(file.ReadAt(2, bytes, 3));
  EXPECT_EQ(std::string(bytes, 3), "234");
  EXPECT_TRUE(file.ReadAt(16, bytes, 0));
  EXPECT_FALSE(file.ReadAt(12, bytes, 5));  // past the end
  EXPECT_FALSE(file.ReadAt(-1, bytes, 1));
}

// Read goes on where the reads and skips before it left off; a skip past the
// end leaves nothing to read. The identity of the open file is the one its
// path shows, and another file's differs.
TEST(RawFileTest, ReadsAndSkipsFollowOneAnotherAndTheFileKeepsItsIdentity) {
  platform::testing::TempDir dir;
  const std::string path = dir.Write("entries", "0123456789abcdef");
  const std::string other = dir.Write("other", "0123456789abcdef");
  RawFile file;
  ASSERT_TRUE(file.Open(path.c_str()));
  char bytes[8] = {};
  ASSERT_EQ(file.Read(bytes, 3), 3u);
  EXPECT_EQ(std::string(bytes, 3), "012");
  ASSERT_TRUE(file.Skip(4));
  ASSERT_EQ(file.Read(bytes, 2), 2u);
  EXPECT_EQ(std::string(bytes, 2), "78");
  ASSERT_TRUE(file.Skip(0));
  ASSERT_EQ(file.Read(bytes, 8), 7u);
  EXPECT_EQ(std::string(bytes, 7), "9abcdef");
  EXPECT_EQ(file.Read(bytes, 8), 0u);
  unsigned char opened[kFileIdentitySize] = {};
  unsigned char named[kFileIdentitySize] = {};
  unsigned char another[kFileIdentitySize] = {};
  ASSERT_TRUE(file.ReadIdentity(opened));
  ASSERT_TRUE(ReadFileIdentity(path.c_str(), named));
  ASSERT_TRUE(ReadFileIdentity(other.c_str(), another));
  EXPECT_EQ(std::memcmp(opened, named, 8), 0) << "the sizes";
#ifndef _WIN32
  // The path's identity holds device and inode; Windows gives them only on
  // the open handle.
  EXPECT_EQ(std::memcmp(opened, named, sizeof opened), 0);
  EXPECT_NE(std::memcmp(named, another, sizeof named), 0);
#endif
  ASSERT_TRUE(file.Open(path.c_str()));
  ASSERT_TRUE(file.Skip(20));
  EXPECT_EQ(file.Read(bytes, 8), 0u) << "skipped past the end";
  file.Close();
  EXPECT_FALSE(file.ReadIdentity(opened));
  EXPECT_FALSE(file.Skip(1));
}

using testing::EngineTest;

TEST_F(EngineTest, AMissingCopyDropsOnlyItsOwnArticle) {
  for (int article : {3, 7, 150}) s_.phraseFlags[article - 1] = 1;
  WriteArticle(3, "NEW YORK", 'A');  // either case of the block directory is found
  WriteArticle(150, "new york");
  VerifyPhraseInArticles(s_, "NEW YORK", 8);
  EXPECT_EQ(s_.phraseFlags[2], 1);
  EXPECT_EQ(s_.phraseFlags[6], 0);
  EXPECT_EQ(s_.phraseFlags[149], 1);
}

// Two phrases confirmed together learn the copies once; each still gets the
// answer it gets alone, missing copies and either spelling of a block
// directory included, with few candidates (read) and many (looked for).
TEST_F(EngineTest, TwoPhrasesConfirmedTogetherAnswerAsEachAlone) {
  const char* texts[] = {"new york of the", "of the city", "new york", "neither"};
  std::vector<int> articles;
  for (int article = 1; article <= 2500; article += 37) articles.push_back(article);
  for (size_t k = 0; k < articles.size(); ++k) {
    if (k % 5 == 4) continue;  // no copy
    WriteArticle(articles[k], texts[k % 4], k % 3 == 0 ? 'A' : 'a');
  }
  const PhraseToConfirm phrases[] = {{"NEW YORK", 8}, {"OF THE", 6}};
  for (size_t candidates : {size_t{3}, articles.size()}) {
    std::uint8_t alone[kMaxArticles] = {};
    for (size_t k = 0; k < candidates; ++k) alone[articles[k] - 1] = 1;
    std::memcpy(s_.phraseFlags, alone, sizeof alone);
    VerifyPhraseInArticles(s_, phrases[0].text, phrases[0].length);
    VerifyPhraseInArticles(s_, phrases[1].text, phrases[1].length);
    std::memcpy(alone, s_.phraseFlags, sizeof alone);
    int held = 0;
    for (std::uint8_t flag : alone) held += flag;
    EXPECT_GT(held, 0);

    std::memset(s_.phraseFlags, 0, sizeof s_.phraseFlags);
    for (size_t k = 0; k < candidates; ++k) s_.phraseFlags[articles[k] - 1] = 1;
    VerifyPhrasesInArticles(s_, phrases, 2);
    EXPECT_EQ(std::memcmp(s_.phraseFlags, alone, sizeof alone), 0) << candidates << " candidates";
  }
}

}  // namespace
}  // namespace engine
