#include "xtra/engine/set_fold.h"

#include <cstring>

#include "indexformat/fold_record.h"
#include "platform/code_page.h"
#include "xtra/engine/file_names.h"
#include "xtra/engine/raw_file.h"

namespace engine {
namespace {

static_assert(kFoldTableSize == indexformat::kFoldTableSize);
static_assert(indexformat::kMaxFoldRecordBytes < kReadBufferSize);

// Reads the record whole into buffer; its size, or 0 when there is none that
// fits.
size_t ReadRecord(const char* indexPath, char* buffer, size_t capacity) {
  char name[kFileNameCapacity];
  RawFile file;
  if (!FoldRecordFileName(indexPath, name) || !file.Open(name)) return 0;
  if (file.Size() <= 0 || file.Size() > static_cast<std::int64_t>(capacity)) return 0;
  const size_t size = static_cast<size_t>(file.Size());
  size_t used = 0;
  while (used < size) {
    size_t n = file.Read(buffer + used, size - used);
    if (n == 0) return 0;
    used += n;
  }
  return used;
}

}  // namespace

void SetDefaultFold(SearchState& state) {
  platform::UpperCaseTable table;
  platform::FillDefaultUpperCaseTable(&table);
  static_assert(sizeof state.foldTable == sizeof table);
  std::memcpy(state.foldTable, table.data(), sizeof state.foldTable);
}

void ReadSetFold(SearchState& state) {
  const size_t size =
      ReadRecord(state.indexPath, state.readBuffer, indexformat::kMaxFoldRecordBytes);
  indexformat::FoldRecordView record;
  if (size == 0 ||
      indexformat::DecodeFoldRecord(reinterpret_cast<const unsigned char*>(state.readBuffer), size,
                                    &record) != indexformat::FoldDamage::kNone) {
    SetDefaultFold(state);
    return;
  }
  std::memcpy(state.foldTable, record.table, sizeof state.foldTable);
}

}  // namespace engine
