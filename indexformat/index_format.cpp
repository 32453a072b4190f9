#include "indexformat/index_format.h"

#include <cstdio>

namespace indexformat {

WordClass ClassifyWord(const unsigned char* word, size_t length) {
  if (length >= 2 && IsUpperLetter(word[0]) && IsUpperLetter(word[1])) return WordClass::kTwoLetter;
  if (length == 1 && IsUpperLetter(word[0])) return WordClass::kOneLetter;
  return WordClass::kExtras;
}

size_t RelativeFileName(const unsigned char* word, size_t length, char separator,
                        char out[kMaxRelativeName]) {
  size_t n = 0;
  switch (ClassifyWord(word, length)) {
    case WordClass::kTwoLetter:
      out[n++] = static_cast<char>(word[0]);
      out[n++] = separator;
      out[n++] = static_cast<char>(word[0]);
      out[n++] = static_cast<char>(word[1]);
      break;
    case WordClass::kOneLetter:
      out[n++] = static_cast<char>(word[0]);
      out[n++] = separator;
      out[n++] = static_cast<char>(word[0]);
      break;
    case WordClass::kExtras:
      for (const char* p = kExtrasFileName; *p != '\0'; ++p) out[n++] = *p;
      break;
  }
  out[n] = '\0';
  return n;
}

std::string RelativeFileName(std::string_view word, char separator) {
  char name[kMaxRelativeName];
  size_t n = RelativeFileName(reinterpret_cast<const unsigned char*>(word.data()), word.size(),
                              separator, name);
  return std::string(name, n);
}

void WriteField(int value, char out[kFieldWidth]) {
  for (int i = kFieldWidth - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

int ParseDecimalPrefix(const unsigned char field[kFieldWidth]) {
  int value = 0;
  for (int i = 0; i < kFieldWidth && field[i] >= '0' && field[i] <= '9'; ++i) {
    value = value * 10 + (field[i] - '0');
  }
  return value;
}

void AppendEntry(std::string_view word, const int* articles, size_t count, std::string* out) {
  out->push_back(static_cast<char>(static_cast<unsigned char>(word.size())));
  out->append(word);
  char field[kFieldWidth];
  WriteField(static_cast<int>(count), field);
  out->append(field, kFieldWidth);
  for (size_t i = 0; i < count; ++i) {
    WriteField(articles[i], field);
    out->append(field, kFieldWidth);
  }
}

namespace {

bool IsDigitField(const unsigned char* field) {
  for (int i = 0; i < kFieldWidth; ++i) {
    if (field[i] < '0' || field[i] > '9') return false;
  }
  return true;
}

}  // namespace

DecodeResult DecodeEntry(std::string_view bytes, size_t offset, EntryView* entry) {
  if (offset >= bytes.size()) return DecodeResult::kEnd;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t left = bytes.size() - offset;
  size_t length = data[offset];
  if (length == 0 || left < 1 + length + kFieldWidth) return DecodeResult::kCorrupt;
  const unsigned char* count_field = data + offset + 1 + length;
  if (!IsDigitField(count_field)) return DecodeResult::kCorrupt;
  int count = ParseDecimalPrefix(count_field);
  size_t size = 1 + length + kFieldWidth + static_cast<size_t>(count) * kFieldWidth;
  if (left < size) return DecodeResult::kCorrupt;
  entry->word = bytes.substr(offset + 1, length);
  entry->count = count;
  entry->postings = count_field + kFieldWidth;
  entry->size = size;
  return DecodeResult::kOk;
}

std::string DumpIndexFile(std::string_view bytes) {
  std::string text;
  size_t offset = 0;
  EntryView entry;
  for (;;) {
    DecodeResult result = DecodeEntry(bytes, offset, &entry);
    if (result == DecodeResult::kEnd) break;
    if (result == DecodeResult::kCorrupt) {
      text.append("corrupt at offset ").append(std::to_string(offset)).push_back('\n');
      break;
    }
    for (unsigned char c : entry.word) {
      if (c >= 0x21 && c < 0x7F && c != '\\') {
        text.push_back(static_cast<char>(c));
      } else {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        text += hex;
      }
    }
    text.push_back(' ');
    text.append(std::to_string(entry.count)).push_back(':');
    for (int i = 0; i < entry.count; ++i) {
      text.push_back(' ');
      text.append(std::to_string(PostingAt(entry, i)));
    }
    text.push_back('\n');
    offset += entry.size;
  }
  return text;
}

}  // namespace indexformat
