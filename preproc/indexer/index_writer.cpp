#include "preproc/indexer/index_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "indexformat/index_format.h"
#include "platform/file_system.h"
#include "preproc/indexer/entry_maker.h"
#include "preproc/run/message_text.h"

namespace preproc {

IndexWriter::IndexWriter(std::string write_path, std::string index_path, RunServices& services)
    : write_path_(std::move(write_path)), index_path_(std::move(index_path)), services_(services) {}

IndexWriter::~IndexWriter() {
  if (target_ != nullptr) std::fclose(target_);
}

void IndexWriter::WriteWordTree(WordTree& tree) {
  EntryMaker maker(tree);
  EntryMaker::Entry entry;
  while (maker.Next(&entry)) {
    if (entry.cut) {
      WritePending();  // what it reports comes first
      const std::string_view word =
          entry.bytes.substr(1, static_cast<unsigned char>(entry.bytes[0]));
      services_.ReportError(
          FormatMessage("\n# KPXSindx: WARNING, word cnt for %.*s > max block size (%d)\n",
                        static_cast<int>(word.size()), word.data(), indexformat::kMaxBlockBytes));
    }
    QueueEntry(entry.bytes, entry.count);
  }
  FlushQueue(0);
  CloseTarget();
  FinishExtras();
}

namespace {

// The group key of an entry: the first two bytes of its word.
std::string_view GroupKey(std::string_view entry) {
  size_t length = static_cast<unsigned char>(entry[0]);
  return entry.substr(1, length < 2 ? length : 2);
}

}  // namespace

void IndexWriter::QueueEntry(std::string_view entry, long count) {
  if (first_entry_) {
    first_entry_ = false;
  } else if (GroupKey(entry) == group_key_) {
    if (queue_count_ != 0 && queue_count_ % kQueueChunk == 0) {
      FlushQueue(pending_postings_);
      pending_postings_ = 0;
      two_letter_mode_ = "ab";
    }
  } else {
    FlushQueue(pending_postings_);
    pending_postings_ = 0;
    two_letter_mode_ = "wb";
    services_.StepProgress();
  }
  queue_.append(entry);
  pending_postings_ += count;
  ++queue_count_;
  group_key_.assign(GroupKey(entry));
}

std::string_view IndexWriter::FirstQueuedWord() const {
  size_t length = static_cast<unsigned char>(queue_[0]);
  return std::string_view(queue_).substr(1, length);
}

void IndexWriter::KeepStatistics(unsigned char first) {
  if (first_flush_) {
    first_flush_ = false;
    current_char_ = first;
    return;
  }
  if (first == current_char_) return;
  WritePending();  // what it reports comes before the line, as each chunk was flushed
  long sum = one_letter_total_ + two_letter_total_ + extras_total_;
  running_total_ += sum;
  services_.LogText(FormatMessage("WordCnt %6ld;  For %c: %4ld  (%4ld + %4ld + %4ld)\n",
                                  running_total_, current_char_, sum, one_letter_total_,
                                  two_letter_total_, extras_total_));
  one_letter_total_ = two_letter_total_ = extras_total_ = 0;
  current_char_ = first;
}

// Chooses the file of a flush and adds the flush's postings to the totals of its file class.
// Returns the file's name relative to the index path.
std::string IndexWriter::OpenTarget(std::string_view word, long total, const char** mode) {
  const auto* w = reinterpret_cast<const unsigned char*>(word.data());
  switch (indexformat::ClassifyWord(w, word.size())) {
    case indexformat::WordClass::kTwoLetter:
      two_letter_total_ += total;
      *mode = two_letter_mode_;
      break;
    case indexformat::WordClass::kOneLetter:
      one_letter_total_ += total;
      *mode = "wb";
      break;
    case indexformat::WordClass::kExtras:
      extras_total_ += total;
      *mode = "ab";
      break;
  }
  return indexformat::RelativeFileName(word, platform::kSeparator);
}

// A letter directory is made at its first staged file; one that cannot be
// made shows when that file is created.
void IndexWriter::EnsureLetterDirectory(char letter) {
  bool& made = directory_made_[letter - 'A'];
  if (!made) made = platform::EnsurePath(write_path_ + letter + platform::kSeparator);
}

// The open file when the flush goes where the last one went, else the newly
// opened one (nullptr when it cannot be opened). A group's first chunk always
// opens its file with "wb", truncating it.
std::FILE* IndexWriter::TargetFile(std::string_view word, const std::string& relative,
                                   const char* mode) {
  if (target_ != nullptr && relative == target_name_ && mode[0] == 'a') return target_;
  CloseTarget();
  OpenTargetFile(relative, word.substr(0, 2), mode);  // the key classifies as the word does
  return target_;
}

bool IndexWriter::IsExtras(const std::string& relative) const {
  return relative == indexformat::kExtrasFileName;
}

// Unbuffered: the writer collects its own writes, and a short write then
// tells how far they reached. A file not staged yet is compared first: the
// live file is opened for reading instead (the extras file where its last
// comparison stopped), and one that cannot be opened is staged at once.
void IndexWriter::OpenTargetFile(const std::string& relative, std::string_view key,
                                 const char* mode) {
  target_name_ = relative;
  target_key_.assign(key);
  const bool extras = IsExtras(relative);
  if (extras ? extras_staged_ : mode[0] == 'a') {
    target_ = platform::OpenWithoutFollowing(write_path_ + relative, mode);
    if (target_ != nullptr) std::setvbuf(target_, nullptr, _IONBF, 0);
  } else {
    compared_ = extras ? extras_compared_ : 0;
    target_ = platform::OpenRegularFile(index_path_ + relative);
    comparing_ = true;
    if (target_ != nullptr) std::setvbuf(target_, nullptr, _IONBF, 0);
    if (target_ != nullptr && std::fseek(target_, static_cast<long>(compared_), SEEK_SET) != 0) {
      std::fclose(target_);
      target_ = nullptr;
    }
    if (target_ == nullptr) Stage(compared_);
  }
  if (target_ == nullptr) {
    target_name_.clear();
    target_key_.clear();
  }
}

// Creates the staged file of the open target and copies into it the first
// equal bytes of the live file, which the writes so far matched; the staged
// file becomes the target. False (and no target) when it cannot be created
// or the copy fails: the target's next write is then lost.
bool IndexWriter::Stage(std::uint64_t equal) {
  if (comparing_ && target_ != nullptr) std::fclose(target_);
  comparing_ = false;
  if (IsExtras(target_name_)) {
    extras_staged_ = true;
  } else {
    EnsureLetterDirectory(target_key_[0]);
    if (indexformat::ClassifyWord(target_key_) == indexformat::WordClass::kOneLetter) {
      staged_.Add(indexformat::LetterFileSlot(target_key_[0]));
    } else {
      staged_.Add(indexformat::LetterFileSlot(target_key_[0], target_key_[1]));
    }
  }
  target_ = platform::OpenWithoutFollowing(write_path_ + target_name_, "wb");
  if (target_ == nullptr) return false;
  std::setvbuf(target_, nullptr, _IONBF, 0);
  if (equal == 0) return true;
  std::FILE* live = platform::OpenRegularFile(index_path_ + target_name_);
  bool copied = live != nullptr;
  if (copied) std::setvbuf(live, nullptr, _IONBF, 0);
  compare_block_.resize(kPendingBytes);
  while (copied && equal > 0) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(equal, compare_block_.size()));
    copied = std::fread(&compare_block_[0], 1, want, live) == want &&
             std::fwrite(compare_block_.data(), 1, want, target_) == want;
    equal -= want;
  }
  if (live != nullptr) std::fclose(live);
  if (!copied) {
    std::fclose(target_);
    target_ = nullptr;
  }
  return copied;
}

// Writes size bytes to the target, or compares them with the live file while
// that is the target; returns how many reached the file, as fwrite does.
std::size_t IndexWriter::Put(const char* data, std::size_t size) {
  if (!comparing_) return std::fwrite(data, 1, size, target_);
  compare_block_.resize(kPendingBytes);
  std::size_t done = 0;
  while (done < size) {
    const std::size_t want = std::min(size - done, compare_block_.size());
    const std::size_t read = std::fread(&compare_block_[0], 1, want, target_);
    const char* block = compare_block_.data();
    // Equal blocks are the rule: memcmp first, the differing byte found only after.
    const std::size_t same =
        std::memcmp(block, data + done, read) == 0
            ? read
            : static_cast<std::size_t>(std::mismatch(block, block + read, data + done).first -
                                       block);
    compared_ += same;
    done += same;
    if (same < want) {  // a different byte, or the live file ends or fails here
      if (!Stage(compared_)) return 0;
      return done + std::fwrite(data + done, 1, size - done, target_);
    }
  }
  return size;
}

// At the close of a compared file: a letter file whose live file holds more
// (or cannot be read to its end) is staged; the extras file keeps how far it
// got, to go on when its next group opens it.
void IndexWriter::FinishComparing() {
  if (IsExtras(target_name_)) {
    extras_compared_ = compared_;
    return;
  }
  char extra = 0;
  if (std::fread(&extra, 1, 1, target_) == 0 && !std::ferror(target_)) return;
  Stage(compared_);
}

// After the walk: an extras file compared equal so far is staged when the
// live file is no regular file or is longer (an empty one when no word went
// to it).
void IndexWriter::FinishExtras() {
  if (extras_staged_) return;
  const std::string live = index_path_ + indexformat::kExtrasFileName;
  if (platform::IsRegularFile(live) && platform::RegularFileSize(live) == extras_compared_) return;
  target_name_ = indexformat::kExtrasFileName;
  target_key_.clear();
  if (!Stage(extras_compared_) || std::fclose(target_) != 0) {
    NoteFailure("", target_name_);
    services_.ReportError(NotWrittenMessage(index_path_ + target_name_));
  }
  target_ = nullptr;
  target_name_.clear();
}

// Closes the open file, its pending chunks written first; one whose last
// bytes cannot be written fails like a lost chunk.
void IndexWriter::CloseTarget() {
  if (target_ == nullptr) return;
  WritePending();
  if (target_ == nullptr) return;  // a chunk was lost, and the file closed
  if (comparing_) FinishComparing();
  if (comparing_) {  // the live file's bytes: nothing to stage
    std::fclose(target_);
    comparing_ = false;
  } else if (target_ == nullptr || std::fclose(target_) != 0) {
    NoteFailure(target_key_, target_name_);
    services_.ReportError(NotWrittenMessage(index_path_ + target_name_));
  }
  target_ = nullptr;
  target_name_.clear();
  target_key_.clear();
}

// Closes the open file after a lost chunk, which has been reported already.
void IndexWriter::DropTarget() {
  if (target_ != nullptr) std::fclose(target_);
  comparing_ = false;
  target_ = nullptr;
  target_name_.clear();
  target_key_.clear();
}

// Writes the chunks flushed to the open file since its last write, in one
// write. Where that write stops short, the chunk it stopped in is lost, and
// each chunk after it is written on its own into the file opened afresh for
// appending: every chunk fares as it would have written alone.
void IndexWriter::WritePending() {
  if (pending_ends_.empty()) return;
  const std::string key = target_key_, name = target_name_;
  const std::size_t reached = Put(pending_.data(), pending_.size());
  bool stopped = false;  // the write stopped short, in a chunk before this one
  std::size_t begin = 0;
  for (std::size_t end : pending_ends_) {
    if (!stopped && end <= reached) {
      ChunkWritten(key);
    } else if (!stopped) {
      stopped = true;
      DropTarget();
      LoseChunk(key, name);
    } else {
      if (target_ == nullptr) OpenTargetFile(name, key, "ab");
      const std::size_t bytes = end - begin;
      if (target_ != nullptr && Put(pending_.data() + begin, bytes) == bytes) {
        ChunkWritten(key);
      } else {
        if (target_ != nullptr) DropTarget();
        LoseChunk(key, name);
      }
    }
    begin = end;
  }
  pending_.clear();
  pending_ends_.clear();
}

void IndexWriter::ChunkWritten(std::string_view key) {
  switch (indexformat::ClassifyWord(key)) {
    case indexformat::WordClass::kOneLetter:
      written_.Add(indexformat::LetterFileSlot(key[0]));
      break;
    case indexformat::WordClass::kTwoLetter:
      written_.Add(indexformat::LetterFileSlot(key[0], key[1]));
      break;
    case indexformat::WordClass::kExtras:
      break;
  }
}

void IndexWriter::LoseChunk(std::string_view key, const std::string& relative) {
  NoteFailure(key, relative);
  services_.ReportError(NotWrittenMessage(index_path_ + relative));
}

// Counts each failing file once, however many of its chunks were lost.
void IndexWriter::NoteFailure(std::string_view word, const std::string& relative) {
  bool first_time = true;
  switch (indexformat::ClassifyWord(word)) {
    case indexformat::WordClass::kExtras:
      first_time = !extras_failed_;
      extras_failed_ = true;
      break;
    default: {
      const int slot = indexformat::LetterFileSlot(word[0], word.size() == 1 ? '\0' : word[1]);
      first_time = !failed_.Has(slot);
      failed_.Add(slot);
      break;
    }
  }
  if (!first_time) return;
  if (status_.ok()) status_.first_failure = index_path_ + relative;
  ++status_.failed_files;
}

void IndexWriter::FlushQueue(long total) {
  if (queue_count_ == 0) return;  // an empty vocabulary writes nothing
  std::string_view word = FirstQueuedWord();
  KeepStatistics(static_cast<unsigned char>(word[0]));
  const char* mode = "ab";
  const std::string relative = OpenTarget(word, total, &mode);
  if (TargetFile(word, relative, mode) == nullptr) {
    LoseChunk(word.substr(0, 2), relative);
  } else {
    pending_.append(queue_);
    pending_ends_.push_back(pending_.size());
    if (pending_.size() >= kPendingBytes) WritePending();
  }
  queue_.clear();
  queue_count_ = 0;
}

}  // namespace preproc
