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

bool IsDigitField(const unsigned char field[kFieldWidth]) {
  for (int i = 0; i < kFieldWidth; ++i) {
    if (field[i] < '0' || field[i] > '9') return false;
  }
  return true;
}

const char* DescribeDamage(EntryDamage damage) {
  switch (damage) {
    case EntryDamage::kNone:
      return "no damage";
    case EntryDamage::kZeroLength:
      return "length byte 0";
    case EntryDamage::kTruncated:
      return "entry runs past the end of the file";
    case EntryDamage::kCountNotDigits:
      return "count field is not four digits";
    case EntryDamage::kCountZero:
      return "count 0";
    case EntryDamage::kCountTooLarge:
      return "count above 2,500";
  }
  return "damaged";
}

EntryDamage DecodeEntryHead(const unsigned char* data, size_t available, EntryHead* head) {
  size_t length = data[0];
  if (length == 0) return EntryDamage::kZeroLength;
  size_t headSize = EntryHeadSize(data[0]);
  if (available < headSize) return EntryDamage::kTruncated;
  const unsigned char* countField = data + 1 + length;
  if (!IsDigitField(countField)) return EntryDamage::kCountNotDigits;
  int count = ParseDecimalPrefix(countField);
  if (count == 0) return EntryDamage::kCountZero;
  if (count > kMaxBlockArticles) return EntryDamage::kCountTooLarge;
  head->word = data + 1;
  head->wordLength = length;
  head->count = count;
  head->headSize = headSize;
  head->postingsSize = static_cast<size_t>(count) * kFieldWidth;
  return EntryDamage::kNone;
}

DecodeResult DecodeEntry(std::string_view bytes, size_t offset, EntryView* entry) {
  if (offset >= bytes.size()) return DecodeResult::kEnd;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data()) + offset;
  size_t left = bytes.size() - offset;
  EntryHead head;
  EntryDamage damage = DecodeEntryHead(data, left, &head);
  if (damage == EntryDamage::kNone && left - head.headSize < head.postingsSize) {
    damage = EntryDamage::kTruncated;
  }
  entry->damage = damage;
  if (damage != EntryDamage::kNone) return DecodeResult::kCorrupt;
  entry->word = bytes.substr(offset + 1, head.wordLength);
  entry->count = head.count;
  entry->postings = data + head.headSize;
  entry->size = head.headSize + head.postingsSize;
  return DecodeResult::kOk;
}

void AppendDumpBytes(std::string_view bytes, std::string* text) {
  for (unsigned char c : bytes) {
    if (c >= 0x21 && c < 0x7F && c != '\\') {
      text->push_back(static_cast<char>(c));
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      *text += hex;
    }
  }
}

std::string DumpIndexFile(std::string_view bytes) {
  std::string text;
  size_t offset = 0;
  EntryView entry;
  for (;;) {
    DecodeResult result = DecodeEntry(bytes, offset, &entry);
    if (result == DecodeResult::kEnd) break;
    if (result == DecodeResult::kCorrupt) {
      text.append("corrupt at offset ").append(std::to_string(offset));
      text.append(": ").append(DescribeDamage(entry.damage)).push_back('\n');
      break;
    }
    AppendDumpBytes(entry.word, &text);
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
