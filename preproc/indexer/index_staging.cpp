#include "preproc/indexer/index_staging.h"

#include <cstdio>
#include <set>

#include "indexformat/fold_record.h"
#include "indexformat/index_format.h"
#include "indexformat/letter_files.h"
#include "platform/file_system.h"

namespace preproc {
namespace {

constexpr char kJournalHeader[] = "kpxsindx replacement 1";
// The journal under the name it is written as, before it is whole.
constexpr char kJournalPartName[] = "journal.part";
// No replacement names more than every file and letter directory of a set.
constexpr size_t kMaxJournalBytes = 64 * 1024;

// The letter directory of a relative name "C/CA" or "C/C"; empty for the
// extras file and the file mapping log, which lie in the index path itself.
std::string LetterDirectory(const std::string& relative) {
  size_t separator = relative.find(platform::kSeparator);
  return separator == std::string::npos ? std::string() : relative.substr(0, separator + 1);
}

bool IsLetterDirectoryName(const std::string& name) {
  return name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z';
}

// A name a journal may hold: a file of the set, or, for a new name, a whole
// letter directory. Anything else makes the journal unreadable.
bool IsJournalName(char kind, const std::string& name) {
  if (name == indexformat::kExtrasFileName || name == indexformat::kFoldRecordName ||
      name == indexformat::kFileMappingLogName) {
    return true;
  }
  if (indexformat::LetterFileSlotOf(name, platform::kSeparator) >= 0) return true;
  return kind == 'N' && IsLetterDirectoryName(name);
}

// Removes the names a run stages or sets aside in directory (with its final
// separator), the letter directories once empty; true when nothing of them
// is left.
bool RemoveSetNames(const std::string& directory) {
  bool gone = true;
  for (char c = 'A'; c <= 'Z'; ++c) {
    const std::string letter = directory + c;
    if (!platform::IsOwnDirectory(letter)) continue;
    for (int slot = 0; slot < indexformat::kLetterFileCount; ++slot) {
      if (indexformat::FirstLetterOf(slot) != c) continue;
      const std::string file = directory + indexformat::LetterFileName(slot, platform::kSeparator);
      if (platform::IsRegularFile(file)) platform::RemoveFile(file);
    }
    platform::RemoveEmptyDirectory(letter);
  }
  for (const char* name : {indexformat::kExtrasFileName, indexformat::kFoldRecordName,
                           indexformat::kFileMappingLogName}) {
    if (platform::IsRegularFile(directory + name))
      gone = platform::RemoveFile(directory + name) && gone;
  }
  return gone;
}

}  // namespace

IndexStaging::IndexStaging(std::string index_path, StagingRename rename)
    : index_path_(std::move(index_path)),
      path_(index_path_ + kStagingName + platform::kSeparator),
      rename_(std::move(rename)) {}

bool IndexStaging::Rename(const std::string& from, const std::string& to) {
  return rename_ ? rename_(from, to) : platform::RenameOver(from, to);
}

// Removes only the names a run stages, sets aside or journals; true when the
// directory is gone. A journal keeps it all: it still has a set to put back.
bool IndexStaging::RemoveStaged() const {
  const std::string directory = path_.substr(0, path_.size() - 1);
  if (!platform::Exists(directory)) return true;
  if (!platform::IsOwnDirectory(directory)) return false;  // a file or a link: not ours
  if (platform::Exists(path_ + kJournalName)) return false;
  const std::string aside = path_ + kSetAsideName;
  if (platform::IsOwnDirectory(aside)) {
    RemoveSetNames(aside + platform::kSeparator);
    platform::RemoveEmptyDirectory(aside);
  }
  RemoveSetNames(path_);
  for (const char* name : {kJournalPartName, kCommittedName}) {
    if (platform::IsRegularFile(path_ + name)) platform::RemoveFile(path_ + name);
  }
  return platform::RemoveEmptyDirectory(directory);
}

IndexStaging::Recovery IndexStaging::Recover() {
  failed_.clear();
  if (!platform::IsOwnDirectory(path_.substr(0, path_.size() - 1))) return Recovery::kNothing;
  if (platform::Exists(path_ + kJournalName)) {
    std::vector<Move> moves;
    if (!ReadJournal(&moves)) {
      failed_ = path_ + kJournalName;
      return Recovery::kFailed;
    }
    return Undo(moves) ? Recovery::kRestored : Recovery::kFailed;
  }
  if (platform::Exists(path_ + kCommittedName)) {
    RemoveStaged();
    return Recovery::kFinished;
  }
  return Recovery::kNothing;
}

bool IndexStaging::Begin() {
  if (!RemoveStaged()) return false;
  const std::string directory = path_.substr(0, path_.size() - 1);
  platform::MakeDirectory(directory);
  begun_ = platform::IsOwnDirectory(directory);
  return begun_;
}

void IndexStaging::Discard() {
  if (!begun_) return;
  if (platform::Exists(path_ + kJournalName)) {
    std::vector<Move> moves;
    if (ReadJournal(&moves)) Undo(moves);
  }
  RemoveStaged();
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

std::vector<std::string> IndexStaging::LinkedLetterDirectories(
    const std::vector<std::string>& files) const {
  std::set<std::string> seen;
  std::vector<std::string> linked;
  for (const std::string& file : files) {
    const std::string letter = LetterDirectory(file);
    if (letter.empty() || !seen.insert(letter).second) continue;
    const std::string live = index_path_ + letter.substr(0, letter.size() - 1);
    if (platform::IsDirectory(live) && !platform::IsOwnDirectory(live)) linked.push_back(live);
  }
  return linked;
}

std::vector<std::string> IndexStaging::Changed(const std::vector<std::string>& files) const {
  std::vector<std::string> changed;
  for (const std::string& file : files) {
    if (!platform::SameFileContents(path_ + file, index_path_ + file)) changed.push_back(file);
  }
  return changed;
}

IndexStaging::Outcome IndexStaging::Replace(const std::vector<std::string>& files,
                                            const std::vector<std::string>& stale) {
  failed_.clear();
  std::vector<Move> moves;
  std::set<std::string> whole;  // letter directories the live set lacks: they move whole
  for (const std::string& file : files) {
    const std::string letter = LetterDirectory(file);
    if (!letter.empty()) {
      const std::string name = letter.substr(0, letter.size() - 1);
      if (whole.count(name) != 0) continue;
      if (!platform::Exists(index_path_ + name)) {
        whole.insert(name);
        moves.push_back({'N', name});
        continue;
      }
    }
    moves.push_back({platform::Exists(index_path_ + file) ? 'R' : 'N', file});
  }
  for (const std::string& file : stale) moves.push_back({'S', file});
  if (moves.empty()) return Outcome::kReplaced;
  if (!WriteJournal(moves)) {
    failed_ = path_ + kJournalName;
    return Outcome::kKept;
  }

  bool ok = true;
  const std::string aside = path_ + kSetAsideName + platform::kSeparator;
  for (const Move& move : moves) {
    if (move.kind == 'N') continue;
    const std::string letter = LetterDirectory(move.name);
    if (!platform::EnsurePath(aside + letter) ||
        !Rename(index_path_ + move.name, aside + move.name)) {
      failed_ = index_path_ + move.name;
      ok = false;
      break;
    }
  }
  for (size_t i = 0; ok && i < moves.size(); ++i) {
    if (moves[i].kind == 'S') continue;
    if (!Rename(path_ + moves[i].name, index_path_ + moves[i].name)) {
      failed_ = index_path_ + moves[i].name;
      ok = false;
    }
  }
  if (ok && !Rename(path_ + kJournalName, path_ + kCommittedName)) {
    failed_ = path_ + kJournalName;
    ok = false;
  }
  if (ok) return Outcome::kReplaced;
  const std::string cause = failed_;
  const bool undone = Undo(moves);
  not_restored_ = undone ? std::string() : failed_;
  failed_ = cause;
  return undone ? Outcome::kKept : Outcome::kNotRestored;
}

// Puts back what moves moved, last first, each as far as it went: a file set
// aside goes back over its live name, a new one back into the staging
// directory. Removes the journal when all is back; false, with failed_
// naming the first file that could not be put back, otherwise.
bool IndexStaging::Undo(const std::vector<Move>& moves) {
  bool ok = true;
  const std::string aside = path_ + kSetAsideName + platform::kSeparator;
  for (auto move = moves.rbegin(); move != moves.rend(); ++move) {
    const std::string live = index_path_ + move->name;
    bool back = true;
    if (move->kind == 'N') {
      const std::string staged = path_ + move->name;
      if (!platform::Exists(staged) && platform::Exists(live)) back = Rename(live, staged);
    } else if (platform::Exists(aside + move->name)) {
      back = Rename(aside + move->name, live);
    }
    if (!back && ok) failed_ = live;
    ok = ok && back;
  }
  return ok && platform::RemoveFile(path_ + kJournalName);
}

// Written whole under a temporary name, synced, then renamed into place: a
// journal that exists is complete.
bool IndexStaging::WriteJournal(const std::vector<Move>& moves) {
  std::string text = std::string(kJournalHeader) + "\n";
  for (const Move& move : moves) text += std::string(1, move.kind) + " " + move.name + "\n";
  const std::string part = path_ + kJournalPartName;
  std::FILE* file = platform::CreateNewFile(part);
  if (file == nullptr) return false;
  bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  written = platform::SyncFile(file) && written;
  written = std::fclose(file) == 0 && written;
  if (written && Rename(part, path_ + kJournalName)) {
    platform::SyncDirectory(path_.substr(0, path_.size() - 1));
    return true;
  }
  platform::RemoveFile(part);
  return false;
}

// A journal is read as hostile: it must be no longer than any replacement's,
// begin with its header and hold only lines of a known kind and name.
bool IndexStaging::ReadJournal(std::vector<Move>* moves) {
  moves->clear();
  const std::string journal = path_ + kJournalName;
  std::string text;
  if (platform::RegularFileSize(journal) > kMaxJournalBytes ||
      !platform::ReadWholeFile(journal, &text)) {
    return false;
  }
  size_t begin = 0;
  bool header = true;
  while (begin < text.size()) {
    const size_t end = text.find('\n', begin);
    if (end == std::string::npos) return false;  // a journal ends every line
    const std::string line = text.substr(begin, end - begin);
    begin = end + 1;
    if (header) {
      if (line != kJournalHeader) return false;
      header = false;
      continue;
    }
    if (line.size() < 3 || line[1] != ' ') return false;
    const char kind = line[0];
    const std::string name = line.substr(2);
    if ((kind != 'R' && kind != 'N' && kind != 'S') || !IsJournalName(kind, name)) return false;
    moves->push_back({kind, name});
  }
  return !header;
}

}  // namespace preproc
