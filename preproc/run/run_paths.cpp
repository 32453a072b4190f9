#include "preproc/run/run_paths.h"

#include "platform/file_system.h"
#include "preproc/run/message_text.h"

namespace preproc {

std::string PrepareRunPaths(std::string& article_path, std::string& output_path,
                            const char* missing_output) {
  if (article_path.empty()) return "\n# KPXSindx: ERROR, no Article Path specified.";
  if (output_path.empty()) return missing_output;
  platform::AppendSeparator(article_path);
  platform::AppendSeparator(output_path);
  if (!platform::EnsurePath(article_path)) {
    return FormatMessage("\n# KPXSindx: ERROR, could not find/create article path '%s'\n",
                         article_path.c_str());
  }
  // Both runs name their output path so: the copy run shares the index run's text.
  if (!platform::EnsurePath(output_path)) {
    return FormatMessage("\n# KPXSindx: ERROR, could not find/create index file path '%s'\n",
                         output_path.c_str());
  }
  return std::string();
}

bool LockOutputPath(platform::PathLock& lock, const std::string& output_path,
                    const char* lock_name) {
  return lock.Acquire(output_path + lock_name) != platform::PathLock::Result::kInUse;
}

}  // namespace preproc
