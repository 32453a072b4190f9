// One search through the plug-in, as a movie would run it, and the article
// names of the index set's file mapping log: what the kpxsearch command and
// the desktop forms' search window both show.
//
// The calls, in order: new, KPXSearchSetIndexPath, KPXSearchSetArticlesPath,
// KPXSearchAndOr (mode), KPXSearchWholeWord (0 or 1), KPXSearchAddKeyRange
// per range, KPXSearchAddWordPhrase per phrase, KPXSearchCountMatches, then
// KPXSearchGetMatch 1..count. Paths, phrases and bounds pass unchanged.
// A call the plug-in refuses (-1) or leaves without a result is an error.
//
// With showLines, the same instance then reads each matching article's phrase
// search file and calls KPXSearchCreateMatchesList once per line, so the
// positions shown are the ones a title's script would highlight.
#ifndef KPX_XTRA_HOSTSIM_PLUGIN_SEARCH_H_
#define KPX_XTRA_HOSTSIM_PLUGIN_SEARCH_H_

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
  bool showLines = false;  // read the matching lines of each article
  int maxLines = 0;        // lines kept per article; 0 keeps all
};

// One occurrence as the match list gives it: 1-based byte positions of its
// first and last byte within the line.
struct Occurrence {
  int first = 0;
  int last = 0;
};

// A line of a phrase search file that holds at least one occurrence.
struct MatchedLine {
  int number = 0;                       // 1-based within the file
  std::string text;                     // the line's bytes, without its line end
  std::vector<Occurrence> occurrences;  // in the match list's order
};

struct ArticleLines {
  std::int32_t article = 0;
  bool readable = true;  // false when its phrase search file cannot be read
  std::vector<MatchedLine> lines;
};

struct SearchOutcome {
  std::int32_t count = 0;
  std::vector<std::int32_t> matches;   // ascending article numbers
  std::vector<ArticleLines> articles;  // with showLines: one per match, same order
};

// "NAME:LOW:HIGH"; the name may itself hold colons (the last two separate).
bool ParseKeyRange(std::string_view text, KeyRangeRequest* range, std::string* error);

// The pairs of a match list statement "set t123Match = [5,7,20,22]\r"; false
// when the text is not such a statement.
bool ParseMatchList(std::string_view statement, std::vector<Occurrence>* occurrences);

// The phrase search file of article (from 1) under articlesPath, its names
// built by indexformat/phrase_search_files.h: in the copy block directory
// "a<k>", or "A<k>" where "a<k>" does not exist.
std::string PhraseSearchFilePath(const std::string& articlesPath, std::int32_t article);

bool RunSearch(XtraSession& session, const SearchRequest& request, SearchOutcome* outcome,
               std::string* error);

// The lines of one article's phrase search file that hold a phrase, as
// showLines reads them, on a new instance set up as for the search (no count
// is run: the match list depends on no search). request.maxLines applies;
// request.showLines is not read. An unreadable file is lines->readable false,
// not an error.
bool ReadMatchedLines(XtraSession& session, const SearchRequest& request, std::int32_t article,
                      ArticleLines* lines, std::string* error);

// Article number -> listed name, from the article lines of the file mapping
// log "log" in the index path (indexformat::FileMappingLogReader; a later
// line of a number wins). False with *error when the log cannot be read.
bool ReadArticleNames(const std::string& indexPath, std::map<std::int32_t, std::string>* names,
                      std::string* error);

// The fold the plug-in folds the set in indexPath with, read as it reads it:
// the name of the set's sound fold record (indexformat/fold_record.h), or,
// where the set has none or a damaged one, the name of the platform's
// default fold.
struct SetFoldName {
  std::string name;       // "cp1252", "cp1252-accent-free", "ascii", "ansi-N"
  bool recorded = false;  // from the set's own record
};
SetFoldName ReadSetFoldName(const std::string& indexPath);

}  // namespace hostsim

#endif  // KPX_XTRA_HOSTSIM_PLUGIN_SEARCH_H_
