#include "preproc/indexer/index_staging.h"

#include <set>

#include "indexformat/fold_record.h"
#include "indexformat/index_format.h"
#include "indexformat/letter_files.h"
#include "platform/file_system.h"

namespace preproc {
namespace {

// The letter directory of a relative name "C/CA" or "C/C"; empty for the
// extras file and the file mapping log, which lie in the index path itself.
std::string LetterDirectory(const std::string& relative) {
  size_t separator = relative.find(platform::kSeparator);
  return separator == std::string::npos ? std::string() : relative.substr(0, separator + 1);
}

}  // namespace

IndexStaging::IndexStaging(std::string index_path)
    : index_path_(std::move(index_path)),
      path_(index_path_ + kStagingName + platform::kSeparator) {}

// Removes only the names a run stages; true when the directory is gone.
bool IndexStaging::RemoveStaged() const {
  const std::string directory = path_.substr(0, path_.size() - 1);
  if (!platform::Exists(directory)) return true;
  if (!platform::IsOwnDirectory(directory)) return false;  // a file or a link: not ours
  for (char c = 'A'; c <= 'Z'; ++c) {
    const std::string letter = path_ + c;
    if (!platform::IsOwnDirectory(letter)) continue;
    for (int slot = 0; slot < indexformat::kLetterFileCount; ++slot) {
      if (indexformat::FirstLetterOf(slot) != c) continue;
      const std::string file = path_ + indexformat::LetterFileName(slot, platform::kSeparator);
      if (platform::IsRegularFile(file)) platform::RemoveFile(file);
    }
    platform::RemoveEmptyDirectory(letter);
  }
  for (const char* name : {indexformat::kExtrasFileName, indexformat::kFoldRecordName,
                           indexformat::kFileMappingLogName}) {
    if (platform::IsRegularFile(path_ + name)) platform::RemoveFile(path_ + name);
  }
  return platform::RemoveEmptyDirectory(directory);
}

bool IndexStaging::Begin() {
  if (!RemoveStaged()) return false;
  const std::string directory = path_.substr(0, path_.size() - 1);
  platform::MakeDirectory(directory);
  begun_ = platform::IsOwnDirectory(directory);
  return begun_;
}

void IndexStaging::Discard() {
  if (begun_) RemoveStaged();
  begun_ = false;
}

std::vector<std::string> IndexStaging::Obstacles(const std::vector<std::string>& files) const {
  std::vector<std::string> obstacles;
  // The letter directory of the file before, whether the live set has that
  // name, and whether it is a directory there.
  std::string letter;
  bool letter_live = false, letter_ok = true;
  for (const std::string& file : files) {
    const std::string file_letter = LetterDirectory(file);
    if (file_letter != letter || letter.empty()) {
      letter = file_letter;
      const std::string live_letter = index_path_ + letter.substr(0, letter.size() - 1);
      letter_live = letter.empty() || platform::Exists(live_letter);
      letter_ok = letter.empty() || !letter_live || platform::IsDirectory(live_letter);
    }
    // Below a letter directory the live set lacks, no name is taken.
    if (!letter_ok || (letter_live && platform::IsDirectory(index_path_ + file))) {
      obstacles.push_back(file);
    }
  }
  return obstacles;
}

std::vector<std::string> IndexStaging::Replace(const std::vector<std::string>& files) const {
  std::vector<std::string> failed;
  std::set<std::string> moved;  // letter directories moved whole, with their files
  std::string made;             // the letter directory made last: the files come letter by letter
  for (const std::string& file : files) {
    const std::string letter = LetterDirectory(file);
    if (!letter.empty() && moved.count(letter) != 0) continue;
    if (!letter.empty() && letter != made) {
      if (MoveLetterDirectory(letter)) {
        moved.insert(letter);
        continue;
      }
      if (platform::EnsurePath(index_path_ + letter)) made = letter;
    }
    if (!platform::RenameOver(path_ + file, index_path_ + file)) failed.push_back(file);
  }
  return failed;
}

// A letter directory the live set lacks takes the staged one in one rename;
// false when it has one (or the rename fails), and its files go one by one.
bool IndexStaging::MoveLetterDirectory(const std::string& letter) const {
  const std::string name = letter.substr(0, letter.size() - 1);
  if (platform::Exists(index_path_ + name)) return false;
  return platform::RenameOver(path_ + name, index_path_ + name);
}

}  // namespace preproc
