#include "preproc/copier/phrase_search_file.h"

#include "indexformat/phrase_search_files.h"
#include "platform/file_system.h"
#include "preproc/form/message_text.h"

namespace preproc {

std::string CopyBlockDirectory(const std::string& copy_path, int n) {
  return FormatMessage("%sa%d%c", copy_path.c_str(), indexformat::CopyBlockNumber(n),
                       platform::kSeparator);
}

std::string PhraseSearchFileName(const std::string& block_directory, int n) {
  return FormatMessage("%st%04d", block_directory.c_str(), n);
}

}  // namespace preproc
