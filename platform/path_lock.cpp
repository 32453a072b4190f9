#include "platform/path_lock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace platform {

#ifdef _WIN32
// The file is deleted when its last handle closes; while a run holds it, a
// second run's open or lock fails.
PathLock::Result PathLock::Acquire(const std::string& lock_file) {
  Release();
  HANDLE handle =
      CreateFileA(lock_file.c_str(), GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? Result::kInUse
                                                                            : Result::kFailed;
  }
  OVERLAPPED whole = {};
  if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
    const DWORD error = GetLastError();
    CloseHandle(handle);
    return error == ERROR_LOCK_VIOLATION ? Result::kInUse : Result::kFailed;
  }
  path_ = lock_file;
  handle_ = handle;
  held_ = true;
  return Result::kLocked;
}

void PathLock::Release() {
  if (!held_) return;
  CloseHandle(handle_);
  held_ = false;
  path_.clear();
}
#else
// A run that completes removes the lock file before it releases the lock, so
// a second run may have locked a file that no longer has the name: it then
// tries the name again, which now names no file or a file of a later run.
PathLock::Result PathLock::Acquire(const std::string& lock_file) {
  Release();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const int fd =
        open(lock_file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return Result::kFailed;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const bool in_use = errno == EWOULDBLOCK;
      close(fd);
      return in_use ? Result::kInUse : Result::kFailed;
    }
    struct stat held, named;
    if (fstat(fd, &held) == 0 && stat(lock_file.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
      path_ = lock_file;
      handle_ = fd;
      held_ = true;
      return Result::kLocked;
    }
    close(fd);  // a file the run before removed: try the name again
  }
  return Result::kFailed;
}

void PathLock::Release() {
  if (!held_) return;
  unlink(path_.c_str());  // while still locked: no run takes the removed file for the lock
  close(handle_);
  held_ = false;
  path_.clear();
}
#endif

}  // namespace platform
