// RunServices: how a pre-processor run reports. Start here to see what a run
// can tell its user.
//
// A run (GenerateIndexFiles, CopyArticles) calls these services on the one
// thread it runs on; every call returns only when its effect is visible. The
// class owns the two pieces of state the runs share with their front end:
//   - the run log: a text file ("kpxsindx.log" unless told otherwise) opened
//     by OpenRunLog at the start of each run, closed by CloseRunLog; LogText
//     appends to it while it is open and does nothing otherwise;
//   - the progress arithmetic: range, step, position, with StepProgress
//     starting again from the lower bound when it would pass the upper bound.
// What a front end shows is its own: the desktop form repaints its status line
// and progress bar and shows message boxes; the tarvik command writes to the
// terminal. A front end overrides the four Show* hooks.
//
// ReportError shows its text first and logs it after, so the run log never
// holds an error the user has not yet been shown. Services report no failures
// of their own: a run log that cannot be created leaves LogText silent. The
// run log is no file of the set, so a failed write to it does not fail the
// run; run_log_whole() tells a front end that wants to warn about it.
#ifndef KPX_PREPROC_RUN_RUN_SERVICES_H_
#define KPX_PREPROC_RUN_RUN_SERVICES_H_

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace preproc {

inline constexpr char kRunLogName[] = "kpxsindx.log";
inline constexpr char kApplicationTitle[] = "KPXSearch PreProcessor";

// What a message is, which decides how a front end presents it.
enum class MessageKind {
  kError,   // an error or warning of the run: warning box, then the run log
  kResult,  // the closing "Words in vocabulary" box; never logged
  kFatal,   // a file error that abandons the run: stop box, never logged
};

class RunServices {
 public:
  explicit RunServices(std::string run_log_path = kRunLogName)
      : run_log_path_(std::move(run_log_path)) {}
  virtual ~RunServices();
  RunServices(const RunServices&) = delete;
  RunServices& operator=(const RunServices&) = delete;

  // --- the services a run calls ---
  void SetStatusText(std::string_view text);
  void SetProgressRange(std::uint16_t lower, std::uint16_t upper);
  void SetProgressStep(int step);
  void SetProgressPos(int pos);
  void StepProgress();
  void LogText(std::string_view text);
  void ReportError(std::string_view text);
  // Shows a message that is not logged (kResult, kFatal).
  void ShowMessage(std::string_view text, MessageKind kind) { ShowBox(text, kind); }

  // --- the run log handle ---
  // Creates or truncates the run log (text mode). False when it cannot be
  // created; the run then goes on without a log.
  bool OpenRunLog();
  void CloseRunLog();
  bool run_log_open() const { return run_log_ != nullptr; }
  // False when the last OpenRunLog failed, or a write to the run log or its
  // close failed since; true before any run log was opened.
  bool run_log_whole() const { return run_log_whole_; }
  const std::string& run_log_path() const { return run_log_path_; }

  // --- what the display shows now ---
  const std::string& status_text() const { return status_text_; }
  int progress_lower() const { return lower_; }
  int progress_upper() const { return upper_; }
  int progress_step() const { return step_; }
  int progress_pos() const { return pos_; }

 protected:
  // Front-end hooks. The defaults show nothing.
  virtual void ShowStatus(const std::string& /*text*/) {}
  virtual void ShowProgress(int /*lower*/, int /*upper*/, int /*pos*/) {}
  virtual void ShowBox(std::string_view /*text*/, MessageKind /*kind*/) {}
  // For a front end that counts a run's work rather than showing the bar's
  // position: SetProgressRange starts a new phase, StepProgress is one more
  // item of it (an article, a group of index files). Called before the
  // ShowProgress of the same call. The defaults do nothing.
  virtual void CountPhase() {}
  virtual void CountStep() {}

 private:
  std::string run_log_path_;
  std::FILE* run_log_ = nullptr;
  bool run_log_whole_ = true;
  std::string status_text_;
  int lower_ = 0;
  int upper_ = 100;
  int step_ = 10;
  int pos_ = 0;
};

}  // namespace preproc

#endif  // KPX_PREPROC_RUN_RUN_SERVICES_H_
