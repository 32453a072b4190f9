#include "xtra/kpxsearch/text_encoding.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace kpxsearch {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";  // U+FFFD

std::string Replacements(int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += kReplacement;
  return out;
}

// Strict UTF-8, checked on the code points themselves: each sequence in its
// shortest form, no surrogate, nothing above U+10FFFF. Counts the characters.
bool IsValidUtf8(std::string_view text, int* characters = nullptr) {
  int count = 0;
  for (size_t i = 0; i < text.size(); ++count) {
    const auto lead = static_cast<unsigned char>(text[i]);
    // The sequence's length from its lead byte, and the lead's bits of the code point.
    const size_t length = lead < 0x80   ? 1
                          : lead < 0xC0 ? 0
                          : lead < 0xE0 ? 2
                          : lead < 0xF0 ? 3
                          : lead < 0xF8 ? 4
                                        : 0;
    if (length == 0) return false;
    std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
    if (i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    constexpr std::uint32_t kShortest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kShortest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
      return false;
    }
    i += length;
  }
  if (characters != nullptr) *characters = count;
  return true;
}

// A JSON string as JsonString writes it: quoted, no raw control byte, every
// backslash one of JSON's escapes, valid UTF-8 throughout.
bool IsJsonString(std::string_view json) {
  if (json.size() < 2 || json.front() != '"' || json.back() != '"') return false;
  if (!IsValidUtf8(json)) return false;
  for (size_t i = 1; i + 1 < json.size(); ++i) {
    const auto c = static_cast<unsigned char>(json[i]);
    if (c < 0x20 || c == '"') return false;
    if (c != '\\') continue;
    if (++i + 1 >= json.size()) return false;
    const char escape = json[i];
    if (escape == 'u') {
      if (i + 4 >= json.size()) return false;
      for (int k = 1; k <= 4; ++k) {
        if (!std::isxdigit(static_cast<unsigned char>(json[i + k]))) return false;
      }
      i += 4;
    } else if (std::string_view("\"\\/bfnrt").find(escape) == std::string_view::npos) {
      return false;
    }
  }
  return true;
}

TEST(TextEncoding, Utf8InputReplacesEveryByteThatIsNotUtf8) {
  struct Case {
    std::string_view bytes;
    std::string expected;
  };
  const Case cases[] = {
      {"\xED\xA0\x80", Replacements(3)},         // a surrogate (U+D800)
      {"\xED\xBF\xBF", Replacements(3)},         // ... and the last one (U+DFFF)
      {"\xED\x9F\xBF", "\xED\x9F\xBF"},          // U+D7FF, just below
      {"\xC0\xAF", Replacements(2)},             // "/" in two bytes
      {"\xC1\xBF", Replacements(2)},             // overlong DEL
      {"\xC2\x80", "\xC2\x80"},                  // the shortest two-byte form
      {"\xE0\x80\xAF", Replacements(3)},         // "/" in three bytes
      {"\xE0\x9F\xBF", Replacements(3)},         // U+07FF in three bytes
      {"\xE0\xA0\x80", "\xE0\xA0\x80"},          // U+0800
      {"\xF0\x80\x80\xAF", Replacements(4)},     // "/" in four bytes
      {"\xF0\x8F\xBF\xBF", Replacements(4)},     // U+FFFF in four bytes
      {"\xF0\x90\x80\x80", "\xF0\x90\x80\x80"},  // U+10000
      {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},  // U+10FFFF, the last
      {"\xF4\x90\x80\x80", Replacements(4)},     // above U+10FFFF
      {"\xF5\x80\x80\x80", Replacements(4)},     // leads above F4
      {"\xF8\x88\x80\x80\x80", Replacements(5)},
      {"\xFE\xFF", Replacements(2)},
      {"\xE2\x82", Replacements(2)},  // cut short
      {"\xC3(", kReplacement + "("},  // no continuation byte
      {"\xE2\x82(", Replacements(2) + "("},
      {"\x80x", kReplacement + "x"},  // a continuation byte alone
      {"caf\xC3\xA9", "caf\xC3\xA9"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToUtf8(c.bytes, TextEncoding::kUtf8), c.expected) << testing::PrintToString(c.bytes);
  }
  // Each replaced byte is one column.
  EXPECT_EQ(CharacterColumn("\xED\xA0\x80 cat", 5, TextEncoding::kUtf8), 5);
  EXPECT_EQ(CharacterColumn("\xF0\x90\x80\x80 cat", 6, TextEncoding::kUtf8), 3);
}

// Random bytes, rich in the lead and continuation bytes at the edges of the
// valid ranges: the text always comes out as strict UTF-8 (and as a JSON
// string), valid UTF-8 passes unchanged, and the columns count the characters
// written.
TEST(TextEncoding, AnyBytesComeOutAsValidUtf8) {
  std::mt19937 random(20240612);
  const std::string edges(
      "\x80\x8F\x90\x9F\xA0\xBF\xC0\xC1\xC2\xDF\xE0\xE1\xEC\xED\xEE\xEF\xF0\xF1\xF3\xF4\xF5\xF7"
      "\xF8\xFB\xFC\xFD\xFE\xFF\x7F\x01\x1F\"\\ a");
  for (int round = 0; round < 50000; ++round) {
    std::string bytes;
    for (size_t n = random() % 12; n > 0; --n) {
      bytes.push_back(random() % 4 != 0 ? edges[random() % edges.size()]
                                        : static_cast<char>(random() % 256));
    }
    const std::string cp1252 = ToUtf8(bytes, TextEncoding::kCp1252);
    ASSERT_TRUE(IsValidUtf8(cp1252)) << testing::PrintToString(bytes);
    const std::string utf8 = ToUtf8(bytes, TextEncoding::kUtf8);
    int characters = 0;
    ASSERT_TRUE(IsValidUtf8(utf8, &characters)) << testing::PrintToString(bytes);
    if (IsValidUtf8(bytes)) {
      ASSERT_EQ(utf8, bytes);
    }
    ASSERT_EQ(CharacterColumn(bytes, static_cast<int>(bytes.size()), TextEncoding::kUtf8),
              characters)
        << testing::PrintToString(bytes);
    ASSERT_TRUE(IsJsonString(JsonString(utf8))) << testing::PrintToString(bytes);
  }
}

}  // namespace
}  // namespace kpxsearch
