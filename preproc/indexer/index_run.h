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
// the live set only when all of them are whole, so a run that fails or is
// killed leaves the previous index set byte for byte, file mapping log
// included. Memory running out, on the run's thread or the second thread of
// its article or writing phase, fails the run with "not enough memory to ..."
// naming the phase: before the staged files are renamed into place the
// previous set stays as it was (while they are renamed, it can be left partly
// replaced, as by a run killed there), and "... to finish the run" means the
// new set is in place. A completed run removes the letter files an earlier
// listing left (only files that read as index files of their names; others
// are kept, with a warning).
#ifndef KPX_PREPROC_INDEXER_INDEX_RUN_H_
#define KPX_PREPROC_INDEXER_INDEX_RUN_H_

#include "preproc/run/run_services.h"
#include "preproc/run/run_settings.h"

namespace preproc {

// Takes the settings by value: the run appends separators to its own copies.
bool GenerateIndexFiles(RunSettings settings, RunServices& services);

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_INDEX_RUN_H_
