#include "preproc/copier/phrase_transform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "preproc/copier/phrase_transform_reference.h"

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

// An article starts as if a word had just been written: a delimiter right
// behind a tag at its very start is one blank, a line end too, so the text
// after "<p>" LF is on the copy's first line.
TEST(PhraseSearchTransform, HtmlArticleStartsAfterText) {
  EXPECT_EQ(Transform("<p>\nHello", true), " Hello");
  EXPECT_EQ(Transform("<p>\r\nHello", true), " \nHello");
  EXPECT_EQ(Transform("<p>\nHello", true, {}, 3), " Hello");  // ">" ends the first block
  EXPECT_EQ(Transform("\n<p>\nHello", true), "\n\nHello");    // a delimiter written first
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

// Random articles rich in what the rules turn on ("<", ">", blanks, line ends,
// NULs, the delimiter set), random delimiter sets, cut into random blocks:
// every block's output and the state it leaves match the reference.
TEST(PhraseSearchTransform, MatchesTheByteByByteReference) {
  std::mt19937 random(20240611);
  auto pick = [&random](size_t n) { return static_cast<size_t>(random() % n); };
  const std::string specials("<<<>> \r\n\t\v\f\0,.;ab");
  for (int round = 0; round < 3000; ++round) {
    std::string set;
    for (size_t i = pick(6); i > 0; --i) {
      set.push_back(pick(2) ? specials[pick(specials.size())] : static_cast<char>(pick(256)));
    }
    const TransformRules rules(pick(4) != 0, set);
    std::string article;
    const size_t length = pick(8) == 0 ? pick(20000) : pick(300);
    const bool with_nul = pick(3) == 0;
    while (article.size() < length) {
      char c = pick(3) ? specials[pick(specials.size())] : static_cast<char>(pick(256));
      if (c == '\0' && !with_nul) c = 'x';
      article.push_back(c);
    }
    const size_t most = pick(2) ? 4096 : pick(12) + 1;
    TransformState state;
    testing::ReferenceTransform reference(rules);
    size_t at = 0;
    do {
      const size_t size = std::min(article.size() - at, pick(3) ? most : pick(most) + 1);
      std::string block = article.substr(at, size);
      at += size;
      std::vector<char> out(block.size() + 2, '\x7f');
      const size_t n = PhraseSearchTransform(block.c_str(), out.data(), rules, state);
      const std::string expected = reference.Block(block.c_str());
      ASSERT_EQ(std::string(out.data(), n), expected) << "round " << round << " at " << at;
      ASSERT_EQ(out[n], '\0');
      ASSERT_EQ(state.pending_tag, reference.state.pending_tag) << "round " << round;
      ASSERT_EQ(state.after_text, reference.state.after_text) << "round " << round;
      ASSERT_EQ(state.open_pending, reference.state.open_pending) << "round " << round;
      ASSERT_EQ(state.tag_closed, reference.state.tag_closed) << "round " << round;
    } while (at < article.size());
  }
}

// Long runs that the transform copies eight bytes at a time, broken by the
// odd byte it changes or a tag at every offset, bytes above 127 among them,
// with delimiter sets of control bytes only (the runs copied whole) and with
// other ones (byte by byte): the same copies as the reference, in output
// buffers of just the promised size.
TEST(PhraseSearchTransform, LongUnchangedRunsMatchTheReference) {
  std::mt19937 random(20261209);
  auto pick = [&random](size_t n) { return static_cast<size_t>(random() % n); };
  const std::string breaks("\t\v\f\x1f\r\n <>,");
  for (const char* set : {"", "\x1f", "\x01\x1f", ",", "\xe9"}) {
    const TransformRules rules(true, set);
    for (int round = 0; round < 200; ++round) {
      std::string article;
      const size_t length = pick(9000) + 1;
      while (article.size() < length) {
        if (pick(40) == 0) {
          article.push_back(breaks[pick(breaks.size())]);
        } else {
          article.push_back(pick(8) == 0 ? static_cast<char>(128 + pick(128))
                                         : static_cast<char>('a' + pick(26)));
        }
      }
      TransformState state;
      testing::ReferenceTransform reference(rules);
      for (size_t at = 0; at < article.size();) {
        const std::string block = article.substr(at, std::min<size_t>(4096, pick(5000) + 1));
        at += block.size();
        std::vector<char> out(block.size() + 2);
        const size_t n = PhraseSearchTransform(block.c_str(), out.data(), rules, state);
        ASSERT_EQ(std::string(out.data(), n), reference.Block(block.c_str()))
            << "set " << set << " round " << round << " at " << at;
        ASSERT_EQ(state.after_text, reference.state.after_text);
      }
    }
  }
}

}  // namespace
}  // namespace preproc
