#include "preproc/indexer/word_extraction.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace preproc {
namespace {

// A fold for the tests: ASCII letters upper-cased, every other byte kept.
std::array<unsigned char, 256> AsciiUpper() {
  std::array<unsigned char, 256> upper{};
  for (int c = 0; c < 256; ++c) {
    upper[c] = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  return upper;
}

// The words of a text; every case also checks that a fold changes nothing but
// the words' bytes: the same words, upper-cased, each ending where NextWord's
// ends.
std::vector<std::string> Words(const std::string& text, const std::string& delimiters = "",
                               bool html = false) {
  Delimiters d(delimiters);
  const std::array<unsigned char, 256> upper = AsciiUpper();
  const FoldTable fold(d, html, upper);
  std::vector<std::string> words;
  char word[kWordBufferSize];
  char folded[kWordBufferSize];
  const char* p = text.c_str();
  const char* q = p;
  for (;;) {
    p = NextWord(p, word, d, html);
    size_t length = 0;
    q = FindNextFoldedWord(q, text.c_str() + text.size(), d, html, fold, folded, &length);
    EXPECT_EQ(p, q);
    if (p == nullptr || q == nullptr) break;
    std::string expected(word);
    for (char& c : expected) c = static_cast<char>(upper[static_cast<unsigned char>(c)]);
    EXPECT_EQ(std::string(folded, length), expected);
    words.push_back(word);
  }
  return words;
}

using V = std::vector<std::string>;

TEST(NextWord, PunctuationStaysUnlessItIsADelimiter) {
  EXPECT_EQ(Words("The cat, the hat."), (V{"The", "cat,", "the", "hat."}));
  EXPECT_EQ(Words("The cat, the hat.", ",."), (V{"The", "cat", "the", "hat"}));
  EXPECT_EQ(Words("\t1997 --\r\n(the e-mail\v\f"), (V{"1997", "--", "(the", "e-mail"}));
  EXPECT_EQ(Words(""), V{});
  EXPECT_EQ(Words(" \n\t "), V{});
}

TEST(NextWord, HtmlTags) {
  EXPECT_EQ(Words("foo<b>bar</b> baz", "", true), (V{"foo", "bar", "baz"}));
  EXPECT_EQ(Words("foo<b>bar</b> baz", "", false), (V{"foo<b>bar</b>", "baz"}));
  EXPECT_EQ(Words("a < b", "", true), (V{"a", "<", "b"}));
  EXPECT_EQ(Words("text <b", "", true), (V{"text"}));
  EXPECT_EQ(Words("<p><i></i></p>", "", true), V{});
  // "<" in the delimiter set does not change tag handling in HTML mode...
  EXPECT_EQ(Words("x<b>y", "<", true), (V{"x", "y"}));
  // ...but splits words in text mode.
  EXPECT_EQ(Words("x<b>y", "<", false), (V{"x", "b>y"}));
}

// Only a space after "<" makes it text: a tab, a line feed, any other
// control byte, or the end of the text after it, and the "<" opens a tag.
TEST(NextWord, HtmlLessThanBeforeAnythingButASpaceOpensATag) {
  EXPECT_EQ(Words("a <\tb> c", "", true), (V{"a", "c"}));
  EXPECT_EQ(Words("a <\nb> c", "", true), (V{"a", "c"}));
  EXPECT_EQ(Words("a <\rb> c", "", true), (V{"a", "c"}));
  EXPECT_EQ(Words("x<\x01>y", "", true), (V{"x", "y"}));
  EXPECT_EQ(Words("x<\x1f y>z", "", true), (V{"x", "z"}));
  // A "<" that is the text's last byte opens a tag that never closes.
  EXPECT_EQ(Words("a <", "", true), (V{"a"}));
  EXPECT_EQ(Words("ab<", "", true), (V{"ab"}));
  EXPECT_EQ(Words("<", "", true), V{});
  // In a word, "<" and a space keep the "<" in the word.
  EXPECT_EQ(Words("ab< c", "", true), (V{"ab<", "c"}));
}

// "<" in the delimiter set still lets "< " separate words in HTML mode, and
// a tag right after a delimiter is skipped before the next word starts.
TEST(NextWord, HtmlWithLessThanAsDelimiter) {
  EXPECT_EQ(Words("a < b", "<", true), (V{"a", "b"}));
  EXPECT_EQ(Words("a <  <i>b", "<", true), (V{"a", "b"}));
  EXPECT_EQ(Words(" <p> <br>x", "", true), (V{"x"}));
}

// Tags, a run longer than 255 bytes and a "<" before a blank, in one text.
TEST(NextWord, MixedHtmlText) {
  std::string text = " alpha<b>beta</b>  " + std::string(300, 'g') + " < x";
  const V found = Words(text, "", true);
  EXPECT_EQ(found.size(), 5u);
  EXPECT_EQ(found[2].size(), kMaxWordBytes);
}

TEST(NextWord, LongRunsKeepTheirFirst255Bytes) {
  std::string run(300, 'w');
  V words = Words(run + " next");
  ASSERT_EQ(words.size(), 2u);
  EXPECT_EQ(words[0], std::string(255, 'w'));
  EXPECT_EQ(words[1], "next");
}

TEST(NextWord, TextEndsAtNul) {
  std::string text("one two\0three", 13);
  EXPECT_EQ(Words(text), (V{"one", "two"}));
}

// Words are found and folded eight bytes at a time while the bytes fold as
// ASCII does; every other byte, and the last bytes of room in a word, go one
// by one. The words must be those of a byte-by-byte reading whatever falls
// on either side of an eight-byte step.

// The same words, read one byte at a time: the words as the format defines
// them, each folded, and the position that ended it.
struct ExpectedWord {
  std::string folded;
  size_t end;
};
std::vector<ExpectedWord> ByteByByte(const std::string& text, const std::string& delimiters,
                                     bool html, const std::array<unsigned char, 256>& upper) {
  const Delimiters d(delimiters);
  std::vector<ExpectedWord> words;
  const size_t size = text.find('\0') == std::string::npos ? text.size() : text.find('\0');
  auto starts_tag = [&](size_t i) {
    return text[i] == '<' && (i + 1 >= size || text[i + 1] != ' ');
  };
  size_t i = 0;
  for (;;) {
    for (;;) {  // delimiters and tags
      while (i < size && d.IsDelimiter(static_cast<unsigned char>(text[i])) &&
             !(html && text[i] == '<')) {
        ++i;
      }
      if (!html || i >= size || text[i] != '<') break;
      if (starts_tag(i)) {
        const size_t close = text.find('>', i);
        i = close == std::string::npos || close >= size ? size : close + 1;
      } else if (d.IsDelimiter('<')) {
        ++i;
      } else {
        break;
      }
    }
    if (i >= size) return words;
    ExpectedWord word;
    while (i < size && !d.IsDelimiter(static_cast<unsigned char>(text[i])) &&
           !(html && starts_tag(i))) {
      if (word.folded.size() < kMaxWordBytes) {
        word.folded += static_cast<char>(upper[static_cast<unsigned char>(text[i])]);
      }
      ++i;
    }
    word.end = i;
    words.push_back(word);
  }
}

void ExpectSameWords(const std::string& text, const std::string& delimiters, bool html,
                     const std::array<unsigned char, 256>& upper) {
  const Delimiters d(delimiters);
  const FoldTable fold(d, html, upper);
  const std::vector<ExpectedWord> expected = ByteByByte(text, delimiters, html, upper);
  const char* p = text.c_str();
  char out[kWordBufferSize];
  for (const ExpectedWord& word : expected) {
    size_t length = 0;
    p = FindNextFoldedWord(p, text.c_str() + text.size(), d, html, fold, out, &length);
    ASSERT_NE(p, nullptr) << text;
    EXPECT_EQ(std::string(out, length), word.folded) << text;
    EXPECT_EQ(static_cast<size_t>(p - text.c_str()), word.end) << text;
  }
  size_t length = 0;
  EXPECT_EQ(FindNextFoldedWord(p, text.c_str() + text.size(), d, html, fold, out, &length), nullptr)
      << text;
}

TEST(FindNextFoldedWord, WordEndsOnEitherSideOfAnEightByteStep) {
  const std::array<unsigned char, 256> upper = AsciiUpper();
  // Every word length from 1 to 20 after every lead of 0 to 9 blanks, ended by
  // each kind of byte that stops the eight-byte step.
  for (const char* ending : {" ", "\n", "\xc3\xa9x y", "<b>z", "< w", "\x01q"}) {
    for (int lead = 0; lead < 10; ++lead) {
      for (int length = 1; length <= 20; ++length) {
        std::string text(static_cast<size_t>(lead), ' ');
        for (int i = 0; i < length; ++i) text += static_cast<char>('a' + i % 26);
        text += ending;
        text += "tail";
        for (bool html : {false, true}) ExpectSameWords(text, "", html, upper);
      }
    }
  }
}

TEST(FindNextFoldedWord, LongWordsKeepTheirFirst255BytesAcrossTheSteps) {
  const std::array<unsigned char, 256> upper = AsciiUpper();
  // Runs around the word's room, with a byte above 0x7F at each place near
  // where the eight-byte steps must give way to single bytes.
  for (int length = 240; length <= 270; ++length) {
    ExpectSameWords(std::string(static_cast<size_t>(length), 'k') + " z", "", false, upper);
    for (int at = 244; at < 258 && at < length; ++at) {
      std::string run(static_cast<size_t>(length), 'm');
      run[static_cast<size_t>(at)] = '\xe4';
      ExpectSameWords(run + " z", "", false, upper);
    }
  }
}

TEST(FindNextFoldedWord, DelimiterSetsAndFoldsThatAreNotAscii) {
  const std::string text = "Alpha;beta.GAMMA 1997-12 z<b>y \xc4\xe4 e\x7f\x80" "f ~tilde~ [x]";
  std::array<unsigned char, 256> odd = AsciiUpper();
  odd['q'] = 'q';  // a fold that keeps one letter as it is
  odd['~'] = '-';  // and changes a byte that is no letter
  std::array<unsigned char, 256> latin = AsciiUpper();
  for (int c = 0xe0; c <= 0xfe; ++c) latin[c] = static_cast<unsigned char>(c - 0x20);
  for (const std::string& set : {std::string(), std::string(";."), std::string("0"),
                                 std::string("~"), std::string("<"), std::string("a")}) {
    for (bool html : {false, true}) {
      for (const auto* upper : {&odd, &latin}) {
        ExpectSameWords(text, set, html, *upper);
        ExpectSameWords(text + " quick qQ", set, html, *upper);
      }
    }
  }
}

// Random texts of the bytes that matter at a step's edges: letters, blanks,
// "<", ">", bytes above 0x7F, a control byte and NUL.
TEST(FindNextFoldedWord, RandomTextsMatchAByteByByteReading) {
  const std::array<unsigned char, 256> upper = AsciiUpper();
  const std::string alphabet = std::string("aZz09 \t\n<>.\x7f\x80\xff\x01") + '\0';
  std::mt19937 random(1997);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const size_t size = random() % 80;
    for (size_t i = 0; i < size; ++i) {
      // Mostly letters, so runs are long enough to cross a step.
      text += random() % 3 != 0 ? static_cast<char>('a' + random() % 26)
                                : alphabet[random() % alphabet.size()];
    }
    ExpectSameWords(text, round % 4 == 0 ? "." : "", round % 2 == 0, upper);
  }
}

}  // namespace
}  // namespace preproc
