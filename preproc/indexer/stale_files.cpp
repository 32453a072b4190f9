#include "preproc/indexer/stale_files.h"

#include "indexformat/index_file_check.h"
#include "indexformat/letter_files.h"
#include "platform/file_system.h"
#include "preproc/run/message_text.h"

namespace preproc {

int RemoveStaleLetterFiles(const std::string& index_path, const LetterFiles& written,
                           RunServices& services) {
  int kept = 0;
  std::string bytes;
  for (int slot = 0; slot < indexformat::kLetterFileCount; ++slot) {
    if (written.Has(slot)) continue;
    const std::string path = index_path + indexformat::LetterFileName(slot, platform::kSeparator);
    if (!platform::IsRegularFile(path)) continue;
    if (platform::ReadWholeFile(path, &bytes) &&
        indexformat::ReadsAsIndexFile(bytes, indexformat::IndexFileId::OfLetterSlot(slot))) {
      platform::RemoveFile(path);
      continue;
    }
    ++kept;
    services.ReportError(
        FormatMessage("\n# KPXSindx: WARNING, kept '%s': not an index file\n", path.c_str()));
  }
  return kept;
}

}  // namespace preproc
