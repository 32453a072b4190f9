// The article duplication run: CopyArticles writes, for every listed article,
// a phrase search file (the article transformed for phrase scanning) under its
// article number into copy block directories of the copy path: a1/t0001 ...
// a2/t0101 ... It narrates into the run log and drives the status line and
// progress bar through RunServices.
//
// Synchronous; returns true when the run completed (per-article errors are
// reported and the run goes on), false when it failed: a missing input, a
// path that cannot be created, or a read or write failure while copying an
// article, which abandons the run at once with a kFatal message ("An unknown
// error occurred while accessing <file>.") and leaves the run log without its
// closing lines. Memory running out ends the run too: "not enough memory to
// copy the articles" through ReportError, the copies made so far whole.
//
// Article numbers go up to 32767: the run stops reading the listing at the
// 32768th article line, reports it, and completes with the 32767 before it.
#ifndef KPX_PREPROC_COPIER_COPY_RUN_H_
#define KPX_PREPROC_COPIER_COPY_RUN_H_

#include "preproc/run/run_services.h"
#include "preproc/run/run_settings.h"

namespace preproc {

inline constexpr int kMaxArticleNumber = 32767;

// What a run did with the listing, for a front end's summary.
struct CopyCounts {
  int articles = 0;      // article numbers given out (the "Completed copying" count)
  int copied = 0;        // phrase search files written completely
  int failed = 0;        // articles reported with an error (not opened, no directory, access)
  bool cut_off = false;  // the listing held more than kMaxArticleNumber articles
  bool phrase_index_failed = false;  // the phrase accelerator could not be written

  // True when the run reported an error: a failed article, the cut-off, or
  // the phrase accelerator.
  bool any_error() const { return failed > 0 || cut_off || phrase_index_failed; }
};

bool CopyArticles(RunSettings settings, RunServices& services, CopyCounts* counts = nullptr);

}  // namespace preproc

#endif  // KPX_PREPROC_COPIER_COPY_RUN_H_
