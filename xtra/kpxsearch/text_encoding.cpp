#include "xtra/kpxsearch/text_encoding.h"

#include <cstdint>
#include <cstdio>

namespace kpxsearch {
namespace {

// Windows-1252 bytes 0x80..0x9F; 0 where the code page defines no character.
constexpr std::uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendCodePoint(std::uint32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// The length of the valid UTF-8 sequence at bytes[i], or 0.
size_t SequenceLength(std::string_view bytes, size_t i) {
  auto at = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
  unsigned char lead = at(i);
  size_t n = lead < 0x80                    ? 1
             : lead >= 0xC2 && lead <= 0xDF ? 2
             : lead >= 0xE0 && lead <= 0xEF ? 3
             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                            : 0;
  if (n == 0 || i + n > bytes.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((at(i + k) & 0xC0) != 0x80) return 0;
  }
  // No overlong forms, no surrogates, nothing above U+10FFFF.
  if (lead == 0xE0 && at(i + 1) < 0xA0) return 0;
  if (lead == 0xED && at(i + 1) >= 0xA0) return 0;
  if (lead == 0xF0 && at(i + 1) < 0x90) return 0;
  if (lead == 0xF4 && at(i + 1) >= 0x90) return 0;
  return n;
}

}  // namespace

std::string ToUtf8(std::string_view bytes, TextEncoding encoding) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    auto c = static_cast<unsigned char>(bytes[i]);
    if (encoding == TextEncoding::kCp1252) {
      std::uint32_t code = c;
      if (c >= 0x80 && c < 0xA0 && kHighControls[c - 0x80] != 0) code = kHighControls[c - 0x80];
      AppendCodePoint(code, &out);
      ++i;
      continue;
    }
    size_t n = SequenceLength(bytes, i);
    if (n == 0) {
      AppendCodePoint(0xFFFD, &out);
      ++i;
    } else {
      out.append(bytes.substr(i, n));
      i += n;
    }
  }
  return out;
}

int CharacterColumn(std::string_view bytes, int bytePosition, TextEncoding encoding) {
  if (encoding == TextEncoding::kCp1252) return bytePosition;
  int column = 0;
  size_t end = bytePosition < 0 ? 0 : static_cast<size_t>(bytePosition);
  for (size_t i = 0; i < end && i < bytes.size();) {
    size_t n = SequenceLength(bytes, i);
    if (n == 0) n = 1;  // a stray byte is one character, as ToUtf8 shows it
    ++column;
    i += n;
  }
  return column;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out.push_back(ch);
        }
    }
  }
  out.push_back('"');
  return out;
}

}  // namespace kpxsearch
