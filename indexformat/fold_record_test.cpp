#include "indexformat/fold_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace indexformat {
namespace {

FoldDamage Decode(const std::string& bytes, FoldRecordView* record = nullptr) {
  FoldRecordView ignored;
  return DecodeFoldRecord(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                          record != nullptr ? record : &ignored);
}

TEST(FoldRecord, EachFoldIsWrittenAndReadBackUnderItsName) {
  struct Case {
    const platform::UpperCaseTable* table;
    const char* name;
  };
  for (const Case& c : {Case{&platform::kCp1252UpperCase, "cp1252"},
                        Case{&platform::kCp1252AccentFree, "cp1252-accent-free"},
                        Case{&platform::kAsciiUpperCase, "ascii"}}) {
    const std::string name = FoldNameOf(*c.table, 1250);
    EXPECT_EQ(name, c.name);
    const std::string bytes = EncodeFoldRecord(name, *c.table);
    EXPECT_EQ(bytes.substr(0, 11 + name.size()), "KPXFOLD 1\n" + name + "\n");
    EXPECT_EQ(bytes.size(), 10 + name.size() + 1 + 256);
    EXPECT_LE(bytes.size(), kMaxFoldRecordBytes);
    FoldRecordView record;
    ASSERT_EQ(Decode(bytes, &record), FoldDamage::kNone) << name;
    EXPECT_EQ(record.name, name);
    EXPECT_EQ(std::memcmp(record.table, c.table->data(), 256), 0);
  }
  // A code page's own table goes under its number.
  platform::UpperCaseTable table = platform::kAsciiUpperCase;
  table[0xB9] = 0xA5;  // ą Ą in code page 1250
  EXPECT_EQ(FoldNameOf(table, 1250), "ansi-1250");
  EXPECT_EQ(Decode(EncodeFoldRecord("ansi-1250", table)), FoldDamage::kNone);
}

// Every one-byte change of a record is found: its head is checked byte for
// byte and a fixed name's table must be its own.
TEST(FoldRecord, EveryChangedByteIsDamage) {
  const std::string sound = EncodeFoldRecord("cp1252", platform::kCp1252UpperCase);
  for (size_t at = 0; at < sound.size(); ++at) {
    for (int bit : {0x01, 0x20, 0x80}) {
      std::string bytes = sound;
      bytes[at] = static_cast<char>(bytes[at] ^ bit);
      EXPECT_NE(Decode(bytes), FoldDamage::kNone) << "offset " << at << " bit " << bit;
    }
  }
  EXPECT_EQ(Decode(sound.substr(0, sound.size() - 1)), FoldDamage::kWrongSize);
  EXPECT_EQ(Decode(sound + "x"), FoldDamage::kWrongSize);
  EXPECT_EQ(Decode(""), FoldDamage::kNotAFoldRecord);
  EXPECT_EQ(Decode("KPXFOLD "), FoldDamage::kUnknownVersion);
  EXPECT_EQ(Decode("KPXFOLD 2\ncp1252\n"), FoldDamage::kUnknownVersion);
  EXPECT_EQ(Decode("KPXFOLD 1\ncp1252"), FoldDamage::kBadName);
  EXPECT_EQ(Decode("KPXFOLD 1\n\n"), FoldDamage::kBadName);
  EXPECT_EQ(Decode("KPXFOLD 1\n" + std::string(33, 'a') + "\n"), FoldDamage::kBadName);
  EXPECT_EQ(Decode(EncodeFoldRecord("ebcdic", platform::kAsciiUpperCase)),
            FoldDamage::kUnknownName);
  EXPECT_EQ(Decode(EncodeFoldRecord("ansi-", platform::kAsciiUpperCase)), FoldDamage::kUnknownName);
  EXPECT_EQ(Decode(EncodeFoldRecord("cp1252", platform::kAsciiUpperCase)),
            FoldDamage::kNameMismatch);
}

TEST(FoldRecord, ATableThatIsNoFoldIsRefused) {
  auto refused = [](int byte, int folded) {
    platform::UpperCaseTable table = platform::kAsciiUpperCase;
    table[byte] = static_cast<std::uint8_t>(folded);
    return !IsSoundFoldTable(table.data()) &&
           Decode(EncodeFoldRecord("ansi-1", table)) == FoldDamage::kUnsoundTable;
  };
  EXPECT_TRUE(refused(' ', 'X'));   // whitespace must stay
  EXPECT_TRUE(refused('#', ' '));   // nothing may become whitespace
  EXPECT_TRUE(refused(0xE9, 0));    // nor NUL
  EXPECT_TRUE(refused('q', 'q'));   // a..z fold to A..Z
  EXPECT_TRUE(refused('Q', 'R'));   // A..Z stay
  EXPECT_TRUE(refused(0xE9, 'e'));  // e does not fold to itself: folding twice differs
  EXPECT_TRUE(IsSoundFoldTable(platform::kCp1252AccentFree.data()));
}

TEST(FoldRecord, DumpListsTheBytesTheFoldChanges) {
  EXPECT_EQ(DumpFoldRecord(EncodeFoldRecord("ascii", platform::kAsciiUpperCase)),
            "fold ascii\na..z -> A..Z\n");
  const std::string text =
      DumpFoldRecord(EncodeFoldRecord("cp1252-accent-free", platform::kCp1252AccentFree));
  EXPECT_EQ(text.rfind("fold cp1252-accent-free\na..z -> A..Z\n\\x8A -> S\n\\x8E -> Z\n", 0), 0u);
  EXPECT_NE(text.find("\n\\xE9 -> E\n"), std::string::npos);
  EXPECT_NE(text.find("\n\\xE6 -> \\xC6\n"), std::string::npos);  // æ to Æ, which stays
  EXPECT_EQ(text.find("\n\\xC6 -> "), std::string::npos);
  EXPECT_EQ(DumpFoldRecord("KPXFOLD 7\n"), "corrupt fold record: unknown version\n");
}

}  // namespace
}  // namespace indexformat
