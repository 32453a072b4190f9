#include "platform/temp_dir.h"

#include <cstdlib>
#include <vector>

#include "platform/file_system.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
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

namespace {

unsigned long CurrentProcessId() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return static_cast<unsigned long>(getpid());
#endif
}

bool ProcessRuns(unsigned long id) {
#ifdef _WIN32
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
  if (process == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
#else
  return kill(static_cast<pid_t>(id), 0) == 0 || errno != ESRCH;
#endif
}

}  // namespace

std::string OwnedPrefix(std::string_view prefix) {
  return std::string(prefix) + std::to_string(CurrentProcessId()) + "-";
}

int RemoveAbandoned(std::string_view prefix, const std::string& parent) {
  std::vector<std::string> names;
  ListDirectory(parent, &names);
  int removed = 0;
  for (const std::string& name : names) {
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    size_t end = prefix.size();
    unsigned long id = 0;
    while (end < name.size() && end < prefix.size() + 10 && name[end] >= '0' && name[end] <= '9') {
      id = id * 10 + static_cast<unsigned long>(name[end] - '0');
      ++end;
    }
    if (end == prefix.size() || end >= name.size() || name[end] != '-' || id == 0) continue;
    const std::string path = parent + kSeparator + name;
    if (ProcessRuns(id) || !IsOwnDirectory(path)) continue;
    if (RemoveTree(path)) ++removed;
  }
  return removed;
}

#ifndef _WIN32
namespace {

// The directory a signal removes: a handler reaches no object.
char guarded_directory[4096];
struct sigaction previous_interrupt, previous_terminate;

// Removes what the directory open as fd holds, with system calls alone.
// Entries are read in passes until one removes nothing (a directory read
// while it shrinks may skip names).
void RemoveBelow(int fd, int depth) {
  if (depth > 16) return;
  alignas(8) char buffer[4096];
  for (int pass = 0; pass < 8; ++pass) {
    bool removed = false;
    lseek(fd, 0, SEEK_SET);
    for (;;) {
      const ssize_t length = getdents64(fd, buffer, sizeof buffer);
      if (length <= 0) break;
      for (ssize_t offset = 0; offset < length;) {
        const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + offset);
        offset += entry->d_reclen;
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
        if (unlinkat(fd, name, 0) == 0) {
          removed = true;
          continue;
        }
        const int inner = openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (inner < 0) continue;
        RemoveBelow(inner, depth + 1);
        close(inner);
        if (unlinkat(fd, name, AT_REMOVEDIR) == 0) removed = true;
      }
    }
    if (!removed) return;
  }
}

void RemoveAndEnd(int signal_number) {
  const int saved = errno;
  const int fd = open(guarded_directory, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) {
    RemoveBelow(fd, 0);
    close(fd);
    rmdir(guarded_directory);
  }
  struct sigaction fallback = {};
  fallback.sa_handler = SIG_DFL;
  sigaction(signal_number, &fallback, nullptr);
  errno = saved;
  raise(signal_number);
}

}  // namespace

RemovedOnSignal::RemovedOnSignal(const TempDir& dir) {
  if (dir.path().empty() || dir.path().size() >= sizeof guarded_directory) return;
  std::memcpy(guarded_directory, dir.path().c_str(), dir.path().size() + 1);
  struct sigaction action = {};
  action.sa_handler = RemoveAndEnd;
  sigemptyset(&action.sa_mask);
  sigaddset(&action.sa_mask, SIGINT);
  sigaddset(&action.sa_mask, SIGTERM);
  sigaction(SIGINT, &action, &previous_interrupt);
  sigaction(SIGTERM, &action, &previous_terminate);
  armed_ = true;
}

RemovedOnSignal::~RemovedOnSignal() {
  if (!armed_) return;
  sigaction(SIGINT, &previous_interrupt, nullptr);
  sigaction(SIGTERM, &previous_terminate, nullptr);
  guarded_directory[0] = '\0';
}
#else
RemovedOnSignal::RemovedOnSignal(const TempDir&) {}
RemovedOnSignal::~RemovedOnSignal() {}
#endif

}  // namespace platform
