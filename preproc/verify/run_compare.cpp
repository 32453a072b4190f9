// CompareWithRuns: both runs again, into a private temporary directory, and a
// byte-for-byte comparison with the sets on disk.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <system_error>

#include "indexformat/index_format.h"
#include "platform/file_system.h"
#include "preproc/copier/copy_run.h"
#include "preproc/run/run_services.h"
#include "preproc/indexer/index_run.h"
#include "preproc/verify/verify.h"

namespace preproc::verify {
namespace {

namespace fs = std::filesystem;

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

// A new directory below the system's temporary directory, removed with the
// object.
class PrivateDirectory {
 public:
  PrivateDirectory() {
    std::error_code error;
    fs::path base = fs::temp_directory_path(error);
    if (error) return;
    // A name no other run picks: the clock and a random number.
    std::random_device random;
    auto now = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 16 && path_.empty(); ++attempt) {
      fs::path candidate = base / ("tarvik-verify-" + std::to_string(now + attempt) + "-" +
                                   std::to_string(random()));
      if (fs::create_directory(candidate, error)) path_ = candidate.string();
    }
  }
  ~PrivateDirectory() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  PrivateDirectory(const PrivateDirectory&) = delete;
  PrivateDirectory& operator=(const PrivateDirectory&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Whether a path relative to a set's directory names a file of that set.
bool IsIndexSetFile(const std::string& relative) {
  if (relative == indexformat::kExtrasFileName || relative == indexformat::kFileMappingLogName) {
    return true;
  }
  auto letter = [](char c) { return c >= 'A' && c <= 'Z'; };
  return (relative.size() == 3 || relative.size() == 4) && letter(relative[0]) &&
         relative[1] == '/' && relative[2] == relative[0] &&
         (relative.size() == 3 || letter(relative[3]));
}

bool IsCopyFile(const std::string& relative) {
  size_t slash = relative.find('/');
  if (slash == std::string::npos || slash < 2 || (relative[0] != 'a' && relative[0] != 'A')) {
    return false;
  }
  std::string file = relative.substr(slash + 1);
  return file.size() >= 5 && file[0] == 't' &&
         file.find_first_not_of("0123456789", 1) == std::string::npos;
}

// Regular files below directory, by relative path with "/"; the key is lower
// case for copies, whose block directories may be "a1" or "A1".
std::map<std::string, std::string> FilesOf(const std::string& directory, bool copies) {
  std::map<std::string, std::string> files;
  std::error_code error;
  fs::recursive_directory_iterator it(directory, error), end;
  for (; !error && it != end; it.increment(error)) {
    if (it.depth() > 1) continue;
    if (!it->is_regular_file(error)) continue;
    std::string relative = fs::relative(it->path(), directory, error).generic_string();
    if (copies ? !IsCopyFile(relative) : !IsIndexSetFile(relative)) continue;
    files[copies ? Lower(relative) : relative] = it->path().string();
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
  PrivateDirectory scratch;
  if (scratch.path().empty()) return false;
  RunSettings fresh = settings;
  fresh.index_path = Native(scratch.path(), "index");
  fresh.copy_path = Native(scratch.path(), "copy");
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
