// The search form of kpxsearch: one search through the plug-in, as a movie
// would run it, and the article names of the index set's file mapping log.
//
// The calls, in order: new, KPXSearchSetIndexPath, KPXSearchSetArticlesPath,
// KPXSearchAndOr (mode), KPXSearchWholeWord (0 or 1), KPXSearchAddKeyRange
// per range, KPXSearchAddWordPhrase per phrase, KPXSearchCountMatches, then
// KPXSearchGetMatch 1..count. Paths, phrases and bounds pass unchanged.
// A call the plug-in refuses (-1) or leaves without a result is an error.
#ifndef KPX_XTRA_HOSTSIM_SEARCH_COMMAND_H_
#define KPX_XTRA_HOSTSIM_SEARCH_COMMAND_H_

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "xtra/hostsim/xtra_session.h"

namespace hostsim {

struct KeyRangeRequest {
  std::string name;
  std::int32_t lowerBound = 0;
  std::int32_t upperBound = 0;
};

struct SearchRequest {
  std::string indexPath;
  std::string articlesPath;
  std::int32_t booleanMode = 0;  // 0 first phrase only, 1 AND, 2 OR
  bool wholeWord = false;
  std::vector<KeyRangeRequest> ranges;
  std::vector<std::string> phrases;
};

struct SearchOutcome {
  std::int32_t count = 0;
  std::vector<std::int32_t> matches;  // ascending article numbers
};

// "NAME:LOW:HIGH"; the name may itself hold colons (the last two separate).
bool ParseKeyRange(std::string_view text, KeyRangeRequest* range, std::string* error);

bool RunSearch(XtraSession& session, const SearchRequest& request, SearchOutcome* outcome,
               std::string* error);

// Article number -> listed name, from the file mapping log "log" in the
// index path. False with *error when the log cannot be read.
bool ReadArticleNames(const std::string& indexPath, std::map<std::int32_t, std::string>* names,
                      std::string* error);

}  // namespace hostsim

#endif  // KPX_XTRA_HOSTSIM_SEARCH_COMMAND_H_
