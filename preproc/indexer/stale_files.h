// The stale one- and two-letter files a successful run removes.
//
// A letter file that the run did not write holds words of an earlier listing
// whose article numbers now stand for other articles, so it goes. But only a
// file that reads whole as an index file of its own name
// (indexformat::ReadsAsIndexFile) is taken for one: anything else under such
// a name (an author's notes, a copy, an empty file) is kept, and the run warns
// about it. Directories and other non-regular files are never touched, nor
// anything below a letter directory that is a symbolic link.
#ifndef KPX_PREPROC_INDEXER_STALE_FILES_H_
#define KPX_PREPROC_INDEXER_STALE_FILES_H_

#include <string>
#include <vector>

#include "preproc/indexer/letter_files.h"
#include "preproc/run/run_services.h"

namespace preproc {

// The regular files of the index path (ending in the separator) named like a
// letter file and not in written that read as index files of their names, by
// relative name with the platform's separator: the run removes them with the
// replacement of the set. Every other such file is kept, with the warning
// "\n# KPXSindx: WARNING, kept '%s': not an index file\n" through
// services.ReportError.
std::vector<std::string> StaleLetterFiles(const std::string& index_path, const LetterFiles& written,
                                          RunServices& services);

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_STALE_FILES_H_
