// The control IDs of the pre-processor form and of its search window, and the
// menu commands both desktop forms number alike. The form's commands and its
// tests find the controls by these numbers.
#ifndef KPX_PREPROC_FORM_FORM_IDS_H_
#define KPX_PREPROC_FORM_FORM_IDS_H_

namespace preproc {

enum FormControlId : int {
  kIdTextDocument = 1000,       // radio button, article type 0
  kIdHtmlDocument = 1001,       // radio button, article type 1
  kIdSpecialTag = 1002,         // edit field, always disabled
  kIdDelimiters = 1003,         // edit field, the delimiter set
  kIdProgressBar = 1004,        // the runs' progress bar
  kIdCopyPath = 1009,           // edit field
  kIdGenerate = 1010,           // "Generate Index Files"
  kIdCopy = 1011,               // "Copy the Articles"
  kIdQuit = 1012,               // "QUIT"
  kIdIndexPath = 1013,          // edit field
  kIdBrowseCopyPath = 1014,     // "Path to Copy Articles"
  kIdBrowseIndexPath = 1015,    // "Path for Index Files"
  kIdArticlePath = 1016,        // edit field
  kIdBrowseArticlePath = 1017,  // "Path to Articles"
  kIdListingFile = 1018,        // edit field
  kIdBrowseListingFile = 1019,  // "Articles Listing File"
  kIdSpecialTagLabel = 1020,    // "Special Tag"
  kIdStatusLine = 1021,         // sunken one-line status display
  kIdIgnoreAccents = 1022,      // Edit menu: the checked item "Ignore Accents" (a menu command)
  kIdTrySearch = 1023,          // Edit menu: "Try a Search..." (a menu command)
};

// The search window's controls, in its tab order.
enum SearchControlId : int {
  kIdSearchPhrase = 1100,        // edit field, the first phrase
  kIdSearchAndOr = 1101,         // choice: "and" (0) or "or" (1)
  kIdSearchSecondPhrase = 1102,  // edit field; empty: one phrase
  kIdSearchWholeWords = 1103,    // check box "Whole words"
  kIdSearchFrom = 1104,          // edit field, the first article number of the range
  kIdSearchTo = 1105,            // edit field, the last one
  kIdSearchButton = 1106,        // "Search", the default button
  kIdSearchArticles = 1107,      // list of the matching articles
  kIdSearchLines = 1108,         // the selected article's lines, read-only
  kIdSearchResult = 1109,        // one-line result: the count or a message (no focus)
};

}  // namespace preproc

#endif  // KPX_PREPROC_FORM_FORM_IDS_H_
