// ArticleListing: the one reading of an article listing file that both runs,
// the desktop form's runs and the benchmarks share, so every reader numbers
// the same listing the same way.
//
// The listing is read line by line (platform::LineReader: LF or CR LF ends a
// line, a last line without one still counts). A line whose first character
// is "|" is a comment and gets no number; every other line, an empty one
// included, names one article exactly as written, and the n-th such line is
// article number n (from 1). What a run does past its own last number (the
// index run stops after 9999, the copy run after 32767) is the run's rule.
// Only a regular file is read; a read that fails ends the names early and
// sets failed(), and a run must then fail rather than take the names read so
// far for the listing.
#ifndef KPX_PREPROC_RUN_ARTICLE_LISTING_H_
#define KPX_PREPROC_RUN_ARTICLE_LISTING_H_

#include <memory>
#include <string>
#include <string_view>

#include "platform/line_reader.h"

namespace preproc {

// True for a listing line that names no article.
inline bool IsCommentLine(std::string_view line) { return !line.empty() && line[0] == '|'; }

class ArticleListing {
 public:
  // False when the file cannot be opened (only a regular file can).
  bool Open(const std::string& path);
  // Stores the next article name in *name and gives it the next number;
  // false at the end of the listing or when a read fails.
  bool Next(std::string* name);
  // True once a read of the listing has failed.
  bool failed() const { return lines_->failed(); }
  // The number of the name Next stored last; 0 before the first.
  int number() const { return number_; }
  void Close() { lines_->Close(); }

 private:
  // The reader's 64 KB buffer lives on the heap, not in the run's frame.
  std::unique_ptr<platform::LineReader> lines_ = std::make_unique<platform::LineReader>();
  int number_ = 0;
};

}  // namespace preproc

#endif  // KPX_PREPROC_RUN_ARTICLE_LISTING_H_
