// RecordingServices: run services for tests. The run log goes to a file in the
// test's directory; every box is recorded instead of shown.
#ifndef KPX_PREPROC_INDEXER_TESTING_RECORDING_SERVICES_H_
#define KPX_PREPROC_INDEXER_TESTING_RECORDING_SERVICES_H_

#include <string>
#include <vector>

#include "preproc/run/run_services.h"

namespace preproc::testing {

class RecordingServices : public RunServices {
 public:
  using RunServices::RunServices;
  std::vector<std::string> errors;   // kError boxes, in order
  std::vector<std::string> results;  // kResult boxes
  std::vector<std::string> fatals;   // kFatal boxes
  std::vector<std::string> statuses;
  // Every change the bar shows, as "lower..upper+step@pos".
  std::vector<std::string> progress;

 protected:
  void ShowBox(std::string_view text, MessageKind kind) override {
    auto& list = kind == MessageKind::kError    ? errors
                 : kind == MessageKind::kResult ? results
                                                : fatals;
    list.emplace_back(text);
  }
  void ShowStatus(const std::string& text) override { statuses.push_back(text); }
  void ShowProgress(int lower, int upper, int pos) override {
    progress.push_back(std::to_string(lower) + ".." + std::to_string(upper) + "+" +
                       std::to_string(progress_step()) + "@" + std::to_string(pos));
  }
};

}  // namespace preproc::testing

#endif  // KPX_PREPROC_INDEXER_TESTING_RECORDING_SERVICES_H_
