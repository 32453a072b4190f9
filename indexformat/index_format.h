// The index file set: the one format that passes from the pre-processor to the
// search plug-in. The byte layout is written once, in indexformat/FORMAT.md;
// this header holds its constants, the word classes that choose a word's file,
// the file names, and the entry layout. The index writer and the search engine
// both use it, so they always agree on where a word lives and how it is stored.
// The set's other rules have their own headers beside this one: the letter
// files (letter_files.h), what an index file is (index_file_check.h), the file
// mapping log (file_mapping_log.h) and the phrase search files' names
// (phrase_search_files.h).
//
// Everything here is allocation-free except the std::string helpers, which the
// engine does not call.
#ifndef KPX_INDEXFORMAT_INDEX_FORMAT_H_
#define KPX_INDEXFORMAT_INDEX_FORMAT_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace indexformat {

inline constexpr int kMaxWordLength = 255;      // length byte 1..255
inline constexpr int kFieldWidth = 4;           // "%04d" count and article numbers
inline constexpr int kMaxBlockArticles = 2500;  // article numbers in one entry
// The article numbers a search can return, 1 to 2,500: the search side keeps
// one result flag for each, and ignores other numbers. An index of a longer
// listing holds articles that no search reaches.
inline constexpr int kMaxSearchableArticles = kMaxBlockArticles;
inline constexpr int kMaxBlockBytes = kMaxBlockArticles * kFieldWidth;  // 10000
inline constexpr int kMaxEntryBytes = 1 + kMaxWordLength + kFieldWidth + kMaxBlockBytes;
inline constexpr int kMaxListedArticles = 9999;  // what the index run numbers
inline constexpr char kExtrasFileName[] = "extras";
inline constexpr char kFileMappingLogName[] = "log";

// Which file of the set holds a word.
enum class WordClass { kTwoLetter, kOneLetter, kExtras };

// True for 'A'..'Z' only: bytes of 128 and above are never letters.
inline bool IsUpperLetter(unsigned char c) { return c >= 'A' && c <= 'Z'; }

// Two-letter when the word has two or more bytes and the first two are
// letters; one-letter when it is a single letter; extras otherwise. The
// reader passes upper-cased words, so the writer's letter test serves both.
WordClass ClassifyWord(const unsigned char* word, size_t length);
inline WordClass ClassifyWord(std::string_view word) {
  return ClassifyWord(reinterpret_cast<const unsigned char*>(word.data()), word.size());
}

// The name of a word's file relative to the index path, its parts joined with
// separator: "C<sep>CA", "C<sep>C" or "extras". Writes at most 7 bytes and a
// NUL into out (kMaxRelativeName); returns the length. Needs no allocation.
inline constexpr size_t kMaxRelativeName = 8;
size_t RelativeFileName(const unsigned char* word, size_t length, char separator,
                        char out[kMaxRelativeName]);
std::string RelativeFileName(std::string_view word, char separator);

// "00" to "99", two characters each: a field is written two digits at a time.
struct DigitPairs {
  char text[200];
  constexpr DigitPairs() : text{} {
    for (int i = 0; i < 100; ++i) {
      text[2 * i] = static_cast<char>('0' + i / 10);
      text[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
  }
};
inline constexpr DigitPairs kDigitPairs{};

// Writes value (0..9999) as four ASCII digits, zero-padded ("%04d"). Inline:
// the index run writes one for every article of every entry.
inline void WriteField(int value, char out[kFieldWidth]) {
  const unsigned v = static_cast<unsigned>(value) % 10000;
  std::memcpy(out, kDigitPairs.text + 2 * (v / 100), 2);
  std::memcpy(out + 2, kDigitPairs.text + 2 * (v % 100), 2);
}

// A field's four bytes as one little-endian word.
inline std::uint32_t LoadField(const unsigned char field[kFieldWidth]) {
  static_assert(kFieldWidth == 4);
  return static_cast<std::uint32_t>(field[0]) | static_cast<std::uint32_t>(field[1]) << 8 |
         static_cast<std::uint32_t>(field[2]) << 16 | static_cast<std::uint32_t>(field[3]) << 24;
}

// Whether all four bytes of a field so loaded are '0'..'9': a byte below '0'
// borrows into its top bit, one above '9' carries into it (a borrow or carry
// into a neighbour only ever makes a field of digits look otherwise, never
// the reverse).
inline bool IsDigitWord(std::uint32_t bytes) {
  return (((bytes - 0x30303030u) | (bytes + 0x46464646u)) & 0x80808080u) == 0;
}

// The value of a field's leading ASCII digits, stopping at the first byte that
// is not '0'..'9' (a field that begins with another byte is 0). Inline: a
// search parses every article number of its words' entries. A field of four
// digits, the written form, is taken whole, its digits combined at once.
inline int ParseDecimalPrefix(const unsigned char field[kFieldWidth]) {
  const std::uint32_t bytes = LoadField(field);
  if (IsDigitWord(bytes)) {
    const std::uint32_t digits = bytes - 0x30303030u;
    const std::uint32_t pairs = digits * 10 + (digits >> 8);  // bytes 0 and 2: two digits each
    return static_cast<int>((pairs & 0xff) * 100 + ((pairs >> 16) & 0xff));
  }
  int value = 0;
  for (int i = 0; i < kFieldWidth && field[i] >= '0' && field[i] <= '9'; ++i) {
    value = value * 10 + (field[i] - '0');
  }
  return value;
}

// Appends one entry to *out: length byte, word, count, article numbers.
// word must hold 1..255 bytes; articles.size() must be at most 2500.
void AppendEntry(std::string_view word, const int* articles, size_t count, std::string* out);

// The one decoder of an index entry, shared by the search engine, kpxdump and
// tarvik verify, so that all three agree on what damage is. It allocates
// nothing and works on the bytes at hand: the engine, which reads a file in
// pieces, decodes an entry's head (length byte, word, count field) with
// DecodeEntryHead and then reads or skips the postings it names; a caller that
// holds the whole file uses DecodeEntry, which also checks that the postings
// are there.
enum class EntryDamage {
  kNone,
  kZeroLength,      // a length byte of 0
  kTruncated,       // the entry runs past the end of the file
  kCountNotDigits,  // the count field is not four ASCII digits
  kCountZero,       // a count of 0: every entry lists at least one article
  kCountTooLarge,   // a count above 2,500, more than a block holds
};

// A short description of the damage, for diagnostics ("count above 2,500").
const char* DescribeDamage(EntryDamage damage);

// The head of an entry: 1 + word length + 4 bytes, then postingsSize bytes of
// article numbers. word points into the caller's bytes.
struct EntryHead {
  const unsigned char* word = nullptr;
  size_t wordLength = 0;
  int count = 0;
  size_t headSize = 0;      // length byte, word and count field
  size_t postingsSize = 0;  // count * 4
};

// The bytes an entry's head takes, from its length byte alone.
inline size_t EntryHeadSize(unsigned char lengthByte) {
  return 1 + static_cast<size_t>(lengthByte) + kFieldWidth;
}

// Decodes the head of the entry at data, of which available bytes are at hand
// (available >= 1). kNone and *head filled when the head is whole and sound;
// otherwise the damage (kTruncated when fewer than EntryHeadSize bytes are at
// hand). The postings are not looked at.
EntryDamage DecodeEntryHead(const unsigned char* data, size_t available, EntryHead* head);

// One entry decoded from a buffer. word and postings point into the buffer.
struct EntryView {
  std::string_view word;
  int count = 0;                            // the count field's value
  const unsigned char* postings = nullptr;  // count * 4 bytes of article numbers
  size_t size = 0;                          // bytes the whole entry takes
  EntryDamage damage = EntryDamage::kNone;  // why kCorrupt was returned
};

enum class DecodeResult { kOk, kEnd, kCorrupt };

// Decodes the entry at offset of bytes, the whole file. kEnd at the buffer's
// end; kCorrupt, with entry->damage saying why, when DecodeEntryHead finds
// damage or the postings run past the end. Every stored length is checked
// before it is used.
DecodeResult DecodeEntry(std::string_view bytes, size_t offset, EntryView* entry);

// Whether a four-byte count or article number field is four ASCII digits.
bool IsDigitField(const unsigned char field[kFieldWidth]);

// Article number i (0-based) of a decoded entry.
inline int PostingAt(const EntryView& entry, int i) {
  return ParseDecimalPrefix(entry.postings + static_cast<size_t>(i) * kFieldWidth);
}

// A text rendering of an index file, one entry per line: "WORD count: n n n".
// Bytes outside printable ASCII are written as \xHH. A corrupt tail is shown as
// a final line "corrupt at offset N". Tests compare against this text.
std::string DumpIndexFile(std::string_view bytes);

// Appends bytes as the dumps show them: printable ASCII as itself, any other
// byte (and "\\") as \xHH.
void AppendDumpBytes(std::string_view bytes, std::string* text);

}  // namespace indexformat

#endif  // KPX_INDEXFORMAT_INDEX_FORMAT_H_
