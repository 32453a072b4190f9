#include "preproc/copier/phrase_search_file.h"

#include "platform/file_system.h"
#include "preproc/form/message_text.h"

namespace preproc {

std::string CopyBlockDirectory(const std::string& copy_path, int n) {
  const int k = (n - 1) / kArticlesPerCopyBlock + 1;
  return FormatMessage("%sa%d%c", copy_path.c_str(), k, platform::kSeparator);
}

std::string PhraseSearchFileName(const std::string& block_directory, int n) {
  return FormatMessage("%st%04d", block_directory.c_str(), n);
}

}  // namespace preproc
