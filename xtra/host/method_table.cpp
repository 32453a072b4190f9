#include "xtra/host/method_table.h"

namespace xtra {

// Comment markers start at column 49; line 2 ends in a space; line 14
// continues the key-range line in the same layout.
const char kMethodTableText[] =
    "xtra KPXSearch\n"
    "new object me \n"
    "-- KPXSearchXtra (Quillmoor Technologies v2.0) --\n"
    "* KPXSearchSetIndexPath string path             -- set the index path\n"
    "* KPXSearchSetArticlesPath string path          -- set the articles path\n"
    "* KPXSearchCountMatches                         -- count the number of matches\n"
    "* KPXSearchGetMatch int subscript               -- get the most recent match\n"
    "* KPXSearchGetAt int subscript                  -- get the specified match\n"
    "* KPXSearchAddWordPhrase string wordPhrase      -- add a word phrase\n"
    "* KPXSearchDeleteWordPhrase string wordPhrase   -- delete a word phrase\n"
    "* KPXSearchAndOr int mode                       -- set the boolean mode\n"
    "* KPXSearchWholeWord int mode                   -- set the word search mode\n"
    "* KPXSearchAddKeyRange string keyName, int lowerBound, int upperBound\n"
    "--                                              -- add a key range\n"
    "* KPXSearchDeleteKeyRange string keyName        -- delete a key range\n"
    "* KPXSearchCreateMatchesList string text        -- create a list of matches\n";

}  // namespace xtra
