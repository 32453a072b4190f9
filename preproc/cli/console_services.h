// ConsoleServices: the run services of the tarvik command.
//
// On a terminal, standard error carries one status line with a progress bar,
// redrawn in place; elsewhere (a pipe, a file, CI) each new status text is a
// plain line and there is no bar. Error and warning texts go to standard error
// at once (and then, by RunServices, to the run log); the closing result goes
// to standard output. The number of errors shown is kept for the summary.
#ifndef KPX_PREPROC_CLI_CONSOLE_SERVICES_H_
#define KPX_PREPROC_CLI_CONSOLE_SERVICES_H_

#include <cstdio>
#include <string>

#include "preproc/form/run_services.h"

namespace preproc {

class ConsoleServices : public RunServices {
 public:
  ConsoleServices(std::string run_log_path, std::FILE* out, std::FILE* err, bool terminal);

  int errors_shown() const { return errors_shown_; }
  // Ends the status line on a terminal, so later output starts on a new line.
  void FinishStatusLine();

 protected:
  void ShowStatus(const std::string& text) override;
  void ShowProgress(int lower, int upper, int pos) override;
  void ShowBox(std::string_view text, MessageKind kind) override;

 private:
  void Redraw();

  std::FILE* out_;
  std::FILE* err_;
  bool terminal_;
  bool line_open_ = false;
  std::string status_;
  int lower_ = 0, upper_ = 0, pos_ = 0;
  int errors_shown_ = 0;
};

}  // namespace preproc

#endif  // KPX_PREPROC_CLI_CONSOLE_SERVICES_H_
