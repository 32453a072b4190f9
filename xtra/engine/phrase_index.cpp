#include "xtra/engine/phrase_index.h"

#include <cstring>

#include "indexformat/phrase_pairs.h"
#include "xtra/engine/char_classes.h"
#include "xtra/engine/file_names.h"
#include "xtra/engine/raw_file.h"

namespace engine {
namespace {

using indexformat::kPairBlockSize;
using indexformat::PairHeader;

static_assert(kPairBlockSize <= kReadBufferSize, "a block is read into readBuffer");
static_assert(kMaxArticles == indexformat::kMaxPairArticles);

// A phrase holds at most one word per two bytes of its field.
constexpr size_t kMaxPhraseWords = kFieldSize / 2 + 1;

struct PhraseWords {
  size_t start[kMaxPhraseWords];
  size_t length[kMaxPhraseWords];
  size_t count = 0;
};

// Splits a phrase of words one blank apart; false for any other phrase.
bool SplitPhrase(const char* phrase, size_t length, PhraseWords* words) {
  auto space = [&](size_t at) { return IsSpaceChar(static_cast<unsigned char>(phrase[at])); };
  if (length == 0 || space(0) || space(length - 1)) return false;
  size_t at = 0;
  while (at < length && words->count < kMaxPhraseWords) {
    const size_t start = at;
    while (at < length && !space(at)) ++at;
    words->start[words->count] = start;
    words->length[words->count] = at - start;
    ++words->count;
    if (at == length) return words->count >= 2;
    if (phrase[at] != ' ' || space(at + 1)) return false;  // the last byte is no space
    ++at;
  }
  return false;
}

std::uint64_t Load64(const unsigned char* at) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | at[i];
  return value;
}

void Store64(std::uint64_t value, unsigned char* at) {
  for (int i = 0; i < 8; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

unsigned char* BlockBuffer(SearchState& state) {
  return reinterpret_cast<unsigned char*>(state.readBuffer);
}

static_assert(kPairBlockBytes == static_cast<int>(kPairBlockSize));
static_assert(sizeof SearchState::pairBlocksKey == kFileIdentitySize);
constexpr std::int32_t kHeaderKept = 1;
constexpr std::int32_t kRootKept = 2;

// Opens the accelerator and decodes its header, the one the state keeps
// while the file shows the same identity, else the file's (then kept when
// sound); *sum is the header block's checksum, which names this very file
// for the stamp check.
bool OpenPairs(SearchState& state, RawFile& file, PairHeader* header, std::uint64_t* sum) {
  char name[kFileNameCapacity];
  if (!PhrasePairsFileName(state.articlesPath, name) || !file.Open(name)) return false;
  unsigned char identity[kFileIdentitySize];
  const bool identified = file.ReadIdentity(identity);
  const unsigned char* block = state.pairHeaderBlock;
  if (!identified || state.pairBlocks < kHeaderKept ||
      std::memcmp(identity, state.pairBlocksKey, sizeof identity) != 0) {
    state.pairBlocks = 0;
    if (!file.ReadAt(0, state.readBuffer, kPairBlockSize)) return false;
    block = BlockBuffer(state);
  }
  if (indexformat::DecodePairHeader(block, file.Size(), header) != indexformat::PairDamage::kNone ||
      std::memcmp(header->fold, state.foldTable, sizeof state.foldTable) != 0) {
    return false;
  }
  if (identified && state.pairBlocks == 0) {
    std::memcpy(state.pairHeaderBlock, block, kPairBlockSize);
    std::memcpy(state.pairBlocksKey, identity, sizeof identity);
    state.pairBlocks = kHeaderKept;
  }
  *sum = Load64(block + indexformat::kPairBlockPayload);
  return true;
}

// Whether the accelerator whose header has checksum sum was written for the
// listing of the index set's file mapping log. Remembered in the state while
// the header and the log's size stay the same.
bool BelongsToSet(SearchState& state, const PairHeader& header, std::uint64_t sum) {
  char name[kFileNameCapacity];
  RawFile log;
  if (!FileMappingLogFileName(state.indexPath, name) || !log.Open(name)) return false;
  unsigned char key[sizeof state.pairCheckKey];
  Store64(sum, key);
  Store64(static_cast<std::uint64_t>(log.Size()), key + 8);
  if (state.pairCheck != kPairCheckUnknown &&
      std::memcmp(key, state.pairCheckKey, sizeof key) == 0) {
    return state.pairCheck == kPairCheckSound;
  }
  indexformat::LogStamp stamp;
  std::int64_t left = log.Size();
  while (left > 0) {
    const size_t n = log.Read(state.readBuffer, sizeof state.readBuffer);
    if (n == 0) return false;  // unread: nothing is remembered
    stamp.Add(state.readBuffer, n);
    left -= static_cast<std::int64_t>(n);
  }
  std::memcpy(state.pairCheckKey, key, sizeof key);
  state.pairCheck =
      left == 0 && stamp.Value() == header.log_stamp ? kPairCheckSound : kPairCheckUnusable;
  return state.pairCheck == kPairCheckSound;
}

enum class Belonging { kSound, kUnusable, kUnknown };

// What the state remembers of the accelerator whose header has checksum sum,
// found without opening the log: kUnknown when nothing is remembered for this
// header and the log's present size. kUnusable, remembering nothing, when the
// log cannot be opened.
Belonging RememberedBelonging(const SearchState& state, std::uint64_t sum) {
  char name[kFileNameCapacity];
  std::int64_t size = 0;
  if (!FileMappingLogFileName(state.indexPath, name) || !CanOpen(name, &size)) {
    return Belonging::kUnusable;
  }
  if (state.pairCheck == kPairCheckUnknown) return Belonging::kUnknown;
  unsigned char key[sizeof state.pairCheckKey];
  Store64(sum, key);
  Store64(static_cast<std::uint64_t>(size), key + 8);
  if (std::memcmp(key, state.pairCheckKey, sizeof key) != 0) return Belonging::kUnknown;
  return state.pairCheck == kPairCheckSound ? Belonging::kSound : Belonging::kUnusable;
}

// Block number into block, checked; the root from the state where it keeps
// it (it was checked when kept), and kept once read.
bool ReadBlock(SearchState& state, RawFile& file, const PairHeader& header, std::uint32_t number,
               unsigned char* block) {
  const bool root = number == header.root;
  if (root && state.pairBlocks == kRootKept) {
    std::memcpy(block, state.pairRootBlock, kPairBlockSize);
    return true;
  }
  if (number >= header.blocks ||
      !file.ReadAt(static_cast<std::int64_t>(number) * static_cast<std::int64_t>(kPairBlockSize),
                   reinterpret_cast<char*>(block), kPairBlockSize) ||
      !indexformat::PairBlockSound(block, number)) {
    return false;
  }
  if (root && state.pairBlocks == kHeaderKept) {
    std::memcpy(state.pairRootBlock, block, kPairBlockSize);
    state.pairBlocks = kRootKept;
  }
  return true;
}

// The leaf where keys from key on begin: down from the root, the last child
// whose first key is not greater than key (the first child when all are).
bool FindLeaf(SearchState& state, RawFile& file, const PairHeader& header, const unsigned char* key,
              size_t length, unsigned char* block, std::uint32_t* leaf) {
  std::uint32_t number = header.root;
  for (std::uint32_t depth = header.height; depth > 0; --depth) {
    if (!ReadBlock(state, file, header, number, block)) return false;
    indexformat::PairDirectoryReader entries(block);
    bool any = false;
    std::uint32_t child = 0;
    while (entries.Next()) {
      if (any &&
          indexformat::ComparePairKeys(entries.key(), entries.key_length(), key, length) > 0) {
        break;
      }
      child = entries.child();
      any = true;
    }
    if (entries.damaged() || !any) return false;
    // Children lie one level down, written before their directory block.
    const bool placed = depth == 1 ? child >= 1 && child <= header.leaf_blocks
                                   : child > header.leaf_blocks && child < number;
    if (!placed) return false;
    number = child;
  }
  *leaf = number;
  return true;
}

// How an entry's key stands to the wanted key: 0 when equal, or in prefix
// mode when it begins with it.
int CompareEntry(const unsigned char* entry, size_t entryLength, const unsigned char* key,
                 size_t length, bool prefix) {
  if (prefix && entryLength >= length && std::memcmp(entry, key, length) == 0) return 0;
  return indexformat::ComparePairKeys(entry, entryLength, key, length);
}

// Raises counter[n - 1] from level to level + 1 for each article n listed
// under the key (or, in prefix mode, under every key that begins with it).
// Sets *any when one was raised. False on damage.
bool MarkPairs(SearchState& state, RawFile& file, const PairHeader& header,
               const unsigned char* key, size_t length, bool prefix, std::uint8_t* counter,
               std::uint8_t level, unsigned char* block, bool* any) {
  if (header.root == 0) return true;
  std::uint32_t leaf = 0;
  if (!FindLeaf(state, file, header, key, length, block, &leaf)) return false;
  auto mark = [&](int article) {
    if (counter[article - 1] == level) {
      counter[article - 1] = static_cast<std::uint8_t>(level + 1);
      *any = true;
    }
  };
  for (; leaf <= header.leaf_blocks; ++leaf) {
    if (!ReadBlock(state, file, header, leaf, block)) return false;
    indexformat::PairLeafReader entries(block);
    while (entries.Next()) {
      const int c = CompareEntry(entries.key(), entries.key_length(), key, length, prefix);
      if (c < 0) continue;
      if (c > 0) return true;
      if (!indexformat::ForEachPairArticle(entries.tag(), entries.postings(),
                                           entries.postings_end(), mark)) {
        return false;
      }
      if (!prefix) return true;
    }
    if (entries.damaged()) return false;
  }
  return true;
}

}  // namespace

PairAnswer LookUpPhrasePairs(SearchState& state, const char* phrase, size_t length,
                             std::uint8_t* verdict) {
  PhraseWords words;
  if (!SplitPhrase(phrase, length, &words)) return PairAnswer::kNone;
  PairHeader header;
  std::uint64_t sum = 0;
  RawFile file;
  if (!OpenPairs(state, file, &header, &sum)) return PairAnswer::kNone;
  switch (RememberedBelonging(state, sum)) {
    case Belonging::kSound:
      break;
    case Belonging::kUnusable:
      return PairAnswer::kNone;
    case Belonging::kUnknown: {
      // The log is read with the accelerator closed, which is then opened
      // again and must be the file whose header was checked.
      file.Close();
      if (!BelongsToSet(state, header, sum)) return PairAnswer::kNone;
      PairHeader again;
      std::uint64_t sumAgain = 0;
      if (!OpenPairs(state, file, &again, &sumAgain) || sumAgain != sum) return PairAnswer::kNone;
      break;
    }
  }
  std::memset(verdict, 0, kMaxArticles);
  unsigned char key[indexformat::kMaxPairKey];
  const bool wholeWord = state.wordSearchMode != 0;
  unsigned char* block = BlockBuffer(state);
  for (size_t i = 0; i + 1 < words.count; ++i) {
    const size_t keyLength =
        indexformat::MakePairKey({phrase + words.start[i], words.length[i]},
                                 {phrase + words.start[i + 1], words.length[i + 1]}, key);
    const bool prefix = !wholeWord && i + 2 == words.count;
    bool any = false;
    if (!MarkPairs(state, file, header, key, keyLength, prefix, verdict,
                   static_cast<std::uint8_t>(i), block, &any)) {
      return PairAnswer::kNone;
    }
    if (!any) break;  // no article is left to reach the next level
  }
  const auto levels = static_cast<std::uint8_t>(words.count - 1);
  for (int i = 0; i < kMaxArticles; ++i) {
    verdict[i] = verdict[i] == levels ? kPairListed : kPairRuledOut;
  }
  // Articles the file does not cover: beyond its last, or absent when written
  // (looked for only in the bitmap's bytes that are not zero).
  const int covered = header.articles < static_cast<std::uint32_t>(kMaxArticles)
                          ? static_cast<int>(header.articles)
                          : kMaxArticles;
  for (int i = covered; i < kMaxArticles; ++i) verdict[i] = kPairUnknown;
  for (int first = 0; first < covered; first += 8) {
    if (header.absent[first / 8] == 0) continue;
    for (int i = first; i < first + 8 && i < covered; ++i) {
      if (!indexformat::PairArticleKnown(header, i + 1)) verdict[i] = kPairUnknown;
    }
  }
  return words.count == 2 ? PairAnswer::kExact : PairAnswer::kNarrowed;
}

}  // namespace engine
