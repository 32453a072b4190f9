// CompareWithRuns: both runs again, into a private temporary directory, and a
// byte-for-byte comparison with the sets on disk.
#include <algorithm>
#include <cctype>
#include <map>
#include <string_view>
#include <vector>

#include "indexformat/fold_record.h"
#include "indexformat/index_format.h"
#include "indexformat/letter_files.h"
#include "indexformat/phrase_pairs.h"
#include "indexformat/phrase_search_files.h"
#include "platform/file_system.h"
#include "platform/temp_dir.h"
#include "preproc/copier/copy_run.h"
#include "preproc/indexer/index_run.h"
#include "preproc/run/run_services.h"
#include "preproc/verify/verify.h"

namespace preproc::verify {
namespace {

constexpr char kScratchPrefix[] = "tarvik-verify-";

// Run services that show nothing and keep the errors a run reports. The run
// log goes to the private directory, never to the current directory.
class QuietServices : public RunServices {
 public:
  explicit QuietServices(std::string run_log) : RunServices(std::move(run_log)) {}
  std::vector<std::string> errors;

 protected:
  void ShowBox(std::string_view text, MessageKind kind) override {
    if (kind == MessageKind::kResult) return;
    while (!text.empty() && text.front() == '\n') text.remove_prefix(1);
    while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    errors.emplace_back(text);
  }
};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Whether a path relative to a set's directory names a file of that set.
bool IsIndexSetFile(const std::string& relative) {
  return relative == indexformat::kExtrasFileName || relative == indexformat::kFileMappingLogName ||
         relative == indexformat::kFoldRecordName ||
         indexformat::LetterFileSlotOf(relative, '/') >= 0;
}

bool IsCopyFile(const std::string& relative) {
  if (relative == indexformat::kPhrasePairsName) return true;
  size_t slash = relative.find('/');
  if (slash == std::string::npos || slash < 2 || (relative[0] != 'a' && relative[0] != 'A')) {
    return false;
  }
  return indexformat::CopyFileNumber(std::string_view(relative).substr(slash + 1)) >= 0;
}

bool IsSeparator(char c) {
#ifdef _WIN32
  if (c == '/') return true;
#endif
  return c == platform::kSeparator;
}

// name in directory, as the walk below names it: a separator between the two
// unless directory already ends in one.
std::string Below(const std::string& directory, const std::string& name) {
  std::string path = directory;
  if (!path.empty() && !IsSeparator(path.back())) path.push_back(platform::kSeparator);
  return path + name;
}

// Regular files in directory and in the directories it holds itself (links
// to directories are not followed), by relative path with "/"; the key is
// lower case for copies, whose block directories may be "a1" or "A1". The
// walk ends where a directory cannot be read.
std::map<std::string, std::string> FilesOf(const std::string& directory, bool copies) {
  std::map<std::string, std::string> files;
  auto take = [&](const std::string& relative, const std::string& path) {
    if (!platform::IsRegularFile(path)) return;
    if (copies ? !IsCopyFile(relative) : !IsIndexSetFile(relative)) return;
    files[copies ? Lower(relative) : relative] = path;
  };
  std::vector<std::string> names;
  std::vector<std::string> inner;
  platform::ListDirectory(directory, &names);
  for (const std::string& name : names) {
    const std::string path = Below(directory, name);
    take(name, path);
    if (!platform::IsOwnDirectory(path)) continue;
    if (!platform::ListDirectory(path, &inner)) break;
    for (const std::string& file : inner) take(name + "/" + file, Below(path, file));
  }
  return files;
}

std::string Native(const std::string& directory, const std::string& relative) {
  std::string path = directory;
  platform::AppendSeparator(path);
  for (char c : relative) path.push_back(c == '/' ? platform::kSeparator : c);
  return path;
}

void CompareSets(const std::string& fresh_dir, const std::string& disk_dir, bool copies,
                 std::vector<Finding>* findings) {
  std::map<std::string, std::string> fresh = FilesOf(fresh_dir, copies);
  std::map<std::string, std::string> disk = FilesOf(disk_dir, copies);
  const char* run = copies ? "tarvik copy" : "tarvik index";
  for (const auto& [relative, fresh_path] : fresh) {
    auto found = disk.find(relative);
    if (found == disk.end()) {
      // An author may ship the set without the accelerator.
      if (copies && relative == indexformat::kPhrasePairsName) continue;
      findings->push_back({Native(disk_dir, relative),
                           std::string("missing: ") + run + " on this listing writes it"});
      continue;
    }
    std::string expected, actual;
    platform::ReadWholeFile(fresh_path, &expected);
    if (!platform::ReadWholeFile(found->second, &actual)) {
      findings->push_back({found->second, "cannot be read"});
    } else if (actual != expected) {
      findings->push_back(
          {found->second,
           std::string("differs from what ") + run +
               " writes for this listing: the set was made from another listing or options"});
    }
  }
  for (const auto& [relative, disk_path] : disk) {
    if (fresh.count(relative) != 0) continue;
    findings->push_back(
        {disk_path, std::string("stale: ") + run + " on this listing does not write it"});
  }
}

void AddRunErrors(const std::string& listing, const char* run, const QuietServices& services,
                  std::vector<Finding>* findings) {
  for (const std::string& error : services.errors) {
    findings->push_back({listing, std::string(run) + " on this listing reports: " + error});
  }
}

}  // namespace

bool CompareWithRuns(const RunSettings& settings, std::vector<Finding>* findings) {
  // What an earlier verify left when it crashed goes first; this one's
  // directory names this process and goes with an interrupt too.
  platform::RemoveAbandoned(kScratchPrefix);
  platform::TempDir scratch;
  if (!scratch.Create(platform::OwnedPrefix(kScratchPrefix))) return false;
  platform::RemovedOnSignal removed_on_signal(scratch);
  RunSettings fresh = settings;
  fresh.index_path = Native(scratch.path(), "index");
  fresh.copy_path = Native(scratch.path(), "copy");
  // The index run folds as the set on disk says it was folded.
  const SetFold fold = ReadSetFold(settings.index_path);
  if (fold.sound && !SettingsForFold(fold, &fresh)) {
    findings->push_back({Native(settings.index_path, indexformat::kFoldRecordName),
                         "the set was folded with " + fold.name +
                             ", which tarvik index cannot fold with here: the runs fold as given"});
  }
  {
    QuietServices services(Native(scratch.path(), "index.log"));
    bool ok = GenerateIndexFiles(fresh, services);
    AddRunErrors(settings.listing_file, "tarvik index", services, findings);
    if (ok) CompareSets(fresh.index_path, settings.index_path, false, findings);
  }
  if (!settings.copy_path.empty()) {
    QuietServices services(Native(scratch.path(), "copy.log"));
    bool ok = CopyArticles(fresh, services);
    AddRunErrors(settings.listing_file, "tarvik copy", services, findings);
    if (ok) CompareSets(fresh.copy_path, settings.copy_path, true, findings);
  }
  return true;
}

}  // namespace preproc::verify
