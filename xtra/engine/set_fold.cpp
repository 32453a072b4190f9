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

static_assert(sizeof(SearchState::foldCheckKey) == kFileIdentitySize);

// A record whose identity is the one it had when foldTable was last set from
// it (or from the default for its damage) is not read again. A record that is
// replaced, written or gone shows another identity, or none: it is read anew.
void ReadSetFold(SearchState& state) {
  char name[kFileNameCapacity];
  unsigned char identity[kFileIdentitySize];
  const bool known = FoldRecordFileName(state.indexPath, name) && ReadFileIdentity(name, identity);
  if (known && state.foldCheck != kFoldCheckUnknown &&
      std::memcmp(identity, state.foldCheckKey, sizeof identity) == 0) {
    if (state.foldCheck == kFoldCheckDefault) SetDefaultFold(state);
    return;
  }
  state.foldCheck = kFoldCheckUnknown;
  const size_t size =
      known ? ReadRecord(state.indexPath, state.readBuffer, indexformat::kMaxFoldRecordBytes) : 0;
  indexformat::FoldRecordView record;
  const bool sound = size != 0 && indexformat::DecodeFoldRecord(
                                      reinterpret_cast<const unsigned char*>(state.readBuffer),
                                      size, &record) == indexformat::FoldDamage::kNone;
  if (sound) {
    std::memcpy(state.foldTable, record.table, sizeof state.foldTable);
  } else {
    SetDefaultFold(state);
  }
  // A record that could not be read whole (unreadable, too long, changed while
  // read) is not remembered, nor one whose identity changed while it was read.
  unsigned char after[kFileIdentitySize];
  if (!known || (!sound && size == 0) || !ReadFileIdentity(name, after) ||
      std::memcmp(after, identity, sizeof after) != 0) {
    return;
  }
  std::memcpy(state.foldCheckKey, identity, sizeof identity);
  state.foldCheck = sound ? kFoldCheckRead : kFoldCheckDefault;
}

}  // namespace engine
