#include "preproc/indexer/stale_files.h"

#include "indexformat/index_format.h"
#include "platform/file_system.h"
#include "preproc/run/message_text.h"

namespace preproc {
namespace {

using indexformat::kFieldWidth;

bool BelongsTo(std::string_view word, char c, char d) {
  if (d == 0) return word.size() == 1 && word[0] == c;
  return indexformat::ClassifyWord(word) == indexformat::WordClass::kTwoLetter && word[0] == c &&
         word[1] == d;
}

// Four ASCII digits, 1 to 9999, each above the one before.
bool PostingsAscend(const indexformat::EntryView& entry) {
  int last = 0;
  for (int i = 0; i < entry.count; ++i) {
    const unsigned char* field = entry.postings + static_cast<size_t>(i) * kFieldWidth;
    for (int k = 0; k < kFieldWidth; ++k) {
      if (field[k] < '0' || field[k] > '9') return false;
    }
    const int article = indexformat::ParseDecimalPrefix(field);
    if (article <= last || article > indexformat::kMaxListedArticles) return false;
    last = article;
  }
  return true;
}

}  // namespace

bool ReadsAsIndexFile(std::string_view bytes, char c, char d) {
  size_t offset = 0;
  int entries = 0;
  std::string_view previous;
  indexformat::EntryView entry;
  for (;;) {
    const indexformat::DecodeResult result = indexformat::DecodeEntry(bytes, offset, &entry);
    if (result == indexformat::DecodeResult::kEnd) break;
    if (result == indexformat::DecodeResult::kCorrupt) return false;
    if (!BelongsTo(entry.word, c, d)) return false;
    if (entries > 0 && !(previous < entry.word)) return false;  // unsigned byte order
    if (entry.count < 1 || entry.count > indexformat::kMaxBlockArticles) return false;
    if (!PostingsAscend(entry)) return false;
    previous = entry.word;
    offset += entry.size;
    ++entries;
  }
  return d == 0 ? entries == 1 : entries > 0;
}

int RemoveStaleLetterFiles(const std::string& index_path, const LetterFiles& written,
                           RunServices& services) {
  int kept = 0;
  std::string bytes;
  for (int slot = 0; slot < LetterFiles::kCount; ++slot) {
    if (written.Has(slot)) continue;
    const std::string path = index_path + LetterFiles::RelativeName(slot);
    if (!platform::IsRegularFile(path)) continue;
    if (platform::ReadWholeFile(path, &bytes) &&
        ReadsAsIndexFile(bytes, LetterFiles::FirstLetter(slot), LetterFiles::SecondLetter(slot))) {
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
