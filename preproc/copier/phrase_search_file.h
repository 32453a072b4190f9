// Where the phrase search file of an article number lives in the copy path,
// built by the naming rule the search engine reads with
// (indexformat/phrase_search_files.h).
//
// Articles 1 to 100 go to the copy block directory a1, 101 to 200 to a2, and
// so on (k = (n - 1) / 100 + 1); the file is "t" and the number zero-padded to
// at least four digits: a1/t0001, a1/t0100, a2/t0101, a100/t10000. The search
// side opens these names without regard to case (A1 on Windows).
#ifndef KPX_PREPROC_COPIER_PHRASE_SEARCH_FILE_H_
#define KPX_PREPROC_COPIER_PHRASE_SEARCH_FILE_H_

#include <string>

namespace preproc {

// The copy block directory of article number n (n >= 1), with its final
// separator. copy_path must already end in a separator.
std::string CopyBlockDirectory(const std::string& copy_path, int n);

// The phrase search file of article number n: copy_path, its copy block
// directory and its own name.
std::string PhraseSearchFileName(const std::string& copy_path, int n);

// The name a copy is written under until it is complete, in the same copy
// block directory: the final name with ".part" appended. The search never
// opens it; the next copy of that article number replaces it.
std::string PartialCopyName(const std::string& destination);

}  // namespace preproc

#endif  // KPX_PREPROC_COPIER_PHRASE_SEARCH_FILE_H_
