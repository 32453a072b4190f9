// The article duplication run: CopyArticles writes, for every listed article,
// a phrase search file (the article transformed for phrase scanning) under its
// article number into copy block directories of the copy path: a1/t0001 ...
// a2/t0101 ... It narrates into the run log and drives the status line and
// progress bar through RunServices.
//
// Synchronous; returns true when the run completed (per-article errors are
// reported and the run goes on), false when it failed.
#ifndef KPX_PREPROC_COPIER_COPY_RUN_H_
#define KPX_PREPROC_COPIER_COPY_RUN_H_

#include "preproc/form/run_services.h"
#include "preproc/form/run_settings.h"

namespace preproc {

bool CopyArticles(RunSettings settings, RunServices& services);

}  // namespace preproc

#endif  // KPX_PREPROC_COPIER_COPY_RUN_H_
