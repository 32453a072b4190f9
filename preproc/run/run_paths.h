// PrepareRunPaths: the path checks both runs make before they read the
// listing. In this order: the article path must not be empty, nor the run's
// output path (the index path or the copy path); both get their final
// separator; then each is created level by level (platform::EnsurePath).
#ifndef KPX_PREPROC_RUN_RUN_PATHS_H_
#define KPX_PREPROC_RUN_RUN_PATHS_H_

#include <string>

#include "platform/path_lock.h"

namespace preproc {

// Returns the message of the first failure, or an empty string when both
// paths exist. missing_output is the message for an empty output path.
std::string PrepareRunPaths(std::string& article_path, std::string& output_path,
                            const char* missing_output);

// The lock file a run holds inside its output path for the whole run, so that
// one run at a time writes there (platform::PathLock). Neither name is ever
// taken for an index file or a copy; a completed run removes its lock file.
inline constexpr char kIndexLockName[] = ".kpxsindx-lock";
inline constexpr char kCopyLockName[] = ".kpxscopy-lock";

// Takes the lock of output_path (with its final separator) in lock. False
// only when another run holds it; true when the lock is held now, or when no
// lock file can be made there (the run then goes on unlocked, and its first
// write there fails with the run's own message).
bool LockOutputPath(platform::PathLock& lock, const std::string& output_path,
                    const char* lock_name);

}  // namespace preproc

#endif  // KPX_PREPROC_RUN_RUN_PATHS_H_
