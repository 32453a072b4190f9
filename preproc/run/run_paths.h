// PrepareRunPaths: the path checks both runs make before they read the
// listing. In this order: the article path must not be empty, nor the run's
// output path (the index path or the copy path); both get their final
// separator; then each is created level by level (platform::EnsurePath).
#ifndef KPX_PREPROC_RUN_RUN_PATHS_H_
#define KPX_PREPROC_RUN_RUN_PATHS_H_

#include <string>

namespace preproc {

// Returns the message of the first failure, or an empty string when both
// paths exist. missing_output is the message for an empty output path.
std::string PrepareRunPaths(std::string& article_path, std::string& output_path,
                            const char* missing_output);

}  // namespace preproc

#endif  // KPX_PREPROC_RUN_RUN_PATHS_H_
