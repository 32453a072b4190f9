// The output forms of kpxsearch's search: what a person reads (each matching
// article's heading and the lines that hold a phrase, occurrences highlighted),
// and what a script reads (--list, --count, --json). All take the outcome of
// RunSearch and the names of the file mapping log; none calls the plug-in.
#ifndef KPX_XTRA_KPXSEARCH_SEARCH_OUTPUT_H_
#define KPX_XTRA_KPXSEARCH_SEARCH_OUTPUT_H_

#include <cstdint>
#include <map>
#include <ostream>
#include <string>

#include "xtra/hostsim/plugin_search.h"
#include "xtra/kpxsearch/text_encoding.h"

namespace kpxsearch {

// What the host simulator's search gives (xtra/hostsim/plugin_search.h).
using hostsim::ArticleLines;
using hostsim::MatchedLine;
using hostsim::Occurrence;
using hostsim::SearchOutcome;
using hostsim::SetFoldName;

using ArticleNames = std::map<std::int32_t, std::string>;

// Each article: "article N: NAME" (or "article N" without a name), then
// "LINE:TEXT" for each line, the occurrences in bold red when color is on;
// articles separated by an empty line. Text is written as UTF-8.
void WriteMatchedLines(std::ostream& out, const SearchOutcome& outcome, const ArticleNames& names,
                       TextEncoding encoding, bool color);

// The count, then one article number per line; with names (not null) a tab
// and the article's listed name after each number.
void WriteArticleList(std::ostream& out, const SearchOutcome& outcome, const ArticleNames* names);

// One JSON document:
//   {"count": N, "fold": {"name": "...", "recorded": true or false},
//    "articles": [{"article": n, "name": "..." or null,
//     "lines": [{"line": L, "text": "...", "occurrences": [[first, last], ...]}]}]}
// first and last are 1-based character columns within text; "fold" is the
// fold the plug-in searched with (ReadSetFoldName).
void WriteJson(std::ostream& out, const SearchOutcome& outcome, const ArticleNames& names,
               TextEncoding encoding, const SetFoldName& fold);

}  // namespace kpxsearch

#endif  // KPX_XTRA_KPXSEARCH_SEARCH_OUTPUT_H_
