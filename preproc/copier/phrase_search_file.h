// Where the phrase search file of an article number lives in the copy path.
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

// The phrase search file of article number n inside its copy block directory.
std::string PhraseSearchFileName(const std::string& block_directory, int n);

}  // namespace preproc

#endif  // KPX_PREPROC_COPIER_PHRASE_SEARCH_FILE_H_
