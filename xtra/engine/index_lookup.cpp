#include "xtra/engine/index_lookup.h"

#include <cstring>

#include "indexformat/index_format.h"
#include "xtra/engine/char_classes.h"
#include "xtra/engine/file_names.h"
#include "xtra/engine/raw_file.h"

namespace engine {

namespace {

using indexformat::kFieldWidth;

// A forward reader of an open index file through a scratch buffer. Left()
// counts the bytes from the read position to the end of the file as it was
// when opened, so every stored length can be checked before it is trusted.
class EntryReader {
 public:
  EntryReader(RawFile& file, char* buffer, size_t capacity)
      : file_(file), buffer_(buffer), capacity_(capacity), unread_(file.Size()) {}

  // Makes count (<= capacity) bytes available at Data(); false when the file
  // holds fewer.
  bool Need(size_t count) {
    if (end_ - begin_ >= count) return true;
    if (static_cast<std::int64_t>(count - (end_ - begin_)) > unread_) return false;
    std::memmove(buffer_, buffer_ + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    while (end_ < count) {
      size_t n = file_.Read(buffer_ + end_, capacity_ - end_);
      if (n == 0) return false;
      end_ += n;
      unread_ -= static_cast<std::int64_t>(n);
    }
    return true;
  }

  const unsigned char* Data() const { return reinterpret_cast<unsigned char*>(buffer_ + begin_); }
  size_t Held() const { return end_ - begin_; }
  void Consume(size_t count) { begin_ += count; }
  std::int64_t Left() const { return static_cast<std::int64_t>(end_ - begin_) + unread_; }

  // Passes over count (<= Left()) bytes, reading none that are not buffered.
  bool Skip(std::int64_t count) {
    std::int64_t buffered = static_cast<std::int64_t>(end_ - begin_);
    if (count <= buffered) {
      begin_ += static_cast<size_t>(count);
      return true;
    }
    begin_ = end_ = 0;
    unread_ -= count - buffered;
    return file_.Skip(count - buffered);
  }

 private:
  RawFile& file_;
  char* buffer_;
  size_t capacity_;
  size_t begin_ = 0;
  size_t end_ = 0;
  std::int64_t unread_;
};

enum class Order { kSmaller, kEqual, kGreater };

Order CompareEntry(const unsigned char* entry, size_t entryLength, const char* word, size_t length,
                   bool exact) {
  size_t common = entryLength < length ? entryLength : length;
  int order = std::memcmp(entry, word, common);
  if (order < 0) return Order::kSmaller;
  if (order > 0) return Order::kGreater;
  if (entryLength < length) return Order::kSmaller;
  if (entryLength == length || !exact) return Order::kEqual;
  return Order::kGreater;
}

// Applies mark to the articles of only among fields: a field of four digits
// is one of them when its bytes are (there is no other way to write a
// number in four digits); any other field is parsed as the scan parses it.
// Two fields are loaded and checked at a time: most are digits and none of
// the few articles.
void MarkOnly(const unsigned char* field, int fields, const PostingMark& mark) {
  const OnlyArticles& only = *mark.only;
  const auto apply = [&mark](int article) {
    std::uint8_t& flag = mark.flags[article - 1];
    if (mark.whenEqual < 0 || flag == mark.whenEqual) flag = mark.value;
  };
  const auto one = [&](const unsigned char* at) {
    const std::uint32_t bytes = indexformat::LoadField(at);
    const int article = indexformat::IsDigitWord(bytes) ? 0 : indexformat::ParseDecimalPrefix(at);
    for (int j = 0; j < only.count; ++j) {
      if (bytes == only.field[j] || article == only.article[j]) apply(only.article[j]);
    }
  };
  int i = 0;
  for (; i + 2 <= fields; i += 2, field += 2 * kFieldWidth) {
    const std::uint32_t low = indexformat::LoadField(field);
    const std::uint32_t high = indexformat::LoadField(field + kFieldWidth);
    if (!indexformat::IsDigitWord(low) || !indexformat::IsDigitWord(high)) {
      one(field);
      one(field + kFieldWidth);
      continue;
    }
    bool either = false;
    for (int j = 0; j < only.count; ++j) either |= (low == only.field[j]) | (high == only.field[j]);
    if (!either) continue;
    one(field);
    one(field + kFieldWidth);
  }
  if (i < fields) one(field);
}

// Reads the count article numbers at the reader's position into the flags,
// all the fields the buffer holds at a time.
void ReadPostings(EntryReader& reader, int count, const PostingMark& mark) {
  while (count > 0 && reader.Need(kFieldWidth)) {
    const size_t held = reader.Held() / kFieldWidth;
    const int fields = held < static_cast<size_t>(count) ? static_cast<int>(held) : count;
    const unsigned char* field = reader.Data();
    if (mark.only != nullptr) {
      MarkOnly(field, fields, mark);
      reader.Consume(static_cast<size_t>(fields) * kFieldWidth);
      count -= fields;
      continue;
    }
    // The mark in locals (a store through flags could otherwise be taken to
    // change it), and two loops, so the one per article number tests nothing
    // but the number.
    std::uint8_t* const flags = mark.flags;
    const std::uint8_t value = mark.value;
    if (mark.whenEqual < 0) {
      for (int i = 0; i < fields; ++i, field += kFieldWidth) {
        const int article = indexformat::ParseDecimalPrefix(field);
        if (article >= 1 && article <= kMaxArticles) flags[article - 1] = value;
      }
    } else {
      const int when = mark.whenEqual;
      for (int i = 0; i < fields; ++i, field += kFieldWidth) {
        const int article = indexformat::ParseDecimalPrefix(field);
        if (article < 1 || article > kMaxArticles) continue;
        const std::uint8_t flag = flags[article - 1];
        // Without a branch: whether a flag equals when is as good as random.
        const auto change = static_cast<std::uint8_t>(-static_cast<int>(flag == when));
        flags[article - 1] = static_cast<std::uint8_t>(flag ^ ((flag ^ value) & change));
      }
    }
    reader.Consume(static_cast<size_t>(fields) * kFieldWidth);
    count -= fields;
  }
}

void ScanEntries(EntryReader& reader, const char* word, size_t length, bool exact,
                 const PostingMark& mark) {
  while (reader.Need(1)) {
    // The head is decoded from the bytes at hand; a damaged or cut entry ends
    // the file's scan, as kpxdump and tarvik verify see it.
    size_t headSize = indexformat::EntryHeadSize(reader.Data()[0]);
    size_t available = reader.Need(headSize) ? headSize : 1;
    indexformat::EntryHead head;
    if (indexformat::DecodeEntryHead(reader.Data(), available, &head) !=
        indexformat::EntryDamage::kNone) {
      return;
    }
    Order order = CompareEntry(head.word, head.wordLength, word, length, exact);
    reader.Consume(head.headSize);
    std::int64_t body = static_cast<std::int64_t>(head.postingsSize);
    if (body > reader.Left()) return;
    if (order == Order::kGreater) return;
    if (order == Order::kSmaller) {
      if (!reader.Skip(body)) return;
    } else {
      ReadPostings(reader, head.count, mark);
    }
  }
}

}  // namespace

ScanResult ScanIndexFile(const char* indexPath, const char* word, size_t length, bool exact,
                         const PostingMark& mark, char* buffer, size_t capacity) {
  char name[kFileNameCapacity];
  RawFile file;
  if (length == 0 || !IndexFileName(indexPath, word, length, name) || !file.Open(name)) {
    return ScanResult::kNoFile;
  }
  EntryReader reader(file, buffer, capacity);
  ScanEntries(reader, word, length, exact, mark);
  return ScanResult::kScanned;
}

bool IndexFileOpens(const char* indexPath, const char* word, size_t length) {
  char name[kFileNameCapacity];
  RawFile file;
  return length > 0 && IndexFileName(indexPath, word, length, name) && file.Open(name);
}

size_t NextToken(const char* phrase, size_t length, size_t position, size_t* start,
                 size_t* wordLength) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(phrase);
  while (position < length && IsSpaceChar(bytes[position])) ++position;
  *start = position;
  while (position < length && !IsSpaceChar(bytes[position])) ++position;
  *wordLength = position - *start;
  return position;
}

size_t FirstWordLength(const char* phrase, size_t length) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(phrase);
  size_t n = length > 0 ? 1 : 0;
  while (n < length && !IsSpaceChar(bytes[n])) ++n;
  return n;
}

int NextFlagged(const std::uint8_t* flags, int from) {
  if (from < kMaxArticles && flags[from] != 0) return from;
  while (from + 8 <= kMaxArticles) {
    std::uint64_t eight = 0;
    std::memcpy(&eight, flags + from, sizeof eight);
    if (eight != 0) break;
    from += 8;
  }
  while (from < kMaxArticles && flags[from] == 0) ++from;
  return from;
}

bool FewFlagged(const std::uint8_t* flags, OnlyArticles* only) {
  only->count = 0;
  for (int i = NextFlagged(flags, 0); i < kMaxArticles; i = NextFlagged(flags, i + 1)) {
    if (only->count == OnlyArticles::kMost) return false;
    char digits[kFieldWidth];
    indexformat::WriteField(i + 1, digits);
    only->article[only->count] = i + 1;
    only->field[only->count] = indexformat::LoadField(reinterpret_cast<unsigned char*>(digits));
    ++only->count;
  }
  return true;
}

void LookupRemainingWords(SearchState& state, const char* phrase, size_t length,
                          const OnlyArticles* only) {
  size_t position = 0;
  size_t start = 0;
  size_t wordLength = 0;
  if (length > 0 && !IsSpaceChar(static_cast<unsigned char>(phrase[0]))) {
    position = NextToken(phrase, length, 0, &start, &wordLength);
  }
  const bool exact = state.wordSearchMode != 0;
  int k = 1;
  for (;;) {
    position = NextToken(phrase, length, position, &start, &wordLength);
    if (wordLength == 0) break;
    PostingMark mark{state.phraseFlags, k, static_cast<std::uint8_t>(k + 1), only};
    if (ScanIndexFile(state.indexPath, phrase + start, wordLength, exact, mark, state.scanBuffer,
                      sizeof state.scanBuffer) == ScanResult::kNoFile) {
      std::memset(state.phraseFlags, 0, sizeof state.phraseFlags);
      return;
    }
    ++k;
  }
  if (k == 1) return;
  for (std::uint8_t& flag : state.phraseFlags) flag = (flag == k) ? 1 : 0;
}

}  // namespace engine
