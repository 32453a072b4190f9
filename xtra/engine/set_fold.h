// The set's fold: which 256-byte table the search folds phrases and text
// with (search_engine.h, "Case").
//
// ReadSetFold opens the fold record of the index path (indexformat/
// fold_record.h), reads it whole into the state's readBuffer, and on a sound
// record copies its table into foldTable. A missing, unreadable, oversized or
// damaged record (an unknown version or name included) gives the default
// fold instead, as for a set written before the record existed. One file is
// open for the call's duration; nothing is allocated.
#ifndef KPX_XTRA_ENGINE_SET_FOLD_H_
#define KPX_XTRA_ENGINE_SET_FOLD_H_

#include "xtra/engine/search_engine.h"

namespace engine {

// foldTable becomes the platform's default fold (Windows-1252 here, the
// active code page's CharUpperA on Windows).
void SetDefaultFold(SearchState& state);

// foldTable becomes the fold of the set in indexPath.
void ReadSetFold(SearchState& state);

}  // namespace engine

#endif  // KPX_XTRA_ENGINE_SET_FOLD_H_
