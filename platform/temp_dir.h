// TempDir: a private directory below the system's temporary directory that
// lives as long as its object. tarvik verify runs both runs into one, so
// nothing it does touches the sets it checks or the current directory; the
// tests' helper (platform/testing/temp_dir.h) builds on it.
//
// Create makes a directory of a name no other process or object picks (the
// prefix, then a unique tail) and reports failure as a value. The object
// owns the directory: destroying it removes the directory and everything
// below it. Symbolic links below it are removed, never followed.
#ifndef KPX_PLATFORM_TEMP_DIR_H_
#define KPX_PLATFORM_TEMP_DIR_H_

#include <string>
#include <string_view>

namespace platform {

std::string TemporaryDirectory();

class TempDir {
 public:
  TempDir() = default;  // holds no directory until Create succeeds
  ~TempDir() { Remove(); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Makes a new directory, parent + prefix + a unique tail (with the system's
  // temporary directory as parent, "tarvik-verify-" gives
  // "/tmp/tarvik-verify-Xa81Qz"). False, and no directory held, when none can
  // be made. A directory held before is removed first.
  bool Create(std::string_view prefix) { return Create(prefix, TemporaryDirectory()); }
  bool Create(std::string_view prefix, const std::string& parent);

  // The directory, without a final separator; empty when none is held.
  const std::string& path() const { return path_; }

  // Removes the directory and everything below it now; true when it is gone
  // (or none was held). Afterwards none is held.
  bool Remove();

 private:
  std::string path_;
};

// The system's temporary directory, without a final separator: on POSIX the
// first of TMPDIR, TMP, TEMP and TEMPDIR that is set and not empty, else
// "/tmp"; on Windows GetTempPath.
std::string TemporaryDirectory();

// Removes path and, when it is a directory itself (not a link to one),
// everything below it first. True when nothing of the name is left.
bool RemoveTree(const std::string& path);

// The prefix of a directory that names its owner: prefix, this process's id
// and "-" ("tarvik-verify-" gives "tarvik-verify-4711-"). A TempDir made with
// it can be told abandoned once its process is gone.
std::string OwnedPrefix(std::string_view prefix);

// Removes every directory below parent (the system's temporary directory by
// default) whose name is OwnedPrefix(prefix) of a process that no longer
// runs: what a crashed or killed process left. Directories of running
// processes, and names that do not fit, are left alone. Returns how many
// were removed.
int RemoveAbandoned(std::string_view prefix, const std::string& parent = TemporaryDirectory());

// While an object lives, SIGINT and SIGTERM first remove the directory of dir
// and what it holds, then end the process as they would have (POSIX; nothing
// on Windows). One object at a time: the signal handler reaches the one
// directory through a fixed buffer, the only state it may touch, and removes
// it with system calls alone (async-signal-safe).
class RemovedOnSignal {
 public:
  explicit RemovedOnSignal(const TempDir& dir);
  ~RemovedOnSignal();
  RemovedOnSignal(const RemovedOnSignal&) = delete;
  RemovedOnSignal& operator=(const RemovedOnSignal&) = delete;

 private:
  bool armed_ = false;
};

}  // namespace platform

#endif  // KPX_PLATFORM_TEMP_DIR_H_
