#include "preproc/cli/console_services.h"

#include <new>

#include "preproc/run/article_listing.h"

namespace preproc {
namespace {

constexpr int kBarWidth = 28;
constexpr char kWritingStatus[] = "Writing out Index Files";  // the index run's second phase

// A message without its leading line feeds and with exactly one trailing one.
std::string AsLine(std::string_view text) {
  while (!text.empty() && text.front() == '\n') text.remove_prefix(1);
  while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  return std::string(text) + "\n";
}

}  // namespace

ConsoleServices::ConsoleServices(std::string run_log_path, std::FILE* out, std::FILE* err,
                                 bool terminal)
    : RunServices(std::move(run_log_path)), out_(out), err_(err), terminal_(terminal) {}

void ConsoleServices::ShowStatus(const std::string& text) {
  status_ = text;
  if (text == kWritingStatus) writing_groups_ = true;
  if (terminal_) {
    Redraw();
  } else {
    std::fprintf(err_, "%s\n", text.c_str());
  }
}

void ConsoleServices::ShowProgress(int lower, int upper, int pos) {
  bool changed = pos != pos_ || lower != lower_ || upper != upper_;
  lower_ = lower;
  upper_ = upper;
  pos_ = pos;
  if (terminal_ && changed) Redraw();
}

void ConsoleServices::CountPhase() {
  steps_ = 0;
  writing_groups_ = false;
}

void ConsoleServices::CountStep() { ++steps_; }  // ShowProgress redraws

void ConsoleServices::Redraw() {
  if (writing_groups_) {
    std::fprintf(err_, "\r\033[K%d groups written  %s", steps_, status_.c_str());
    std::fflush(err_);
    line_open_ = true;
    return;
  }
  int total = article_total_ > 0 ? article_total_ : upper_ - lower_;
  int done = steps_ < total ? steps_ : total;
  int filled = total > 0 ? static_cast<int>(static_cast<long long>(done) * kBarWidth / total) : 0;
  if (filled < 0) filled = 0;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.resize(kBarWidth, '.');
  std::fprintf(err_, "\r\033[K[%s] %d/%d articles %s", bar.c_str(), done, total, status_.c_str());
  std::fflush(err_);
  line_open_ = true;
}

void ConsoleServices::FinishStatusLine() {
  if (line_open_) std::fputc('\n', err_);
  line_open_ = false;
}

void ConsoleServices::ShowBox(std::string_view text, MessageKind kind) {
  FinishStatusLine();
  if (kind == MessageKind::kResult) {
    std::fputs(AsLine(text).c_str(), out_);
    std::fflush(out_);
    return;
  }
  if (kind == MessageKind::kError) ++errors_shown_;
  std::fputs(AsLine(text).c_str(), err_);
  std::fflush(err_);
}

int CountListedArticles(const std::string& listing_file) {
  try {
    ArticleListing listing;
    if (!listing.Open(listing_file)) return -1;
    std::string name;
    while (listing.Next(&name)) {
    }
    return listing.number();
  } catch (const std::bad_alloc&) {  // a line longer than memory: the run reports it
    return -1;
  }
}

}  // namespace preproc
