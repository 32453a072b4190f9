#include "indexformat/index_file_check.h"

#include "indexformat/letter_files.h"

namespace indexformat {

IndexFileId IndexFileId::OfLetterSlot(int slot) {
  IndexFileId file;
  file.kind = IsOneLetterSlot(slot) ? WordClass::kOneLetter : WordClass::kTwoLetter;
  file.first = FirstLetterOf(slot);
  file.second = SecondLetterOf(slot);
  return file;
}

bool IndexFileId::Holds(std::string_view word) const {
  const WordClass word_class = ClassifyWord(word);
  if (word_class != kind) return false;
  switch (kind) {
    case WordClass::kOneLetter:
      return word[0] == first;
    case WordClass::kTwoLetter:
      return word[0] == first && word[1] == second;
    case WordClass::kExtras:
      return true;
  }
  return false;
}

namespace {

// One walk over one file; the first fault the observer declines ends it.
class IndexFileWalk {
 public:
  IndexFileWalk(IndexFileId file, IndexFileObserver* observer) : file_(file), observer_(observer) {}

  bool Run(std::string_view bytes);

 private:
  // Notes a fault; false when the walk ends here.
  bool Fault(const IndexFileProblem& problem) {
    sound_ = false;
    return observer_ != nullptr && observer_->OnProblem(problem);
  }
  bool CheckWord(const EntryView& entry, size_t offset);
  bool CheckArticles(const EntryView& entry, size_t offset);
  bool CheckEntryCount(size_t size);

  IndexFileId file_;
  IndexFileObserver* observer_;
  std::string_view previous_;
  int entries_ = 0;
  bool sound_ = true;
};

bool IndexFileWalk::CheckWord(const EntryView& entry, size_t offset) {
  if (entries_ > 0 && !(previous_ < entry.word)) {  // std::string_view compares unsigned bytes
    IndexFileProblem problem;
    problem.fault = IndexFileFault::kWordNotAscending;
    problem.offset = offset;
    problem.entry = &entry;
    problem.previous_word = previous_;
    if (!Fault(problem)) return false;
  }
  if (!file_.Holds(entry.word)) {
    IndexFileProblem problem;
    problem.fault = IndexFileFault::kForeignWord;
    problem.offset = offset;
    problem.entry = &entry;
    if (!Fault(problem)) return false;
  }
  return true;
}

bool IndexFileWalk::CheckArticles(const EntryView& entry, size_t offset) {
  int previous = 0;
  for (int i = 0; i < entry.count; ++i) {
    IndexFileProblem problem;
    problem.offset = offset;
    problem.entry = &entry;
    const unsigned char* field = entry.postings + static_cast<size_t>(i) * kFieldWidth;
    const int article = ParseDecimalPrefix(field);
    if (!IsDigitField(field) || article == 0) {
      problem.fault = IndexFileFault::kBadArticleNumber;
      problem.field = field;
      if (!Fault(problem)) return false;
      continue;
    }
    if (article <= previous) {
      problem.fault = IndexFileFault::kArticlesNotAscending;
      problem.article = article;
      problem.previous_article = previous;
      if (!Fault(problem)) return false;
    }
    previous = article;
    if (observer_ != nullptr) observer_->OnArticle(entry, offset, article);
  }
  return true;
}

bool IndexFileWalk::CheckEntryCount(size_t size) {
  const bool right = file_.kind == WordClass::kOneLetter   ? entries_ == 1
                     : file_.kind == WordClass::kTwoLetter ? entries_ > 0
                                                           : true;
  if (right) return true;
  IndexFileProblem problem;
  problem.fault = IndexFileFault::kEntryCount;
  problem.offset = size;
  problem.entries = entries_;
  return Fault(problem);
}

bool IndexFileWalk::Run(std::string_view bytes) {
  size_t offset = 0;
  EntryView entry;
  for (;;) {
    const DecodeResult result = DecodeEntry(bytes, offset, &entry);
    if (result == DecodeResult::kEnd) break;
    if (result == DecodeResult::kCorrupt) {
      IndexFileProblem problem;
      problem.fault = IndexFileFault::kDamagedEntry;
      problem.offset = offset;
      problem.entry = &entry;
      if (!Fault(problem)) return false;
      break;  // nothing after damage can be found: the entries have no other boundary
    }
    if (!CheckWord(entry, offset) || !CheckArticles(entry, offset)) return false;
    previous_ = entry.word;
    offset += entry.size;
    ++entries_;
  }
  CheckEntryCount(bytes.size());
  return sound_;
}

}  // namespace

bool CheckIndexFile(std::string_view bytes, IndexFileId file, IndexFileObserver* observer) {
  IndexFileWalk walk(file, observer);
  return walk.Run(bytes);
}

}  // namespace indexformat
