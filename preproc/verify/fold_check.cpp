// ReadSetFold and SettingsForFold: the set's fold as the search reads it, and
// the run settings that fold so.
#include <string>

#include "indexformat/fold_record.h"
#include "platform/file_system.h"
#include "preproc/verify/verify.h"

namespace preproc::verify {
namespace {

std::string RecordPath(const std::string& index_path) {
  std::string path = index_path;
  platform::AppendSeparator(path);
  return path + indexformat::kFoldRecordName;
}

}  // namespace

SetFold ReadSetFold(const std::string& index_path) {
  SetFold fold;
  const std::string path = RecordPath(index_path);
  std::string bytes;
  fold.recorded = platform::IsRegularFile(path);
  if (fold.recorded && !platform::ReadWholeFile(path, &bytes)) {
    fold.damage = "it cannot be read";
  } else if (fold.recorded) {
    indexformat::FoldRecordView record;
    const indexformat::FoldDamage damage = indexformat::DecodeFoldRecord(
        reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &record);
    fold.sound = damage == indexformat::FoldDamage::kNone;
    if (fold.sound) {
      fold.name = std::string(record.name);
      for (size_t b = 0; b < fold.table.size(); ++b) fold.table[b] = record.table[b];
      return fold;
    }
    fold.damage = indexformat::DescribeFoldDamage(damage);
  }
  platform::FillDefaultUpperCaseTable(&fold.table);
  fold.name = indexformat::FoldNameOf(fold.table, platform::ActiveCodePage());
  return fold;
}

bool SettingsForFold(const SetFold& fold, RunSettings* settings) {
  struct Choice {
    platform::CaseFold fold;
    bool ignore_accents;
  };
  for (Choice choice :
       {Choice{platform::kDefaultCaseFold, false}, Choice{platform::CaseFold::kCp1252, false},
        Choice{platform::CaseFold::kAscii, false}, Choice{platform::kDefaultCaseFold, true}}) {
    if (choice.ignore_accents && !platform::CanIgnoreAccents()) continue;
    if (platform::GetUpperCaseTable(choice.fold, choice.ignore_accents) != fold.table) continue;
    settings->fold = choice.fold;
    settings->ignore_accents = choice.ignore_accents;
    return true;
  }
  return false;
}

}  // namespace preproc::verify
