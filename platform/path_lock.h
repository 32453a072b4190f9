// PathLock: one run per path at a time. A run takes the lock of the directory
// it writes (the index path, the copy path) before it writes anything there
// and holds it for the whole run.
//
// The lock is an exclusive lock on a lock file inside the directory (flock on
// POSIX, LockFileEx on Windows), taken without waiting: a second run on a
// locked path is refused at once. The system releases the lock when the
// process ends, however it ends, so a killed run never leaves a path locked.
// The object owns the lock: destroying it (or Release) removes the lock file
// and releases the lock, so a run that completes leaves no lock file behind.
// A lock file left by a killed run is taken over by the next run.
#ifndef KPX_PLATFORM_PATH_LOCK_H_
#define KPX_PLATFORM_PATH_LOCK_H_

#include <string>

namespace platform {

class PathLock {
 public:
  enum class Result { kLocked, kInUse, kFailed };

  PathLock() = default;
  ~PathLock() { Release(); }
  PathLock(const PathLock&) = delete;
  PathLock& operator=(const PathLock&) = delete;

  // Takes the lock of the file named lock_file (a path inside the directory
  // to lock). kInUse when another process holds it, kFailed when the lock
  // file cannot be made or locked. A lock held before is released first.
  Result Acquire(const std::string& lock_file);
  // Removes the lock file and releases the lock; nothing when none is held.
  void Release();
  bool held() const { return held_; }

 private:
#ifdef _WIN32
  using Handle = void*;
#else
  using Handle = int;
#endif
  std::string path_;
  Handle handle_{};
  bool held_ = false;
};

}  // namespace platform

#endif  // KPX_PLATFORM_PATH_LOCK_H_
