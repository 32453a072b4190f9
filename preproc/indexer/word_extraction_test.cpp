#include "preproc/indexer/word_extraction.h"

#include <gtest/gtest.h>

#include <array>
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
    q = FindNextFoldedWord(q, d, html, fold, folded, &length);
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

}  // namespace
}  // namespace preproc
