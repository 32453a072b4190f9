#include "preproc/copier/phrase_search_file.h"

#include "indexformat/phrase_search_files.h"
#include "platform/file_system.h"

namespace preproc {

std::string CopyBlockDirectory(const std::string& copy_path, int n) {
  char name[indexformat::kMaxCopyName];
  size_t length = indexformat::CopyBlockName(n, 'a', name);
  return copy_path + std::string(name, length) + platform::kSeparator;
}

std::string PhraseSearchFileName(const std::string& copy_path, int n) {
  char name[indexformat::kMaxCopyName];
  size_t length = indexformat::RelativeCopyFileName(n, 'a', platform::kSeparator, name);
  return copy_path + std::string(name, length);
}

std::string PartialCopyName(const std::string& destination) { return destination + ".part"; }

}  // namespace preproc
