#include "preproc/indexer/index_writer.h"

#include <cstdio>

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

// Chooses the file of a flush, creating its directories below the write
// path, and adds the flush's postings to the totals of its file class.
// Returns the file's name relative to the index path.
std::string IndexWriter::OpenTarget(std::string_view word, long total, const char** mode) {
  const auto* w = reinterpret_cast<const unsigned char*>(word.data());
  switch (indexformat::ClassifyWord(w, word.size())) {
    case indexformat::WordClass::kTwoLetter:
      EnsureLetterDirectory(word[0]);
      two_letter_total_ += total;
      *mode = two_letter_mode_;
      break;
    case indexformat::WordClass::kOneLetter:
      EnsureLetterDirectory(word[0]);
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

// A letter directory is made at its first file; one that cannot be made
// shows when that file is opened.
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

// Unbuffered: the writer collects its own writes, and a short write then
// tells how far they reached.
void IndexWriter::OpenTargetFile(const std::string& relative, std::string_view key,
                                 const char* mode) {
  target_ = platform::OpenWithoutFollowing(write_path_ + relative, mode);
  if (target_ == nullptr) return;
  std::setvbuf(target_, nullptr, _IONBF, 0);
  target_name_ = relative;
  target_key_.assign(key);
}

// Closes the open file, its pending chunks written first; one whose last
// bytes cannot be written fails like a lost chunk.
void IndexWriter::CloseTarget() {
  if (target_ == nullptr) return;
  WritePending();
  if (target_ == nullptr) return;  // a chunk was lost, and the file closed
  if (std::fclose(target_) != 0) {
    NoteFailure(target_key_, target_name_);
    services_.ReportError(NotWrittenMessage(index_path_ + target_name_));
  }
  target_ = nullptr;
  target_name_.clear();
  target_key_.clear();
}

// Closes the open file after a lost chunk, which has been reported already.
void IndexWriter::DropTarget() {
  std::fclose(target_);
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
  const std::size_t reached = std::fwrite(pending_.data(), 1, pending_.size(), target_);
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
      if (target_ != nullptr && std::fwrite(pending_.data() + begin, 1, bytes, target_) == bytes) {
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
