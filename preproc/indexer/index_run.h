// The index generation run: GenerateIndexFiles reads the listing, writes the
// file mapping log, reads every listed article into the word tree and writes
// the index file set into the index path, narrating into the run log and
// driving the status line and progress bar through RunServices.
//
// Synchronous; returns true when the run completed. Every error is shown and
// logged through RunServices::ReportError and ends the run. A failed run
// leaves the previous index set intact.
#ifndef KPX_PREPROC_INDEXER_INDEX_RUN_H_
#define KPX_PREPROC_INDEXER_INDEX_RUN_H_

#include "preproc/form/run_services.h"
#include "preproc/form/run_settings.h"

namespace preproc {

// Takes the settings by value: the run appends separators to its own copies.
bool GenerateIndexFiles(RunSettings settings, RunServices& services);

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_INDEX_RUN_H_
