// CheckIndexSet and CheckCopies: the checks that need only the file sets.
#include <array>
#include <cstdio>
#include <memory>
#include <set>
#include <string_view>

#include "indexformat/file_mapping_log.h"
#include "indexformat/fold_record.h"
#include "indexformat/index_file_check.h"
#include "indexformat/index_format.h"
#include "indexformat/letter_files.h"
#include "indexformat/phrase_search_files.h"
#include "platform/file_system.h"
#include "preproc/indexer/index_staging.h"
#include "preproc/verify/verify.h"

namespace preproc::verify {
namespace {

std::string Join(const std::string& directory, std::string_view relative) {
  std::string path = directory;
  platform::AppendSeparator(path);
  for (char c : relative) path.push_back(c == '/' ? platform::kSeparator : c);
  return path;
}

std::string Printable(std::string_view word) {
  std::string text;
  for (unsigned char c : word) {
    if (c >= 0x21 && c < 0x7F) {
      text.push_back(static_cast<char>(c));
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      text += hex;
    }
  }
  return text;
}

// An index file present in the index path, by its relative name with "/".
struct PresentFile {
  std::string relative;  // "extras", "C/C", "C/CA"
  indexformat::IndexFileId id;
  bool one_letter() const { return id.kind == indexformat::WordClass::kOneLetter; }
};

// The index files present: the extras file, then the letter files in the
// format's order (the one-letter files, then the two-letter files).
std::vector<PresentFile> IndexFiles(const std::string& index_path) {
  std::vector<PresentFile> files;
  if (platform::IsRegularFile(Join(index_path, indexformat::kExtrasFileName))) {
    files.push_back({indexformat::kExtrasFileName, indexformat::IndexFileId::Extras()});
  }
  for (int slot = 0; slot < indexformat::kLetterFileCount; ++slot) {
    std::string name = indexformat::LetterFileName(slot, '/');
    if (platform::IsRegularFile(Join(index_path, name))) {
      files.push_back({std::move(name), indexformat::IndexFileId::OfLetterSlot(slot)});
    }
  }
  return files;
}

// What is wrong with the line of article n of a file mapping log, as the
// runs write it: "n-1 TAB n TAB name TAB tNNNN"; empty when nothing is.
std::string ArticleLineFault(const indexformat::FileMappingLine& line, int n) {
  if (!line.is_article) return "is no article line (index, number, name and new name)";
  const std::string_view text = line.text;
  const std::string_view key = text.substr(0, text.find('\t'));
  const std::string_view new_name = text.substr(text.rfind('\t') + 1);
  char expected[indexformat::kMaxCopyName];
  std::snprintf(expected, sizeof expected, "t%04d", n);
  if (line.article != n) {
    return "numbers article " + std::to_string(line.article) + " where " + std::to_string(n) +
           " comes next";
  }
  if (key != std::to_string(n - 1)) {
    return "has the key " + Printable(key) + " where " + std::to_string(n - 1) + " comes next";
  }
  if (new_name != expected) {
    return "names the copy " + Printable(new_name) + " where " + expected + " comes next";
  }
  return std::string();
}

// The lines of the file mapping log that hold anything, the two heading
// lines among them, less those two: the articles it lists.
int ReadListedCount(const std::string& index_path, std::vector<Finding>* findings) {
  std::string path = Join(index_path, indexformat::kFileMappingLogName);
  std::string text;
  if (!platform::ReadWholeFile(path, &text)) {
    findings->push_back({path, "missing: the file mapping log that numbers the articles"});
    return -1;
  }
  int lines = 0;
  bool line_reported = false;  // the first line out of sequence is told, once
  indexformat::FileMappingLogReader reader(text);
  indexformat::FileMappingLine line;
  while (reader.Next(&line)) {
    if (line.text.empty()) continue;
    if (++lines > 2 && !line_reported) {
      const std::string expected = ArticleLineFault(line, lines - 2);
      if (!expected.empty()) {
        line_reported = true;
        findings->push_back({path, "line " + std::to_string(line.number) + " " + expected +
                                       ": the log does not number the articles as the runs do"});
      }
    }
  }
  if (lines < 2 || !indexformat::HasFileMappingLogTitle(text)) {
    findings->push_back({path, "not a file mapping log: its heading is missing"});
    return -1;
  }
  return lines - 2;
}

// What one file's scan gathers for the checks across files.
struct SetState {
  int listed = -1;
  SetFold fold;
  bool unfolded_word_reported = false;
  bool beyond_searchable_reported = false;
  std::array<std::set<int>, 26> letter_entries;  // the one-letter files' articles
  std::array<bool, 26> letter_file{};
};

// One file's check: the format's walk (indexformat::CheckIndexFile), each
// fault worded as a finding (each kind once per file), and the article
// numbers gathered for the checks across files.
class FileCheck : public indexformat::IndexFileObserver {
 public:
  FileCheck(std::string path, const PresentFile& file, SetState& set,
            std::vector<Finding>* findings)
      : path_(std::move(path)), file_(file), set_(set), findings_(findings) {}

  void Run(std::string_view bytes) { indexformat::CheckIndexFile(bytes, file_.id, this); }
  // Articles of this file's words that begin with letter c.
  const std::set<int>& ArticlesOf(int letter) const { return by_letter_[letter]; }

  bool OnProblem(const indexformat::IndexFileProblem& problem) override;
  void OnArticle(const indexformat::EntryView& entry, size_t offset, int article) override;

 private:
  void Report(const std::string& what) { findings_->push_back({path_, what}); }
  void ReportOrder(const indexformat::IndexFileProblem& problem);
  void ReportPlacement(const indexformat::IndexFileProblem& problem);
  void ReportPostings(const indexformat::IndexFileProblem& problem);

  std::string path_;
  const PresentFile& file_;
  SetState& set_;
  std::vector<Finding>* findings_;
  bool placement_reported_ = false;
  bool order_reported_ = false;
  bool postings_reported_ = false;
  bool beyond_log_reported_ = false;
  std::array<std::set<int>, 26> by_letter_;
};

bool FileCheck::OnProblem(const indexformat::IndexFileProblem& problem) {
  using indexformat::IndexFileFault;
  switch (problem.fault) {
    case IndexFileFault::kDamagedEntry:
      Report("malformed entry at offset " + std::to_string(problem.offset) + ": " +
             indexformat::DescribeDamage(problem.entry->damage) +
             "; the search ignores it and every entry after it");
      break;
    case IndexFileFault::kWordNotAscending:
      ReportOrder(problem);
      break;
    case IndexFileFault::kForeignWord:
      ReportPlacement(problem);
      break;
    case IndexFileFault::kBadArticleNumber:
    case IndexFileFault::kArticlesNotAscending:
      ReportPostings(problem);
      break;
    case IndexFileFault::kEntryCount:
      if (file_.one_letter()) {
        Report("holds " + std::to_string(problem.entries) +
               " entries; a one-letter file holds one");
      }
      break;
  }
  return true;
}

void FileCheck::ReportOrder(const indexformat::IndexFileProblem& problem) {
  if (order_reported_) return;
  order_reported_ = true;
  const std::string_view word = problem.entry->word;
  Report(Printable(word) + " at offset " + std::to_string(problem.offset) +
         (word == problem.previous_word
              ? " is repeated"
              : " is out of order, after " + Printable(problem.previous_word)) +
         "; the search stops at the first entry past a word");
}

void FileCheck::ReportPlacement(const indexformat::IndexFileProblem& problem) {
  if (placement_reported_) return;
  placement_reported_ = true;
  const std::string_view word = problem.entry->word;
  Report("holds " + Printable(word) + " at offset " + std::to_string(problem.offset) +
         ", a word of another file (" + indexformat::RelativeFileName(word, '/') + ")");
}

// A malformed or a descending article number: the first of either is told.
void FileCheck::ReportPostings(const indexformat::IndexFileProblem& problem) {
  if (postings_reported_) return;
  postings_reported_ = true;
  const std::string word = Printable(problem.entry->word);
  const std::string offset = std::to_string(problem.offset);
  if (problem.fault == indexformat::IndexFileFault::kBadArticleNumber) {
    Report("malformed article number " +
           std::string(reinterpret_cast<const char*>(problem.field), indexformat::kFieldWidth) +
           " in the entry of " + word + " at offset " + offset);
  } else {
    Report("the article numbers of " + word + " at offset " + offset + " are not ascending (" +
           std::to_string(problem.article) + " after " + std::to_string(problem.previous_article) +
           ")");
  }
}

void FileCheck::OnArticle(const indexformat::EntryView& entry, size_t, int article) {
  if (set_.listed >= 0 && article > set_.listed && !beyond_log_reported_) {
    beyond_log_reported_ = true;
    Report(Printable(entry.word) + " names article " + std::to_string(article) + ", above the " +
           std::to_string(set_.listed) + " articles of the file mapping log");
  }
  if (article > indexformat::kMaxSearchableArticles && set_.listed < 0 &&
      !set_.beyond_searchable_reported) {
    set_.beyond_searchable_reported = true;
    Report(Printable(entry.word) + " names article " + std::to_string(article) +
           ", which the plug-in cannot return (it returns articles 1 to 2,500 only)");
  }
  const auto first = static_cast<unsigned char>(entry.word[0]);
  if (indexformat::IsUpperLetter(first)) by_letter_[first - 'A'].insert(article);
}

std::string Byte(unsigned char c) {
  return Printable(std::string_view(reinterpret_cast<char*>(&c), 1));
}

// The first word of the set that the search's fold would change: no query
// finds it, since the search folds what it looks up. Told once per set.
void CheckWordsAreFolded(const std::string& path, std::string_view bytes, SetState& set,
                         std::vector<Finding>* findings) {
  indexformat::EntryView entry;
  for (size_t offset = 0;
       !set.unfolded_word_reported &&
       indexformat::DecodeEntry(bytes, offset, &entry) == indexformat::DecodeResult::kOk;
       offset += entry.size) {
    for (unsigned char c : entry.word) {
      const unsigned char folded = set.fold.table[c];
      if (folded == c) continue;
      set.unfolded_word_reported = true;
      const std::string how = set.fold.name + " folds " + Byte(c) + " to " + Byte(folded);
      findings->push_back(
          {path,
           Printable(entry.word) + " at offset " + std::to_string(offset) +
               (set.fold.sound ? " is not folded as the fold record says (" + how +
                                     "): no search finds it; the record and the words come from "
                                     "different runs"
                               : " is not folded as the search folds a set without a sound fold "
                                 "record (" +
                                     how + "): no search finds it; run tarvik index again")});
      break;
    }
  }
}

void CheckLetterEntries(const std::string& index_path, const std::string& relative,
                        const FileCheck& check, const SetState& set,
                        std::vector<Finding>* findings) {
  for (int c = 0; c < 26; ++c) {
    const std::set<int>& articles = check.ArticlesOf(c);
    if (articles.empty()) continue;
    std::string letter(1, static_cast<char>('A' + c));
    std::string letter_file = letter + "/" + letter;
    if (relative == letter_file) continue;
    if (!set.letter_file[c]) {
      findings->push_back({Join(index_path, relative), "has words beginning with " + letter +
                                                           " but the letter file " + letter_file +
                                                           " is missing"});
      continue;
    }
    std::vector<int> missing;
    for (int article : articles) {
      if (set.letter_entries[c].count(article) == 0) missing.push_back(article);
    }
    if (missing.empty()) continue;
    // An entry holds the first 2,500 articles of its word only: articles
    // beyond those of a full letter entry are the cap, not another run.
    const bool capped =
        static_cast<int>(set.letter_entries[c].size()) == indexformat::kMaxBlockArticles &&
        missing.front() > *set.letter_entries[c].rbegin();
    std::string list;
    for (size_t i = 0; i < missing.size() && i < 5; ++i) {
      list += (i == 0 ? "" : ", ") + std::to_string(missing[i]);
    }
    if (missing.size() > 5) list += ", ...";
    findings->push_back(
        {Join(index_path, relative),
         capped ? "the letter entry " + letter_file + " lists only its first 2,500 articles (an " +
                      "entry holds at most 2,500), not article(s) " + list + " of its entries: a " +
                      "search for the letter " + letter + " alone cannot find them"
                : "the letter entry " + letter_file + " does not list article(s) " + list +
                      " of its entries: the two files come from different runs"});
  }
}

}  // namespace

std::string FormatFinding(const Finding& finding) { return finding.file + ": " + finding.what; }

int CheckIndexSet(const std::string& index_path, std::vector<Finding>* findings) {
  SetState set;
  set.listed = ReadListedCount(index_path, findings);
  set.fold = ReadSetFold(index_path);
  if (set.fold.recorded && !set.fold.sound) {
    findings->push_back({Join(index_path, indexformat::kFoldRecordName),
                         "damaged fold record (" + set.fold.damage +
                             "): the search folds the set with the platform's default (" +
                             set.fold.name + ") instead"});
  }
  if (set.listed > indexformat::kMaxSearchableArticles) {
    findings->push_back({Join(index_path, indexformat::kFileMappingLogName),
                         "lists " + std::to_string(set.listed) +
                             " articles; the plug-in returns articles 1 to 2,500 only"});
  }
  // A replacement a killed index run left unfinished: the set is part old,
  // part new until the next index run restores it.
  const std::string journal = Join(index_path, std::string(kStagingName) + "/" + kJournalName);
  if (platform::Exists(journal)) {
    findings->push_back({journal,
                         "an index run was killed while it replaced the set: the set is part old, "
                         "part new; the next tarvik index on this path restores the previous set"});
  }
  const std::vector<PresentFile> files = IndexFiles(index_path);
  if (files.empty()) findings->push_back({index_path, "holds no index file"});
  // The one-letter files first: the others are checked against them.
  std::vector<std::pair<std::string, std::unique_ptr<FileCheck>>> checks;
  for (int pass = 0; pass < 2; ++pass) {
    for (const PresentFile& file : files) {
      if (file.one_letter() != (pass == 0)) continue;
      std::string path = Join(index_path, file.relative);
      std::string bytes;
      if (!platform::ReadWholeFile(path, &bytes)) {
        findings->push_back({path, "cannot be read"});
        continue;
      }
      auto check = std::make_unique<FileCheck>(path, file, set, findings);
      check->Run(bytes);
      CheckWordsAreFolded(path, bytes, set, findings);
      if (file.one_letter()) {
        int c = file.id.first - 'A';
        set.letter_file[c] = true;
        set.letter_entries[c] = check->ArticlesOf(c);
      }
      checks.emplace_back(file.relative, std::move(check));
    }
  }
  for (const auto& [relative, check] : checks) {
    CheckLetterEntries(index_path, relative, *check, set, findings);
  }
  return set.listed;
}

void CheckCopies(const std::string& copy_path, int listed, std::vector<Finding>* findings) {
  if (!platform::IsDirectory(copy_path)) {
    findings->push_back({copy_path, "not a directory: the phrase search files are missing"});
    return;
  }
  for (int n = 1; n <= listed; ++n) {
    char lower[indexformat::kMaxCopyName];
    char upper[indexformat::kMaxCopyName];
    indexformat::RelativeCopyFileName(n, 'a', '/', lower);
    indexformat::RelativeCopyFileName(n, 'A', '/', upper);
    if (platform::IsRegularFile(Join(copy_path, lower)) ||
        platform::IsRegularFile(Join(copy_path, upper))) {
      continue;
    }
    findings->push_back(
        {Join(copy_path, lower), "missing: the phrase search file of article " + std::to_string(n) +
                                     "; a phrase of several words finds no article from " +
                                     std::to_string(n) + " on"});
  }
  // In the order the system lists them, like the files of each block.
  std::vector<std::string> blocks;
  platform::ListDirectory(copy_path, &blocks);
  for (const std::string& name : blocks) {
    if (name.size() < 2 || (name[0] != 'a' && name[0] != 'A') ||
        !platform::IsDirectory(Join(copy_path, name))) {
      continue;
    }
    std::vector<std::string> copies;
    platform::ListDirectory(Join(copy_path, name), &copies);
    for (const std::string& file : copies) {
      const int n = indexformat::CopyFileNumber(file);
      if (n < 0) continue;
      if (listed >= 0 && n > listed) {
        findings->push_back({Join(copy_path, name + "/" + file),
                             "a copy of article " + std::to_string(n) + ", beyond the " +
                                 std::to_string(listed) + " articles of the file mapping log"});
      }
    }
  }
}

}  // namespace preproc::verify
