#include "indexformat/phrase_pairs.h"

#include <bit>
#include <cstring>

namespace indexformat {
namespace {

constexpr std::uint64_t kHashPrime = 0x100000001b3u;
constexpr size_t kMagicLength = sizeof kPhrasePairsMagic - 1;

// Header field offsets in block 0 (FORMAT.md).
constexpr size_t kVersionAt = 8;
constexpr size_t kBlockSizeAt = 12;
constexpr size_t kLogStampAt = 16;
constexpr size_t kLogLinesAt = 24;
constexpr size_t kArticlesAt = 28;
constexpr size_t kLeafBlocksAt = 32;
constexpr size_t kBlocksAt = 36;
constexpr size_t kRootAt = 40;
constexpr size_t kHeightAt = 44;
constexpr size_t kPairsAt = 48;
constexpr size_t kCopyBytesAt = 56;
constexpr size_t kFoldAt = 64;
constexpr size_t kAbsentAt = kFoldAt + 256;
static_assert(kAbsentAt + kPairArticleBitmapBytes <= kPairBlockPayload);

// Little-endian as the file is: one load where the machine is too (the
// block checksums read every word of a file this way).
std::uint64_t Load64(const unsigned char* at) {
  std::uint64_t value = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&value, at, sizeof value);
  } else {
    for (int i = 7; i >= 0; --i) value = (value << 8) | at[i];
  }
  return value;
}

std::uint32_t Load32(const unsigned char* at) {
  return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
         static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

void Store64(std::uint64_t value, unsigned char* at) {
  for (int i = 0; i < 8; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

void Store32(std::uint32_t value, unsigned char* at) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

std::uint64_t PairBlockChecksum(const unsigned char* block, std::uint32_t number) {
  std::uint64_t hash = 0xcbf29ce484222325u ^ (static_cast<std::uint64_t>(number) * kHashPrime);
  for (size_t i = 0; i < kPairBlockPayload; i += 8) hash = (hash ^ Load64(block + i)) * kHashPrime;
  return hash ^ (hash >> 29);
}

void SealPairBlock(unsigned char* block, std::uint32_t number) {
  Store64(PairBlockChecksum(block, number), block + kPairBlockPayload);
}

bool PairBlockSound(const unsigned char* block, std::uint32_t number) {
  return Load64(block + kPairBlockPayload) == PairBlockChecksum(block, number);
}

void LogStamp::Byte(unsigned char c) { hash_ = (hash_ ^ c) * kHashPrime; }

void LogStamp::Add(const char* bytes, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (pending_cr_ && c != '\n') Byte('\r');
    pending_cr_ = c == '\r';
    if (!pending_cr_) Byte(c);
  }
}

std::uint64_t LogStamp::Value() const {
  LogStamp copy = *this;
  if (copy.pending_cr_) copy.Byte('\r');
  return copy.hash_;
}

const char* DescribePairDamage(PairDamage damage) {
  switch (damage) {
    case PairDamage::kNone:
      return "sound";
    case PairDamage::kNotPairs:
      return "not a phrase accelerator";
    case PairDamage::kUnknownVersion:
      return "unknown version";
    case PairDamage::kBadChecksum:
      return "checksum mismatch";
    case PairDamage::kBadHeader:
      return "inconsistent header";
    case PairDamage::kBadBlock:
      return "damaged block";
  }
  return "damaged";
}

void EncodePairHeader(const PairHeader& header, unsigned char* block) {
  std::memset(block, 0, kPairBlockSize);
  std::memcpy(block, kPhrasePairsMagic, kMagicLength);
  Store32(kPhrasePairsVersion, block + kVersionAt);
  Store32(static_cast<std::uint32_t>(kPairBlockSize), block + kBlockSizeAt);
  Store64(header.log_stamp, block + kLogStampAt);
  Store32(header.log_lines, block + kLogLinesAt);
  Store32(header.articles, block + kArticlesAt);
  Store32(header.leaf_blocks, block + kLeafBlocksAt);
  Store32(header.blocks, block + kBlocksAt);
  Store32(header.root, block + kRootAt);
  Store32(header.height, block + kHeightAt);
  Store64(header.pairs, block + kPairsAt);
  Store64(header.copy_bytes, block + kCopyBytesAt);
  std::memcpy(block + kFoldAt, header.fold, sizeof header.fold);
  std::memcpy(block + kAbsentAt, header.absent, sizeof header.absent);
  SealPairBlock(block, 0);
}

PairDamage DecodePairHeader(const unsigned char* block, std::int64_t file_size,
                            PairHeader* header) {
  if (std::memcmp(block, kPhrasePairsMagic, kMagicLength) != 0) return PairDamage::kNotPairs;
  if (Load32(block + kVersionAt) != kPhrasePairsVersion ||
      Load32(block + kBlockSizeAt) != kPairBlockSize) {
    return PairDamage::kUnknownVersion;
  }
  if (!PairBlockSound(block, 0)) return PairDamage::kBadChecksum;
  PairHeader h;
  h.log_stamp = Load64(block + kLogStampAt);
  h.log_lines = Load32(block + kLogLinesAt);
  h.articles = Load32(block + kArticlesAt);
  h.leaf_blocks = Load32(block + kLeafBlocksAt);
  h.blocks = Load32(block + kBlocksAt);
  h.root = Load32(block + kRootAt);
  h.height = Load32(block + kHeightAt);
  h.pairs = Load64(block + kPairsAt);
  h.copy_bytes = Load64(block + kCopyBytesAt);
  std::memcpy(h.fold, block + kFoldAt, sizeof h.fold);
  std::memcpy(h.absent, block + kAbsentAt, sizeof h.absent);
  const bool empty = h.root == 0;
  const bool sound =
      h.articles <= static_cast<std::uint32_t>(kMaxPairArticles) && h.blocks >= 1 &&
      file_size ==
          static_cast<std::int64_t>(h.blocks) * static_cast<std::int64_t>(kPairBlockSize) &&
      h.leaf_blocks < h.blocks && h.height <= kMaxPairTreeHeight &&
      (empty ? h.leaf_blocks == 0 && h.height == 0
             : h.root < h.blocks && h.leaf_blocks >= 1 &&
                   (h.height == 0 ? h.root == 1 && h.leaf_blocks == 1 : h.root > h.leaf_blocks));
  if (!sound) return PairDamage::kBadHeader;
  *header = h;
  return PairDamage::kNone;
}

bool PairArticleKnown(const PairHeader& header, int article) {
  if (article < 1 || article > static_cast<int>(header.articles)) return false;
  const int bit = article - 1;
  return ((header.absent[bit / 8] >> (bit % 8)) & 1u) == 0;
}

size_t PutPairVarint(std::uint32_t value, unsigned char* out) {
  size_t n = 0;
  while (value >= 0x80) {
    out[n++] = static_cast<unsigned char>(value | 0x80);
    value >>= 7;
  }
  out[n++] = static_cast<unsigned char>(value);
  return n;
}

bool GetPairVarint(const unsigned char* end, const unsigned char** at, std::uint32_t* value) {
  std::uint32_t result = 0;
  const unsigned char* p = *at;
  for (int shift = 0; shift < 35; shift += 7) {
    if (p >= end) return false;
    const unsigned char c = *p++;
    if (shift == 28 && (c & 0xF0) != 0) return false;  // more than 32 bits
    result |= static_cast<std::uint32_t>(c & 0x7F) << shift;
    if ((c & 0x80) == 0) {
      *at = p;
      *value = result;
      return true;
    }
  }
  return false;
}

size_t MakePairKey(std::string_view first, std::string_view second, unsigned char* out) {
  if (first.size() > kMaxPairWord) first = first.substr(0, kMaxPairWord);
  if (second.size() > kMaxPairWord) second = second.substr(0, kMaxPairWord);
  out[0] = static_cast<unsigned char>(first.size());
  std::memcpy(out + 1, first.data(), first.size());
  std::memcpy(out + 1 + first.size(), second.data(), second.size());
  return 1 + first.size() + second.size();
}

bool SkipPairPostings(std::uint32_t tag, const unsigned char* end, const unsigned char** at) {
  if ((tag & 1u) != 0) {
    const std::uint32_t bytes = tag >> 1;
    if (bytes > kPairArticleBitmapBytes || bytes > static_cast<size_t>(end - *at)) return false;
    *at += bytes;
    return true;
  }
  if ((tag & 2u) != 0) return true;  // one article, in the tag
  std::uint32_t count = tag >> 2;
  if (count > static_cast<std::uint32_t>(kMaxPairArticles)) return false;
  while (count-- > 0) {
    std::uint32_t step = 0;
    if (!GetPairVarint(end, at, &step)) return false;
  }
  return true;
}

PairLeafReader::PairLeafReader(const unsigned char* block)
    : at_(block + 2), end_(block + kPairBlockPayload), left_(block[0] | (block[1] << 8)) {}

bool PairLeafReader::Next() {
  if (damaged_ || left_ == 0) return false;
  --left_;
  std::uint32_t shared = 0;
  std::uint32_t suffix = 0;
  if (!GetPairVarint(end_, &at_, &shared) || !GetPairVarint(end_, &at_, &suffix) ||
      shared > key_length_ || suffix > kMaxPairKey - shared ||
      suffix > static_cast<size_t>(end_ - at_)) {
    damaged_ = true;
    return false;
  }
  const size_t previous = key_length_;
  std::memcpy(key_ + shared, at_, suffix);
  at_ += suffix;
  key_length_ = shared + suffix;
  // Keys ascend strictly within a block; the first is not compared.
  const bool ordered = previous == 0 || suffix > 0;
  postings_ = nullptr;
  if (!ordered || key_length_ == 0 || key_[0] + 1u > key_length_ ||
      !GetPairVarint(end_, &at_, &tag_)) {
    damaged_ = true;
    return false;
  }
  postings_ = at_;
  if (!SkipPairPostings(tag_, end_, &at_)) {
    damaged_ = true;
    return false;
  }
  postings_end_ = at_;
  return true;
}

PairDirectoryReader::PairDirectoryReader(const unsigned char* block)
    : at_(block + 2), end_(block + kPairBlockPayload), left_(block[0] | (block[1] << 8)) {}

bool PairDirectoryReader::Next() {
  if (damaged_ || left_ == 0) return false;
  --left_;
  std::uint32_t length = 0;
  if (!GetPairVarint(end_, &at_, &length) || length == 0 || length > kMaxPairKey ||
      length > static_cast<size_t>(end_ - at_)) {
    damaged_ = true;
    return false;
  }
  key_ = at_;
  key_length_ = length;
  at_ += length;
  if (!GetPairVarint(end_, &at_, &child_)) {
    damaged_ = true;
    return false;
  }
  return true;
}

int ComparePairKeys(const unsigned char* a, size_t a_length, const unsigned char* b,
                    size_t b_length) {
  const size_t common = a_length < b_length ? a_length : b_length;
  const int c = common == 0 ? 0 : std::memcmp(a, b, common);
  if (c != 0) return c;
  return a_length < b_length ? -1 : (a_length > b_length ? 1 : 0);
}

}  // namespace indexformat
