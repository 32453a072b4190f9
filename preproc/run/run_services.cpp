#include "preproc/run/run_services.h"

namespace preproc {

RunServices::~RunServices() { CloseRunLog(); }

void RunServices::SetStatusText(std::string_view text) {
  status_text_.assign(text);
  ShowStatus(status_text_);
}

void RunServices::SetProgressRange(std::uint16_t lower, std::uint16_t upper) {
  lower_ = lower;
  upper_ = upper;
  CountPhase();
  ShowProgress(lower_, upper_, pos_);
}

void RunServices::SetProgressStep(int step) { step_ = step; }

void RunServices::SetProgressPos(int pos) {
  pos_ = pos;
  ShowProgress(lower_, upper_, pos_);
}

void RunServices::StepProgress() {
  pos_ += step_;
  if (pos_ > upper_) pos_ = lower_;  // the bar fills and starts again
  CountStep();
  ShowProgress(lower_, upper_, pos_);
}

void RunServices::LogText(std::string_view text) {
  if (run_log_ == nullptr) return;
  if (std::fwrite(text.data(), 1, text.size(), run_log_) != text.size()) run_log_whole_ = false;
}

void RunServices::ReportError(std::string_view text) {
  ShowBox(text, MessageKind::kError);
  LogText(text);
}

bool RunServices::OpenRunLog() {
  CloseRunLog();
  run_log_ = std::fopen(run_log_path_.c_str(), "w");  // text mode: the platform's line end
  run_log_whole_ = run_log_ != nullptr;
  return run_log_whole_;
}

void RunServices::CloseRunLog() {
  if (run_log_ != nullptr) {
    // A flush that failed earlier leaves only the error flag behind.
    const bool failed = std::ferror(run_log_) != 0;
    if (std::fclose(run_log_) != 0 || failed) run_log_whole_ = false;
  }
  run_log_ = nullptr;
}

}  // namespace preproc
