// CheckPhraseIndex: the phrase accelerator of a copy path, read whole, and
// whether the search would use it beside the index set.
#include <cstring>

#include "indexformat/index_format.h"
#include "indexformat/phrase_pairs.h"
#include "indexformat/phrase_pairs_check.h"
#include "platform/file_system.h"
#include "preproc/verify/verify.h"

namespace preproc::verify {

void CheckPhraseIndex(const std::string& copy_path, const std::string& index_path,
                      std::vector<Finding>* findings) {
  std::string directory = copy_path;
  platform::AppendSeparator(directory);
  const std::string temp = directory + indexformat::kPhrasePairsTempName;
  if (platform::Exists(temp)) {
    findings->push_back(
        {temp, "left by a copy run that did not finish; the search never opens it"});
  }
  const std::string path = directory + indexformat::kPhrasePairsName;
  if (!platform::Exists(path)) return;  // a set without one is searched as before
  std::string bytes;
  if (!platform::ReadWholeFile(path, &bytes)) {
    findings->push_back({path, "cannot be read: the search does without the phrase accelerator"});
    return;
  }
  const indexformat::PairCheck check = indexformat::CheckPhrasePairs(bytes, nullptr);
  if (check.damage == indexformat::PairDamage::kNotPairs) {
    findings->push_back({path, "not a phrase accelerator: tarvik copy keeps it and writes none"});
    return;
  }
  if (check.damage != indexformat::PairDamage::kNone) {
    findings->push_back({path, "damaged phrase accelerator (" + DescribePairCheck(check) +
                                   "): the search does without it; run tarvik copy again"});
    return;
  }
  std::string log;
  std::string log_path = index_path;
  platform::AppendSeparator(log_path);
  log_path += indexformat::kFileMappingLogName;
  if (platform::ReadWholeFile(log_path, &log)) {
    indexformat::LogStamp stamp;
    stamp.Add(log.data(), log.size());
    if (stamp.Value() != check.header.log_stamp) {
      findings->push_back(
          {path,
           "written for another listing than the index set's file mapping log: "
           "the search does without it; run tarvik copy on the index run's listing"});
    }
  }
  const SetFold fold = ReadSetFold(index_path);
  if (std::memcmp(fold.table.data(), check.header.fold, sizeof check.header.fold) != 0) {
    findings->push_back({path, "its words are folded otherwise than the index set's (" + fold.name +
                                   "): the search does without it; give tarvik copy the --fold "
                                   "and --ignore-accents of tarvik index"});
  }
}

}  // namespace preproc::verify
