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
//                   (indexformat::kMaxSearchableArticles); it reads the fold
//                   record as the search does (indexformat::DecodeFoldRecord)
//                   and reports one that is damaged or unknown, and a word
//                   the search's fold would change (so no query finds it:
//                   the record and the words do not fit);
//   CheckCopies     reports phrase search files missing for an article of the
//                   file mapping log, and copies beyond it; CheckPhraseIndex
//                   reads the phrase accelerator beside them;
//   CompareWithRuns runs both runs again on the listing into a private
//                   temporary directory (platform::TempDir, removed
//                   afterwards; no run log in the current directory), the
//                   index run with the set's own fold and accent choice where
//                   its fold record names one, and names every file on disk
//                   (the fold record among them) that differs, is missing or
//                   is stale.
// Files and directories are read through platform/file_system.h.
// A finding names one file and what is wrong with it, like a compiler's
// diagnostic: "FILE: what is wrong".
#ifndef KPX_PREPROC_VERIFY_VERIFY_H_
#define KPX_PREPROC_VERIFY_VERIFY_H_

#include <string>
#include <vector>

#include "platform/code_page.h"
#include "preproc/run/run_settings.h"

namespace preproc::verify {

// The fold the search folds the set in an index path with: its fold record's
// table when the record is sound, else the platform's default.
struct SetFold {
  bool recorded = false;  // the set has a fold record (a regular file)
  bool sound = false;     // ... that decodes; why not, in damage
  std::string damage;
  std::string name;                  // the fold's name: the record's, or the default's
  platform::UpperCaseTable table{};  // what the search folds with
};
SetFold ReadSetFold(const std::string& index_path);

// Sets the fold and accent choice of settings to those that make fold's
// table, when this system can make it; false (settings untouched) otherwise.
bool SettingsForFold(const SetFold& fold, RunSettings* settings);

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

// The phrase accelerator of copy_path, when there is one (a set without it
// is sound): read whole (indexformat::CheckPhrasePairs), and, beside the set
// in index_path, its stamp against the set's file mapping log and its fold
// against the set's fold; a temporary file left by a killed copy run.
void CheckPhraseIndex(const std::string& copy_path, const std::string& index_path,
                      std::vector<Finding>* findings);

// settings: the listing, article path, article type, delimiters and fold the
// runs are given; its index_path and copy_path name the sets on disk (an empty
// copy_path skips the copy run). A sound fold record of the set on disk
// replaces the settings' fold and accent choice (SettingsForFold); one this
// system cannot fold with is a finding. False when the temporary directory
// cannot be made; the runs' own errors become findings.
bool CompareWithRuns(const RunSettings& settings, std::vector<Finding>* findings);

}  // namespace preproc::verify

#endif  // KPX_PREPROC_VERIFY_VERIFY_H_
