// The phrase accelerator: the file "kpxpairs" of a copy path, written by the
// article duplication run beside the phrase search files, that lists for
// every pair of adjacent words of the copies the articles holding it, so that
// the search confirms a phrase of several words without reading (most of)
// the copies. Byte layout in indexformat/FORMAT.md ("Phrase accelerator").
//
// Words here are what the search's phrase scan sees: the runs of
// non-whitespace bytes (whitespace 9 to 13 and 32) of a copy folded with the
// set's table, cut to their first kMaxPairWord bytes. A pair is two words with
// exactly one blank (32) between them. The file is a static tree of
// kPairBlockSize-byte blocks: block 0 the header, then the leaves (keys in
// ascending byte order, front-coded, each with its article list), then the
// levels of the directory above them. Every block ends with a checksum over
// its bytes and its own number, so a reader that checks each block it reads
// sees damage, truncation and misplaced blocks.
//
// Everything here decodes into the caller's buffers and allocates nothing
// (the search engine uses it as it is); every stored length is checked.
#ifndef KPX_INDEXFORMAT_PHRASE_PAIRS_H_
#define KPX_INDEXFORMAT_PHRASE_PAIRS_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace indexformat {

inline constexpr char kPhrasePairsName[] = "kpxpairs";
// Where a run writes the file until it is complete.
inline constexpr char kPhrasePairsTempName[] = "kpxpairs.new";
inline constexpr char kPhrasePairsMagic[] = "KPXPAIRS";  // 8 bytes, no NUL in the file
inline constexpr std::uint32_t kPhrasePairsVersion = 1;
inline constexpr size_t kPairBlockSize = 4096;
inline constexpr size_t kPairBlockPayload = kPairBlockSize - 8;  // then the checksum
inline constexpr size_t kMaxPairWord = 255;
inline constexpr size_t kMaxPairKey = 1 + 2 * kMaxPairWord;  // length byte, both words
// The articles the file covers: the ones a search can return.
inline constexpr int kMaxPairArticles = 2500;
inline constexpr size_t kPairArticleBitmapBytes = (kMaxPairArticles + 7) / 8;
inline constexpr std::uint32_t kMaxPairTreeHeight = 8;

// The checksum of a block's first kPairBlockPayload bytes, block being its
// number in the file.
std::uint64_t PairBlockChecksum(const unsigned char* block, std::uint32_t number);
// Writes the checksum into the block's last 8 bytes.
void SealPairBlock(unsigned char* block, std::uint32_t number);
// Whether the block's last 8 bytes hold its checksum.
bool PairBlockSound(const unsigned char* block, std::uint32_t number);

// The stamp of a file mapping log: a 64-bit hash of its bytes with every
// CR LF read as LF, so a log written on either platform gives one stamp.
// Fed piece by piece; the pieces may cut a CR LF.
class LogStamp {
 public:
  void Add(const char* bytes, size_t size);
  std::uint64_t Value() const;

 private:
  void Byte(unsigned char c);
  std::uint64_t hash_ = 0xcbf29ce484222325u;
  bool pending_cr_ = false;
};

// The header, block 0.
struct PairHeader {
  std::uint64_t log_stamp = 0;    // LogStamp of the log the index run writes for the listing
  std::uint32_t log_lines = 0;    // the article lines of that log
  std::uint32_t articles = 0;     // articles 1..articles are covered (at most kMaxPairArticles)
  std::uint32_t leaf_blocks = 0;  // blocks 1..leaf_blocks are the leaves
  std::uint32_t blocks = 0;       // the file's size is blocks * kPairBlockSize
  std::uint32_t root = 0;         // the root block (0: no pair at all)
  std::uint32_t height = 0;       // directory levels above the leaves
  std::uint64_t pairs = 0;        // leaf entries
  std::uint64_t copy_bytes = 0;   // the bytes of the copies read
  unsigned char fold[256] = {};   // the table the words were folded with
  // Bit (n - 1) % 8 of byte (n - 1) / 8: the copy of article n could not be
  // read when the file was written; the file knows nothing of that article.
  unsigned char absent[kPairArticleBitmapBytes] = {};
};

enum class PairDamage {
  kNone,
  kNotPairs,        // no magic
  kUnknownVersion,  // another version or block size
  kBadChecksum,     // a block whose checksum does not match
  kBadHeader,       // header fields that contradict each other or the file's size
  kBadBlock,        // an entry that runs past its block, or keys out of order
};
const char* DescribePairDamage(PairDamage damage);

// Encodes the header into a whole block 0 (sealed).
void EncodePairHeader(const PairHeader& header, unsigned char* block);
// Decodes block 0 of a file of file_size bytes: its checksum and fields.
PairDamage DecodePairHeader(const unsigned char* block, std::int64_t file_size, PairHeader* header);

// Whether article n (1-based) is covered and its copy was read.
bool PairArticleKnown(const PairHeader& header, int article);

// LEB128 unsigned varints of at most 5 bytes. The reader advances *at and
// returns false when the value runs past end or does not fit 32 bits.
size_t PutPairVarint(std::uint32_t value, unsigned char* out);
bool GetPairVarint(const unsigned char* end, const unsigned char** at, std::uint32_t* value);

// A key: the first word's length as one byte, the first word, the second.
// Returns the key's length; out holds kMaxPairKey bytes.
size_t MakePairKey(std::string_view first, std::string_view second, unsigned char* out);

// The entries of one leaf block in order.
//   payload: u16 entry count (LE), then per entry: varint shared (bytes kept
//   from the previous key of the block, 0 for the first), varint suffix
//   length, the suffix, varint posting tag, the postings (see PairPostings).
class PairLeafReader {
 public:
  explicit PairLeafReader(const unsigned char* block);
  // The next entry: false at the block's end or on damage (then damaged()).
  bool Next();
  bool damaged() const { return damaged_; }
  const unsigned char* key() const { return key_; }
  size_t key_length() const { return key_length_; }
  // The postings of the current entry.
  std::uint32_t tag() const { return tag_; }
  const unsigned char* postings() const { return postings_; }
  const unsigned char* postings_end() const { return postings_end_; }

 private:
  const unsigned char* at_;
  const unsigned char* end_;
  std::uint32_t left_ = 0;
  bool damaged_ = false;
  unsigned char key_[kMaxPairKey];
  size_t key_length_ = 0;
  std::uint32_t tag_ = 0;
  const unsigned char* postings_ = nullptr;
  const unsigned char* postings_end_ = nullptr;
};

// Postings, by the tag: tag % 4 == 2, the one article tag / 4, nothing
// follows; tag % 4 == 0, a list of tag / 4 article numbers, ascending, each a
// varint of its distance from the one before (the first from 0); tag odd, a
// bitmap of tag / 2 bytes, bit j of byte i for article 8 * i + j + 1.
// Calls visit(article) for every article number in order; false on damage
// (a number of 0, above kMaxPairArticles or out of order, or bytes past end).
template <typename Visit>
bool ForEachPairArticle(std::uint32_t tag, const unsigned char* at, const unsigned char* end,
                        Visit&& visit) {
  if ((tag & 1u) != 0) {
    const std::uint32_t bytes = tag >> 1;
    if (bytes > kPairArticleBitmapBytes || bytes > static_cast<size_t>(end - at)) return false;
    for (std::uint32_t i = 0; i < bytes; ++i) {
      for (int j = 0; j < 8; ++j) {
        if ((at[i] >> j) & 1u) {
          const int article = static_cast<int>(8 * i) + j + 1;
          if (article > kMaxPairArticles) return false;
          visit(article);
        }
      }
    }
    return true;
  }
  if ((tag & 2u) != 0) {
    const std::uint32_t article = tag >> 2;
    if (article == 0 || article > static_cast<std::uint32_t>(kMaxPairArticles)) return false;
    visit(static_cast<int>(article));
    return true;
  }
  std::uint32_t count = tag >> 2;
  if (count > static_cast<std::uint32_t>(kMaxPairArticles)) return false;
  std::uint32_t article = 0;
  while (count-- > 0) {
    std::uint32_t step = 0;
    if (!GetPairVarint(end, &at, &step) || step == 0 ||
        step > static_cast<std::uint32_t>(kMaxPairArticles) - article) {
      return false;
    }
    article += step;
    visit(static_cast<int>(article));
  }
  return true;
}

// The bytes a posting tag says follow it, checked against end; false on damage.
bool SkipPairPostings(std::uint32_t tag, const unsigned char* end, const unsigned char** at);

// The entries of one directory block in order.
//   payload: u16 entry count (LE), then per entry: varint key length, the
//   key (the first key under the child), varint child block number.
class PairDirectoryReader {
 public:
  explicit PairDirectoryReader(const unsigned char* block);
  bool Next();
  bool damaged() const { return damaged_; }
  const unsigned char* key() const { return key_; }
  size_t key_length() const { return key_length_; }
  std::uint32_t child() const { return child_; }

 private:
  const unsigned char* at_;
  const unsigned char* end_;
  std::uint32_t left_ = 0;
  bool damaged_ = false;
  const unsigned char* key_ = nullptr;
  size_t key_length_ = 0;
  std::uint32_t child_ = 0;
};

// Compares two keys as unsigned bytes, a shorter one first when it is a
// prefix of the other: <0, 0 or >0.
int ComparePairKeys(const unsigned char* a, size_t a_length, const unsigned char* b,
                    size_t b_length);

}  // namespace indexformat

#endif  // KPX_INDEXFORMAT_PHRASE_PAIRS_H_
