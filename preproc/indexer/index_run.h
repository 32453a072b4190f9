// The index generation run: GenerateIndexFiles reads the listing, writes the
// file mapping log and the fold record (how the words are upper-cased: the
// settings' fold, or the accent-free table when accents are ignored), reads
// every listed article into the word tree and writes the index file set into
// the index path, narrating into the run log and driving the status line and
// progress bar through RunServices.
//
// Synchronous; returns true when the run completed. Every error is shown and
// logged through RunServices::ReportError and fails the run; an index file
// that cannot be written is reported and the walk goes on, so each is named,
// and the run then fails with "index set in '...' not replaced". The files are
// written first into a staging directory inside the index path and replace
// the live set only when all of them are whole, so a run that fails leaves
// the previous index set byte for byte, file mapping log included. Only the
// files whose bytes changed are moved in, all or nothing (IndexStaging): a
// rename that fails there puts back what was moved, and a run killed there
// leaves a journal from which the next run restores the previous set before
// it starts. Memory running out, on the run's thread or the second thread of
// its article or writing phase, fails the run with "not enough memory to ..."
// naming the phase: the previous set stays as it was, and "... to finish the
// run" means the new set is in place. A completed run removes the letter
// files an earlier listing left (only files that read as index files of their
// names; others are kept, with a warning), with the replacement.
#ifndef KPX_PREPROC_INDEXER_INDEX_RUN_H_
#define KPX_PREPROC_INDEXER_INDEX_RUN_H_

#include "preproc/indexer/index_staging.h"
#include "preproc/run/run_services.h"
#include "preproc/run/run_settings.h"

namespace preproc {

// Takes the settings by value: the run appends separators to its own copies.
bool GenerateIndexFiles(RunSettings settings, RunServices& services);
// The same, with every rename of the replacement made through rename: for
// tests that make one fail or stop the run there.
bool GenerateIndexFiles(RunSettings settings, RunServices& services, StagingRename rename);

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_INDEX_RUN_H_
