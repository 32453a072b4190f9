#include "preproc/copier/phrase_transform.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace preproc {
namespace {

// Transforms input as the copier does: cut into blocks of block_size bytes,
// each NUL-terminated, one state carried across them.
std::string Transform(std::string_view input, bool html, std::string_view delimiters = {},
                      size_t block_size = 4096) {
  TransformRules rules(html, delimiters);
  TransformState state;
  std::string result;
  size_t at = 0;
  do {
    std::string block(input.substr(at, block_size));
    at += block.size();
    std::vector<char> out(block.size() + 2);
    size_t n = PhraseSearchTransform(block.c_str(), out.data(), rules, state);
    EXPECT_EQ(out[n], '\0');
    result.append(out.data(), n);
  } while (at < input.size());
  return result;
}

TEST(PhraseSearchTransform, TextKeepsLineEndsAndBlanksOtherDelimiters) {
  EXPECT_EQ(Transform("Hello,\tworld\r\n", false), "Hello, world\r\n");
  EXPECT_EQ(Transform("Hello,\tworld\r\n", false, ","), "Hello  world\r\n");
  EXPECT_EQ(Transform("a\vb\fc d", false), "a b c d");
  EXPECT_EQ(Transform("a<b>c", false), "a<b>c");  // no tags in text articles
  EXPECT_EQ(Transform("a<b>c", false, "<>"), "a b c");
  EXPECT_EQ(Transform("\r\n", false, "\r"), "\r\n");  // CR and LF stay even when listed
}

TEST(PhraseSearchTransform, TextOfAnyBytesKeepsItsLength) {
  std::string all;
  for (int round = 0; round < 40; ++round) {
    for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
  }
  const std::string copy = Transform(all, false, "xyz\xff");
  ASSERT_EQ(copy.size(), all.size());
  for (size_t i = 0; i < all.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(all[i]);
    const bool blank = (c >= 9 && c <= 13 && c != 10 && c != 13) || c == ' ' || c == 'x' ||
                       c == 'y' || c == 'z' || c == 0xff;
    ASSERT_EQ(copy[i], blank ? ' ' : all[i]) << "byte " << static_cast<int>(c);
  }
}

TEST(PhraseSearchTransform, HtmlDropsTags) {
  EXPECT_EQ(Transform("a<b>c", true), "ac");
  EXPECT_EQ(Transform("x < y", true), "x < y");  // "<" before a blank opens no tag
  EXPECT_EQ(Transform("<p>Hi</p>", true), "Hi");
  EXPECT_EQ(Transform("a<b><i>c", true), "ac");     // a tag right after a tag
  EXPECT_EQ(Transform("text <b", true), "text ");   // unclosed at the article's end
  EXPECT_EQ(Transform("a<b>c", true, "<>"), "ac");  // delimiters do not change tags
  EXPECT_EQ(Transform("x<y\n>z", true), "xz");      // a tag may hold line ends
}

// Only a space after "<" makes it text: a tab, a line feed, any other
// control byte, or the end of the text after it, and the "<" opens a tag.
TEST(PhraseSearchTransform, HtmlLessThanBeforeAnythingButASpaceOpensATag) {
  EXPECT_EQ(Transform("a <\tb> c", true), "a  c");
  EXPECT_EQ(Transform("a <\nb> c", true), "a  c");
  EXPECT_EQ(Transform("x<\x01>y", true), "xy");
  EXPECT_EQ(Transform("x<\x1f y>z", true), "xz");
  EXPECT_EQ(Transform("ab<", true), "ab");  // the text's last byte: an open tag
  EXPECT_EQ(Transform("ab <", true), "ab ");
  EXPECT_EQ(Transform("<", true), "");
}

TEST(PhraseSearchTransform, HtmlDelimiterBehindTagAfterWordBecomesOneBlank) {
  EXPECT_EQ(Transform("word<br>\r\nnext", true), "word \nnext");
  EXPECT_EQ(Transform("a<b><i>\tc", true), "a c");
  // Two tags behind a word: the delimiter after the first becomes the blank,
  // so the line end behind the second is kept.
  EXPECT_EQ(Transform("A<b> <i>\r\nC", true), "A \r\nC");
  // A tag, a delimiter and a tag: one blank for the delimiter, none for the tag.
  EXPECT_EQ(Transform("a<b> <i>c", true), "a c");
  EXPECT_EQ(Transform("a<b>\t<i>\tc", true), "a  c");
  EXPECT_EQ(Transform("a<b>, c", true, ","), "a  c");
  // After a delimiter the line end behind the tag is kept.
  EXPECT_EQ(Transform("a <br>\r\nb", true), "a \r\nb");
}

TEST(PhraseSearchTransform, HtmlTagAcrossBlockBoundaries) {
  EXPECT_EQ(Transform("ab<cd>ef", true, {}, 4), "abef");      // "<" is the block's last byte
  EXPECT_EQ(Transform("x<bold>yz", true, {}, 3), "xyz");      // tag spans three blocks
  EXPECT_EQ(Transform("x<b>y<i>z", true, {}, 2), "xyz");      // a fresh tag after a pending one
  EXPECT_EQ(Transform("x<b>\r\n", true, {}, 4), "x \n");      // ">" ends its block: as in one block
  EXPECT_EQ(Transform("a <br>\r\n", true, {}, 6), "a \r\n");  // after a blank: kept
  EXPECT_EQ(Transform("x< y", true, {}, 2), "x< y");          // "<" ends its block, a blank follows
  EXPECT_EQ(Transform("x<", true, {}, 2), "x");               // "<" ends the article: an open tag
  EXPECT_EQ(Transform("ab<", true, {}, 3), "ab");             // ... also before an empty block
  EXPECT_EQ(Transform("x< y", true, "<", 2), "x  y");   // a "<" that is text may be a delimiter
  EXPECT_EQ(Transform("a<b< c>d", true, {}, 3), "ad");  // a pending tag runs to its ">"
  std::string long_text(4094, 'x');
  EXPECT_EQ(Transform(long_text + "<b>yz", true), long_text + "yz");
}

TEST(PhraseSearchTransform, NulEndsTheBlock) {
  EXPECT_EQ(Transform(std::string_view("ab\0cd", 5), false), "ab");
  EXPECT_EQ(Transform(std::string_view("ab\0cdef", 7), false, {}, 4), "abdef");
  EXPECT_EQ(Transform("", true), "");
}

}  // namespace
}  // namespace preproc
