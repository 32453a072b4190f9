// tarvik verify: a pre-flight check that a title's two file sets are sound and
// belong together, before the title ships. Nothing here writes to the index
// path, the copy path or the current directory.
//
// Three checks, each adding findings:
//   CheckIndexSet   reads every index file by the format's rule of what an
//                   index file is (indexformat::CheckIndexFile, which decodes
//                   as the search engine does) and reports damage, order,
//                   placement, letter entries and article numbers beyond the
//                   file mapping log or beyond the 2,500 the plug-in returns
//                   (indexformat::kMaxSearchableArticles);
//   CheckCopies     reports phrase search files missing for an article of the
//                   file mapping log, and copies beyond it;
//   CompareWithRuns runs both runs again on the listing into a private
//                   temporary directory (platform::TempDir, removed
//                   afterwards; no run log in the current directory) and
//                   names every file on disk that differs, is missing or is
//                   stale.
// Files and directories are read through platform/file_system.h.
// A finding names one file and what is wrong with it, like a compiler's
// diagnostic: "FILE: what is wrong".
#ifndef KPX_PREPROC_VERIFY_VERIFY_H_
#define KPX_PREPROC_VERIFY_VERIFY_H_

#include <string>
#include <vector>

#include "preproc/run/run_settings.h"

namespace preproc::verify {

struct Finding {
  std::string file;
  std::string what;
};

// "FILE: what".
std::string FormatFinding(const Finding& finding);

// The articles the file mapping log of index_path lists, or -1 when it cannot
// be read (a finding says so).
int CheckIndexSet(const std::string& index_path, std::vector<Finding>* findings);

// listed: the file mapping log's article count (-1: unknown, only the copies
// beyond nothing are checked).
void CheckCopies(const std::string& copy_path, int listed, std::vector<Finding>* findings);

// settings: the listing, article path, article type, delimiters and fold the
// runs are given; its index_path and copy_path name the sets on disk (an empty
// copy_path skips the copy run). False when the temporary directory cannot be
// made; the runs' own errors become findings.
bool CompareWithRuns(const RunSettings& settings, std::vector<Finding>* findings);

}  // namespace preproc::verify

#endif  // KPX_PREPROC_VERIFY_VERIFY_H_
