// CheckIndexSet and CheckCopies: the checks that need only the file sets.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <system_error>

#include "indexformat/index_format.h"
#include "indexformat/phrase_search_files.h"
#include "platform/file_system.h"
#include "preproc/verify/verify.h"

namespace preproc::verify {
namespace {

namespace fs = std::filesystem;

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

// The index files present: "log"-free relative names "C/C", "C/CA", "extras".
std::vector<std::string> IndexFiles(const std::string& index_path) {
  std::vector<std::string> files;
  if (platform::IsRegularFile(Join(index_path, indexformat::kExtrasFileName))) {
    files.push_back(indexformat::kExtrasFileName);
  }
  for (char c = 'A'; c <= 'Z'; ++c) {
    std::string letter(1, c);
    if (platform::IsRegularFile(Join(index_path, letter + "/" + letter))) {
      files.push_back(letter + "/" + letter);
    }
    for (char d = 'A'; d <= 'Z'; ++d) {
      std::string name = letter + "/" + letter + d;
      if (platform::IsRegularFile(Join(index_path, name))) files.push_back(name);
    }
  }
  return files;
}

int ReadListedCount(const std::string& index_path, std::vector<Finding>* findings) {
  std::string path = Join(index_path, indexformat::kFileMappingLogName);
  std::string text;
  if (!platform::ReadWholeFile(path, &text)) {
    findings->push_back({path, "missing: the file mapping log that numbers the articles"});
    return -1;
  }
  int lines = 0;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    if (end > at && !(end == at + 1 && text[at] == '\r')) ++lines;
    at = end + 1;
  }
  if (lines < 2 || text.rfind(" -- File Mapping Log --", 0) != 0) {
    findings->push_back({path, "not a file mapping log: its heading is missing"});
    return -1;
  }
  return lines - 2;
}

// What one file's scan gathers for the checks across files.
struct SetState {
  int listed = -1;
  bool beyond_searchable_reported = false;
  std::array<std::set<int>, 26> letter_entries;  // the one-letter files' articles
  std::array<bool, 26> letter_file{};
};

class FileCheck {
 public:
  FileCheck(std::string path, std::string relative, SetState& set, std::vector<Finding>* findings)
      : path_(std::move(path)), relative_(std::move(relative)), set_(set), findings_(findings) {}

  void Run(std::string_view bytes);
  // Articles of this file's words that begin with letter c.
  const std::set<int>& ArticlesOf(int letter) const { return by_letter_[letter]; }

 private:
  void Report(const std::string& what) { findings_->push_back({path_, what}); }
  void CheckPlacement(std::string_view word, size_t offset);
  void CheckPostings(const indexformat::EntryView& entry, size_t offset);

  std::string path_;
  std::string relative_;
  SetState& set_;
  std::vector<Finding>* findings_;
  bool placement_reported_ = false;
  bool order_reported_ = false;
  bool postings_reported_ = false;
  bool beyond_log_reported_ = false;
  std::array<std::set<int>, 26> by_letter_;
};

void FileCheck::CheckPlacement(std::string_view word, size_t offset) {
  std::string home = indexformat::RelativeFileName(word, '/');
  if (home == relative_ || placement_reported_) return;
  placement_reported_ = true;
  Report("holds " + Printable(word) + " at offset " + std::to_string(offset) +
         ", a word of another file (" + home + ")");
}

void FileCheck::CheckPostings(const indexformat::EntryView& entry, size_t offset) {
  std::string word = Printable(entry.word);
  int previous = 0;
  auto first = static_cast<unsigned char>(entry.word[0]);
  bool letter = indexformat::IsUpperLetter(first);
  for (int i = 0; i < entry.count; ++i) {
    const unsigned char* field = entry.postings + static_cast<size_t>(i) * indexformat::kFieldWidth;
    int article = indexformat::ParseDecimalPrefix(field);
    if (!indexformat::IsDigitField(field) || article == 0) {
      if (!postings_reported_) {
        Report("malformed article number " + std::string(reinterpret_cast<const char*>(field), 4) +
               " in the entry of " + word + " at offset " + std::to_string(offset));
      }
      postings_reported_ = true;
      continue;
    }
    if (article <= previous && !postings_reported_) {
      postings_reported_ = true;
      Report("the article numbers of " + word + " at offset " + std::to_string(offset) +
             " are not ascending (" + std::to_string(article) + " after " +
             std::to_string(previous) + ")");
    }
    previous = article;
    if (set_.listed >= 0 && article > set_.listed && !beyond_log_reported_) {
      beyond_log_reported_ = true;
      Report(word + " names article " + std::to_string(article) + ", above the " +
             std::to_string(set_.listed) + " articles of the file mapping log");
    }
    if (article > kSearchableArticles && set_.listed < 0 && !set_.beyond_searchable_reported) {
      set_.beyond_searchable_reported = true;
      Report(word + " names article " + std::to_string(article) +
             ", which the plug-in cannot return (it returns articles 1 to 2,500 only)");
    }
    if (letter) by_letter_[first - 'A'].insert(article);
  }
}

void FileCheck::Run(std::string_view bytes) {
  size_t offset = 0;
  std::string_view previous;
  int entries = 0;
  indexformat::EntryView entry;
  for (;;) {
    indexformat::DecodeResult result = indexformat::DecodeEntry(bytes, offset, &entry);
    if (result == indexformat::DecodeResult::kEnd) break;
    if (result == indexformat::DecodeResult::kCorrupt) {
      Report("malformed entry at offset " + std::to_string(offset) + ": " +
             indexformat::DescribeDamage(entry.damage) +
             "; the search ignores it and every entry after it");
      break;
    }
    ++entries;
    if (entries > 1 && !order_reported_ && entry.word <= previous) {
      order_reported_ = true;
      Report(Printable(entry.word) + " at offset " + std::to_string(offset) +
             (entry.word == previous ? " is repeated"
                                     : " is out of order, after " + Printable(previous)) +
             "; the search stops at the first entry past a word");
    }
    CheckPlacement(entry.word, offset);
    CheckPostings(entry, offset);
    previous = entry.word;
    offset += entry.size;
  }
  bool one_letter = relative_.size() == 3;
  if (one_letter && entries != 1) {
    Report("holds " + std::to_string(entries) + " entries; a one-letter file holds one");
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
    std::string list;
    for (size_t i = 0; i < missing.size() && i < 5; ++i) {
      list += (i == 0 ? "" : ", ") + std::to_string(missing[i]);
    }
    if (missing.size() > 5) list += ", ...";
    findings->push_back({Join(index_path, relative),
                         "the letter entry " + letter_file + " does not list article(s) " + list +
                             " of its entries: the two files come from different runs"});
  }
}

}  // namespace

std::string FormatFinding(const Finding& finding) { return finding.file + ": " + finding.what; }

int CheckIndexSet(const std::string& index_path, std::vector<Finding>* findings) {
  SetState set;
  set.listed = ReadListedCount(index_path, findings);
  if (set.listed > kSearchableArticles) {
    findings->push_back({Join(index_path, indexformat::kFileMappingLogName),
                         "lists " + std::to_string(set.listed) +
                             " articles; the plug-in returns articles 1 to 2,500 only"});
  }
  std::vector<std::string> files = IndexFiles(index_path);
  if (files.empty()) findings->push_back({index_path, "holds no index file"});
  // The one-letter files first: the others are checked against them.
  std::vector<std::pair<std::string, std::unique_ptr<FileCheck>>> checks;
  for (int pass = 0; pass < 2; ++pass) {
    for (const std::string& relative : files) {
      bool one_letter = relative.size() == 3;
      if (one_letter != (pass == 0)) continue;
      std::string path = Join(index_path, relative);
      std::string bytes;
      if (!platform::ReadWholeFile(path, &bytes)) {
        findings->push_back({path, "cannot be read"});
        continue;
      }
      auto check = std::make_unique<FileCheck>(path, relative, set, findings);
      check->Run(bytes);
      if (one_letter) {
        int c = relative[0] - 'A';
        set.letter_file[c] = true;
        set.letter_entries[c] = check->ArticlesOf(c);
      }
      checks.emplace_back(relative, std::move(check));
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
    std::string block = std::to_string(indexformat::CopyBlockNumber(n));
    char file[16];
    std::snprintf(file, sizeof file, "t%04d", n);
    std::string lower = Join(copy_path, "a" + block + "/" + file);
    if (platform::IsRegularFile(lower) ||
        platform::IsRegularFile(Join(copy_path, "A" + block + "/" + file))) {
      continue;
    }
    findings->push_back({lower, "missing: the phrase search file of article " + std::to_string(n) +
                                    "; a phrase of several words finds no article from " +
                                    std::to_string(n) + " on"});
  }
  std::error_code error;
  for (const fs::directory_entry& block : fs::directory_iterator(copy_path, error)) {
    std::string name = block.path().filename().string();
    if (name.size() < 2 || (name[0] != 'a' && name[0] != 'A') || !block.is_directory(error))
      continue;
    for (const fs::directory_entry& copy : fs::directory_iterator(block.path(), error)) {
      std::string file = copy.path().filename().string();
      if (file.size() < 5 || file[0] != 't' ||
          file.find_first_not_of("0123456789", 1) != std::string::npos) {
        continue;
      }
      int n = std::atoi(file.c_str() + 1);
      if (listed >= 0 && n > listed) {
        findings->push_back({Join(copy_path, name + "/" + file),
                             "a copy of article " + std::to_string(n) + ", beyond the " +
                                 std::to_string(listed) + " articles of the file mapping log"});
      }
    }
  }
}

}  // namespace preproc::verify
