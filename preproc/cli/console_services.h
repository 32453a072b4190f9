// ConsoleServices: the run services of the tarvik command.
//
// On a terminal, standard error carries one status line with a progress bar,
// redrawn in place; elsewhere (a pipe, a file, CI) each new status text is a
// plain line and there is no bar. The terminal's bar counts what the run has
// done rather than showing the run's own bar, whose range of 0 to 28 starts
// again every 28 steps: articles done out of the listing's total ("1234/2500
// articles"), and, while the index files are written, the groups written.
// The run services themselves keep the run's ranges. Error and warning texts go to standard error
// at once (and then, by RunServices, to the run log); the closing result goes
// to standard output. The number of errors shown is kept for the summary.
#ifndef KPX_PREPROC_CLI_CONSOLE_SERVICES_H_
#define KPX_PREPROC_CLI_CONSOLE_SERVICES_H_

#include <cstdio>
#include <string>

#include "preproc/run/run_services.h"

namespace preproc {

class ConsoleServices : public RunServices {
 public:
  ConsoleServices(std::string run_log_path, std::FILE* out, std::FILE* err, bool terminal);

  int errors_shown() const { return errors_shown_; }
  // The listing's number of articles, for the bar of a run whose range does
  // not say it (the copy run); 0 leaves the range's upper bound as the total.
  void set_article_total(int total) { article_total_ = total; }
  // Ends the status line on a terminal, so later output starts on a new line.
  void FinishStatusLine();

 protected:
  void ShowStatus(const std::string& text) override;
  void ShowProgress(int lower, int upper, int pos) override;
  void ShowBox(std::string_view text, MessageKind kind) override;
  void CountPhase() override;
  void CountStep() override;

 private:
  void Redraw();

  std::FILE* out_;
  std::FILE* err_;
  bool terminal_;
  bool line_open_ = false;
  std::string status_;
  int lower_ = 0, upper_ = 0, pos_ = 0;
  int errors_shown_ = 0;
  int article_total_ = 0;
  int steps_ = 0;                // steps of the current phase
  bool writing_groups_ = false;  // the index run's writing phase
};

// The number of articles a listing names: its lines that do not begin with
// "|", the rule both runs number by. -1 when the listing cannot be read,
// nor counted in the memory there is.
int CountListedArticles(const std::string& listing_file);

}  // namespace preproc

#endif  // KPX_PREPROC_CLI_CONSOLE_SERVICES_H_
