#include "platform/temp_dir.h"

#include <cstdlib>
#include <vector>

#include "platform/file_system.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

std::string TemporaryDirectory() {
#ifdef _WIN32
  char buffer[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof buffer, buffer);
  std::string path = length > 0 && length < sizeof buffer ? std::string(buffer, length) : ".";
#else
  std::string path = "/tmp";
  for (const char* name : {"TMPDIR", "TMP", "TEMP", "TEMPDIR"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') {
      path = value;
      break;
    }
  }
#endif
  while (path.size() > 1 && (path.back() == kSeparator || path.back() == '/')) path.pop_back();
  return path;
}

bool RemoveTree(const std::string& path) {
  if (IsOwnDirectory(path)) {
    std::vector<std::string> names;
    ListDirectory(path, &names);
    for (const std::string& name : names) RemoveTree(path + kSeparator + name);
    return RemoveEmptyDirectory(path);
  }
  return !Exists(path) || RemoveFile(path);
}

bool TempDir::Create(std::string_view prefix, const std::string& parent) {
  Remove();
  const std::string base = parent + kSeparator + std::string(prefix);
#ifdef _WIN32
  // No mkdtemp: the process id and a counter started from the clock, until
  // a name is free. CreateDirectory fails on a name that exists, so two
  // objects never get one directory.
  const unsigned long long start = GetTickCount64();
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    std::string candidate =
        base + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(start + attempt);
    if (CreateDirectoryA(candidate.c_str(), nullptr)) {
      path_ = std::move(candidate);
      return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
#else
  std::string pattern = base + "XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) return false;
  path_ = std::move(pattern);
  return true;
#endif
}

bool TempDir::Remove() {
  if (path_.empty()) return true;
  const bool gone = RemoveTree(path_);
  path_.clear();
  return gone;
}

}  // namespace platform
