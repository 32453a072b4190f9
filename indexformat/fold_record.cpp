#include "indexformat/fold_record.h"

#include <cstdio>
#include <cstring>

#include "indexformat/index_format.h"

namespace indexformat {
namespace {

constexpr size_t kMagicLength = sizeof kFoldRecordMagic - 1;

struct FixedFold {
  const char* name;
  const platform::UpperCaseTable* table;
};

constexpr FixedFold kFixedFolds[] = {
    {"cp1252", &platform::kCp1252UpperCase},
    {"cp1252-accent-free", &platform::kCp1252AccentFree},
    {"ascii", &platform::kAsciiUpperCase},
};
constexpr char kAnsiPrefix[] = "ansi-";

bool IsSpaceOrNul(unsigned c) { return c == 0 || (c >= 9 && c <= 13) || c == 32; }

bool IsNameByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

// The fixed fold of that name, or null.
const FixedFold* FixedFoldNamed(std::string_view name) {
  for (const FixedFold& fold : kFixedFolds) {
    if (name == fold.name) return &fold;
  }
  return nullptr;
}

// "ansi-" and 1 to 5 digits.
bool IsAnsiName(std::string_view name) {
  const size_t prefix = sizeof kAnsiPrefix - 1;
  if (name.size() <= prefix || name.size() > prefix + 5 || name.substr(0, prefix) != kAnsiPrefix) {
    return false;
  }
  for (char c : name.substr(prefix)) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

const char* DescribeFoldDamage(FoldDamage damage) {
  switch (damage) {
    case FoldDamage::kNone:
      return "no damage";
    case FoldDamage::kNotAFoldRecord:
      return "it does not begin with \"KPXFOLD \"";
    case FoldDamage::kUnknownVersion:
      return "unknown version";
    case FoldDamage::kBadName:
      return "the fold name line is malformed";
    case FoldDamage::kUnknownName:
      return "unknown fold name";
    case FoldDamage::kWrongSize:
      return "the table is not 256 bytes";
    case FoldDamage::kUnsoundTable:
      return "the table is no fold";
    case FoldDamage::kNameMismatch:
      return "the table is not the one its name stands for";
  }
  return "damaged";
}

bool IsSoundFoldTable(const unsigned char* table) {
  for (unsigned c = 0; c < kFoldTableSize; ++c) {
    const unsigned folded = table[c];
    if (IsSpaceOrNul(c) != IsSpaceOrNul(folded)) return false;
    if (IsSpaceOrNul(c) && folded != c) return false;
    if (c >= 'a' && c <= 'z' && folded != c - 32) return false;
    if (c >= 'A' && c <= 'Z' && folded != c) return false;
    if (table[folded] != folded) return false;
  }
  return true;
}

FoldDamage DecodeFoldRecord(const unsigned char* bytes, size_t size, FoldRecordView* record) {
  if (size < kMagicLength || std::memcmp(bytes, kFoldRecordMagic, kMagicLength) != 0) {
    return FoldDamage::kNotAFoldRecord;
  }
  size_t at = kMagicLength;
  if (size < at + 2 || bytes[at] != kFoldRecordVersion || bytes[at + 1] != '\n') {
    return FoldDamage::kUnknownVersion;
  }
  at += 2;
  const size_t name_start = at;
  while (at < size && at - name_start <= kMaxFoldNameLength && IsNameByte(bytes[at])) ++at;
  const size_t name_length = at - name_start;
  if (at >= size || bytes[at] != '\n' || name_length == 0 || name_length > kMaxFoldNameLength) {
    return FoldDamage::kBadName;
  }
  const std::string_view name(reinterpret_cast<const char*>(bytes + name_start), name_length);
  const FixedFold* fixed = FixedFoldNamed(name);
  if (fixed == nullptr && !IsAnsiName(name)) return FoldDamage::kUnknownName;
  ++at;
  if (size - at != kFoldTableSize) return FoldDamage::kWrongSize;
  const unsigned char* table = bytes + at;
  if (!IsSoundFoldTable(table)) return FoldDamage::kUnsoundTable;
  if (fixed != nullptr && std::memcmp(table, fixed->table->data(), kFoldTableSize) != 0) {
    return FoldDamage::kNameMismatch;
  }
  record->name = name;
  record->table = table;
  return FoldDamage::kNone;
}

std::string FoldNameOf(const platform::UpperCaseTable& table, unsigned ansi_code_page) {
  for (const FixedFold& fold : kFixedFolds) {
    if (table == *fold.table) return fold.name;
  }
  return kAnsiPrefix + std::to_string(ansi_code_page % 100000);
}

std::string EncodeFoldRecord(std::string_view name, const platform::UpperCaseTable& table) {
  std::string bytes = kFoldRecordMagic;
  bytes.push_back(kFoldRecordVersion);
  bytes.push_back('\n');
  bytes.append(name);
  bytes.push_back('\n');
  bytes.append(reinterpret_cast<const char*>(table.data()), table.size());
  return bytes;
}

std::string DumpFoldRecord(std::string_view bytes) {
  FoldRecordView record;
  FoldDamage damage =
      DecodeFoldRecord(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &record);
  if (damage != FoldDamage::kNone) {
    return std::string("corrupt fold record: ") + DescribeFoldDamage(damage) + "\n";
  }
  std::string text = "fold " + std::string(record.name) + "\n";
  text += "a..z -> A..Z\n";  // every sound table folds them so
  for (unsigned c = 0; c < kFoldTableSize; ++c) {
    if (record.table[c] == c || (c >= 'a' && c <= 'z')) continue;
    const char from = static_cast<char>(c);
    const char to = static_cast<char>(record.table[c]);
    AppendDumpBytes(std::string_view(&from, 1), &text);
    text += " -> ";
    AppendDumpBytes(std::string_view(&to, 1), &text);
    text.push_back('\n');
  }
  return text;
}

}  // namespace indexformat
