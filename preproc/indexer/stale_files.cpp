#include "preproc/indexer/stale_files.h"

#include "indexformat/index_file_check.h"
#include "indexformat/letter_files.h"
#include "platform/file_system.h"
#include "preproc/run/message_text.h"

namespace preproc {

std::vector<std::string> StaleLetterFiles(const std::string& index_path, const LetterFiles& written,
                                          RunServices& services) {
  std::vector<std::string> stale;
  std::string bytes;
  bool own_directory = false;  // of the letter of the slot before
  for (int slot = 0; slot < indexformat::kLetterFileCount; ++slot) {
    const char letter = indexformat::FirstLetterOf(slot);
    if (slot == 0 || letter != indexformat::FirstLetterOf(slot - 1)) {
      own_directory = platform::IsOwnDirectory(index_path + letter);
    }
    if (written.Has(slot) || !own_directory) continue;
    std::string relative = indexformat::LetterFileName(slot, platform::kSeparator);
    const std::string path = index_path + relative;
    if (!platform::IsRegularFile(path)) continue;
    if (platform::ReadWholeFile(path, &bytes) &&
        indexformat::ReadsAsIndexFile(bytes, indexformat::IndexFileId::OfLetterSlot(slot))) {
      stale.push_back(std::move(relative));
      continue;
    }
    services.ReportError(
        FormatMessage("\n# KPXSindx: WARNING, kept '%s': not an index file\n", path.c_str()));
  }
  return stale;
}

}  // namespace preproc
