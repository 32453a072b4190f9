// The fold record: the small file of the index set that says how its words
// were upper-cased, so the search folds phrases and article text with the very
// same table. Byte layout in indexformat/FORMAT.md ("Fold record").
//
// tarvik index writes it into the index path with the rest of the set (name
// kFoldRecordName); the search engine reads it at every search, tarvik verify
// checks it and kpxdump prints it. A set written before the record existed
// has none: it is searched with the platform's default fold
// (platform::FillDefaultUpperCaseTable). A record that does not decode is
// treated the same way by the engine, and reported by verify and kpxdump.
//
// The record names its fold and holds the whole 256-byte table, so a reader
// folds exactly as the writer did whatever code page it runs in. Known names:
//   cp1252              platform::kCp1252UpperCase
//   cp1252-accent-free  platform::kCp1252AccentFree
//   ascii               platform::kAsciiUpperCase
//   ansi-N              CharUpperA in the Windows code page N (1 to 5 digits)
//                       where that is none of the tables above
// A known fixed name must come with exactly its table.
//
// DecodeFoldRecord allocates nothing (the engine calls it); the std::string
// helpers do.
#ifndef KPX_INDEXFORMAT_FOLD_RECORD_H_
#define KPX_INDEXFORMAT_FOLD_RECORD_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/code_page.h"

namespace indexformat {

inline constexpr char kFoldRecordName[] = "fold";
inline constexpr char kFoldRecordMagic[] = "KPXFOLD ";  // then the version and a line feed
inline constexpr char kFoldRecordVersion = '1';
inline constexpr size_t kMaxFoldNameLength = 32;
inline constexpr size_t kFoldTableSize = 256;
// The largest record: magic, version, LF, name, LF, table.
inline constexpr size_t kMaxFoldRecordBytes =
    sizeof kFoldRecordMagic - 1 + 2 + kMaxFoldNameLength + 1 + kFoldTableSize;

enum class FoldDamage {
  kNone,
  kNotAFoldRecord,  // it does not begin with the magic
  kUnknownVersion,  // a version this reader does not know
  kBadName,         // no name line, an empty or overlong name, or bytes outside a-z 0-9 -
  kUnknownName,     // a well-formed name this reader does not know
  kWrongSize,       // the table is cut short or followed by more bytes
  kUnsoundTable,    // the table is no fold (see IsSoundFoldTable)
  kNameMismatch,    // a fixed name with another table than its own
};

// A short description of the damage, for diagnostics ("unknown version").
const char* DescribeFoldDamage(FoldDamage damage);

// A decoded record; both point into the caller's bytes.
struct FoldRecordView {
  std::string_view name;
  const unsigned char* table = nullptr;  // kFoldTableSize bytes
};

// Decodes a whole record of size bytes. kNone and *record filled when it is
// sound; otherwise the first damage found, and *record untouched.
FoldDamage DecodeFoldRecord(const unsigned char* bytes, size_t size, FoldRecordView* record);

// Whether table is a fold: NUL and the whitespace bytes (9 to 13, 32) map to
// themselves and no other byte maps to one of them; 'a'..'z' map to 'A'..'Z'
// and 'A'..'Z' to themselves; and folding twice is folding once.
bool IsSoundFoldTable(const unsigned char* table);

// The name a run records for the table it folded with: the known fixed name
// when the table is that one, else "ansi-" and ansi_code_page.
std::string FoldNameOf(const platform::UpperCaseTable& table, unsigned ansi_code_page);

// The bytes of a record.
std::string EncodeFoldRecord(std::string_view name, const platform::UpperCaseTable& table);

// A text rendering for kpxdump and the tests: "fold NAME", then "a..z -> A..Z"
// and one line "\xHH -> \xHH" for every other byte the table changes (bytes
// outside printable ASCII as \xHH). A damaged record is shown as the single
// line "corrupt fold record: WHY".
std::string DumpFoldRecord(std::string_view bytes);

}  // namespace indexformat

#endif  // KPX_INDEXFORMAT_FOLD_RECORD_H_
